// The Qt backend drawing the runtime's test window (the calculator's kinds of controls, and a
// chart) and turning real widget input into runtime events.
#include "runtime/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QBarSet>
#include <QChartView>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPointer>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QStyleOptionSpinBox>

#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"
#include "runtime/qt/coin_gif.h"
#include "runtime/qt/list_control_widget.h"
#include "runtime/qt/qt_test_support.h"
#include "runtime/qt/spin_edit.h"
#include "runtime/qt/window_mirror.h"

namespace rt {
namespace {

using test::kRun;
using test::kCount;
using test::kGo;
using test::kList;
using test::kPrompt;
using test::kSize;
using test::kSmall;
using test::kAmount;
using test::kTotal;

// Posted by the watchdog when a test waited too long for an event.
constexpr int kEventTimedOut = 0x7FF0;

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    backend_ = std::make_unique<QtBackend>(argc_, argv_);
    previous_ = SetBackend(backend_.get());
    vars_.AddRows(5);
    std::string error;
    window_ = vars_.Prepare(&error);
    ASSERT_NE(window_, nullptr) << error;
    ASSERT_TRUE(window_->Open());
    mirror_ = backend_->MirrorOf(*window_);
    ASSERT_NE(mirror_, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mirror_));
    loop_ = std::make_unique<EventLoop>(*window_);
    ASSERT_EQ(Next().number, kEventOpenWindow);
  }
  void TearDown() override {
    loop_.reset();
    window_.reset();
    SetBackend(previous_);
    backend_.reset();
  }

  // The next event as the window procedure gets it, waiting in the runtime's loop (which
  // runs Qt's) at most a few seconds. Window activation changes are left out.
  Event Next() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout,
                     [this] { window_->Post(kEventTimedOut); });
    watchdog.start(5000);
    for (;;) {
      if (!loop_->Next()) return Event{};
      Event e = loop_->event();
      if (e.number == kEventGainFocus || e.number == kEventLoseFocus) {
        loop_->EndEvent(kStepDefault);
        continue;
      }
      return e;
    }
  }
  // The next event that is not a focus move.
  Event NextNotSelected() {
    for (;;) {
      Event e = Next();
      if (e.number != kEventSelected) return e;
      loop_->EndEvent(kStepDefault);
    }
  }
  bool NothingQueued() { return !RuntimeThread::Current().HasWorkFor(window_.get()); }

  template <typename W>
  W* Widget(int control) {
    return qobject_cast<W*>(mirror_->WidgetFor(control));
  }
  QLineEdit* Edit(int control) {
    QWidget* w = mirror_->WidgetFor(control);
    if (auto* spin = qobject_cast<SpinEdit*>(w)) return spin->edit();
    return qobject_cast<QLineEdit*>(w);
  }
  // What a user does to replace an entry's text: click into it, select all, type.
  void Retype(int control, const char* text) {
    QTest::mouseClick(Edit(control), Qt::LeftButton);
    QTest::keyClick(Edit(control), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Edit(control), text);
  }

  int argc_ = 1;
  char name_[8] = "qt";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QtBackend> backend_;
  Backend* previous_ = nullptr;
  test::TestVariables vars_;
  std::unique_ptr<Window> window_;
  WindowMirror* mirror_ = nullptr;
  std::unique_ptr<EventLoop> loop_;
};

