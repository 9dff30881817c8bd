#include "app/program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app {
namespace {

std::vector<std::string> RunTraced(StartupOptions options, int* exit_code) {
  std::vector<std::string> steps;
  options.trace = [&](std::string_view s) { steps.emplace_back(s); };
  *exit_code = RunProgram(options);
  return steps;
}

TEST(ProgramTest, StartsAndStopsInTheFixedOrder) {
  StartupOptions options;
  bool window_ran = false;
  options.window_procedure = [&] {
    window_ran = true;
    EXPECT_EQ(Globals().ini.FileName(), "tovik.INI");
    EXPECT_TRUE(rt::RuntimeSystem::Initialised());
  };
  int code = -1;
  std::vector<std::string> steps = RunTraced(options, &code);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(window_ran);
  std::vector<std::string> want = {
      "fpu-reset",          "module:object-tables", "module:globals",
      "module:chooser-prepare", "code",             "error-manager-setup",
      "ini-setup",          "odds-setup",           "window-done",
      "odds-teardown",      "error-manager-teardown", "module:registry-free",
      "module:chooser-free", "closedown"};
  EXPECT_EQ(steps, want);
  // The settings holder is not torn down.
  EXPECT_EQ(Globals().ini.FileName(), "tovik.INI");
}

TEST(ProgramTest, RefusedVersionSetsNothingUpAndExitsZero) {
  Globals().ini = fw::IniManager();
  StartupOptions options;
  options.version = 260;
  bool window_ran = false;
  options.window_procedure = [&] { window_ran = true; };
  int code = -1;
  std::vector<std::string> steps = RunTraced(options, &code);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(window_ran);
  EXPECT_EQ(Globals().ini.FileName(), "");
  EXPECT_EQ(steps.back(), "version-refused");
  for (const std::string& s : steps) {
    EXPECT_NE(s, "error-manager-setup");
    EXPECT_NE(s, "odds-setup");
  }
}

}  // namespace
}  // namespace app
