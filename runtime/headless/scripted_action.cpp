#include "runtime/headless/scripted_action.h"

namespace rt {

std::string ScriptedAction::Describe() const {
  std::string s;
  std::string c = std::to_string(control);
  switch (kind) {
    case Kind::kClick: s = "click " + c; break;
    case Kind::kType: s = "type \"" + text + "\" into " + c + (leave ? " and leave" : ""); break;
    case Kind::kKey: s = "key " + std::to_string(key_code) + " on " + c; break;
    case Kind::kListClick:
      s = std::string(mouse == Mouse::kLeft ? "click" : mouse == Mouse::kRight ? "right-click"
                                                                                : "double-click") +
          " row " + std::to_string(row) + " column " + std::to_string(column) + " of " + c;
      break;
    case Kind::kScroll: s = "scroll " + std::to_string(value) + " on " + c; break;
    case Kind::kDragThumb: s = "drag the thumb of " + c + " to " + std::to_string(value); break;
    case Kind::kSpin: s = "spin " + c + " by " + std::to_string(value); break;
    case Kind::kCheck: s = "check"; break;
    case Kind::kClose: s = "close the window"; break;
    case Kind::kWindowFocus: s = gained ? "focus the window" : "leave the window"; break;
  }
  if (!window.empty()) s += " (window " + window + ")";
  return s;
}

}  // namespace rt
