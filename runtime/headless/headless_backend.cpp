#include "runtime/headless/headless_backend.h"

#include <algorithm>

#include "runtime/windows/event.h"
#include "runtime/windows/menu_text.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace rt {

namespace {

// How often a waiting loop looks again at its queue and at the script.
constexpr std::chrono::milliseconds kPoll{5};

void CollectChoices(const std::vector<MenuItem>& items, PopupRecord* r) {
  for (const MenuItem& item : items) {
    if (item.choice != 0) {
      r->choices.push_back(item.text);
      r->enabled.push_back(!item.disabled);
    }
    CollectChoices(item.submenu, r);
  }
}

}  // namespace

// ---------------------------------------------------------------- dialog answers

void HeadlessBackend::AnswerNextMessageBox(int button) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  answers_.push_back(button);
}

size_t HeadlessBackend::PendingAnswers() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return answers_.size();
}

void HeadlessBackend::ChooseNextPopupItem(int choice) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  popup_choices_.push_back(choice);
}

size_t HeadlessBackend::PendingPopupChoices() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return popup_choices_.size();
}

const MessageBoxRecord* HeadlessBackend::LastMessageBox() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return boxes_.empty() ? nullptr : &boxes_.back();
}

std::vector<MessageBoxRecord> HeadlessBackend::UnansweredBoxes() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<MessageBoxRecord> out;
  for (const MessageBoxRecord& r : boxes_) {
    if (r.outcome != ScriptOutcome::kAnswered) out.push_back(r);
  }
  return out;
}

void HeadlessBackend::ClearMessageBoxes() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  boxes_.clear();
}

std::vector<PopupRecord> HeadlessBackend::UnansweredPopups() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<PopupRecord> out;
  for (const PopupRecord& r : popups_) {
    if (r.outcome != ScriptOutcome::kAnswered) out.push_back(r);
  }
  return out;
}

void HeadlessBackend::ClearPopups() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  popups_.clear();
}

std::vector<AutoCloseRecord> HeadlessBackend::AutoCloses() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return auto_closes_;
}

int HeadlessBackend::Beeps() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return beeps_;
}

bool HeadlessBackend::WaitCursorOn() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return wait_cursor_;
}

void HeadlessBackend::Beep() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  ++beeps_;
}

void HeadlessBackend::SetWaitCursor(bool on) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  wait_cursor_ = on;
}

int HeadlessBackend::ShowMessageBox(const MessageBoxRequest& request) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  MessageBoxRecord record;
  record.request = request;
  record.answer = request.default_button;
  if (answers_.empty()) {
    record.outcome = ScriptOutcome::kUnscripted;
  } else {
    int answer = answers_.front();
    answers_.pop_front();
    // A single button of the set: a user can only press what is shown.
    bool offered = answer != 0 && (answer & (answer - 1)) == 0 && (request.buttons & answer);
    if (offered) {
      record.answer = answer;
      record.outcome = ScriptOutcome::kAnswered;
    } else {
      record.outcome = ScriptOutcome::kAnswerNotOffered;
    }
  }
  boxes_.push_back(record);
  return record.answer;
}

int HeadlessBackend::ShowPopup(Window* window, const MenuText& menu, int x, int y) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  PopupRecord record;
  CollectChoices(menu.Items(), &record);
  if (popup_choices_.empty()) {
    record.outcome = ScriptOutcome::kUnscripted;
  } else {
    int choice = popup_choices_.front();
    popup_choices_.pop_front();
    const MenuItem* item = menu.FindChoice(choice);
    if (choice == 0 || (item && !item->disabled)) {
      record.answer = choice;
    } else {
      record.outcome = ScriptOutcome::kAnswerNotOffered;
    }
  }
  popups_.push_back(record);
  return record.answer;
}

// ---------------------------------------------------------------- the script

ScriptedAction& HeadlessBackend::Add(ScriptedAction a) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  actions_.push_back(std::move(a));
  return actions_.back();
}

ScriptedAction& HeadlessBackend::Click(int control) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kClick;
  a.control = control;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::Type(int control, std::string_view text, bool leave) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kType;
  a.control = control;
  a.text = std::string(text);
  a.leave = leave;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::PressKey(int control, int key_code, char32_t key_char) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kKey;
  a.control = control;
  a.key_code = key_code;
  a.key_char = key_char;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::ClickRow(int control, size_t row, int column,
                                          ScriptedAction::Mouse mouse) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kListClick;
  a.control = control;
  a.row = row;
  a.column = column;
  a.mouse = mouse;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::Scroll(int control, int scroll_event) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kScroll;
  a.control = control;
  a.value = scroll_event;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::DragThumb(int control, int position) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kDragThumb;
  a.control = control;
  a.value = position;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::Spin(int control, int steps) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kSpin;
  a.control = control;
  a.value = steps;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::Check(std::function<void()> check) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kCheck;
  a.check = std::move(check);
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::CloseWindow() {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kClose;
  return Add(std::move(a));
}

