// Backend: the one seam between the runtime model and a screen. Dialogs (message box, beep,
// wait cursor) go through the backend installed with SetBackend, which the runtime never owns:
// main installs the Qt one, a test the headless one, and it must outlive its installation.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

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
  // Called by Halt just before the process ends, so a backend can take its windows down.
  virtual void OnHalt(int exit_code) {}
};

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
void SetWaitCursor(bool on);
// Ends the program: tells the backend, writes text and a line break to stderr when text is not
// empty, and exits with exit_code. Codes outside 0..255 become 255, so a failure never reads
// as success to the parent process.
[[noreturn]] void Halt(int exit_code, std::string_view text);

}  // namespace rt
