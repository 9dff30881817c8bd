// analysis_screenshot: runs the program's analysis window through the Qt backend in a temporary
// folder whose odds file holds eight rows, some of them settled, and saves the window as a PNG:
//   analysis_screenshot out.png [n sizes stake]
// (defaults 8 2-4 10). Without a display it draws offscreen.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/analysis_window.h"
#include "app/analysis_window_resource.h"
#include "app/odds_file.h"
#include "app/outcome_file.h"
#include "app/screenshot/program_screenshot.h"
#include "runtime/files/keyed_file.h"
#include "runtime/windows/window.h"

namespace {

bool WriteRows(const std::string& folder) {
  app::OddsRecord odds{};
  rt::KeyedFile kf(app::OddsDeclaration(), &odds);
  kf.SetName(folder + "/kf");
  if (kf.Create() != 0 || kf.Open() != 0) return false;
  for (double value : {1.5, 2.0, 3.0, 1.85, 2.45, 1.7, 2.2, 4.0}) {
    ++odds.nn;
    odds.kf = value;
    if (kf.Add() != 0) return false;
  }
  app::OutcomeRecord outcome{};
  rt::KeyedFile is(app::OutcomeDeclaration(), &outcome);
  is.SetName(folder + "/ish");
  if (is.Create() != 0 || is.Open() != 0) return false;
  const app::OutcomeRecord settled[] = {{1, 1}, {2, 2}, {4, 3}};  // won, lost, refund
  for (const app::OutcomeRecord& r : settled) {
    outcome = r;
    if (is.Add() != 0) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 5) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [n sizes stake]\n",
                 argc > 0 ? argv[0] : "analysis_screenshot");
    return 2;
  }
  const int n = argc == 5 ? std::atoi(argv[2]) : 8;
  const std::string sizes = argc == 5 ? argv[3] : "2-4";
  const double stake = argc == 5 ? std::atof(argv[4]) : 10.0;
  app::screenshot::Shot shot;
  shot.tool = "analysis_screenshot";
  shot.out = argv[1];
  shot.write_files = WriteRows;
  // n and the stake come in as the calculator hands them over.
  shot.procedure = [n, stake] { app::AnalysisWindowProcedure(n, 2, stake); };
  // The sizes as a user types them.
  shot.user = [&](rt::Window& w) {
    w.UserFocus(app::kAnSizesEntry);
    w.UserType(app::kAnSizesEntry, sizes);
    w.UserLeave(app::kAnSizesEntry);
    w.UserFocus(app::kAnRowsList);
  };
  shot.grab_after_ms = 900;
  return app::screenshot::Take(argc, argv, shot);
}