ScriptedAction& HeadlessBackend::FocusWindow(bool gained) {
  ScriptedAction a;
  a.kind = ScriptedAction::Kind::kWindowFocus;
  a.gained = gained;
  return Add(std::move(a));
}

size_t HeadlessBackend::PendingActions() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return actions_.size();
}

void HeadlessBackend::ClearScript() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  actions_.clear();
}

std::vector<ScriptedAction> HeadlessBackend::LeftoverActions() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return std::vector<ScriptedAction>(actions_.begin(), actions_.end());
}

int HeadlessBackend::PerformedActions() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return performed_;
}

// ---------------------------------------------------------------- windows and waiting

void HeadlessBackend::WindowOpened(Window& window) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  open_windows_.push_back(&window);
}

void HeadlessBackend::WindowClosed(Window& window) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  open_windows_.erase(std::remove(open_windows_.begin(), open_windows_.end(), &window),
                      open_windows_.end());
  if (last_auto_closed_ == &window) last_auto_closed_ = nullptr;
}

void HeadlessBackend::ControlChanged(Window& window, int control, unsigned changes) {
  if ((changes & kChangeChart) == 0) return;
  const Control* c = window.Find(control);
  if (c == nullptr) return;
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  charts_.push_back(ChartRecord{window.label(), control, c->chart()});
}

std::vector<ChartRecord> HeadlessBackend::Charts() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return charts_;
}

Window* HeadlessBackend::TargetFor(const ScriptedAction& a, Window& waiting, bool worker) const {
  if (a.window.empty()) return worker ? nullptr : &waiting;
  int me = ThreadNumber();
  // The newest window with the label: a window opened again replaces the old one.
  for (auto it = open_windows_.rbegin(); it != open_windows_.rend(); ++it) {
    if ((*it)->label() == a.window && (*it)->thread() == me) return *it;
  }
  return nullptr;
}

void HeadlessBackend::Perform(const ScriptedAction& a, Window& w) {
  using Kind = ScriptedAction::Kind;
  switch (a.kind) {
    case Kind::kClick: w.UserClick(a.control); break;
    case Kind::kType:
      w.UserType(a.control, a.text);
      if (a.leave) w.UserLeave(a.control);
      break;
    case Kind::kKey: w.UserKey(a.control, a.key_code, a.key_char); break;
    case Kind::kListClick:
      // What the toolkit reports for each gesture: a double click is a click first, a right
      // click is a press and a release.
      if (a.mouse == ScriptedAction::Mouse::kRight) {
        w.UserListClick(a.control, a.row, a.column, kMouseRightDown);
        w.UserListClick(a.control, a.row, a.column, kMouseRightUp);
      } else {
        w.UserListClick(a.control, a.row, a.column, kMouseLeft);
        if (a.mouse == ScriptedAction::Mouse::kDouble) {
          w.UserListClick(a.control, a.row, a.column, kMouseLeftDouble);
        }
      }
      break;
    case Kind::kScroll: w.UserScroll(a.control, a.value); break;
    case Kind::kDragThumb: w.UserDragThumb(a.control, a.value); break;
    case Kind::kSpin: w.UserSpin(a.control, a.value); break;
    case Kind::kCheck:
      if (a.check) a.check();
      break;
    case Kind::kClose: w.UserClose(); break;
    case Kind::kWindowFocus: w.UserWindowFocus(a.gained); break;
  }
}

void HeadlessBackend::AutoClose(Window& window) {
  bool forced = false;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    // Asked once and refused with nothing in between: a user would be stuck; shut it.
    forced = last_auto_closed_ == &window;
    auto_closes_.push_back({window.label(), forced});
    last_auto_closed_ = &window;
  }
  if (forced) {
    window.Close();
  } else {
    window.Post(kEventCloseWindow);
  }
}

void HeadlessBackend::WaitForEvent(Window& window) {
  RuntimeThread& thread = RuntimeThread::Current();
  const bool worker = thread.started();
  auto waited = std::chrono::milliseconds(0);
  for (;;) {
    if (thread.HasWorkFor(&window) || !window.IsOpen()) return;
    ScriptedAction action;
    Window* target = nullptr;
    bool script_empty = false;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      script_empty = actions_.empty();
      if (!script_empty) target = TargetFor(actions_.front(), window, worker);
      if (target) {
        action = std::move(actions_.front());
        actions_.pop_front();
        ++performed_;
        last_auto_closed_ = nullptr;
      }
    }
    if (target) {
      Perform(action, *target);
      waited = std::chrono::milliseconds(0);
      continue;
    }
    // The program's own thread is driven by the script alone: with the script used up
    // nothing else can come. Otherwise another thread may still post or take its action.
    if (!worker && script_empty) {
      AutoClose(window);
      return;
    }
    if (waited >= patience_) {
      AutoClose(window);
      return;
    }
    thread.WaitForWork(&window, kPoll);
    waited += kPoll;
  }
}

}  // namespace rt
