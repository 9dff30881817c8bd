// The analysis window end to end on the headless backend: the rows with their outcomes, keys in
// both layouts, the figures, the needs chart and its sentence, over real files.
#include "app/analysis_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/analysis_opener.h"
#include "app/analysis_sizes.h"
#include "app/analysis_window_resource.h"
#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/odds_test_support.h"
#include "app/outcome_file.h"
#include "app/program.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app {
namespace {

TEST(AnalysisKeysTest, BothLayoutsAndBothCasesSetTheFourOutcomes) {
  struct Case {
    char32_t key;
    bool known;
    Outcome outcome;
  };
  const Case cases[] = {
      {U'В', true, Outcome::kWon},      {U'в', true, Outcome::kWon},
      {U'd', true, Outcome::kWon},      {U'D', true, Outcome::kWon},
      {U'П', true, Outcome::kLost},     {U'g', true, Outcome::kLost},
      {U'р', true, Outcome::kRefund},   {U'H', true, Outcome::kRefund},
      {U'Н', true, Outcome::kPending},  {U'y', true, Outcome::kPending},
      {U'x', false, Outcome::kPending}, {U'1', false, Outcome::kPending},
  };
  for (const Case& c : cases) {
    bool known = !c.known;
    EXPECT_EQ(OutcomeForKey(c.key, &known), c.outcome) << static_cast<uint32_t>(c.key);
    EXPECT_EQ(known, c.known) << static_cast<uint32_t>(c.key);
  }
}

class AnalysisWindowTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    testing::StoreOdds({2.0, 3.0, 4.0});
  }
  void TearDown() override {
    std::filesystem::current_path(home_);
    HeadlessTest::TearDown();
  }
  void Run(int n, int k, double stake) {
    StartupOptions options;
    options.window_procedure = [=] { AnalysisWindowProcedure(n, k, stake); };
    EXPECT_EQ(RunProgram(options), 0);
  }
  static rt::Window& W() {
    rt::Window* w = rt::TargetWindow();
    EXPECT_NE(w, nullptr);
    return *w;
  }
  static std::string Shown(int control) { return W().Find(control)->shown_text(); }
  static std::vector<std::string> RowsShown() {
    std::vector<std::string> out;
    for (size_t r = 1; r <= W().ListRowCount(kAnRowsList); ++r) {
      out.push_back(W().CellText(kAnRowsList, r, 1) + "|" + W().CellText(kAnRowsList, r, 2) +
                    "|" + W().CellText(kAnRowsList, r, 3));
    }
    return out;
  }
  static std::vector<std::string> Figures() {
    std::vector<std::string> out;
    for (int c : {kAnVariantsShown, kAnTotalStakeShown, kAnSettledShown, kAnAllWinShown,
                  kAnAllLoseShown, kAnSentenceShown}) {
      out.push_back(Shown(c));
    }
    return out;
  }
  // The outcome file as stored: "row:outcome".
  static std::vector<std::string> StoredOutcomes() {
    OutcomeRecord rec{};
    rt::KeyedFile file(OutcomeDeclaration(), &rec);
    std::vector<std::string> out;
    if (file.Open(rt::KeyedFile::kReadOnly) != 0) return out;
    file.Set(&OutcomeNnKey());
    while (file.Next() == 0) out.push_back(std::to_string(rec.nn) + ":" + std::to_string(rec.res));
    return out;
  }

  rt::TempFolder folder_;
  std::filesystem::path home_;
};

