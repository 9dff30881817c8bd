#include "framework/browse/browse_manager.h"

#include <gtest/gtest.h>

#include <vector>

#include "framework/browse/browse_test_window.h"
#include "framework/browse/row_editor_interface.h"
#include "framework/browse/toolbar_target.h"
#include "framework/data/relation_manager.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace fw::test {
namespace {

using Rows = std::vector<int>;

// Records the requests the browse hands to edit in place and reloads as the real one does.
class RecordingEditor : public RowEditorInterface {
 public:
  int EditRow(BrowseManager& browse, uint8_t request) override {
    requests.push_back(request);
    // Nothing is typed: an insert is abandoned and gives its reserved number back.
    if (request == kRequestInsert && browse.PRIMARY) browse.PRIMARY->ReleaseNumber();
    uint8_t response = kResponseCancelled;
    browse.ReloadAfterRequest(request, response);
    return response;
  }
  void FreeEditor(EditInPlaceControl*) override {}
  std::vector<int> requests;
};

class BrowseManagerTest : public BrowseFixture {
 protected:
  // The highlighted record's number as the record buffer holds it.
  int Highlighted() const { return rec.nn; }
  int Choice() const { return browse.CURRENTCHOICE; }
};

TEST_F(BrowseManagerTest, ShowsOnePageInKeyOrderAndLoadsTheHighlightedRecord) {
  Open(50);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5}));
    EXPECT_EQ(Choice(), 1);
    EXPECT_EQ(Highlighted(), 1);
    EXPECT_EQ(browse.LASTITEMS, kPageRows);
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropSelected), 1);
  });
  window->Execute();
}

TEST_F(BrowseManagerTest, ScrollEventsMoveTheHighlightAndReadFurtherRecords) {
  Open(50);
  for (int i = 0; i < 4; ++i) backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5}));
    EXPECT_EQ(Choice(), 5);
  });
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{2, 3, 4, 5, 6})) << "the rows move under the highlight";
    EXPECT_EQ(Choice(), 5);
    EXPECT_EQ(Highlighted(), 6);
  });
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{7, 8, 9, 10, 11})); });
  backend.Scroll(kList, rt::kEventPageUp);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{2, 3, 4, 5, 6})); });
  backend.Scroll(kList, rt::kEventScrollBottom);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{46, 47, 48, 49, 50}));
    EXPECT_EQ(Choice(), 5);
    EXPECT_EQ(Highlighted(), 50);
  });
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{46, 47, 48, 49, 50})) << "nothing past the end";
    EXPECT_EQ(Choice(), 5);
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropThumb), 100);
  });
  backend.Scroll(kList, rt::kEventScrollTop);
  backend.Scroll(kList, rt::kEventScrollUp);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5}));
    EXPECT_EQ(Choice(), 1);
    EXPECT_EQ(Highlighted(), 1);
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropThumb), 0);
  });
  window->Execute();
}

TEST_F(BrowseManagerTest, PageDownNearTheEndMovesRowsByWhatIsLeftAndTheHighlightByTheRest) {
  Open(12);
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{6, 7, 8, 9, 10}));
    EXPECT_EQ(Choice(), 1);
  });
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{8, 9, 10, 11, 12}));
    EXPECT_EQ(Choice(), 4);
    EXPECT_EQ(Highlighted(), 11);
  });
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Check([&] { EXPECT_EQ(Choice(), 5) << "never past the last row"; });
  window->Execute();
}

TEST_F(BrowseManagerTest, ShortAndEmptyViews) {
  Open(3);
  browse.INSERTCONTROL = kInsert;
  browse.CHANGECONTROL = kChange;
  browse.DELETECONTROL = kDelete;
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3}));
    EXPECT_EQ(browse.ITEMSTOFILL, 2) << "the shortfall";
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropVScroll), 0) << "no scroll bar when not full";
    // Every record goes; the reload leaves an empty list and a cleared buffer.
    OtherDeletes(1);
    OtherDeletes(2);
    OtherDeletes(3);
    window->Refresh(true);
    EXPECT_TRUE(window->Shown().empty());
    EXPECT_EQ(Choice(), 0);
    EXPECT_EQ(rec.nn, 0);
    EXPECT_EQ(window->win->PropertyInt(kChange, rt::kPropDisabled), 1);
    EXPECT_EQ(window->win->PropertyInt(kDelete, rt::kPropDisabled), 1);
    EXPECT_EQ(window->win->PropertyInt(kInsert, rt::kPropDisabled), 0);
  });
  // Scrolling an empty list does nothing and reads past no buffer.
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Scroll(kList, rt::kEventScrollBottom);
  backend.Check([&] { EXPECT_EQ(Choice(), 0); });
  window->Execute();
}

