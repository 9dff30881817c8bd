// AnyRef: a reference to a variable of any runtime type (type, address, size). It reads,
// writes, compares and converts the variable's value; it never owns the storage, which must
// remain live while the reference is in use. Fields of packed records are reached through it,
// so every access goes through memcpy and alignment does not matter. Like a pointer,
// a const AnyRef still writes to the variable it refers to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/values/types.h"

namespace rt {

class AnyRef {
 public:
  AnyRef() = default;
  AnyRef(Type type, void* address, size_t size);

  static AnyRef Of(uint8_t& v) { return AnyRef(Type::Byte, &v, 1); }
  static AnyRef Of(int16_t& v) { return AnyRef(Type::Short, &v, 2); }
  static AnyRef Of(uint16_t& v) { return AnyRef(Type::UShort, &v, 2); }
  static AnyRef Of(int32_t& v) { return AnyRef(Type::Long, &v, 4); }
  static AnyRef Of(uint32_t& v) { return AnyRef(Type::ULong, &v, 4); }
  static AnyRef Of(double& v) { return AnyRef(Type::Real, &v, 8); }
  template <size_t N>
  static AnyRef String(char (&buf)[N]) { return AnyRef(Type::String, buf, N); }
  template <size_t N>
  static AnyRef CString(char (&buf)[N]) { return AnyRef(Type::CString, buf, N); }

  bool IsNull() const { return address_ == nullptr; }
  Type type() const { return type_; }
  void* address() const { return address_; }
  size_t size() const { return size_; }
  bool IsNumeric() const { return rt::IsNumeric(type_); }
  // Same variable (same type, address and size).
  bool SameAs(const AnyRef& o) const {
    return type_ == o.type_ && address_ == o.address_ && size_ == o.size_;
  }

  // Numeric value. A text is read as a number when it is one (leading/trailing blanks
  // allowed), otherwise it is 0. A group is 0.
  double Real() const;
  int64_t Integer() const;  // truncated toward zero, saturated to the int64 range
  // Text form: integers in decimal, reals in their shortest exact form ("1.5", "135"),
  // STRING without trailing blanks, CSTRING up to its zero byte, a group as its raw bytes.
  std::string Text() const;
  // A STRING's whole content, padding included; for other types the same as Text().
  std::string RawText() const;
  // True when the variable holds a number or a text that reads as one.
  bool HoldsNumber() const;

  void SetReal(double v) const;      // integers: truncated toward zero, wrapped to the type's width
  void SetInteger(int64_t v) const;  // integers: wrapped to the type's width; texts: decimal text
  // Texts are cut to the field's size without splitting a UTF-8 sequence (STRING padded
  // with blanks, CSTRING zero-terminated); numbers read the text as a number (0 if none).
  void SetText(std::string_view text) const;
  // Value assignment with conversion: number to number, number to text (its text form),
  // text to number (read as a number), text to text; a group copies raw bytes.
  void Assign(const AnyRef& from) const;

  void Clear() const;       // zero, or blanks for a STRING, or the empty text for a CSTRING
  void SetHighest() const;  // the type's highest value (0xFF bytes for texts and groups)
  bool IsClear() const;

  // Numbers compare as numbers; two texts byte-wise with blank padding; a number and a text
  // as numbers when the text reads as one, otherwise as texts. Groups compare raw bytes.
  int Compare(const AnyRef& other) const;
  bool Equals(const AnyRef& other) const { return Compare(other) == 0; }

 private:
  bool IsText() const { return type_ == Type::String || type_ == Type::CString; }
  Type type_ = Type::Long;
  void* address_ = nullptr;
  size_t size_ = 0;
};

// Reads a whole text as a number: optional blanks, an optional sign, digits with an optional
// fraction and exponent, optional blanks. Returns false when the text is anything else.
bool ParseNumber(std::string_view text, double* out);
// Shortest text that reads back as the same double ("1.5", "135", "1e+20").
std::string FormatReal(double v);

}  // namespace rt
