// The part the screenshot tools share: the program run through the Qt backend (offscreen when
// there is no display) in a scratch folder the tool fills, the user's part played once the
// window waits for input, the window grabbed into a PNG and closed. A tool, not the program, so
// it may reach the Qt widgets to grab them.
#pragma once

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "app/program.h"
#include "runtime/files/temp_folder.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace app::screenshot {

struct Shot {
  const char* tool;         // the tool's name, for its messages
  std::string out;          // the PNG to write
  // Writes the program's files into the scratch folder; false when it cannot.
  std::function<bool(const std::string& folder)> write_files;
  std::function<void()> procedure;       // the window procedure the program runs
  std::function<void(rt::Window&)> user; // what the user does before the picture is taken
  int grab_after_ms = 700;
};

// 0 when the PNG was written; 1 (after a message) when the files or the PNG could not be.
inline int Take(int& argc, char** argv, const Shot& shot) {
  const std::string out = std::filesystem::absolute(shot.out).string();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  rt::TempFolder folder;
  if (folder.path().empty() || !shot.write_files(folder.path())) {
    std::fprintf(stderr, "%s: cannot write the program's files\n", shot.tool);
    return 1;
  }
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());

  rt::QtBackend qt(argc, argv);
  rt::SetBackend(&qt);
  int result = 1;
  // The user's part, played once the window's loop waits for input.
  QTimer::singleShot(200, [&] {
    if (rt::Window* w = rt::TargetWindow()) shot.user(*w);
  });
  QTimer::singleShot(shot.grab_after_ms, [&] {
    rt::Window* w = rt::TargetWindow();
    rt::WindowMirror* mirror = w ? qt.MirrorOf(*w) : nullptr;
    if (mirror != nullptr) {
      QImage image = mirror->grab().toImage();
      if (!image.isNull() && image.save(QString::fromStdString(out), "PNG")) {
        std::printf("%s: %d x %d pixels\n", out.c_str(), image.width(), image.height());
        result = 0;
      }
    }
    if (w != nullptr) w->UserClose();
  });

  StartupOptions options;
  options.window_procedure = shot.procedure;
  RunProgram(options);
  rt::SetBackend(nullptr);
  std::filesystem::current_path(home);
  if (result != 0) std::fprintf(stderr, "%s: cannot write %s\n", shot.tool, out.c_str());
  return result;
}

}  // namespace app::screenshot
