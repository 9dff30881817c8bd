// analysis_screenshot: runs the program's analysis window through the Qt backend in a temporary
// folder whose odds file holds eight rows, some of them settled, and saves the window as a PNG:
//   analysis_screenshot out.png [n sizes stake]
// (defaults 8 2-4 10). Without a display it draws offscreen. It is a tool, not the program, so
// it may reach the Qt widgets to grab them.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/analysis_window.h"
#include "app/analysis_window_resource.h"
#include "app/odds_file.h"
#include "app/outcome_file.h"
#include "app/program.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/runtime_thread.h"
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
  const std::string out = std::filesystem::absolute(argv[1]).string();
  const int n = argc == 5 ? std::atoi(argv[2]) : 8;
  const std::string sizes = argc == 5 ? argv[3] : "2-4";
  const double stake = argc == 5 ? std::atof(argv[4]) : 10.0;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  rt::TempFolder folder;
  if (folder.path().empty() || !WriteRows(folder.path())) {
    std::fprintf(stderr, "analysis_screenshot: cannot write the odds and outcome files\n");
    return 1;
  }
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());

  rt::QtBackend qt(argc, argv);
  rt::SetBackend(&qt);
  int result = 1;
  // The sizes as a user types them; n and the stake come in as the calculator hands them over.
  QTimer::singleShot(200, [&] {
    rt::Window* w = rt::TargetWindow();
    if (w == nullptr) return;
    w->UserFocus(app::kAnSizesEntry);
    w->UserType(app::kAnSizesEntry, sizes);
    w->UserLeave(app::kAnSizesEntry);
    w->UserFocus(app::kAnRowsList);
  });
  QTimer::singleShot(900, [&] {
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
  options.window_procedure = [n, stake] { app::AnalysisWindowProcedure(n, 2, stake); };
  app::RunProgram(options);
  rt::SetBackend(nullptr);
  std::filesystem::current_path(home);
  if (result != 0) std::fprintf(stderr, "analysis_screenshot: cannot write %s\n", out.c_str());
  return result;
}
