// HeadlessBackend: a backend with no screen, for tests. The window model lives in memory; the
// test writes a script of user actions and dialog answers, and the backend plays it whenever
// a window's event loop waits for an event. A message box or popup the script did not foresee
// is recorded as a failure and answered with its default (a popup: dismissed). When the
// script is used up and nothing is queued it closes the waiting window itself (recorded), so a
// test never hangs. Text is measured without fonts, kUnitsPerCharacter dialog units per
// character (Backend::TextWidth), so widths in tests are exact. It owns its records and its
// script; it is safe to use from several runtime threads.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/windows/backend.h"
#include "runtime/windows/chart_data.h"
#include "runtime/headless/scripted_action.h"

namespace rt {

enum class ScriptOutcome {
  kAnswered,         // the next scripted answer was one of the box's buttons
  kUnscripted,       // nothing was scripted: the default button was returned
  kAnswerNotOffered  // the scripted answer was not among the buttons: the default was returned
};

struct MessageBoxRecord {
  MessageBoxRequest request;
  int answer = 0;  // the button returned
  ScriptOutcome outcome = ScriptOutcome::kAnswered;
};

struct PopupRecord {
  std::vector<std::string> choices;  // the texts of the items a user could pick, by number
  std::vector<bool> enabled;         // the same items: can they be picked
  int answer = 0;                    // the choice returned, 0 dismissed
  ScriptOutcome outcome = ScriptOutcome::kAnswered;
};

// A chart as the program last set it: the numbers a screen would draw.
struct ChartRecord {
  std::string window;  // the label of its window
  int control = 0;
  ChartData chart;
};

struct AutoCloseRecord {
  std::string window;  // the label of the window closed
  bool forced = false; // the program refused the close request, so the window was shut
};

class HeadlessBackend : public Backend {
 public:
  // ---- Dialog answers, used in the order given.
  // Script: the next message box shown is answered with this button.
  void AnswerNextMessageBox(int button);
  size_t PendingAnswers() const;
  // Script: the next popup menu is answered with this choice (0 dismisses it).
  void ChooseNextPopupItem(int choice);
  size_t PendingPopupChoices() const;

  // ---- User actions, performed in order as loops wait. Each returns the action so a test
  // can direct it to a window by label: backend.Click(1).window = "P10$W".
  ScriptedAction& Click(int control);
  ScriptedAction& Type(int control, std::string_view text, bool leave = true);
  ScriptedAction& PressKey(int control, int key_code, char32_t key_char = 0);
  ScriptedAction& ClickRow(int control, size_t row, int column = 1,
                           ScriptedAction::Mouse mouse = ScriptedAction::Mouse::kLeft);
  ScriptedAction& Scroll(int control, int scroll_event);
  ScriptedAction& DragThumb(int control, int position);
  ScriptedAction& Spin(int control, int steps);
  ScriptedAction& Check(std::function<void()> check);
  ScriptedAction& CloseWindow();
  ScriptedAction& FocusWindow(bool gained);
  size_t PendingActions() const;
  // Drops the actions not yet performed (a test that ended its window early on purpose).
  void ClearScript();
  std::vector<ScriptedAction> LeftoverActions() const;
  int PerformedActions() const;

  // ---- Records.
  // Every box shown so far, oldest first.
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
  // nullptr when none was shown.
  const MessageBoxRecord* LastMessageBox() const;
  // The boxes the script did not answer (unscripted, or answered with a button not offered).
  std::vector<MessageBoxRecord> UnansweredBoxes() const;
  void ClearMessageBoxes();
  const std::vector<PopupRecord>& Popups() const { return popups_; }
  std::vector<PopupRecord> UnansweredPopups() const;
  void ClearPopups();
  // Windows the backend closed because the script was used up.
  std::vector<AutoCloseRecord> AutoCloses() const;

  // Every chart shown so far, each time the program set it, oldest first.
  std::vector<ChartRecord> Charts() const;

  int Beeps() const;
  bool WaitCursorOn() const;

  // How long a loop on a thread started with rt::Start waits for a post before the backend
  // closes its window (the program's own thread closes at once: only its script drives it).
  void SetWorkerPatience(std::chrono::milliseconds patience) { patience_ = patience; }

  // ---- Backend.
  int ShowMessageBox(const MessageBoxRequest& request) override;
  void Beep() override;
  void SetWaitCursor(bool on) override;
  void WindowOpened(Window& window) override;
  void WindowClosed(Window& window) override;
  void ControlChanged(Window& window, int control, unsigned changes) override;
  void WaitForEvent(Window& window) override;
  int ShowPopup(Window* window, const MenuText& menu, int x, int y) override;

 private:
  ScriptedAction& Add(ScriptedAction a);
  // The window the head action is for when the calling thread may perform it, else nullptr.
  Window* TargetFor(const ScriptedAction& a, Window& waiting, bool worker) const;
  static void Perform(const ScriptedAction& a, Window& w);
  void AutoClose(Window& window);

  mutable std::recursive_mutex mutex_;
  std::deque<int> answers_;
  std::deque<int> popup_choices_;
  std::deque<ScriptedAction> actions_;
  int performed_ = 0;
  std::vector<MessageBoxRecord> boxes_;
  std::vector<PopupRecord> popups_;
  std::vector<AutoCloseRecord> auto_closes_;
  std::vector<ChartRecord> charts_;
  std::vector<Window*> open_windows_;
  Window* last_auto_closed_ = nullptr;
  int beeps_ = 0;
  bool wait_cursor_ = false;
  std::chrono::milliseconds patience_{5000};
};

}  // namespace rt
