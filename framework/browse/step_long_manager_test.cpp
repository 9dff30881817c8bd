#include "framework/browse/step_long_manager.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace fw {
namespace {

TEST(StepLongManagerTest, MapsByteKeyRangeBothWays) {
  StepLongManager step;
  EXPECT_TRUE(step.RangeEndsNeeded());
  uint8_t first = 1, last = 201;  // KF:NN of the first and last record
  step.SetRangeEnds(rt::AnyRef::Of(first), rt::AnyRef::Of(last));
  EXPECT_EQ(step.LOW, 1);
  EXPECT_EQ(step.HIGH, 201);

  uint8_t nn = 1;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(nn)), 0);
  nn = 101;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(nn)), 50);
  nn = 201;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(nn)), 100);
  nn = 255;  // beyond the last record (added since): held at the bottom
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(nn)), 100);

  // The value comes back into the BYTE field as the browse assigns it.
  uint8_t field = 0;
  rt::AnyRef::Of(field).Assign(step.ValueForPercent(50).Ref());
  EXPECT_EQ(field, 101);
  rt::AnyRef::Of(field).Assign(step.ValueForPercent(100).Ref());
  EXPECT_EQ(field, 201);
  rt::AnyRef::Of(field).Assign(step.ValueForPercent(0).Ref());
  EXPECT_EQ(field, 1);
  rt::AnyRef::Of(field).Assign(step.ValueForPercent(250).Ref());  // held at 100
  EXPECT_EQ(field, 201);
  // Round trip for every position of this range.
  for (int p = 0; p <= 100; ++p) {
    rt::OwnedValue v = step.ValueForPercent(static_cast<uint8_t>(p));
    EXPECT_EQ(step.PercentForValue(v.Ref()), p);
  }
}

TEST(StepLongManagerTest, EmptyOrSingleValueRangeAndReversedEnds) {
  StepLongManager step;
  int32_t v = 5;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(v)), 0);  // no range yet: no division by 0
  EXPECT_EQ(step.ValueForPercent(80).Ref().Integer(), 0);
  int32_t a = 7, b = 7;
  step.SetRangeEnds(rt::AnyRef::Of(a), rt::AnyRef::Of(b));
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(v)), 0);
  EXPECT_EQ(step.ValueForPercent(80).Ref().Integer(), 7);
  // A descending key hands the ends the other way round.
  int32_t hi = 1000, lo = -1000;
  step.SetRangeEnds(rt::AnyRef::Of(hi), rt::AnyRef::Of(lo));
  int32_t zero = 0;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(zero)), 50);
  EXPECT_EQ(step.PercentForValue(rt::AnyRef()), 0);  // a missing field
}

TEST(StepLongManagerTest, WholeLongRangeDoesNotOverflow) {
  StepLongManager step;
  int32_t lo = INT32_MIN, hi = INT32_MAX;
  step.SetRangeEnds(rt::AnyRef::Of(lo), rt::AnyRef::Of(hi));
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(hi)), 100);
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(lo)), 0);
  EXPECT_EQ(step.ValueForPercent(100).Ref().Integer(), INT32_MAX);
  EXPECT_EQ(step.ValueForPercent(0).Ref().Integer(), INT32_MIN);
  // ULONG ends above the LONG range are held at its end.
  uint32_t big = 4000000000u, small = 0;
  step.SetRangeEnds(rt::AnyRef::Of(small), rt::AnyRef::Of(big));
  EXPECT_EQ(step.HIGH, INT32_MAX);
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(big)), 100);
}

}  // namespace
}  // namespace fw