TEST_F(QtWindowTest, TheWindowIsLaidOutInDialogUnitsOfItsFontWithTheAskedLooks) {
  DialogUnits du(ResolveFont("MS Sans Serif", 8));
  EXPECT_EQ(mirror_->size(), du.Size(210, 130));
  EXPECT_EQ(mirror_->WidgetFor(kCount)->geometry(), du.Rect(95, 36, 25, 10));
  EXPECT_EQ(mirror_->WidgetFor(kList)->geometry(), du.Rect(31, 16, 59, 98));
  ASSERT_NE(Widget<ListControlWidget>(kList), nullptr);
  ASSERT_NE(Widget<SpinEdit>(kSize), nullptr);
  ASSERT_NE(Widget<QPushButton>(kRun), nullptr);
  EXPECT_EQ(Widget<QPushButton>(kRun)->text(), QString::fromUtf8("&Run"));
  EXPECT_FALSE(Widget<QPushButton>(kGo)->icon().isNull());
  EXPECT_EQ(Widget<QLabel>(kPrompt)->text(), QString::fromUtf8("Amount:"));
  // The list, entries and spin box: bold, on red 153, green 169, blue 152.
  EXPECT_TRUE(mirror_->WidgetFor(kList)->font().bold());
  EXPECT_TRUE(mirror_->WidgetFor(kCount)->font().bold());
  EXPECT_FALSE(mirror_->WidgetFor(kPrompt)->font().bold());
  EXPECT_EQ(Edit(kCount)->palette().color(QPalette::Base), QColor(224, 232, 240));
  EXPECT_EQ(Widget<ListControlWidget>(kList)->view()->palette().color(QPalette::Base),
            QColor(224, 232, 240));
  // The list's columns: 20 and 30 units wide, no header row.
  QHeaderView* header = Widget<ListControlWidget>(kList)->view()->horizontalHeader();
  EXPECT_EQ(header->sectionSize(0), du.X(20));
  EXPECT_EQ(header->sectionSize(1), du.X(30));
  EXPECT_FALSE(header->isVisible());
  // Shown values come from the variables through their pictures.
  EXPECT_EQ(Edit(kCount)->text(), "  0");
  EXPECT_EQ(Widget<QLabel>(kTotal)->text(), "      0.00");
  // The first control that takes the focus has it.
  EXPECT_EQ(mirror_->focusWidget(), mirror_->FocusWidgetFor(kGo));
  // The list tells the model how many rows it really shows.
  EXPECT_EQ(window_->PropertyInt(kList, kPropItems),
            Widget<ListControlWidget>(kList)->RowsShown());
}

TEST_F(QtWindowTest, TypedTextIsCheckedOnEnterAndAGoodValueReachesTheVariable) {
  Retype(kCount, "12");
  QTest::keyClick(Edit(kCount), Qt::Key_Return);
  Event e = Next();
  EXPECT_EQ(e.number, kEventSelected);  // the click moved the focus into the entry
  EXPECT_EQ(e.control, kCount);
  EXPECT_EQ(mirror_->focusWidget(), Edit(kCount));
  loop_->EndEvent(kStepDefault);
  e = Next();
  EXPECT_EQ(e.number, kEventAccepted);
  EXPECT_EQ(e.control, kCount);
  EXPECT_EQ(KeyCode(), kKeyEnter);
  EXPECT_EQ(vars_.count, 12);
  EXPECT_EQ(Edit(kCount)->text(), " 12");
  loop_->EndEvent(kStepDefault);

  Retype(kCount, "1x");
  QTest::keyClick(Edit(kCount), Qt::Key_Enter, Qt::KeypadModifier);
  e = Next();
  EXPECT_EQ(e.number, kEventRejected);
  EXPECT_EQ(e.control, kCount);
  EXPECT_EQ(vars_.count, 12);
  EXPECT_EQ(Edit(kCount)->text(), "1x");  // the user's text stays for correcting
  loop_->EndEvent(kStepDefault);
  EXPECT_TRUE(NothingQueued());
}

TEST_F(QtWindowTest, AButtonClickCompletesTheFocusedEntryFirst) {
  Retype(kAmount, "7.5");
  QTest::mouseClick(Widget<QPushButton>(kRun), Qt::LeftButton);
  Event e = NextNotSelected();
  EXPECT_EQ(e.number, kEventAccepted);
  EXPECT_EQ(e.control, kAmount);
  EXPECT_EQ(vars_.amount, 7.5);
  loop_->EndEvent(kStepDefault);
  e = NextNotSelected();
  EXPECT_EQ(e.number, kEventAccepted);
  EXPECT_EQ(e.control, kRun);
  EXPECT_EQ(KeyCode(), kMouseLeft);

  // The window procedure asks the user; the user answers in the real box.
  auto user = test::MessageBoxAnswerer::Click(kButtonNo);
  EXPECT_EQ(MessageBox("Calculate now?", "Calculator", StandardIconRef(kIconQuestion),
                       kButtonsYesNo, kButtonYes),
            kButtonNo);
  EXPECT_EQ(user.seen().title, "Calculator");
  loop_->EndEvent(kStepDefault);

  // A rejected entry stops the press.
  Retype(kAmount, "abc");
  QTest::mouseClick(Widget<QPushButton>(kRun), Qt::LeftButton);
  e = NextNotSelected();
  EXPECT_EQ(e.number, kEventRejected);
  EXPECT_EQ(e.control, kAmount);
  loop_->EndEvent(kStepDefault);
  EXPECT_TRUE(NothingQueued());
  EXPECT_EQ(vars_.amount, 7.5);
  EXPECT_EQ(mirror_->focusWidget(), Edit(kAmount));
}

