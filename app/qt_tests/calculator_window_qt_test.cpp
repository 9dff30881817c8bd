// The calculator as a user meets it: the whole program (RunProgram with the calculator
// window procedure) in a fresh working folder, drawn by the Qt backend on the offscreen
// platform, and a stand-in user who types and clicks on the real widgets with QTest while the
// window's own event loop runs. The user works from a timer: each step waits (polling) until
// the window shows what a person would wait for, then acts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStyleOptionSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/odds_test_rows.h"
#include "app/program.h"
#include "app/qt_tests/program_qt_test.h"
#include "runtime/windows/backend.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/windows/properties.h"
#include "runtime/qt/list_control_widget.h"
#include "runtime/qt/message_box_dialog.h"
#include "runtime/qt/picture_width.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/qt_test_support.h"
#include "runtime/qt/spin_edit.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/values/picture.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app {
namespace {

using test::UserScript;

using Rows = std::vector<std::pair<int, double>>;
using Lines = std::vector<std::string>;

// The widest text a numeric picture lets a value show: its largest value, formatted by the
// picture itself, with every digit drawn as the font's widest digit.
int LargestValueWidth(const rt::Picture& picture, const QFontMetrics& metrics) {
  std::string largest;
  for (int digits = picture.Width() > 0 ? picture.Width() : 9; digits > 0; --digits) {
    const double value = std::pow(10.0, digits) - std::pow(10.0, -picture.Decimals());
    largest = picture.Format(value);
    if (largest.find('#') == std::string::npos) break;
  }
  int widest = 0;
  for (char d = '0'; d <= '9'; ++d) {
    std::string text = largest;
    std::replace_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }, d);
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(text)));
  }
  return widest;
}

class CalculatorQtTest : public test::ProgramQtTest {
 protected:
  // Another copy of the program wrote these rows, numbered from 1.
  void StoreOdds(std::initializer_list<double> odds) { test::StoreOddsRows(odds); }
  // The rows in "kf", read by a connection of its own.
  static Rows Stored() { return test::StoredOddsRows(); }

  void Run(UserScript& user) { RunWith(user, CalculatorWindowProcedure); }

