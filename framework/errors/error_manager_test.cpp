#include "framework/errors/error_manager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/errors/default_error_table.h"
#include "framework/errors/error_ids.h"
#include "runtime/core/error_codes.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/core/last_error.h"

namespace fw {
namespace {

struct Entry {
  uint16_t id;
  uint8_t fatality;
  std::string title;
  std::string message;
};

std::vector<uint8_t> Pack(const std::vector<Entry>& entries) {
  std::vector<uint8_t> out = {static_cast<uint8_t>(entries.size() & 0xFF),
                              static_cast<uint8_t>(entries.size() >> 8)};
  for (const Entry& e : entries) {
    out.push_back(e.id & 0xFF);
    out.push_back(e.id >> 8);
    out.push_back(e.fatality);
    out.push_back(static_cast<uint8_t>(e.title.size()));
    out.insert(out.end(), e.title.begin(), e.title.end());
    out.push_back(static_cast<uint8_t>(e.message.size()));
    out.insert(out.end(), e.message.begin(), e.message.end());
  }
  return out;
}

std::string Repeat(std::string_view s, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += s;
  return out;
}

bool IsWholeUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    i += len;
  }
  return true;
}

// For death tests: what ends up on stderr of the dying program, written as a regex.
std::string Literally(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// Writes the last box shown just before the program ends, so a death test can check what the
// user saw before the end as well as the halt text.
class BoxOnHaltBackend : public rt::HeadlessBackend {
 public:
  void OnHalt(int exit_code) override {
    const rt::MessageBoxRecord* r = LastMessageBox();
    if (r == nullptr) return;
    std::fprintf(stderr, "box <%s> <%s> icon %d buttons %d default %d\n",
                 r->request.caption.c_str(), r->request.text.c_str(),
                 static_cast<int>(rt::ParseStandardIconRef(r->request.icon).value_or(0)),
                 r->request.buttons, r->request.default_button);
  }
};

std::string FatalEnd(std::string_view title, std::string_view message) {
  return Literally("box <" + std::string(title) + "> <" + std::string(message) +
                   "  Press OK to end this application> icon 32516 buttons 1 default 1\n" +
                   std::string(title) + ": " + std::string(message) + "\n");
}

class ErrorManagerTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    rt::SetLastError(0);
    errors.Setup();
  }
  void TearDown() override {
    errors.Teardown();
    rt::SetLastError(0);
    HeadlessTest::TearDown();
  }

  void Load(const std::vector<Entry>& entries) {
    std::vector<uint8_t> table = Pack(entries);
    ASSERT_EQ(errors.LoadErrorTable(table.data(), table.size()), entries.size());
  }
  // The message of id as the user would read it, without showing it.
  std::string Composed(uint16_t id) {
    EXPECT_EQ(errors.SelectError(id), kLevelGoOn) << "no entry " << id;
    return errors.ComposeMessage();
  }
  const rt::MessageBoxRecord& LastBox() {
    static const rt::MessageBoxRecord kNone;
    const rt::MessageBoxRecord* r = backend().LastMessageBox();
    EXPECT_NE(r, nullptr) << "no message box was shown";
    return r ? *r : kNone;
  }

  ErrorManager errors;
};

using ErrorManagerDeathTest = ErrorManagerTest;

TEST_F(ErrorManagerTest, DefaultTableLoadsEveryEntryInOrder) {
  ASSERT_NE(errors.ERRORS, nullptr);
  ASSERT_EQ(errors.ERRORS->Records(), kDefaultErrorCount);
  const ErrorRow* first = errors.ERRORS->At(1);
  EXPECT_EQ(first->ID, 27);
  EXPECT_EQ(first->FATALITY, 5);
  EXPECT_EQ(first->TITLE, "Invalid Key");
  EXPECT_EQ(first->MESSAGE, "%File key file is invalid. Key must be rebuilt.");
  const ErrorRow* last = errors.ERRORS->At(kDefaultErrorCount);
  EXPECT_EQ(last->ID, kErrRecordUnreadable);
  EXPECT_EQ(last->FATALITY, 5);
  EXPECT_EQ(last->TITLE, "Record Cannot Be Read");
  // The packed form's count comes first, little-endian.
  std::span<const uint8_t> table = DefaultErrorTable();
  EXPECT_EQ(table[0] | (table[1] << 8), 41);
}

