// StepManager: a thumb step object of a browse's sort order (its THUMB). It maps the value of
// the sort order's free key field to a thumb position 0 (top) .. 100 (bottom) and back. The
// browse owns nothing of it but calls Teardown once; derived classes keep their range ends as
// private copies.
#pragma once

#include <cstdint>

#include "runtime/values/any_ref.h"
#include "runtime/values/owned_value.h"

namespace fw {

class StepManager {
 public:
  virtual ~StepManager() = default;

  // Slot 0: the thumb position (0..100) for the free field's current value.
  virtual uint8_t PercentForValue(const rt::AnyRef& value) = 0;
  // Slot 1: the free field's value for a thumb position (positions above 100 count as 100).
  // The browse assigns it to FREEELEMENT with FREEELEMENT.Assign(result.Ref()).
  virtual rt::OwnedValue ValueForPercent(uint8_t position) = 0;
  // Slot 2: frees what the step object keeps; the browse calls it from its Teardown.
  virtual void Teardown();
  // Slot 3: the free field's values in the first (low) and the last (high) record of the view.
  virtual void SetRangeEnds(const rt::AnyRef& low, const rt::AnyRef& high);
  // Slot 4: whether the browse should call SetRangeEnds now.
  virtual bool RangeEndsNeeded();
};

}  // namespace fw