TEST_F(QtWindowTest, SpinArrowsAndKeysStepInsideTheRangeAndTypedValuesAreChecked) {
  SpinEdit* spin = Widget<SpinEdit>(kSize);
  QStyleOptionSpinBox opt;
  opt.initFrom(spin);
  opt.subControls = QStyle::SC_All;
  opt.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
  QRect up = spin->style()->subControlRect(QStyle::CC_SpinBox, &opt, QStyle::SC_SpinBoxUp, spin);
  ASSERT_TRUE(up.isValid());
  QTest::mouseClick(spin, Qt::LeftButton, Qt::NoModifier, up.center());
  Event e = NextNotSelected();
  EXPECT_EQ(e.number, kEventAccepted);
  EXPECT_EQ(e.control, kSize);
  EXPECT_EQ(vars_.size, 1);  // from 0 into the range 1..9
  EXPECT_EQ(spin->edit()->text(), " 1");
  loop_->EndEvent(kStepDefault);

  QTest::keyClick(spin, Qt::Key_Up);
  e = NextNotSelected();
  EXPECT_EQ(e.number, kEventAccepted);
  EXPECT_EQ(vars_.size, 2);
  loop_->EndEvent(kStepDefault);

  Retype(kSize, "12");
  QTest::keyClick(spin, Qt::Key_Return);
  e = NextNotSelected();
  EXPECT_EQ(e.number, kEventRejected);
  EXPECT_EQ(vars_.size, 2);
  loop_->EndEvent(kStepDefault);
}

TEST_F(QtWindowTest, KeysWheelAndClicksOnAPageModeListBecomeTheListsEvents) {
  ListControlWidget* list = Widget<ListControlWidget>(kList);
  QTableView* view = list->view();
  ASSERT_EQ(view->model()->rowCount(), 5);
  EXPECT_EQ(view->model()->index(1, 1).data().toString(), " 1.50");

  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    int event;
  };
  for (const Case& c : {Case{Qt::Key_Down, Qt::NoModifier, kEventScrollDown},
                        Case{Qt::Key_Up, Qt::NoModifier, kEventScrollUp},
                        Case{Qt::Key_PageDown, Qt::NoModifier, kEventPageDown},
                        Case{Qt::Key_PageUp, Qt::NoModifier, kEventPageUp},
                        Case{Qt::Key_Home, Qt::ControlModifier, kEventScrollTop},
                        Case{Qt::Key_End, Qt::ControlModifier, kEventScrollBottom}}) {
    QTest::keyClick(view, c.key, c.mods);
    Event e = NextNotSelected();
    EXPECT_EQ(e.number, c.event) << "key " << c.key;
    EXPECT_EQ(e.control, kList);
    loop_->EndEvent(kStepDefault);
  }
  // Page mode: the keys asked, the highlight did not move by itself.
  EXPECT_EQ(window_->Find(kList)->selected(), 0u);

  QPoint second = view->visualRect(view->model()->index(1, 1)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, second);
  Event e = NextNotSelected();
  EXPECT_EQ(e.number, kEventNewSelection);
  EXPECT_EQ(e.control, kList);
  EXPECT_EQ(KeyCode(), kMouseLeft);
  EXPECT_EQ(Choice(kList), 2u);
  EXPECT_EQ(view->selectionModel()->currentIndex().row(), 1);
  EXPECT_TRUE(view->selectionModel()->isRowSelected(1, QModelIndex()));
  loop_->EndEvent(kStepDefault);

  // A printable character is the browse's to locate with.
  QTest::keyClick(view, Qt::Key_7, Qt::NoModifier);
  e = NextNotSelected();
  EXPECT_EQ(e.number, kEventAlertKey);
  EXPECT_EQ(KeyChar(), U'7');
  loop_->EndEvent(kStepDefault);

  // One wheel notch away from the user: rows up, as many as the desktop scrolls.
  QWheelEvent wheel(QPointF(5, 5), view->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view->viewport(), &wheel);
  for (int i = 0; i < QApplication::wheelScrollLines(); ++i) {
    e = NextNotSelected();
    EXPECT_EQ(e.number, kEventScrollUp);
    loop_->EndEvent(kStepDefault);
  }
  EXPECT_TRUE(NothingQueued());
}

