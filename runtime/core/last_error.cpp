#include "runtime/core/last_error.h"

#include "runtime/core/error_codes.h"

namespace rt {

namespace {
thread_local LastError g_last;
}

const LastError& GetLastError() { return g_last; }

void SetLastError(int code, std::string file_code, std::string file_text) {
  g_last.code = code;
  g_last.file_code = std::move(file_code);
  g_last.file_text = std::move(file_text);
}

std::string LastErrorText() { return ErrorText(g_last.code); }

}  // namespace rt