TEST_F(AnalysisWindowTest, OutcomeKeysSettleTheSystemAndTheChartFollows) {
  backend().Check([] {
    EXPECT_EQ(W().caption(), "Анализ системы");
    EXPECT_EQ(RowsShown(), (std::vector<std::string>{"  1|   2.00|не рассчитано",
                                                     "  2|   3.00|не рассчитано",
                                                     "  3|   4.00|не рассчитано"}));
    // 2 из 3 at 10: pairs 2*3 + 2*4 + 3*4 = 26, times 10.
    EXPECT_EQ(Figures(), (std::vector<std::string>{
                             "Вариантов: 3", "Общая ставка: 30.00",
                             "Рассчитано: 0.00, прибыль -30.00",
                             "Если все ожидающие выиграют: 260.00, прибыль 230.00",
                             "Если все ожидающие проиграют: 0.00, прибыль -30.00",
                             "Ставка возвращается при 2 выигравших из 3 — и в лучшем, и в "
                             "худшем случае."}));
    const rt::ChartData& chart = W().Find(kAnNeedsChart)->chart();
    ASSERT_EQ(chart.bars.size(), 4u);
    EXPECT_EQ(chart.bars[1], (rt::ChartBar{"1", 0.0, 0.0}));
    EXPECT_EQ(chart.bars[2], (rt::ChartBar{"2", 60.0, 120.0}));
    EXPECT_EQ(chart.bars[3], (rt::ChartBar{"3", 260.0, 260.0}));
    EXPECT_EQ(chart.level, 30.0);
  });
  // Row 1 won (Cyrillic), row 2 lost (its Latin place).
  backend().ClickRow(kAnRowsList, 1);
  backend().PressKey(kAnRowsList, 0, U'В');
  backend().ClickRow(kAnRowsList, 2);
  backend().PressKey(kAnRowsList, 0, U'g');
  backend().Check([] {
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"1:1", "2:2"}));
    EXPECT_EQ(W().CellText(kAnRowsList, 1, 3), "выигрыш");
    EXPECT_EQ(W().CellText(kAnRowsList, 2, 3), "проигрыш");
    // Only 1+3 is left open: 2 * 4 * 10 if row 3 wins.
    EXPECT_EQ(Shown(kAnAllWinShown), "Если все ожидающие выиграют: 80.00, прибыль 50.00");
    EXPECT_EQ(W().Find(kAnNeedsChart)->chart().bars.size(), 2u);
  });
  // The mouse: a right click on row 3 and "возврат" from the menu.
  backend().ChooseNextPopupItem(6);
  backend().ClickRow(kAnRowsList, 3, 1, rt::ScriptedAction::Mouse::kRight);
  backend().Check([this] {
    ASSERT_EQ(backend().Popups().size(), 1u);
    EXPECT_EQ(backend().Popups()[0].choices,
              (std::vector<std::string>{"+", "?", "--", "выигрыш", "проигрыш", "возврат",
                                        "не рассчитано"}));
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"1:1", "2:2", "3:3"}));
    EXPECT_EQ(W().CellText(kAnRowsList, 3, 3), "возврат");
    EXPECT_EQ(rt::Choice(kAnRowsList), 3u);
  });
  backend().ChooseNextPopupItem(7);
  backend().ClickRow(kAnRowsList, 3, 1, rt::ScriptedAction::Mouse::kRight);
  // Back to pending by "Н"'s Latin place: the record goes.
  backend().ClickRow(kAnRowsList, 2);
  backend().PressKey(kAnRowsList, 0, U'y');
  backend().Check([] { EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"1:1"})); });
  // A full cover fixes n and the sizes: a Trixie is 3 doubles and a treble.
  backend().Type(kAnSizesEntry, "Trixie");
  backend().Check([] {
    EXPECT_EQ(Shown(kAnVariantsShown), "Вариантов: 4");
    EXPECT_EQ(Shown(kAnEventsEntry), "  3");
  });
  // The same from the covers' menu: Yankee (the third) is 4 events, 11 bets.
  backend().ChooseNextPopupItem(3);
  backend().Click(kAnCoverButton);
  backend().Check([this] {
    EXPECT_EQ(backend().Popups().back().choices.size(), FullCovers().size());
    EXPECT_EQ(Shown(kAnSizesEntry), "Yankee");
    EXPECT_EQ(Shown(kAnVariantsShown), "Вариантов: 11");
    EXPECT_EQ(Shown(kAnEventsEntry), "  4");
  });
  backend().Type(kAnSizesEntry, "12");
  backend().Check([] {
    EXPECT_EQ(Shown(kAnVariantsShown), "");
    EXPECT_FALSE(Shown(kAnSentenceShown).empty()) << "why the sizes were refused";
    EXPECT_TRUE(W().Find(kAnNeedsChart)->chart().bars.empty());
  });
  backend().CloseWindow();
  Run(3, 2, 10.0);
}