TEST_F(QtWindowTest, TheScrollBarOfAPageModeListAsksAndShowsTheThumb) {
  ListControlWidget* list = Widget<ListControlWidget>(kList);
  QScrollBar* bar = list->scrollBar();
  ASSERT_TRUE(bar->isVisible());
  window_->SetPropertyInt(kList, kPropThumb, 40);
  EXPECT_EQ(bar->sliderPosition(), 40);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  Event e = NextNotSelected();
  EXPECT_EQ(e.number, kEventPageDown);
  // The thumb waits for the browse to move it.
  EXPECT_EQ(bar->sliderPosition(), 40);
  loop_->EndEvent(kStepDefault);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(NextNotSelected().number, kEventScrollUp);
  loop_->EndEvent(kStepDefault);
  bar->setSliderDown(true);
  bar->setSliderPosition(75);
  bar->setSliderDown(false);
  e = NextNotSelected();
  EXPECT_EQ(e.number, kEventScrollDrag);
  EXPECT_EQ(window_->PropertyInt(kList, kPropThumb), 75);
  loop_->EndEvent(kStepDefault);
}

TEST_F(QtWindowTest, ChangesOfTheModelShowAtOnce) {
  QTableView* view = Widget<ListControlWidget>(kList)->view();
  window_->SetPropertyInt(kList, kPropSelected, 3);
  EXPECT_TRUE(view->selectionModel()->isRowSelected(2, QModelIndex()));
  vars_.rows.Get(3);
  vars_.rows.buffer.value = 4.5;
  vars_.rows.Put();
  vars_.rows.DeleteAt(5);
  window_->Display(kList);
  EXPECT_EQ(view->model()->rowCount(), 4);
  EXPECT_EQ(view->model()->index(2, 1).data().toString(), " 4.50");

  vars_.total = 1234.5;
  window_->Display();
  EXPECT_EQ(Widget<QLabel>(kTotal)->text(), "   1234.50");
  window_->Hide(kPrompt);
  EXPECT_FALSE(mirror_->WidgetFor(kPrompt)->isVisible());
  window_->Disable(kRun);
  EXPECT_FALSE(mirror_->WidgetFor(kRun)->isEnabled());
  window_->SetProperty(kRun, kPropText, "&Again");
  EXPECT_EQ(Widget<QPushButton>(kRun)->text(), "&Again");
  window_->SetProperty(kCount, kPropBackground, std::to_string(Rgb(255, 255, 0)));
  EXPECT_EQ(Edit(kCount)->palette().color(QPalette::Base), QColor(255, 255, 0));
  window_->SetPosition(kCount, 10, 10, 40, 12);
  EXPECT_EQ(mirror_->WidgetFor(kCount)->geometry(), mirror_->units().Rect(10, 10, 40, 12));
  // A new caption while the user types leaves the typing alone.
  Retype(kAmount, "4");
  window_->SetProperty(0, kPropText, "Odds");
  EXPECT_EQ(mirror_->windowTitle(), "Odds");
  EXPECT_FALSE(Edit(kAmount)->hasSelectedText());
  EXPECT_EQ(Edit(kAmount)->text(), "4");
}

