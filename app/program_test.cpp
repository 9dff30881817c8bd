#include "app/program.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/odds_table.h"
#include "runtime/windows/window.h"

namespace app {
namespace {

// Each step with what is alive right after it: C the chooser window structure, E the error
// manager's list, F and R the odds table's program-wide FileManager and RelationManager
// references.
std::string WithState(std::string_view step) {
  std::string s(step);
  if (Globals().chooser.window()) s += " C";
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
    // The chooser is there, prepared from its resource but never opened.
    rt::Window* chooser = Globals().chooser.window();
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->label(), fw::kChooserLabel);
    EXPECT_FALSE(chooser->IsOpen());
  };
  int code = -1;
  std::vector<std::string> steps = RunTraced(options, &code);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(window_ran);
  // The error manager comes up before the odds managers and goes after them, so their
  // set-up and teardown can still report.
  // The chooser is prepared by the module routines, before the main routine, and freed at
  // the close-down.
  std::vector<std::string> want = {
      "fpu-reset",           "module:object-tables",     "module:globals",
      "code C",              "error-manager-setup C E",  "ini-setup C E",
      "odds-setup C E F R",  "window-done C E F R",      "odds-teardown C E",
      "error-manager-teardown C", "module:registry-free C", "closedown"};
  EXPECT_EQ(steps, want);
  EXPECT_EQ(Globals().chooser.window(), nullptr);
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
  EXPECT_EQ(Globals().chooser.window(), nullptr) << "nothing prepared outlives the refusal";
}

}  // namespace
}  // namespace app