  // ---- What the screen shows; any of them may be missing before the window opens.
  QPushButton* Button(int control) const { return qobject_cast<QPushButton*>(Widget(control)); }
  QLabel* Label(int control) const { return qobject_cast<QLabel*>(Widget(control)); }
  QLineEdit* Edit(int control) const {
    QWidget* w = Widget(control);
    if (auto* spin = qobject_cast<rt::SpinEdit*>(w)) return spin->edit();
    return qobject_cast<QLineEdit*>(w);
  }
  rt::ListControlWidget* List() const {
    return qobject_cast<rt::ListControlWidget*>(Widget(kOddsList));
  }
  QTableView* ListView() const {
    rt::ListControlWidget* l = List();
    return l != nullptr ? l->view() : nullptr;
  }
  std::string Text(int control) const {
    if (QLineEdit* e = Edit(control)) return e->text().toStdString();
    if (QLabel* l = Label(control)) return l->text().toStdString();
    return "<no widget for control " + std::to_string(control) + ">";
  }
  // The list as drawn: "number|odds" per row.
  std::vector<std::string> ListShown() const {
    std::vector<std::string> out;
    QTableView* v = ListView();
    if (v == nullptr) return out;
    for (int r = 0; r < v->model()->rowCount(); ++r) {
      out.push_back((v->model()->index(r, 0).data().toString() + "|" +
                     v->model()->index(r, 1).data().toString())
                        .toStdString());
    }
    return out;
  }
  // The rows drawn highlighted (1-based).
  std::vector<int> Highlighted() const {
    std::vector<int> out;
    QTableView* v = ListView();
    if (v == nullptr) return out;
    for (int r = 0; r < v->model()->rowCount(); ++r) {
      if (v->selectionModel()->isRowSelected(r, QModelIndex())) out.push_back(r + 1);
    }
    return out;
  }
  // The entry edit in place floats over the odds cell, once it is shown there.
  QLineEdit* OddsEditor() const {
    rt::Window* w = W();
    if (w == nullptr) return nullptr;
    int editor = static_cast<int>(w->PropertyInt(kOddsList, rt::kPropColumnEditor, 2));
    QLineEdit* e = editor != 0 ? Edit(editor) : nullptr;
    return e != nullptr && e->isVisible() ? e : nullptr;
  }
  static QMessageBox* ShownMessageBox() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box != nullptr && box->isVisible() ? box : nullptr;
  }

  // The window is open and its program has handled everything the user did so far.
  bool Settled() const {
    rt::Window* w = W();
    rt::WindowMirror* m = Mirror();
    return w != nullptr && w->IsOpen() && m != nullptr && m->isVisible() &&
           ShownMessageBox() == nullptr && !rt::RuntimeThread::Current().HasWorkFor(w);
  }

  // ---- The user's hands.
  static void Click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton);
  }
  // Click into an entry, select what is there, type over it.
  void Retype(int control, const char* text) {
    QLineEdit* e = Edit(control);
    ASSERT_NE(e, nullptr);
    QTest::mouseClick(e, Qt::LeftButton);
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e, text);
  }
  void ClickListRow(int row) {
    QTableView* v = ListView();
    ASSERT_NE(v, nullptr);
    QPoint at = v->visualRect(v->model()->index(row - 1, 1)).center();
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }
  void ClickSpinUp(int control) {
    auto* spin = qobject_cast<rt::SpinEdit*>(Widget(control));
    ASSERT_NE(spin, nullptr);
    QStyleOptionSpinBox opt;
    opt.initFrom(spin);
    opt.subControls = QStyle::SC_All;
    opt.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
    QRect up =
        spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp, spin);
    ASSERT_TRUE(up.isValid());
    QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, up.center());
  }
  static void AnswerShownBox(int runtime_button) {
    QMessageBox* box = ShownMessageBox();
    ASSERT_NE(box, nullptr);
    for (QAbstractButton* b : box->buttons()) {
      if (rt::RuntimeButtonOf(b) == runtime_button) {
        QTest::mouseClick(b, Qt::LeftButton);
        return;
      }
    }
    ADD_FAILURE() << "the box \"" << box->windowTitle().toStdString() << "\" has no button "
                  << runtime_button;
    box->close();
  }

  // ---- Common steps.
  // Waits until the program has handled everything and check() holds, then acts.
  void Then(UserScript& user, std::string what, std::function<bool()> check,
            UserScript::Act act) {
    user.When(std::move(what), [this, check] { return Settled() && (!check || check()); },
              std::move(act));
  }
  void Close(UserScript& user) {
    Then(user, "the window to be idle before closing it", nullptr,
         [this] { Mirror()->close(); });
  }
  // Presses "+" (or Insert on the list), types the odds into the entry that floats over the
  // odds cell and presses Enter; then waits until the list shows `rows` rows.
  void InsertRow(UserScript& user, bool with_insert_key, const char* odds, int rows) {
    Then(user, "the window to insert a row", nullptr, [this, with_insert_key] {
      if (with_insert_key) {
        ASSERT_NE(ListView(), nullptr);
        QTest::keyClick(ListView(), Qt::Key_Insert);
      } else {
        Click(Button(kInsertButton));
      }
    });
    user.When(std::string("an entry over the odds cell to type ") + odds,
              [this] { return OddsEditor() != nullptr; },
              [this, odds] {
                QLineEdit* editor = OddsEditor();
                rt::ListControlWidget* list = List();
                ASSERT_NE(list, nullptr);
                // It covers the odds cell of the highlighted (new) row.
                size_t row = W()->Find(kOddsList)->selected();
                QRect cell = list->CellRect(row, 2);
                ASSERT_TRUE(cell.isValid());
                QPoint centre = list->mapTo(Mirror(), cell.center());
                EXPECT_TRUE(editor->geometry().contains(centre));
                EXPECT_TRUE(editor->hasFocus());
                // The text is selected on arrival, so typing replaces it.
                QTest::keyClicks(editor, odds);
                EXPECT_EQ(editor->text().toStdString(), odds);
                QTest::keyClick(editor, Qt::Key_Return);
              });
    Then(user, "the list to show " + std::to_string(rows) + " rows after the save",
         [this, rows] {
           return OddsEditor() == nullptr && ListShown().size() == static_cast<size_t>(rows);
         },
         nullptr);
  }

};

