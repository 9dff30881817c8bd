// ScriptedAction: one user action of a headless test's script (click, type, press a key,
// click a list row, drag the thumb, close the window, run a check). The headless backend
// performs it when a loop waits for an event.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace rt {

struct ScriptedAction {
  enum class Kind {
    kClick,        // a mouse click on a control (a button press, or a click into it)
    kType,         // text typed into an entry or spin box, then left with Tab if `leave`
    kKey,          // a key (with its character) on a control; 0 the focused one
    kListClick,    // a click on a list row and column
    kScroll,       // wheel, scroll-bar arrow or page area: event 3..8
    kDragThumb,    // the list's thumb dragged to position 0..100
    kSpin,         // spin arrows, `steps` up (positive) or down
    kCheck,        // the test's own code, run at this point of the script
    kClose,        // the window's close box
    kWindowFocus,  // the window lost (gained = false) or got the focus
  };
  enum class Mouse { kLeft, kRight, kDouble };

  Kind kind = Kind::kCheck;
  // The label of the window the action is for; "" means the window of the loop that waits on
  // the program's own thread (threads started with rt::Start take only labelled actions).
  std::string window;
  int control = 0;
  std::string text;
  bool leave = true;
  int key_code = 0;
  char32_t key_char = 0;
  size_t row = 0;
  int column = 1;
  Mouse mouse = Mouse::kLeft;
  int value = 0;  // scroll event, thumb position, spin steps
  bool gained = true;
  std::function<void()> check;

  // For failure messages: "click 9", "type \"12\" into 5".
  std::string Describe() const;
};

}  // namespace rt
