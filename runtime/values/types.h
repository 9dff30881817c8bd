// The values room of the runtime: what a variable is and how it is shown and kept — types,
// references to variables of any type, records, pictures, decimals, texts and queues. It uses
// only the core room below it; nothing here knows of windows or files.
//
// The runtime's value types: what a variable, a record field or a queue column can be.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

enum class Type : uint8_t {
  Byte = 1,  // unsigned 8-bit
  Short,     // signed 16-bit
  UShort,    // unsigned 16-bit
  Long,      // signed 32-bit
  ULong,     // unsigned 32-bit
  Real,      // 64-bit binary floating point
  String,    // n bytes, blank-padded
  CString,   // n bytes, zero-terminated, at most n-1 bytes of text
  Group,     // a record: raw bytes, compared byte by byte
};

const char* TypeName(Type t);
bool IsNumeric(Type t);
bool IsInteger(Type t);
// Storage size of the numeric types; 0 for the sized ones (String, CString, Group).
size_t FixedSize(Type t);

}  // namespace rt
