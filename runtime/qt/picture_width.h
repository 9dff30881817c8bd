// How much room the values of a numeric picture need in a font (the widest value the picture
// can show: its largest, every digit drawn as wide as the font's widest digit), and how much
// an edit field gives them, in pixels. Entries, spin boxes and list columns are made at least
// this wide, so no value they can show is cut.
#pragma once

#include <QFontMetrics>
#include <QLineEdit>

#include "runtime/values/picture.h"

namespace rt {

// 0 for a picture without a width: its values have no widest.
int WidestValueWidth(const Picture& picture, const QFontMetrics& metrics);

// Pixels an edit field `width` wide shows a text in without scrolling it: the style's contents
// less the text margins, the margin Qt keeps clear inside them on either side, and the room
// it wants past the text's end for the cursor.
int LineEditTextRoom(const QLineEdit* edit, int width);

}  // namespace rt
