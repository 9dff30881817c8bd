// Test support for the headless backend (GoogleTest only; the backend itself does not depend
// on it): a scope that installs a backend, and the end-of-test check that every message box
// and popup was foreseen by the script and every scripted answer and action was used.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/windows/backend.h"
#include "runtime/headless/headless_backend.h"

namespace rt::test {

// What the user would have seen in a box, for failure messages.
inline std::string DescribeMessageBox(const MessageBoxRecord& r) {
  std::string s = "\"" + r.request.caption + "\": \"" + r.request.text + "\" (buttons " +
                  std::to_string(r.request.buttons) + ", default " +
                  std::to_string(r.request.default_button) + ")";
  return s;
}

// Fails the current test for every box the script did not answer and for answers left over.
inline void ExpectScriptFollowed(const HeadlessBackend& backend) {
  for (const MessageBoxRecord& r : backend.UnansweredBoxes()) {
    if (r.outcome == ScriptOutcome::kUnscripted) {
      ADD_FAILURE() << "unscripted message box " << DescribeMessageBox(r);
    } else {
      ADD_FAILURE() << "message box " << DescribeMessageBox(r)
                    << " was answered with a button it does not show";
    }
  }
  if (backend.PendingAnswers() != 0) {
    ADD_FAILURE() << backend.PendingAnswers()
                  << " scripted message box answer(s) left unused";
  }
  for (const PopupRecord& r : backend.UnansweredPopups()) {
    std::string items;
    for (const std::string& c : r.choices) items += " \"" + c + "\"";
    ADD_FAILURE() << (r.outcome == ScriptOutcome::kUnscripted
                          ? "unscripted popup menu with"
                          : "popup menu answered with an item it does not offer; items:")
                  << items;
  }
  if (backend.PendingPopupChoices() != 0) {
    ADD_FAILURE() << backend.PendingPopupChoices() << " scripted popup choice(s) left unused";
  }
  for (const ScriptedAction& a : backend.LeftoverActions()) {
    ADD_FAILURE() << "scripted action never performed: " << a.Describe();
  }
}

// Installs its own HeadlessBackend for its lifetime and puts back the previous one.
class ScopedHeadlessBackend {
 public:
  ScopedHeadlessBackend() : previous_(SetBackend(&backend_)) {}
  ~ScopedHeadlessBackend() { SetBackend(previous_); }
  ScopedHeadlessBackend(const ScopedHeadlessBackend&) = delete;
  ScopedHeadlessBackend& operator=(const ScopedHeadlessBackend&) = delete;

  HeadlessBackend& get() { return backend_; }
  HeadlessBackend* operator->() { return &backend_; }

 private:
  HeadlessBackend backend_;
  Backend* previous_;
};

// Fixture base: every test runs with a fresh headless backend and ends with the script check.
class HeadlessTest : public ::testing::Test {
 protected:
  void TearDown() override { ExpectScriptFollowed(headless_.get()); }
  HeadlessBackend& backend() { return headless_.get(); }

 private:
  ScopedHeadlessBackend headless_;
};

}  // namespace rt::test
