// The list control as the user meets it: page mode leaves moving to the program, clicks move
// the highlight, alert keys and characters reach the program, the thumb reports its place.
#include <gtest/gtest.h>

#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"

namespace rt {
namespace {

using test::RunLoop;
using test::Seen;

class ListControlTest : public test::HeadlessTest {
 protected:
  void SetUp() override {
    vars_.AddRows(20);
    std::string error;
    window_ = vars_.Prepare(&error);
    ASSERT_NE(window_, nullptr) << error;
    ASSERT_TRUE(window_->Open());
    ASSERT_TRUE(window_->SetPropertyInt(test::kList, kPropSelected, 3));
  }
  void TearDown() override {
    window_.reset();
    test::HeadlessTest::TearDown();
  }
  Window& w() { return *window_; }
  // The events of the list, without focus moves.
  std::vector<Seen> ListEvents(int list = test::kList) {
    std::vector<Seen> out;
    for (const Seen& s : RunLoop(w())) {
      if (s.control == list && s.event != kEventSelected) out.push_back(s);
    }
    return out;
  }

  test::TestVariables vars_;
  std::unique_ptr<Window> window_;
};

TEST_F(ListControlTest, PageModeNavigationPostsScrollEventsAndLeavesTheHighlight) {
  for (int key : {kKeyUp, kKeyDown, kKeyPageUp, kKeyPageDown, kKeyCtrlHome, kKeyCtrlEnd}) {
    backend().PressKey(test::kList, key);
  }
  backend().Scroll(test::kList, kEventScrollDown);  // the wheel, one notch
  backend().Scroll(test::kList, kEventPageUp);      // the scroll bar's page area
  std::vector<Seen> seen = ListEvents();
  std::vector<int> events;
  for (const Seen& s : seen) events.push_back(s.event);
  EXPECT_EQ(events, (std::vector<int>{kEventScrollUp, kEventScrollDown, kEventPageUp,
                                      kEventPageDown, kEventScrollTop, kEventScrollBottom,
                                      kEventScrollDown, kEventPageUp}));
  EXPECT_EQ(w().Find(test::kList)->selected(), 3u);
}

TEST_F(ListControlTest, AListWithoutPageModeMovesItsOwnHighlight) {
  ASSERT_TRUE(w().SetPropertyInt(test::kPlainList, kPropSelected, 3));
  w().SetPageRows(test::kPlainList, 5);
  backend().PressKey(test::kPlainList, kKeyDown);
  backend().PressKey(test::kPlainList, kKeyPageDown);
  backend().PressKey(test::kPlainList, kKeyCtrlEnd);
  backend().PressKey(test::kPlainList, kKeyCtrlEnd);  // already there: nothing
  std::vector<size_t> choices;
  for (const Seen& s : ListEvents(test::kPlainList)) {
    EXPECT_EQ(s.event, kEventNewSelection);
    choices.push_back(s.choice);
  }
  EXPECT_EQ(choices, (std::vector<size_t>{4, 9, 20}));
}

TEST_F(ListControlTest, AClickMovesTheHighlightAndPostsNewSelectionWithTheRow) {
  backend().ClickRow(test::kList, 7, 2);
  backend().ClickRow(test::kList, 7, 1);  // the same row again still tells the program
  backend().ClickRow(test::kList, 25, 1);  // below the last row: nothing to select
  std::vector<Seen> seen = ListEvents();
  ASSERT_EQ(seen.size(), 2u);
  for (const Seen& s : seen) {
    EXPECT_EQ(s.event, kEventNewSelection);
    EXPECT_EQ(s.key_code, kMouseLeft);
    EXPECT_EQ(s.choice, 7u);
  }
  EXPECT_EQ(w().PropertyInt(test::kList, kPropMouseDownRow), 0);
  EXPECT_EQ(w().PropertyInt(test::kList, kPropMouseDownColumn), 1);
  EXPECT_EQ(w().PropertyInt(test::kList, kPropSelected), 7);
}

TEST_F(ListControlTest, AlertKeysAndPrintableCharactersPost15WithTheKey) {
  ASSERT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, kKeyInsert, 1));
  backend().PressKey(test::kList, kKeyInsert);
  backend().PressKey(test::kList, kKeyDelete);        // not an alert key: nothing
  backend().PressKey(test::kList, 0x41, U'a');
  backend().PressKey(test::kList, 0x41 | kKeyCtrl, U'a');  // Ctrl+A is no character
  backend().PressKey(test::kList, 0xC6, U'ф');
  std::vector<Seen> seen = ListEvents();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].event, kEventAlertKey);
  EXPECT_EQ(seen[0].key_code, kKeyInsert);
  EXPECT_EQ(seen[1].event, kEventAlertKey);
  EXPECT_EQ(seen[1].key_char, U'a');
  EXPECT_EQ(seen[2].key_char, U'ф');
  EXPECT_EQ(w().Find(test::kList)->selected(), 3u);
}

