// Event: what a window's event loop hands its procedure (event number, control, key), with
// the runtime's event numbers, key codes and mouse codes.
#pragma once

#include <cstdint>

namespace rt {

class Window;

enum EventNumber : int {
  kEventNone = 0,
  kEventAccepted = 1,       // an entry's good value reached its variable; a button pressed
  kEventNewSelection = 2,   // a list's highlight moved (key code 1 for a click)
  kEventScrollUp = 3,       // list in page mode: one row up
  kEventScrollDown = 4,
  kEventPageUp = 5,
  kEventPageDown = 6,
  kEventScrollTop = 7,
  kEventScrollBottom = 8,
  kEventLocate = 9,
  kEventAlertKey = 15,      // an alert key or a printable character (key code, key char)
  kEventScrollDrag = 20,    // list: the thumb was dragged (kPropThumb holds 0..100)
  kEventRejected = 26,      // an entry's text failed its picture or range; variable unchanged
  kEventSelected = 0x101,   // a control got the focus
  kEventCloseWindow = 0x201,
  kEventCloseDown = 0x202,
  kEventOpenWindow = 0x203, // the window is shown
  kEventLoseFocus = 0x205,  // the window lost the focus
  kEventGainFocus = 0x206,
  kEventBuildToolbox = 0x20B,  // a toolbox window should refresh its buttons
  kEventSizeRequest = 0x221,   // the user is resizing the window
  kEventMaximizeRequest = 0x223,
  kEventMinimizeRequest = 0x224,
  kEventCompleted = 0x225,  // Select() with no control found every entry good
  kEventSized = 0x231,      // the window's size changed
};

// Key codes: the virtual-key number plus modifier bits; mouse buttons have their own codes.
enum KeyCode : int {
  kKeyNone = 0,
  kMouseLeft = 1,
  kMouseRightDown = 2,
  kMouseLeftDouble = 5,
  kMouseRightUp = 130,
  kKeyBackspace = 8,
  kKeyTab = 9,
  kKeyEnter = 13,
  kKeyEsc = 27,
  kKeySpace = 32,
  kKeyPageUp = 0x21,
  kKeyPageDown = 0x22,
  kKeyEnd = 0x23,
  kKeyHome = 0x24,
  kKeyLeft = 0x25,
  kKeyUp = 0x26,
  kKeyRight = 0x27,
  kKeyDown = 0x28,
  kKeyInsert = 45,
  kKeyDelete = 46,
  kKeyF1 = 112,
  kKeyShift = 0x100,
  kKeyCtrl = 0x200,
  kKeyAlt = 0x400,
  kKeyShiftTab = kKeyShift | kKeyTab,  // 0x109
  kKeyCtrlEnter = kKeyCtrl | kKeyEnter,  // 525
  kKeyCtrlHome = kKeyCtrl | kKeyHome,
  kKeyCtrlEnd = kKeyCtrl | kKeyEnd,
};

// An event as queued and as the loop hands it out. key_code kKeyUnchanged leaves the
// thread's last key code as it was (posts by the program carry no key).
inline constexpr int kKeyUnchanged = -1;

struct Event {
  int number = kEventNone;
  int control = 0;          // 0: the window itself
  int key_code = kKeyUnchanged;
  char32_t key_char = 0;    // the character typed, 0 for none
  Window* window = nullptr; // nullptr: the target window of the receiving thread
};

}  // namespace rt