TEST_F(CalculatorQtTest, TheWorkedExampleTypedInFromAnEmptyFolderGives3VariantsAnd135) {
  UserScript user = User();
  Then(user, "the window to open", nullptr, [this] {
    EXPECT_TRUE(std::filesystem::exists("kf"));
    EXPECT_TRUE(ListShown().empty());
    // Before any change "из :" shows 0, and the list has the focus.
    EXPECT_EQ(Text(kEventCountEntry), "  0");
    EXPECT_EQ(Mirror()->focusWidget(), ListView());
  });
  InsertRow(user, false, "1.5", 1);
  Then(user, "the first row", nullptr, [this] {
    EXPECT_EQ(ListShown(), Lines({"  1| 1.50"}));
    EXPECT_EQ(Text(kEventCountEntry), "  1");
  });
  InsertRow(user, false, "2", 2);
  InsertRow(user, true, "3", 3);
  Then(user, "the three rows", nullptr, [this] {
    EXPECT_EQ(ListShown(), Lines({"  1| 1.50", "  2| 2.00", "  3| 3.00"}));
    EXPECT_EQ(Text(kEventCountEntry), "  3");
    EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
    // "по :" from 0 by its up arrow: into the range first, then one step.
    ClickSpinUp(kSystemSizeSpin);
  });
  Then(user, "\"по :\" to show 1", [this] { return Text(kSystemSizeSpin) == " 1"; },
       [this] { ClickSpinUp(kSystemSizeSpin); });
  Then(user, "\"по :\" to show 2", [this] { return Text(kSystemSizeSpin) == " 2"; }, [this] {
    Retype(kStakeEntry, "10");
    // The press completes the stake entry first.
    Click(Button(kCalculateButton));
  });
  Then(user, "the results", [this] { return Text(kTotalReturnShown) != "      0.00"; },
       [this] {
         EXPECT_EQ(Text(kVariantCountShown), "     3");
         EXPECT_EQ(Text(kTotalReturnShown), "    135.00");
         EXPECT_EQ(Text(kStakeEntry), "  10.00");
         // The computation leaves the list and the focus on it.
         EXPECT_EQ(ListShown(), Lines({"  1| 1.50", "  2| 2.00", "  3| 3.00"}));
         EXPECT_EQ(Mirror()->focusWidget(), ListView());
       });
  Close(user);
  Run(user);
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
}

TEST_F(CalculatorQtTest, AClickedRowIsHighlightedAndIsTheRowTheButtonsActOn) {
  StoreOdds({1.5, 2.0, 3.0});
  UserScript user = User();
  // Checked once the program has handled the click (and refreshed its list).
  auto highlight_is = [this](int row) {
    EXPECT_EQ(W()->Find(kOddsList)->selected(), static_cast<size_t>(row))
        << "the window's list highlights another row than the one clicked";
    EXPECT_EQ(Highlighted(), std::vector<int>{row})
        << "the row drawn highlighted is not the one clicked";
    EXPECT_EQ(Mirror()->focusWidget(), ListView());
  };
  Then(user, "the three stored rows", [this] { return ListShown().size() == 3; }, [=, this] {
    highlight_is(1);
    ClickListRow(2);
  });
  Then(user, "the click on row 2", nullptr, [=, this] {
    highlight_is(2);
    ClickListRow(3);
  });
  Then(user, "the click on row 3", nullptr, [=, this] {
    highlight_is(3);
    ClickListRow(1);
  });
  Then(user, "the click on row 1", nullptr, [=, this] {
    highlight_is(1);
    ClickListRow(2);
  });
  Then(user, "the click on row 2 again", nullptr, [=, this] {
    highlight_is(2);
    // "--" deletes the highlighted row, after asking.
    Click(Button(kDeleteButton));
  });
  QString question;
  user.When("the question whether to delete", [] { return ShownMessageBox() != nullptr; },
            [&question] {
              question = ShownMessageBox()->windowTitle() + ": " + ShownMessageBox()->text();
              AnswerShownBox(rt::kButtonYes);
            });
  Then(user, "the list without the deleted row", [this] { return ListShown().size() == 2; },
       [this] {
         EXPECT_EQ(ListShown(), Lines({"  1| 1.50", "  3| 3.00"}));
         EXPECT_EQ(Text(kEventCountEntry), "  2");
       });
  Close(user);
  Run(user);
  EXPECT_FALSE(question.isEmpty());
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {3, 3.0}})) << "asked: " << question.toStdString();
}

