#include "app/calculator_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/calculator_test_fixture.h"
#include "app/program.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app {
namespace {

using Rows = std::vector<std::pair<int, double>>;

using test::kOddsEditor;

// The program in a fresh working folder of its own, driven through the headless backend.
class CalculatorWindowTest : public test::CalculatorTest {
 protected:
  static void StoreRows(const std::vector<double>& odds) { StoreOdds(odds); }
  // Another copy holds row nn through its own handle of the file.
  static void HoldRow(rt::KeyedFile& other, OddsRecord& rec, uint8_t nn) {
    ASSERT_EQ(other.Open(), 0);
    rec.nn = nn;
    ASSERT_EQ(other.Hold(), 0);
    ASSERT_EQ(other.Get(OddsNnKey()), 0);
  }

  void Run() {
    StartupOptions options;
    options.window_procedure = CalculatorWindowProcedure;
    EXPECT_EQ(RunProgram(options), 0);
  }

  // What the open window shows; only inside a scripted check.
  static std::string Shown(int control) { return W().Find(control)->shown_text(); }
  // The list as the user reads it: "number|odds" per row.
  static std::vector<std::string> ListShown() {
    std::vector<std::string> out;
    for (size_t r = 1; r <= W().ListRowCount(kOddsList); ++r) {
      out.push_back(W().CellText(kOddsList, r, 1) + "|" + W().CellText(kOddsList, r, 2));
    }
    return out;
  }

