// Loads arbitrary bytes as an error table over the default one, then composes and reports
// every entry it loaded: no input may make the manager read outside the table or the list.
#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/errors/error_manager.h"
#include "runtime/headless/headless_backend.h"
#include "runtime/core/last_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rt::HeadlessBackend backend;
  rt::Backend* previous = rt::SetBackend(&backend);
  fw::ErrorManager errors;
  errors.Setup();
  size_t before = errors.ERRORS->Records();
  size_t loaded = errors.LoadErrorTable(data, size);
  if (errors.ERRORS->Records() != before + loaded) __builtin_trap();

  // Field values taken from the input too, so inserted texts hold placeholders and odd bytes.
  std::string tail;
  if (size > 0) tail.assign(reinterpret_cast<const char*>(data) + size / 2, size - size / 2);
  errors.SetFileName(tail);
  errors.MESSAGETEXT = tail;
  errors.FIELDNAME = "%Previous%File";
  rt::SetLastError(size % 2 ? 90 : 2, tail, tail);
  errors.CaptureRuntimeError();

  for (size_t pos = before + 1; pos <= errors.ERRORS->Records(); ++pos) {
    const fw::ErrorRow row = *errors.ERRORS->At(pos);
    if (errors.SelectError(row.ID) != fw::kLevelGoOn) __builtin_trap();
    if (errors.ComposeMessage().size() > fw::kMaxMessageBytes) __builtin_trap();
    // Fatal levels end the process; every other level must come back. The row reported is
    // the last one with this id, which need not be the one at pos.
    uint8_t f = errors.ERRORS->buffer.FATALITY;
    if (f == 0 || f == 1 || f == 4 || f == 5) errors.ReportError(row.ID);
    errors.AskWithButtons(row.ID, rt::kButtonsYesNoCancel, rt::kButtonCancel);
  }
  // An id with no entry gets the unknown-error notice.
  uint16_t probe = static_cast<uint16_t>(size);
  if (errors.SelectError(probe) != fw::kLevelGoOn) errors.ReportError(probe);
  errors.Teardown();
  rt::SetLastError(0);
  rt::SetBackend(previous);
  return 0;
}