TEST_F(CalculatorQtTest, TheHelpButtonShowsTheControlsInABoxThatOkCloses) {
  UserScript user = User();
  QPointer<QMessageBox> help_box;
  Then(user, "the window to open", nullptr, [this] { Click(Button(kHelpButton)); });
  user.When("the help message", [] { return ShownMessageBox() != nullptr; }, [&help_box] {
    QMessageBox* box = ShownMessageBox();
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8(" Управление"));
    EXPECT_EQ(box->text(), QString::fromUtf8(
                               "  Введите сыгранные коэффициенты,\n"
                               "  укажите кол-во событий\n"
                               "  в одном экспрессе,\n"
                               "  задайте сумму на 1 вариант\n"
                               "  и нажмите - Расчет.\n"
                               "\n"
                               "  \xD0\xA1 - очистить таблицу\n"
                               "  + (Insert) - добавить новую запись\n"
                               "  ? (Enter) - изменить запись\n"
                               "  - (Delete) - удалить запись"));
    EXPECT_EQ(box->icon(), QMessageBox::Information);
    std::vector<int> buttons;
    for (QAbstractButton* b : box->buttons()) buttons.push_back(rt::RuntimeButtonOf(b));
    EXPECT_EQ(buttons, std::vector<int>{rt::kButtonOk});
    help_box = box;
    AnswerShownBox(rt::kButtonOk);
  });
  Then(user, "the help message to go away", nullptr, [this, &help_box] {
    EXPECT_TRUE(help_box.isNull() || !help_box->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The window goes on working: the information button answers too.
    Click(Button(kAboutButton));
  });
  user.When("the information message", [] { return ShownMessageBox() != nullptr; }, [this] {
    EXPECT_EQ(ShownMessageBox()->windowTitle(), QString::fromUtf8(" О программе"));
    AnswerShownBox(rt::kButtonOk);
  });
  Close(user);
  Run(user);
  EXPECT_TRUE(Stored().empty()) << "the messages change nothing in the table";
}

TEST_F(CalculatorQtTest, ClearEmptiesTheTableAndTheListWithoutAsking) {
  StoreOdds({1.5, 2.0, 3.0, 4.0});
  UserScript user = User();
  Then(user, "the four stored rows", [this] { return ListShown().size() == 4; }, [this] {
    // The user's own n is replaced by the table's count once the table changes.
    Retype(kEventCountEntry, "7");
    QTest::keyClick(Edit(kEventCountEntry), Qt::Key_Return);
  });
  Then(user, "n to be taken", [this] { return Text(kEventCountEntry) == "  7"; },
       [this] { Click(Button(kClearButton)); });
  Then(user, "the list to empty", [this] { return ListShown().empty(); }, [this] {
    EXPECT_TRUE(Stored().empty());
    EXPECT_EQ(Text(kEventCountEntry), "  0");
    EXPECT_EQ(Mirror()->focusWidget(), ListView());
    EXPECT_TRUE(Highlighted().empty());
    // On the empty table "С" again changes nothing and asks nothing.
    Click(Button(kClearButton));
  });
  Then(user, "the second clear to be handled", nullptr, [this] {
    EXPECT_TRUE(ListShown().empty());
    EXPECT_EQ(Mirror()->focusWidget(), ListView());
  });
  Close(user);
  Run(user);
  EXPECT_TRUE(Stored().empty());
}

TEST_F(CalculatorQtTest, TheCountOf9Of999AndA20DigitTotalLieWhollyInsideTheWindow) {
  // Ten events at 99.99, "9 из 999", 10 on each: 22 digits of count, 20 before the point.
  StoreOdds({99.99, 99.99, 99.99, 99.99, 99.99, 99.99, 99.99, 99.99, 99.99, 99.99});
  UserScript user = User();
  int narrow = 0;
  Then(user, "the ten stored rows", [this] { return ListShown().size() == 10; }, [&, this] {
    narrow = Mirror()->width();
    Retype(kEventCountEntry, "999");
    Retype(kSystemSizeSpin, "9");
    Retype(kStakeEntry, "10");
    Click(Button(kCalculateButton));
  });
  Then(user, "the results", [this] { return Text(kVariantCountShown).size() > 6; }, [&, this] {
    EXPECT_EQ(Text(kVariantCountShown), "2634095604619702128324");
    const std::string total = Text(kTotalReturnShown);
    EXPECT_EQ(total.size(), 23u) << total;
    EXPECT_EQ(total.substr(0, 3), "999") << total;
    EXPECT_GT(Mirror()->width(), narrow) << "the window grew to the right";
    for (int control : {kVariantCountShown, kTotalReturnShown}) {
      SCOPED_TRACE(control);
      QLabel* label = Label(control);
      ASSERT_NE(label, nullptr);
      EXPECT_TRUE(Mirror()->rect().contains(label->geometry()))
          << "label right " << label->geometry().right() << ", window " << Mirror()->width();
      // Where the text ends as the label draws it (left-aligned in its contents).
      const QRect contents = label->contentsRect();
      const int text_right = label->x() + contents.x() +
                             label->fontMetrics().horizontalAdvance(label->text());
      EXPECT_LE(text_right, Mirror()->width());
      EXPECT_LE(text_right - label->x(), label->width());
      EXPECT_TRUE((label->alignment() & Qt::AlignLeft) != 0 ||
                  (label->alignment() & Qt::AlignHorizontal_Mask) == 0);
    }
  });
  Close(user);
  Run(user);
}

