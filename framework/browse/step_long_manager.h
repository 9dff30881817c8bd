// StepLongManager: a thumb step object for a whole-number free key field (BYTE to ULONG). The
// thumb divides the view's value range LOW..HIGH evenly; values outside it sit at the ends.
// Values are held within the LONG range.
#pragma once

#include <cstdint>

#include "framework/browse/step_manager.h"

namespace fw {

class StepLongManager : public StepManager {
 public:
  int32_t LOW = 0;   // the free field's value in the view's first record
  int32_t HIGH = 0;  // ... and in its last record

  uint8_t PercentForValue(const rt::AnyRef& value) override;
  rt::OwnedValue ValueForPercent(uint8_t position) override;
  void SetRangeEnds(const rt::AnyRef& low, const rt::AnyRef& high) override;
  // Always true: records added or deleted move the ends.
  bool RangeEndsNeeded() override;
};

}  // namespace fw