  void Calculate(const std::string& n, const std::string& k, const std::string& stake) {
    backend().Type(kEventCountEntry, n);
    backend().Type(kSystemSizeSpin, k);
    // Left in the entry: the press completes it first.
    backend().Type(kStakeEntry, stake, /*leave=*/false);
    backend().Click(kCalculateButton);
  }
  void ExpectResults(const std::string& count, const std::string& total) {
    backend().Check([=] {
      EXPECT_EQ(Shown(kVariantCountShown), count);
      EXPECT_EQ(Shown(kTotalReturnShown), total);
      EXPECT_EQ(W().focus(), kOddsList);
    });
  }
};

TEST_F(CalculatorWindowTest, FirstStartInAnEmptyFolderCreatesTheFileAndShowsAnEmptyList) {
  EXPECT_FALSE(std::filesystem::exists("kf"));
  backend().Check([] {
    EXPECT_TRUE(std::filesystem::exists("kf"));
    EXPECT_EQ(W().label(), "P1$WINDOW");
    EXPECT_EQ(W().ListRowCount(kOddsList), 0u);
    // On opening the focus is on the list, not on the first button.
    EXPECT_EQ(W().focus(), kOddsList);
    EXPECT_EQ(Shown(kEventCountEntry), "  0");
    EXPECT_EQ(Shown(kVariantCountShown), "     0");
    EXPECT_EQ(Shown(kTotalReturnShown), "      0.00");
  });
  backend().CloseWindow();
  Run();
  EXPECT_TRUE(Stored().empty());
  EXPECT_EQ(Globals().last_window_response, 2) << "closed without a response: cancelled";
}

TEST_F(CalculatorWindowTest, CalculateShowsTheWorkedExampleFromTheTableAndRepeatsIt) {
  StoreOdds({1.5, 2.0, 3.0});
  const std::vector<std::string> list = {"  1| 1.50", "  2| 2.00", "  3| 3.00"};
  backend().Check([&] { EXPECT_EQ(ListShown(), list); });
  Calculate("3", "2", "10");
  ExpectResults("     3", "    135.00");
  // The list and the table are as they were; a second press gives the same, not the sum.
  backend().Check([&] { EXPECT_EQ(ListShown(), list); });
  backend().Click(kCalculateButton);
  ExpectResults("     3", "    135.00");
  // n past the rows: the variants with a missing event count but add nothing.
  Calculate("5", "2", "10");
  ExpectResults("    10", "    135.00");
  // Only the first n rows take part.
  Calculate("2", "2", "10");
  ExpectResults("     1", "     30.00");
  // k = 1, which the spin box allows, is n singles; k > n gives no variants.
  Calculate("3", "1", "10");
  ExpectResults("     3", "     65.00");
  Calculate("2", "3", "10");
  ExpectResults("     0", "      0.00");
  backend().Check([&] { EXPECT_EQ(ListShown(), list); });
  backend().CloseWindow();
  Run();
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
  EXPECT_TRUE(backend().MessageBoxes().empty());
}

TEST_F(CalculatorWindowTest, ResultsOfAnySizeAreShownInFullAndTheWindowMakesRoomForThem) {
  StoreOdds({3.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0});
  // The headless backend measures 4 units a character: the window's width follows exactly.
  auto width_is = [this](int expected) {
    backend().Check([expected] { EXPECT_EQ(W().width(), expected); });
  };
  struct Case {
    const char* n;
    const char* k;
    const char* stake;
    const char* count;
    const char* total;
    int width;  // 210, or the longer result's x + 4 units a character + 4
  };
  const Case cases[] = {
      {"9", "2", "1", "    36", "    324.00", kCalculatorWidth},
      // Ten events at 3.00, "5 из 10", 1000 on each: an ordinary stake in roubles.
      {"10", "5", "1000", "   252", "61236000.00", kCalculatorWidth},
      // Past the 16-bit count and past the ten characters of the total's old picture.
      {"10", "9", "9999.99", "    10", "1968298031.70", kCalculatorWidth},
      {"60", "9", "1", "14783142660", " 196830.00", kCalculatorWidth},
      // 22 digits from x 141: 141 + 88 + 4.
      {"999", "9", "1", "2634095604619702128324", " 196830.00", 233},
      // Back to short results: the window takes its own width again.
      {"3", "2", "1", "     3", "     27.00", kCalculatorWidth},
  };
  for (const Case& c : cases) {
    Calculate(c.n, c.k, c.stake);
    ExpectResults(c.count, c.total);
    width_is(c.width);
  }
  backend().CloseWindow();
  Run();
}

TEST_F(CalculatorWindowTest, ATotalWiderThanTheCountWidensTheWindowByItsOwnLength) {
  // 250 rows at 99.99, nine at a time, 9999.99 on each: 38 digits before the point.
  std::vector<double> odds(250, 99.99);
  StoreRows(odds);
  Calculate("250", "9", "9999.99");
  backend().Check([] {
    const std::string total = Shown(kTotalReturnShown);
    EXPECT_EQ(total.size(), 41u) << total;
    EXPECT_EQ(total.find_first_not_of("0123456789."), std::string::npos) << total;
    EXPECT_EQ(total.substr(total.size() - 3, 1), ".");
    EXPECT_EQ(W().width(), W().Find(kTotalReturnShown)->x() + 41 * 4 + 4);
  });
  backend().CloseWindow();
  Run();
}

TEST_F(CalculatorWindowTest, AtStartNIsTheRowCountAndSizeOneIsNSingles) {
  StoreOdds({1.5, 2.0, 3.0, 1.85});
  backend().Check([] { EXPECT_EQ(Shown(kEventCountEntry), "  4"); });
  // Four events "по 1", 100 on each: n is already the table's, only k and the stake are typed.
  backend().Type(kSystemSizeSpin, "1");
  backend().Type(kStakeEntry, "100", /*leave=*/false);
  backend().Click(kCalculateButton);
  ExpectResults("     4", "    835.00");
  backend().CloseWindow();
  Run();
  EXPECT_TRUE(backend().MessageBoxes().empty());
}

TEST_F(CalculatorWindowTest, ARightClickMenuDismissedOnceStaysClosedOnAnyRow) {
  StoreOdds({1.5, 2.0, 3.0});
  // On another row than the highlighted one, then on the highlighted one.
  size_t clicks = 0;
  for (size_t row : {2u, 3u, 3u, 1u}) {
    backend().ChooseNextPopupItem(0);  // Esc
    backend().ClickRow(kOddsList, row, 2, rt::ScriptedAction::Mouse::kRight);
    backend().Check([this, row, shown = ++clicks] {
      EXPECT_EQ(W().Find(kOddsList)->selected(), row);
      EXPECT_EQ(backend().Popups().size(), shown) << "the menu opened again after Esc";
    });
  }
  // What the window does next (a click, a calculation, keys) opens no menu either.
  backend().ClickRow(kOddsList, 2);
  backend().PressKey(kOddsList, rt::kKeyDown);
  Calculate("3", "2", "10");
  ExpectResults("     3", "    135.00");
  backend().CloseWindow();
  Run();
  EXPECT_EQ(backend().Popups().size(), 4u) << "one menu per right click";
  EXPECT_TRUE(backend().UnansweredPopups().empty());
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
}

TEST_F(CalculatorWindowTest, RowNumbersShowInFullUpTo255) {
  StoreRows(std::vector<double>(255, 1.25));
  backend().Check([] { EXPECT_EQ(W().CellText(kOddsList, 1, 1), "  1"); });
  backend().PressKey(kOddsList, rt::kKeyCtrlEnd);
  backend().Check([] {
    const size_t rows = W().ListRowCount(kOddsList);
    ASSERT_GT(rows, 1u);
    EXPECT_EQ(W().CellText(kOddsList, rows, 1), "255");
    EXPECT_EQ(W().CellText(kOddsList, rows - 1, 1), "254");
    EXPECT_EQ(Shown(kEventCountEntry), "255");
  });
  backend().CloseWindow();
  Run();
}

TEST_F(CalculatorWindowTest, ClearOnAnEmptyTableChangesNothingAndKeepsTheFocusOnTheList) {
  backend().Type(kEventCountEntry, "4");
  backend().Click(kClearButton);
  backend().Check([] {
    EXPECT_EQ(W().ListRowCount(kOddsList), 0u);
    EXPECT_EQ(Shown(kEventCountEntry), "  4");
    EXPECT_EQ(W().focus(), kOddsList);
  });
  backend().CloseWindow();
  Run();
  EXPECT_TRUE(Stored().empty());
  EXPECT_TRUE(backend().MessageBoxes().empty()) << "no question, no message";
}

TEST_F(CalculatorWindowTest, ClearEmptiesTheTableWithoutAskingAndTheListFollows) {
  StoreOdds({1.5, 2.0, 3.0, 4.0});
  backend().Check([] { EXPECT_EQ(W().ListRowCount(kOddsList), 4u); });
  backend().Click(kClearButton);
  backend().Check([this] {
    EXPECT_TRUE(Stored().empty());
    EXPECT_EQ(W().ListRowCount(kOddsList), 0u);
    EXPECT_EQ(Shown(kEventCountEntry), "  0");
    EXPECT_EQ(W().focus(), kOddsList);
  });
  // What was cleared no longer counts.
  Calculate("2", "2", "10");
  ExpectResults("     1", "      0.00");
  backend().CloseWindow();
  Run();
  EXPECT_TRUE(Stored().empty());
  EXPECT_TRUE(backend().MessageBoxes().empty());
}

TEST_F(CalculatorWindowTest, RowsAddedChangedAndDeletedThroughTheListSetN) {
  backend().Click(kInsertButton);
  backend().Type(kOddsEditor, "1.5", /*leave=*/false);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  backend().Check([this] {
    EXPECT_EQ(Stored(), (Rows{{1, 1.5}}));
    EXPECT_EQ(Shown(kEventCountEntry), "  1");
  });
  backend().PressKey(kOddsList, rt::kKeyInsert);
  backend().Type(kOddsEditor, "2", /*leave=*/false);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  backend().Check([this] {
    EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}}));
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"  1| 1.50", "  2| 2.00"}));
    EXPECT_EQ(Shown(kEventCountEntry), "  2");
  });
  // The count n is already right: only k and the stake are typed.
  backend().Type(kSystemSizeSpin, "2");
  backend().Type(kStakeEntry, "10", false);
  backend().Click(kCalculateButton);
  ExpectResults("     1", "     30.00");

  // The user overwrites n; a delete through the list puts the row count back.
  backend().Type(kEventCountEntry, "7");
  backend().ClickRow(kOddsList, 1);
  backend().AnswerNextMessageBox(rt::kButtonYes);
  backend().Click(kDeleteButton);
  backend().Check([this] {
    EXPECT_EQ(Stored(), (Rows{{2, 2.0}}));
    EXPECT_EQ(Shown(kEventCountEntry), "  1");
  });
  backend().CloseWindow();
  Run();
}

