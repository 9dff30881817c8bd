// The runtime's error state: the code of the last file or queue operation on this thread,
// with the driver's own code and text when the code is kDriverError. Every runtime file
// operation sets it (0 on success); the error manager captures it for its messages.
#pragma once

#include <string>

namespace rt {

struct LastError {
  int code = 0;
  std::string file_code;  // the driver's code, as text ("" when the driver said nothing)
  std::string file_text;  // the driver's message
};

// The calling thread's state.
const LastError& GetLastError();
void SetLastError(int code, std::string file_code = std::string(),
                  std::string file_text = std::string());
// The text of the last code (what "%ErrorText" shows for codes other than kDriverError).
std::string LastErrorText();

}  // namespace rt
