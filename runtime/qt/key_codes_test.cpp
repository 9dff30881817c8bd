#include "runtime/qt/key_codes.h"

#include <gtest/gtest.h>

#include "runtime/windows/event.h"

namespace rt {
namespace {

QKeyEvent Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, QString text = {}) {
  return QKeyEvent(QEvent::KeyPress, key, mods, text);
}

TEST(KeyCodesTest, NavigationAndEditingKeysHaveTheirVirtualKeyNumbers) {
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Up)), kKeyUp);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Down)), kKeyDown);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_PageUp)), kKeyPageUp);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_PageDown)), kKeyPageDown);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Insert)), kKeyInsert);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Delete)), kKeyDelete);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_F1)), kKeyF1);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_F12)), kKeyF1 + 11);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Escape)), kKeyEsc);
  // Both Enter keys are Enter; the keypad's arrives with the keypad modifier.
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Return)), kKeyEnter);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Enter, Qt::KeypadModifier)), kKeyEnter);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Shift, Qt::ShiftModifier)), 0);
}

TEST(KeyCodesTest, ModifiersAddTheirBits) {
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Home, Qt::ControlModifier)), kKeyCtrlHome);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_End, Qt::ControlModifier)), kKeyCtrlEnd);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Return, Qt::ControlModifier)), kKeyCtrlEnter);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_A, Qt::AltModifier | Qt::ShiftModifier)),
            0x41 | kKeyAlt | kKeyShift);
  // Shift+Tab arrives as Backtab.
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Backtab, Qt::ShiftModifier)), kKeyShiftTab);
  EXPECT_EQ(KeyCodeOf(Press(Qt::Key_Backtab)), kKeyShiftTab);
}

TEST(KeyCodesTest, LettersDigitsAndTheKeypadAndWhatTheyType) {
  QKeyEvent a = Press(Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_EQ(KeyCodeOf(a), 0x41);
  EXPECT_EQ(KeyCharOf(a), U'a');
  QKeyEvent seven = Press(Qt::Key_7, Qt::NoModifier, "7");
  EXPECT_EQ(KeyCodeOf(seven), 0x37);
  QKeyEvent pad_seven = Press(Qt::Key_7, Qt::KeypadModifier, "7");
  EXPECT_EQ(KeyCodeOf(pad_seven), 0x67);
  EXPECT_EQ(KeyCharOf(pad_seven), U'7');
  QKeyEvent cyrillic = Press(0x0416, Qt::NoModifier, QString::fromUtf8("ж"));
  EXPECT_EQ(KeyCharOf(cyrillic), U'ж');
  // Keys that type control characters carry no character.
  EXPECT_EQ(KeyCharOf(Press(Qt::Key_Return, Qt::NoModifier, "\r")), 0u);
  EXPECT_EQ(KeyCharOf(Press(Qt::Key_C, Qt::ControlModifier, QString(QChar(3)))), 0u);
  EXPECT_EQ(KeyCharOf(Press(Qt::Key_Up)), 0u);
}

}  // namespace
}  // namespace rt
