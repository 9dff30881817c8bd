// Backend: the one seam between the runtime model and a screen. Dialogs (message box, popup
// menu, beep, cursor), window notifications and the wait for the next event go through the
// backend installed with SetBackend, which the runtime never owns: main installs the Qt one,
// a test the headless one, and it must outlive its installation. How a backend drives the
// window model is told at the top of runtime/window.h.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

class MenuText;
class Window;

// Message-box buttons; a set of buttons is their sum.
enum Button : int {
  kButtonOk = 1,
  kButtonYes = 2,
  kButtonNo = 4,
  kButtonCancel = 64,
};
using ButtonSet = int;
inline constexpr ButtonSet kButtonsYesNo = kButtonYes | kButtonNo;
inline constexpr ButtonSet kButtonsYesNoCancel = kButtonYes | kButtonNo | kButtonCancel;
inline constexpr ButtonSet kAllButtons = kButtonOk | kButtonYes | kButtonNo | kButtonCancel;

// Standard system icon ids, as a message box or an icon button names them.
enum StandardIconId : uint16_t {
  kIconApplication = 32512,
  kIconError = 32513,
  kIconQuestion = 32514,
  kIconWarning = 32515,
  kIconInformation = 32516,
};

// The 4-byte reference to a standard icon: FF 01, then the id little-endian
// (information: FF 01 04 7F).
std::string StandardIconRef(uint16_t id);
// The id a 4-byte standard icon reference names; nullopt for anything else (an empty icon, a
// resource name).
std::optional<uint16_t> ParseStandardIconRef(std::string_view icon);

struct MessageBoxRequest {
  std::string text;     // "|" breaks lines
  std::string caption;
  std::string icon;     // a standard icon reference, or empty for none
  ButtonSet buttons = kButtonOk;
  int default_button = kButtonOk;
};

// The lines of a message text ("|" is the line break).
std::vector<std::string_view> MessageLines(std::string_view text);

class Backend {
 public:
  virtual ~Backend() = default;

  // Shows the box modally and returns the button pressed (one of request.buttons).
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
  virtual void Beep() = 0;
  virtual void SetWaitCursor(bool on) {}
  // A cursor reference (kWaitCursor, or "" for the normal one). The default maps it onto
  // SetWaitCursor.
  virtual void SetCursor(std::string_view cursor) { SetWaitCursor(!cursor.empty()); }
  // Called by Halt just before the process ends, so a backend can take its windows down.
  virtual void OnHalt(int exit_code) {}

  // ---- Windows. Made on the window's runtime thread with the window's lock held: read the
  // model here or queue the work to the GUI thread; never block on another thread here.
  virtual void WindowPrepared(Window& window) {}
  virtual void WindowOpened(Window& window) {}   // show it; its controls are all there
  virtual void WindowClosed(Window& window) {}   // hide it; the model lives on
  virtual void WindowFreed(Window& window) {}    // the last call: forget the address
  virtual void WindowChanged(Window& window) {}  // caption or size
  virtual void ControlCreated(Window& window, int control) {}
  virtual void ControlDestroyed(Window& window, int control) {}
  // changes: a set of ControlChange bits (runtime/control.h).
  virtual void ControlChanged(Window& window, int control, unsigned changes) {}
  virtual void FocusChanged(Window& window, int control) {}

  // ---- Events.
  // An event loop of the calling runtime thread has nothing queued for window: return once
  // RuntimeThread::Current().HasWorkFor(&window) holds (returning early is harmless: the
  // loop asks again). The default blocks on the thread's queue.
  virtual void WaitForEvent(Window& window);
  // From any thread, after an event or a task was queued for runtime thread `thread`: a
  // backend whose WaitForEvent runs a toolkit loop wakes it here.
  virtual void EventPosted(int thread) {}

  // ---- Measuring. How wide text is when control of window (0: the window itself) shows it
  // in its font, in the window's dialog units, rounded up. Called on the window's runtime
  // thread. The default counts kUnitsPerCharacter per character, the same for every font, so
  // a backend with no fonts (and a test) gets exact, predictable widths.
  virtual int TextWidth(const Window& window, int control, std::string_view text);

  // ---- Popup menu: show it at (x, y) in screen pixels (kDefaultPosition: at the mouse) and
  // return the chosen item's MenuItem::choice, 0 when dismissed. window is the thread's
  // target window (may be nullptr). The default dismisses it.
  virtual int ShowPopup(Window* window, const MenuText& menu, int x, int y) { return 0; }
};

// One average character: what the dialog-unit grid is made of (x units are quarters of it).
inline constexpr int kUnitsPerCharacter = 4;
// Characters of a UTF-8 text: the bytes that do not continue a sequence.
int CharacterCount(std::string_view text);
// How wide text is in control's font through the current backend (Backend::TextWidth); with
// no backend, kUnitsPerCharacter per character.
int TextWidth(const Window& window, int control, std::string_view text);
// Makes the window as wide as the shown texts of `controls` need (each from its own x, measured
// by TextWidth, plus right_margin), never narrower than min_width: results are shown in full and
// the window shrinks back when they get shorter.
void FitWidthToTexts(Window& window, std::initializer_list<int> controls, int min_width,
                     int right_margin);

// "Wherever the toolkit puts it" for popup coordinates.
inline constexpr int kDefaultPosition = static_cast<int>(0x80000000u);

// The cursor the runtime shows while it is busy: FF 01 03 7F.
std::string WaitCursor();

// Installs a backend (nullptr for none) and returns the one it replaces.
Backend* SetBackend(Backend* backend);
Backend* CurrentBackend();

// Makes a request sound: unknown button bits are dropped, an empty set becomes OK, and a
// default that is not one of the buttons becomes the first button of the set (in the order OK,
// Yes, No, Cancel).
void MakeSoundRequest(MessageBoxRequest& request);

// Shows a message box through the current backend, after MakeSoundRequest. With no backend
// the caption and text go to stderr and the default button is returned.
int MessageBox(MessageBoxRequest request);
int MessageBox(std::string_view text, std::string_view caption, std::string_view icon = {},
               ButtonSet buttons = kButtonOk, int default_button = kButtonOk);
// Beeps through the current backend; nothing without one.
void Beep();
// Beeps so far on the calling thread (a loop's default handling beeps only when nobody did).
int BeepCount();
void SetWaitCursor(bool on);
// Sets the cursor through the current backend ("" the normal one).
void SetCursor(std::string_view cursor);
// Shows a popup menu from a menu text (runtime/menu_text.h) and returns the chosen item's
// number counted without separators and submenu headings; 0 when dismissed or without a
// backend.
int Popup(std::string_view menu_text, int x = kDefaultPosition, int y = kDefaultPosition);
// Ends the program: tells the backend, writes text and a line break to stderr when text is not
// empty, and exits with exit_code. Codes outside 0..255 become 255, so a failure never reads
// as success to the parent process.
[[noreturn]] void Halt(int exit_code, std::string_view text);

}  // namespace rt
