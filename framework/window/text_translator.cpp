#include "framework/window/text_translator.h"

#include "runtime/windows/control.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"

namespace fw {

void TextTranslator::Add(std::string_view text, std::string_view translation) {
  texts_.insert_or_assign(std::string(text), std::string(translation));
}

bool TextTranslator::Knows(std::string_view text) const { return texts_.find(text) != texts_.end(); }

namespace {

// A piece within a piece within a piece is as deep as any text of the program goes; the bound
// keeps a table whose patterns match their own pieces from recursing without end.
constexpr int kMaxDepth = 4;

}  // namespace

bool TextTranslator::AddPattern(std::string_view pattern, std::string_view translation) {
  Pattern p;
  p.literals.emplace_back();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.substr(i, 2) == "{}" || pattern.substr(i, 3) == "{t}") {
      const bool translated = pattern[i + 1] == 't';
      // Two pieces side by side could be cut anywhere: no pattern says that.
      if (p.literals.back().empty() && !p.translated.empty()) return false;
      p.translated.push_back(translated);
      p.literals.emplace_back();
      i += translated ? 2 : 1;
    } else {
      p.literals.back() += pattern[i];
    }
  }
  if (p.translated.empty() || p.translated.size() > 9) return false;
  for (size_t i = 0; i + 2 < translation.size(); ++i) {
    if (translation[i] != '{' || translation[i + 2] != '}') continue;
    const char n = translation[i + 1];
    if (n < '1' || static_cast<size_t>(n - '0') > p.translated.size()) return false;
  }
  p.translation = std::string(translation);
  patterns_.push_back(std::move(p));
  return true;
}

// Whether text is the pattern with some pieces put in, each piece as short as the rest allows.
bool TextTranslator::Match(const Pattern& p, std::string_view text,
                           std::vector<std::string_view>* pieces) {
  const std::string& head = p.literals.front();
  if (text.substr(0, head.size()) != head) return false;
  pieces->clear();
  // Backtracking over where each piece ends; the literals are short and the pieces few.
  auto match_from = [&](auto& self, size_t piece, size_t at) -> bool {
    const std::string& next = p.literals[piece + 1];
    const bool last = piece + 1 == p.translated.size();
    for (size_t end = at + 1; end <= text.size(); ++end) {
      if (last) {
        // The last literal closes the text.
        if (text.size() - end != next.size() || text.substr(end) != next) continue;
        pieces->push_back(text.substr(at, end - at));
        return true;
      }
      if (next.empty() || text.substr(end, next.size()) != next) continue;
      pieces->push_back(text.substr(at, end - at));
      if (self(self, piece + 1, end + next.size())) return true;
      pieces->pop_back();
    }
    return false;
  };
  return match_from(match_from, 0, head.size());
}

std::string TextTranslator::Translate(std::string_view text, int depth) const {
  auto it = texts_.find(text);
  if (it != texts_.end()) return it->second;
  if (depth >= kMaxDepth || text.empty()) return std::string(text);
  std::vector<std::string_view> pieces;
  for (const Pattern& p : patterns_) {
    if (!Match(p, text, &pieces)) continue;
    std::string out;
    const std::string& t = p.translation;
    for (size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '{' && i + 2 < t.size() && t[i + 2] == '}' && t[i + 1] >= '1' && t[i + 1] <= '9') {
        const size_t n = static_cast<size_t>(t[i + 1] - '1');
        out += p.translated[n] ? Translate(pieces[n], depth + 1) : std::string(pieces[n]);
        i += 2;
      } else {
        out += t[i];
      }
    }
    return out;
  }
  return std::string(text);
}

std::string TextTranslator::TranslateText(std::string_view text) { return Translate(text, 0); }

void TextTranslator::TranslateWindow(rt::Window& window) {
  auto translate = [&](int control, int property) {
    const std::string text = window.Property(control, property);
    if (text.empty()) return;
    auto it = texts_.find(text);
    if (it != texts_.end()) window.SetProperty(control, property, it->second);
  };
  translate(0, rt::kPropText);
  for (const auto& [number, control] : window.controls()) {
    const rt::ControlKind kind = control->kind();
    if (kind == rt::ControlKind::kButton || kind == rt::ControlKind::kPrompt) {
      translate(number, rt::kPropText);
    }
    translate(number, rt::kPropToolTip);
    translate(number, rt::kPropMessage);
  }
}

}  // namespace fw
