// WindowResource: a window described as data compiled into the program (label, font, size
// in dialog units, caption, controls). Window::Prepare builds the live model from it; the
// resource itself is never changed. A small registry names resources for windows that are
// opened by name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

// Control kinds; the number is what property kPropType reads.
enum class ControlKind : int {
  kString = 1,   // a display string: a bound variable shown through a picture
  kPrompt = 2,   // a fixed text
  kImage = 4,
  kEntry = 8,
  kButton = 9,   // with a text, an icon or both
  kSpin = 10,    // an entry with a range and up/down arrows
  kList = 37,    // shows a RowQueue through a list format
  kChart = 60,   // min-max bars and a level line (ChartData), set by the program
};
const char* ControlKindName(ControlKind kind);

// Colours are 0x00BBGGRR; kColorDefault is "the toolkit's own"; 0x80000000 | n is system
// colour n (kColorGrayText the disabled-text grey).
using Color = uint32_t;
inline constexpr Color kColorDefault = 0xFFFFFFFFu;
inline constexpr Color kColorGrayText = 0x80000011u;
constexpr Color Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}

// An empty face means the window's font; points 0 the window's size.
struct FontSpec {
  std::string face;
  int points = 0;
  int weight = 400;  // 400 normal, 700 bold
  bool italic = false;
};
inline constexpr int kWeightNormal = 400;
inline constexpr int kWeightBold = 700;

// Dialog units to pixels: x through the font's average character width (x/4), y through its
// height (y/8), both in pixels.
inline int DialogXToPixels(int x, double average_char_width) {
  return static_cast<int>(x * average_char_width / 4.0 + 0.5);
}
inline int DialogYToPixels(int y, double char_height) {
  return static_cast<int>(y * char_height / 8.0 + 0.5);
}

struct ControlResource {
  int number = 0;
  ControlKind kind = ControlKind::kPrompt;
  int x = 0, y = 0;           // dialog units, from the window's client area
  int width = 0, height = 0;  // 0: the default size for the content
  std::string text;           // button/prompt caption ("&" marks the mnemonic)
  std::string picture;        // entry, spin, display string: "n3", "n_10.2"; "" shows the text
  std::string list_format;    // list: "[20R(5)|_@n2@30R(5)_M@n5.2@]"
  FontSpec font;
  Color text_color = kColorDefault;
  Color background = kColorDefault;
  std::string icon;           // StandardIconRef(id) or "~name"
  bool has_range = false;
  double range_low = 0, range_high = 0;
  int binding = 0;            // 1-based index into Prepare's bindings; 0 none
  std::string message;        // status text while the control has the focus
  std::string tool_tip;
  bool page_mode = false;     // list: navigation keys post events 3-8, the program moves
  bool vscroll = false;       // list: has a vertical scroll bar
  bool hidden = false;
  bool disabled = false;
  bool skip_focus = false;    // never takes the focus (toolbar buttons)
  bool default_button = false;
  std::string_view image_data;  // image: encoded picture bytes (GIF, PNG) compiled in
};

struct WindowResource {
  std::string label;     // "P1$WINDOW"
  std::string caption;   // may be empty
  FontSpec font;         // the window's font: dialog units follow it
  int width = 0, height = 0;  // dialog units
  int x = 0, y = 0;
  bool system_placed = true;  // x, y ignored; the toolkit places the window
  std::vector<ControlResource> controls;
};

// Registers a resource under (resource name, label); the resource must stay live (a
// compiled-in constant). A second registration of the same pair replaces the first.
void RegisterWindowResource(std::string_view resource, const WindowResource* window);
// nullptr when none is registered.
const WindowResource* FindWindowResource(std::string_view resource, std::string_view label);

}  // namespace rt
