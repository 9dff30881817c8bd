#include "runtime/qt/dialog_units.h"

#include <gtest/gtest.h>

#include <QFontInfo>

#include "runtime/qt/qt_test_support.h"

namespace rt {
namespace {

TEST(DialogUnitsTest, UnitsAreQuartersOfTheWidthAndEighthsOfTheHeightRounded) {
  DialogUnits du(6, 13);
  EXPECT_EQ(du.X(4), 6);
  EXPECT_EQ(du.X(210), 315);
  EXPECT_EQ(du.X(1), 2);    // 1.5 rounds up
  EXPECT_EQ(du.X(-1), -2);  // and away from zero below it
  EXPECT_EQ(du.Y(8), 13);
  EXPECT_EQ(du.Y(130), 211);  // 211.25
  EXPECT_EQ(du.Y(12), 20);    // 19.5
  EXPECT_EQ(du.Size(210, 130), QSize(315, 211));
}

TEST(DialogUnitsTest, WidthUnitsCoverThePixelsAndNoMore) {
  for (int base : {5, 6, 7, 9}) {
    DialogUnits du(base, 13);
    EXPECT_EQ(du.WidthUnits(0), 0);
    EXPECT_EQ(du.WidthUnits(-3), 0);
    for (int pixels = 1; pixels <= 400; ++pixels) {
      const int units = du.WidthUnits(pixels);
      ASSERT_GE(units * base, pixels * 4) << base << " " << pixels;
      ASSERT_LT((units - 1) * base, pixels * 4) << base << " " << pixels;
    }
  }
}

TEST(DialogUnitsTest, ControlsSideBySideInUnitsTouchWithoutGapOrOverlap) {
  DialogUnits du(7, 15);
  // The calculator's "С", "+", "?" buttons: 93..108, 109..124, 125..140 would leave one-unit
  // gaps; adjacent rectangles in units must stay adjacent in pixels.
  for (int x = 0; x < 40; ++x) {
    QRect left = du.Rect(x, 5, 15, 12);
    QRect right = du.Rect(x + 15, 5, 15, 12);
    EXPECT_EQ(left.right() + 1, right.left()) << "x=" << x;
    QRect below = du.Rect(x, 17, 15, 12);
    EXPECT_EQ(left.bottom() + 1, below.top()) << "x=" << x;
  }
}

TEST(DialogUnitsTest, TheResourceFontFallsBackToAnInstalledSansFace) {
  test::EnsureApplication();
  QFont font = ResolveFont("MS Sans Serif", 8);
  QFontInfo info(font);
  EXPECT_FALSE(info.family().isEmpty());
  EXPECT_NE(info.family(), QString("MS Sans Serif"));
  EXPECT_EQ(font.pointSize(), 8);
  EXPECT_FALSE(info.bold());
  // An 8-point face at desktop resolution: a few pixels wide, about a dozen high.
  DialogUnits du(font);
  EXPECT_GE(du.BaseWidth(), 4);
  EXPECT_LE(du.BaseWidth(), 9);
  EXPECT_GE(du.BaseHeight(), 9);
  EXPECT_LE(du.BaseHeight(), 18);
}

TEST(DialogUnitsTest, BoldAndLargerFontsGiveWiderUnits) {
  test::EnsureApplication();
  DialogUnits normal(ResolveFont("MS Sans Serif", 8));
  DialogUnits bold(ResolveFont("MS Sans Serif", 8, /*bold=*/true));
  DialogUnits large(ResolveFont("MS Sans Serif", 16));
  EXPECT_TRUE(QFontInfo(ResolveFont("MS Sans Serif", 8, true)).bold());
  EXPECT_GE(bold.BaseWidth(), normal.BaseWidth());
  EXPECT_GT(large.BaseWidth(), normal.BaseWidth());
  EXPECT_GT(large.BaseHeight(), normal.BaseHeight());
  EXPECT_GT(large.X(210), normal.X(210));
}

}  // namespace
}  // namespace rt
