#include "runtime/qt/picture_width.h"

#include <QString>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace rt {

namespace {

// Qt's line edit keeps this many pixels clear inside its contents on either side of the text,
// and wants this many past the text's end for the cursor before it scrolls the text.
constexpr int kLineEditTextMargin = 2;
constexpr int kLineEditCursorRoom = 2;

}  // namespace

int WidestValueWidth(const Picture& picture, const QFontMetrics& metrics) {
  if (picture.Width() <= 0) return 0;
  const int decimals = picture.Decimals();
  const int whole = picture.Width() - (decimals > 0 ? decimals + 1 : 0);
  // As many integer digits as fit beside the commas that group them.
  int digits = std::max(whole, 1);
  auto commas = [&picture](int n) { return picture.Grouped() && n > 0 ? (n - 1) / 3 : 0; };
  while (digits > 1 && digits + commas(digits) > whole) --digits;

  int digit = 0;
  for (char d = '0'; d <= '9'; ++d) digit = std::max(digit, metrics.horizontalAdvance(QChar(d)));
  int width = (digits + decimals) * digit + commas(digits) * metrics.horizontalAdvance(QChar(','));
  if (decimals > 0) width += metrics.horizontalAdvance(QChar('.'));
  return width;
}

int LineEditTextRoom(const QLineEdit* edit, int width) {
  QStyleOptionFrame opt;
  opt.initFrom(edit);
  opt.rect = QRect(0, 0, width, std::max(edit->height(), 1));
  opt.lineWidth =
      edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit) : 0;
  opt.midLineWidth = 0;
  opt.state |= QStyle::State_Sunken;
  const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
  const QMargins margins = edit->textMargins();
  return contents.width() - margins.left() - margins.right() - 2 * kLineEditTextMargin -
         kLineEditCursorRoom;
}

}  // namespace rt
