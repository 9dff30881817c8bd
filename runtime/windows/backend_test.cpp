#include "runtime/windows/backend.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace rt {
namespace {

// Keeps what reaches the seam; the headless backend is not part of the runtime library.
class RecordingBackend : public Backend {
 public:
  int ShowMessageBox(const MessageBoxRequest& request) override {
    requests.push_back(request);
    return answer;
  }
  void Beep() override { ++beeps; }
  void SetWaitCursor(bool on) override { wait_cursor = on; }
  void OnHalt(int exit_code) override { std::fprintf(stderr, "backend told: %d\n", exit_code); }

  std::vector<MessageBoxRequest> requests;
  int answer = kButtonNo;
  int beeps = 0;
  bool wait_cursor = false;
};

class BackendTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetBackend(nullptr); }
  void TearDown() override { SetBackend(previous_); }

 private:
  Backend* previous_ = nullptr;
};

TEST(StandardIconRefTest, PacksTheIdLittleEndianAfterTheMarker) {
  EXPECT_EQ(StandardIconRef(kIconInformation), std::string("\xFF\x01\x04\x7F", 4));
  EXPECT_EQ(StandardIconRef(kIconWarning), std::string("\xFF\x01\x03\x7F", 4));
  EXPECT_EQ(ParseStandardIconRef(StandardIconRef(kIconQuestion)), kIconQuestion);
  EXPECT_EQ(ParseStandardIconRef(StandardIconRef(0xABCD)), 0xABCD);
}

TEST(StandardIconRefTest, AnythingElseIsNotAStandardIcon) {
  EXPECT_EQ(ParseStandardIconRef(""), std::nullopt);
  EXPECT_EQ(ParseStandardIconRef("save.ico"), std::nullopt);
  EXPECT_EQ(ParseStandardIconRef(std::string("\xFF\x01\x04", 3)), std::nullopt);
  EXPECT_EQ(ParseStandardIconRef(std::string("\xFF\x01\x04\x7F\x00", 5)), std::nullopt);
  EXPECT_EQ(ParseStandardIconRef(std::string("\xFF\x02\x04\x7F", 4)), std::nullopt);
}

TEST(MessageLinesTest, BarBreaksLinesAndKeepsEmptyOnes) {
  EXPECT_EQ(MessageLines("one|two||four"),
            (std::vector<std::string_view>{"one", "two", "", "four"}));
  EXPECT_EQ(MessageLines(""), (std::vector<std::string_view>{""}));
  EXPECT_EQ(MessageLines("end|"), (std::vector<std::string_view>{"end", ""}));
}

TEST(CharacterCountTest, CountsCharactersNotBytes) {
  EXPECT_EQ(CharacterCount(""), 0);
  EXPECT_EQ(CharacterCount("135.00"), 6);
  EXPECT_EQ(CharacterCount("Сумма :"), 7);  // 12 bytes
  EXPECT_EQ(CharacterCount("\xD0\xA1"), 1);  // the clear button's Cyrillic Es
}

TEST_F(BackendTest, TextIsFourUnitsACharacterUnlessTheBackendMeasuresIt) {
  WindowResource resource;
  resource.label = "MEASURED";
  resource.width = 100;
  resource.height = 50;
  std::unique_ptr<Window> w = Window::Prepare(resource, {});
  ASSERT_NE(w, nullptr);
  // No backend, and a backend that does not measure: the fixed width.
  EXPECT_EQ(TextWidth(*w, 0, "2634095604619702128324"), 22 * kUnitsPerCharacter);
  RecordingBackend plain;
  SetBackend(&plain);
  EXPECT_EQ(TextWidth(*w, 0, "Кол-во вар.:"), 12 * kUnitsPerCharacter);

  // A backend that measures is asked, with the window and the control.
  struct Measuring : RecordingBackend {
    int TextWidth(const Window& window, int control, std::string_view text) override {
      asked_control = control;
      return static_cast<int>(text.size()) * 5 + window.width();
    }
    int asked_control = -1;
  } measuring;
  SetBackend(&measuring);
  EXPECT_EQ(TextWidth(*w, 13, "999"), 115);
  EXPECT_EQ(measuring.asked_control, 13);
  SetBackend(nullptr);
}