// The editors edit in place makes over a row: the runtime numbers them above every control.
constexpr int kOddsCell = kAnDeleteButton + 1;
constexpr int kOutcomeDrop = kAnDeleteButton + 2;

TEST_F(AnalysisWindowTest, RowsAreEditedInPlaceTheOutcomeFromADropListOfTheFour) {
  auto dropped = [] { return W().Find(kAnRowsList)->column_editor(3); };
  // Enter on row 2 edits it from its odds; Tab goes on to the outcome: the four, the row's own
  // highlighted.
  backend().ClickRow(kAnRowsList, 2);
  backend().PressKey(kAnRowsList, rt::kKeyEnter);
  backend().Check([] {
    EXPECT_EQ(W().Find(kAnRowsList)->column_editor(2), kOddsCell);
    EXPECT_EQ(W().focus(), kOddsCell);
  });
  backend().PressKey(kOddsCell, rt::kKeyTab);
  backend().Check([&] {
    ASSERT_EQ(dropped(), kOutcomeDrop);
    EXPECT_EQ(W().focus(), kOutcomeDrop);
    std::vector<std::string> choices;
    for (size_t r = 1; r <= W().ListRowCount(kOutcomeDrop); ++r) {
      choices.push_back(W().CellText(kOutcomeDrop, r, 1));
    }
    EXPECT_EQ(choices, (std::vector<std::string>{"не рассчитано", "выигрыш", "проигрыш",
                                                 "возврат"}));
    EXPECT_EQ(rt::Choice(kOutcomeDrop), 1u);
  });
  // Two rows down is "проигрыш"; Enter saves the row.
  backend().PressKey(kOutcomeDrop, rt::kKeyDown);
  backend().PressKey(kOutcomeDrop, rt::kKeyDown);
  backend().PressKey(kOutcomeDrop, rt::kKeyEnter);
  backend().Check([&] {
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"2:2"}));
    EXPECT_EQ(W().CellText(kAnRowsList, 2, 3), "проигрыш");
    EXPECT_EQ(dropped(), 0);
    EXPECT_EQ(rt::Choice(kAnRowsList), 2u);
    // Row 2 lost: 2 * 4 * 10 is all that can come back.
    EXPECT_EQ(Shown(kAnAllWinShown), "Если все ожидающие выиграют: 80.00, прибыль 50.00");
  });
  // A double click on row 2's outcome: its own outcome highlighted; Up and Esc leave it.
  backend().ClickRow(kAnRowsList, 2, 3, rt::ScriptedAction::Mouse::kDouble);
  backend().Check([&] {
    EXPECT_EQ(dropped(), kOutcomeDrop);
    EXPECT_EQ(rt::Choice(kOutcomeDrop), 3u);
  });
  backend().PressKey(kOutcomeDrop, rt::kKeyUp);
  backend().PressKey(kOutcomeDrop, rt::kKeyEsc);
  backend().Check([&] {
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"2:2"}));
    EXPECT_EQ(W().CellText(kAnRowsList, 2, 3), "проигрыш");
    EXPECT_EQ(dropped(), 0);
  });
  // The mouse: a double click on row 3's outcome, a click on "возврат".
  backend().ClickRow(kAnRowsList, 3, 3, rt::ScriptedAction::Mouse::kDouble);
  backend().ClickRow(kOutcomeDrop, 4);
  backend().Check([&] {
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"2:2", "3:3"}));
    EXPECT_EQ(W().CellText(kAnRowsList, 3, 3), "возврат");
  });
  // "+": a new row, its odds as a bettor writes them, won.
  backend().Click(kAnInsertButton);
  backend().Type(kOddsCell, "5/2", /*leave=*/false);
  backend().PressKey(kOddsCell, rt::kKeyTab);
  backend().PressKey(kOutcomeDrop, rt::kKeyDown);
  backend().PressKey(kOutcomeDrop, rt::kKeyEnter);
  backend().Check([] {
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"2:2", "3:3", "4:1"}));
    EXPECT_EQ(RowsShown(), (std::vector<std::string>{"  1|   2.00|не рассчитано",
                                                     "  2|   3.00|проигрыш",
                                                     "  3|   4.00|возврат",
                                                     "  4|   3.50|выигрыш"}));
    EXPECT_EQ(Shown(kAnEventsEntry), "  4") << "n follows the rows, as in the calculator";
  });
  // A text that is no odds is refused with a beep, and the row stays in edit until Esc.
  int beeps = 0;
  backend().Check([&] { beeps = backend().Beeps(); });
  backend().Click(kAnInsertButton);
  backend().Type(kOddsCell, "5/0", /*leave=*/false);
  backend().PressKey(kOddsCell, rt::kKeyEnter);
  backend().Check([&] {
    EXPECT_EQ(backend().Beeps(), beeps + 1);
    EXPECT_EQ(W().focus(), kOddsCell);
  });
  backend().PressKey(kOddsCell, rt::kKeyEsc);
  // A new row given an outcome but no odds is not saved: it would count as 0.00.
  backend().Click(kAnInsertButton);
  backend().PressKey(kOddsCell, rt::kKeyTab);
  backend().PressKey(kOutcomeDrop, rt::kKeyDown);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().PressKey(kOutcomeDrop, rt::kKeyEnter);
  backend().Check([this] {
    ASSERT_NE(backend().LastMessageBox(), nullptr);
    EXPECT_NE(backend().LastMessageBox()->request.text.find("от 1.00 до 1000000.00"), std::string::npos)
        << backend().LastMessageBox()->request.text;
    EXPECT_EQ(W().ListRowCount(kAnRowsList), 5u) << "the row stays in edit";
  });
  backend().PressKey(0, rt::kKeyEsc);
  backend().Check([] {
    EXPECT_EQ(W().ListRowCount(kAnRowsList), 4u);
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"2:2", "3:3", "4:1"}));
  });
  // "--" on row 2: its outcome goes with it.
  backend().ClickRow(kAnRowsList, 2);
  backend().AnswerNextMessageBox(rt::kButtonYes);
  backend().Click(kAnDeleteButton);
  backend().Check([] {
    EXPECT_EQ(StoredOutcomes(), (std::vector<std::string>{"3:3", "4:1"}));
    EXPECT_EQ(W().ListRowCount(kAnRowsList), 3u);
    EXPECT_EQ(Shown(kAnEventsEntry), "  3");
    // 2 из 3 over 2.00, 4.00 refunded and 3.50 won: 2*1 + 2*3.5 + 1*3.5, row 1 still open.
    EXPECT_EQ(Shown(kAnAllWinShown), "Если все ожидающие выиграют: 125.00, прибыль 95.00");
  });
  backend().CloseWindow();
  Run(3, 2, 10.0);
}

