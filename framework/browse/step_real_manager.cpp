#include "framework/browse/step_real_manager.h"

#include <algorithm>
#include <cmath>

namespace fw {

uint8_t StepRealManager::PercentForValue(const rt::AnyRef& value) {
  if (value.IsNull()) return 0;
  double v = value.Real();
  if (!std::isfinite(v) || !(HIGH > LOW)) return 0;
  v = std::clamp(v, LOW, HIGH);
  // Halves keep the span finite for ends near the REAL limits.
  double ratio = (v * 0.5 - LOW * 0.5) / (HIGH * 0.5 - LOW * 0.5);
  double position = std::round(ratio * 100.0);
  if (!(position >= 0.0)) return 0;
  return static_cast<uint8_t>(std::min(position, 100.0));
}

rt::OwnedValue StepRealManager::ValueForPercent(uint8_t position) {
  rt::OwnedValue result(rt::Type::Real, 8);
  double ratio = std::min<int>(position, 100) / 100.0;
  // Weighted ends rather than LOW + span * ratio: exact at both ends and never overflowing.
  double v = HIGH > LOW ? LOW * (1.0 - ratio) + HIGH * ratio : LOW;
  result.Ref().SetReal(std::clamp(v, LOW, std::max(LOW, HIGH)));
  return result;
}

void StepRealManager::SetRangeEnds(const rt::AnyRef& low, const rt::AnyRef& high) {
  double lo = low.Real();
  double hi = high.Real();
  LOW = std::isfinite(lo) ? lo : 0.0;
  HIGH = std::isfinite(hi) ? hi : 0.0;
  // A descending key gives the ends the other way round; the range is the same.
  if (HIGH < LOW) std::swap(LOW, HIGH);
}

bool StepRealManager::RangeEndsNeeded() { return true; }

}  // namespace fw
