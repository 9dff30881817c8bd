// Builds a popup manager's items from arbitrary bytes (texts full of menu syntax, depths, icons,
// event and mimic items) and checks what the user's choice depends on: every name is unique and
// not empty, and the menu text the runtime reads offers exactly the items ChoiceToName counts,
// in the same order, with their texts, marks and states. A mismatch would post a chosen item's
// event to another item's control.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "framework/popup/popup_manager.h"
#include "runtime/windows/menu_text.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
  size_t at = 0;
  bool empty() const { return at >= size; }
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  std::string Text() {
    static const char kAlphabet[] = "|{}[]()~+-!& aZ9_";
    std::string s;
    for (int n = Byte() % 9; n > 0 && !empty(); --n) {
      uint8_t b = Byte();
      s += b < 0xC0 ? kAlphabet[b % (sizeof(kAlphabet) - 1)] : static_cast<char>(b);
    }
    return s;
  }
};

void Require(bool ok) {
  if (!ok) std::abort();
}

// What the menu shows for an item's text when no window is there to mimic.
std::string Expected(const fw::PopupItem& item) {
  std::string text(fw::PopupField(item.TEXT));
  if (item.MIMICMODE == 1 && !text.empty() && text[0] == '!') text.erase(0, 1);
  std::string out;
  for (char c : text) {
    if (c == '|') {
      out += "\xC2\xA6";
    } else if (c == '{') {
      out += '(';
    } else if (c == '}') {
      out += ')';
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in{data, size};
  fw::PopupManager popup;
  popup.Setup();
  for (int n = 0; n < 32 && !in.empty(); ++n) {
    uint8_t op = in.Byte();
    std::string text = in.Text();
    std::string name;
    switch (op % 4) {
      case 0: name = popup.AppendItem(text); break;
      case 1: {
        size_t count = popup.POPUPITEMS->Records();
        std::string after;
        if (count > 0 && (op & 0x10)) {
          after = std::string(fw::PopupField(popup.POPUPITEMS->At(1 + in.Byte() % count)->NAME));
        }
        uint16_t depth = (op & 0x20) ? 40 : (op >> 2) % 6;
        name = popup.AppendItem(text, in.Text(), after, depth);
        break;
      }
      case 2: name = popup.AppendEventItem(text, in.Byte(), in.Byte()); break;
      case 3: name = popup.AppendMimicItem(text, in.Text(), in.Byte()); break;
    }
    uint8_t position = name.empty() ? 0 : popup.FindItem(name);
    if (position != 0 && (op & 0x40)) {
      auto* row = static_cast<fw::PopupItem*>(popup.POPUPITEMS->RowAt(position));
      fw::SetPopupField(row->ICON, in.Text());
    }
  }

  std::set<std::string> names;
  for (size_t i = 1; i <= popup.POPUPITEMS->Records(); ++i) {
    std::string name(fw::PopupField(popup.POPUPITEMS->At(i)->NAME));
    Require(!name.empty());
    Require(names.insert(name).second);
    Require(popup.FindItem(name) == i);
  }

  rt::MenuText menu = rt::MenuText::Parse(popup.BuildMenuText());
  int counted = 0;
  while (!popup.ChoiceToName(counted + 1).empty()) ++counted;
  Require(menu.ChoiceCount() == counted);
  for (int c = 1; c <= counted; ++c) {
    const fw::PopupItem& item = *popup.POPUPITEMS->At(popup.FindItem(popup.ChoiceToName(c)));
    const rt::MenuItem* shown = menu.FindChoice(c);
    Require(shown != nullptr);
    Require(shown->text == Expected(item));
    Require(shown->disabled == (item.DISABLED == fw::kPopupItemDisabled));
    rt::MenuItem::Check check = item.CHECK == fw::kPopupItemChecked     ? rt::MenuItem::Check::kChecked
                                : item.CHECK == fw::kPopupItemUnchecked ? rt::MenuItem::Check::kUnchecked
                                                                        : rt::MenuItem::Check::kNone;
    Require(shown->check == check);
  }
  popup.Teardown();
  return 0;
}
