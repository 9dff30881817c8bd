// TranslatorInterface: turns the program's texts into the user's language. A window manager
// asks it to translate a window once, when the window is first prepared; a popup manager passes
// every item text through it before the menu is shown. Neither owns the translator.
#pragma once

#include <string>
#include <string_view>

namespace rt {
class Window;
}

namespace fw {

class TranslatorInterface {
 public:
  virtual ~TranslatorInterface() = default;

  // Rewrites the captions, tips and messages of the window's controls in place.
  virtual void TranslateWindow(rt::Window& window) {}
  // One text in the user's language. May be called from a toolbox's own runtime thread as
  // well as the owner's.
  virtual std::string TranslateText(std::string_view text) { return std::string(text); }
};

}  // namespace fw