TEST_F(CalculatorWindowTest, OddsCellTakesOddsAsBettorsWriteThemAndRefusesTheRest) {
  struct Case {
    const char* typed;
    double stored;  // 0: refused, the row stays in edit
    const char* shown;
  };
  const Case cases[] = {
      {"5/2", 3.5, " 3.50"},   {"1/1", 2.0, " 2.00"},  {"evens", 2.0, " 2.00"},
      {" EVS ", 2.0, " 2.00"}, {"+150", 2.5, " 2.50"}, {"-200", 1.5, " 1.50"},
      {"2,75", 2.75, " 2.75"}, {"1.5", 1.5, " 1.50"},  {"100/30", 4.33, " 4.33"},
      {"abc", 0, ""},          {"5/0", 0, ""},         {"+50", 0, ""},
      {"0.5", 0, ""},          {"2/", 0, ""},          {"1.5.5", 0, ""},
      // 101.00 is more than the cell can show.
      {"+10000", 0, ""},
  };
  // The beeps before each Enter; the checks run when the script is played, after this loop.
  std::vector<int> beeps(std::size(cases));
  Rows expected;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    backend().PressKey(kOddsList, rt::kKeyInsert);
    backend().Type(kOddsEditor, c.typed, /*leave=*/false);
    backend().Check([this, &beeps, i] { beeps[i] = backend().Beeps(); });
    backend().PressKey(kOddsEditor, rt::kKeyEnter);
    if (c.stored != 0) expected.emplace_back(static_cast<int>(expected.size()) + 1, c.stored);
    backend().Check([this, &c, &beeps, i, expected] {
      EXPECT_EQ(Stored(), expected) << c.typed;
      if (c.stored != 0) {
        EXPECT_EQ(W().CellText(kOddsList, expected.size(), 2), c.shown) << c.typed;
        EXPECT_EQ(backend().Beeps(), beeps[i]) << c.typed;
      } else {
        EXPECT_EQ(backend().Beeps(), beeps[i] + 1) << c.typed;
        EXPECT_EQ(W().focus(), kOddsEditor) << c.typed << ": the row stays in edit";
      }
    });
    if (c.stored == 0) backend().PressKey(kOddsEditor, rt::kKeyEsc);
  }
  backend().CloseWindow();
  Run();
  EXPECT_TRUE(backend().UnansweredBoxes().empty());
}

