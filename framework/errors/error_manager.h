// ErrorManager: turns a numeric error id into the message the user sees. It keeps the list of
// error definitions (ERRORS) and a private copy of every table loaded into it, fills the
// placeholders of a message from the error state saved at the moment of the error, and acts on
// the entry's fatality: say nothing, tell the user, ask Yes or No, or end the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/errors/level.h"
#include "runtime/windows/backend.h"
#include "runtime/values/row_queue.h"

namespace fw {

class TranslatorInterface;

// One error definition. MESSAGE and TITLE view the manager's copy of the table they came
// from, which lives until Teardown.
struct ErrorRow {
  uint16_t ID = 0;
  std::string_view MESSAGE;
  std::string_view TITLE;
  uint8_t FATALITY = 0;
};

// The process exit code after a fatal error.
inline constexpr int kFatalExitCode = 3;
// The caption of the notice shown for an id with no entry.
inline constexpr std::string_view kUnknownErrorTitle = "Unknown error";
// A composed message holds at most this many bytes (a 2000-byte buffer with its zero).
inline constexpr size_t kMaxMessageBytes = 1999;
// The saved texts are CSTRING(255) fields: at most this many bytes.
inline constexpr size_t kMaxFieldBytes = 254;

class ErrorManager {
 public:
  ErrorManager();
  virtual ~ErrorManager();
  ErrorManager(const ErrorManager&) = delete;
  ErrorManager& operator=(const ErrorManager&) = delete;

  // Fields. The texts hold at most kMaxFieldBytes bytes when set through the operations below;
  // a longer value assigned directly is cut to that size where a message uses it.
  std::unique_ptr<rt::Queue<ErrorRow>> ERRORS;  // its current row is the current error
  std::string FIELDNAME;          // "%Field"
  std::string FILENAME;           // "%File"
  std::string MESSAGETEXT;        // "%Message"
  std::string SAVEERROR;          // the runtime's error text at the last capture
  int32_t SAVEERRORCODE = 0;      // the runtime's error code at the last capture
  std::string SAVEFILEERROR;      // the driver's error text at the last capture
  std::string SAVEFILEERRORCODE;  // the driver's error code at the last capture, as text
  // May be null. The texts the manager adds to a table's messages go through it: the runtime's
  // and the driver's error texts, "Unknown error" and the fatal message's closing words. The
  // tables' own texts are the program's to load in its language (LoadErrorTable).
  TranslatorInterface* TRANSLATOR = nullptr;

  // Overridable operations, in slot order.

  // Appends the entries of a packed table (16-bit LE count, then per entry: ID LE16,
  // FATALITY, title length, title, message length, message) to ERRORS in table order. Reads
  // nothing at or past table + size: an entry cut off by the end is not loaded, nor anything
  // after it. The table is copied. Returns the number of entries loaded.
  virtual size_t LoadErrorTable(const uint8_t* table, size_t size);
  // The Report operations act on the current error and return a level.
  virtual int ReportSilent();
  virtual int ReportFatal();  // ends the program with kFatalExitCode after the user's OK
  virtual int ReportNotice();
  virtual int ReportUnknownLevel();
  virtual int ReportInternal();
  virtual int ReportQuestion();

  // Creates ERRORS and loads the default table.
  void Setup();
  // Frees ERRORS and the table copies.
  void Teardown();
  void SetFileName(std::string_view name);
  // Captures the runtime's error state, then reports id.
  int Raise(uint16_t id);
  int RaiseWithMessage(std::string_view text, uint16_t id);
  // Reports id with the state captured earlier. An id with no entry shows a notice
  // "Unknown error <id>" and returns kLevelHandled.
  int ReportError(uint16_t id);
  // Asks the message of id with the warning icon and the given buttons; returns the button
  // pressed. For an id with no entry it shows the unknown-error notice and returns the
  // default button, the answer that keeps things as they are.
  int AskWithButtons(uint16_t id, rt::ButtonSet buttons, int default_button);
  // The current error's message with its placeholders filled: "%Previous" first (the text of
  // the entry this one overrides, filled in turn), then %ErrorCode, %ErrorText, %Error,
  // %FileErrorCode, %FileError, %File, %Message, %Field, each over the whole text, every
  // occurrence, the search resuming after each inserted value. At most kMaxMessageBytes bytes.
  std::string ComposeMessage();
  // Makes the last row with this id current: kLevelGoOn, or kLevelHandled when there is none
  // (the current error is then unchanged).
  int SelectError(uint16_t id);
  // Makes the row at position, or the nearest one before it, with this id current. Returns
  // kLevelGoOn, or kLevelHandled with the current error unchanged when none matches.
  int FindErrorBefore(uint16_t id, size_t position);
  void CaptureRuntimeError();

 private:
  const ErrorRow* CurrentRow() const;
  std::string PreviousMessage(uint16_t id, size_t position);
  void ShowUnknownError(uint16_t id);
  std::string Translate(std::string_view text) const;

  // Own copies of the loaded tables; ERRORS rows view into them.
  std::vector<std::unique_ptr<uint8_t[]>> tables_;
};

}  // namespace fw
