#include "runtime/qt/qt_backend.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFontMetrics>
#include <QWidget>

#include <map>
#include <mutex>
#include <vector>

#include "runtime/windows/menu_text.h"
#include "runtime/qt/control_style.h"
#include "runtime/qt/dialog_units.h"
#include "runtime/qt/gui_thread.h"
#include "runtime/qt/message_box_dialog.h"
#include "runtime/qt/popup_menu.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace rt {

namespace {

WindowFacts FactsOf(const Window& w) {
  WindowFacts f;
  f.caption = w.caption();
  f.width = w.width();
  f.height = w.height();
  f.font = w.font();
  f.open = w.IsOpen();
  f.focus = w.focus();
  f.placed = !w.resource().system_placed;
  f.x = w.resource().x;
  f.y = w.resource().y;
  // On the window's thread, as every notification is: its loops are readable here.
  const std::vector<EventLoop*>& loops = RuntimeThread::Current().loops();
  f.modal = !loops.empty() && &loops.front()->window() != &w;
  return f;
}

int ColumnsOf(const Control& c) {
  if (c.format()) return static_cast<int>(c.format()->Columns().size());
  return c.row_layout() ? static_cast<int>(c.row_layout()->FieldCount()) : 0;
}

}  // namespace

struct QtBackend::Impl {
  // First member, so the application object goes last.
  std::unique_ptr<QApplication> own_app;
  int gui_thread = 0;  // the GUI thread's runtime thread number
  // Queued GUI work made before the backend ended finds this expired and does nothing.
  std::shared_ptr<int> alive = std::make_shared<int>(0);

  // ---- Windows seen in notifications, from any runtime thread; guarded by mutex.
  struct Known {
    uint64_t id = 0;
    int thread = 0;  // the runtime thread the window's notifications come from
  };
  mutable std::mutex mutex;
  std::map<const Window*, Known> by_window;
  std::map<uint64_t, Window*> by_id;
  uint64_t next_id = 1;

  // ---- GUI thread only.
  std::map<uint64_t, std::unique_ptr<WindowMirror>> mirrors;
  struct Wait {
    QEventLoop* loop;
    Window* window;
  };
  std::vector<Wait> waits;
  bool wait_cursor = false;

  // The window's id; *fresh says whether the backend had not seen it before.
  uint64_t Know(Window& w, bool* fresh) {
    int thread = w.thread() != 0 ? w.thread() : RuntimeThread::Current().number();
    std::lock_guard<std::mutex> lock(mutex);
    auto it = by_window.find(&w);
    if (it != by_window.end()) {
      it->second.thread = thread;
      *fresh = false;
      return it->second.id;
    }
    uint64_t id = next_id++;
    by_window[&w] = Known{id, thread};
    by_id[id] = &w;
    *fresh = true;
    return id;
  }

  uint64_t Forget(const Window& w) {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = by_window.find(&w);
    if (it == by_window.end()) return 0;
    uint64_t id = it->second.id;
    by_id.erase(id);
    by_window.erase(it);
    return id;
  }

  Window* FindWindow(uint64_t id, int* thread) const {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = by_id.find(id);
    if (it == by_id.end()) return nullptr;
    if (thread) *thread = by_window.at(it->second).thread;
    return it->second;
  }

  // Runs work on the GUI thread: at once there, otherwise queued behind earlier work of the
  // same window, so the mirror sees the changes in the order the model made them.
  void Deliver(std::function<void()> work) {
    if (OnGuiThread()) {
      work();
      return;
    }
    std::weak_ptr<int> token = alive;
    PostToGuiThread([token, work = std::move(work)] {
      if (!token.expired()) work();
    });
  }

  void DeliverTo(uint64_t id, std::function<void(WindowMirror&)> work) {
    Deliver([this, id, work = std::move(work)] {
      auto it = mirrors.find(id);
      if (it != mirrors.end()) work(*it->second);
    });
  }

  // What a list shows of its rows: the window itself on the GUI thread, a copy elsewhere.
  std::optional<ListRowSource> RowsOf(const Window& w, const Control& c) {
    if (c.kind() != ControlKind::kList) return std::nullopt;
    if (OnGuiThread()) return LiveRows(&w, c.number());
    return CopiedRows(w, c.number(), ColumnsOf(c));
  }