TEST_F(CalculatorWindowTest, HelpAndInformationButtonsShowTheirMessages) {
  StoreOdds({1.5});
  backend().Click(kHelpButton);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().Click(kAboutButton);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().CloseWindow();
  Run();
  ASSERT_EQ(backend().MessageBoxes().size(), 2u);
  const rt::MessageBoxRequest& help = backend().MessageBoxes()[0].request;
  EXPECT_EQ(help.caption, " Управление");
  EXPECT_EQ(help.text,
            "  Введите сыгранные коэффициенты,|  укажите кол-во событий|  в одном экспрессе,|"
            "  задайте сумму на 1 вариант|  и нажмите - Расчет.||  \xD0\xA1 - очистить таблицу|"
            "  + (Insert) - добавить новую запись|  ? (Enter) - изменить запись|"
            "  - (Delete) - удалить запись");
  EXPECT_EQ(rt::ParseStandardIconRef(help.icon), rt::kIconInformation);
  EXPECT_EQ(help.buttons, rt::kButtonOk);
  const rt::MessageBoxRequest& about = backend().MessageBoxes()[1].request;
  EXPECT_EQ(about.caption, " О программе");
  EXPECT_NE(about.text.find("Калькулятор системных ставок"), std::string::npos);
  EXPECT_NE(about.text.find("||  Данные: файл kf."), std::string::npos) << about.text;
  EXPECT_EQ(rt::ParseStandardIconRef(about.icon), rt::kIconInformation);
  EXPECT_EQ(about.buttons, rt::kButtonOk);
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}}));
}

