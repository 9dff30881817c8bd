// Odds as bettors write them, read into the decimal odds the odds table stores. A pure function,
// so that every odds entry (the calculator's list, the analysis window) refuses and converts the
// same way.
#pragma once

#include <string>
#include <string_view>

namespace app {

struct OddsText {
  bool ok = false;
  // Decimal odds rounded half away from zero to two decimals, as the odds cell keeps them.
  double odds = 0.0;
  // Why the text was refused, in words for the user; empty when ok.
  std::string reason;
};

// Reads one odds text; blanks around it are ignored, letters in any case:
//  - decimal: "2.5", "2,5" (a decimal comma like a point), "3";
//  - fractional: "5/2" is 3.50, "1/1" is 2.00, whole numbers on both sides;
//  - "evens" or "evs": 2.00;
//  - American: "+150" is 2.50, "-200" is 1.50; whole numbers of 100 or more after the sign.
// Refused: anything else, odds below 1.00 (they would return less than the stake on a win)
// and odds above kMaxOdds.
OddsText ParseOddsText(std::string_view text);

inline constexpr double kMaxOdds = 1'000'000.0;

}  // namespace app
