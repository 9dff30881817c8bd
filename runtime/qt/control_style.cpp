#include "runtime/qt/control_style.h"

#include <QApplication>

#include "runtime/qt/dialog_units.h"

namespace rt {

namespace {

// System colour numbers as window resources use them.
std::optional<QColor> SystemColor(uint32_t n) {
  QPalette p = QApplication::palette();
  switch (n) {
    case 5: return p.color(QPalette::Active, QPalette::Base);           // window
    case 8: return p.color(QPalette::Active, QPalette::Text);           // window text
    case 13: return p.color(QPalette::Active, QPalette::Highlight);
    case 14: return p.color(QPalette::Active, QPalette::HighlightedText);
    case 15: return p.color(QPalette::Active, QPalette::Button);         // button face
    case 18: return p.color(QPalette::Active, QPalette::ButtonText);
    case 17: return p.color(QPalette::Disabled, QPalette::Text);         // grey text
    case 4: return p.color(QPalette::Active, QPalette::Window);          // menu
    case 7: return p.color(QPalette::Active, QPalette::WindowText);      // menu text
    default: return std::nullopt;
  }
}

}  // namespace

QFont ControlFont(const FontSpec& asked, const FontSpec& window) {
  const std::string& face = asked.face.empty() ? window.face : asked.face;
  int points = asked.points > 0 ? asked.points : window.points;
  QFont font = ResolveFont(face, points);
  // Qt 6 weights are on the resource's own 1..1000 scale (400 normal, 700 bold).
  int weight = asked.weight <= 0 ? kWeightNormal : (asked.weight > 1000 ? 1000 : asked.weight);
  font.setWeight(static_cast<QFont::Weight>(weight));
  font.setItalic(asked.italic);
  return font;
}

std::optional<QColor> ToQColor(Color color) {
  if (color == kColorDefault) return std::nullopt;
  if (color & 0x80000000u) return SystemColor(color & 0xFFu);
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

void ApplyColors(QWidget* widget, Color text, Color background) {
  QPalette palette = QApplication::palette(widget);
  if (std::optional<QColor> c = ToQColor(text)) {
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
      palette.setColor(g, QPalette::Text, *c);
      palette.setColor(g, QPalette::WindowText, *c);
      palette.setColor(g, QPalette::ButtonText, *c);
    }
  }
  std::optional<QColor> bg = ToQColor(background);
  if (bg) {
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      palette.setColor(g, QPalette::Base, *bg);
      palette.setColor(g, QPalette::Window, *bg);
      palette.setColor(g, QPalette::Button, *bg);
    }
  }
  widget->setPalette(palette);
  widget->setAutoFillBackground(bg.has_value());
}

}  // namespace rt