TEST_F(CalculatorWindowTest, ARowAnotherCopyHoldsStopsTheCalculationWithAMessage) {
  StoreOdds({1.5, 2.0, 3.0});
  OddsRecord other_rec{};
  rt::KeyedFile other(OddsDeclaration(), &other_rec);
  backend().Check([&] { HoldRow(other, other_rec, 2); });
  Calculate("3", "2", "10");
  backend().AnswerNextMessageBox(rt::kButtonOk);
  // Without row 2 the total would be 45.00, a wrong answer: none is given.
  ExpectResults("      ", "          ");
  backend().Check([&] {
    ASSERT_EQ(backend().MessageBoxes().size(), 1u);
    EXPECT_EQ(backend().MessageBoxes()[0].request.caption, "Запись не прочитана");
    EXPECT_NE(backend().MessageBoxes()[0].request.text.find("kf"), std::string::npos);
    EXPECT_EQ(other.Release(), 0);
  });
  // Once the other copy lets the row go, the same press gives the answer.
  backend().Click(kCalculateButton);
  ExpectResults("     3", "    135.00");
  backend().CloseWindow();
  Run();
  EXPECT_EQ(backend().MessageBoxes().size(), 1u);
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
}

// Changing a row: the "?" button, Enter and Ctrl+Enter on the list and a double click all put
// the entry over the highlighted row's odds; the Delete key deletes it after asking.
struct RowAction {
  const char* name;
  std::function<void(rt::HeadlessBackend&)> act;  // on row 2, which is highlighted
};

class CalculatorRowActionTest : public CalculatorWindowTest,
                                public ::testing::WithParamInterface<RowAction> {};

TEST_P(CalculatorRowActionTest, ChangesTheHighlightedRowInTheList) {
  StoreOdds({1.5, 2.0, 3.0});
  backend().ClickRow(kOddsList, 2);
  GetParam().act(backend());
  backend().Check([] {
    EXPECT_EQ(W().PropertyInt(kOddsList, rt::kPropSelected), 2);
    EXPECT_EQ(W().PropertyInt(kOddsList, rt::kPropColumnEditor, 2), kOddsEditor);
    EXPECT_EQ(W().focus(), kOddsEditor);
  });
  backend().Type(kOddsEditor, "4", /*leave=*/false);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  backend().Check([this] {
    EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 4.0}, {3, 3.0}}));
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"  1| 1.50", "  2| 4.00", "  3| 3.00"}));
    EXPECT_EQ(Shown(kEventCountEntry), "  3");
  });
  backend().CloseWindow();
  Run();
  EXPECT_TRUE(backend().MessageBoxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CalculatorRowActionTest,
    ::testing::Values(
        RowAction{"QuestionButton", [](rt::HeadlessBackend& b) { b.Click(kChangeButton); }},
        RowAction{"Enter", [](rt::HeadlessBackend& b) { b.PressKey(kOddsList, rt::kKeyEnter); }},
        RowAction{"CtrlEnter",
                  [](rt::HeadlessBackend& b) { b.PressKey(kOddsList, rt::kKeyCtrlEnter); }},
        RowAction{"DoubleClick",
                  [](rt::HeadlessBackend& b) {
                    b.ClickRow(kOddsList, 2, 2, rt::ScriptedAction::Mouse::kDouble);
                  }}),
    [](const ::testing::TestParamInfo<RowAction>& info) { return info.param.name; });

