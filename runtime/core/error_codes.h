// The runtime's error codes (the value of the last operation's error code) and their texts,
// the text being what a message's "%ErrorText" shows.
#pragma once

namespace rt {

enum ErrorCode : int {
  kNoError = 0,
  kFileNotFound = 2,
  kAccessDenied = 5,
  kEntryNotFound = 30,       // a queue get found no row
  kNoRecordAvailable = 33,
  kRecordNotFound = 35,
  kFileNotOpen = 37,
  kDuplicateKey = 40,
  kRecordHeld = 43,
  kKeysMustBeRebuilt = 46,
  kInvalidRecordDeclaration = 47,
  kFileAlreadyOpen = 52,
  kNotSupported = 80,
  kRecordChanged = 89,
  kDriverError = 90,  // the driver's own code and text say more
};

// The text of a code; "Unknown error" for a code the runtime does not name.
const char* ErrorText(int code);

}  // namespace rt
