// calculator_screenshot: runs the program's calculator window through the Qt backend in a
// temporary folder whose odds file holds a few rows, types n, k and the stake, presses
// "Расчет", and saves the window as a PNG:
//   calculator_screenshot out.png [n k stake [rows]]
// (defaults 3 2 10 and 5 rows; rows, 1 to 255, repeat the odds 1.50 2.00 3.00 1.85 2.45, so
// "999 9 10 20" shows a 22-digit count and a 10-digit total). Without a display it draws
// offscreen. It is a tool, not the program, so
// it may reach the Qt widgets to grab them.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/program.h"
#include "runtime/windows/backend.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/runtime_thread.h"
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
  const std::string out = std::filesystem::absolute(argv[1]).string();
  const std::string n = argc >= 5 ? argv[2] : "3";
  const std::string k = argc >= 5 ? argv[3] : "2";
  const std::string stake = argc >= 5 ? argv[4] : "10";
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  rt::TempFolder folder;
  if (folder.path().empty() || !WriteOdds(folder.path(), rows)) {
    std::fprintf(stderr, "calculator_screenshot: cannot write the odds file\n");
    return 1;
  }
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());

  rt::QtBackend qt(argc, argv);
  rt::SetBackend(&qt);
  int result = 1;
  // The user's part, played once the window's loop waits for input: type, press, look.
  QTimer::singleShot(200, [&] {
    rt::Window* w = rt::TargetWindow();
    if (w == nullptr) return;
    w->UserFocus(app::kEventCountEntry);
    w->UserType(app::kEventCountEntry, n);
    w->UserLeave(app::kEventCountEntry);
    w->UserFocus(app::kSystemSizeSpin);
    w->UserType(app::kSystemSizeSpin, k);
    w->UserLeave(app::kSystemSizeSpin);
    w->UserFocus(app::kStakeEntry);
    w->UserType(app::kStakeEntry, stake);
    w->UserClick(app::kCalculateButton);
  });
  QTimer::singleShot(700, [&] {
    rt::Window* w = rt::TargetWindow();
    rt::WindowMirror* mirror = w ? qt.MirrorOf(*w) : nullptr;
    if (mirror != nullptr) {
      QImage shot = mirror->grab().toImage();
      if (!shot.isNull() && shot.save(QString::fromStdString(out), "PNG")) {
        std::printf("%s: %d x %d pixels\n", out.c_str(), shot.width(), shot.height());
        result = 0;
      }
    }
    if (w != nullptr) w->UserClose();
  });

  app::StartupOptions options;
  options.window_procedure = app::CalculatorWindowProcedure;
  app::RunProgram(options);
  rt::SetBackend(nullptr);
  std::filesystem::current_path(home);
  if (result != 0) std::fprintf(stderr, "calculator_screenshot: cannot write %s\n", out.c_str());
  return result;
}
