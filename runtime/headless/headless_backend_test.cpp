#include "runtime/headless/headless_backend.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "runtime/headless/headless_test_support.h"

namespace rt {
namespace {

using HeadlessBackendTest = test::HeadlessTest;

// The failures the end-of-test check would report, caught instead of failing this test.
std::vector<std::string> ScriptFailures(const HeadlessBackend& backend) {
  ::testing::TestPartResultArray results;
  {
    ::testing::ScopedFakeTestPartResultReporter catcher(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
    test::ExpectScriptFollowed(backend);
  }
  std::vector<std::string> out;
  for (int i = 0; i < results.size(); ++i) {
    std::string message = results.GetTestPartResult(i).message();
    // ADD_FAILURE's own heading; what follows is what the test author reads.
    if (message.rfind("Failed\n", 0) == 0) message.erase(0, 7);
    out.push_back(message);
  }
  return out;
}

TEST_F(HeadlessBackendTest, ScriptedAnswersAreUsedInOrderAndEveryBoxIsKept) {
  backend().AnswerNextMessageBox(kButtonNo);
  backend().AnswerNextMessageBox(kButtonCancel);
  EXPECT_EQ(MessageBox("Save?", "Save Record", StandardIconRef(kIconWarning),
                       kButtonsYesNoCancel, kButtonCancel),
            kButtonNo);
  EXPECT_EQ(MessageBox("Again?", "Save Record", "", kButtonsYesNoCancel, kButtonYes),
            kButtonCancel);
  EXPECT_EQ(backend().PendingAnswers(), 0u);

  ASSERT_EQ(backend().MessageBoxes().size(), 2u);
  const MessageBoxRecord& first = backend().MessageBoxes()[0];
  EXPECT_EQ(first.request.text, "Save?");
  EXPECT_EQ(first.request.caption, "Save Record");
  EXPECT_EQ(ParseStandardIconRef(first.request.icon), kIconWarning);
  EXPECT_EQ(first.request.buttons, kButtonsYesNoCancel);
  EXPECT_EQ(first.request.default_button, kButtonCancel);
  EXPECT_EQ(first.answer, kButtonNo);
  EXPECT_EQ(backend().LastMessageBox()->request.text, "Again?");
  EXPECT_TRUE(backend().UnansweredBoxes().empty());
}

TEST_F(HeadlessBackendTest, AnUnforeseenBoxGetsItsDefaultAndIsReported) {
  EXPECT_EQ(MessageBox("Are you sure?", "Confirm Delete", "", kButtonsYesNo, kButtonNo),
            kButtonNo);
  // A scripted answer the box does not offer is a script error too, not a silent default.
  backend().AnswerNextMessageBox(kButtonCancel);
  EXPECT_EQ(MessageBox("Done", "Info", "", kButtonOk, kButtonOk), kButtonOk);
  backend().AnswerNextMessageBox(kButtonsYesNo);
  EXPECT_EQ(MessageBox("Two at once", "Info", "", kButtonsYesNo, kButtonYes), kButtonYes);

  std::vector<MessageBoxRecord> unanswered = backend().UnansweredBoxes();
  ASSERT_EQ(unanswered.size(), 3u);
  EXPECT_EQ(unanswered[0].outcome, ScriptOutcome::kUnscripted);
  EXPECT_EQ(unanswered[1].outcome, ScriptOutcome::kAnswerNotOffered);
  EXPECT_EQ(unanswered[2].outcome, ScriptOutcome::kAnswerNotOffered);

  std::vector<std::string> failures = ScriptFailures(backend());
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_EQ(failures[0],
            "unscripted message box \"Confirm Delete\": \"Are you sure?\" (buttons 6, default 4)");
  EXPECT_EQ(failures[1],
            "message box \"Info\": \"Done\" (buttons 1, default 1) was answered with a button "
            "it does not show");
  backend().ClearMessageBoxes();
  EXPECT_TRUE(ScriptFailures(backend()).empty());
}

TEST_F(HeadlessBackendTest, LeftoverAnswersAreReported) {
  backend().AnswerNextMessageBox(kButtonOk);
  EXPECT_EQ(ScriptFailures(backend()),
            std::vector<std::string>{"1 scripted message box answer(s) left unused"});
  MessageBox("use it", "x");
}

TEST_F(HeadlessBackendTest, BeepsAreCountedAndTheWaitCursorFollowed) {
  Beep();
  Beep();
  Beep();
  EXPECT_EQ(backend().Beeps(), 3);
  SetWaitCursor(true);
  EXPECT_TRUE(backend().WaitCursorOn());
  SetWaitCursor(false);
  EXPECT_FALSE(backend().WaitCursorOn());
}

TEST(ScopedHeadlessBackendTest, InstallsItselfAndPutsThePreviousBack) {
  Backend* before = CurrentBackend();
  {
    test::ScopedHeadlessBackend outer;
    EXPECT_EQ(CurrentBackend(), &outer.get());
    {
      test::ScopedHeadlessBackend inner;
      EXPECT_EQ(CurrentBackend(), &inner.get());
    }
    EXPECT_EQ(CurrentBackend(), &outer.get());
  }
  EXPECT_EQ(CurrentBackend(), before);
}

}  // namespace
}  // namespace rt
