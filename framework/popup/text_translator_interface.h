// TextTranslatorInterface: turns one text of the program into the user's language (a popup
// item's text before it is shown). The popup manager only keeps its address, never owns it.
#pragma once

#include <string>
#include <string_view>

namespace fw {

class TextTranslatorInterface {
 public:
  virtual ~TextTranslatorInterface() = default;

  // May be called from the toolbox's own runtime thread as well as the owner's.
  virtual std::string TranslateText(std::string_view text) = 0;
};

}  // namespace fw
