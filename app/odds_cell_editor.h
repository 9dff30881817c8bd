// OddsCellEditor: the editor of an odds cell edited in place. Beside decimals with a point or a
// comma it takes odds as bettors write them ("5/2", "evens", "+150", "-200"), converted as they
// are entered, so the cell and the table only ever hold decimal odds; any other text is refused
// like a text the picture cannot read (the entry stays, the runtime beeps).
//
// Ownership: as EditInPlaceControl's; the reader it gives the entry holds nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "framework/eip/edit_in_place_control.h"

namespace app {

// The odds a text in an odds cell stands for (ParseOddsText); false when it is refused.
bool ReadOddsCell(std::string_view text, double* odds);

class OddsCellEditor : public fw::EditInPlaceControl {
 public:
  // The base entry, reading its text with ReadOddsCell.
  void Setup(int32_t column, int32_t listControl, const rt::AnyRef& value) override;
};

}  // namespace app
