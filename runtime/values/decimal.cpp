#include "runtime/values/decimal.h"

#include <algorithm>
#include <limits>

namespace rt {

namespace {

using U128 = unsigned __int128;

constexpr U128 kScale = 1000000000;  // 10^kFractionDigits
constexpr U128 kMaxUnits = kScale * kScale * kScale * kScale * 10 - 1;  // 10^37 - 1
// Keeping magnitudes below 10^37 leaves room for ×10 and for sums of a few products in 128 bits.

std::string Digits(U128 v) {
  std::string s;
  do {
    s += static_cast<char>('0' + static_cast<int>(v % 10));
    v /= 10;
  } while (v);
  std::reverse(s.begin(), s.end());
  return s;
}

}  // namespace

Decimal Decimal::FromMagnitude(U128 magnitude, bool negative) {
  magnitude = std::min(magnitude, kMaxUnits);
  __int128 units = static_cast<__int128>(magnitude);
  return Decimal(negative ? -units : units);
}

U128 Decimal::Magnitude() const {
  return units_ < 0 ? static_cast<U128>(-units_) : static_cast<U128>(units_);
}

Decimal Decimal::FromLong(int64_t value) { return Decimal(static_cast<__int128>(value) * kScale); }

Decimal Decimal::Add(const Decimal& other) const {
  __int128 sum = units_ + other.units_;  // each side is below 10^37: no overflow
  return FromMagnitude(sum < 0 ? static_cast<U128>(-sum) : static_cast<U128>(sum), sum < 0);
}

Decimal Decimal::Mul(const Decimal& other) const {
  bool negative = (units_ < 0) != (other.units_ < 0);
  U128 a = Magnitude(), b = other.Magnitude();
  // (ah·S + al)(bh·S + bl) / S, term by term so that nothing exceeds 128 bits.
  U128 ah = a / kScale, al = a % kScale, bh = b / kScale, bl = b % kScale;
  if (ah != 0 && bh > kMaxUnits / kScale / ah) return FromMagnitude(kMaxUnits, negative);
  U128 units = ah * bh * kScale + ah * bl + al * bh + (al * bl + kScale / 2) / kScale;
  return FromMagnitude(units, negative);
}

Decimal Decimal::Divide(const Decimal& divisor) const {
  if (divisor.units_ == 0) return Decimal();
  bool negative = (units_ < 0) != (divisor.units_ < 0);
  U128 a = Magnitude(), b = divisor.Magnitude();
  U128 whole = a / b, rest = a % b;
  if (whole > kMaxUnits / kScale) return FromMagnitude(kMaxUnits, negative);
  U128 units = whole;
  for (int i = 0; i < kFractionDigits; ++i) {  // long division, one decimal at a time
    rest *= 10;
    units = units * 10 + rest / b;
    rest %= b;
  }
  if (rest * 2 >= b) ++units;
  return FromMagnitude(units, negative);
}

int32_t Decimal::ToLong() const {
  U128 m = Magnitude();
  U128 whole = m / kScale;
  if ((m % kScale) * 2 >= kScale) ++whole;
  if (units_ < 0) {
    U128 limit = static_cast<U128>(-static_cast<int64_t>(std::numeric_limits<int32_t>::min()));
    return whole >= limit ? std::numeric_limits<int32_t>::min() : -static_cast<int32_t>(whole);
  }
  U128 limit = std::numeric_limits<int32_t>::max();
  return whole >= limit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(whole);
}

std::string Decimal::Text() const {
  U128 m = Magnitude();
  std::string text = units_ < 0 ? "-" : "";
  text += Digits(m / kScale);
  std::string frac = Digits(m % kScale + kScale).substr(1);  // 9 digits with leading zeros
  frac.erase(frac.find_last_not_of('0') + 1);
  if (!frac.empty()) text += '.' + frac;
  return text;
}

}  // namespace rt
