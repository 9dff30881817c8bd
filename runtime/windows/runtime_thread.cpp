#include "runtime/windows/runtime_thread.h"

#include <algorithm>
#include <map>
#include <thread>

#include "runtime/windows/backend.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/window.h"

namespace rt {

namespace {

struct Registry {
  std::mutex mutex;
  std::condition_variable finished;
  std::map<int, std::shared_ptr<RuntimeThread>> threads;
  int last_number = 0;
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: threads may outlive main's end
  return *registry;
}

// Marks the thread finished when its OS thread ends, so posts to it fail instead of piling up.
struct CurrentHolder {
  std::shared_ptr<RuntimeThread> thread;
  ~CurrentHolder();
};
thread_local CurrentHolder t_current;

std::shared_ptr<RuntimeThread> Register(bool started) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto t = std::make_shared<RuntimeThread>(++r.last_number, started);
  r.threads[t->number()] = t;
  return t;
}

}  // namespace

// Defined here for the friend access to the finishing state.
void MarkFinished(RuntimeThread& t);

CurrentHolder::~CurrentHolder() {
  if (thread) MarkFinished(*thread);
}

RuntimeThread& RuntimeThread::Current() {
  if (!t_current.thread) t_current.thread = Register(false);
  return *t_current.thread;
}

std::shared_ptr<RuntimeThread> RuntimeThread::Find(int number) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.threads.find(number);
  return it == r.threads.end() ? nullptr : it->second;
}

bool RuntimeThread::finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

bool RuntimeThread::IsFor(const Event& e, const Window* window) const {
  return e.window == window || (e.window == nullptr && window != nullptr && queue_target_ == window);
}

bool RuntimeThread::Post(const Event& event) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finished_) return false;
    events_.push_back(event);
  }
  cv_.notify_all();
  if (Backend* b = CurrentBackend()) b->EventPosted(number_);
  return true;
}

bool RuntimeThread::PostTask(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finished_) return false;
    tasks_.push_back(std::move(task));
  }
  cv_.notify_all();
  if (Backend* b = CurrentBackend()) b->EventPosted(number_);
  return true;
}

bool RuntimeThread::HasWorkFor(const Window* window) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!tasks_.empty()) return true;
  for (const Event& e : events_) {
    if (IsFor(e, window)) return true;
  }
  return false;
}

bool RuntimeThread::WaitForWork(const Window* window, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, timeout, [&] {
    if (!tasks_.empty()) return true;
    for (const Event& e : events_) {
      if (IsFor(e, window)) return true;
    }
    return false;
  });
}

bool RuntimeThread::TakeEvent(Window* window, Event* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = events_.begin(); it != events_.end(); ++it) {
    if (IsFor(*it, window)) {
      *out = *it;
      out->window = window;
      events_.erase(it);
      return true;
    }
  }
  return false;
}

bool RuntimeThread::RunTasks() {
  bool ran = false;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (tasks_.empty()) return ran;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    ran = true;
  }
}

void RuntimeThread::DropEventsFor(const Window* window) {
  std::lock_guard<std::mutex> lock(mutex_);
  events_.erase(std::remove_if(events_.begin(), events_.end(),
                               [&](const Event& e) { return e.window == window; }),
                events_.end());
}

Window* RuntimeThread::target() const {
  if (target_) return target_;
  for (auto it = loops_.rbegin(); it != loops_.rend(); ++it) {
    if ((*it)->window().IsOpen()) return &(*it)->window();
  }
  return opened_.empty() ? nullptr : opened_.back();
}

void RuntimeThread::WindowOpened(Window* w) {
  opened_.erase(std::remove(opened_.begin(), opened_.end(), w), opened_.end());
  opened_.push_back(w);
  std::lock_guard<std::mutex> lock(mutex_);
  queue_target_ = target();
}

void RuntimeThread::WindowGone(Window* w) {
  opened_.erase(std::remove(opened_.begin(), opened_.end(), w), opened_.end());
  if (target_ == w) target_ = nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  queue_target_ = target();
}

void RuntimeThread::PopLoop(EventLoop* loop) {
  loops_.erase(std::remove(loops_.begin(), loops_.end(), loop), loops_.end());
  std::lock_guard<std::mutex> lock(mutex_);
  queue_target_ = target();
}

void RuntimeThread::PushLoop(EventLoop* loop) {
  loops_.push_back(loop);
  std::lock_guard<std::mutex> lock(mutex_);
  queue_target_ = target();
}

void RuntimeThread::set_target(Window* w) {
  target_ = w;
  std::lock_guard<std::mutex> lock(mutex_);
  queue_target_ = target();
}

void MarkFinished(RuntimeThread& t) {
  {
    std::lock_guard<std::mutex> lock(t.mutex_);
    t.finished_ = true;
    t.events_.clear();
    t.tasks_.clear();
  }
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.finished.notify_all();
}

int Start(std::function<void()> procedure) {
  std::shared_ptr<RuntimeThread> t = Register(true);
  std::thread([t, procedure = std::move(procedure)] {
    t_current.thread = t;
    procedure();
    // Windows the procedure left open die with it; nobody can serve their events any more.
    MarkFinished(*t);
  }).detach();
  return t->number();
}

bool JoinThread(int number) {
  std::shared_ptr<RuntimeThread> t = RuntimeThread::Find(number);
  if (!t || !t->started()) return false;
  Registry& r = TheRegistry();
  std::unique_lock<std::mutex> lock(r.mutex);
  r.finished.wait(lock, [&] { return t->finished(); });
  return true;
}

int ThreadNumber() { return RuntimeThread::Current().number(); }

bool Post(int event, int control, int thread) {
  std::shared_ptr<RuntimeThread> t =
      thread == 0 ? RuntimeThread::Find(ThreadNumber()) : RuntimeThread::Find(thread);
  if (!t) return false;
  Event e;
  e.number = event;
  e.control = control;
  // Resolved on the receiving thread: only it knows its target window safely.
  e.window = nullptr;
  return t->Post(e);
}

int KeyCode() { return RuntimeThread::Current().key_code(); }
char32_t KeyChar() { return RuntimeThread::Current().key_char(); }
void SetKeyCode(int key_code, char32_t key_char) {
  RuntimeThread::Current().set_key(key_code, key_char);
}

void PressKey(int key_code, char32_t key_char) {
  RuntimeThread& t = RuntimeThread::Current();
  t.PostTask([&t, key_code, key_char] {
    if (Window* w = t.target()) w->UserKey(0, key_code, key_char);
  });
}

Window* TargetWindow() { return RuntimeThread::Current().target(); }
void SetTarget(Window* window) { RuntimeThread::Current().set_target(window); }

}  // namespace rt