TEST_F(QtWindowTest, ControlsCreatedAtRunTimeGetWidgetsThatFollowThem) {
  ASSERT_EQ(window_->Create(40, ControlKind::kEntry), 40);
  QPointer<QWidget> entry = mirror_->WidgetFor(40);
  ASSERT_FALSE(entry.isNull());
  EXPECT_FALSE(entry->isVisible());  // created hidden
  window_->SetPosition(40, 5, 118, 30, 10);
  window_->Unhide(40);
  EXPECT_TRUE(entry->isVisible());
  EXPECT_EQ(entry->geometry(), mirror_->units().Rect(5, 118, 30, 10));

  ASSERT_EQ(window_->Create(41, ControlKind::kList), 41);
  ASSERT_TRUE(window_->BindList(41, &vars_.rows, &vars_.layout));
  ASSERT_TRUE(window_->SetProperty(41, kPropFormat, "30L@n5.2@"));
  window_->SetPosition(41, 150, 0, 50, 30);
  window_->Unhide(41);
  auto* list = Widget<ListControlWidget>(41);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->model()->rowCount(), 5);
  EXPECT_EQ(list->model()->index(0, 0).data().toString(), " 1.00");  // field 1, KF:NN

  ASSERT_TRUE(window_->Destroy(40));
  EXPECT_EQ(mirror_->WidgetFor(40), nullptr);
  EXPECT_TRUE(entry.isNull());
}

TEST_F(QtWindowTest, AChartIsDrawnWithQtChartsBarsFromLowToHighAndTheLevelAcross) {
  constexpr int kChart = 90;
  ASSERT_EQ(window_->Create(kChart, ControlKind::kChart), kChart);
  window_->SetPosition(kChart, 0, 0, 200, 120);
  window_->Unhide(kChart);
  auto Chart = [this] { return Widget<QChartView>(kChart)->chart(); };
  ASSERT_NE(Widget<QChartView>(kChart), nullptr);
  EXPECT_TRUE(mirror_->WidgetFor(kChart)->isVisible());
  const ChartData data{"Возврат", {{"0", 0.0, 0.0}, {"1", 1.5, 4.25}, {"2", 9.0, 20.0}}, 11.0,
                       "Ставка"};
  ASSERT_TRUE(window_->SetChart(kChart, data));

  const QList<QAbstractSeries*> series = Chart()->series();
  ASSERT_EQ(series.size(), 2);
  auto* bars = qobject_cast<QStackedBarSeries*>(series[0]);
  ASSERT_NE(bars, nullptr);
  ASSERT_EQ(bars->count(), 2);
  const QBarSet* below = bars->barSets()[0];
  const QBarSet* span = bars->barSets()[1];
  EXPECT_EQ(span->label(), "Возврат");
  ASSERT_EQ(span->count(), 3);
  for (int i = 1; i < 3; ++i) {
    EXPECT_EQ(below->at(i), data.bars[i].low) << i;
    EXPECT_EQ(below->at(i) + span->at(i), data.bars[i].high) << i;
  }
  // Low equal to high: a thin mark at that value, so that it still shows.
  EXPECT_LE(below->at(0), 0.0);
  EXPECT_GT(span->at(0), 0.0);
  EXPECT_LT(span->at(0), 0.01 * 20.0);
  auto* line = qobject_cast<QLineSeries*>(series[1]);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->name(), "Ставка");
  ASSERT_EQ(line->count(), 2);
  EXPECT_EQ(line->at(0).y(), 11.0);
  EXPECT_EQ(line->at(1).y(), 11.0);

  // Set again without a level: only the bars, the new ones.
  ASSERT_TRUE(window_->SetChart(kChart, ChartData{"", {{"0", 2.0, 3.0}}, std::nullopt, ""}));
  ASSERT_EQ(Chart()->series().size(), 1);
  bars = qobject_cast<QStackedBarSeries*>(Chart()->series()[0]);
  ASSERT_NE(bars, nullptr);
  EXPECT_EQ(bars->barSets()[1]->count(), 1);
  EXPECT_EQ(bars->barSets()[1]->at(0), 1.0);
}