TEST_F(AnalysisWindowTest, RowsChangedElsewhereAreReadAgainWhenTheWindowGetsTheFocusBack) {
  backend().ClickRow(kAnRowsList, 2);
  backend().FocusWindow(false);
  // Meanwhile another copy of the program changes row 2 and deletes row 3.
  backend().Check([] {
    OddsRecord rec{};
    rt::KeyedFile other(OddsDeclaration(), &rec);
    ASSERT_EQ(other.Open(), 0);
    rec.nn = 2;
    ASSERT_EQ(other.Get(OddsNnKey()), 0);
    rec.kf = 5.0;
    ASSERT_EQ(other.Put(), 0);
    rec.nn = 3;
    ASSERT_EQ(other.Get(OddsNnKey()), 0);
    ASSERT_EQ(other.Delete(), 0);
    // Not seen before the window is back.
    EXPECT_EQ(W().ListRowCount(kAnRowsList), 3u);
  });
  backend().FocusWindow(true);
  backend().Check([] {
    EXPECT_EQ(RowsShown(), (std::vector<std::string>{"  1|   2.00|не рассчитано",
                                                     "  2|   5.00|не рассчитано"}));
    // 2 из 2 at 10: the one pair 2 * 5.
    EXPECT_EQ(Shown(kAnAllWinShown), "Если все ожидающие выиграют: 100.00, прибыль 90.00");
    EXPECT_EQ(rt::Choice(kAnRowsList), 2u) << "the highlight stays where the user left it";
  });
  backend().CloseWindow();
  Run(2, 2, 10.0);
}

