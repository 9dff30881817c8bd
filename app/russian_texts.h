// The calculator speaks Russian through the framework's own means, which keeps English as its
// default: a Russian error table loaded over the default one, and a translator with the
// Russian of every other text the framework can show (menu items, toolbar tips, the query
// window, the runtime's error texts, the unknown-error notice, the fatal message's closing
// words). Both are constants of the program, built once and never freed.
#pragma once

#include <cstdint>
#include <span>

#include "framework/window/text_translator.h"

namespace app {

// Every entry of the default table, in Russian, in the error table format.
std::span<const uint8_t> RussianErrorTable();
inline constexpr size_t kRussianErrorCount = 41;

fw::TextTranslator& RussianTranslator();

}  // namespace app
