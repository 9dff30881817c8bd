// DialogUnits: converts a window resource's dialog units to pixels through the window font's
// metrics: x units are quarters of the average character width, y units eighths of the
// character height. It keeps only the two base numbers, not the font.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include <string_view>

namespace rt {

// The font a resource names ("MS Sans Serif", 8 points, bold or not). Faces that are not
// installed fall back to a sans face the system has: "MS Sans Serif" is substituted by
// DejaVu Sans (Debian's fonts-dejavu-core), then Liberation Sans, then fontconfig's sans-serif.
// A size of 0 or less keeps the application's default size.
QFont ResolveFont(std::string_view face, int points, bool bold = false, bool italic = false);

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  // For tests and for callers that measured elsewhere.
  DialogUnits(int base_width, int base_height);

  // Average character width: the width of the 52 Latin letters, divided by 52 and rounded.
  int BaseWidth() const { return base_width_; }
  int BaseHeight() const { return base_height_; }

  // Rounded to the nearest pixel, halves away from zero, the way every control of a window
  // rounds, so neighbouring controls one unit apart never overlap.
  int X(int units) const;
  int Y(int units) const;
  QSize Size(int width_units, int height_units) const;
  QRect Rect(int x, int y, int width, int height) const;
  // The x units that cover `pixels` (rounded up, so the text measured is never cut).
  int WidthUnits(int pixels) const;

 private:
  int base_width_;
  int base_height_;
};

}  // namespace rt
