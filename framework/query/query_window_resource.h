// The query window "P19$W" of the resource "QUERYRES", titled "Example values": column
// headings and the OK and Cancel buttons. The query manager adds one line of controls per
// queryable field at run time (a prompt and the from, example and to entries) and places the
// buttons under the last line.
#pragma once

#include <cstddef>
#include <string_view>

#include "runtime/windows/window_resource.h"

namespace fw {

inline constexpr std::string_view kQueryResource = "QUERYRES";
inline constexpr std::string_view kQueryWindowLabel = "P19$W";

// Controls of the resource.
inline constexpr int kQueryFromHeading = 1;
inline constexpr int kQueryExampleHeading = 2;
inline constexpr int kQueryToHeading = 3;
inline constexpr int kQueryOkButton = 4;
inline constexpr int kQueryCancelButton = 5;

// The controls of one field's line, created at run time.
enum class QueryPart : int { kPrompt = 0, kLow = 1, kMiddle = 2, kHigh = 3 };
// The number of field `position`'s (from 1) control `part`.
constexpr int QueryControl(size_t position, QueryPart part) {
  return 100 + 4 * static_cast<int>(position - 1) + static_cast<int>(part);
}

// Layout in dialog units, shared by the resource and the lines added to it.
inline constexpr int kQueryPromptX = 4;
inline constexpr int kQueryPromptWidth = 64;
inline constexpr int kQueryEntryX[3] = {72, 152, 232};  // from, example, to
inline constexpr int kQueryEntryWidth = 76;
inline constexpr int kQueryLineHeight = 12;
inline constexpr int kQueryFirstLineY = 16;
inline constexpr int kQueryLinePitch = 16;
inline constexpr int kQueryButtonWidth = 50;
inline constexpr int kQueryButtonHeight = 14;
inline constexpr int kQueryWindowWidth = 312;

// The compiled-in resource; registered under (kQueryResource, kQueryWindowLabel) on first use.
const rt::WindowResource& QueryWindowResource();

}  // namespace fw
