// TranslatorInterface: turns a prepared window's texts into the user's language. A window
// manager asks it once, when the window is first prepared; it never owns the translator.
#pragma once

namespace rt {
class Window;
}

namespace fw {

class TranslatorInterface {
 public:
  virtual ~TranslatorInterface() = default;

  // Rewrites the captions, tips and messages of the window's controls in place.
  virtual void TranslateWindow(rt::Window& window) = 0;
};

}  // namespace fw
