// PlacedControl: a control resource with its number, kind, place, size and text filled in; the
// one way window resources written in code start each control, the rest set field by field.
#pragma once

#include <string>
#include <utility>

#include "runtime/windows/window_resource.h"

namespace rt {

inline ControlResource PlacedControl(int number, ControlKind kind, int x, int y, int width = 0,
                                     int height = 0, std::string text = {}) {
  ControlResource c;
  c.number = number;
  c.kind = kind;
  c.x = x;
  c.y = y;
  c.width = width;
  c.height = height;
  c.text = std::move(text);
  return c;
}

}  // namespace rt
