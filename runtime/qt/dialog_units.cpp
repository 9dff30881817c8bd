#include "runtime/qt/dialog_units.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QString>

namespace rt {

namespace {

void InstallSubstitutions() {
  static const bool installed = [] {
    // The window resources were drawn for this face; it is not on a Linux desktop.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Sans Serif")});
    QFont::insertSubstitutions(QStringLiteral("MS Shell Dlg"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Sans Serif")});
    return true;
  }();
  (void)installed;
}

int Scale(int units, int base, int divisor) {
  long long product = static_cast<long long>(units) * base;
  long long half = divisor / 2;
  return static_cast<int>(product >= 0 ? (product + half) / divisor : -((-product + half) / divisor));
}

}  // namespace

QFont ResolveFont(std::string_view face, int points, bool bold, bool italic) {
  InstallSubstitutions();
  QFont font = QGuiApplication::font();
  if (!face.empty()) {
    font.setFamily(QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size())));
  }
  font.setStyleHint(QFont::SansSerif);
  if (points > 0) font.setPointSize(points);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetrics metrics(font);
  static const QString kLetters =
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int letters = metrics.horizontalAdvance(kLetters);
  base_width_ = (letters + 26) / 52;
  if (base_width_ < 1) base_width_ = 1;
  base_height_ = metrics.height();
  if (base_height_ < 1) base_height_ = 1;
}

DialogUnits::DialogUnits(int base_width, int base_height)
    : base_width_(base_width < 1 ? 1 : base_width), base_height_(base_height < 1 ? 1 : base_height) {}

int DialogUnits::X(int units) const { return Scale(units, base_width_, 4); }
int DialogUnits::Y(int units) const { return Scale(units, base_height_, 8); }

QSize DialogUnits::Size(int width_units, int height_units) const {
  return QSize(X(width_units), Y(height_units));
}

int DialogUnits::WidthUnits(int pixels) const {
  if (pixels <= 0) return 0;
  return static_cast<int>((static_cast<long long>(pixels) * 4 + base_width_ - 1) / base_width_);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  // Corners are converted, not the size, so a control's right edge lands where the next
  // control's left edge does when the resource puts them side by side.
  int left = X(x);
  int top = Y(y);
  return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

}  // namespace rt
