// Windows and dialogs of runtime threads other than the GUI thread (a toolbox window started
// with rt::Start): their widgets live on the GUI thread, their model stays on their thread.
#include "runtime/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

#include <atomic>

#include "runtime/windows/event_loop.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"
#include "runtime/qt/list_control_widget.h"
#include "runtime/qt/qt_test_support.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/runtime_thread.h"

namespace rt {
namespace {

constexpr int kEventToolboxUsed = 0x7F10;  // the toolbox tells the main window
constexpr int kEventTimedOut = 0x7FF0;

enum ToolboxControl { kInsert = 1, kLabel = 2, kRows = 3 };

const WindowResource& ToolboxResource() {
  static const WindowResource* r = [] {
    auto* w = new WindowResource;
    w->label = "TOOLBOX$W";
    w->caption = "Toolbox";
    w->font = {"MS Sans Serif", 8, kWeightNormal, false};
    w->width = 80;
    w->height = 70;
    ControlResource c;
    c.number = kInsert; c.kind = ControlKind::kButton; c.x = 4; c.y = 4; c.width = 40;
    c.height = 14; c.text = "&Insert";
    w->controls.push_back(c);
    c = {};
    c.number = kLabel; c.kind = ControlKind::kPrompt; c.x = 48; c.y = 6; c.text = "Ready";
    w->controls.push_back(c);
    c = {};
    c.number = kRows; c.kind = ControlKind::kList; c.x = 4; c.y = 22; c.width = 72;
    c.height = 44; c.list_format = "20R@n2@30R@n5.2@"; c.binding = 1;
    w->controls.push_back(c);
    return w;
  }();
  return *r;
}

class QtThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureApplication();
    backend_ = std::make_unique<QtBackend>(argc_, argv_);
    previous_ = SetBackend(backend_.get());
  }
  void TearDown() override {
    SetBackend(previous_);
    backend_.reset();
  }

  int argc_ = 1;
  char name_[8] = "qt";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QtBackend> backend_;
  Backend* previous_ = nullptr;
};

TEST_F(QtThreadTest, AToolboxWindowOfAnotherThreadIsDrawnOnTheGuiThreadAndServedOnItsOwn) {
  // The program's window, on the GUI thread, waiting in its loop.
  test::TestVariables vars;
  std::unique_ptr<Window> main_window = vars.Prepare();
  ASSERT_NE(main_window, nullptr);
  main_window->Open();
  EventLoop main_loop(*main_window);
  ASSERT_TRUE(main_loop.Next());
  ASSERT_EQ(main_loop.event().number, kEventOpenWindow);
  main_loop.EndEvent(kStepDefault);

  const int gui_thread = ThreadNumber();
  std::atomic<Window*> toolbox{nullptr};
  std::atomic<int> served_on{0};
  std::atomic<bool> ended{false};
  int worker = Start([&] {
    test::TestVariables data;  // the toolbox's own rows, which only this thread touches
    data.AddRows(2);
    std::unique_ptr<Window> w = Window::Prepare(ToolboxResource(),
                                                {Window::Binding(&data.rows, &data.layout)});
    w->Open();
    toolbox = w.get();
    EventLoop loop(*w);
    while (loop.Next()) {
      const Event& e = loop.event();
      if (e.number == kEventAccepted && e.control == kInsert) {
        served_on = ThreadNumber();
        data.AddRows(1);
        w->Display(kRows);
        w->SetProperty(kLabel, kPropText, "Inserted");
        Post(kEventToolboxUsed, 0, gui_thread);
      }
      loop.EndEvent(kStepDefault);
    }
    toolbox = nullptr;
    w.reset();
    ended = true;
  });

  // The toolbox's widgets appear on the GUI thread, drawn from copies of its model.
  QPointer<WindowMirror> mirror;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        Window* t = toolbox;
        if (t) mirror = backend_->MirrorOf(*t);
        return mirror && mirror->isVisible();
      },
      5000));
  EXPECT_EQ(mirror->thread(), QApplication::instance()->thread());
  EXPECT_EQ(mirror->windowTitle(), "Toolbox");
  auto* rows = qobject_cast<ListControlWidget*>(mirror->WidgetFor(kRows));
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(rows->model()->rowCount(), 2);
  EXPECT_EQ(rows->model()->index(1, 1).data().toString(), " 1.50");

  // A real click on the toolbox's button: the toolbox thread handles it and tells us, while
  // the GUI thread waits in its own window's loop.
  auto* insert = qobject_cast<QPushButton*>(mirror->WidgetFor(kInsert));
  ASSERT_NE(insert, nullptr);
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout,
                   [&] { main_window->Post(kEventTimedOut); });
  watchdog.start(5000);
  QTest::mouseClick(insert, Qt::LeftButton);
  Event got;
  while (main_loop.Next()) {
    got = main_loop.event();
    main_loop.EndEvent(kStepSkip);
    if (got.number == kEventToolboxUsed || got.number == kEventTimedOut) break;
  }
  watchdog.stop();
  EXPECT_EQ(got.number, kEventToolboxUsed);
  EXPECT_EQ(served_on, worker);
  EXPECT_NE(served_on, gui_thread);

  // What the toolbox thread changed reaches its widgets.
  auto* label = mirror->WidgetFor(kLabel);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return rows->model()->rowCount() == 3 && label->property("text") == "Inserted"; },
      5000));
  EXPECT_EQ(rows->model()->index(2, 0).data().toString(), " 1");

  // The close box asks the toolbox thread, whose loop closes and frees the window; the
  // mirror goes with it.
  mirror->close();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ended.load() && mirror.isNull(); }, 5000));
  EXPECT_TRUE(JoinThread(worker));
}

TEST_F(QtThreadTest, PopupsAndMessageBoxesOfAnotherThreadAreShownOnTheGuiThread) {
  std::atomic<int> choice{-1};
  std::atomic<int> answer{-1};
  std::atomic<bool> done{false};
  auto* watcher = new QTimer;
  watcher->setInterval(5);
  QObject::connect(watcher, &QTimer::timeout, watcher, [watcher] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr || !menu->isVisible()) return;
    watcher->stop();
    watcher->deleteLater();
    EXPECT_EQ(menu->thread(), QApplication::instance()->thread());
    for (QAction* a : menu->actions()) {
      if (a->text() == "&Delete") {
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(a).center());
      }
    }
  });
  watcher->start();
  auto user = test::MessageBoxAnswerer::Click(kButtonOk);
  int worker = Start([&] {
    choice = Popup("&Insert|~&Change|&Delete");
    answer = MessageBox("Deleted", "Toolbox");
    done = true;
  });
  EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
  EXPECT_EQ(choice, 3);
  EXPECT_EQ(answer, kButtonOk);
  EXPECT_TRUE(user.seen().on_gui_thread);
  EXPECT_TRUE(JoinThread(worker));
}

}  // namespace
}  // namespace rt
