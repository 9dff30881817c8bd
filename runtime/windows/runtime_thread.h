// RuntimeThread: one runtime thread's event queue and event state (last key code, target
// window, running loops). Every OS thread that uses windows is a runtime thread, numbered
// from 1 in order of first use; Start runs a procedure on a new one. Posting to a queue is
// safe from any thread; everything else belongs to the owning thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/windows/event.h"

namespace rt {

class EventLoop;

class RuntimeThread {
 public:
  // The calling thread's; registers it on first use.
  static RuntimeThread& Current();
  // nullptr when no thread has that number.
  static std::shared_ptr<RuntimeThread> Find(int number);

  int number() const { return number_; }
  // Started with rt::Start (a worker) rather than met on first use (the program's own).
  bool started() const { return started_; }
  bool finished() const;

  // ---- Any thread.
  // Queues an event; event.window nullptr means the thread's target window when the event is
  // taken. False when the thread has finished.
  bool Post(const Event& event);
  // Queues work that runs on this thread the next time one of its loops waits or takes.
  bool PostTask(std::function<void()> task);
  // An event this window's loop would take, or a task, is queued.
  bool HasWorkFor(const Window* window) const;
  // Blocks until HasWorkFor(window) or the timeout; true when there is work.
  bool WaitForWork(const Window* window, std::chrono::milliseconds timeout);

  // ---- The owning thread only.
  // The first event for window (or untargeted while window is the target); false if none.
  bool TakeEvent(Window* window, Event* out);
  // Runs the queued tasks; true when any ran.
  bool RunTasks();
  // Forgets every queued event for window (it closed or was freed).
  void DropEventsFor(const Window* window);

  int key_code() const { return key_code_; }
  char32_t key_char() const { return key_char_; }
  void set_key(int key_code, char32_t key_char) {
    key_code_ = key_code;
    key_char_ = key_char;
  }
  // The window operations without a window address: SetTarget's, else the innermost
  // loop's, else the last window this thread opened that is still open.
  Window* target() const;
  void set_target(Window* w);
  void WindowOpened(Window* w);
  void WindowGone(Window* w);
  const std::vector<EventLoop*>& loops() const { return loops_; }
  void PushLoop(EventLoop* loop);
  void PopLoop(EventLoop* loop);

  RuntimeThread(int number, bool started) : number_(number), started_(started) {}

 private:
  friend void MarkFinished(RuntimeThread& t);
  bool IsFor(const Event& e, const Window* window) const;  // mutex_ held

  const int number_;
  const bool started_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Event> events_;
  std::deque<std::function<void()>> tasks_;
  bool finished_ = false;
  Window* queue_target_ = nullptr;  // target() as other threads may read it; mutex_ held

  int key_code_ = 0;
  char32_t key_char_ = 0;
  Window* target_ = nullptr;
  std::vector<Window*> opened_;
  std::vector<EventLoop*> loops_;
};

// Runs procedure on a new runtime thread; returns its number.
int Start(std::function<void()> procedure);
// Waits until that started thread's procedure has returned; false for an unknown number.
bool JoinThread(int number);
// The calling thread's runtime thread number.
int ThreadNumber();

// Posts event to control of the target window of runtime thread `thread` (0: the calling
// one). False when there is no such thread or it has finished.
bool Post(int event, int control = 0, int thread = 0);

// The calling thread's last key code and character (what the current event carried, or what
// SetKeyCode left).
int KeyCode();
char32_t KeyChar();
void SetKeyCode(int key_code, char32_t key_char = 0);
// As if the user pressed the key on the focused control of the target window; it happens when
// the thread next waits for an event.
void PressKey(int key_code, char32_t key_char = 0);

Window* TargetWindow();
void SetTarget(Window* window);

}  // namespace rt
