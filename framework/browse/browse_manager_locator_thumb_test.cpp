// The browse with its typing locator and its scroll thumb: typed digits move the list to the
// matching row number, and the thumb shows, sits and drags as the page and the view's ends say.
#include <gtest/gtest.h>

#include <vector>

#include "framework/browse/browse_manager.h"
#include "framework/browse/browse_test_window.h"
#include "framework/browse/character_locator.h"
#include "framework/browse/step_long_manager.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace fw::test {
namespace {

using Rows = std::vector<int>;

class BrowseLocatorTest : public BrowseFixture {
 protected:
  // The calculator's locator: no control, on the row number, case-insensitive.
  void OpenWithLocator(int count) {
    Open(count);
    window->configure = [this](BrowseTestWindow&) {
      locator.Setup(0, record.Field(&rec, "KF:NN"), 1, &browse);
      browse.AttachLocator(&locator);
    };
  }
  void Type(char c) { backend.PressKey(kList, c, static_cast<char32_t>(c)); }

  CharacterLocator locator;
};

TEST_F(BrowseLocatorTest, ADigitJumpsToTheFirstRowAtOrAfterIt) {
  OpenWithLocator(50);
  Type('4');
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 4);
    EXPECT_EQ(window->Shown(), (Rows{3, 4, 5, 6, 7})) << "the highlight keeps its screen row";
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropSelected), browse.CURRENTCHOICE);
  });
  // Backwards too: the row below 4 does not begin with 2, so the list jumps to 2.
  Type('2');
  backend.Check([&] { EXPECT_EQ(rec.nn, 2); });
  window->Execute();
}

TEST_F(BrowseLocatorTest, TheSameDigitAgainWalksDownTheRowsThatBeginWithIt) {
  Open(40);
  for (int nn = 4; nn <= 29; ++nn) OtherDeletes(nn);  // rows 1, 2, 3, 30..40
  locator.Setup(0, record.Field(&rec, "KF:NN"), 1, &browse);
  window->configure = [this](BrowseTestWindow&) { browse.AttachLocator(&locator); };
  Type('3');
  backend.Check([&] { EXPECT_EQ(rec.nn, 3); });
  Type('3');
  backend.Check([&] { EXPECT_EQ(rec.nn, 30); });
  Type('3');
  backend.Check([&] { EXPECT_EQ(rec.nn, 31); });
  Type('1');
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 1) << "a digit no row below begins with jumps back to the first match";
  });
  window->Execute();
}

TEST_F(BrowseLocatorTest, PastTheLastRowTheHighlightStaysOnTheLastRecord) {
  OpenWithLocator(12);
  Type('9');
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 9);
    EXPECT_EQ(window->Shown(), (Rows{8, 9, 10, 11, 12}));
  });
  // Nothing is at or after 9 that begins with 9 below it: back to 9, never past the end.
  Type('9');
  backend.Check([&] { EXPECT_EQ(rec.nn, 9); });
  window->Execute();
}

TEST_F(BrowseLocatorTest, AnEmptyListTakesADigitAndShowsWhatIsAddedLater) {
  OpenWithLocator(0);
  Type('5');
  backend.Check([&] {
    EXPECT_TRUE(window->Shown().empty());
    EXPECT_EQ(browse.CURRENTCHOICE, 0);
    OtherAdds(7);
    window->Refresh(true);
    EXPECT_EQ(window->Shown(), (Rows{7}));
    EXPECT_EQ(rec.nn, 7);
  });
  window->Execute();
}

class BrowseThumbTest : public BrowseFixture {
 protected:
  int Thumb() const { return static_cast<int>(window->win->PropertyInt(kList, rt::kPropThumb)); }
  int ScrollBar() const {
    return static_cast<int>(window->win->PropertyInt(kList, rt::kPropVScroll));
  }
};