TEST_F(ErrorManagerTest, RuntimeErrorTextShowsTheRuntimeCode) {
  rt::SetLastError(2);
  errors.SetFileName("kf   ");
  errors.CaptureRuntimeError();
  EXPECT_EQ(errors.SAVEERRORCODE, 2);
  EXPECT_EQ(errors.SAVEERROR, "File not found");
  EXPECT_EQ(errors.FILENAME, "kf");
  EXPECT_EQ(Composed(23), "File (kf) could not be opened.  Error: File not found (2).");
  EXPECT_EQ(Composed(26), "Error: (File not found (2)) repairing key for kf.");
}

TEST_F(ErrorManagerTest, DriverErrorTextShowsTheDriversCodeAndText) {
  rt::SetLastError(rt::kDriverError, "26  ", "file is not a database   ");
  errors.SetFileName("kf");
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.Raise(4), kLevelHandled);
  const rt::MessageBoxRecord& box = LastBox();
  EXPECT_EQ(box.request.caption, "Record Insert Error");
  EXPECT_EQ(box.request.text,
            "An error was experienced during the creation of a record. "
            "Error: file is not a database (26).");
  EXPECT_EQ(rt::ParseStandardIconRef(box.request.icon), rt::kIconInformation);
  EXPECT_EQ(box.request.buttons, rt::kButtonOk);
  EXPECT_EQ(box.request.default_button, rt::kButtonOk);
  EXPECT_EQ(errors.SAVEFILEERRORCODE, "26");
  EXPECT_EQ(errors.SAVEFILEERROR, "file is not a database");
}

TEST_F(ErrorManagerTest, ReportErrorUsesTheStateSavedEarlier) {
  rt::SetLastError(rt::kRecordHeld);
  errors.CaptureRuntimeError();
  rt::SetLastError(0);
  errors.SetFileName("kf");
  backend().AnswerNextMessageBox(rt::kButtonOk);
  errors.ReportError(25);
  EXPECT_EQ(LastBox().request.text,
            "An error (Record held by another station (43)) was experienced when making "
            "changes to the kf file.");
  // Raise captures afresh.
  backend().AnswerNextMessageBox(rt::kButtonOk);
  errors.Raise(25);
  EXPECT_EQ(LastBox().request.text,
            "An error (No error (0)) was experienced when making changes to the kf file.");
}

TEST_F(ErrorManagerTest, RaiseWithMessageFillsMessage) {
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.RaiseWithMessage("KF:nn_key", 13), kLevelHandled);
  EXPECT_EQ(LastBox().request.caption, "Duplicate Key Error");
  EXPECT_EQ(LastBox().request.text,
            "Adding this record creates a duplicate entry for the key: KF:nn_key");
  EXPECT_EQ(errors.MESSAGETEXT, "KF:nn_key");
}

TEST_F(ErrorManagerTest, SavedTextsAreCutAsFixedFieldsWithoutSplittingCharacters) {
  errors.SetFileName(Repeat("я", 200));  // 400 bytes
  EXPECT_EQ(errors.FILENAME, Repeat("я", 127));
  backend().AnswerNextMessageBox(rt::kButtonOk);  // id 0 has no entry: a notice
  errors.RaiseWithMessage(Repeat("€", 100), 0);
  EXPECT_EQ(errors.MESSAGETEXT, Repeat("€", 84));  // 252 bytes: a fourth € would not fit
  rt::SetLastError(rt::kDriverError, Repeat("7", 300), "x" + Repeat("ж", 200));
  errors.CaptureRuntimeError();
  EXPECT_EQ(errors.SAVEFILEERRORCODE, Repeat("7", 254));
  EXPECT_EQ(errors.SAVEFILEERROR, "x" + Repeat("ж", 126));
  // A long value assigned directly still counts as the fixed field where a message uses it.
  errors.FILENAME = Repeat("f", 400);
  EXPECT_EQ(Composed(2), "Could not get write access to " + Repeat("f", 254) +
                             " so trying read-only.");
}

