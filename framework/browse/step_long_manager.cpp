#include "framework/browse/step_long_manager.h"

#include <algorithm>
#include <limits>

#include "runtime/values/decimal.h"

namespace fw {
namespace {

int32_t HeldInLong(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

uint8_t StepLongManager::PercentForValue(const rt::AnyRef& value) {
  if (value.IsNull() || HIGH <= LOW) return 0;
  int64_t v = std::clamp<int64_t>(value.Integer(), LOW, HIGH);
  int64_t position = rt::Decimal::FromLong(v - LOW)
                         .Divide(rt::Decimal::FromLong(int64_t{HIGH} - LOW))
                         .Mul(rt::Decimal::FromLong(100))
                         .ToLong();
  return static_cast<uint8_t>(std::clamp<int64_t>(position, 0, 100));
}

rt::OwnedValue StepLongManager::ValueForPercent(uint8_t position) {
  rt::OwnedValue result(rt::Type::Long, 4);
  int64_t p = std::min<int64_t>(position, 100);
  int64_t span = HIGH > LOW ? int64_t{HIGH} - LOW : 0;
  // LOW is added before rounding to a LONG: the span itself may exceed the LONG range.
  int64_t v = rt::Decimal::FromLong(p)
                  .Divide(rt::Decimal::FromLong(100))
                  .Mul(rt::Decimal::FromLong(span))
                  .Add(rt::Decimal::FromLong(LOW))
                  .ToLong();
  result.Ref().SetInteger(std::clamp<int64_t>(v, LOW, std::max(LOW, HIGH)));
  return result;
}

void StepLongManager::SetRangeEnds(const rt::AnyRef& low, const rt::AnyRef& high) {
  LOW = HeldInLong(low.Integer());
  HIGH = HeldInLong(high.Integer());
  // A descending key gives the ends the other way round; the range is the same.
  if (HIGH < LOW) std::swap(LOW, HIGH);
}

bool StepLongManager::RangeEndsNeeded() { return true; }

}  // namespace fw
