// Property numbers of windows and controls: what Window::Property and Window::SetProperty take.
// The framework reads and sets these; a number not named here is kept by the control as an
// opaque text, so a caller may still store and read it back.
#pragma once

namespace rt {

enum Property : int {
  // Window (control 0) and system.
  kPropUse = 0x7A10,           // a control's bound variable (SetPropertyVariable)
  kPropTargetWindow = 0x7A45,  // the thread's target window (read only; rt::TargetWindow)

  // Every control.
  kPropText = 0x7C00,       // caption; for an entry or spin box its picture; window: caption
  kPropType = 0x7C01,       // the control's kind (ControlKind), read only
  kPropX = 0x7C02,          // position and size in dialog units; 0 width/height: default
  kPropY = 0x7C03,
  kPropWidth = 0x7C04,
  kPropHeight = 0x7C05,
  kPropFontColor = 0x7C0A,  // text colour (Color)
  kPropBackground = 0x7C0B, // background colour (Color)
  kPropMouseDownRow = 0x7C20,    // list: the row under the mouse at the last button press
  kPropMouseDownColumn = 0x7C25, // list: the column under the mouse at the last button press
  kPropDefault = 0x7C5E,    // button: the window's default button when 1
  kPropDisabled = 0x7C5F,   // 1 disabled, 0 enabled
  kPropIcon = 0x7C68,       // a standard icon reference or "~name"
  kPropRangeLow = 0x7C6E,   // spin box / entry range
  kPropRangeHigh = 0x7C6F,
  kPropVScroll = 0x7C8B,    // list: vertical scroll bar shown (1) or hidden (0)
  kPropFormat = 0x7C8C,     // list: the list format string
  kPropItems = 0x7C8E,      // list: the number of rows the list shows at once (read only)
  kPropSelected = 0x7C8F,   // list: the highlighted row (1-based, 0 none)
  kPropNoRefresh = 0x7C9A,  // window: a flag that suspends the window manager's Refresh
  kPropThumb = 0x7C9E,      // list: the thumb position 0 (top) to 100 (bottom)
  kPropToolTip = 0x7CA0,
  kPropVisible = 0x7CA7,    // 1 when the control (and its window) is shown, read only
  kPropMessage = 0x7CB0,    // the status text shown while the control has the focus

  // Indexed properties (the index is the third argument).
  // list, by column: the control floated over the selected cell (an entry, a spin box, or a
  // list of choices dropped from the cell)
  kPropColumnEditor = 0x7D05,
  kPropAlertKey = 0x7D06,      // by slot 1..255: a key code that posts event 15; 0 frees it
  kPropColumnPicture = 0x7E05, // list, by column: the column's picture text
  kPropColumnFormat = 0x7E0A,  // list, by column: the column's part of the format; "" none
  kPropColumnTextColor = 0x7E28,  // list, by column: text colour (Color; kColorDefault)
  // list: the row field (1-based) whose non-zero value shows that row marked, as a row another
  // station holds; 0 none.
  kPropMarkField = 0x7E40,
};

}  // namespace rt
