// The pull-model event loop: the end-of-event step, default handling of close requests, the
// open event, nested loops, the headless backend's own close when its script is used up, and
// posting between runtime threads.
#include "runtime/windows/event_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"

namespace rt {
namespace {

using test::EventsOf;
using test::RunLoop;
using test::Seen;

constexpr int kEventCustom = 0x400;

class EventLoopTest : public test::HeadlessTest {
 protected:
  std::unique_ptr<Window> OpenTestWindow() {
    std::string error;
    auto w = vars_.Prepare(&error);
    EXPECT_NE(w, nullptr) << error;
    if (w) {
      EXPECT_TRUE(w->Open());
    }
    return w;
  }
  test::TestVariables vars_;
};

// Logs what the screen was told, so the order against the program's events shows.
class LoggingBackend : public HeadlessBackend {
 public:
  void WindowOpened(Window& window) override {
    log.push_back("shown");
    HeadlessBackend::WindowOpened(window);
  }
  void WindowClosed(Window& window) override {
    log.push_back("hidden");
    HeadlessBackend::WindowClosed(window);
  }
  std::vector<std::string> log;
};

TEST(EventLoopOpenTest, TheOpenEventComesFirstAfterTheWindowIsShown) {
  LoggingBackend backend;
  Backend* previous = SetBackend(&backend);
  test::TestVariables vars;
  auto w = vars.Prepare();
  ASSERT_TRUE(w->Open());
  EXPECT_FALSE(w->Open()) << "an open window does not open twice";
  std::vector<Seen> seen = RunLoop(*w, [&](const Event& e) {
    backend.log.push_back("event " + std::to_string(e.number));
    return kStepDefault;
  });
  SetBackend(previous);
  EXPECT_EQ(backend.log, (std::vector<std::string>{"shown", "event 515", "event 513", "hidden"}));
}

TEST_F(EventLoopTest, CloseWindowsDefaultHandlingClosesTheWindowAndEndsTheLoop) {
  auto w = OpenTestWindow();
  backend().Click(test::kGo);
  backend().CloseWindow();
  backend().Click(test::kRun);  // never reached: the window is gone
  std::vector<Seen> seen = RunLoop(*w);
  EXPECT_EQ(seen.back().event, kEventCloseWindow);
  EXPECT_FALSE(w->IsOpen());
  EXPECT_TRUE(backend().AutoCloses().empty());
  EXPECT_EQ(backend().PendingActions(), 1u);
  // The rest of the script waits for the window to be opened again.
  ASSERT_TRUE(w->Open());
  EXPECT_EQ(EventsOf(RunLoop(*w), test::kRun), (std::vector<int>{kEventAccepted}));
}

TEST_F(EventLoopTest, SkippingTheDefaultKeepsTheWindowOpenAndLeavingEndsOnlyTheLoop) {
  auto w = OpenTestWindow();
  backend().CloseWindow();
  backend().Click(test::kGo);
  int closes = 0;
  std::vector<Seen> seen = RunLoop(*w, [&](const Event& e) {
    if (e.number == kEventCloseWindow) {
      ++closes;
      return kStepSkip;
    }
    if (e.number == kEventAccepted) return kStepLeave;
    return kStepDefault;
  });
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(seen.back().event, kEventAccepted);
  EXPECT_TRUE(w->IsOpen()) << "leaving the loop does not close the window";
}

TEST_F(EventLoopTest, AnEventNotEndedGetsTheDefaultHandling) {
  auto w = OpenTestWindow();
  backend().CloseWindow();
  EventLoop loop(*w);
  int events = 0;
  while (loop.Next()) ++events;  // never calls EndEvent
  EXPECT_EQ(events, 2);
  EXPECT_FALSE(w->IsOpen());
}

TEST_F(EventLoopTest, NestedLoopsTakeTheirOwnEventsAndTheOuterGoesOnAfterwards) {
  auto w = OpenTestWindow();
  backend().Click(test::kGo);
  backend().Click(test::kRun);
  backend().Click(test::kGo);
  std::vector<int> inner_accepted;
  int field_after_inner = -1;
  std::vector<Seen> outer = RunLoop(*w, [&](const Event& e) {
    if (e.number == kEventAccepted && e.control == test::kGo && inner_accepted.empty()) {
      EventLoop inner(*w);
      while (inner.Next()) {
        EXPECT_EQ(Field(), inner.event().control);
        if (Accepted() != 0) inner_accepted.push_back(Accepted());
        inner.EndEvent(Accepted() == test::kRun ? kStepLeave : kStepDefault);
      }
      field_after_inner = Field();
    }
    return kStepDefault;
  });
  EXPECT_EQ(inner_accepted, (std::vector<int>{test::kRun}));
  EXPECT_EQ(field_after_inner, test::kGo) << "the outer event is current again";
  EXPECT_EQ(EventsOf(outer, test::kGo), (std::vector<int>{kEventAccepted, kEventAccepted}));
  EXPECT_TRUE(EventsOf(outer, test::kRun).empty());
}

TEST_F(EventLoopTest, ANestedLoopOnAnotherWindowLeavesTheFirstWindowsEventsQueued) {
  auto first = OpenTestWindow();
  test::TestVariables other_vars;
  std::unique_ptr<Window> second;
  std::vector<Seen> inner;
  backend().Check([&] {
    EXPECT_TRUE(first->Post(kEventCustom, test::kGo));
    second = other_vars.Prepare();
    ASSERT_TRUE(second->OpenOwned(first.get()));
    EXPECT_EQ(second->owner(), first.get());
    EXPECT_EQ(TargetWindow(), first.get()) << "the innermost running loop's window";
    inner = RunLoop(*second);  // ends by the backend's close: its script is used up
    EXPECT_FALSE(second->IsOpen());
  });
  std::vector<Seen> outer = RunLoop(*first);
  for (const Seen& s : inner) EXPECT_NE(s.event, kEventCustom);
  EXPECT_EQ(EventsOf(outer, test::kGo), (std::vector<int>{kEventCustom}));
  ASSERT_EQ(backend().AutoCloses().size(), 2u);
  EXPECT_EQ(backend().AutoCloses()[0].window, "TEST$WINDOW");
}

TEST_F(EventLoopTest, WithTheScriptUsedUpTheBackendClosesTheWindowAndSaysSo) {
  auto w = OpenTestWindow();
  int refusals = 0;
  RunLoop(*w, [&](const Event& e) {
    if (e.number == kEventCloseWindow) {
      ++refusals;
      return kStepSkip;  // a program that never lets go
    }
    return kStepDefault;
  });
  EXPECT_FALSE(w->IsOpen());
  EXPECT_EQ(refusals, 1);
  std::vector<AutoCloseRecord> closes = backend().AutoCloses();
  ASSERT_EQ(closes.size(), 2u);
  EXPECT_FALSE(closes[0].forced);
  EXPECT_TRUE(closes[1].forced);
}

TEST_F(EventLoopTest, KeylessPostsKeepTheLastKeyCode) {
  auto w = OpenTestWindow();
  backend().ClickRow(test::kList, 1, 1);  // no rows: focus only
  backend().Click(test::kGo);
  std::vector<int> keys;
  RunLoop(*w, [&](const Event& e) {
    if (e.number == kEventAccepted) {
      EXPECT_TRUE(w->Post(kEventCustom, test::kRun));
    }
    if (e.number == kEventCustom) keys.push_back(KeyCode());
    return kStepDefault;
  });
  EXPECT_EQ(keys, (std::vector<int>{kMouseLeft}));
  SetKeyCode(0);
  EXPECT_EQ(KeyCode(), 0);
}

TEST_F(EventLoopTest, PressKeyActsOnTheFocusedControlOfTheTarget) {
  auto w = OpenTestWindow();
  ASSERT_TRUE(w->SetPropertyInt(test::kGo, kPropAlertKey, kKeyF1, 1));
  backend().Check([] { PressKey(kKeyF1); });
  std::vector<Seen> seen = RunLoop(*w);
  ASSERT_EQ(EventsOf(seen, test::kGo), (std::vector<int>{kEventAlertKey}));
  for (const Seen& s : seen) {
    if (s.event == kEventAlertKey) {
      EXPECT_EQ(s.key_code, kKeyF1);
    }
  }
}

TEST_F(EventLoopTest, PostingToAnotherRuntimeThreadReachesItsWindow) {
  std::atomic<bool> ready{false};
  std::mutex mutex;
  std::vector<Seen> seen;
  int worker_number = 0;
  int worker = Start([&] {
    test::TestVariables vars;
    auto w = vars.Prepare();
    ASSERT_TRUE(w->Open());
    worker_number = ThreadNumber();
    ready = true;
    std::vector<Seen> got = RunLoop(*w, [](const Event& e) {
      return e.number == kEventCustom + 1 ? kStepLeave : kStepDefault;
    });
    std::lock_guard<std::mutex> lock(mutex);
    seen = got;
  });
  while (!ready) std::this_thread::yield();
  EXPECT_TRUE(Post(kEventCustom, test::kCount, worker));
  EXPECT_TRUE(Post(kEventCustom + 1, 0, worker));
  ASSERT_TRUE(JoinThread(worker));
  EXPECT_EQ(worker_number, worker);
  EXPECT_NE(worker, ThreadNumber());
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[1].event, kEventCustom);
  EXPECT_EQ(seen[1].control, test::kCount);
  EXPECT_EQ(seen[2].event, kEventCustom + 1);
  EXPECT_FALSE(Post(kEventCustom, 0, worker)) << "a finished thread takes no posts";
  EXPECT_TRUE(backend().AutoCloses().empty());
}

TEST_F(EventLoopTest, PostsFromManyThreadsArriveWholeAndInOrderPerPoster) {
  std::atomic<bool> ready{false};
  std::vector<std::vector<int>> by_poster(4);
  int worker = Start([&] {
    test::TestVariables vars;
    auto w = vars.Prepare();
    ASSERT_TRUE(w->Open());
    ready = true;
    int stops = 0;
    RunLoop(*w, [&](const Event& e) {
      if (e.number == kEventCustom) by_poster[e.control - 100].push_back(KeyCode());
      if (e.number == kEventCustom + 1 && ++stops == 4) return kStepLeave;
      return kStepDefault;
    });
  });
  while (!ready) std::this_thread::yield();
  std::vector<std::thread> posters;
  for (int p = 0; p < 4; ++p) {
    posters.emplace_back([p, worker] {
      auto t = RuntimeThread::Find(worker);
      for (int i = 0; i < 200; ++i) {
        Event e;
        e.number = kEventCustom;
        e.control = 100 + p;
        e.key_code = i;
        t->Post(e);
      }
      Post(kEventCustom + 1, 0, worker);
    });
  }
  for (std::thread& t : posters) t.join();
  ASSERT_TRUE(JoinThread(worker));
  for (const std::vector<int>& got : by_poster) {
    ASSERT_EQ(got.size(), 200u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(got[i], i);
  }
}

TEST(EventLoopWithoutBackendTest, ALoopEndsWhenNoInputCanEverCome) {
  Backend* previous = SetBackend(nullptr);
  test::TestVariables vars;
  auto w = vars.Prepare();
  ASSERT_TRUE(w->Open());
  EventLoop loop(*w);
  int events = 0;
  while (loop.Next()) {
    ++events;
    loop.EndEvent(kStepDefault);
  }
  EXPECT_EQ(events, 2);  // open, then the close the loop made up
  EXPECT_EQ(loop.auto_closes(), 1);
  EXPECT_FALSE(w->IsOpen());
  SetBackend(previous);
}

}  // namespace
}  // namespace rt