TEST_F(CalculatorWindowTest, TheDeleteKeyDeletesTheHighlightedRowAfterAsking) {
  StoreOdds({1.5, 2.0, 3.0});
  backend().ClickRow(kOddsList, 2);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  backend().PressKey(kOddsList, rt::kKeyDelete);
  backend().Check([this] { EXPECT_EQ(Stored().size(), 3u) << "No keeps the row"; });
  backend().AnswerNextMessageBox(rt::kButtonYes);
  backend().PressKey(kOddsList, rt::kKeyDelete);
  backend().Check([this] {
    EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {3, 3.0}}));
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"  1| 1.50", "  3| 3.00"}));
    EXPECT_EQ(Shown(kEventCountEntry), "  2");
  });
  backend().CloseWindow();
  Run();
  EXPECT_EQ(backend().MessageBoxes().size(), 2u);
}

// A row another copy holds is shown but cannot be changed meanwhile: the user is told why,
// nothing is written, and once it is let go the same change goes through.
TEST_F(CalculatorWindowTest, ARowAnotherCopyHoldsSaysSoWhenChanged) {
  StoreOdds({1.5, 2.0, 3.0});
  OddsRecord other_rec{};
  rt::KeyedFile other(OddsDeclaration(), &other_rec);
  backend().Check([&] { HoldRow(other, other_rec, 2); });
  backend().ClickRow(kOddsList, 2);
  backend().Click(kChangeButton);
  backend().Type(kOddsEditor, "4", /*leave=*/false);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  backend().Check([&] {
    ASSERT_EQ(backend().MessageBoxes().size(), 1u);
    EXPECT_NE(backend().MessageBoxes()[0].request.text.find("Запись занята другой станцией"),
              std::string::npos)
        << backend().MessageBoxes()[0].request.text;
    EXPECT_EQ(W().PropertyInt(kOddsList, rt::kPropColumnEditor, 2), kOddsEditor)
        << "the row stays in edit";
    EXPECT_EQ(other.Release(), 0);
  });
  backend().PressKey(kOddsEditor, rt::kKeyEsc);
  backend().Click(kChangeButton);
  backend().Type(kOddsEditor, "4", /*leave=*/false);
  backend().PressKey(kOddsEditor, rt::kKeyEnter);
  backend().CloseWindow();
  Run();
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 4.0}, {3, 3.0}}));
  EXPECT_EQ(backend().MessageBoxes().size(), 1u);
}

// Another copy holds row 2 while "С" is pressed: every other row goes, that one stays in the
// table and in the list, shown marked, and no message interrupts the user.
TEST_F(CalculatorWindowTest, ClearPassesOverARowAnotherCopyHolds) {
  StoreOdds({1.5, 2.0, 3.0});
  OddsRecord other_rec{};
  rt::KeyedFile other(OddsDeclaration(), &other_rec);
  backend().Check([&] { HoldRow(other, other_rec, 2); });
  backend().Click(kClearButton);
  backend().Check([&] {
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"  2| 2.00"}));
    EXPECT_TRUE(W().RowMarked(kOddsList, 1)) << "shown marked while the other copy holds it";
    EXPECT_EQ(Shown(kEventCountEntry), "  1");
    EXPECT_EQ(W().focus(), kOddsList);
    EXPECT_EQ(other.Release(), 0);
  });
  backend().CloseWindow();
  Run();
  EXPECT_EQ(Stored(), (Rows{{2, 2.0}}));
  EXPECT_TRUE(backend().MessageBoxes().empty());
}

}  // namespace
}  // namespace app