TEST_F(BrowseManagerTest, TheHighlightFollowsItsRecordWhenAnotherCopyChangesTheFile) {
  Open(10);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    ASSERT_EQ(Highlighted(), 3);
    OtherDeletes(2);
    window->Refresh(true);
    EXPECT_EQ(window->Shown(), (Rows{1, 3, 4, 5, 6}));
    EXPECT_EQ(Choice(), 2);
    EXPECT_EQ(Highlighted(), 3);
    OtherAdds(2);
    window->Refresh(true);
    EXPECT_EQ(window->Shown(), (Rows{2, 3, 4, 5, 6})) << "the highlight keeps its screen row";
    EXPECT_EQ(Choice(), 2);
    EXPECT_EQ(Highlighted(), 3);
    // The highlighted record itself goes: the highlight takes the next one.
    OtherDeletes(3);
    window->Refresh(true);
    EXPECT_EQ(window->Shown(), (Rows{2, 4, 5, 6, 7}));
    EXPECT_EQ(Choice(), 2);
    EXPECT_EQ(Highlighted(), 4);
  });
  window->Execute();
}

TEST_F(BrowseManagerTest, ResizingTheListReloadsWithTheNewPageSize) {
  Open(20);
  backend.Check([&] {
    window->win->SetPageRows(kList, 8);
    EXPECT_TRUE(browse.RefreshRange());
    EXPECT_EQ(browse.LOADPENDING, 1);
    window->Refresh(false);
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_FALSE(browse.RefreshRange());
  });
  window->Execute();
}

TEST_F(BrowseManagerTest, ButtonsAndKeysCallTheUpdatePath) {
  Open(10);
  RecordingEditor editor;
  browse.ROWEDITOR = &editor;
  browse.INSERTCONTROL = kInsert;
  browse.CHANGECONTROL = kChange;
  browse.DELETECONTROL = kDelete;
  backend.Click(kInsert);
  backend.Click(kChange);
  backend.Click(kDelete);
  backend.PressKey(kList, rt::kKeyInsert);
  backend.PressKey(kList, rt::kKeyCtrlEnter);
  backend.PressKey(kList, rt::kKeyDelete);
  backend.ClickRow(kList, 2, 1, rt::ScriptedAction::Mouse::kDouble);
  backend.Check([&] {
    EXPECT_EQ(editor.requests, (std::vector<int>{1, 2, 3, 1, 2, 3, 2}));
    EXPECT_EQ(Stored().size(), 10u) << "an abandoned insert gives its reserved number back";
  });
  window->Execute();
}

TEST_F(BrowseManagerTest, DeleteWithoutEditorAsksThenDropsTheRow) {
  Open(10);
  browse.DELETECONTROL = kDelete;
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.AnswerNextMessageBox(2);  // Yes
  backend.Click(kDelete);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{1, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(window->Shown(), (Rows{1, 3, 4, 5, 6}));
    EXPECT_EQ(Highlighted(), 3);
  });
  window->Execute();
}

TEST_F(BrowseManagerTest, RightClickMovesTheHighlightAndOpensTheMenu) {
  Open(10);
  RecordingEditor editor;
  browse.ROWEDITOR = &editor;
  browse.INSERTCONTROL = kInsert;
  browse.CHANGECONTROL = kChange;
  browse.DELETECONTROL = kDelete;
  backend.ChooseNextPopupItem(2);  // the change item
  backend.ClickRow(kList, 4, 1, rt::ScriptedAction::Mouse::kRight);
  backend.Check([&] {
    EXPECT_EQ(Highlighted(), 4);
    ASSERT_EQ(backend.Popups().size(), 1u);
    EXPECT_EQ(backend.Popups()[0].choices, (std::vector<std::string>{"+", "?", "--"}));
    EXPECT_EQ(editor.requests, (std::vector<int>{2}));
  });
  window->Execute();
}

TEST_F(BrowseManagerTest, ToolbarNavigationMovesTheList) {
  Open(30);
  backend.Click(kToolbarDown);
  backend.Check([&] { EXPECT_EQ(Choice(), 2); });
  backend.Click(kToolbarBottom);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{26, 27, 28, 29, 30}));
    EXPECT_EQ(Choice(), 5);
  });
  backend.Click(kToolbarDown);
  backend.Check([&] {
    EXPECT_EQ(Choice(), 5) << "the next-record button on the last row leaves the highlight";
    EXPECT_EQ(Highlighted(), 30);
  });
  backend.Click(kToolbarTop);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5})); });
  window->Execute();
}

}  // namespace
}  // namespace fw::test
