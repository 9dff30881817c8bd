#include "runtime/qt/control_style.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLineEdit>

#include "runtime/qt/qt_test_support.h"

namespace rt {
namespace {

TEST(ControlStyleTest, ControlsTakeTheWindowsFaceAndSizeUnlessTheyNameTheirOwn) {
  test::EnsureApplication();
  FontSpec window{"MS Sans Serif", 8, kWeightNormal, false};
  FontSpec bold;
  bold.weight = kWeightBold;
  QFont f = ControlFont(bold, window);
  EXPECT_EQ(f.pointSize(), 8);
  EXPECT_TRUE(QFontInfo(f).bold());
  EXPECT_EQ(QFontInfo(f).family(), QFontInfo(ControlFont(FontSpec{}, window)).family());
  FontSpec big{"", 14, kWeightNormal, true};
  QFont g = ControlFont(big, window);
  EXPECT_EQ(g.pointSize(), 14);
  EXPECT_FALSE(QFontInfo(g).bold());
  EXPECT_TRUE(g.italic());
}

TEST(ControlStyleTest, ResourceColoursAreBlueGreenRedAndSystemColoursComeFromThePalette) {
  test::EnsureApplication();
  // The calculator's entries: red 153, green 169, blue 152.
  EXPECT_EQ(ToQColor(Rgb(153, 169, 152)), QColor(153, 169, 152));
  EXPECT_EQ(ToQColor(0x00FF0000u), QColor(0, 0, 255));
  EXPECT_FALSE(ToQColor(kColorDefault).has_value());
  EXPECT_EQ(ToQColor(kColorGrayText),
            QApplication::palette().color(QPalette::Disabled, QPalette::Text));
  EXPECT_FALSE(ToQColor(0x800000FEu).has_value());
}

TEST(ControlStyleTest, AnEntryPaintsTheAskedBackgroundAndDefaultRestoresTheStyles) {
  test::EnsureApplication();
  QLineEdit edit;
  edit.setText("12");
  edit.resize(60, 20);
  ApplyColors(&edit, Rgb(0, 0, 128), Rgb(153, 169, 152));
  EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(153, 169, 152));
  EXPECT_EQ(edit.palette().color(QPalette::Text), QColor(0, 0, 128));
  QImage shot = edit.grab().toImage();
  // A point inside the frame, right of the text, shows the background.
  EXPECT_EQ(QColor(shot.pixel(shot.width() - 6, shot.height() / 2)), QColor(153, 169, 152));
  ApplyColors(&edit, kColorDefault, kColorDefault);
  EXPECT_EQ(edit.palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
}

}  // namespace
}  // namespace rt
