#include "runtime/qt/key_codes.h"

#include "runtime/windows/event.h"

namespace rt {

namespace {

int VirtualKey(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return 0x41 + (key - Qt::Key_A);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x30 + (key - Qt::Key_0);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kKeyF1 + (key - Qt::Key_F1);
  switch (key) {
    case Qt::Key_Backspace: return kKeyBackspace;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyEnter;
    case Qt::Key_Escape: return kKeyEsc;
    case Qt::Key_Space: return kKeySpace;
    case Qt::Key_PageUp: return kKeyPageUp;
    case Qt::Key_PageDown: return kKeyPageDown;
    case Qt::Key_End: return kKeyEnd;
    case Qt::Key_Home: return kKeyHome;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Insert: return kKeyInsert;
    case Qt::Key_Delete: return kKeyDelete;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_Plus: return 0xBB;   // the "=+" key; the keypad's own comes below
    case Qt::Key_Minus: return 0xBD;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Period: return 0xBE;
    case Qt::Key_Slash: return 0xBF;
    case Qt::Key_Asterisk: return 0x6A;
    default: return 0;
  }
}

int KeypadKey(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return 0x60 + (key - Qt::Key_0);
  switch (key) {
    case Qt::Key_Asterisk: return 0x6A;
    case Qt::Key_Plus: return 0x6B;
    case Qt::Key_Minus: return 0x6D;
    case Qt::Key_Period:
    case Qt::Key_Comma: return 0x6E;
    case Qt::Key_Slash: return 0x6F;
    default: return 0;
  }
}

}  // namespace

int KeyCodeOf(const QKeyEvent& event) {
  int key = event.key();
  Qt::KeyboardModifiers mods = event.modifiers();
  int code = 0;
  if (mods & Qt::KeypadModifier) code = KeypadKey(key);
  if (code == 0) code = VirtualKey(key);
  if (code == 0) return 0;
  if (key == Qt::Key_Backtab || (mods & Qt::ShiftModifier)) code |= kKeyShift;
  if (mods & Qt::ControlModifier) code |= kKeyCtrl;
  if (mods & Qt::AltModifier) code |= kKeyAlt;
  return code;
}

char32_t KeyCharOf(const QKeyEvent& event) {
  QString text = event.text();
  if (text.isEmpty()) return 0;
  char32_t c = text.toUcs4().value(0);
  // Control characters (Enter, Tab, Esc, Backspace, Ctrl+letter) are keys, not characters.
  if (c < 0x20 || c == 0x7F) return 0;
  return c;
}

}  // namespace rt
