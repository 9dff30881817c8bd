// Fuzzes the list format parser: it never crashes, and what it accepts is consistent: every
// column has a readable picture or none, groups cover their columns in order, fields stay in
// range, and each column's own text parses again to the same column.
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/windows/list_format.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto f = rt::ListFormat::Parse(text, &error);
  if (!f) {
    Check(!error.empty());
    return 0;
  }
  int previous_last = 0;
  for (const rt::ListGroup& g : f->Groups()) {
    Check(g.first_column > previous_last && g.first_column <= g.last_column);
    Check(g.last_column <= static_cast<int>(f->Columns().size()));
    previous_last = g.last_column;
  }
  for (int i = 1; i <= static_cast<int>(f->Columns().size()); ++i) {
    const rt::ListColumn* c = f->Column(i);
    Check(c != nullptr && c->width >= 0 && c->width <= 9999 && c->field >= 0);
    Check(c->field < f->FieldsNeeded());
    Check(c->picture.has_value() == (!c->picture_text.empty() && c->text_width == 0));
    if (c->picture) (void)c->picture->Format(1234.5);
    auto again = rt::ListFormat::Parse(c->source);
    if (c->field == 0 || c->source.find('#') == std::string::npos) {
      Check(again && again->Columns().size() == 1);
      Check(again->Column(1)->picture_text == c->picture_text);
      Check(again->Column(1)->width == c->width && again->Column(1)->indent == c->indent);
    }
  }
  Check(f->Column(0) == nullptr);
  Check(f->Column(static_cast<int>(f->Columns().size()) + 1) == nullptr);
  return 0;
}
