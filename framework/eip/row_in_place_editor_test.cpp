#include "framework/eip/row_in_place_editor.h"

#include <gtest/gtest.h>

#include "framework/eip/eip_test_window.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace fw::eiptest {
namespace {

using Rows = std::vector<std::pair<int, double>>;
constexpr int kEditor = kFirstEditor;

class RowInPlaceEditorTest : public EipFixture {
 protected:
  // Moves the highlight down from row 1 with the keyboard, as the browse's own tests do.
  void HighlightRow(int row) {
    for (int i = 1; i < row; ++i) backend.Scroll(kList, rt::kEventScrollDown);
  }
};

TEST_F(RowInPlaceEditorTest, InsertStoresTypedOddsUnderTheNextNumberAndShowsTheRow) {
  Open(3);
  backend.Click(kInsert);
  backend.Check([&] {
    // The new row sits below the highlighted one, the entry over its odds cell; the row
    // number is read-only and shown grey.
    EXPECT_EQ(window->Shown(), (Rows{{1, Odds(1)}, {4, 0.0}, {2, Odds(2)}, {3, Odds(3)}}));
    EXPECT_EQ(window->Selected(), 2);
    EXPECT_EQ(window->FloatedEditor(2), kEditor);
    EXPECT_EQ(window->FloatedEditor(1), 0);
    EXPECT_EQ(window->win->focus(), kEditor);
    EXPECT_EQ(window->win->Property(kEditor, rt::kPropText), "n5.2");
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropColumnTextColor, 1),
              static_cast<int64_t>(rt::kColorGrayText));
  });
  TypeOdds("2.5");
  Key(rt::kKeyEnter);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}, {4, 2.5}}));
    EXPECT_EQ(window->Shown(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}, {4, 2.5}}));
    EXPECT_EQ(window->win->CellText(kList, 4, 2), " 2.50");
    EXPECT_EQ(window->win->Find(kEditor), nullptr) << "the entry is gone after the edit";
    EXPECT_EQ(window->win->Property(kList, rt::kPropColumnTextColor, 1),
              window->win->Property(kList, rt::kPropColumnTextColor, 2))
        << "the number column's colour is back to the default";
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropAlertKey, 252), rt::kMouseLeftDouble);
    EXPECT_EQ(window->win->focus(), kList);
  });
  // The next insert takes the number after the highest.
  backend.PressKey(kList, rt::kKeyInsert);
  TypeOdds("3");
  Key(rt::kKeyEnter);
  backend.Check([&] { EXPECT_EQ(Stored().back(), (std::pair<int, double>{5, 3.0})); });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, InsertIntoAnEmptyFile) {
  Open(0);
  backend.PressKey(kList, rt::kKeyInsert);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{{1, 0.0}})); });
  TypeOdds("1.75");
  Key(rt::kKeyEnter);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, 1.75}}));
    EXPECT_EQ(window->Shown(), (Rows{{1, 1.75}}));
  });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, InsertOnAFullPageKeepsOnePage) {
  Open(10);
  HighlightRow(3);
  backend.Click(kInsert);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(),
              (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}, {11, 0.0}, {4, Odds(4)}}))
        << "the last row shown makes room";
  });
  backend.PressKey(kEditor, rt::kKeyEsc);
  backend.Scroll(kList, rt::kEventScrollBottom);
  backend.Click(kInsert);
  backend.Check([&] {
    EXPECT_EQ(window->Shown(),
              (Rows{{7, Odds(7)}, {8, Odds(8)}, {9, Odds(9)}, {10, Odds(10)}, {11, 0.0}}))
        << "below the last row the list moves up and the highlighted row stays in sight";
    EXPECT_EQ(window->Selected(), 5);
  });
  backend.PressKey(kEditor, rt::kKeyEsc);
  backend.Check([&] { EXPECT_EQ(Stored().size(), 10u); });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, ChangeWritesTheRowAndDoubleClickOnTheNumberEditsTheOdds) {
  Open(3);
  HighlightRow(2);
  backend.Click(kChange);
  backend.Check([&] {
    EXPECT_EQ(window->FloatedEditor(2), kEditor);
    EXPECT_EQ(window->win->Find(kEditor)->shown_text(), " 1.02");
  });
  TypeOdds("3.25");
  Key(rt::kKeyEnter);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, 3.25}, {3, Odds(3)}}));
    EXPECT_EQ(window->Shown(), (Rows{{1, Odds(1)}, {2, 3.25}, {3, Odds(3)}}));
    EXPECT_EQ(window->Selected(), 2);
  });
  // A double click on the read-only number starts the edit in the odds column.
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.ClickRow(kList, 3, 1, rt::ScriptedAction::Mouse::kDouble);
  backend.Check([&] {
    EXPECT_EQ(window->FloatedEditor(2), kEditor);
    EXPECT_EQ(browse.CURRENTCHOICE, 3);
  });
  TypeOdds("9");
  Key(rt::kKeyEnter);
  backend.Check([&] { EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, 3.25}, {3, 9.0}})); });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, DeleteAsksAndRemovesTheRowWithoutEditing) {
  Open(3);
  HighlightRow(2);
  backend.AnswerNextMessageBox(rt::kButtonNo);
  backend.Click(kDelete);
  backend.Check([&] {
    EXPECT_EQ(Stored().size(), 3u) << "No keeps the row";
    EXPECT_EQ(window->Shown().size(), 3u);
  });
  backend.AnswerNextMessageBox(rt::kButtonYes);
  backend.PressKey(kList, rt::kKeyDelete);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {3, Odds(3)}}));
    EXPECT_EQ(window->Shown(), (Rows{{1, Odds(1)}, {3, Odds(3)}}));
    EXPECT_EQ(window->win->Find(kEditor), nullptr) << "a delete makes no entry";
  });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, EscAbandonsTheRowAndGivesTheReservedNumberBack) {
  Open(3);
  backend.Click(kInsert);
  backend.Check([&] { EXPECT_EQ(Stored().size(), 3u) << "a reserved row is no other reader's"; });
  TypeOdds("7");
  Key(rt::kKeyEsc);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}}));
    EXPECT_EQ(window->Shown(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}}));
  });
  // Esc on a change leaves the record as it was.
  backend.Scroll(kList, rt::kEventScrollBottom);
  backend.Click(kChange);
  TypeOdds("5");
  Key(rt::kKeyEsc);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}}));
    EXPECT_EQ(window->Shown()[2], (std::pair<int, double>{3, Odds(3)}));
  });
  // The released number is the next one given.
  backend.Click(kInsert);
  TypeOdds("1.5");
  Key(rt::kKeyEnter);
  backend.Check([&] { EXPECT_EQ(Stored().back(), (std::pair<int, double>{4, 1.5})); });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, OddsTheColumnCannotTakeAreRefusedAndTheRowStaysInEdit) {
  Open(2);
  backend.Click(kInsert);
  for (const char* bad : {"abc", "-1", "123.456"}) {
    TypeOdds(bad);
    Key(rt::kKeyEnter);
    backend.Check([&, bad] {
      EXPECT_EQ(window->FloatedEditor(2), kEditor) << bad;
      EXPECT_EQ(window->win->Find(kEditor)->shown_text(), bad) << "the user's text stays";
      EXPECT_EQ(window->Shown()[1], (std::pair<int, double>{3, 0.0})) << bad;
    });
  }
  // Leaving with Tab or Down refuses it as well.
  Key(rt::kKeyTab);
  Key(rt::kKeyDown);
  backend.Check([&] {
    EXPECT_EQ(backend.Beeps(), 5);
    EXPECT_EQ(window->FloatedEditor(2), kEditor);
    EXPECT_EQ(window->navigation, 0);
  });
  TypeOdds("2");
  Key(rt::kKeyEnter);
  backend.Check([&] { EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, 2.0}})); });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, DownSavesAndGoesOnWithTheNextRow) {
  Open(4);
  backend.Click(kChange);
  TypeOdds("4");
  Key(rt::kKeyDown);
  backend.Check([&] {
    EXPECT_EQ(Stored()[0], (std::pair<int, double>{1, 4.0}));
    EXPECT_EQ(browse.CURRENTCHOICE, 2) << "the next row is in edit";
    EXPECT_EQ(window->Selected(), 2);
    EXPECT_EQ(window->FloatedEditor(2), kEditor);
    EXPECT_EQ(window->win->Find(kEditor)->shown_text(), " 1.02");
  });
  // Unchanged: nothing is written, and the edit still moves on.
  Key(rt::kKeyDown);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, 4.0}, {2, Odds(2)}, {3, Odds(3)}, {4, Odds(4)}}));
    EXPECT_EQ(browse.CURRENTCHOICE, 3);
  });
  TypeOdds("6");
  Key(rt::kKeyUp);
  backend.Check([&] {
    EXPECT_EQ(Stored()[2], (std::pair<int, double>{3, 6.0}));
    EXPECT_EQ(browse.CURRENTCHOICE, 2) << "Up goes on with the previous row";
  });
  Key(rt::kKeyEsc);
  backend.Check([&] {
    EXPECT_EQ(window->win->Find(kEditor), nullptr);
    EXPECT_EQ(window->navigation, 0);
    EXPECT_EQ(Stored(), (Rows{{1, 4.0}, {2, Odds(2)}, {3, 6.0}, {4, Odds(4)}}));
  });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, ArrowKeepsTheColumnOnlyWhenAskedTo) {
  Open(3);
  window->number_read_only = false;  // both columns editable: the number gets an entry too
  constexpr int kNumberEditor = kFirstEditor;
  constexpr int kOddsEditor = kFirstEditor + 1;
  backend.Click(kChange);
  backend.Check([&] { EXPECT_EQ(window->FloatedEditor(1), kNumberEditor); });
  backend.PressKey(kNumberEditor, rt::kKeyTab);
  backend.Check([&] {
    EXPECT_EQ(window->FloatedEditor(1), 0);
    EXPECT_EQ(window->FloatedEditor(2), kOddsEditor);
  });
  backend.Type(kOddsEditor, "2", false);
  backend.PressKey(kOddsEditor, rt::kKeyDown);
  backend.Check([&] {
    EXPECT_EQ(Stored()[0], (std::pair<int, double>{1, 2.0}));
    EXPECT_EQ(window->FloatedEditor(2), kOddsEditor) << "ARROWACTION 24 keeps the column";
    browse.ARROWACTION = 0x08;
  });
  backend.PressKey(kOddsEditor, rt::kKeyDown);
  backend.Check([&] {
    EXPECT_EQ(browse.CURRENTCHOICE, 3);
    EXPECT_EQ(window->FloatedEditor(1), kNumberEditor) << "without bit 0x10: the first column";
  });
  // Shift+Tab on the first column leaves the entry where it is.
  backend.PressKey(kNumberEditor, rt::kKeyShiftTab);
  backend.Check([&] { EXPECT_EQ(window->FloatedEditor(1), kNumberEditor); });
  backend.PressKey(kNumberEditor, rt::kKeyEsc);
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, WithNoEditableColumnTheEditDoesNotStart) {
  Open(3);
  // The number column is read-only already; the odds column becomes read-only too.
  window->configure = [this](EipTestWindow&) { browse.AttachEditor(nullptr, 2, 0); };
  backend.Click(kInsert);
  backend.Click(kChange);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}}))
        << "the reserved number went back";
    EXPECT_EQ(window->Shown(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, Odds(3)}}));
    EXPECT_EQ(window->win->Find(kEditor), nullptr);
    EXPECT_EQ(window->win->PropertyInt(kList, rt::kPropAlertKey, 252), rt::kMouseLeftDouble);
  });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, AFailedSaveKeepsTheRowInEditWithTheRecordBufferAsItWas) {
  Open(3);
  HighlightRow(2);
  backend.Click(kChange);
  TypeOdds("5");
  backend.Check([&] {
    // Another copy of the program changes the same record meanwhile.
    OddsRec r{2, 0};
    rt::KeyedFile other(*decl, &r);
    ASSERT_EQ(other.Open(), 0);
    ASSERT_EQ(other.Get(decl->Key(0)), 0);
    r.kf = 7;
    ASSERT_EQ(other.Put(), 0);
  });
  backend.AnswerNextMessageBox(rt::kButtonOk);
  Key(rt::kKeyEnter);
  backend.Check([&] {
    ASSERT_EQ(backend.MessageBoxes().size(), 1u);
    EXPECT_EQ(Stored()[1], (std::pair<int, double>{2, 7.0})) << "the other copy's change stands";
    EXPECT_EQ(window->FloatedEditor(2), kEditor) << "the row stays in edit";
    const double buffered = rec.kf;
    EXPECT_EQ(buffered, Odds(2)) << "the record buffer is put back";
  });
  Key(rt::kKeyEsc);
  backend.Check([&] { EXPECT_EQ(window->Shown()[1], (std::pair<int, double>{2, 7.0})); });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, TabOnTheLastColumnAsksToSaveAChangedRow) {
  Open(3);
  HighlightRow(2);
  // Unchanged: abandoned without a question.
  backend.Click(kChange);
  Key(rt::kKeyTab);
  backend.Check([&] {
    EXPECT_TRUE(backend.MessageBoxes().empty());
    EXPECT_EQ(window->win->Find(kEditor), nullptr);
  });
  // Changed: message 35. Cancel stays in the row, No abandons.
  backend.Click(kChange);
  TypeOdds("8");
  backend.AnswerNextMessageBox(rt::kButtonCancel);
  Key(rt::kKeyTab);
  backend.Check([&] {
    ASSERT_EQ(backend.MessageBoxes().size(), 1u);
    const rt::MessageBoxRequest& box = backend.MessageBoxes()[0].request;
    EXPECT_EQ(box.caption, "Save Record");
    EXPECT_EQ(box.text, "Do you want to save the changes to this record?");
    EXPECT_EQ(box.buttons, rt::kButtonsYesNoCancel);
    EXPECT_EQ(box.default_button, rt::kButtonYes);
    EXPECT_EQ(window->FloatedEditor(2), kEditor) << "Cancel keeps the row in edit";
    EXPECT_EQ(window->Shown()[1], (std::pair<int, double>{2, 8.0}));
  });
  backend.AnswerNextMessageBox(rt::kButtonNo);
  Key(rt::kKeyTab);
  backend.Check([&] {
    EXPECT_EQ(Stored()[1], (std::pair<int, double>{2, Odds(2)}));
    EXPECT_EQ(window->Shown()[1], (std::pair<int, double>{2, Odds(2)})) << "the list reloads";
  });
  // Yes saves.
  backend.Click(kChange);
  TypeOdds("8");
  backend.AnswerNextMessageBox(rt::kButtonYes);
  Key(rt::kKeyTab);
  backend.Check([&] { EXPECT_EQ(Stored()[1], (std::pair<int, double>{2, 8.0})); });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, ClickingAnotherRowCompletesTheRowOrComesBack) {
  Open(4);
  window->configure = [this](EipTestWindow&) { browse.FOCUSLOSSACTION = 3; };
  backend.Click(kChange);
  TypeOdds("5");
  backend.AnswerNextMessageBox(rt::kButtonCancel);
  backend.ClickRow(kList, 3);
  backend.Check([&] {
    EXPECT_EQ(window->Selected(), 1) << "the selection returns to the row in edit";
    EXPECT_EQ(window->FloatedEditor(2), kEditor);
    EXPECT_EQ(Stored()[0], (std::pair<int, double>{1, Odds(1)}));
  });
  backend.AnswerNextMessageBox(rt::kButtonYes);
  backend.ClickRow(kList, 3);
  backend.Check([&] {
    EXPECT_EQ(Stored()[0], (std::pair<int, double>{1, 5.0}));
    EXPECT_EQ(window->win->Find(kEditor), nullptr);
  });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, PressingAnotherButtonSavesTheRowThenThePressGoesThrough) {
  Open(2);
  backend.Click(kInsert);
  TypeOdds("1.9");
  backend.Click(kOther);
  backend.Check([&] {
    EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, Odds(2)}, {3, 1.9}}));
    ASSERT_FALSE(window->accepted.empty());
    EXPECT_EQ(window->accepted.back(), kOther) << "the press is handled after the edit";
  });
  window->Execute();
}

TEST_F(RowInPlaceEditorTest, ClosingTheWindowDuringAnInsertLeavesNoRecordBehind) {
  Open(2);
  window->configure = [this](EipTestWindow&) { browse.FOCUSLOSSACTION = 3; };
  backend.Click(kInsert);
  TypeOdds("4");
  backend.AnswerNextMessageBox(rt::kButtonCancel);
  backend.CloseWindow();
  window->Execute();
  EXPECT_FALSE(window->win->IsOpen()) << "the close goes through after the edit";
  EXPECT_EQ(Stored(), (Rows{{1, Odds(1)}, {2, Odds(2)}}));
}

}  // namespace
}  // namespace fw::eiptest
