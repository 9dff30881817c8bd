#include "runtime/core/error_codes.h"

namespace rt {

const char* ErrorText(int code) {
  switch (code) {
    case kNoError: return "No error";
    case kFileNotFound: return "File not found";
    case kAccessDenied: return "Access denied";
    case kEntryNotFound: return "Entry not found";
    case kNoRecordAvailable: return "No record available";
    case kRecordNotFound: return "Record not found";
    case kFileNotOpen: return "File not open";
    case kDuplicateKey: return "Duplicate key";
    case kRecordHeld: return "Record held by another station";
    case kKeysMustBeRebuilt: return "Keys must be rebuilt";
    case kInvalidRecordDeclaration: return "Invalid record declaration";
    case kFileAlreadyOpen: return "File already open";
    case kNotSupported: return "Not supported by the driver";
    case kRecordChanged: return "Record changed by another station";
    case kDriverError: return "Driver error";
    default: return "Unknown error";
  }
}

}  // namespace rt
