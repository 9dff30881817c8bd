// TextTranslator: a translator that looks every text up in a table of pairs, the program's
// text and the same text in the user's language. A text with no pair is shown as it is, so a
// table need only hold the texts it knows. Accelerator marks ("&") are part of the text: a
// pair for "&Insert" gives the translated item its own key letter.
//
// The table is filled before the translator is handed out and only read afterwards, so the
// translation may be asked for from several runtime threads at once.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "framework/window/translator_interface.h"

namespace fw {

class TextTranslator : public TranslatorInterface {
 public:
  // Adds a pair; a later pair for the same text replaces the earlier one.
  void Add(std::string_view text, std::string_view translation);
  size_t Size() const { return texts_.size(); }
  // Whether text has a pair.
  bool Knows(std::string_view text) const;

  // The window's caption, the captions of its buttons and fixed texts, and every control's
  // tip and status message. Values shown through pictures are the user's data: untouched.
  void TranslateWindow(rt::Window& window) override;
  std::string TranslateText(std::string_view text) override;

 private:
  std::map<std::string, std::string, std::less<>> texts_;
};

}  // namespace fw
