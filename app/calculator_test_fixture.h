// Test support: the calculator program in a fresh working folder of its own, driven through
// the headless backend, with the odds file read and written by other connections, and
// another copy of the calculator in a process of its own. GoogleTest only.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/odds_test_rows.h"
#include "app/program.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/test_store.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app::test {

// The editor edit in place floats over the odds cell: the runtime numbers it above every
// control of the window.
inline constexpr int kOddsEditor = kSizePrompt + 1;

// Another running copy of the calculator on the same folder: a child process forked before
// this copy starts, which waits for Go, then opens its own window, plays its own script on
// it (answering every question the script foresees), closes it and ends. A copy never told
// to go is ended when this object goes.
class OtherCopy {
 public:
  using Script = std::function<void(rt::HeadlessBackend&)>;

  explicit OtherCopy(Script script) {
    int go[2];
    if (pipe(go) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(go[1]);
      char word = 0;
      if (read(go[0], &word, 1) != 1) _exit(20);
      rt::HeadlessBackend backend;
      rt::SetBackend(&backend);
      script(backend);
      backend.CloseWindow();
      StartupOptions options;
      options.window_procedure = CalculatorWindowProcedure;
      const int code = RunProgram(options);
      const bool followed = backend.UnansweredBoxes().empty() && backend.PendingAnswers() == 0 &&
                            backend.LeftoverActions().empty();
      _exit(code != 0 ? code : followed ? 0 : 10);
    }
    close(go[0]);
    go_ = go[1];
  }
  ~OtherCopy() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (go_ >= 0) close(go_);
  }
  OtherCopy(const OtherCopy&) = delete;
  OtherCopy& operator=(const OtherCopy&) = delete;

  // Lets the other copy do its part and waits until it has ended. 0 when it ran its whole
  // script with every question foreseen; 10 when not; otherwise its exit code.
  int Go() {
    if (pid_ <= 0 || go_ < 0) return -1;
    const char word = 'g';
    if (write(go_, &word, 1) != 1) return -1;
    int status = 0;
    const pid_t ended = waitpid(pid_, &status, 0);
    pid_ = 0;
    if (ended <= 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int go_ = -1;
};

class CalculatorTest : public rt::test::HeadlessTest {
 protected:
  using Rows = OddsRows;

  void SetUp() override {
    store_ = std::make_unique<rt::testing::TestStore>(OnServer());
    ASSERT_EQ(store_->Error(), "");
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(home_);
    HeadlessTest::TearDown();
    store_.reset();
  }
  // The odds table on the test server (a schema of the test's own) instead of the file kf.
  virtual bool OnServer() const { return false; }

  // Rows stored by another connection, numbered from 1.
  static void StoreOdds(const std::vector<double>& odds) { StoreOddsRows(odds); }
  // The rows in the file, read by another connection.
  static Rows Stored() { return StoredOddsRows(); }
  int Run() {
    StartupOptions options;
    options.window_procedure = CalculatorWindowProcedure;
    return RunProgram(options);
  }

  // What the open window shows; only inside a scripted check.
  static rt::Window& W() {
    rt::Window* w = rt::TargetWindow();
    EXPECT_NE(w, nullptr);
    return *w;
  }
  // The list as the user reads it: "number|odds" per row, without the cells' padding.
  static std::vector<std::string> ListShown() {
    auto cell = [](size_t row, int column) {
      const std::string text = W().CellText(kOddsList, row, column);
      const size_t start = text.find_first_not_of(' ');
      return start == std::string::npos ? std::string() : text.substr(start);
    };
    std::vector<std::string> out;
    for (size_t r = 1; r <= W().ListRowCount(kOddsList); ++r) {
      out.push_back(cell(r, 1) + "|" + cell(r, 2));
    }
    return out;
  }

  std::unique_ptr<rt::testing::TestStore> store_;
  rt::TempFolder folder_;
  std::filesystem::path home_;
};

}  // namespace app::test
