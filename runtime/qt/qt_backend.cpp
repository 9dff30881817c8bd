#include "runtime/qt/qt_backend.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>

#include "runtime/qt/gui_thread.h"
#include "runtime/qt/message_box_dialog.h"

namespace rt {

struct QtBackend::Impl {
  std::unique_ptr<QApplication> own_app;
  bool wait_cursor = false;  // GUI thread only
};

QtBackend::QtBackend(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
  if (QCoreApplication::instance() == nullptr) {
    impl_->own_app = std::make_unique<QApplication>(argc, argv);
  }
}

QtBackend::~QtBackend() {
  if (impl_->wait_cursor && OnGuiThread()) QApplication::restoreOverrideCursor();
}

int QtBackend::ShowMessageBox(const MessageBoxRequest& request) {
  int answer = request.default_button;
  RunOnGuiThread([&] { answer = RunMessageBox(request, QApplication::activeWindow()); });
  return answer;
}

void QtBackend::Beep() {
  PostToGuiThread([] { QApplication::beep(); });
}

void QtBackend::SetWaitCursor(bool on) {
  Impl* impl = impl_.get();
  RunOnGuiThread([impl, on] {
    // The runtime's wait cursor is a switch, not a stack: a second "on" changes nothing.
    if (on == impl->wait_cursor) return;
    impl->wait_cursor = on;
    if (on) {
      QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
      QApplication::restoreOverrideCursor();
    }
  });
}

void QtBackend::OnHalt(int exit_code) {
  // From another thread the GUI thread may be waiting for the halting one: never block here,
  // the process ends right after.
  if (!OnGuiThread()) return;
  // Windows go at once rather than hanging frozen while the exit text is written.
  for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
}

}  // namespace rt