// The first and last variant numbers of the page shown, and the events of its first row.
std::vector<std::string> PageShown() {
  rt::Window* w = rt::TargetWindow();
  const size_t rows = w->ListRowCount(kAnVariantsList);
  if (rows == 0) return {};
  return {w->CellText(kAnVariantsList, 1, 1), w->CellText(kAnVariantsList, rows, 1),
          w->CellText(kAnVariantsList, 1, 2)};
}

TEST_F(AnalysisWindowTest, VariantsArePagedByUnrankingToAnyPlaceOfFourteenBillion) {
  // 9 из 60: C(60, 9) = 14 783 142 660 variants; only rows 1..3 exist, the rest bring 0.00.
  backend().Type(kAnEventsEntry, "60");
  backend().Type(kAnSizesEntry, "9");
  size_t page = 0;
  backend().Check([&] {
    EXPECT_EQ(Shown(kAnVariantsShown), "Вариантов: 14783142660");
    page = W().ListRowCount(kAnVariantsList);
    ASSERT_GT(page, 1u);
    const std::vector<std::string> top = PageShown();
    EXPECT_EQ(top[0], "1");
    EXPECT_EQ(top[1], std::to_string(page));
    EXPECT_EQ(top[2], "1+2+3+4+5+6+7+8+9");
  });
  backend().Scroll(kAnVariantsList, rt::kEventPageDown);
  backend().Check([&] { EXPECT_EQ(PageShown()[0], std::to_string(page + 1)); });
  backend().Scroll(kAnVariantsList, rt::kEventScrollUp);
  backend().Check([&] { EXPECT_EQ(PageShown()[0], std::to_string(page)); });
  backend().Scroll(kAnVariantsList, rt::kEventScrollBottom);
  backend().Check([&] {
    const std::vector<std::string> bottom = PageShown();
    EXPECT_EQ(bottom[1], "14783142660");
    EXPECT_EQ(bottom[0], std::to_string(14783142660ull - page + 1));
    EXPECT_EQ(W().CellText(kAnVariantsList, page, 2), "52+53+54+55+56+57+58+59+60");
    EXPECT_EQ(W().PropertyInt(kAnVariantsList, rt::kPropThumb), 100);
  });
  backend().Scroll(kAnVariantsList, rt::kEventScrollDown);
  backend().Check([] { EXPECT_EQ(PageShown()[1], "14783142660") << "no row past the last"; });
  // The thumb halfway: the page starts at half of the places a page can start at.
  backend().DragThumb(kAnVariantsList, 50);
  backend().Check([&] {
    const unsigned long long last_first = 14783142660ull - page + 1;
    EXPECT_EQ(PageShown()[0], std::to_string(1 + (last_first - 1) * 50 / 100));
  });
  backend().Scroll(kAnVariantsList, rt::kEventScrollTop);
  backend().Check([] { EXPECT_EQ(PageShown()[0], "1"); });
  backend().CloseWindow();
  Run(3, 2, 1.0);
}