TEST_F(ErrorManagerTest, EveryPlaceholderIsFilledInOrderLongestFirst) {
  Load({{1000, 5, "All",
         "%ErrorCode|%ErrorText|%Error|%FileErrorCode|%FileError|%File|%Message|%Field|%file"},
        {1001, 5, "Twice", "%File and %File, %Error%Error"},
        {1002, 5, "Plain", "Nothing to fill here: 100% sure."}});
  rt::SetLastError(rt::kFileNotFound, "SQ5", "disk I/O error");
  errors.CaptureRuntimeError();
  errors.SetFileName("kf");
  errors.MESSAGETEXT = "msg";
  errors.FIELDNAME = "KF:NN";
  EXPECT_EQ(Composed(1000),
            "2|File not found (2)|File not found|SQ5|disk I/O error|kf|msg|KF:NN|%file");
  EXPECT_EQ(Composed(1001), "kf and kf, File not foundFile not found");
  EXPECT_EQ(Composed(1002), "Nothing to fill here: 100% sure.");
}

TEST_F(ErrorManagerTest, InsertedTextsAreNotRefilledByTheirOwnPlaceholder) {
  Load({{1000, 5, "File", "<%File> <%File>"},
        {1001, 5, "Message", "<%Message>"},
        {1002, 5, "Both", "<%File>"}});
  // The search resumes after an inserted value: no endless growth, no second expansion.
  errors.FILENAME = "%File";
  EXPECT_EQ(Composed(1000), "<%File> <%File>");
  // A value holding a placeholder filled earlier in the order stays as it is...
  errors.MESSAGETEXT = "%File";
  EXPECT_EQ(Composed(1001), "<%File>");
  // ...but one filled later in the order runs over the whole text, inserted values included.
  errors.FILENAME = "a%Messageb";
  errors.MESSAGETEXT = "M";
  EXPECT_EQ(Composed(1002), "<aMb>");
}

TEST_F(ErrorManagerTest, PreviousBringsBackTheOverriddenMessage) {
  Load({{1000, 5, "No earlier", "Alone%Previous."}});
  EXPECT_EQ(Composed(1000), "Alone.");

  rt::SetLastError(rt::kFileNotFound);
  errors.CaptureRuntimeError();
  errors.SetFileName("kf");
  Load({{23, 5, "Cannot open", "Sorry. %Previous"}});
  size_t overriding = errors.ERRORS->Records();
  // The brought-back text has its placeholders filled like the rest of the message.
  EXPECT_EQ(Composed(23), "Sorry. File (kf) could not be opened.  Error: File not found (2).");
  EXPECT_EQ(errors.ERRORS->Pointer(), overriding);
  EXPECT_EQ(errors.ERRORS->buffer.MESSAGE, "Sorry. %Previous");

  // A third layer reaches through the second to the first, every occurrence filled.
  Load({{23, 5, "Cannot open", "[%Previous][%Previous]"}});
  EXPECT_EQ(Composed(23),
            "[Sorry. File (kf) could not be opened.  Error: File not found (2).]"
            "[Sorry. File (kf) could not be opened.  Error: File not found (2).]");
  EXPECT_EQ(errors.ERRORS->Pointer(), errors.ERRORS->Records());

  // The overriding entry's title and fatality count; the override is what Ask shows.
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.ReportError(23), kLevelHandled);
  EXPECT_EQ(LastBox().request.caption, "Cannot open");
}

TEST_F(ErrorManagerTest, ComposedMessagesStopAt1999BytesOnACharacterBoundary) {
  std::string template_text = Repeat("%Message", 31);  // 248 bytes
  Load({{1000, 5, "Long", template_text}});
  errors.MESSAGETEXT = Repeat("m", 254);
  std::string ascii = Composed(1000);
  EXPECT_EQ(ascii, Repeat("m", 1999));

  errors.MESSAGETEXT = Repeat("я", 127);  // 254 bytes; 1999 falls inside a letter
  std::string cyrillic = Composed(1000);
  EXPECT_EQ(cyrillic, Repeat("я", 999));
  EXPECT_TRUE(IsWholeUtf8(cyrillic));

  // A chain of "%Previous" cannot grow past the buffer either.
  Load({{1000, 5, "Long", "%Previous%Previous%Previous%Previous%Previous%Previous"}});
  Load({{1000, 5, "Long", "%Previous%Previous%Previous%Previous%Previous%Previous"}});
  std::string chained = Composed(1000);
  EXPECT_EQ(chained.size(), 1998u);
  EXPECT_TRUE(IsWholeUtf8(chained));
}

