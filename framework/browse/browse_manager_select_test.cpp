// The browse in a window called to select a record, the toolbar's select and help buttons, the
// toolbox button, and a list that is not visible when it would reload.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/browse/browse_manager.h"
#include "framework/browse/browse_test_window.h"
#include "framework/browse/toolbar_target.h"
#include "framework/popup/popup_manager.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace fw::test {
namespace {

using Rows = std::vector<int>;

class BrowseSelectTest : public BrowseFixture {
 protected:
  // A window called with the select request; kOther is the select button.
  void OpenToSelect(int count) {
    Open(count);
    window->REQUEST = kRequestSelect;
    browse.SELECTCONTROL = kOther;
  }
  bool Disabled(int control) const {
    return window->win->PropertyInt(control, rt::kPropDisabled) != 0;
  }
};

TEST_F(BrowseSelectTest, TheSelectButtonChoosesTheHighlightedRowAndClosesTheWindow) {
  OpenToSelect(10);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    EXPECT_EQ(browse.SELECTING, 1);
    EXPECT_FALSE(Disabled(kOther));
    EXPECT_EQ(window->win->PropertyInt(kOther, rt::kPropDefault), 1) << "the default button";
  });
  backend.Click(kOther);
  EXPECT_EQ(window->Execute(), kResponseCompleted);
  EXPECT_EQ(rec.nn, 3) << "the caller finds the chosen record in the buffer";
  EXPECT_TRUE(backend.AutoCloses().empty()) << "the window closed itself";
}

TEST_F(BrowseSelectTest, ADoubleClickSelectsWhileSelecting) {
  OpenToSelect(10);
  backend.ClickRow(kList, 4, 1, rt::ScriptedAction::Mouse::kDouble);
  EXPECT_EQ(window->Execute(), kResponseCompleted);
  EXPECT_EQ(rec.nn, 4);
}

TEST_F(BrowseSelectTest, TheToolbarSelectButtonChoosesTheRowToo) {
  OpenToSelect(10);
  backend.Check([&] { EXPECT_FALSE(Disabled(kToolbarSelect)); });
  backend.ClickRow(kList, 5);
  backend.Check([&] {
    EXPECT_EQ(browse.CURRENTCHOICE, 5) << "a click moves the highlight";
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropSelected), 5);
  });
  backend.Click(kToolbarSelect);
  EXPECT_EQ(window->Execute(), kResponseCompleted);
  EXPECT_EQ(rec.nn, 5);
}

TEST_F(BrowseSelectTest, AnEmptyListCannotBeSelectedFrom) {
  OpenToSelect(0);
  backend.Check([&] {
    EXPECT_TRUE(Disabled(kOther));
    EXPECT_TRUE(Disabled(kToolbarSelect));
  });
  EXPECT_EQ(window->Execute(), kResponseCancelled);
}

TEST_F(BrowseSelectTest, ClosingWithoutChoosingSelectsNothing) {
  OpenToSelect(10);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.CloseWindow();
  EXPECT_EQ(window->Execute(), kResponseCancelled);
}

TEST_F(BrowseSelectTest, WhenNotSelectingTheSelectButtonHidesOnlyWithHideSelect) {
  Open(10);
  browse.SELECTCONTROL = kOther;
  backend.Check([&] {
    EXPECT_EQ(browse.SELECTING, 0);
    EXPECT_EQ(window->win->PropertyInt(kOther, rt::kPropVisible), 1);
    browse.HIDESELECT = 1;
    browse.RefreshControls();
    EXPECT_EQ(window->win->PropertyInt(kOther, rt::kPropVisible), 0);
    EXPECT_TRUE(Disabled(kOther));
  });
  window->Execute();
}

TEST_F(BrowseSelectTest, TheToolbarHelpButtonPressesF1) {
  Open(10);
  window->configure = [](BrowseTestWindow& w) {
    // The list listens for F1 the way a window with help would.
    w.win->SetPropertyInt(kList, rt::kPropAlertKey, rt::kKeyF1, 1);
    w.win->Select(kList);
  };
  backend.Check([&] {
    EXPECT_TRUE(Disabled(kToolbarHelp)) << "no help button: no help";
    browse.TOOLBARITEM->HELPBUTTON = kOther;
    browse.RefreshControls();
    EXPECT_FALSE(Disabled(kToolbarHelp));
  });
  backend.Click(kToolbarHelp);
  backend.Check([&] {
    int f1 = 0;
    for (const rt::Event& e : window->events) {
      f1 += e.number == rt::kEventAlertKey && e.key_code == rt::kKeyF1;
    }
    EXPECT_EQ(f1, 1);
    EXPECT_EQ(rec.nn, 1) << "F1 is not a character: the locator-free list stays";
  });
  window->Execute();
}

TEST_F(BrowseSelectTest, TheToolboxButtonOpensTheToolbox) {
  Open(10);
  browse.INSERTCONTROL = kInsert;
  browse.TOOLCONTROL = kOther;
  backend.Click(kOther);
  backend.Check([&] { EXPECT_TRUE(browse.POPUP->ToolboxRunning()); });
  window->Execute();
}

TEST_F(BrowseSelectTest, AHiddenListDefersItsReloadUntilItIsShown) {
  Open(10);
  backend.Check([&] {
    window->win->Hide(kList);
    OtherDeletes(1);
    window->Refresh(true);
    EXPECT_EQ(browse.LOADPENDING, 1);
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5})) << "nothing was read while hidden";
    window->win->Unhide(kList);
    window->Refresh(false);
    EXPECT_EQ(browse.LOADPENDING, 0);
    EXPECT_EQ(window->Shown(), (Rows{2, 3, 4, 5, 6}));
    EXPECT_EQ(rec.nn, 2);
  });
  window->Execute();
}

TEST_F(BrowseSelectTest, ActiveInvisibleReloadsAHiddenList) {
  Open(10);
  browse.ACTIVEINVISIBLE = 1;
  backend.Check([&] {
    window->win->Hide(kList);
    OtherDeletes(1);
    window->Refresh(true);
    EXPECT_EQ(browse.LOADPENDING, 0);
    EXPECT_EQ(window->Shown(), (Rows{2, 3, 4, 5, 6}));
  });
  window->Execute();
}

}  // namespace
}  // namespace fw::test
