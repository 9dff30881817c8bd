// calculator_screenshot: runs the program's calculator window through the Qt backend in a
// temporary folder whose odds file holds a few rows, types n, k and the stake, presses
// "Расчет", and saves the window as a PNG:
//   calculator_screenshot out.png [n k stake [rows]]
// (defaults 3 2 10 and 5 rows; rows, 1 to 255, repeat the odds 1.50 2.00 3.00 1.85 2.45, so
// "999 9 10 20" shows a 22-digit count and a 10-digit total). Without a display it draws
// offscreen.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/screenshot/program_screenshot.h"
#include "runtime/files/keyed_file.h"
#include "runtime/windows/window.h"

namespace {

bool WriteOdds(const std::string& folder, int rows) {
  app::OddsRecord rec{};
  rt::KeyedFile file(app::OddsDeclaration(), &rec);
  file.SetName(folder + "/kf");
  if (file.Create() != 0 || file.Open() != 0) return false;
  const double odds[] = {1.5, 2.0, 3.0, 1.85, 2.45};
  for (int row = 0; row < rows; ++row) {
    rec.nn = static_cast<uint8_t>(row + 1);
    rec.kf = odds[row % 5];
    if (file.Add() != 0) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc == 6 ? std::atoi(argv[5]) : 5;
  if ((argc != 2 && argc != 5 && argc != 6) || rows < 1 || rows > 255) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [n k stake [rows 1..255]]\n",
                 argc > 0 ? argv[0] : "calculator_screenshot");
    return 2;
  }
  const std::string n = argc >= 5 ? argv[2] : "3";
  const std::string k = argc >= 5 ? argv[3] : "2";
  const std::string stake = argc >= 5 ? argv[4] : "10";
  app::screenshot::Shot shot;
  shot.tool = "calculator_screenshot";
  shot.out = argv[1];
  shot.write_files = [rows](const std::string& folder) { return WriteOdds(folder, rows); };
  shot.procedure = app::CalculatorWindowProcedure;
  // Type, press, look.
  shot.user = [&](rt::Window& w) {
    w.UserFocus(app::kEventCountEntry);
    w.UserType(app::kEventCountEntry, n);
    w.UserLeave(app::kEventCountEntry);
    w.UserFocus(app::kSystemSizeSpin);
    w.UserType(app::kSystemSizeSpin, k);
    w.UserLeave(app::kSystemSizeSpin);
    w.UserFocus(app::kStakeEntry);
    w.UserType(app::kStakeEntry, stake);
    w.UserClick(app::kCalculateButton);
  };
  return app::screenshot::Take(argc, argv, shot);
}
