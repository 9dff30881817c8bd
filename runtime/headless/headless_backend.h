// HeadlessBackend: a backend with no screen, for tests. It keeps every dialog in memory and
// answers message boxes from a script the test writes; a box the script did not foresee is
// recorded as a failure and gets its default button. It owns its records and its script.
#pragma once

#include <deque>
#include <vector>

#include "runtime/backend.h"

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

class HeadlessBackend : public Backend {
 public:
  // Script: the next message box shown is answered with this button. Answers are used in the
  // order they were given.
  void AnswerNextMessageBox(int button);
  size_t PendingAnswers() const { return answers_.size(); }

  // Every box shown so far, oldest first.
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
  // nullptr when none was shown.
  const MessageBoxRecord* LastMessageBox() const;
  // The boxes the script did not answer (unscripted, or answered with a button not offered).
  std::vector<MessageBoxRecord> UnansweredBoxes() const;
  void ClearMessageBoxes() { boxes_.clear(); }

  int Beeps() const { return beeps_; }
  bool WaitCursorOn() const { return wait_cursor_; }

  int ShowMessageBox(const MessageBoxRequest& request) override;
  void Beep() override { ++beeps_; }
  void SetWaitCursor(bool on) override { wait_cursor_ = on; }

 private:
  std::deque<int> answers_;
  std::vector<MessageBoxRecord> boxes_;
  int beeps_ = 0;
  bool wait_cursor_ = false;
};

}  // namespace rt
