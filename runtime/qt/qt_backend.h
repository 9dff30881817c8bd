// QtBackend: the runtime's screen on Qt Widgets. It shows message boxes, beeps and the wait
// cursor for every runtime thread, doing the widget work on the GUI thread. It makes the
// application object when the process has none and then owns it. No Qt header is needed to
// use it, so main can pick it without including Qt.
#pragma once

#include <memory>

#include "runtime/backend.h"

namespace rt {

class QtBackend : public Backend {
 public:
  // argc and argv must outlive the backend (Qt keeps references to them). Must be made on the
  // thread that will be the GUI thread (main's).
  QtBackend(int& argc, char** argv);
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void Beep() override;
  void SetWaitCursor(bool on) override;
  void OnHalt(int exit_code) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rt