TEST_F(ErrorManagerTest, FatalityDecidesWhatTheUserSeesAndTheLevel) {
  Load({{1000, 0, "Silent", "Not shown"},
        {1001, 1, "Question", "Go on with %File?"},
        {1004, 4, "Question too", "Sure?"},
        {1005, 5, "Notice", "Told."}});
  errors.SetFileName("kf");

  EXPECT_EQ(errors.ReportError(1000), kLevelGoOn);
  EXPECT_EQ(backend().MessageBoxes().size(), 0u);

  backend().AnswerNextMessageBox(rt::kButtonYes);
  EXPECT_EQ(errors.ReportError(1001), kLevelGoOn);
  const rt::MessageBoxRecord& question = LastBox();
  EXPECT_EQ(question.request.caption, "Question");
  EXPECT_EQ(question.request.text, "Go on with kf?");
  EXPECT_EQ(rt::ParseStandardIconRef(question.request.icon), rt::kIconWarning);
  EXPECT_EQ(question.request.buttons, rt::kButtonsYesNo);
  EXPECT_EQ(question.request.default_button, rt::kButtonYes);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  EXPECT_EQ(errors.ReportError(1001), kLevelNo);
  backend().AnswerNextMessageBox(rt::kButtonYes);
  EXPECT_EQ(errors.ReportError(1004), kLevelGoOn);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  EXPECT_EQ(errors.ReportError(1004), kLevelNo);

  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.ReportError(1005), kLevelHandled);
  EXPECT_EQ(LastBox().request.text, "Told.");
  EXPECT_EQ(rt::ParseStandardIconRef(LastBox().request.icon), rt::kIconInformation);
  EXPECT_EQ(backend().MessageBoxes().size(), 5u);
}

TEST_F(ErrorManagerTest, AskWithButtonsReturnsTheButtonPressed) {
  for (int pressed : {rt::kButtonYes, rt::kButtonNo, rt::kButtonCancel}) {
    backend().AnswerNextMessageBox(pressed);
    EXPECT_EQ(errors.AskWithButtons(35, rt::kButtonsYesNoCancel, rt::kButtonCancel), pressed);
    const rt::MessageBoxRecord& box = LastBox();
    EXPECT_EQ(box.request.caption, "Save Record");
    EXPECT_EQ(box.request.text, "Do you want to save the changes to this record?");
    EXPECT_EQ(rt::ParseStandardIconRef(box.request.icon), rt::kIconWarning);
    EXPECT_EQ(box.request.buttons, 70);
    EXPECT_EQ(box.request.default_button, rt::kButtonCancel);
  }
  // The fatality is not consulted: asking about a fatal entry does not end the program.
  backend().AnswerNextMessageBox(rt::kButtonNo);
  EXPECT_EQ(errors.AskWithButtons(23, rt::kButtonsYesNo, rt::kButtonYes), rt::kButtonNo);
}

TEST_F(ErrorManagerTest, UnknownIdShowsAnUnknownErrorNoticeNeverAnotherEntry) {
  errors.SelectError(35);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.ReportError(99), kLevelHandled);
  const rt::MessageBoxRecord& box = LastBox();
  EXPECT_EQ(box.request.caption, "Unknown error");
  EXPECT_EQ(box.request.text, "Unknown error 99");
  EXPECT_EQ(rt::ParseStandardIconRef(box.request.icon), rt::kIconInformation);
  EXPECT_EQ(box.request.buttons, rt::kButtonOk);
  // The current error did not move to some other row.
  EXPECT_EQ(errors.ComposeMessage(), "Do you want to save the changes to this record?");
  EXPECT_EQ(errors.FindErrorBefore(35, 100), kLevelGoOn);
  EXPECT_EQ(errors.FindErrorBefore(35, 1), kLevelHandled);  // 35 is further down the list
  EXPECT_EQ(errors.ERRORS->buffer.ID, 35);

  // Asking about it answers as if the default had been pressed, after the notice.
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.AskWithButtons(99, rt::kButtonsYesNoCancel, rt::kButtonCancel),
            rt::kButtonCancel);
  EXPECT_EQ(LastBox().request.text, "Unknown error 99");

  // Without a list (before Setup, after Teardown) every id is unknown, and nothing breaks.
  errors.Teardown();
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(errors.ReportError(23), kLevelHandled);
  EXPECT_EQ(LastBox().request.text, "Unknown error 23");
  EXPECT_EQ(errors.ComposeMessage(), "");
}

