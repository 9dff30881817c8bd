#include "runtime/headless/headless_backend.h"

namespace rt {

void HeadlessBackend::AnswerNextMessageBox(int button) { answers_.push_back(button); }

const MessageBoxRecord* HeadlessBackend::LastMessageBox() const {
  return boxes_.empty() ? nullptr : &boxes_.back();
}

std::vector<MessageBoxRecord> HeadlessBackend::UnansweredBoxes() const {
  std::vector<MessageBoxRecord> out;
  for (const MessageBoxRecord& r : boxes_) {
    if (r.outcome != ScriptOutcome::kAnswered) out.push_back(r);
  }
  return out;
}

int HeadlessBackend::ShowMessageBox(const MessageBoxRequest& request) {
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

}  // namespace rt
