#include "app/calculator_window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
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
  const std::vector<std::string> list = {" 1| 1.50", " 2| 2.00", " 3| 3.00"};
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
  // k = 1, which the spin box allows, and k > n give no variants.
  Calculate("3", "1", "10");
  ExpectResults("     0", "      0.00");
  Calculate("2", "3", "10");
  ExpectResults("     0", "      0.00");
  backend().Check([&] { EXPECT_EQ(ListShown(), list); });
  backend().CloseWindow();
  Run();
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
  EXPECT_TRUE(backend().MessageBoxes().empty());
}

TEST_F(CalculatorWindowTest, CountsOfEveryNAndKAreShownInFullAndTheWindowMakesRoomForThem) {
  StoreOdds({1.5, 2.0});
  // 36 = C(9, 2) for k = 2 and n = 9; then counts far past a 16-bit number.
  Calculate("9", "2", "1");
  ExpectResults("    36", "      3.00");
  Calculate("60", "9", "1");
  ExpectResults("14783142660", "      0.00");
  backend().Check([] { EXPECT_EQ(W().width(), kCalculatorWidth); });
  Calculate("999", "9", "1");
  ExpectResults("2634095604619702128324", "      0.00");
  backend().Check([] {
    // 22 digits from x 141 need about 94 units: the window widens rather than cut them.
    EXPECT_GE(W().width(), W().Find(kVariantCountShown)->x() + 22 * 4);
  });
  // Three variants, of which only (1, 2) has both events in the table.
  Calculate("3", "2", "1");
  ExpectResults("     3", "      3.00");
  backend().Check([] { EXPECT_EQ(W().width(), kCalculatorWidth); });
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
    EXPECT_EQ(ListShown(), (std::vector<std::string>{" 1| 1.50", " 2| 2.00"}));
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
  EXPECT_EQ(rt::ParseStandardIconRef(about.icon), rt::kIconInformation);
  EXPECT_EQ(about.buttons, rt::kButtonOk);
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}}));
}

TEST_F(CalculatorWindowTest, ARowAnotherCopyHoldsStopsTheCalculationWithAMessage) {
  StoreOdds({1.5, 2.0, 3.0});
  OddsRecord other_rec{};
  rt::KeyedFile other(OddsDeclaration(), &other_rec);
  backend().Check([&] {
    ASSERT_EQ(other.Open(), 0);
    other_rec.nn = 2;
    ASSERT_EQ(other.Hold(), 0);
    ASSERT_EQ(other.Get(OddsNnKey()), 0);
  });
  Calculate("3", "2", "10");
  backend().AnswerNextMessageBox(rt::kButtonOk);
  // Without row 2 the total would be 45.00, a wrong answer: none is given.
  ExpectResults("     0", "      0.00");
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

TEST(CalculatorWindowResourceTest, RegisteredUnderItsNameWithTheInputsStyled) {
  RegisterCalculatorWindowResource();
  const rt::WindowResource* r = rt::FindWindowResource(kCalculatorResource, kCalculatorWindowLabel);
  ASSERT_EQ(r, &CalculatorWindowResource());
  EXPECT_EQ(r->width, 210);
  EXPECT_EQ(r->height, 130);
  EXPECT_EQ(r->controls.size(), 20u);
  for (int control : {kOddsList, kEventCountEntry, kSystemSizeSpin, kStakeEntry}) {
    bool found = false;
    for (const rt::ControlResource& c : r->controls) {
      if (c.number != control) continue;
      found = true;
      EXPECT_EQ(c.font.weight, rt::kWeightBold) << control;
      EXPECT_EQ(c.background, rt::Rgb(153, 169, 152)) << control;
    }
    EXPECT_TRUE(found) << control;
  }
}

}  // namespace
}  // namespace app
