#include "runtime/files/position_text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rt {

namespace {

const char kHex[] = "0123456789ABCDEF";

void Escape(std::string_view in, std::string* out) {
  for (unsigned char c : in) {
    if (c == '%' || c == '|' || c <= 0x20 || c == 0x7F) {
      *out += '%';
      *out += kHex[c >> 4];
      *out += kHex[c & 15];
    } else {
      *out += static_cast<char>(c);
    }
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(std::string_view in, std::string* out) {
  out->clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '%') {
      *out += in[i];
      continue;
    }
    if (i + 2 >= in.size()) return false;
    int hi = HexDigit(in[i + 1]), lo = HexDigit(in[i + 2]);
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

bool ParseInt(const std::string& s, long long* v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  *v = std::strtoll(s.c_str(), &end, 10);
  return errno == 0 && end == s.c_str() + s.size();
}

bool ParseDouble(const std::string& s, double* v) {
  if (s.empty()) return false;
  char* end = nullptr;
  *v = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

std::string ValueText(const AnyRef& ref) {
  std::string out;
  switch (ref.type()) {
    case Type::Real: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "%.17g", ref.Real());
      Escape(buf, &out);
      break;
    }
    case Type::String:
    case Type::CString:
      Escape(ref.Text(), &out);
      break;
    case Type::Group:
      Escape(std::string_view(static_cast<const char*>(ref.address()), ref.size()), &out);
      break;
    default:
      out = std::to_string(ref.Integer());
  }
  return out;
}

bool SetValue(const AnyRef& ref, const std::string& text) {
  switch (ref.type()) {
    case Type::Real: {
      double d;
      if (!ParseDouble(text, &d)) return false;
      AnyRef(ref).SetReal(d);
      return true;
    }
    case Type::String:
    case Type::CString: {
      // Only a value the field holds as it is: one cut short or ended early at a zero byte
      // would be another record's place.
      size_t room = ref.type() == Type::String || ref.size() == 0 ? ref.size() : ref.size() - 1;
      if (text.size() > room) return false;
      if (ref.type() == Type::CString && text.find('\0') != std::string::npos) return false;
      AnyRef(ref).SetText(text);
      return true;
    }
    case Type::Group: {
      if (text.size() > ref.size()) return false;
      std::memset(ref.address(), 0, ref.size());
      std::memcpy(ref.address(), text.data(), text.size());
      return true;
    }
    default: {
      long long v;
      if (!ParseInt(text, &v)) return false;
      AnyRef(ref).SetInteger(v);
      return true;
    }
  }
}

}  // namespace

std::string PositionText::Encode(const FileDeclaration& decl, const FileKey* key,
                                 const void* record, int64_t id) {
  if (!key) return "R" + std::to_string(id);
  std::string s = "K" + std::to_string(key->Number());
  void* rec = const_cast<void*>(record);  // only read through the references
  for (const KeyComponent& c : key->Components()) {
    s += '|';
    s += ValueText(decl.Record().Field(rec, c.field));
  }
  return s + "|" + std::to_string(id);
}

bool PositionText::Decode(const FileDeclaration& decl, const FileKey* key, std::string_view text,
                          void* record, int64_t* id) {
  // A position never ends in a blank; blanks after it come from a blank-padded field.
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  long long v = 0;
  if (!key) {
    if (text.size() < 2 || text[0] != 'R' || !ParseInt(std::string(text.substr(1)), &v) || v < 0) {
      return false;
    }
    *id = v;
    return true;
  }
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t bar = text.find('|', start);
    parts.emplace_back(text.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  if (parts.size() != key->ComponentCount() + 2) return false;
  if (parts[0] != "K" + std::to_string(key->Number())) return false;
  if (!ParseInt(parts.back(), &v) || v < 0) return false;
  // Values go to a scratch copy first, so a bad text leaves the record untouched.
  std::vector<unsigned char> scratch(decl.RecordSize());
  std::memcpy(scratch.data(), record, scratch.size());
  std::string value;
  for (size_t c = 0; c < key->ComponentCount(); ++c) {
    if (!Unescape(parts[c + 1], &value)) return false;
    if (!SetValue(decl.Record().Field(scratch.data(), key->Component(c).field), value)) return false;
  }
  std::memcpy(record, scratch.data(), scratch.size());
  *id = v;
  return true;
}

}  // namespace rt
