// Fuzzes the popup menu text parser: it never crashes on any text, and the choice numbers are
// exactly 1..ChoiceCount over the pickable items (no separators, no submenu headings).
#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/windows/menu_text.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

void Walk(const std::vector<rt::MenuItem>& items, int depth, int* seen) {
  Check(depth <= 34);
  for (const rt::MenuItem& item : items) {
    if (item.separator) {
      Check(item.choice == 0 && item.submenu.empty());
    } else if (!item.submenu.empty()) {
      Check(item.choice == 0);
      Walk(item.submenu, depth + 1, seen);
    } else {
      Check(item.choice == ++*seen);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  rt::MenuText m = rt::MenuText::Parse(text);
  int seen = 0;
  Walk(m.Items(), 1, &seen);
  Check(seen == m.ChoiceCount());
  for (int i = 1; i <= seen; ++i) Check(m.FindChoice(i) && m.FindChoice(i)->choice == i);
  Check(m.FindChoice(0) == nullptr && m.FindChoice(seen + 1) == nullptr);
  return 0;
}
