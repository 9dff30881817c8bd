#include "framework/browse/thumb_rule.h"

#include "runtime/values/decimal.h"
#include "runtime/windows/event.h"

namespace fw {
namespace {

uint8_t ClampPosition(int64_t position) {
  if (position < 0) return 0;
  if (position > 100) return 100;
  return static_cast<uint8_t>(position);
}

}  // namespace

bool ThumbRule::ScrollBarShown(bool hasThumb, int64_t rows, int64_t rowsShown) {
  return hasThumb && rows >= rowsShown;
}

uint8_t ThumbRule::PlacePosition(bool fileLoaded, int32_t currentChoice, int32_t rows,
                                 int32_t itemsToFill, int32_t currentEvent) {
  int64_t position = 50;
  if (fileLoaded) {
    // An empty list has no row to show; the thumb stays at the top instead of dividing by 0.
    if (rows <= 0) return 0;
    position = rt::Decimal::FromLong(currentChoice)
                   .Divide(rt::Decimal::FromLong(rows))
                   .Mul(rt::Decimal::FromLong(100))
                   .ToLong();
  } else if (itemsToFill != 0) {
    bool downward = currentEvent == rt::kEventScrollDown || currentEvent == rt::kEventPageDown ||
                    currentEvent == rt::kEventScrollBottom;
    if (downward) {
      if (currentChoice == rows) position = 100;
    } else if (currentChoice == 1) {
      position = 0;
    }
  }
  return ClampPosition(position);
}

ThumbRule::Drag ThumbRule::ForDrag(int64_t position, bool hasStep, bool fileLoaded,
                                   int32_t rows) {
  Drag drag;
  drag.position = ClampPosition(position);
  if (drag.position <= 1) {
    drag.action = DragAction::kPostTop;
  } else if (drag.position == 100) {
    drag.action = DragAction::kPostBottom;
  } else if (hasStep) {
    drag.action = DragAction::kLocateValue;
  } else if (fileLoaded && rows > 0) {
    int64_t choice = rt::Decimal::FromLong(drag.position)
                         .Divide(rt::Decimal::FromLong(100))
                         .Mul(rt::Decimal::FromLong(rows))
                         .ToLong();
    // The highlight must land on a row: a small position of a short list rounds to row 0.
    if (choice < 1) choice = 1;
    if (choice > rows) choice = rows;
    drag.action = DragAction::kSetChoice;
    drag.choice = static_cast<int32_t>(choice);
  } else if (drag.position < 50) {
    drag.action = DragAction::kPostPageUp;
  } else if (drag.position > 50) {
    drag.action = DragAction::kPostPageDown;
  }
  return drag;
}

}  // namespace fw