TEST_F(CalculatorQtTest, EveryControlShowsTheWidestValueItsPictureAllowsInTheFontItUses) {
  std::vector<double> odds(255, 99.99);
  OddsRecord rec{};
  {
    rt::KeyedFile file(OddsDeclaration(), &rec);
    ASSERT_EQ(file.Create(), 0);
    ASSERT_EQ(file.Open(), 0);
    for (int nn = 1; nn <= 255; ++nn) {
      rec.nn = static_cast<uint8_t>(nn);
      rec.kf = 99.99;
      ASSERT_EQ(file.Add(), 0);
    }
  }
  UserScript user = User();
  Then(user, "the list to fill", [this] { return !ListShown().empty(); },
       [this] { QTest::keyClick(ListView(), Qt::Key_End, Qt::ControlModifier); });
  Then(user, "the last row, numbered 255", [this] {
         return !ListShown().empty() && ListShown().back() == "255|99.99";
       },
       [this] {
         QWidget* window = Mirror();
         int walked = 0;
         for (const auto& [number, control] : W()->controls()) {
           if (control->hidden()) continue;
           SCOPED_TRACE(testing::Message() << "control " << number);
           QWidget* widget = Widget(number);
           ASSERT_NE(widget, nullptr);
           ++walked;
           EXPECT_TRUE(window->rect().contains(widget->geometry()))
               << "outside the window: right " << widget->geometry().right() << ", bottom "
               << widget->geometry().bottom() << " of " << window->width() << " x "
               << window->height();
           switch (control->kind()) {
             case rt::ControlKind::kEntry:
             case rt::ControlKind::kSpin: {
               ASSERT_TRUE(control->picture().has_value());
               QLineEdit* edit = Edit(number);
               ASSERT_NE(edit, nullptr);
               EXPECT_GE(rt::LineEditTextRoom(edit, edit->width()),
                         LargestValueWidth(*control->picture(), edit->fontMetrics()))
                   << control->picture_text() << " in " << edit->font().toString().toStdString();
               break;
             }
             case rt::ControlKind::kList: {
               QTableView* view = ListView();
               ASSERT_NE(view, nullptr);
               const auto& columns = control->format()->Columns();
               int right = 0;
               for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
                 SCOPED_TRACE(testing::Message() << "column " << c + 1);
                 ASSERT_TRUE(columns[c].picture.has_value());
                 // The indent gives way to the text; the text itself must fit.
                 EXPECT_GE(List()->TextRoom(c + 1),
                           LargestValueWidth(*columns[c].picture, view->fontMetrics()))
                     << columns[c].picture_text << ": column " << view->columnWidth(c) << " px";
                 right = view->columnViewportPosition(c) + view->columnWidth(c);
               }
               EXPECT_LE(right, view->viewport()->width()) << "the last column is cut";
               break;
             }
             case rt::ControlKind::kString:
             case rt::ControlKind::kPrompt:
             case rt::ControlKind::kButton: {
               QLabel* label = Label(number);
               QPushButton* button = Button(number);
               ASSERT_TRUE(label != nullptr || button != nullptr);
               const QString text = label != nullptr ? label->text() : button->text();
               EXPECT_LE(widget->fontMetrics().horizontalAdvance(text),
                         widget->contentsRect().width())
                   << text.toStdString();
               break;
             }
             default:
               break;
           }
         }
         EXPECT_EQ(walked, 20);
       });
  Close(user);
  Run(user);
}

