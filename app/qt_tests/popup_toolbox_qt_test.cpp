// The popup manager's toolbox as a user meets it on the Qt backend: the toolbox runs on a
// runtime thread of its own while its buttons are real widgets on the GUI thread, and a click
// on one of them reaches the parent window's loop, which runs on the GUI thread. Every wait is
// bounded, so a broken hand-over fails the test instead of hanging it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "framework/popup/popup_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/qt_test_support.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app {
namespace {

constexpr int kWaitMs = 10000;  // generous: the sanitizer build is several times slower
constexpr int kEventTimedOut = 0x7FF0;
constexpr char kTitle[] = "Browse Actions";

bool ThreadFinished(int number) {
  std::shared_ptr<rt::RuntimeThread> t = rt::RuntimeThread::Find(number);
  return t && t->finished();
}

// The shown toolbox window, found the way a user sees it: a visible window with its title.
rt::WindowMirror* ShownToolbox() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* mirror = qobject_cast<rt::WindowMirror*>(w);
    if (mirror && mirror->isVisible() && mirror->windowTitle() == kTitle) return mirror;
  }
  return nullptr;
}

// What the parent's loop took: its event, its control and the thread that took it.
struct Taken {
  int event = 0;
  int control = 0;
  int thread = 0;
};

class PopupToolboxQtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::test::EnsureApplication();
    backend_ = std::make_unique<rt::QtBackend>(argc_, argv_);
    previous_ = rt::SetBackend(backend_.get());
    gui_thread_ = rt::ThreadNumber();

    // The parent, open on the GUI thread and past its open event, as a browse's window is
    // when the user asks for the toolbox.
    parent_ = vars_.Prepare();
    ASSERT_NE(parent_, nullptr);
    parent_->Open();
    loop_ = std::make_unique<rt::EventLoop>(*parent_);
    ASSERT_TRUE(loop_->Next());
    ASSERT_EQ(loop_->event().number, rt::kEventOpenWindow);
    loop_->EndEvent(rt::kStepDefault);

    popup_.Setup();
    ASSERT_EQ(popup_.AppendMimicItem("!&Go", "&Go", rt::test::kGo), "Go");
    ASSERT_EQ(popup_.AppendItem("-"), "Separator");
    ASSERT_EQ(popup_.AppendItem("&Sort by odds"), "Sortbyodds");  // in the menu only
    ASSERT_EQ(popup_.AppendMimicItem("!Расчет", "Calc", rt::test::kRun), "Calc");
  }

  void TearDown() override {
    // Also after a failure: the toolbox must be gone before its parent is freed.
    const int thread = popup_.ToolboxThread();
    popup_.Teardown();
    if (thread != 0) {
      EXPECT_TRUE(QTest::qWaitFor([&] { return ThreadFinished(thread); }, kWaitMs));
      if (ThreadFinished(thread)) rt::JoinThread(thread);
    }
    loop_.reset();
    parent_.reset();
    rt::SetBackend(previous_);
    backend_.reset();
  }

  // Opens the toolbox and waits until its window is shown with both buttons.
  void OpenToolbox() {
    popup_.ShowToolbox(kTitle);
    ASSERT_TRUE(popup_.ToolboxRunning());
    toolbox_thread_ = popup_.ToolboxThread();
    ASSERT_NE(toolbox_thread_, 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          mirror_ = ShownToolbox();
          return mirror_ && Button(1) && Button(2);
        },
        kWaitMs))
        << "the toolbox window never showed";
  }

  QPushButton* Button(int number) const {
    return mirror_ ? qobject_cast<QPushButton*>(mirror_->WidgetFor(number)) : nullptr;
  }

  // Runs the parent's loop until a control is accepted there, or until the wait runs out.
  Taken NextAccepted() {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    rt::Window* parent = parent_.get();
    QObject::connect(&watchdog, &QTimer::timeout, [parent] { parent->Post(kEventTimedOut); });
    watchdog.start(kWaitMs);
    Taken taken;
    while (loop_->Next()) {
      const rt::Event& e = loop_->event();
      taken = {e.number, e.control, rt::ThreadNumber()};
      loop_->EndEvent(rt::kStepSkip);
      if (e.number == rt::kEventAccepted || e.number == kEventTimedOut) break;
    }
    return taken;
  }

  int argc_ = 1;
  char name_[8] = "toolbox";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<rt::QtBackend> backend_;
  rt::Backend* previous_ = nullptr;
  int gui_thread_ = 0;
  rt::test::TestVariables vars_;
  std::unique_ptr<rt::Window> parent_;
  std::unique_ptr<rt::EventLoop> loop_;
  fw::PopupManager popup_;
  int toolbox_thread_ = 0;
  QPointer<rt::WindowMirror> mirror_;
};

