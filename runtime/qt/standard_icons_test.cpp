#include "runtime/qt/standard_icons.h"

#include <gtest/gtest.h>

#include "runtime/windows/backend.h"
#include "runtime/qt/qt_test_support.h"

namespace rt {
namespace {

TEST(StandardIconsTest, EveryKnownIdHasAPictureFromTheStyle) {
  test::EnsureApplication();
  for (uint16_t id = 32512; id <= 32517; ++id) {
    QIcon icon = StandardIcon(id);
    ASSERT_FALSE(icon.isNull()) << id;
    EXPECT_FALSE(icon.pixmap(32, 32).isNull()) << id;
    EXPECT_FALSE(StandardIconFromRef(StandardIconRef(id)).isNull()) << id;
  }
  EXPECT_TRUE(StandardIcon(32518).isNull());
  EXPECT_TRUE(StandardIcon(0).isNull());
  EXPECT_TRUE(StandardIconFromRef("").isNull());
  EXPECT_TRUE(StandardIconFromRef("ICON1").isNull());
}

TEST(StandardIconsTest, TheCalculatorsTwoButtonIconsLookDifferent) {
  test::EnsureApplication();
  QImage warning = StandardIcon(kIconWarning).pixmap(32, 32).toImage();
  QImage information = StandardIcon(kIconInformation).pixmap(32, 32).toImage();
  QImage logo = StandardIcon(32517).pixmap(32, 32).toImage();
  EXPECT_NE(warning, information);
  EXPECT_NE(logo, warning);
  EXPECT_NE(logo, information);
}

TEST(StandardIconsTest, MessageBoxKindsFollowTheReference) {
  EXPECT_EQ(MessageBoxIconFor(StandardIconRef(kIconInformation)), QMessageBox::Information);
  EXPECT_EQ(MessageBoxIconFor(StandardIconRef(kIconWarning)), QMessageBox::Warning);
  EXPECT_EQ(MessageBoxIconFor(StandardIconRef(kIconError)), QMessageBox::Critical);
  EXPECT_EQ(MessageBoxIconFor(StandardIconRef(kIconQuestion)), QMessageBox::Question);
  EXPECT_EQ(MessageBoxIconFor(StandardIconRef(32517)), QMessageBox::NoIcon);
  EXPECT_EQ(MessageBoxIconFor(""), QMessageBox::NoIcon);
  // Three of the four bytes of a reference are not a reference.
  EXPECT_EQ(MessageBoxIconFor(StandardIconRef(kIconWarning).substr(0, 3)), QMessageBox::NoIcon);
}

}  // namespace
}  // namespace rt
