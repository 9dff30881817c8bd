// StepStringManager: a thumb step object for a text free key field. A text's place is read
// from its first three bytes (blank-padded, as the field stores them), so the thumb divides
// the view's range LOW..HIGH evenly by leading characters. Keeps copies of the range ends.
#pragma once

#include <cstdint>
#include <string>

#include "framework/browse/step_manager.h"

namespace fw {

class StepStringManager : public StepManager {
 public:
  std::string LOW;   // the free field's text in the view's first record
  std::string HIGH;  // ... and in its last record

  uint8_t PercentForValue(const rt::AnyRef& value) override;
  // A text of at most three bytes of whole UTF-8 characters, never later than the exact
  // point of the range.
  rt::OwnedValue ValueForPercent(uint8_t position) override;
  void Teardown() override;
  void SetRangeEnds(const rt::AnyRef& low, const rt::AnyRef& high) override;
  // Always true: records added or deleted move the ends.
  bool RangeEndsNeeded() override;
};

}  // namespace fw