  // Every control and the window as they are now, for a mirror made from nothing.
  void SendAll(Window& w, uint64_t id) {
    WindowFacts facts = FactsOf(w);
    struct State {
      Control control;
      std::optional<ListRowSource> rows;
    };
    auto states = std::make_shared<std::vector<State>>();
    for (const auto& [number, c] : w.controls()) states->push_back(State{*c, RowsOf(w, *c)});
    Deliver([this, id, facts, states] {
      auto& mirror = mirrors[id];
      if (!mirror) {
        mirror = std::make_unique<WindowMirror>(
            [this, id](WindowMirror::ModelCall call) { Input(id, std::move(call)); });
      }
      WindowFacts hidden = facts;
      hidden.open = false;
      hidden.focus = 0;
      mirror->SyncWindow(hidden);
      for (State& s : *states) mirror->SyncControl(s.control, kChangeAll, std::move(s.rows));
      mirror->SyncWindow(facts);
    });
  }

  void SendWindow(Window& w) {
    bool fresh = false;
    uint64_t id = Know(w, &fresh);
    if (fresh) {
      SendAll(w, id);
      return;
    }
    WindowFacts facts = FactsOf(w);
    DeliverTo(id, [facts](WindowMirror& m) { m.SyncWindow(facts); });
  }

  // created: the control is new (a list of the GUI thread then needs its live rows).
  void SendControl(Window& w, int control, unsigned changes, bool created = false) {
    bool fresh = false;
    uint64_t id = Know(w, &fresh);
    if (fresh) {
      SendAll(w, id);
      return;
    }
    const Control* c = w.Find(control);
    if (c == nullptr) return;
    std::optional<ListRowSource> rows;
    // A list of another thread sends its rows whenever they change; a live source, once.
    if (c->kind() == ControlKind::kList &&
        (created || (!OnGuiThread() && (changes & (kChangeRows | kChangeFormat))))) {
      rows = RowsOf(w, *c);
    }
    auto state = std::make_shared<Control>(*c);
    auto shared_rows = std::make_shared<std::optional<ListRowSource>>(std::move(rows));
    DeliverTo(id, [state, changes, shared_rows](WindowMirror& m) {
      m.SyncControl(*state, changes, std::move(*shared_rows));
    });
  }

  // User input from a mirror (GUI thread) to its window.
  void Input(uint64_t id, WindowMirror::ModelCall call) {
    int thread = 0;
    Window* w = FindWindow(id, &thread);
    if (w == nullptr) return;
    if (thread == gui_thread) {
      // Only this thread frees its windows, so the window found stays while the call runs.
      call(*w);
      return;
    }
    std::shared_ptr<RuntimeThread> t = RuntimeThread::Find(thread);
    if (!t) return;
    t->PostTask([this, id, call = std::move(call)] {
      // On the window's thread, where it could have been freed since: look again.
      if (Window* now = FindWindow(id, nullptr)) call(*now);
    });
  }

  void WakeWaits() {
    if (waits.empty()) return;
    const Wait& top = waits.back();
    if (RuntimeThread::Current().HasWorkFor(top.window)) top.loop->quit();
  }

  void DropMirror(uint64_t id) {
    auto it = mirrors.find(id);
    if (it == mirrors.end()) return;
    std::unique_ptr<WindowMirror> mirror = std::move(it->second);
    mirrors.erase(it);
    mirror->hide();
    if (mirror->InModelCall()) {
      mirror.release()->deleteLater();
    }
  }
};

QtBackend::QtBackend(int& argc, char** argv) : impl_(std::make_unique<Impl>()) {
  if (QCoreApplication::instance() == nullptr) {
    impl_->own_app = std::make_unique<QApplication>(argc, argv);
  }
  // Windows end when the program closes them, never because the last one was hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  impl_->gui_thread = RuntimeThread::Current().number();
}

QtBackend::~QtBackend() {
  impl_->alive.reset();
  impl_->mirrors.clear();
  if (impl_->wait_cursor && OnGuiThread()) QApplication::restoreOverrideCursor();
}

