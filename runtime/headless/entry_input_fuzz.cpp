// Fuzzes what a user types into an entry: "<control byte><typed text>". The window has one
// entry per kind of picture (numeric pictures with and without width, decimals and groups, a
// text limit, none at all) over variables of every type an entry takes. The typed text is
// taken into the variable as leaving the entry does. It holds the entry to its promises: no
// crash; a refused text leaves the variable's bytes as they were; an accepted number is the
// very number the picture reads from the text (never cut to fit the variable); and what the
// entry then shows, typed again, is taken without a change to the variable or to the text.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/headless/headless_backend.h"
#include "runtime/values/any_ref.h"
#include "runtime/values/picture.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/control.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Variables {
  uint8_t byte = 0;
  int16_t short_value = 0;
  uint16_t ushort = 0;
  int32_t long_value = 0;
  uint32_t ulong = 0;
  double real = 0;
  double plain_real = 0;
  int16_t plain_short = 0;
  char cstring[9] = "";
  char string[6] = {' ', ' ', ' ', ' ', ' ', ' '};
  uint8_t spin = 1;
};

struct EntryKind {
  const char* picture;
  bool spin;
};

// One entry per kind, in binding order (the variables above).
constexpr EntryKind kEntries[] = {
    {"n3", false},  {"n_6", false},  {"n5", false},   {"n", false},
    {"n_12", false}, {"n10.2", false}, {"", false},     {"", false},
    {"s8", false},  {"s6", false},   {"n2", true},
};
constexpr int kCount = static_cast<int>(std::size(kEntries));

const rt::WindowResource& Resource() {
  static const rt::WindowResource* r = [] {
    auto* w = new rt::WindowResource;
    w->label = "FUZZ$ENTRIES";
    w->width = 200;
    w->height = 200;
    for (int i = 0; i < kCount; ++i) {
      rt::ControlResource c;
      c.number = i + 1;
      c.kind = kEntries[i].spin ? rt::ControlKind::kSpin : rt::ControlKind::kEntry;
      c.x = 4;
      c.y = 4 + 12 * i;
      c.width = 60;
      c.height = 10;
      c.picture = kEntries[i].picture;
      if (kEntries[i].spin) {
        c.has_range = true;
        c.range_low = 1;
        c.range_high = 9;
      }
      c.binding = i + 1;
      w->controls.push_back(c);
    }
    return w;
  }();
  return *r;
}

std::vector<rt::AnyRef> Bindings(Variables& v) {
  return {rt::AnyRef::Of(v.byte),        rt::AnyRef::Of(v.short_value),
          rt::AnyRef::Of(v.ushort),      rt::AnyRef::Of(v.long_value),
          rt::AnyRef::Of(v.ulong),       rt::AnyRef::Of(v.real),
          rt::AnyRef::Of(v.plain_real),  rt::AnyRef::Of(v.plain_short),
          rt::AnyRef::CString(v.cstring), rt::AnyRef::String(v.string),
          rt::AnyRef::Of(v.spin)};
}

std::string Bytes(const rt::AnyRef& ref) {
  return std::string(static_cast<const char*>(ref.address()), ref.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static rt::HeadlessBackend* backend = [] {
    auto* b = new rt::HeadlessBackend;
    rt::SetBackend(b);
    return b;
  }();
  (void)backend;
  if (size == 0) return 0;
  const int number = data[0] % kCount + 1;
  const std::string typed(reinterpret_cast<const char*>(data) + 1, size - 1);

  Variables vars;
  std::vector<rt::AnyRef> refs = Bindings(vars);
  std::vector<rt::Window::Binding> bindings(refs.begin(), refs.end());
  std::string error;
  std::unique_ptr<rt::Window> w = rt::Window::Prepare(Resource(), bindings, &error);
  Check(w != nullptr);
  Check(w->Open());
  const rt::AnyRef var = refs[number - 1];
  rt::Control* c = w->Find(number);
  Check(c != nullptr);

  const std::string before = Bytes(var);
  w->UserType(number, typed);
  if (!w->Update(number)) {
    Check(Bytes(var) == before);
  } else {
    // A number is the one the picture reads, whole, or it would have been refused.
    const std::string_view picture = kEntries[number - 1].picture;
    if (var.IsNumeric()) {
      double read = 0;
      const auto p = rt::Picture::Parse(picture);
      Check(p ? p->ParseInput(typed, &read) : rt::ParseNumber(typed, &read));
      Check(var.Real() == read);
    }
    const std::string taken = Bytes(var);
    const std::string shown = c->shown_text();
    w->UserType(number, shown);
    Check(w->Update(number));
    Check(Bytes(var) == taken);
    Check(c->shown_text() == shown);
  }
  w->Close();
  return 0;
}
