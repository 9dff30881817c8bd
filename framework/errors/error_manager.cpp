#include "framework/errors/error_manager.h"

#include <cstring>
#include <type_traits>

#include "framework/errors/default_error_table.h"
#include "framework/window/translator_interface.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/values/text.h"

namespace fw {

// The list copies rows byte for byte.
static_assert(std::is_trivially_copyable_v<ErrorRow>);

namespace {

// Follows a fatal message after two blanks.
constexpr std::string_view kPressOkToEnd = "Press OK to end this application";

std::string FieldText(std::string_view text) {
  return std::string(rt::CutToBytes(text, kMaxFieldBytes));
}

void CutMessage(std::string& text) {
  if (text.size() > kMaxMessageBytes) text.resize(rt::CutToBytes(text, kMaxMessageBytes).size());
}

// Replaces every occurrence of placeholder, resuming the search after each inserted value, so
// a value that contains the placeholder itself is not expanded again. The text never grows
// past the message buffer: what falls off the end is lost, as in a fixed buffer.
void ReplaceAll(std::string& text, std::string_view placeholder, std::string_view value) {
  size_t at = 0;
  while ((at = text.find(placeholder, at)) != std::string::npos) {
    text.replace(at, placeholder.size(), value);
    at += value.size();
    CutMessage(text);
  }
}

// Walks a packed table without reading past size. Returns the number of whole entries and
// sets *used to the bytes they take, count included.
size_t ScanTable(const uint8_t* table, size_t size, size_t* used) {
  *used = 0;
  if (table == nullptr || size < 2) return 0;
  size_t count = table[0] | (table[1] << 8);
  size_t at = 2;
  size_t whole = 0;
  while (whole < count) {
    if (size - at < 4) break;  // id, fatality, title length
    size_t title = table[at + 3];
    if (size - at - 4 < title + 1) break;  // title, message length
    size_t message = table[at + 4 + title];
    if (size - at - 5 - title < message) break;
    at += 5 + title + message;
    ++whole;
  }
  *used = at;
  return whole;
}

}  // namespace

ErrorManager::ErrorManager() = default;
ErrorManager::~ErrorManager() = default;

size_t ErrorManager::LoadErrorTable(const uint8_t* table, size_t size) {
  if (!ERRORS) return 0;
  size_t used = 0;
  size_t count = ScanTable(table, size, &used);
  if (count == 0) return 0;
  // A copy, so that a caller may load a table from a buffer it frees afterwards; the rows
  // view into it for as long as the list exists.
  auto copy = std::make_unique<uint8_t[]>(used);
  std::memcpy(copy.get(), table, used);
  const char* bytes = reinterpret_cast<const char*>(copy.get());
  size_t at = 2;
  for (size_t i = 0; i < count; ++i) {
    ErrorRow& row = ERRORS->buffer;
    row.ID = static_cast<uint16_t>(copy[at] | (copy[at + 1] << 8));
    row.FATALITY = copy[at + 2];
    size_t title = copy[at + 3];
    row.TITLE = std::string_view(bytes + at + 4, title);
    size_t message = copy[at + 4 + title];
    row.MESSAGE = std::string_view(bytes + at + 5 + title, message);
    ERRORS->Append();
    at += 5 + title + message;
  }
  tables_.push_back(std::move(copy));
  return count;
}

int ErrorManager::ReportSilent() { return kLevelGoOn; }

int ErrorManager::ReportFatal() {
  std::string message = ComposeMessage();
  const ErrorRow* row = CurrentRow();
  std::string title(row ? row->TITLE : std::string_view());
  rt::MessageBox(message + "  " + Translate(kPressOkToEnd), title,
                 rt::StandardIconRef(rt::kIconInformation), rt::kButtonOk, rt::kButtonOk);
  rt::Halt(kFatalExitCode, title + ": " + message);
}

int ErrorManager::ReportNotice() {
  const ErrorRow* row = CurrentRow();
  rt::MessageBox(ComposeMessage(), row ? row->TITLE : std::string_view(),
                 rt::StandardIconRef(rt::kIconInformation), rt::kButtonOk, rt::kButtonOk);
  return kLevelHandled;
}

int ErrorManager::ReportUnknownLevel() { return ReportInternal(); }

int ErrorManager::ReportInternal() { return ReportFatal(); }

int ErrorManager::ReportQuestion() {
  const ErrorRow* row = CurrentRow();
  int pressed = rt::MessageBox(ComposeMessage(), row ? row->TITLE : std::string_view(),
                               rt::StandardIconRef(rt::kIconWarning), rt::kButtonsYesNo,
                               rt::kButtonYes);
  return pressed == rt::kButtonYes ? kLevelGoOn : kLevelNo;
}

void ErrorManager::Setup() {
  Teardown();
  ERRORS = std::make_unique<rt::Queue<ErrorRow>>();
  std::span<const uint8_t> table = DefaultErrorTable();
  LoadErrorTable(table.data(), table.size());
}

void ErrorManager::Teardown() {
  ERRORS.reset();
  tables_.clear();
}

void ErrorManager::SetFileName(std::string_view name) { FILENAME = FieldText(rt::Clip(name)); }

int ErrorManager::Raise(uint16_t id) {
  CaptureRuntimeError();
  return ReportError(id);
}

int ErrorManager::RaiseWithMessage(std::string_view text, uint16_t id) {
  MESSAGETEXT = FieldText(text);
  return Raise(id);
}

int ErrorManager::ReportError(uint16_t id) {
  if (SelectError(id) != kLevelGoOn) {
    ShowUnknownError(id);
    return kLevelHandled;
  }
  switch (CurrentRow()->FATALITY) {
    case 0: return ReportSilent();
    case 1:
    case 4: return ReportQuestion();
    case 2: return ReportInternal();
    case 3: return ReportFatal();
    case 5: return ReportNotice();
    default: return ReportUnknownLevel();
  }
}

int ErrorManager::AskWithButtons(uint16_t id, rt::ButtonSet buttons, int default_button) {
  rt::MessageBoxRequest request;
  request.icon = rt::StandardIconRef(rt::kIconWarning);
  request.buttons = buttons;
  request.default_button = default_button;
  if (SelectError(id) != kLevelGoOn) {
    // No question to ask: tell the user and answer as if they had pressed the default.
    ShowUnknownError(id);
    rt::MakeSoundRequest(request);
    return request.default_button;
  }
  request.text = ComposeMessage();
  request.caption = std::string(CurrentRow()->TITLE);
  return rt::MessageBox(std::move(request));
}

std::string ErrorManager::Translate(std::string_view text) const {
  return TRANSLATOR ? TRANSLATOR->TranslateText(text) : std::string(text);
}

void ErrorManager::ShowUnknownError(uint16_t id) {
  const std::string title = Translate(kUnknownErrorTitle);
  rt::MessageBox(title + " " + std::to_string(id), title,
                 rt::StandardIconRef(rt::kIconInformation), rt::kButtonOk, rt::kButtonOk);
}

std::string ErrorManager::ComposeMessage() {
  const ErrorRow* row = CurrentRow();
  if (row == nullptr) return std::string();
  std::string text(rt::CutToBytes(row->MESSAGE, kMaxMessageBytes));

  // "%Previous" goes first so that the brought-back message has its own placeholders filled
  // like the rest of the text.
  if (text.find("%Previous") != std::string::npos) {
    size_t current = ERRORS->Pointer();
    std::string previous = PreviousMessage(row->ID, current);
    ERRORS->Get(current);
    ReplaceAll(text, "%Previous", previous);
  }

  std::string code = std::to_string(SAVEERRORCODE);
  // The runtime's and the driver's texts are shown in the user's language where the
  // translator knows them; the saved fields keep what the runtime said.
  std::string error = Translate(FieldText(SAVEERROR));
  std::string file_error = Translate(FieldText(SAVEFILEERROR));
  std::string file_code = FieldText(SAVEFILEERRORCODE);
  // A file refused at open is refused for a reason the user can act on ("column KF is
  // missing"): the driver's words go with the runtime's own text.
  const bool refused = SAVEERRORCODE == rt::kInvalidRecordDeclaration ||
                       SAVEERRORCODE == rt::kKeysMustBeRebuilt;
  std::string error_text;
  if (SAVEERRORCODE == rt::kDriverError) {
    error_text = file_code.empty() ? file_error : file_error + " (" + file_code + ")";
  } else {
    error_text = (refused && !file_error.empty() ? error + ": " + file_error : error) + " (" +
                 code + ")";
  }
  ReplaceAll(text, "%ErrorCode", code);
  ReplaceAll(text, "%ErrorText", error_text);
  ReplaceAll(text, "%Error", error);
  ReplaceAll(text, "%FileErrorCode", file_code);
  ReplaceAll(text, "%FileError", file_error);
  ReplaceAll(text, "%File", FieldText(FILENAME));
  ReplaceAll(text, "%Message", FieldText(MESSAGETEXT));
  ReplaceAll(text, "%Field", FieldText(FIELDNAME));
  return text;
}

// What "%Previous" stands for in the message of the row at position: the message of the
// nearest earlier row with the same id, itself with "%Previous" brought back from the row
// before it, and so on; empty when there is none. Leaves the current row moved.
std::string ErrorManager::PreviousMessage(uint16_t id, size_t position) {
  std::vector<std::string_view> chain;
  while (position > 1 && FindErrorBefore(id, position - 1) == kLevelGoOn) {
    chain.push_back(ERRORS->buffer.MESSAGE);
    position = ERRORS->Pointer();
    if (chain.back().find("%Previous") == std::string_view::npos) break;
  }
  // Each level is expanded once and reused for every occurrence in the level above, so the
  // work stays linear in the number of overrides.
  std::string expansion;
  for (size_t i = chain.size(); i-- > 0;) {
    std::string text(rt::CutToBytes(chain[i], kMaxMessageBytes));
    ReplaceAll(text, "%Previous", expansion);
    expansion = std::move(text);
  }
  return expansion;
}

int ErrorManager::SelectError(uint16_t id) {
  if (!ERRORS) return kLevelHandled;
  return FindErrorBefore(id, ERRORS->Records());
}

int ErrorManager::FindErrorBefore(uint16_t id, size_t position) {
  if (!ERRORS) return kLevelHandled;
  if (position > ERRORS->Records()) position = ERRORS->Records();
  for (size_t pos = position; pos >= 1; --pos) {
    if (ERRORS->At(pos)->ID == id) {
      ERRORS->Get(pos);
      return kLevelGoOn;
    }
  }
  return kLevelHandled;
}

void ErrorManager::CaptureRuntimeError() {
  const rt::LastError& last = rt::GetLastError();
  SAVEERRORCODE = last.code;
  SAVEERROR = FieldText(rt::Clip(rt::ErrorText(last.code)));
  SAVEFILEERRORCODE = FieldText(rt::Clip(last.file_code));
  SAVEFILEERROR = FieldText(rt::Clip(last.file_text));
}

const ErrorRow* ErrorManager::CurrentRow() const {
  if (!ERRORS || ERRORS->Pointer() < 1 || ERRORS->Pointer() > ERRORS->Records()) return nullptr;
  return &ERRORS->buffer;
}

}  // namespace fw
