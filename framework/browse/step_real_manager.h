// StepRealManager: a thumb step object for a REAL free key field. The thumb divides the view's
// value range LOW..HIGH evenly; values outside it (and values that are not numbers) sit at
// the ends.
#pragma once

#include <cstdint>

#include "framework/browse/step_manager.h"

namespace fw {

class StepRealManager : public StepManager {
 public:
  double LOW = 0.0;   // the free field's value in the view's first record
  double HIGH = 0.0;  // ... and in its last record

  uint8_t PercentForValue(const rt::AnyRef& value) override;
  rt::OwnedValue ValueForPercent(uint8_t position) override;
  void SetRangeEnds(const rt::AnyRef& low, const rt::AnyRef& high) override;
  // Always true: records added or deleted move the ends.
  bool RangeEndsNeeded() override;
};

}  // namespace fw