TEST_F(ListControlTest, AnAlertKeyWinsOverTheListsOwnMeaning) {
  ASSERT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, kKeyDown, 7));
  backend().PressKey(test::kList, kKeyDown);
  backend().Check([&] { EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, 0, 7)); });
  backend().PressKey(test::kList, kKeyDown);
  std::vector<Seen> seen = ListEvents();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].event, kEventAlertKey);
  EXPECT_EQ(seen[1].event, kEventScrollDown);
}

TEST_F(ListControlTest, MouseGesturesReachTheProgramAsTheirAlertKeys) {
  ASSERT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, kMouseLeftDouble, 252));
  ASSERT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, kMouseRightUp, 249));
  backend().ClickRow(test::kList, 5, 2, ScriptedAction::Mouse::kDouble);
  backend().ClickRow(test::kList, 9, 1, ScriptedAction::Mouse::kRight);
  backend().Check([&] {
    // The program moves the highlight for a right click itself, from the row under the mouse.
    EXPECT_EQ(w().PropertyInt(test::kList, kPropMouseDownRow), 9);
    EXPECT_EQ(w().Find(test::kList)->selected(), 5u);
  });
  std::vector<Seen> seen = ListEvents();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].event, kEventNewSelection);
  EXPECT_EQ(seen[0].key_code, kMouseLeft);
  EXPECT_EQ(seen[1].event, kEventAlertKey);
  EXPECT_EQ(seen[1].key_code, kMouseLeftDouble);
  EXPECT_EQ(seen[2].event, kEventAlertKey);
  EXPECT_EQ(seen[2].key_code, kMouseRightUp);
}

TEST_F(ListControlTest, EnterPostsCtrlEnterOnlyWhenThatIsAnAlertKey) {
  backend().PressKey(test::kList, kKeyEnter);
  backend().Check(
      [&] { EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropAlertKey, kKeyCtrlEnter)); });
  backend().PressKey(test::kList, kKeyEnter);
  std::vector<Seen> seen = ListEvents();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].event, kEventAlertKey);
  EXPECT_EQ(seen[0].key_code, kKeyCtrlEnter);
  EXPECT_EQ(w().PropertyInt(test::kList, kPropAlertKey, 1), kKeyCtrlEnter)
      << "index 0 takes the first free slot";
}

TEST_F(ListControlTest, ThumbDragPosts20WithThePosition) {
  backend().DragThumb(test::kList, 73);
  backend().Check([&] { EXPECT_EQ(w().PropertyInt(test::kList, kPropThumb), 73); });
  backend().DragThumb(test::kList, 150);
  std::vector<Seen> seen = ListEvents();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].event, kEventScrollDrag);
  EXPECT_EQ(w().PropertyInt(test::kList, kPropThumb), 100);
}

TEST_F(ListControlTest, CellsShowTheirFieldsThroughTheColumnPictures) {
  EXPECT_EQ(w().ListRowCount(test::kList), 20u);
  EXPECT_EQ(w().CellText(test::kList, 2, 1), " 2");
  EXPECT_EQ(w().CellText(test::kList, 2, 2), " 1.50");
  EXPECT_EQ(w().CellText(test::kList, 21, 1), "");
  EXPECT_EQ(w().CellText(test::kList, 2, 3), "");
  ASSERT_TRUE(w().SetProperty(test::kList, kPropColumnPicture, "n_6.3", 2));
  EXPECT_EQ(w().CellText(test::kList, 2, 2), " 1.500");
  EXPECT_FALSE(w().SetProperty(test::kList, kPropColumnPicture, "q", 2));
  EXPECT_EQ(w().Property(test::kList, kPropColumnPicture, 2), "n_6.3");
  EXPECT_EQ(w().Property(test::kList, kPropColumnFormat, 1), "20R(5)|_@n2@");
  EXPECT_EQ(w().Property(test::kList, kPropColumnFormat, 3), "");
}

TEST_F(ListControlTest, ShrinkingTheQueueKeepsTheHighlightOnARow) {
  ASSERT_TRUE(w().SetPropertyInt(test::kList, kPropSelected, 18));
  while (vars_.rows.Records() > 10) vars_.rows.DeleteAt(vars_.rows.Records());
  w().Display(test::kList);
  EXPECT_EQ(w().Find(test::kList)->selected(), 10u);
  EXPECT_TRUE(w().SetPropertyInt(test::kList, kPropSelected, 99));
  EXPECT_EQ(w().PropertyInt(test::kList, kPropSelected), 10);
}

}  // namespace
}  // namespace rt
