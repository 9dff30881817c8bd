#include "runtime/values/types.h"

namespace rt {

const char* TypeName(Type t) {
  switch (t) {
    case Type::Byte: return "BYTE";
    case Type::Short: return "SHORT";
    case Type::UShort: return "USHORT";
    case Type::Long: return "LONG";
    case Type::ULong: return "ULONG";
    case Type::Real: return "REAL";
    case Type::String: return "STRING";
    case Type::CString: return "CSTRING";
    case Type::Group: return "GROUP";
  }
  return "?";
}

bool IsInteger(Type t) {
  switch (t) {
    case Type::Byte: case Type::Short: case Type::UShort: case Type::Long: case Type::ULong:
      return true;
    default:
      return false;
  }
}

bool IsNumeric(Type t) { return IsInteger(t) || t == Type::Real; }

size_t FixedSize(Type t) {
  switch (t) {
    case Type::Byte: return 1;
    case Type::Short: case Type::UShort: return 2;
    case Type::Long: case Type::ULong: return 4;
    case Type::Real: return 8;
    default: return 0;
  }
}

}  // namespace rt
