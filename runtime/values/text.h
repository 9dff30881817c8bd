// Text helpers of the runtime: texts are UTF-8, fixed-size fields count bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rt {

// The text without its trailing blanks (spaces only, as the runtime's CLIP does).
std::string_view Clip(std::string_view text);

// The longest prefix of text that fits in max_bytes and does not end inside a UTF-8 sequence.
std::string_view CutToBytes(std::string_view text, size_t max_bytes);

// Upper case for ASCII letters and Cyrillic (U+0430..U+045F, U+0450..U+045F to U+0400..U+040F);
// every other byte passes through unchanged.
std::string Upper(std::string_view text);

// Compares two texts as fixed-size fields do: the shorter is taken as padded with blanks.
// Returns <0, 0 or >0. With no_case both sides are compared upper-cased.
int CompareBlankPadded(std::string_view a, std::string_view b, bool no_case = false);

}  // namespace rt
