#include "runtime/windows/backend.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "runtime/windows/menu_text.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace rt {

namespace {

// Set once by main or a test and read by every thread that shows a dialog.
std::atomic<Backend*> g_backend{nullptr};

constexpr int kButtonOrder[] = {kButtonOk, kButtonYes, kButtonNo, kButtonCancel};

thread_local int t_beeps = 0;

}  // namespace

void Backend::WaitForEvent(Window& window) {
  // Nothing on screen can make input: only another runtime thread's post can wake us.
  RuntimeThread::Current().WaitForWork(&window, std::chrono::milliseconds(200));
}

int Backend::TextWidth(const Window& window, int control, std::string_view text) {
  return CharacterCount(text) * kUnitsPerCharacter;
}

int CharacterCount(std::string_view text) {
  int count = 0;
  // Every byte that does not continue a sequence starts a character.
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

int TextWidth(const Window& window, int control, std::string_view text) {
  if (Backend* b = CurrentBackend()) return b->TextWidth(window, control, text);
  return CharacterCount(text) * kUnitsPerCharacter;
}

void FitWidthToTexts(Window& window, std::initializer_list<int> controls, int min_width,
                     int right_margin) {
  int width = min_width;
  for (int control : controls) {
    const Control* c = window.Find(control);
    if (c == nullptr) continue;
    width = std::max(width, c->x() + TextWidth(window, control, c->shown_text()) + right_margin);
  }
  if (width != window.width()) window.SetPosition(0, 0, 0, width, window.height());
}

std::string WaitCursor() { return StandardIconRef(0x7F03); }

void MakeSoundRequest(MessageBoxRequest& r) {
  r.buttons &= kAllButtons;
  if (r.buttons == 0) r.buttons = kButtonOk;
  bool single_button = false;
  for (int b : kButtonOrder) single_button |= (r.default_button == b);
  if (!single_button || (r.buttons & r.default_button) == 0) {
    for (int b : kButtonOrder) {
      if (r.buttons & b) {
        r.default_button = b;
        break;
      }
    }
  }
}

std::string StandardIconRef(uint16_t id) {
  std::string ref(4, '\0');
  ref[0] = static_cast<char>(0xFF);
  ref[1] = static_cast<char>(0x01);
  ref[2] = static_cast<char>(id & 0xFF);
  ref[3] = static_cast<char>(id >> 8);
  return ref;
}

std::optional<uint16_t> ParseStandardIconRef(std::string_view icon) {
  if (icon.size() != 4 || static_cast<unsigned char>(icon[0]) != 0xFF ||
      static_cast<unsigned char>(icon[1]) != 0x01) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(static_cast<unsigned char>(icon[2]) |
                               (static_cast<unsigned char>(icon[3]) << 8));
}

std::vector<std::string_view> MessageLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (;;) {
    size_t bar = text.find('|', start);
    lines.push_back(text.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return lines;
}

Backend* SetBackend(Backend* backend) { return g_backend.exchange(backend); }

Backend* CurrentBackend() { return g_backend.load(); }

int MessageBox(MessageBoxRequest request) {
  MakeSoundRequest(request);
  if (Backend* b = CurrentBackend()) return b->ShowMessageBox(request);
  // No screen to ask: leave a trace where a developer will look and take the default, which
  // is the answer a user pressing Enter would have given.
  std::string out = request.caption + ":";
  for (std::string_view line : MessageLines(request.text)) {
    out += "\n  ";
    out += line;
  }
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
  return request.default_button;
}

int MessageBox(std::string_view text, std::string_view caption, std::string_view icon,
               ButtonSet buttons, int default_button) {
  MessageBoxRequest r;
  r.text = std::string(text);
  r.caption = std::string(caption);
  r.icon = std::string(icon);
  r.buttons = buttons;
  r.default_button = default_button;
  return MessageBox(std::move(r));
}

void Beep() {
  ++t_beeps;
  if (Backend* b = CurrentBackend()) b->Beep();
}

int BeepCount() { return t_beeps; }

void SetWaitCursor(bool on) {
  if (Backend* b = CurrentBackend()) b->SetWaitCursor(on);
}

void SetCursor(std::string_view cursor) {
  if (Backend* b = CurrentBackend()) b->SetCursor(cursor);
}

int Popup(std::string_view menu_text, int x, int y) {
  Backend* b = CurrentBackend();
  if (!b) return 0;
  MenuText menu = MenuText::Parse(menu_text);
  if (menu.ChoiceCount() == 0) return 0;
  int choice = b->ShowPopup(TargetWindow(), menu, x, y);
  // A backend can only hand back what the menu offers; anything else is a dismissal.
  const MenuItem* item = menu.FindChoice(choice);
  return item && !item->disabled ? choice : 0;
}

void Halt(int exit_code, std::string_view text) {
  if (exit_code < 0 || exit_code > 255) exit_code = 255;
  if (Backend* b = CurrentBackend()) b->OnHalt(exit_code);
  if (!text.empty()) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
  }
  std::fflush(stderr);
  std::exit(exit_code);
}

}  // namespace rt
