// qt_screenshot: opens the runtime's own test window (one control of every kind the runtime
// draws, with a few list rows) through the Qt backend and saves it as a PNG:
// `qt_screenshot out.png`. Without a display it draws offscreen. The calculator's own window
// has its screenshot command beside the calculator.
#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <cstdio>
#include <memory>
#include <string>

#include "runtime/qt/qt_backend.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/test_window.h"
#include "runtime/windows/window.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argc > 0 ? argv[0] : "qt_screenshot");
    return 2;
  }
  const std::string out = argv[1];
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  rt::QtBackend backend(argc, argv);
  rt::SetBackend(&backend);

  rt::test::TestVariables vars;
  vars.AddRows(6);
  vars.total = 156.75;
  vars.count = 3;
  vars.size = 2;
  vars.amount = 10;
  std::string error;
  std::unique_ptr<rt::Window> window = vars.Prepare(&error);
  if (!window) {
    std::fprintf(stderr, "qt_screenshot: %s\n", error.c_str());
    return 1;
  }
  window->Open();
  window->Select(rt::test::kList, 1);

  rt::WindowMirror* mirror = backend.MirrorOf(*window);
  if (mirror == nullptr) {
    std::fprintf(stderr, "qt_screenshot: the window has no widgets\n");
    return 1;
  }
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  QImage shot = mirror->grab().toImage();
  if (shot.isNull() || !shot.save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "qt_screenshot: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %d x %d pixels\n", out.c_str(), shot.width(), shot.height());
  window.reset();
  rt::SetBackend(nullptr);
  return 0;
}
