#include "app/program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/odds_table.h"

namespace app {
namespace {

// Each step with what is alive right after it: E the error manager's list, F and R the odds
// table's program-wide FileManager and RelationManager references.
std::string WithState(std::string_view step) {
  std::string s(step);
  if (Globals().errors.ERRORS) s += " E";
  if (OddsFileManager()) s += " F";
  if (OddsRelationManager()) s += " R";
  return s;
}

std::vector<std::string> RunTraced(StartupOptions options, int* exit_code) {
  std::vector<std::string> steps;
  options.trace = [&](std::string_view s) { steps.push_back(WithState(s)); };
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
    // The window finds the odds table through the program-wide reference, on the managers
    // that report through the program's error manager.
    ASSERT_NE(OddsRelationManager(), nullptr);
    EXPECT_EQ(OddsRelationManager()->ME, OddsFileManager());
    EXPECT_EQ(OddsFileManager()->ERRORS, &Globals().errors);
  };
  int code = -1;
  std::vector<std::string> steps = RunTraced(options, &code);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(window_ran);
  // The error manager comes up before the odds managers and goes after them, so their
  // set-up and teardown can still report.
  std::vector<std::string> want = {
      "fpu-reset",           "module:object-tables",   "module:globals",
      "module:chooser-prepare", "code",                "error-manager-setup E",
      "ini-setup E",         "odds-setup E F R",       "window-done E F R",
      "odds-teardown E",     "error-manager-teardown", "module:registry-free",
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
    EXPECT_EQ(s.find("error-manager-setup"), std::string::npos);
    EXPECT_EQ(s.find("odds-setup"), std::string::npos);
  }
  EXPECT_EQ(Globals().errors.ERRORS, nullptr);
  EXPECT_EQ(OddsFileManager(), nullptr);
}

}  // namespace
}  // namespace app
