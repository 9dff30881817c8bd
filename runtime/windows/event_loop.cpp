#include "runtime/windows/event_loop.h"

#include "runtime/windows/backend.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace rt {

EventLoop::EventLoop(Window& window) : window_(window) {
  RuntimeThread::Current().PushLoop(this);
}

EventLoop::~EventLoop() { RuntimeThread::Current().PopLoop(this); }

bool EventLoop::Next() {
  if (in_event_) EndEvent(kStepDefault);
  RuntimeThread& thread = RuntimeThread::Current();
  for (;;) {
    if (ended_) return false;
    thread.RunTasks();
    if (!window_.IsOpen()) {
      ended_ = true;
      return false;
    }
    Event e;
    if (thread.TakeEvent(&window_, &e)) {
      event_ = e;
      in_event_ = true;
      if (e.key_code != kKeyUnchanged) thread.set_key(e.key_code, e.key_char);
      beeps_at_start_ = BeepCount();
      return true;
    }
    Backend* backend = CurrentBackend();
    if (backend == nullptr) {
      // Without a screen no input can ever come: ask the window to close, and close it
      // outright when the program already refused once, so a loop can never hang.
      if (++auto_closes_ > 1) {
        window_.Close();
      } else {
        window_.Post(kEventCloseWindow);
      }
      continue;
    }
    backend->WaitForEvent(window_);
  }
}

bool EventLoop::EndEvent(int step) {
  if (!in_event_) return !ended_;
  in_event_ = false;
  if (step == kStepLeave) {
    ended_ = true;
  } else if (step == kStepDefault) {
    DefaultHandling();
  }
  return !ended_;
}

void EventLoop::DefaultHandling() {
  switch (event_.number) {
    case kEventCloseWindow:
    case kEventCloseDown:
      if (event_.control == 0) {
        window_.Close();
        ended_ = true;
      }
      break;
    case kEventRejected:
      // One beep for a rejected entry: the program's own handling may already have sounded it.
      if (BeepCount() == beeps_at_start_) Beep();
      break;
    default:
      break;
  }
}

const Event* CurrentEvent() {
  const auto& loops = RuntimeThread::Current().loops();
  for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
    if ((*it)->in_event()) return &(*it)->event();
  }
  return nullptr;
}

int EventNumber() {
  const Event* e = CurrentEvent();
  return e ? e->number : 0;
}

int Field() {
  const Event* e = CurrentEvent();
  return e ? e->control : 0;
}

int Accepted() {
  const Event* e = CurrentEvent();
  return e && e->number == kEventAccepted ? e->control : 0;
}

size_t Choice(int control) {
  const Event* e = CurrentEvent();
  Window* w = e ? e->window : TargetWindow();
  if (control == 0 && e) control = e->control;
  if (w == nullptr || control == 0) return 0;
  const Control* c = w->Find(control);
  return c && c->kind() == ControlKind::kList ? c->selected() : 0;
}

}  // namespace rt