TEST_F(PopupToolboxQtTest, ButtonsAreWidgetsOnTheGuiThreadAndAClickPressesTheParentsControl) {
  OpenToolbox();
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_NE(toolbox_thread_, gui_thread_) << "the toolbox has a runtime thread of its own";
  EXPECT_EQ(mirror_->thread(), QApplication::instance()->thread());
  EXPECT_EQ(mirror_->findChildren<QPushButton*>().size(), 2)
      << "one button per toolbox item; the menu-only item and the separator have none";

  // A button whose control has an icon shows the icon and names the item in its tip; one
  // without shows the item's text (taken from the control, as the "!" asks).
  QPushButton* go = Button(1);
  QPushButton* calc = Button(2);
  EXPECT_TRUE(go->text().isEmpty());
  EXPECT_FALSE(go->icon().isNull());
  EXPECT_TRUE(go->toolTip().contains("Go")) << go->toolTip().toStdString();
  EXPECT_EQ(calc->text(), "&Run");
  EXPECT_TRUE(go->isEnabled());
  EXPECT_TRUE(calc->isEnabled());
  EXPECT_TRUE(go->isVisible());
  EXPECT_TRUE(calc->isVisible());

  // A real click: the toolbox's thread handles it and the parent's loop, on the GUI thread,
  // takes the press of its own control.
  QTest::mouseClick(calc, Qt::LeftButton);
  Taken taken = NextAccepted();
  EXPECT_EQ(taken.event, rt::kEventAccepted);
  EXPECT_EQ(taken.control, rt::test::kRun);
  EXPECT_EQ(taken.thread, gui_thread_);

  // The toolbox stays open for more presses.
  QTest::mouseClick(go, Qt::LeftButton);
  taken = NextAccepted();
  EXPECT_EQ(taken.event, rt::kEventAccepted);
  EXPECT_EQ(taken.control, rt::test::kGo);
  EXPECT_TRUE(popup_.ToolboxRunning());
}

TEST_F(PopupToolboxQtTest, ADisabledParentButtonShowsDisabledAfterARefreshAndCannotBePressed) {
  OpenToolbox();
  ASSERT_FALSE(HasFatalFailure());
  QPointer<QPushButton> calc = Button(2);
  ASSERT_TRUE(calc->isEnabled());

  parent_->Disable(rt::test::kRun);
  popup_.RefreshToolbox();
  ASSERT_TRUE(QTest::qWaitFor([&] { return calc && !calc->isEnabled(); }, kWaitMs))
      << "the toolbox did not catch up with its control";
  EXPECT_TRUE(Button(1)->isEnabled()) << "only the disabled control's button changes";

  // Clicks are handed to the toolbox's thread in order: had the disabled button pressed its
  // control, that press would reach the parent before the one of the enabled button.
  QTest::mouseClick(calc, Qt::LeftButton);
  QTest::mouseClick(Button(1), Qt::LeftButton);
  Taken taken = NextAccepted();
  EXPECT_EQ(taken.event, rt::kEventAccepted);
  EXPECT_EQ(taken.control, rt::test::kGo);

  parent_->Enable(rt::test::kRun);
  popup_.RefreshToolbox();
  EXPECT_TRUE(QTest::qWaitFor([&] { return calc && calc->isEnabled(); }, kWaitMs));
}

TEST_F(PopupToolboxQtTest, TeardownWhileTheToolboxIsOpenReturnsAtOnceAndItsThreadEnds) {
  OpenToolbox();
  ASSERT_FALSE(HasFatalFailure());
  const int thread = toolbox_thread_;

  QElapsedTimer clock;
  clock.start();
  popup_.Teardown();
  EXPECT_LT(clock.elapsed(), 1000) << "teardown must not wait for the toolbox";
  EXPECT_FALSE(popup_.ToolboxRunning());
  EXPECT_EQ(popup_.ToolboxThread(), 0);

  // The toolbox's thread closes its window by itself; the GUI thread only has to go on
  // serving events for its widgets to go.
  EXPECT_TRUE(QTest::qWaitFor([&] { return ThreadFinished(thread) && mirror_.isNull(); },
                              kWaitMs));
  EXPECT_EQ(ShownToolbox(), nullptr);
  EXPECT_TRUE(rt::JoinThread(thread));

  // The parent is untouched and its loop still works.
  EXPECT_TRUE(parent_->IsOpen());
  parent_->Post(rt::kEventAccepted, rt::test::kGo);
  Taken taken = NextAccepted();
  EXPECT_EQ(taken.control, rt::test::kGo);
}

}  // namespace
}  // namespace app
