#include "framework/browse/step_real_manager.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

namespace fw {
namespace {

TEST(StepRealManagerTest, MapsOddsRangeBothWays) {
  StepRealManager step;
  double first = 1.05, last = 3.05;  // KF:KF of the first and last record
  step.SetRangeEnds(rt::AnyRef::Of(first), rt::AnyRef::Of(last));
  double kf = 2.05;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(kf)), 50);
  kf = 1.55;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(kf)), 25);
  kf = 0.5;  // below the first record
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(kf)), 0);

  double field = 0;
  rt::AnyRef::Of(field).Assign(step.ValueForPercent(25).Ref());
  EXPECT_DOUBLE_EQ(field, 1.55);
  rt::AnyRef::Of(field).Assign(step.ValueForPercent(100).Ref());
  EXPECT_EQ(field, 3.05);  // exactly the last value, so locating finds the last record
  rt::AnyRef::Of(field).Assign(step.ValueForPercent(0).Ref());
  EXPECT_EQ(field, 1.05);

  // A text field holding a number is read as that number.
  char text[8] = "3.05";
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::CString(text)), 100);
}

TEST(StepRealManagerTest, DegenerateAndExtremeRangesStayInBounds) {
  StepRealManager step;
  double v = 2.0;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(v)), 0);  // no range: no division by 0
  double nan = std::numeric_limits<double>::quiet_NaN();
  double inf = std::numeric_limits<double>::infinity();
  step.SetRangeEnds(rt::AnyRef::Of(nan), rt::AnyRef::Of(inf));
  EXPECT_EQ(step.LOW, 0.0);
  EXPECT_EQ(step.HIGH, 0.0);

  double lo = -DBL_MAX, hi = DBL_MAX;
  step.SetRangeEnds(rt::AnyRef::Of(hi), rt::AnyRef::Of(lo));  // reversed ends too
  double zero = 0.0;
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(zero)), 50);
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(hi)), 100);
  EXPECT_EQ(step.PercentForValue(rt::AnyRef::Of(nan)), 0);
  double middle = step.ValueForPercent(50).Ref().Real();
  EXPECT_TRUE(std::isfinite(middle));
  EXPECT_EQ(step.ValueForPercent(100).Ref().Real(), DBL_MAX);
}

}  // namespace
}  // namespace fw
