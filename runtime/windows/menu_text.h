// MenuText: a popup menu text ("|&Insert|Sort{By number|By odds}~&Delete|+Checked|-|&Toolbox")
// parsed into a tree of items. Choices are numbered in order over the items a user can pick:
// separators and submenu headings get no number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rt {

struct MenuItem {
  enum class Check { kNone, kChecked, kUnchecked };
  std::string text;     // "&" marks the mnemonic, "&&" a literal "&"
  std::string icon;     // "~name" or a standard icon reference; "" none
  bool separator = false;
  bool disabled = false;
  Check check = Check::kNone;
  int choice = 0;       // the number the popup returns for this item; 0 for separators/headings
  std::vector<MenuItem> submenu;  // not empty: this item is a submenu heading
};

class MenuText {
 public:
  // Never fails: a "}" with no open submenu is ignored, submenus still open at the end are
  // closed, an unterminated "[...]" icon part is taken as text.
  static MenuText Parse(std::string_view text);

  const std::vector<MenuItem>& Items() const { return items_; }
  int ChoiceCount() const { return choices_; }
  // The item with that choice number; nullptr outside 1..ChoiceCount().
  const MenuItem* FindChoice(int choice) const;

 private:
  std::vector<MenuItem> items_;
  int choices_ = 0;
};

// The property the menu's "[...]" part uses for an item's icon: "[31848(~name)]".
inline constexpr int kMenuIconProperty = 31848;

}  // namespace rt
