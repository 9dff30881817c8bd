#include "runtime/values/decimal.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace rt {
namespace {

Decimal D(int64_t v) { return Decimal::FromLong(v); }
// a / b as the runtime computes it.
Decimal Ratio(int64_t a, int64_t b) { return D(a).Divide(D(b)); }

TEST(DecimalTest, ComputesExactlyToNineDecimals) {
  EXPECT_EQ(D(7).Text(), "7");
  EXPECT_EQ(D(-12).Text(), "-12");
  EXPECT_EQ(D(2).Add(D(-5)).Text(), "-3");
  EXPECT_EQ(Ratio(1, 10).Add(Ratio(2, 10)).Text(), "0.3");  // no binary 0.30000000000000004
  EXPECT_EQ(Ratio(1, 3).Text(), "0.333333333");
  EXPECT_EQ(Ratio(2, 3).Text(), "0.666666667");  // the last place rounds
  EXPECT_EQ(Ratio(-2, 3).Text(), "-0.666666667");
  EXPECT_EQ(Ratio(1, 8).Mul(D(-100)).Text(), "-12.5");
  EXPECT_EQ(Ratio(1, 1000000000).Text(), "0.000000001");
  EXPECT_EQ(Ratio(1, 2000000000).Text(), "0.000000001");   // half a unit rounds up
  EXPECT_EQ(Ratio(1, 2000000001).Text(), "0");
  EXPECT_EQ(Ratio(5, 1000000000).Mul(Ratio(1, 2)).Text(), "0.000000003");
  EXPECT_EQ(Ratio(5, 1000000000).Mul(Ratio(-1, 2)).Text(), "-0.000000003");
  EXPECT_EQ(Ratio(123456789, 1000).Mul(Ratio(987654321, 1000000)).Text(), "121932631.112635269");
  EXPECT_EQ(Ratio(10, 4).Divide(Ratio(1, 4)).Text(), "10");
}

TEST(DecimalTest, DivisionByZeroGivesZero) {
  EXPECT_EQ(D(5).Divide(D(0)), Decimal());
  EXPECT_EQ(D(-5).Divide(Decimal()).Text(), "0");
  EXPECT_EQ(Decimal().Divide(D(0)).ToLong(), 0);
}

TEST(DecimalTest, HugeResultsHoldAtTheEndOfTheRange) {
  Decimal big = D(std::numeric_limits<int64_t>::max()).Mul(D(std::numeric_limits<int64_t>::max()));
  EXPECT_EQ(big.Text(), "9999999999999999999999999999.999999999");
  EXPECT_EQ(big.Add(big), big);
  EXPECT_EQ(big.Mul(D(-1)).Text(), "-9999999999999999999999999999.999999999");
  EXPECT_EQ(D(1).Divide(Ratio(1, 1000000000)).Divide(Ratio(1, 1000000000)).Text(),
            "1000000000000000000");
  EXPECT_EQ(big.Divide(Ratio(1, 1000000000)), big);
  EXPECT_EQ(big.ToLong(), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(big.Mul(D(-1)).ToLong(), std::numeric_limits<int32_t>::min());
}

TEST(DecimalTest, ToLongRoundsHalfAwayFromZero) {
  EXPECT_EQ(Ratio(5, 2).ToLong(), 3);
  EXPECT_EQ(Ratio(-5, 2).ToLong(), -3);
  EXPECT_EQ(Ratio(7, 3).ToLong(), 2);
  EXPECT_EQ(Ratio(-7, 3).ToLong(), -2);
  EXPECT_EQ(Ratio(99, 10).ToLong(), 10);
  EXPECT_EQ(Ratio(1, 3).ToLong(), 0);
  EXPECT_EQ(D(-2147483648LL).ToLong(), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(D(2147483647LL).ToLong(), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(D(2147483648LL).ToLong(), std::numeric_limits<int32_t>::max());
}

// The browse's thumb: position = row / rows × 100 and row = position / 100 × rows, division
// first, made whole by ToLong.
int32_t ThumbFor(int row, int rows) { return Ratio(row, rows).Mul(D(100)).ToLong(); }
int32_t RowFor(int position, int rows) { return Ratio(position, 100).Mul(D(rows)).ToLong(); }

TEST(DecimalTest, ThumbPositionsAndRowsAgree) {
  EXPECT_EQ(ThumbFor(5, 10), 50);
  EXPECT_EQ(RowFor(50, 10), 5);
  EXPECT_EQ(ThumbFor(10, 10), 100);
  EXPECT_EQ(ThumbFor(1, 3), 33);
  EXPECT_EQ(ThumbFor(2, 3), 67);
  EXPECT_EQ(ThumbFor(1, 8), 13);
  EXPECT_EQ(RowFor(33, 3), 1);  // cutting would give row 0
  EXPECT_EQ(RowFor(99, 10), 10);
  EXPECT_EQ(RowFor(100, 1000), 1000);
  for (int rows = 1; rows <= 100; ++rows) {
    for (int row = 1; row <= rows; ++row) {
      int32_t thumb = ThumbFor(row, rows);
      ASSERT_GE(thumb, 1);
      ASSERT_LE(thumb, 100);
      ASSERT_EQ(RowFor(thumb, rows), row) << row << " of " << rows;
    }
  }
}

}  // namespace
}  // namespace rt