TEST_F(ErrorManagerTest, LoadingStopsAtTheGivenSize) {
  std::vector<uint8_t> table = Pack({{1000, 5, "One", "first"},
                                     {1001, 5, "Two", "second"},
                                     {1002, 5, "Three", "third"}});
  size_t before = errors.ERRORS->Records();
  // Cut inside the third entry's message, then inside its title, then inside the count.
  for (size_t cut : {table.size() - 1, table.size() - 8, size_t{1}, size_t{0}}) {
    std::vector<uint8_t> truncated(table.begin(), table.begin() + cut);
    size_t expected = cut > 2 ? 2 : 0;
    EXPECT_EQ(errors.LoadErrorTable(truncated.data(), truncated.size()), expected) << cut;
  }
  EXPECT_EQ(errors.ERRORS->Records(), before + 4);
  // A count larger than the entries present loads what is there.
  table[0] = 200;
  EXPECT_EQ(errors.LoadErrorTable(table.data(), table.size()), 3u);
  // Bytes after the counted entries are ignored.
  std::vector<uint8_t> one = Pack({{1003, 5, "Four", "fourth"}});
  one.insert(one.end(), {1, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(errors.LoadErrorTable(one.data(), one.size()), 1u);
  EXPECT_EQ(errors.LoadErrorTable(nullptr, 100), 0u);
  EXPECT_EQ(Composed(1003), "fourth");
}

TEST_F(ErrorManagerTest, LoadedTablesAreCopied) {
  {
    std::vector<uint8_t> table = Pack({{23, 5, "Mine", "overridden"}});
    errors.LoadErrorTable(table.data(), table.size());
    std::fill(table.begin(), table.end(), 'X');
  }
  EXPECT_EQ(Composed(23), "overridden");
  EXPECT_EQ(errors.ERRORS->buffer.TITLE, "Mine");
}

TEST_F(ErrorManagerDeathTest, FatalErrorShowsTheMessageThenEndsWithACode) {
  rt::SetLastError(2);
  errors.SetFileName("kf");
  EXPECT_EXIT(
      {
        BoxOnHaltBackend halting;
        rt::SetBackend(&halting);
        halting.AnswerNextMessageBox(rt::kButtonOk);
        errors.Raise(23);
      },
      ::testing::ExitedWithCode(kFatalExitCode),
      FatalEnd("File Access Error", "File (kf) could not be opened.  Error: File not found (2)."));
}

TEST_F(ErrorManagerDeathTest, InternalAndUnknownFatalitiesAreFatal) {
  Load({{1002, 2, "Internal", "Broken %File."},
        {1006, 6, "Strange", "Odd level."},
        {1255, 255, "Strange", "Odd level too."}});
  errors.SetFileName("kf");
  auto die = [&](uint16_t id) {
    BoxOnHaltBackend halting;
    rt::SetBackend(&halting);
    halting.AnswerNextMessageBox(rt::kButtonOk);
    errors.ReportError(id);
  };
  EXPECT_EXIT(die(1002), ::testing::ExitedWithCode(kFatalExitCode),
              FatalEnd("Internal", "Broken kf."));
  EXPECT_EXIT(die(1006), ::testing::ExitedWithCode(kFatalExitCode),
              FatalEnd("Strange", "Odd level."));
  EXPECT_EXIT(die(1255), ::testing::ExitedWithCode(kFatalExitCode),
              FatalEnd("Strange", "Odd level too."));
  EXPECT_EXIT(die(39), ::testing::ExitedWithCode(kFatalExitCode),
              FatalEnd("File Usage Error", "Attempt to use file (kf) before it was opened"));
}

}  // namespace
}  // namespace fw