TEST_F(AnalysisWindowTest, ACalculatorWithNoSizeChosenOpensItWithEmptySizesNotARefusedZero) {
  backend().Check([] {
    EXPECT_EQ(Shown(kAnSizesEntry), "");
    EXPECT_EQ(Shown(kAnSentenceShown), "Размеры системы не указаны");
    EXPECT_EQ(Shown(kAnVariantsShown), "");
  });
  backend().Type(kAnSizesEntry, "2");
  backend().Check([] { EXPECT_EQ(Shown(kAnVariantsShown), "Вариантов: 3"); });
  backend().CloseWindow();
  Run(3, 0, 10.0);
}

TEST_F(AnalysisWindowTest, TheWindowWidensUntilEveryFigureAndTheSentenceAreShownInFull) {
  backend().Check([] {
    const rt::Window& w = W();
    EXPECT_GT(w.width(), kAnalysisWidth) << "22-digit figures need more than the least width";
    for (int c : {kAnVariantsShown, kAnTotalStakeShown, kAnSettledShown, kAnAllWinShown,
                  kAnAllLoseShown, kAnSentenceShown}) {
      const rt::Control* control = w.Find(c);
      ASSERT_NE(control, nullptr);
      EXPECT_LE(control->x() + rt::TextWidth(w, c, control->shown_text()), w.width())
          << control->shown_text();
    }
  });
  backend().CloseWindow();
  Run(999, 9, 1.0);  // 2634095604619702128324 variants
}

TEST_F(AnalysisWindowTest, F2AndThePopupItemOpenItFromTheCalculatorWithItsNKAndStake) {
  backend().Type(kEventCountEntry, "3");
  backend().Type(kSystemSizeSpin, "2");
  backend().Type(kStakeEntry, "10");
  backend().PressKey(kOddsList, rt::kKeyF1 + 1);
  backend().Check([] {
    EXPECT_EQ(W().caption(), "Анализ системы");
    EXPECT_EQ(Shown(kAnEventsEntry), "  3");
    EXPECT_EQ(Shown(kAnSizesEntry), "2");
    EXPECT_EQ(Shown(kAnTotalStakeShown), "Общая ставка: 30.00");
  });
  backend().CloseWindow();
  backend().Check([] { EXPECT_EQ(W().label(), kCalculatorWindowLabel); });
  // F2 where the focus is on a button works as well.
  backend().PressKey(kCalculateButton, rt::kKeyF1 + 1);
  backend().Check([] { EXPECT_EQ(W().caption(), "Анализ системы"); });
  backend().CloseWindow();
  backend().ChooseNextPopupItem(4);
  backend().ClickRow(kOddsList, 1, 1, rt::ScriptedAction::Mouse::kRight);
  backend().Check([this] {
    ASSERT_EQ(backend().Popups().size(), 1u);
    EXPECT_EQ(backend().Popups()[0].choices,
              (std::vector<std::string>{"+", "?", "--", kAnalysisItemText}));
    EXPECT_EQ(W().caption(), "Анализ системы");
    EXPECT_EQ(Shown(kAnVariantsShown), "Вариантов: 3");
  });
  backend().CloseWindow();
  // A row added there: n follows the rows when the calculator is back.
  backend().PressKey(kOddsList, rt::kKeyF1 + 1);
  backend().Click(kAnInsertButton);
  backend().Type(kOddsCell, "evens", /*leave=*/false);
  backend().PressKey(kOddsCell, rt::kKeyEnter);
  backend().CloseWindow();
  backend().Check([] {
    EXPECT_EQ(W().label(), kCalculatorWindowLabel);
    EXPECT_EQ(Shown(kEventCountEntry), "  4");
    EXPECT_EQ(W().ListRowCount(kOddsList), 4u);
  });
  backend().CloseWindow();
  StartupOptions options;
  options.window_procedure = CalculatorWindowProcedure;
  EXPECT_EQ(RunProgram(options), 0);
}

}  // namespace
}  // namespace app
