// Decimal: the runtime's exact decimal number, a 128-bit integer counting units of 10^-9, for
// sums and ratios that must not pick up binary fractions (the browse's thumb position).
// Values stay within ±(10^28 - 10^-9); a result beyond that is held at the nearest end.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

class Decimal {
 public:
  static constexpr int kFractionDigits = 9;

  Decimal() = default;  // 0
  static Decimal FromLong(int64_t value);

  Decimal Add(const Decimal& other) const;
  // Mul and Divide round the exact result half away from zero to kFractionDigits places.
  Decimal Mul(const Decimal& other) const;
  // Division by zero gives 0 rather than an error: callers such as the thumb of an empty list
  // expect a position, not a failure.
  Decimal Divide(const Decimal& divisor) const;

  // The nearest whole number, halves away from zero (2.5 -> 3, -2.5 -> -3), held within the
  // range of a LONG. Rounding rather than cutting makes the thumb's two directions agree: row r
  // of n at r / n * 100 percent, and that percentage / 100 * n is row r again for any n <= 100
  // (cutting turns row 1 of 3 into 33 % and 33 % back into row 0).
  int32_t ToLong() const;

  // "-12.5", "0.333333333", "7": no trailing zeros, no point for whole numbers.
  std::string Text() const;

  bool operator==(const Decimal&) const = default;

 private:
  explicit Decimal(__int128 units) : units_(units) {}
  static Decimal FromMagnitude(unsigned __int128 magnitude, bool negative);
  unsigned __int128 Magnitude() const;

  __int128 units_ = 0;  // value × 10^9
};

}  // namespace rt
