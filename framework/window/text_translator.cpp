#include "framework/window/text_translator.h"

#include "runtime/windows/control.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"

namespace fw {

void TextTranslator::Add(std::string_view text, std::string_view translation) {
  texts_.insert_or_assign(std::string(text), std::string(translation));
}

bool TextTranslator::Knows(std::string_view text) const { return texts_.find(text) != texts_.end(); }

std::string TextTranslator::TranslateText(std::string_view text) {
  auto it = texts_.find(text);
  return it == texts_.end() ? std::string(text) : it->second;
}

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