TEST_F(BrowseThumbTest, WithoutAStepObjectTheThumbSitsInTheMiddleUntilAnEndIsReached) {
  Open(50);
  backend.Check([&] { EXPECT_EQ(ScrollBar(), 1) << "a full page shows the scroll bar"; });
  // A jump fills a whole page, so it has not yet met the end: the thumb moves only once a
  // scroll in that direction finds no more records.
  backend.Scroll(kList, rt::kEventScrollBottom);
  backend.Check([&] { EXPECT_EQ(Thumb(), 50); });
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] { EXPECT_EQ(Thumb(), 100); });
  backend.Scroll(kList, rt::kEventScrollUp);
  backend.Check([&] { EXPECT_EQ(Thumb(), 50); });
  backend.Scroll(kList, rt::kEventScrollTop);
  backend.Scroll(kList, rt::kEventScrollUp);
  backend.Check([&] { EXPECT_EQ(Thumb(), 0); });
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] { EXPECT_EQ(Thumb(), 50); });
  window->Execute();
}

TEST_F(BrowseThumbTest, DraggingWithoutAStepObjectPagesOrJumps) {
  Open(50);
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] { ASSERT_EQ(window->Shown(), (Rows{11, 12, 13, 14, 15})); });
  backend.DragThumb(kList, 50);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{11, 12, 13, 14, 15})) << "50 stays"; });
  backend.DragThumb(kList, 30);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{6, 7, 8, 9, 10})) << "above the middle: one page up";
    EXPECT_EQ(Thumb(), 50);
  });
  backend.DragThumb(kList, 70);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{11, 12, 13, 14, 15})); });
  backend.DragThumb(kList, 100);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{46, 47, 48, 49, 50}));
    EXPECT_EQ(rec.nn, 50);
  });
  backend.DragThumb(kList, 1);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5}));
    EXPECT_EQ(rec.nn, 1);
  });
  window->Execute();
}

TEST_F(BrowseThumbTest, AStepObjectPlacesTheThumbByValueAndDragsToTheValue) {
  Open(51);
  StepLongManager step;
  window->thumb = &step;
  backend.Check([&] {
    EXPECT_EQ(step.LOW, 1) << "the range ends come from the view's first and last records";
    EXPECT_EQ(step.HIGH, 51);
    EXPECT_EQ(Thumb(), 0);
  });
  backend.DragThumb(kList, 40);  // 1 + 40% of 50
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 21);
    EXPECT_EQ(window->Shown(), (Rows{21, 22, 23, 24, 25}));
    EXPECT_EQ(Thumb(), 40);
  });
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 26);
    EXPECT_EQ(Thumb(), 50) << "the thumb follows the highlighted value";
  });
  backend.DragThumb(kList, 100);
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 51);
    EXPECT_EQ(Thumb(), 100);
  });
  backend.DragThumb(kList, 0);
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 1);
    EXPECT_EQ(Thumb(), 0);
  });
  window->Execute();
}

TEST_F(BrowseThumbTest, TheScrollBarHidesWhileThePageIsNotFull) {
  Open(3);
  backend.Check([&] {
    EXPECT_EQ(ScrollBar(), 0);
    OtherAdds(4);
    window->Refresh(true);
    EXPECT_EQ(ScrollBar(), 0);
    OtherAdds(5);
    window->Refresh(true);
    EXPECT_EQ(ScrollBar(), 1) << "back once the page fills";
    OtherDeletes(5);
    window->Refresh(true);
    EXPECT_EQ(ScrollBar(), 0);
  });
  window->Execute();
}

TEST_F(BrowseThumbTest, AListDeclaredWithoutAScrollBarNeverShowsOne) {
  Open(50);
  window->configure = [](BrowseTestWindow& w) {
    w.win->SetPropertyInt(kList, rt::kPropVScroll, 0);
  };
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] {
    EXPECT_EQ(browse.HASTHUMB, 0);
    EXPECT_EQ(ScrollBar(), 0);
  });
  window->Execute();
}

}  // namespace
}  // namespace fw::test
