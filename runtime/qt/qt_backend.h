// QtBackend: the runtime's screen on Qt Widgets. Each runtime window gets a WindowMirror
// (its widgets); message boxes, popups, the beep and the cursor are Qt's own. It makes the
// application object when the process has none and then owns it, and it owns the mirrors.
// No Qt header is needed to use it, so main can pick it without including Qt.
//
// Threads. Widgets live on the GUI thread (the one that made this backend; in the program,
// main's, which is also runtime thread 1). A window of the GUI thread is mirrored as it
// changes: notifications update its widgets at once, its lists read the queue through the
// window when they paint, and user input calls the window's User* operations directly.
// A window of another runtime thread (a toolbox started with rt::Start) is never read from
// the GUI thread: each notification copies what changed (the control's state, a list's cell
// texts) on the window's own thread and queues the copy to the GUI thread; user input on its
// widgets is queued to the window's thread as a task (RuntimeThread::PostTask) that finds the
// window again by id, so an input racing with the window's end finds nothing and does
// nothing. A message box or popup asked for on another thread is shown on the GUI thread
// with a blocking queued call, which the GUI thread serves from whatever event loop it is in
// (so the GUI thread must not block waiting for such a thread, e.g. in JoinThread, while it
// may be asking); the cursor and the beep are queued without waiting.
//
// Waiting. When an event loop of the GUI thread has nothing queued, WaitForEvent runs a
// nested QEventLoop until the thread's queue has work for that window: EventPosted (from any
// thread) wakes the innermost wait. Waits of other threads block on their own queue.
#pragma once

#include <memory>

#include "runtime/windows/backend.h"

namespace rt {

class WindowMirror;

class QtBackend : public Backend {
 public:
  // argc and argv must outlive the backend (Qt keeps references to them). Must be made on the
  // thread that will be the GUI thread (main's).
  QtBackend(int& argc, char** argv);
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  // The mirror of a window, for tests and screenshots; GUI thread only. nullptr when the
  // window has none (yet: the mirror of another thread's window comes with the GUI thread's
  // next event processing).
  WindowMirror* MirrorOf(const Window& window) const;

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void Beep() override;
  void SetWaitCursor(bool on) override;
  void OnHalt(int exit_code) override;

  void WindowPrepared(Window& window) override;
  void WindowOpened(Window& window) override;
  void WindowClosed(Window& window) override;
  void WindowFreed(Window& window) override;
  void WindowChanged(Window& window) override;
  void ControlCreated(Window& window, int control) override;
  void ControlDestroyed(Window& window, int control) override;
  void ControlChanged(Window& window, int control, unsigned changes) override;
  void FocusChanged(Window& window, int control) override;

  void WaitForEvent(Window& window) override;
  void EventPosted(int thread) override;

  int ShowPopup(Window* window, const MenuText& menu, int x, int y) override;
  // Measured with the font the control's widget is given (its own, or the window's), in the
  // dialog units of the window's font, as its mirror converts them.
  int TextWidth(const Window& window, int control, std::string_view text) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace rt
