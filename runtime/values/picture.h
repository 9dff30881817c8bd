// Picture: a numeric display picture "n[_][W][.D]" (W the whole width, point and commas
// included; D decimals; "_" turns off the grouping of the integer digits by "," in threes).
// It formats a number for a control and reads back what the user typed into it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rt {

class Picture {
 public:
  static constexpr int kMaxWidth = 255;
  static constexpr int kMaxDecimals = 20;

  // Reads a picture text ("n5.2", "N_10.2", "n3", "n", "n.2"); nullopt for any other text,
  // for a width of 0 or above kMaxWidth, more than kMaxDecimals decimals, or a width that
  // cannot hold a single digit before the point and the decimals ("n3.2").
  static std::optional<Picture> Parse(std::string_view text);

  int Width() const { return width_; }  // 0: no width, the text is as long as the value needs
  int Decimals() const { return decimals_; }
  bool Grouped() const { return grouped_; }

  // The value rounded half away from zero to D decimals, right-justified in W. Rounding works
  // on the shortest decimal text that reads back as the same double, so 2.675 shows as 2.68
  // (the value the user typed) although the double lies just below it. A value that does
  // not fit, a negative one (no sign is shown), infinity and NaN show W "#" ("#" without a
  // width). A negative value that rounds to zero shows as zero.
  std::string Format(double value) const;

  // Reads what the user typed: blanks around the number are ignored; digits with at most one
  // decimal separator. Where the picture shows groups (ShowsGroups) the integer digits may
  // carry commas, but only in their places ("1,234.50", never "1,5"), and only a point
  // separates the decimals; everywhere else a comma is a decimal separator like the point
  // ("1,5" is 1.5). More decimals than D are rounded half away from zero. Rejects
  // (false, *out untouched) empty, negative or malformed texts and values whose formatted
  // text would not fit in W.
  bool ParseInput(std::string_view text, double* out) const;

  // Whether a formatted value can carry a group comma: grouped, and wide enough for "1,000"
  // before the decimals (or without a width).
  bool ShowsGroups() const;

 private:
  Picture() = default;
  // The text of digits already rounded to D places: commas when grouped, then the point and D
  // decimals; no padding.
  std::string Layout(std::string int_digits, std::string frac_digits) const;

  int width_ = 0;
  int decimals_ = 0;
  bool grouped_ = true;
};

}  // namespace rt
