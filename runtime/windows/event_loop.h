// EventLoop: one run of a window's event loop on the calling runtime thread. The window
// procedure asks for the next event, handles it and ends it with a step; loops nest (a loop
// run while handling an event of another). The window must outlive the loop.
//
//   rt::EventLoop loop(window);
//   while (loop.Next()) {
//     int step = Handle(loop.event());       // rt::kStepDefault, kStepSkip or kStepLeave
//     loop.EndEvent(step);
//   }
#pragma once

#include <cstddef>

#include "runtime/windows/event.h"

namespace rt {

class Window;

enum EventStep : int {
  kStepDefault = 0,  // the runtime's default handling (close window/down: close and end)
  kStepSkip = 1,     // no default handling
  kStepLeave = -1,   // end the loop
};

class EventLoop {
 public:
  explicit EventLoop(Window& window);
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Waits for the next event of the window; false when the loop has ended (left, or the
  // window closed). An event not ended with EndEvent gets the default handling first.
  bool Next();
  const Event& event() const { return event_; }
  // The end-of-event step; false when the loop has ended with it.
  bool EndEvent(int step);
  bool ended() const { return ended_; }
  // Between Next and EndEvent.
  bool in_event() const { return in_event_; }
  Window& window() const { return window_; }
  // How many close requests this loop made up because no backend could ever bring input.
  int auto_closes() const { return auto_closes_; }

 private:
  void DefaultHandling();
  Window& window_;
  Event event_;
  bool in_event_ = false;
  bool ended_ = false;
  int beeps_at_start_ = 0;
  int auto_closes_ = 0;
};

// The current event of the calling thread's innermost running loop; nullptr outside one.
const Event* CurrentEvent();
int EventNumber();  // 0 outside an event
int Field();        // the current event's control; 0 for a window event
int Accepted();     // the current event's control when the event is kEventAccepted, else 0
// The highlighted row of a list control (0: the current event's control); 0 for others.
size_t Choice(int control = 0);

}  // namespace rt