TEST_F(CalculatorQtTest, TabLeadsThroughEveryControlThatTakesTheFocusAndEachShowsIt) {
  StoreOdds({1.5, 2.0, 3.0});
  std::vector<int> focusable;
  for (const rt::ControlResource& c : CalculatorWindowResource().controls) {
    if (c.kind == rt::ControlKind::kButton || c.kind == rt::ControlKind::kEntry ||
        c.kind == rt::ControlKind::kSpin || c.kind == rt::ControlKind::kList) {
      focusable.push_back(c.number);
    }
  }
  UserScript user = User();
  // Each control as drawn while it has the focus, to compare with it drawn once Tab left it.
  std::map<int, QImage> focused;
  std::vector<int> visited;
  std::vector<int> unchanged;
  int previous = 0;
  auto look_and_tab = [&, this] {
    const int now = W()->focus();
    if (previous != 0 && Widget(previous)->grab().toImage() == focused[previous]) {
      unchanged.push_back(previous);
    }
    QWidget* keys = Mirror()->FocusWidgetFor(now);
    ASSERT_NE(keys, nullptr);
    EXPECT_TRUE(keys->hasFocus()) << now;
    visited.push_back(now);
    focused[now] = Widget(now)->grab().toImage();
    previous = now;
    QTest::keyClick(keys, Qt::Key_Tab);
  };
  // Focus is drawn in the active window only.
  Then(user, "the window to open, active, with the focus on the list",
       [this] {
         return W()->focus() == kOddsList && ListShown().size() == 3 &&
                Mirror()->isActiveWindow();
       },
       look_and_tab);
  // Once round the window and back to the list.
  for (size_t i = 1; i <= focusable.size(); ++i) {
    Then(user, "the focus to move on after Tab " + std::to_string(i),
         [this, &previous] { return W()->focus() != previous; },
         i < focusable.size() ? std::function<void()>(look_and_tab) : [&, this] {
           EXPECT_EQ(W()->focus(), kOddsList) << "Tab comes round to the list";
           if (Widget(previous)->grab().toImage() == focused[previous]) {
             unchanged.push_back(previous);
           }
         });
  }
  Close(user);
  Run(user);
  std::sort(visited.begin(), visited.end());
  std::sort(focusable.begin(), focusable.end());
  EXPECT_EQ(visited, focusable) << "Tab leads through every control that takes the focus";
  std::string alike;
  for (int control : unchanged) alike += " " + std::to_string(control);
  EXPECT_TRUE(unchanged.empty()) << "drawn alike with and without the focus:" << alike;
}

TEST_F(CalculatorQtTest, ARightClickMenuClosesAtTheFirstEscOnAnyRow) {
  StoreOdds({1.5, 2.0, 3.0});
  UserScript user = User();
  int menus = 0;
  int reopened = 0;
  auto right_click = [this](int row) {
    QTableView* v = ListView();
    ASSERT_NE(v, nullptr);
    QPoint at = v->visualRect(v->model()->index(row - 1, 1)).center();
    QTest::mouseClick(v->viewport(), Qt::RightButton, Qt::NoModifier, at);
  };
  // Row 3 while row 1 is highlighted, then row 3 again, now the highlighted one.
  for (int round = 1; round <= 2; ++round) {
    Then(user, "the window before right click " + std::to_string(round),
         [this] { return ListShown().size() == 3; }, [&] { right_click(3); });
    user.When("the menu " + std::to_string(round),
              [] { return QApplication::activePopupWidget() != nullptr; }, [&] {
                ++menus;
                QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
              });
    // A while after the Esc, with the window idle, no menu comes back.
    auto ticks = std::make_shared<int>(0);
    user.When("the window to stay without a menu after Esc " + std::to_string(round),
              [this, ticks, &reopened] {
                if (QWidget* menu = QApplication::activePopupWidget()) {
                  ++reopened;
                  QTest::keyClick(menu, Qt::Key_Escape);
                  return false;
                }
                return Settled() && ++*ticks > 30;
              },
              [this] { EXPECT_EQ(W()->Find(kOddsList)->selected(), 3u); });
  }
  Close(user);
  Run(user);
  EXPECT_EQ(menus, 2);
  EXPECT_EQ(reopened, 0) << "the menu opened again after Esc";
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 3.0}}));
}

}  // namespace
}  // namespace app
