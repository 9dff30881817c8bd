// A small window for the runtime's own tests: one control of every kind the runtime draws
// (buttons, display string, page-mode and plain lists, entries, spin box, prompt) bound to
// variables a test can read, and a loop runner that records what the program saw.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/windows/backend.h"
#include "runtime/windows/event_loop.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace rt::test {

#pragma pack(push, 1)
struct TestRow {
  uint8_t number;
  double value;
  uint8_t mark;
  char position[16];
};
#pragma pack(pop)

enum TestControl : int {
  kGo = 1,        // button "&Go"
  kTotal = 2,     // display string, "n_10.2"
  kList = 3,      // page-mode list "[20R(5)|_@n2@30R(5)_M@n5.2@]"
  kCount = 5,     // entry "n3" on a SHORT
  kSize = 6,      // spin "n2", range 1 to 9, on a BYTE
  kPrompt = 8,
  kAmount = 15,    // entry "n_7.2" on a REAL
  kRun = 17,     // button "&Run"
  kSmall = 21,    // entry "n3" on a BYTE
  kPlainList = 30 // a list that moves its own highlight
};

inline const WindowResource& TestWindowResource() {
  static const WindowResource* r = [] {
    auto* w = new WindowResource;
    w->label = "TEST$WINDOW";
    w->font = {"MS Sans Serif", 8, kWeightNormal, false};
    w->width = 210;
    w->height = 130;
    FontSpec bold{"", 0, kWeightBold, false};
    Color tint = Rgb(224, 232, 240);
    auto add = [&](ControlResource c) { w->controls.push_back(std::move(c)); };
    ControlResource c;
    c = {};
    c.number = kGo; c.kind = ControlKind::kButton; c.x = 161; c.y = 25; c.width = 22; c.height = 20;
    c.text = "&Go"; c.icon = StandardIconRef(32517);
    add(c);
    c = {};
    c.number = kTotal; c.kind = ControlKind::kString; c.x = 123; c.y = 73;
    c.picture = "n_10.2"; c.binding = 1;
    add(c);
    c = {};
    c.number = kList; c.kind = ControlKind::kList; c.x = 31; c.y = 16; c.width = 59;
    c.height = 98; c.list_format = "[20R(5)|_@n2@30R(5)_M@n5.2@]"; c.font = bold;
    c.background = tint; c.message = "Rows"; c.page_mode = true; c.vscroll = true;
    c.binding = 2;
    add(c);
    c = {};
    c.number = kCount; c.kind = ControlKind::kEntry; c.x = 95; c.y = 36; c.width = 25;
    c.height = 10; c.picture = "n3"; c.font = bold; c.background = tint; c.binding = 3;
    add(c);
    c = {};
    c.number = kSize; c.kind = ControlKind::kSpin; c.x = 125; c.y = 36; c.width = 30;
    c.height = 10; c.picture = "n2"; c.has_range = true; c.range_low = 1; c.range_high = 9;
    c.font = bold; c.background = tint; c.binding = 4;
    add(c);
    c = {};
    c.number = kPrompt; c.kind = ControlKind::kPrompt; c.x = 95; c.y = 51;
    c.text = "Amount:";
    add(c);
    c = {};
    c.number = kAmount; c.kind = ControlKind::kEntry; c.x = 145; c.y = 50; c.width = 29;
    c.height = 10; c.picture = "n_7.2"; c.font = bold; c.background = tint; c.binding = 5;
    add(c);
    c = {};
    c.number = kRun; c.kind = ControlKind::kButton; c.x = 93; c.y = 102; c.width = 63;
    c.height = 12; c.text = "&Run";
    add(c);
    c = {};
    c.number = kSmall; c.kind = ControlKind::kEntry; c.x = 95; c.y = 115; c.width = 25;
    c.height = 10; c.picture = "n3"; c.binding = 6;
    add(c);
    c = {};
    c.number = kPlainList; c.kind = ControlKind::kList; c.x = 1; c.y = 16; c.width = 28;
    c.height = 50; c.list_format = "20R@n2@"; c.binding = 2;
    add(c);
    return w;
  }();
  return *r;
}

// The variables the test window's controls are bound to, and the list's rows.
struct TestVariables {
  double total = 0;
  int16_t count = 0;
  uint8_t size = 0;
  double amount = 0;
  uint8_t small = 0;
  Queue<TestRow> rows;
  RecordDescriptor layout;

  TestVariables() {
    layout.Add("NUMBER", Type::Byte).Add("VALUE", Type::Real).Add("MARK", Type::Byte).Add(
        "POSITION", Type::String, 16);
  }
  void AddRows(int n) {
    for (int i = 1; i <= n; ++i) {
      rows.buffer = TestRow{};
      rows.buffer.number = static_cast<uint8_t>(i);
      rows.buffer.value = 1.0 + i / 4.0;
      rows.Append();
    }
  }
  std::unique_ptr<Window> Prepare(std::string* error = nullptr) {
    return Window::Prepare(TestWindowResource(),
                           {AnyRef::Of(total), Window::Binding(&rows, &layout),
                            AnyRef::Of(count), AnyRef::Of(size), AnyRef::Of(amount),
                            AnyRef::Of(small)},
                           error);
  }
};

// What the program saw of one event.
struct Seen {
  int event = 0;
  int control = 0;
  int key_code = 0;
  char32_t key_char = 0;
  size_t choice = 0;
};

// Runs the window's loop to its end; handle (when given) returns the step for each event.
inline std::vector<Seen> RunLoop(Window& w, const std::function<int(const Event&)>& handle = {}) {
  std::vector<Seen> seen;
  EventLoop loop(w);
  while (loop.Next()) {
    const Event& e = loop.event();
    seen.push_back({e.number, e.control, KeyCode(), KeyChar(), Choice()});
    loop.EndEvent(handle ? handle(e) : kStepDefault);
  }
  return seen;
}

// The events of one control, in order, leaving out focus moves.
inline std::vector<int> EventsOf(const std::vector<Seen>& seen, int control) {
  std::vector<int> out;
  for (const Seen& s : seen) {
    if (s.control == control && s.event != kEventSelected) out.push_back(s.event);
  }
  return out;
}

}  // namespace rt::test
