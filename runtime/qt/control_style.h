// Fonts and colours a control asks for, applied to its widget: the control's font (its own
// face, size and weight, or the window's), its text and background colours (0x00BBGGRR, a
// system colour, or the toolkit's own).
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QWidget>

#include <optional>

#include "runtime/windows/window_resource.h"

namespace rt {

// The font a control (or the window, with window == asked) asks for: an empty face and a size
// of 0 come from the window's font.
QFont ControlFont(const FontSpec& asked, const FontSpec& window);

// nullopt for kColorDefault; system colours (0x80000000 | n) come from the application
// palette (n = 17 is the disabled-text grey).
std::optional<QColor> ToQColor(Color color);

// Sets the widget's text and background colours; kColorDefault restores the style's own. The
// background paints the places a user types or reads rows in (entries, lists) and the
// widget's own area for labels.
void ApplyColors(QWidget* widget, Color text, Color background);

}  // namespace rt
