// The browse's less travelled paths: a reload after the highlighted record went, rows another
// copy holds, an update procedure driven by the toolbar's navigation requests, the print
// button, the popup items of the optional buttons, a locator's own control and the toolbar
// choosing its target.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/browse/browse_manager.h"
#include "framework/browse/browse_test_window.h"
#include "framework/browse/character_locator.h"
#include "framework/popup/popup_manager.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace fw::test {
namespace {

using Rows = std::vector<int>;

// Buttons made at run time for the browse's optional controls.
enum ExtraButton : int { kPrint = 30, kQuery = 31, kSelect = 32, kTools = 33 };
constexpr uint16_t kUpdateProcedure = 4;
constexpr uint16_t kPrintProcedure = 7;

// A window whose procedures are recorded: each call with the record the browse handed over.
class ProcedureWindow : public BrowseTestWindow {
 public:
  using BrowseTestWindow::BrowseTestWindow;
  struct Call {
    uint16_t procedure;
    uint8_t request;
    int record;
    bool operator==(const Call&) const = default;
  };
  int CallProcedure(uint16_t number, uint8_t request) override {
    calls.push_back({number, request, rec_nn ? *rec_nn : -1});
    if (on_call) on_call(request);
    if (next_requests.empty()) {
      navigation = 0;
    } else {
      navigation = next_requests.front();
      next_requests.erase(next_requests.begin());
    }
    return response;
  }
  const uint8_t* rec_nn = nullptr;
  std::function<void(uint8_t request)> on_call;  // what the procedure does before it returns
  std::vector<int32_t> next_requests;  // the navigation request each call leaves behind
  int response = kResponseCancelled;
  std::vector<Call> calls;
};

class BrowseActionsTest : public BrowseFixture {
 protected:
  ProcedureWindow& UseProcedureWindow() {
    auto w = std::make_unique<ProcedureWindow>(browse, toolbar, rm, *view, errors, record, rec);
    w->rec_nn = &rec.nn;
    ProcedureWindow& ref = *w;
    window = std::move(w);
    return ref;
  }
  int Choice() const { return browse.CURRENTCHOICE; }
  // Row r's held mark.
  int Mark(size_t r) const { return window->rows.At(r)->mark; }
};

TEST_F(BrowseActionsTest, AReloadAfterTheHighlightedRecordWentPutsTheHighlightOnTheFirstRow) {
  Open(10);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    ASSERT_EQ(rec.nn, 3);
    OtherDeletes(3);
    browse.Reload(1);
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 4, 5, 6}));
    EXPECT_EQ(Choice(), 1) << "its position is found in neither fill";
    EXPECT_EQ(rec.nn, 1);
  });
  // With the highlighted record still there, the same reload keeps it where it was.
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    ASSERT_EQ(rec.nn, 2);
    browse.Reload(1);
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 4, 5, 6}));
    EXPECT_EQ(Choice(), 2);
    EXPECT_EQ(rec.nn, 2);
  });
  window->Execute();
}

// Another running copy holds record 3 (a child process): the row stays in the list, with its
// values, marked; once let go it is an ordinary row again.
TEST_F(BrowseActionsTest, ARowAnotherCopyHoldsStaysInTheListMarked) {
  Open(10);
  rt::testing::Copy holder([&](rt::testing::Copy& self) {
    OddsRec r{};
    rt::KeyedFile f(*decl, &r);
    if (f.Open() != 0) return 10;
    r.nn = 3;
    f.Hold();
    if (f.Get(decl->Key(0)) != 0) return 11;
    self.Tell('H');
    if (self.Hear() != 'R') return 12;
    if (f.Release() != 0) return 13;
    self.Tell('R');
    self.Hear();
    return 0;
  });
  ASSERT_EQ(holder.Listen(), 'H');
  window->configure = [&](BrowseTestWindow& w) {
    browse.MarkHeldRows(w.layout.Field(&w.rows.buffer, "MARK"));
    w.win->SetPropertyInt(kList, rt::kPropMarkField, w.layout.IndexOf("MARK") + 1);
  };
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5}));
    EXPECT_EQ(window->win->CellText(kList, 3, 2), " 1.03") << "its values are shown";
    EXPECT_EQ((std::vector<int>{Mark(1), Mark(2), Mark(3), Mark(4), Mark(5)}),
              (std::vector<int>{0, 0, 1, 0, 0}));
    EXPECT_TRUE(window->win->RowMarked(kList, 3)) << "and the list shows it so";
    EXPECT_FALSE(window->win->RowMarked(kList, 2));
    // Scrolled past and back, it is read again, still marked.
    for (int i = 0; i < 6; ++i) browse.HandleScroll(rt::kEventScrollDown);
    EXPECT_EQ(window->Shown(), (Rows{3, 4, 5, 6, 7}));
    EXPECT_EQ(Mark(1), 1);
    EXPECT_EQ(Mark(2), 0);
    browse.HandleScroll(rt::kEventScrollTop);
    holder.Say('R');
    ASSERT_EQ(holder.Listen(), 'R');
    window->Refresh(true);
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5}));
    EXPECT_EQ(Mark(3), 0);
    EXPECT_FALSE(window->win->RowMarked(kList, 3));
  });
  window->Execute();
  holder.Say('X');
  EXPECT_TRUE(WIFEXITED(holder.Wait()));
  EXPECT_TRUE(backend.MessageBoxes().empty()) << "no message and the list stayed open";
}