TEST_F(BackendTest, MessageBoxReachesTheBackendWithASoundRequest) {
  RecordingBackend backend;
  EXPECT_EQ(SetBackend(&backend), nullptr);
  EXPECT_EQ(MessageBox("Save?|Now", "Save Record", StandardIconRef(kIconWarning),
                       kButtonsYesNoCancel, kButtonCancel),
            kButtonNo);
  // No buttons at all, unknown bits, a default that is not shown.
  MessageBox("a", "b", "", 0, kButtonYes);
  MessageBox("a", "b", "", kButtonsYesNo | 8 | 128, kButtonOk);
  MessageBox("a", "b", "", kButtonsYesNoCancel, kButtonYes | kButtonNo);
  EXPECT_EQ(SetBackend(nullptr), &backend);

  ASSERT_EQ(backend.requests.size(), 4u);
  const MessageBoxRequest& r = backend.requests[0];
  EXPECT_EQ(r.text, "Save?|Now");
  EXPECT_EQ(r.caption, "Save Record");
  EXPECT_EQ(ParseStandardIconRef(r.icon), kIconWarning);
  EXPECT_EQ(r.buttons, 70);
  EXPECT_EQ(r.default_button, kButtonCancel);
  EXPECT_EQ(backend.requests[1].buttons, kButtonOk);
  EXPECT_EQ(backend.requests[1].default_button, kButtonOk);
  EXPECT_EQ(backend.requests[2].buttons, kButtonsYesNo);
  EXPECT_EQ(backend.requests[2].default_button, kButtonYes);
  EXPECT_EQ(backend.requests[3].default_button, kButtonYes);
}

TEST_F(BackendTest, BeepAndWaitCursorReachTheBackend) {
  Beep();  // nothing installed: nothing happens, nothing breaks
  SetWaitCursor(true);
  RecordingBackend backend;
  SetBackend(&backend);
  Beep();
  Beep();
  SetWaitCursor(true);
  SetBackend(nullptr);
  EXPECT_EQ(backend.beeps, 2);
  EXPECT_TRUE(backend.wait_cursor);
}

TEST_F(BackendTest, WithoutABackendTheBoxGoesToStderrAndTheDefaultIsTaken) {
  ::testing::internal::CaptureStderr();
  int pressed = MessageBox("First line|second line", "Record Update Error",
                           StandardIconRef(kIconWarning), kButtonsYesNo, kButtonNo);
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(pressed, kButtonNo);
  EXPECT_EQ(err, "Record Update Error:\n  First line\n  second line\n");
}

using BackendDeathTest = BackendTest;

TEST_F(BackendDeathTest, HaltEndsWithTheCodeAndWritesTheText) {
  EXPECT_EXIT(Halt(3, "File Access Error: it broke"), ::testing::ExitedWithCode(3),
              "^File Access Error: it broke\n$");
  EXPECT_EXIT(Halt(0, ""), ::testing::ExitedWithCode(0), "^$");
  // Exit codes wrap modulo 256 in the parent; 256 must not read as success.
  EXPECT_EXIT(Halt(256, "x"), ::testing::ExitedWithCode(255), "x");
  EXPECT_EXIT(Halt(-1, "x"), ::testing::ExitedWithCode(255), "x");
}

TEST_F(BackendDeathTest, HaltTellsTheBackendFirst) {
  EXPECT_EXIT(
      {
        RecordingBackend backend;
        SetBackend(&backend);
        Halt(7, "bye");
      },
      ::testing::ExitedWithCode(7), "^backend told: 7\nbye\n$");
}

}  // namespace
}  // namespace rt
