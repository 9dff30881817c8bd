// The analysis window as a user meets it on the Qt backend (offscreen): the whole program with
// the calculator, F2 on the odds list opens "Анализ системы", a click on a row and the Latin "g"
// settle it as lost on the real widgets, the figures and the chart follow, Enter edits the row
// in place and Tab drops the four outcomes from its cell, Up and Enter make it won, and both
// windows close. A polling
// timer plays the user; each step waits until the screen shows what it needs.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>

#include <filesystem>
#include <functional>
#include <tuple>
#include <memory>
#include <string>
#include <vector>

#include "app/analysis_window_resource.h"
#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/odds_test_support.h"
#include "app/program.h"
#include "app/qt_tests/program_qt_test.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/qt/list_control_widget.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/qt_test_support.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/control.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app {
namespace {

using test::UserScript;

// The editors edit in place makes over a row: the runtime numbers them above every control.
constexpr int kOddsCell = kAnDeleteButton + 1;
constexpr int kOutcomeDrop = kAnDeleteButton + 2;

class AnalysisQtTest : public test::ProgramQtTest {
 protected:
  void SetUp() override {
    test::ProgramQtTest::SetUp();
    testing::StoreOdds({2.0, 3.0, 4.0});
  }

  std::string LabelText(int control) const {
    auto* l = qobject_cast<QLabel*>(Widget(control));
    return l != nullptr ? l->text().toStdString() : std::string();
  }
  QTableView* ListView(int control) const {
    auto* l = qobject_cast<rt::ListControlWidget*>(Widget(control));
    return l != nullptr ? l->view() : nullptr;
  }
  bool ShowsAnalysis() const {
    rt::WindowMirror* m = Mirror();
    return m != nullptr && m->isVisible() && m->windowTitle() == "Анализ системы";
  }
  bool ShowsCalculator() const {
    rt::Window* w = rt::TargetWindow();
    return w != nullptr && w->label() == kCalculatorWindowLabel && Mirror() != nullptr &&
           ListView(kOddsList) != nullptr && ListView(kOddsList)->model()->rowCount() == 3;
  }
  std::string Cell(int row, int column) const {
    QTableView* v = ListView(kAnRowsList);
    return v != nullptr ? v->model()->index(row, column).data().toString().toStdString() : "";
  }

};

TEST_F(AnalysisQtTest, F2OpensItAndALatinKeyOrTheDropListSettleARowOnTheRealWidgets) {
  std::string all_win_before;
  const std::vector<std::tuple<std::string, std::function<bool()>, std::function<void()>>>
      steps = {
      {"the calculator with three rows", [&] { return ShowsCalculator(); },
       [&] {
         rt::Window* w = rt::TargetWindow();
         w->UserFocus(kEventCountEntry);
         w->UserType(kEventCountEntry, "3");
         w->UserLeave(kEventCountEntry);
         w->UserFocus(kSystemSizeSpin);
         w->UserType(kSystemSizeSpin, "2");
         w->UserLeave(kSystemSizeSpin);
         w->UserFocus(kStakeEntry);
         w->UserType(kStakeEntry, "10");
         w->UserLeave(kStakeEntry);
         QTableView* list = ListView(kOddsList);
         list->setFocus();
         QTest::keyClick(list, Qt::Key_F2);
       }},
      {"the analysis window with its figures",
       [&] { return ShowsAnalysis() && LabelText(kAnVariantsShown) == "Вариантов: 3"; },
       [&] {
         all_win_before = LabelText(kAnAllWinShown);
         QTableView* rows = ListView(kAnRowsList);
         QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                           rows->visualRect(rows->model()->index(1, 0)).center());
         QTest::keyClick(rows, Qt::Key_G, Qt::NoModifier);
       }},
      {"row 2 lost and the figures settled again",
       [&] { return ShowsAnalysis() && Cell(1, 2) == "проигрыш"; },
       [&] {
         // Only 1+3 is left open: 2 * 4 * 10.
         EXPECT_EQ(all_win_before, "Если все ожидающие выиграют: 260.00, прибыль 230.00");
         EXPECT_EQ(LabelText(kAnAllWinShown), "Если все ожидающие выиграют: 80.00, прибыль 50.00");
         QWidget* chart = Widget(kAnNeedsChart);
         ASSERT_NE(chart, nullptr);
         EXPECT_TRUE(chart->isVisible());
         // Rows 1 and 3 pending: a bar for 0, 1 and 2 of them winning.
         EXPECT_EQ(rt::TargetWindow()->Find(kAnNeedsChart)->chart().bars.size(), 3u);
         // The calculator underneath takes no input while this window is open.
         EXPECT_EQ(QApplication::activeModalWidget(), Mirror());
         QTest::keyClick(ListView(kAnRowsList), Qt::Key_Return);
       }},
      {"row 2 edited in place from its odds",
       [&] {
         QWidget* odds = Widget(kOddsCell);
         return ShowsAnalysis() && odds != nullptr && odds->isVisible() && odds->hasFocus();
       },
       [&] { QTest::keyClick(Widget(kOddsCell), Qt::Key_Tab); }},
      {"the four outcomes dropped from row 2's outcome cell",
       [&] {
         QTableView* drop = ListView(kOutcomeDrop);
         return ShowsAnalysis() && drop != nullptr && drop->isVisible() &&
                drop->model()->rowCount() == 4;
       },
       [&] {
         QTableView* rows = ListView(kAnRowsList);
         QTableView* drop = ListView(kOutcomeDrop);
         const QRect cell = rows->visualRect(rows->model()->index(1, 2));
         const QPoint cell_top = rows->viewport()->mapTo(Mirror(), cell.topLeft());
         const QRect dropped(Widget(kOutcomeDrop)->geometry());
         EXPECT_NEAR(dropped.top(), cell_top.y(), 2);
         EXPECT_NEAR(dropped.left(), cell_top.x(), 2);
         EXPECT_GE(dropped.height(), 4 * cell.height()) << "every choice shows";
         EXPECT_EQ(drop->model()->index(2, 0).data().toString().toStdString(), "проигрыш");
         QTest::keyClick(drop, Qt::Key_Up);
         QTest::keyClick(drop, Qt::Key_Return);
       }},
      {"row 2 won from the drop list",
       [&] {
         QWidget* drop = Widget(kOutcomeDrop);
         return ShowsAnalysis() && Cell(1, 2) == "выигрыш" && (!drop || !drop->isVisible());
       },
       [&] { Mirror()->close(); }},
      {"the calculator again", [&] { return ShowsCalculator(); },
       [&] { Mirror()->close(); }},
  };

  UserScript user = User();
  for (const auto& [what, ready, act] : steps) user.When(what, ready, act);
  RunWith(user, CalculatorWindowProcedure);
}

}  // namespace
}  // namespace app
