#include "runtime/headless/headless_backend.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/test_window.h"

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

constexpr char kBrowseMenu[] = "|&Insert|Sort{By number|By odds}~&Delete|+Checked|-|&Toolbox";

TEST_F(HeadlessBackendTest, PopupChoicesCountWithoutSeparatorsOrSubmenuHeadings) {
  backend().ChooseNextPopupItem(3);
  backend().ChooseNextPopupItem(0);
  EXPECT_EQ(Popup(kBrowseMenu), 3);
  EXPECT_EQ(Popup(kBrowseMenu, 10, 20), 0) << "dismissed";
  ASSERT_EQ(backend().Popups().size(), 2u);
  const PopupRecord& r = backend().Popups()[0];
  EXPECT_EQ(r.choices, (std::vector<std::string>{"&Insert", "By number", "By odds", "&Delete",
                                                 "Checked", "&Toolbox"}));
  EXPECT_EQ(r.enabled, (std::vector<bool>{true, true, true, false, true, true}));
  EXPECT_EQ(r.answer, 3);
}

TEST_F(HeadlessBackendTest, UnforeseenPopupsAndDisabledChoicesAreReported) {
  EXPECT_EQ(Popup("|&Insert|-|&Change"), 0);
  backend().ChooseNextPopupItem(4);  // &Delete is disabled: a user cannot pick it
  EXPECT_EQ(Popup(kBrowseMenu), 0);
  backend().ChooseNextPopupItem(9);
  EXPECT_EQ(Popup(kBrowseMenu), 0);
  std::vector<std::string> failures = ScriptFailures(backend());
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_EQ(failures[0], "unscripted popup menu with \"&Insert\" \"&Change\"");
  EXPECT_NE(failures[1].find("does not offer"), std::string::npos);
  backend().ClearPopups();
  EXPECT_TRUE(ScriptFailures(backend()).empty());
}

TEST_F(HeadlessBackendTest, AnEmptyMenuIsNotShown) {
  EXPECT_EQ(Popup("|-|"), 0);
  EXPECT_TRUE(backend().Popups().empty());
}

TEST_F(HeadlessBackendTest, ActionsNeverPerformedAreReported) {
  backend().Click(9);
  backend().Type(5, "12");
  EXPECT_EQ(ScriptFailures(backend()),
            (std::vector<std::string>{"scripted action never performed: click 9",
                                      "scripted action never performed: type \"12\" into 5 "
                                      "and leave"}));
  backend().ClearScript();
  EXPECT_TRUE(ScriptFailures(backend()).empty());
}

TEST_F(HeadlessBackendTest, ALabelledActionGoesToThatWindowOnly) {
  WindowResource other_resource = test::TestWindowResource();
  other_resource.label = "OTHER$WINDOW";
  test::TestVariables vars, other_vars;
  auto first = vars.Prepare();
  auto other = Window::Prepare(other_resource,
                               {AnyRef::Of(other_vars.total),
                                Window::Binding(&other_vars.rows, &other_vars.layout),
                                AnyRef::Of(other_vars.count), AnyRef::Of(other_vars.size),
                                AnyRef::Of(other_vars.amount), AnyRef::Of(other_vars.small)});
  ASSERT_TRUE(first && other);
  ASSERT_TRUE(first->Open());
  ASSERT_TRUE(other->Open());
  backend().Type(test::kCount, "42").window = "OTHER$WINDOW";
  test::RunLoop(*first);
  EXPECT_EQ(vars.count, 0);
  EXPECT_EQ(other_vars.count, 42);
  std::vector<test::Seen> seen = test::RunLoop(*other);
  EXPECT_EQ(test::EventsOf(seen, test::kCount), (std::vector<int>{kEventAccepted}));
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