TEST_F(QtWindowTest, TabMovesTheFocusAndAnEntryThatRejectsKeepsIt) {
  window_->Select(kCount);
  ASSERT_EQ(mirror_->focusWidget(), Edit(kCount));
  loop_->EndEvent(kStepDefault);
  QTest::keyClick(Edit(kCount), Qt::Key_Tab);
  EXPECT_EQ(window_->focus(), kSize);
  EXPECT_EQ(mirror_->focusWidget(), mirror_->FocusWidgetFor(kSize));
  QTest::keyClick(mirror_->FocusWidgetFor(kSize), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(mirror_->focusWidget(), Edit(kCount));

  QTest::keyClicks(Edit(kCount), "x");
  // A click into another entry asks for the focus; the bad text keeps it here.
  QTest::mouseClick(Edit(kAmount), Qt::LeftButton);
  EXPECT_EQ(window_->focus(), kCount);
  EXPECT_EQ(mirror_->focusWidget(), Edit(kCount));
  Event e = NextNotSelected();
  EXPECT_EQ(e.number, kEventRejected);
  EXPECT_EQ(e.control, kCount);
  loop_->EndEvent(kStepDefault);
}

TEST_F(QtWindowTest, AnEntryFloatedOverTheListCoversTheHighlightedCell) {
  ListControlWidget* list = Widget<ListControlWidget>(kList);
  window_->SetPropertyInt(kList, kPropSelected, 2);
  ASSERT_TRUE(window_->SetPropertyInt(kList, kPropColumnEditor, kSmall, 2));
  QWidget* editor = mirror_->WidgetFor(kSmall);
  ASSERT_TRUE(editor->isVisible());
  QRect cell(list->mapTo(mirror_, list->CellRect(2, 2).topLeft()), list->CellRect(2, 2).size());
  EXPECT_TRUE(editor->geometry().contains(cell.center()));
  EXPECT_GE(editor->geometry().width(), cell.width());
  // The highlight moves: the editor follows its row.
  window_->SetPropertyInt(kList, kPropSelected, 4);
  QRect next(list->mapTo(mirror_, list->CellRect(4, 2).topLeft()), list->CellRect(4, 2).size());
  EXPECT_TRUE(editor->geometry().contains(next.center()));
  window_->SetPropertyInt(kList, kPropColumnEditor, 0, 2);
  EXPECT_FALSE(editor->isVisible());
}

TEST_F(QtWindowTest, WaitingForAnEventRunsQtUntilTheUserActs) {
  QTimer::singleShot(30, [this] { QTest::mouseClick(Widget<QPushButton>(kGo), Qt::LeftButton); });
  Event e = NextNotSelected();
  EXPECT_EQ(e.number, kEventAccepted);
  EXPECT_EQ(e.control, kGo);
}

TEST_F(QtWindowTest, ALoopRunWhileHandlingAnEventTakesTheInputThenTheOuterLoopGoesOn) {
  QTimer::singleShot(20, [this] { QTest::mouseClick(Widget<QPushButton>(kGo), Qt::LeftButton); });
  Event e = NextNotSelected();
  ASSERT_EQ(e.control, kGo);
  {
    // As edit in place does: a loop of its own until the user completes the entry.
    QTimer::singleShot(20, [this] {
      Retype(kCount, "5");
      QTest::keyClick(Edit(kCount), Qt::Key_Return);
    });
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [this] { window_->Post(kEventTimedOut); });
    watchdog.start(5000);
    EventLoop inner(*window_);
    std::vector<int> seen;
    while (inner.Next()) {
      const Event& ie = inner.event();
      if (ie.number != kEventSelected && ie.number != kEventGainFocus &&
          ie.number != kEventLoseFocus) {
        seen.push_back(ie.number);
      }
      bool done = (ie.number == kEventAccepted && ie.control == kCount) ||
                  ie.number == kEventTimedOut;
      inner.EndEvent(done ? kStepLeave : kStepDefault);
    }
    EXPECT_EQ(seen, std::vector<int>{kEventAccepted});
    EXPECT_EQ(vars_.count, 5);
  }
  loop_->EndEvent(kStepDefault);
  QTimer::singleShot(20,
                     [this] { QTest::mouseClick(Widget<QPushButton>(kRun), Qt::LeftButton); });
  e = NextNotSelected();
  EXPECT_EQ(e.number, kEventAccepted);
  EXPECT_EQ(e.control, kRun);
}

