// Test support for the whole program on the Qt backend (offscreen): a stand-in user who acts
// from a timer, each step waiting (polling) until the window shows what a person would wait
// for, and a fixture that runs the program in a fresh working folder. GoogleTest and QTest only.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "runtime/files/temp_folder.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/qt_test_support.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app::test {

// How long the user waits for the window to show something before giving up (generous: the
// sanitizer build is several times slower), and how long closing may then take at most.
constexpr int kStepTimeoutMs = 15000;
constexpr int kRescueTimeoutMs = 20000;
constexpr int kTickMs = 10;

// A user's actions in order. Each step waits until its condition holds and then acts. When a
// step waits too long the test fails with what it was waiting for, and the user closes any
// message box and the window until the program ends, so a broken window never hangs the run.
class UserScript {
 public:
  using Check = std::function<bool()>;
  using Act = std::function<void()>;

  // closer: what the user does to end the program when a step times out.
  explicit UserScript(Act closer) : closer_(std::move(closer)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
  }

  UserScript& When(std::string what, Check ready, Act act) {
    steps_.push_back(Step{std::move(what), std::move(ready), std::move(act)});
    return *this;
  }

  void Start() {
    clock_.start();
    timer_.start(kTickMs);
  }
  void Stop() { timer_.stop(); }

  bool AllStepsRan() const { return next_ == steps_.size(); }
  // What the user was still waiting for; empty when every step ran.
  std::string Pending() const { return AllStepsRan() ? std::string() : steps_[next_].what; }

 private:
  struct Step {
    std::string what;
    Check ready;
    Act act;
  };

  void Tick() {
    // QTest input can spin Qt's loop; a tick must not start inside another.
    if (busy_) return;
    busy_ = true;
    if (rescuing_) {
      Rescue();
    } else if (next_ < steps_.size()) {
      Step& step = steps_[next_];
      if (step.ready()) {
        ++next_;
        clock_.restart();
        if (step.act) step.act();
      } else if (clock_.elapsed() > kStepTimeoutMs) {
        ADD_FAILURE() << "the user waited in vain for: " << step.what;
        rescuing_ = true;
        clock_.restart();
      }
    }
    busy_ = false;
  }

  void Rescue() {
    if (clock_.elapsed() > kRescueTimeoutMs) {
      // Better a failed run than one that never ends.
      std::fprintf(stderr, "the program's window did not close; giving up\n");
      std::fflush(stderr);
      std::_Exit(3);
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
      modal->close();
      return;
    }
    if (closer_) closer_();
  }

  Act closer_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  QTimer timer_;
  QElapsedTimer clock_;
  bool busy_ = false;
  bool rescuing_ = false;
};

// The program in a fresh working folder of its own, drawn by the Qt backend.
class ProgramQtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rt::test::EnsureApplication();
    ASSERT_FALSE(folder_.path().empty());
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    backend_ = std::make_unique<rt::QtBackend>(argc_, argv_);
    previous_ = rt::SetBackend(backend_.get());
  }
  void TearDown() override {
    rt::SetBackend(previous_);
    backend_.reset();
    std::filesystem::current_path(home_);
  }

  // Runs the program with this window procedure until its window closes, the user acting
  // meanwhile.
  void RunWith(UserScript& user, std::function<void()> procedure) {
    user.Start();
    StartupOptions options;
    options.window_procedure = std::move(procedure);
    EXPECT_EQ(RunProgram(options), 0);
    user.Stop();
    EXPECT_TRUE(user.AllStepsRan()) << "the window closed while the user was waiting for: "
                                    << user.Pending();
  }

  // A user who closes the window with its close box.
  UserScript User() {
    return UserScript([this] {
      if (rt::WindowMirror* m = Mirror()) m->close();
    });
  }

  // ---- What the screen shows; any of them may be missing before the window opens.
  static rt::Window* W() { return rt::TargetWindow(); }
  rt::WindowMirror* Mirror() const {
    rt::Window* w = W();
    return w != nullptr ? backend_->MirrorOf(*w) : nullptr;
  }
  QWidget* Widget(int control) const {
    rt::WindowMirror* m = Mirror();
    return m != nullptr ? m->WidgetFor(control) : nullptr;
  }

  rt::TempFolder folder_;
  std::filesystem::path home_;
  int argc_ = 1;
  char name_[8] = "tovik";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<rt::QtBackend> backend_;
  rt::Backend* previous_ = nullptr;
};

}  // namespace app::test
