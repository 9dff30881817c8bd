// Edit in place as the browse's action settings and the window's events shape it: what Enter
// and Tab do to a changed row, going on with the next row, events that must not end an edit,
// and clicks inside the row being edited.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/eip/eip_test_window.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace fw::eiptest {
namespace {

using Rows = std::vector<std::pair<int, double>>;
constexpr int kEditor = kFirstEditor;

class RowEditSettingsTest : public EipFixture {
 protected:
  // The row's edit is still on: the entry floats over the odds cell of the highlighted row.
  bool Editing(int32_t row) const {
    return window->win->Find(kEditor) != nullptr && window->FloatedEditor(2) == kEditor &&
           window->Selected() == row;
  }
};

// --- Enter and Tab -------------------------------------------------------------------------

struct KeyCase {
  const char* name;
  int key;             // Enter, or Tab on the last editable column
  uint8_t setting;     // ENTERACTION for Enter, TABACTION for Tab
  int answer;          // to the save question; 0 when none may come
  double stored;       // row 1's odds afterwards
  bool next_row;       // the edit goes on with row 2
};

class RowEditKeyTest : public RowEditSettingsTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(RowEditKeyTest, ACompletedRowIsSavedAbandonedOrAskedAboutAsTheSettingSays) {
  const KeyCase& c = GetParam();
  Open(3);
  window->configure = [&](EipTestWindow&) {
    if (c.key == rt::kKeyEnter) {
      browse.ENTERACTION = c.setting;
    } else {
      browse.TABACTION = c.setting;
    }
  };
  backend.Click(kChange);
  TypeOdds("5");
  if (c.answer != 0) backend.AnswerNextMessageBox(c.answer);
  Key(c.key);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, c.stored}, {2, Odds(2)}, {3, Odds(3)}}));
    EXPECT_EQ(backend.MessageBoxes().size(), c.answer != 0 ? 1u : 0u);
    if (c.next_row) {
      EXPECT_TRUE(Editing(2)) << "the next row is in edit";
    } else {
      EXPECT_EQ(window->win->Find(kEditor), nullptr);
      EXPECT_EQ(window->Selected(), 1);
    }
  });
  if (c.next_row) Key(rt::kKeyEsc);  // leaves row 2 as it was
  window->Execute();
  EXPECT_EQ(Stored(), (Rows{{1, c.stored}, {2, Odds(2)}, {3, Odds(3)}}));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RowEditKeyTest,
    ::testing::Values(
        KeyCase{"EnterZeroSaves", rt::kKeyEnter, 0, 0, 5.0, false},
        KeyCase{"EnterOneSaves", rt::kKeyEnter, 1, 0, 5.0, false},
        KeyCase{"EnterTwoAbandons", rt::kKeyEnter, 2, 0, Odds(1), false},
        KeyCase{"EnterThreeAsksYes", rt::kKeyEnter, 3, rt::kButtonYes, 5.0, false},
        KeyCase{"EnterSevenAsksNo", rt::kKeyEnter, 7, rt::kButtonNo, Odds(1), false},
        KeyCase{"EnterSavesAndGoesOn", rt::kKeyEnter, 0x08, 0, 5.0, true},
        KeyCase{"EnterAsksThenGoesOn", rt::kKeyEnter, 0x0B, rt::kButtonYes, 5.0, true},
        KeyCase{"TabOneSaves", rt::kKeyTab, 1, 0, 5.0, false},
        KeyCase{"TabTwoAbandons", rt::kKeyTab, 2, 0, Odds(1), false},
        KeyCase{"TabSavesAndGoesOn", rt::kKeyTab, 0x09, 0, 5.0, true},
        KeyCase{"TabAsksWithBitEightAlone", rt::kKeyTab, 0x08, rt::kButtonYes, 5.0, true}),
    [](const ::testing::TestParamInfo<KeyCase>& info) { return info.param.name; });

// --- Events that reach the window during an edit ---------------------------------------------

struct EventCase {
  const char* name;
  int event;
  int control;     // 0: a window event
  bool goes_on;    // the row stays in edit; otherwise it is completed (and saved)
};

class RowEditEventTest : public RowEditSettingsTest,
                         public ::testing::WithParamInterface<EventCase> {};

TEST_P(RowEditEventTest, OnlyLeavingTheRowCompletesIt) {
  const EventCase& c = GetParam();
  Open(3);
  backend.Click(kChange);
  TypeOdds("5");
  backend.Check([&] { window->win->Post(c.event, c.control); });
  backend.Check([&] {
    if (c.goes_on) {
      EXPECT_TRUE(Editing(1));
      EXPECT_EQ(Stored()[0], (std::pair<int, double>{1, Odds(1)}));
    } else {
      EXPECT_EQ(window->win->Find(kEditor), nullptr);
      EXPECT_EQ(Stored()[0], (std::pair<int, double>{1, 5.0}));
    }
  });
  if (c.goes_on) {
    // The typed text is still there and Enter still saves it.
    Key(rt::kKeyEnter);
    backend.Check([&] { EXPECT_EQ(Stored()[0], (std::pair<int, double>{1, 5.0})); });
  }
  window->Execute();
  EXPECT_TRUE(backend.MessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Events, RowEditEventTest,
    ::testing::Values(
        EventCase{"SizingRequest", rt::kEventSizeRequest, 0, true},
        EventCase{"MaximizeRequest", rt::kEventMaximizeRequest, 0, true},
        EventCase{"MinimizeRequest", rt::kEventMinimizeRequest, 0, true},
        // A button taking the focus is not yet a press: the row stays in edit.
        EventCase{"ButtonGotTheFocus", rt::kEventSelected, kOther, true},
        // Another entry taking the focus is leaving the row.
        EventCase{"EntryGotTheFocus", rt::kEventSelected, kStake, false}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return info.param.name; });

// --- Clicks inside the row -------------------------------------------------------------------

TEST_F(RowEditSettingsTest, AClickOnAnotherCellOfTheSameRowMovesTheEntryThere) {
  Open(3);
  window->number_read_only = false;  // both columns editable: entries kEditor and kEditor + 1
  backend.ClickRow(kList, 2, 2, rt::ScriptedAction::Mouse::kDouble);
  backend.Check([&] {
    EXPECT_EQ(window->Selected(), 2);
    EXPECT_EQ(window->FloatedEditor(2), kEditor + 1) << "the double click's column";
    EXPECT_EQ(window->FloatedEditor(1), 0);
  });
  backend.Type(kEditor + 1, "6", false);
  backend.ClickRow(kList, 2, 1);
  backend.Check([&] {
    EXPECT_EQ(window->FloatedEditor(1), kEditor);
    EXPECT_EQ(window->FloatedEditor(2), 0);
    EXPECT_EQ(window->win->focus(), kEditor);
    EXPECT_EQ(window->Shown()[1], (std::pair<int, double>{2, 6.0})) << "the cell left is kept";
    EXPECT_EQ(Stored()[1], (std::pair<int, double>{2, Odds(2)})) << "nothing saved yet";
  });
  backend.PressKey(kEditor, rt::kKeyEnter);
  window->Execute();
  EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, 6.0}, {3, Odds(3)}}));
}

}  // namespace
}  // namespace fw::eiptest