TEST_F(QtWindowTest, AWindowOpenedWhileAnotherWindowsLoopRunsTakesTheInputAlone) {
  // window_ was opened before any loop ran: it stays open to the user beside others.
  EXPECT_EQ(mirror_->windowModality(), Qt::NonModal);
  test::TestVariables inner_vars;
  std::string error;
  std::unique_ptr<Window> inner = inner_vars.Prepare(&error);
  ASSERT_NE(inner, nullptr) << error;
  // Opened while window_'s loop is running, as a procedure called from an event does.
  ASSERT_TRUE(inner->Open());
  WindowMirror* inner_mirror = backend_->MirrorOf(*inner);
  ASSERT_NE(inner_mirror, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(inner_mirror));
  EXPECT_EQ(inner_mirror->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(QApplication::activeModalWidget(), inner_mirror);
  inner->Close();
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "window_ takes input again";
}

TEST_F(QtWindowTest, TheCloseBoxAsksAndTheDefaultHandlingClosesTheWindow) {
  mirror_->close();
  Event e = Next();
  EXPECT_EQ(e.number, kEventCloseWindow);
  EXPECT_TRUE(mirror_->isVisible());  // asking is not closing
  loop_->EndEvent(kStepDefault);
  EXPECT_FALSE(window_->IsOpen());
  EXPECT_FALSE(mirror_->isVisible());
  EXPECT_FALSE(loop_->Next());
}

}  // namespace
}  // namespace rt

namespace rt {
namespace {

TEST(QtImageTest, AnImageControlShowsItsEmbeddedGifAtItsOwnSize) {
  test::EnsureApplication();
  // Debian's Qt reads GIF through its image-format plugin (package libqt6gui6).
  ASSERT_TRUE(QImageReader::supportedImageFormats().contains("gif"));
  int argc = 1;
  char name[] = "qt";
  char* argv[] = {name, nullptr};
  QtBackend backend(argc, argv);
  Backend* previous = SetBackend(&backend);
  WindowResource resource;
  resource.label = "IMAGE$W";
  resource.font = {"MS Sans Serif", 8, kWeightNormal, false};
  resource.width = 60;
  resource.height = 40;
  ControlResource image;
  image.number = 16;
  image.kind = ControlKind::kImage;
  image.x = 1;
  image.y = 1;
  image.image_data = CoinGif();
  resource.controls.push_back(image);
  ControlResource broken = image;
  broken.number = 17;
  broken.x = 30;
  broken.image_data = CoinGif().substr(0, 20);  // cut short: shows nothing, breaks nothing
  resource.controls.push_back(broken);
  {
    std::unique_ptr<Window> window = Window::Prepare(resource, {});
    ASSERT_NE(window, nullptr);
    window->Open();
    WindowMirror* mirror = backend.MirrorOf(*window);
    ASSERT_NE(mirror, nullptr);
    auto* label = qobject_cast<QLabel*>(mirror->WidgetFor(16));
    ASSERT_NE(label, nullptr);
    QPixmap pixmap = label->pixmap();
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(24, 24));
    EXPECT_EQ(label->size(), QSize(24, 24));
    EXPECT_EQ(label->pos(), mirror->units().Rect(1, 1, 0, 0).topLeft());
    // The coin's gold centre and its transparent corner.
    QImage drawn = pixmap.toImage();
    EXPECT_EQ(QColor(drawn.pixel(12, 12)), QColor(0xD4, 0xA0, 0x17));
    EXPECT_EQ(qAlpha(drawn.pixel(0, 0)), 0);
    auto* cut = qobject_cast<QLabel*>(mirror->WidgetFor(17));
    ASSERT_NE(cut, nullptr);
    EXPECT_TRUE(cut->pixmap().isNull());
  }
  SetBackend(previous);
}

}  // namespace
}  // namespace rt
