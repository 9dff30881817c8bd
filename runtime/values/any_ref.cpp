#include "runtime/values/any_ref.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/values/text.h"

namespace rt {

namespace {

template <typename T>
T Load(const void* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

template <typename T>
void Store(void* p, T v) {
  std::memcpy(p, &v, sizeof v);
}

int64_t SaturateToInt64(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
  if (v <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(v);
}

template <typename T>
int Cmp(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

}  // namespace

bool ParseNumber(std::string_view text, double* out) {
  size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t' || text[e - 1] == '\0')) --e;
  if (b == e) return false;
  if (text[b] == '+') ++b;
  if (b == e) return false;
  double v = 0;
  auto r = std::from_chars(text.data() + b, text.data() + e, v);
  if (r.ec != std::errc() || r.ptr != text.data() + e) return false;
  *out = v;
  return true;
}

std::string FormatReal(double v) {
  if (v == 0) return "0";  // also folds -0
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

AnyRef::AnyRef(Type type, void* address, size_t size)
    : type_(type), address_(address), size_(size) {
  if (size_t fixed = FixedSize(type)) size_ = fixed;
}

double AnyRef::Real() const {
  if (!address_) return 0;
  switch (type_) {
    case Type::Byte: return Load<uint8_t>(address_);
    case Type::Short: return Load<int16_t>(address_);
    case Type::UShort: return Load<uint16_t>(address_);
    case Type::Long: return Load<int32_t>(address_);
    case Type::ULong: return Load<uint32_t>(address_);
    case Type::Real: return Load<double>(address_);
    case Type::String:
    case Type::CString: {
      double v = 0;
      return ParseNumber(Text(), &v) ? v : 0;
    }
    case Type::Group: return 0;
  }
  return 0;
}

int64_t AnyRef::Integer() const {
  if (IsInteger(type_)) {
    switch (type_) {
      case Type::Byte: return Load<uint8_t>(address_);
      case Type::Short: return Load<int16_t>(address_);
      case Type::UShort: return Load<uint16_t>(address_);
      case Type::Long: return Load<int32_t>(address_);
      case Type::ULong: return Load<uint32_t>(address_);
      default: break;
    }
  }
  return SaturateToInt64(Real());
}

bool AnyRef::HoldsNumber() const {
  if (IsNumeric()) return true;
  if (!IsText()) return false;
  double v;
  return ParseNumber(Text(), &v);
}

std::string AnyRef::Text() const {
  if (!address_) return std::string();
  const char* p = static_cast<const char*>(address_);
  switch (type_) {
    case Type::Real: return FormatReal(Load<double>(address_));
    case Type::String: return std::string(Clip(std::string_view(p, size_)));
    case Type::CString: return std::string(p, strnlen(p, size_));
    case Type::Group: return std::string(p, size_);
    default: return std::to_string(Integer());
  }
}

std::string AnyRef::RawText() const {
  if (address_ && type_ == Type::String) {
    return std::string(static_cast<const char*>(address_), size_);
  }
  return Text();
}

void AnyRef::SetInteger(int64_t v) const {
  if (!address_) return;
  switch (type_) {
    case Type::Byte: Store<uint8_t>(address_, static_cast<uint8_t>(v)); break;
    case Type::Short: Store<int16_t>(address_, static_cast<int16_t>(v)); break;
    case Type::UShort: Store<uint16_t>(address_, static_cast<uint16_t>(v)); break;
    case Type::Long: Store<int32_t>(address_, static_cast<int32_t>(v)); break;
    case Type::ULong: Store<uint32_t>(address_, static_cast<uint32_t>(v)); break;
    case Type::Real: Store<double>(address_, static_cast<double>(v)); break;
    case Type::String: case Type::CString: case Type::Group: SetText(std::to_string(v)); break;
  }
}

void AnyRef::SetReal(double v) const {
  if (!address_) return;
  if (type_ == Type::Real) {
    Store<double>(address_, v);
  } else if (IsText() || type_ == Type::Group) {
    SetText(FormatReal(v));
  } else {
    SetInteger(SaturateToInt64(std::trunc(v)));
  }
}

void AnyRef::SetText(std::string_view text) const {
  if (!address_) return;
  char* p = static_cast<char*>(address_);
  switch (type_) {
    case Type::String: {
      std::string_view cut = CutToBytes(text, size_);
      if (!cut.empty()) std::memcpy(p, cut.data(), cut.size());
      std::memset(p + cut.size(), ' ', size_ - cut.size());
      break;
    }
    case Type::CString: {
      if (size_ == 0) break;
      std::string_view cut = CutToBytes(text, size_ - 1);
      if (!cut.empty()) std::memcpy(p, cut.data(), cut.size());
      std::memset(p + cut.size(), 0, size_ - cut.size());
      break;
    }
    case Type::Group: {
      size_t n = text.size() < size_ ? text.size() : size_;
      if (n != 0) std::memcpy(p, text.data(), n);
      std::memset(p + n, ' ', size_ - n);
      break;
    }
    default: {
      double v = 0;
      if (!ParseNumber(text, &v)) v = 0;
      SetReal(v);
      break;
    }
  }
}

void AnyRef::Assign(const AnyRef& from) const {
  if (!address_ || from.IsNull() || SameAs(from)) return;
  if (type_ == Type::Group && from.type_ == Type::Group) {
    size_t n = from.size_ < size_ ? from.size_ : size_;
    std::memmove(address_, from.address_, n);
    std::memset(static_cast<char*>(address_) + n, 0, size_ - n);
  } else if (IsText() || type_ == Type::Group) {
    SetText(from.Text());
  } else if (from.IsNumeric()) {
    if (IsInteger(type_) && IsInteger(from.type_)) {
      SetInteger(from.Integer());
    } else {
      SetReal(from.Real());
    }
  } else {
    SetReal(from.Real());
  }
}

void AnyRef::Clear() const {
  if (!address_) return;
  if (type_ == Type::String) {
    std::memset(address_, ' ', size_);
  } else {
    std::memset(address_, 0, size_);
  }
}

bool AnyRef::IsClear() const {
  if (!address_) return true;
  const unsigned char* p = static_cast<const unsigned char*>(address_);
  if (type_ == Type::String) {
    for (size_t i = 0; i < size_; ++i) if (p[i] != ' ') return false;
    return true;
  }
  if (type_ == Type::CString) return size_ == 0 || p[0] == 0;
  if (type_ == Type::Real) return Load<double>(address_) == 0;
  for (size_t i = 0; i < size_; ++i) if (p[i] != 0) return false;
  return true;
}

void AnyRef::SetHighest() const {
  if (!address_) return;
  switch (type_) {
    case Type::Byte: SetInteger(std::numeric_limits<uint8_t>::max()); break;
    case Type::Short: SetInteger(std::numeric_limits<int16_t>::max()); break;
    case Type::UShort: SetInteger(std::numeric_limits<uint16_t>::max()); break;
    case Type::Long: SetInteger(std::numeric_limits<int32_t>::max()); break;
    case Type::ULong: SetInteger(std::numeric_limits<uint32_t>::max()); break;
    case Type::Real: Store<double>(address_, std::numeric_limits<double>::max()); break;
    case Type::CString:
      if (size_ > 0) {
        std::memset(address_, 0xFF, size_ - 1);
        static_cast<char*>(address_)[size_ - 1] = 0;
      }
      break;
    case Type::String: case Type::Group: std::memset(address_, 0xFF, size_); break;
  }
}

int AnyRef::Compare(const AnyRef& o) const {
  if (type_ == Type::Group && o.type_ == Type::Group) {
    size_t n = size_ < o.size_ ? size_ : o.size_;
    int c = n ? std::memcmp(address_, o.address_, n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return Cmp(size_, o.size_);
  }
  bool num_a = IsNumeric(), num_b = o.IsNumeric();
  if (num_a && num_b) {
    if (IsInteger(type_) && IsInteger(o.type_)) return Cmp(Integer(), o.Integer());
    return Cmp(Real(), o.Real());
  }
  if (num_a != num_b) {
    const AnyRef& text = num_a ? o : *this;
    double v;
    if (ParseNumber(text.Text(), &v)) return Cmp(Real(), o.Real());
  }
  return CompareBlankPadded(RawText(), o.RawText());
}

}  // namespace rt
