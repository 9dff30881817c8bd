// ThumbRule: the browse's scroll-thumb arithmetic for a list that shows one page of a view:
// whether the scroll bar shows, where the thumb sits without a step object, and what a thumb
// drag asks the browse to do. Pure functions of the browse's fields; the browse reads and
// writes the list's properties itself. Owns nothing.
#pragma once

#include <cstdint>

namespace fw {

class ThumbRule {
 public:
  // What a thumb drag (event 20) asks of the browse.
  enum class DragAction {
    kNone,         // exactly 50 with no step object: the thumb stays where it is
    kPostTop,      // post event 7 to the list control
    kPostBottom,   // post event 8
    kLocateValue,  // FREEELEMENT := THUMB.ValueForPercent(position); LocateFromBuffer
    kSetChoice,    // CURRENTCHOICE := choice; AfterScroll
    kPostPageUp,   // post event 5
    kPostPageDown  // post event 6
  };
  struct Drag {
    DragAction action = DragAction::kNone;
    uint8_t position = 0;  // the position clamped to 0..100 (for kLocateValue)
    int32_t choice = 0;    // for kSetChoice: a row in 1..rows
  };

  // RefreshThumb steps 1-2: the scroll bar shows only for a list declared with one
  // (HASTHUMB) whose queue holds at least as many rows as the list shows.
  static bool ScrollBarShown(bool hasThumb, int64_t rows, int64_t rowsShown);

  // PlaceThumb: the thumb position without a step object. currentEvent is the last scroll
  // event (3..8); itemsToFill the shortfall of the last fill (not 0: an end of the view was
  // reached).
  static uint8_t PlacePosition(bool fileLoaded, int32_t currentChoice, int32_t rows,
                               int32_t itemsToFill, int32_t currentEvent);

  // The thumb drag for the position read from the list's thumb property (any value; it is
  // held within 0..100). hasStep: the sort order has both FREEELEMENT and THUMB.
  static Drag ForDrag(int64_t position, bool hasStep, bool fileLoaded, int32_t rows);
};

}  // namespace fw