TEST_F(BrowseActionsTest, AnUpdateProcedureGoesOnWhileTheToolbarAsksForTheNextRecord) {
  Open(10);
  ProcedureWindow& w = UseProcedureWindow();
  browse.ASKPROCEDURE = kUpdateProcedure;
  browse.CHANGECONTROL = kChange;
  browse.INSERTCONTROL = kInsert;
  // The procedure is cancelled each time; a cancelled insert gives its number back.
  w.on_call = [&](uint8_t request) {
    if (request == kRequestInsert) rm.ReleaseNumber();
  };
  // Change: "next record" twice, then done.
  backend.Check([&] { w.next_requests = {2008, 2008}; });
  backend.Click(kChange);
  backend.Check([&] {
    EXPECT_EQ(w.calls, (std::vector<ProcedureWindow::Call>{{kUpdateProcedure, kRequestChange, 1},
                                                           {kUpdateProcedure, kRequestChange, 2},
                                                           {kUpdateProcedure, kRequestChange, 3}}));
    EXPECT_EQ(Choice(), 3) << "the list followed each step";
    EXPECT_EQ(w.navigation, 0);
    w.calls.clear();
    // Insert: "insert another" once; each pass gets a fresh record to fill.
    w.next_requests = {2000};
  });
  backend.Click(kInsert);
  backend.Check([&] {
    ASSERT_EQ(w.calls.size(), 2u);
    for (const ProcedureWindow::Call& c : w.calls) {
      EXPECT_EQ(c.request, kRequestInsert);
      EXPECT_EQ(c.record, 11) << "the number reserved for the new record";
    }
    EXPECT_EQ(Stored().size(), 10u) << "nothing was inserted, nothing reserved is left";
  });
  window->Execute();
}

TEST_F(BrowseActionsTest, OptionalButtonsGetPopupItemsAndPrintRunsItsProcedureOnTheRow) {
  Open(10);
  ProcedureWindow& w = UseProcedureWindow();
  w.REQUEST = kRequestSelect;
  w.configure = [&](BrowseTestWindow& bw) {
    for (int b : {kPrint, kQuery, kSelect, kTools}) {
      bw.win->Create(b, rt::ControlKind::kButton);
      bw.win->Unhide(b);
    }
    browse.INSERTCONTROL = kInsert;
    browse.PRINTCONTROL = kPrint;
    browse.PRINTPROCEDURE = kPrintProcedure;
    browse.QUERYCONTROL = kQuery;
    browse.SELECTCONTROL = kSelect;
    browse.TOOLCONTROL = kTools;
  };
  backend.ChooseNextPopupItem(2);  // &Print
  backend.ClickRow(kList, 4, 1, rt::ScriptedAction::Mouse::kRight);
  backend.Check([&] {
    ASSERT_EQ(backend.Popups().size(), 1u);
    EXPECT_EQ(backend.Popups()[0].choices,
              (std::vector<std::string>{"+", "&Print", "&Query", "&Select", "&Toolbox"}));
    EXPECT_EQ(w.calls, (std::vector<ProcedureWindow::Call>{{kPrintProcedure, kRequestPrint, 4}}));
  });
  // The print button itself does the same on the highlighted row.
  backend.Scroll(kList, rt::kEventScrollUp);
  backend.Click(kPrint);
  backend.Check([&] {
    ASSERT_EQ(w.calls.size(), 2u);
    EXPECT_EQ(w.calls[1], (ProcedureWindow::Call{kPrintProcedure, kRequestPrint, 3}));
    EXPECT_FALSE(browse.POPUP->ToolboxRunning());
    EXPECT_EQ(Stored().size(), 10u);
  });
  backend.ChooseNextPopupItem(4);  // &Select chooses the row and closes the window
  backend.ClickRow(kList, 2, 1, rt::ScriptedAction::Mouse::kRight);
  EXPECT_EQ(window->Execute(), kResponseCompleted);
  EXPECT_EQ(rec.nn, 2);
}

// A locator with a control of its own: accepting it moves the list to the value it set.
class EntryLocator : public CharacterLocator {
 public:
  bool HandleAccepted() override {
    FREEELEMENT.SetInteger(value);
    return take;
  }
  void AfterLocate() override { ++after_locate; }
  int value = 7;
  bool take = true;
  int after_locate = 0;
};

TEST_F(BrowseActionsTest, ALocatorsOwnControlMovesTheListWhenItTakesTheValue) {
  Open(10);
  EntryLocator locator;
  window->configure = [&](BrowseTestWindow&) {
    browse.AttachLocator(&locator);
    locator.Setup(kOther, record.Field(&rec, "KF:NN"), 1, &browse);
  };
  backend.Click(kOther);
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 7);
    EXPECT_EQ(window->win->focus(), kList);
    EXPECT_EQ(locator.after_locate, 1);
    locator.take = false;
    locator.value = 2;
  });
  backend.Click(kOther);  // not taken: the list stays where it is
  backend.Check([&] {
    EXPECT_EQ(window->Shown()[static_cast<size_t>(Choice()) - 1], 7);
    EXPECT_EQ(locator.after_locate, 1);
  });
  window->Execute();
}

TEST_F(BrowseActionsTest, TheToolbarTakesTheBrowseAsItsTargetOnlyWhileItsListIsVisible) {
  Open(10);
  const std::string next_tip = "Go to the Next Record";
  backend.Check([&] {
    window->win->SetProperty(2008, rt::kPropToolTip, "");
    window->win->Hide(kList);
    toolbar.ChooseTarget(0);
    EXPECT_EQ(window->win->Property(2008, rt::kPropToolTip), "") << "hidden: not a target";
    window->win->Unhide(kList);
    toolbar.ChooseTarget(0);
    EXPECT_EQ(window->win->Property(2008, rt::kPropToolTip), next_tip);
    EXPECT_EQ(window->win->PropertyInt(2011, rt::kPropDisabled), 1);
  });
  window->Execute();
}

}  // namespace
}  // namespace fw::test
