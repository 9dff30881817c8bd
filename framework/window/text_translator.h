// TextTranslator: a translator that looks every text up in a table of pairs, the program's
// text and the same text in the user's language. A text with no pair is shown as it is, so a
// table need only hold the texts it knows. Accelerator marks ("&") are part of the text: a
// pair for "&Insert" gives the translated item its own key letter.
//
// Texts with names in them ("column KF is missing from table records") are translated by
// patterns: "{}" stands for a name, kept as it is; "{t}" for a text of its own, translated in
// turn (a pair or a pattern) before it is put in. The translation puts the pieces where its
// language wants them, "{1}" being the pattern's first "{}" or "{t}".
//
// The table is filled before the translator is handed out and only read afterwards, so the
// translation may be asked for from several runtime threads at once.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/window/translator_interface.h"

namespace fw {

class TextTranslator : public TranslatorInterface {
 public:
  // Adds a pair; a later pair for the same text replaces the earlier one.
  void Add(std::string_view text, std::string_view translation);
  // Adds a pattern. A text no pair knows takes the first pattern, in the order they were
  // added, that it matches whole; each piece is at least one character and as short as the
  // rest of the pattern allows. A pattern with more than nine pieces, or a translation naming
  // a piece the pattern lacks, is not added: false.
  bool AddPattern(std::string_view pattern, std::string_view translation);
  size_t Size() const { return texts_.size(); }
  size_t PatternCount() const { return patterns_.size(); }
  // Whether text has a pair.
  bool Knows(std::string_view text) const;

  // The window's caption, the captions of its buttons and fixed texts, and every control's
  // tip and status message. Values shown through pictures are the user's data: untouched.
  void TranslateWindow(rt::Window& window) override;
  std::string TranslateText(std::string_view text) override;

 private:
  struct Pattern {
    std::vector<std::string> literals;  // one more than the pieces: before, between, after
    std::vector<bool> translated;       // per piece: "{t}"
    std::string translation;
  };
  // The text in the user's language; depth bounds the pieces translated within pieces.
  std::string Translate(std::string_view text, int depth) const;
  static bool Match(const Pattern& p, std::string_view text, std::vector<std::string_view>* pieces);

  std::map<std::string, std::string, std::less<>> texts_;
  std::vector<Pattern> patterns_;
};

}  // namespace fw
