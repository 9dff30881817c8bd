#include "runtime/windows/menu_text.h"

#include <charconv>

namespace rt {

namespace {

// Deeper "{" are read as "|": no menu a person can use nests further, and a bound keeps
// hostile texts from building a tree deep enough to exhaust the stack.
constexpr size_t kMaxDepth = 32;

// "[31848(~name)]": property(value) pairs; only the icon is used.
void ReadIconPart(std::string_view part, MenuItem* item) {
  size_t i = 0;
  while (i < part.size()) {
    size_t open = part.find('(', i);
    if (open == std::string_view::npos) return;
    size_t close = part.find(')', open);
    if (close == std::string_view::npos) return;
    std::string_view number = part.substr(i, open - i);
    int property = 0;
    auto res = std::from_chars(number.data(), number.data() + number.size(), property);
    if (res.ec == std::errc() && res.ptr == number.data() + number.size() &&
        property == kMenuIconProperty) {
      item->icon = std::string(part.substr(open + 1, close - open - 1));
    }
    i = close + 1;
  }
}

MenuItem ReadItem(std::string_view raw) {
  MenuItem item;
  if (raw == "-") {
    item.separator = true;
    return item;
  }
  size_t i = 0;
  while (i < raw.size() && (raw[i] == '~' || raw[i] == '+' || raw[i] == '-')) {
    if (raw[i] == '~') item.disabled = true;
    if (raw[i] == '+') item.check = MenuItem::Check::kChecked;
    if (raw[i] == '-') item.check = MenuItem::Check::kUnchecked;
    ++i;
  }
  std::string_view rest = raw.substr(i);
  if (!rest.empty() && rest[0] == '[') {
    size_t close = rest.find(']');
    if (close != std::string_view::npos) {
      ReadIconPart(rest.substr(1, close - 1), &item);
      rest = rest.substr(close + 1);
    }
  }
  item.text = std::string(rest);
  return item;
}

void Number(std::vector<MenuItem>& items, int* next) {
  for (MenuItem& item : items) {
    if (!item.submenu.empty()) {
      Number(item.submenu, next);
    } else if (!item.separator) {
      item.choice = ++*next;
    }
  }
}

const MenuItem* Find(const std::vector<MenuItem>& items, int choice) {
  for (const MenuItem& item : items) {
    if (item.choice == choice) return &item;
    if (const MenuItem* found = Find(item.submenu, choice)) return found;
  }
  return nullptr;
}

}  // namespace

MenuText MenuText::Parse(std::string_view text) {
  MenuText menu;
  // The levels being filled: the top menu, then each open submenu.
  std::vector<std::vector<MenuItem>*> levels{&menu.items_};
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    char c = i < text.size() ? text[i] : '|';
    if (c != '|' && c != '{' && c != '}') continue;
    std::string_view raw = text.substr(start, i - start);
    start = i + 1;
    if (!raw.empty()) levels.back()->push_back(ReadItem(raw));
    if (c == '{') {
      if (levels.size() > kMaxDepth) continue;
      std::vector<MenuItem>* level = levels.back();
      // A submenu with nothing before it hangs under an item without a text.
      if (level->empty() || level->back().separator) level->push_back(MenuItem());
      levels.push_back(&level->back().submenu);
    } else if (c == '}' && levels.size() > 1) {
      levels.pop_back();
    }
  }
  Number(menu.items_, &menu.choices_);
  return menu;
}

const MenuItem* MenuText::FindChoice(int choice) const {
  if (choice < 1 || choice > choices_) return nullptr;
  return Find(items_, choice);
}

}  // namespace rt