WindowMirror* QtBackend::MirrorOf(const Window& window) const {
  uint64_t id = 0;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    auto it = impl_->by_window.find(&window);
    if (it == impl_->by_window.end()) return nullptr;
    id = it->second.id;
  }
  auto it = impl_->mirrors.find(id);
  return it == impl_->mirrors.end() ? nullptr : it->second.get();
}

// ---------------------------------------------------------------- dialogs

int QtBackend::ShowMessageBox(const MessageBoxRequest& request) {
  int answer = request.default_button;
  RunOnGuiThread([&] { answer = RunMessageBox(request, QApplication::activeWindow()); });
  return answer;
}

void QtBackend::Beep() {
  DoOnGuiThread([] { QApplication::beep(); });
}

void QtBackend::SetWaitCursor(bool on) {
  Impl* impl = impl_.get();
  DoOnGuiThread([impl, on] {
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

int QtBackend::ShowPopup(Window* window, const MenuText& menu, int x, int y) {
  int choice = 0;
  RunOnGuiThread([&] {
    QPoint at = (x == kDefaultPosition || y == kDefaultPosition) ? QCursor::pos() : QPoint(x, y);
    choice = RunPopupMenu(menu, at);
  });
  return choice;
}

// ---------------------------------------------------------------- windows

void QtBackend::WindowPrepared(Window& window) {
  bool fresh = false;
  uint64_t id = impl_->Know(window, &fresh);
  impl_->SendAll(window, id);
}

void QtBackend::WindowOpened(Window& window) { impl_->SendWindow(window); }
void QtBackend::WindowClosed(Window& window) { impl_->SendWindow(window); }
void QtBackend::WindowChanged(Window& window) { impl_->SendWindow(window); }

void QtBackend::WindowFreed(Window& window) {
  uint64_t id = impl_->Forget(window);
  if (id == 0) return;
  Impl* impl = impl_.get();
  impl_->Deliver([impl, id] { impl->DropMirror(id); });
}

void QtBackend::ControlCreated(Window& window, int control) {
  impl_->SendControl(window, control, kChangeAll, /*created=*/true);
}

void QtBackend::ControlDestroyed(Window& window, int control) {
  bool fresh = false;
  uint64_t id = impl_->Know(window, &fresh);
  if (fresh) {
    impl_->SendAll(window, id);
    return;
  }
  impl_->DeliverTo(id, [control](WindowMirror& m) { m.RemoveControl(control); });
}

void QtBackend::ControlChanged(Window& window, int control, unsigned changes) {
  impl_->SendControl(window, control, changes);
}

void QtBackend::FocusChanged(Window& window, int control) {
  bool fresh = false;
  uint64_t id = impl_->Know(window, &fresh);
  if (fresh) {
    impl_->SendAll(window, id);
    return;
  }
  impl_->DeliverTo(id, [control](WindowMirror& m) { m.SyncFocus(control); });
}

// ---------------------------------------------------------------- events

void QtBackend::WaitForEvent(Window& window) {
  if (!OnGuiThread()) {
    Backend::WaitForEvent(window);
    return;
  }
  if (RuntimeThread::Current().HasWorkFor(&window)) return;
  QEventLoop loop;
  impl_->waits.push_back(Impl::Wait{&loop, &window});
  loop.exec();
  impl_->waits.pop_back();
}

void QtBackend::EventPosted(int thread) {
  if (thread != impl_->gui_thread) return;
  if (OnGuiThread()) {
    impl_->WakeWaits();
    return;
  }
  Impl* impl = impl_.get();
  impl_->Deliver([impl] { impl->WakeWaits(); });
}

int QtBackend::TextWidth(const Window& window, int control, std::string_view text) {
  const FontSpec& window_font = window.font();
  const Control* c = control != 0 ? window.Find(control) : nullptr;
  const QFont font = ControlFont(c != nullptr ? c->font() : window_font, window_font);
  const DialogUnits units(ControlFont(window_font, window_font));
  const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  return units.WidthUnits(QFontMetrics(font).horizontalAdvance(shown));
}

}  // namespace rt
