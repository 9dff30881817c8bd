// The runtime's key codes (virtual-key numbers plus 0x100 Shift, 0x200 Ctrl, 0x400 Alt) and
// key characters for Qt's key events.
#pragma once

#include <QKeyEvent>

namespace rt {

// The key code of a key press; 0 for keys the runtime has no number for (a lone modifier,
// a media key).
int KeyCodeOf(const QKeyEvent& event);
// The character the key types (a printable one), 0 for none.
char32_t KeyCharOf(const QKeyEvent& event);

}  // namespace rt
