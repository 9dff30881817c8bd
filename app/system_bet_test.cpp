#include "app/system_bet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <vector>

namespace app {
namespace {

constexpr int kPascalRows = 32768;  // every n a SHORT can hold

// C(n, k) for k <= 9 by Pascal's rule, additions only: an independent check of CountVariants.
class PascalTable {
 public:
  PascalTable() : rows_(kPascalRows) {
    rows_[0][0] = 1;
    for (int n = 1; n < kPascalRows; ++n) {
      rows_[n][0] = 1;
      for (int k = 1; k <= 9; ++k) rows_[n][k] = rows_[n - 1][k - 1] + rows_[n - 1][k];
    }
  }
  VariantCount operator()(int n, int k) const { return rows_[n][k]; }

 private:
  struct Row {
    VariantCount c[10] = {};
    VariantCount& operator[](int k) { return c[k]; }
    const VariantCount& operator[](int k) const { return c[k]; }
  };
  std::vector<Row> rows_;
};

const PascalTable& Binomial() {
  static const PascalTable table;
  return table;
}

std::vector<double> RandomOdds(int rows, uint64_t seed, double low = 1.01, double high = 5.0) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> dist(low, high);
  std::vector<double> odds(rows);
  for (double& x : odds) x = dist(gen);
  return odds;
}

constexpr uint64_t kAlwaysEnumerate = std::numeric_limits<uint64_t>::max();
constexpr uint64_t kNeverEnumerate = 0;

TEST(SystemBetTest, WorkedExampleGivesThreeVariantsReturning135) {
  const std::vector<double> odds = {1.5, 2.0, 3.0};
  for (const SystemBetResult& r :
       {ComputeSystemBet(odds, 3, 2, 10.0), NaiveSystemBet(odds, 3, 2, 10.0)}) {
    EXPECT_EQ(r.variant_count, VariantCount{3});
    EXPECT_EQ(r.total_return, 135.0);
  }
  // The sum of products gives the same answer here, where every value is exact.
  EXPECT_EQ(ComputeSystemBet(odds, 3, 2, 10.0, kNeverEnumerate).total_return, 135.0);
}

TEST(SystemBetTest, UnsupportedSystemSizeGivesNothing) {
  const std::vector<double> odds = RandomOdds(12, 1);
  for (int k : {0, 10, 11, 255}) {
    SCOPED_TRACE(k);
    const uint8_t size = static_cast<uint8_t>(k);
    for (const SystemBetResult& r :
         {ComputeSystemBet(odds, 12, size, 10.0), NaiveSystemBet(odds, 12, size, 10.0)}) {
      EXPECT_EQ(r.variant_count, VariantCount{0});
      EXPECT_EQ(r.total_return, 0.0);
    }
    EXPECT_EQ(CountVariants(12, size), VariantCount{0});
  }
}

TEST(SystemBetTest, SizeOneIsNSinglesOnEveryPath) {
  // Four events "по 1", 100 on each: four singles returning the sum of the odds times 100.
  const std::vector<double> four = {1.5, 2.0, 3.0, 1.85};
  for (const SystemBetResult& r :
       {ComputeSystemBet(four, 4, 1, 100.0), ComputeSystemBet(four, 4, 1, 100.0, kNeverEnumerate),
        NaiveSystemBet(four, 4, 1, 100.0)}) {
    EXPECT_EQ(r.variant_count, VariantCount{4});
    EXPECT_NEAR(r.total_return, 835.0, 1e-9);
  }
  // n past the rows counts every single; only the first min(n, rows) odds return anything.
  const std::vector<double> odds = RandomOdds(40, 7);
  struct Case {
    int rows;
    int32_t n;
  };
  for (Case c : {Case{40, 40}, Case{40, 25}, Case{12, 999}, Case{0, 5}, Case{1, 1}}) {
    SCOPED_TRACE(testing::Message() << "rows=" << c.rows << " n=" << c.n);
    const std::span<const double> read(odds.data(), c.rows);
    const SystemBetResult plain = NaiveSystemBet(read, c.n, 1, 3.75);
    const SystemBetResult fast = ComputeSystemBet(read, c.n, 1, 3.75);
    EXPECT_TRUE(fast.enumerated);
    EXPECT_EQ(fast.variant_count, VariantCount(c.n));
    EXPECT_EQ(plain.variant_count, VariantCount(c.n));
    // The same running sum, bit for bit.
    EXPECT_EQ(fast.total_return, plain.total_return);
    double running = 0.0;
    for (int i = 0; i < std::min<int>(c.rows, c.n); ++i) running += odds[i] * 3.75;
    EXPECT_EQ(fast.total_return, running);
    EXPECT_FALSE(std::signbit(fast.total_return));
  }
}

TEST(SystemBetTest, NoVariantsWhenNIsTooSmallOrNotPositive) {
  const std::vector<double> odds = RandomOdds(12, 2);
  struct Case {
    int32_t n;
    uint8_t k;
  };
  for (Case c : {Case{3, 4}, Case{8, 9}, Case{0, 2}, Case{-1, 2}, Case{-32768, 9}, Case{0, 1},
                 Case{-5, 1}}) {
    SCOPED_TRACE(testing::Message() << "n=" << c.n << " k=" << int{c.k});
    for (const SystemBetResult& r :
         {ComputeSystemBet(odds, c.n, c.k, 10.0), NaiveSystemBet(odds, c.n, c.k, 10.0)}) {
      EXPECT_EQ(r.variant_count, VariantCount{0});
      EXPECT_EQ(r.total_return, 0.0);
    }
  }
}

TEST(SystemBetTest, CountIsTheExactBinomialForEveryShortN) {
  for (int k = 1; k <= 9; ++k) {
    for (int n = 0; n < kPascalRows; ++n) {
      const VariantCount expected = n >= k ? Binomial()(n, k) : 0;
      ASSERT_EQ(CountVariants(n, static_cast<uint8_t>(k)), expected) << "n=" << n << " k=" << k;
    }
  }
  // C(999, 9), the largest the "из :" entry admits, does not fit 64 bits: no wrap of any kind.
  const VariantCount c999 = ComputeSystemBet({}, 999, 9, 1.0).variant_count;
  EXPECT_EQ(c999, Binomial()(999, 9));
  EXPECT_NE(c999 >> 64, VariantCount{0});
  EXPECT_EQ(c999 >> 72, VariantCount{0});
}

TEST(SystemBetTest, CountSaturatesInsteadOfWrappingFarBeyondAShort) {
  EXPECT_EQ(CountVariants(std::numeric_limits<int32_t>::max(), 9), ~VariantCount{0});
  // Still exact where the count fits: C(n, 2) = n (n - 1) / 2.
  const int32_t big = 2'000'000'000;
  EXPECT_EQ(CountVariants(big, 2), static_cast<VariantCount>(big) * (big - 1) / 2);
}

TEST(SystemBetTest, VariantCountTextIsTheFullDecimal) {
  EXPECT_EQ(VariantCountText(0), "0");
  EXPECT_EQ(VariantCountText(135), "135");
  EXPECT_EQ(VariantCountText(VariantCount{1} << 64), "18446744073709551616");
  EXPECT_EQ(VariantCountText(~VariantCount{0}), "340282366920938463463374607431768211455");
}

TEST(SystemBetTest, TotalReturnTextHasEveryDigitAndTwoDecimals) {
  struct Case {
    double total;
    const char* text;
  };
  const Case cases[] = {
      {0.0, "0.00"},
      {135.0, "135.00"},
      {61236000.0, "61236000.00"},  // the old ten-wide picture showed "##########"
      {2.675, "2.68"},              // rounded as the value was typed, not as the double lies
      {1541640536.15, "1541640536.15"},
      {1e20, "100000000000000000000.00"},
      {9.07917308372548e37, "90791730837254800000000000000000000000.00"},
      {std::numeric_limits<double>::quiet_NaN(), ""},
      {std::numeric_limits<double>::infinity(), ""},
      {-1.0, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TotalReturnText(c.total), c.text) << c.total;
}

TEST(SystemBetTest, RowsNotReadCountButAddNothing) {
  // No row read, n typed by hand: every variant counts, none returns anything.
  for (int32_t n : {12, 999}) {
    const SystemBetResult r = ComputeSystemBet({}, n, 3, 10.0);
    EXPECT_EQ(r.variant_count, Binomial()(n, 3));
    EXPECT_EQ(r.total_return, 0.0);
    EXPECT_FALSE(std::signbit(r.total_return));
  }
  EXPECT_EQ(NaiveSystemBet({}, 12, 3, 10.0).total_return, 0.0);

  // n above the rows: the extra variants count, the total is that of the rows alone.
  const std::vector<double> odds = {1.5, 2.0, 3.0};
  for (const SystemBetResult& r : {ComputeSystemBet(odds, 5, 2, 10.0),
                                   ComputeSystemBet(odds, 5, 2, 10.0, kNeverEnumerate),
                                   NaiveSystemBet(odds, 5, 2, 10.0)}) {
    EXPECT_EQ(r.variant_count, VariantCount{10});
    EXPECT_EQ(r.total_return, 135.0);
  }
  // n below the rows: the rows after the n-th take no part.
  const std::vector<double> more = {1.5, 2.0, 3.0, 100.0};
  EXPECT_EQ(ComputeSystemBet(more, 3, 2, 10.0).total_return, 135.0);
  EXPECT_EQ(ComputeSystemBet(more, 3, 2, 10.0, kNeverEnumerate).total_return, 135.0);
  EXPECT_EQ(ComputeSystemBet(more, 4, 2, 10.0).total_return, 135.0 + 10.0 * 100.0 * 6.5);
}

TEST(SystemBetTest, RowsPastTheFiveHundredthNeverContribute) {
  std::vector<double> odds = RandomOdds(600, 3);
  for (size_t i = 500; i < odds.size(); ++i) odds[i] = 1e6;
  const std::span<const double> first500(odds.data(), 500);

  // k = 2 enumerates; checked against ((sum)^2 - sum of squares) / 2 over the first 500 alone.
  long double sum = 0, squares = 0;
  for (double x : first500) {
    sum += x;
    squares += static_cast<long double>(x) * x;
  }
  const double pairs = static_cast<double>((sum * sum - squares) / 2);
  const SystemBetResult r2 = ComputeSystemBet(odds, 600, 2, 1.0);
  EXPECT_TRUE(r2.enumerated);
  EXPECT_EQ(r2.variant_count, Binomial()(600, 2));
  EXPECT_NEAR(r2.total_return, pairs, 1e-12 * pairs);
  EXPECT_EQ(r2.total_return, NaiveSystemBet(odds, 600, 2, 1.0).total_return);

  // k = 9 takes the sum of products; it must equal the one over the first 500 rows.
  const SystemBetResult r9 = ComputeSystemBet(odds, 999, 9, 1.0);
  EXPECT_FALSE(r9.enumerated);
  EXPECT_EQ(r9.variant_count, Binomial()(999, 9));
  EXPECT_EQ(r9.total_return, ComputeSystemBet(first500, 999, 9, 1.0).total_return);
}

TEST(SystemBetTest, EnumerationEqualsThePlainAlgorithmBitForBit) {
  struct Case {
    int rows;
    int32_t n;
    uint8_t k;
    double low, high;
  };
  const Case cases[] = {
      {10, 10, 5, 1.01, 5.0},   {20, 20, 9, 1.01, 5.0},  {50, 50, 3, 1.01, 5.0},
      {500, 500, 2, 1.01, 5.0}, {15, 22, 4, 1.01, 5.0},  {30, 12, 6, 1.01, 5.0},
      // Negative odds: the variants past the rows then add -0.0 as well as +0.0.
      {14, 19, 5, -3.0, 3.0},   {9, 13, 2, -3.0, 3.0},   {11, 16, 1, -3.0, 3.0},
      {300, 300, 1, 1.01, 5.0},
  };
  uint64_t seed = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rows=" << c.rows << " n=" << c.n << " k=" << int{c.k});
    const std::vector<double> odds = RandomOdds(c.rows, seed++, c.low, c.high);
    const SystemBetResult plain = NaiveSystemBet(odds, c.n, c.k, 7.25);
    const SystemBetResult fast = ComputeSystemBet(odds, c.n, c.k, 7.25);
    EXPECT_TRUE(fast.enumerated);
    EXPECT_EQ(fast.variant_count, plain.variant_count);
    EXPECT_EQ(fast.variant_count, Binomial()(c.n, c.k));
    EXPECT_EQ(fast.total_return, plain.total_return);
    // Pressing twice gives the same, not twice as much.
    EXPECT_EQ(ComputeSystemBet(odds, c.n, c.k, 7.25).total_return, fast.total_return);
  }
}

TEST(SystemBetTest, SumOfProductsAgreesWithEnumerationTo1e12) {
  struct Case {
    int rows;
    int32_t n;
    uint8_t k;
  };
  // (24, 9) is past the enumeration limit by default; the others are forced onto the sum.
  const Case cases[] = {{24, 24, 9}, {30, 30, 5}, {40, 40, 4}, {200, 200, 2},
                        {12, 20, 9}, {60, 25, 7}, {9, 9, 9},   {100, 100, 3},
                        {500, 500, 1}};
  uint64_t seed = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "rows=" << c.rows << " n=" << c.n << " k=" << int{c.k});
    const std::vector<double> odds = RandomOdds(c.rows, seed++);
    const double enumerated = ComputeSystemBet(odds, c.n, c.k, 3.5, kAlwaysEnumerate).total_return;
    const SystemBetResult summed = ComputeSystemBet(odds, c.n, c.k, 3.5, kNeverEnumerate);
    EXPECT_FALSE(summed.enumerated);
    EXPECT_EQ(summed.variant_count, Binomial()(c.n, c.k));
    EXPECT_GT(enumerated, 0.0);
    EXPECT_NEAR(summed.total_return, enumerated, 1e-12 * enumerated);
    EXPECT_EQ(ComputeSystemBet(odds, c.n, c.k, 3.5, kNeverEnumerate).total_return,
              summed.total_return);
  }
  const std::vector<double> odds = RandomOdds(24, 100);
  EXPECT_FALSE(ComputeSystemBet(odds, 24, 9, 3.5).enumerated);
}

TEST(SystemBetTest, ZeroAndNonFiniteValues) {
  // A zero total is +0.0 on every path, even when every product or the stake is -0.0.
  const std::vector<double> zeros = {-0.0, 1.0, -0.0};
  const std::vector<double> ones = {1.0, 1.0, 1.0};
  for (const SystemBetResult& r :
       {ComputeSystemBet(zeros, 3, 2, 1.0), ComputeSystemBet(zeros, 3, 2, 1.0, kNeverEnumerate),
        NaiveSystemBet(zeros, 3, 2, 1.0), ComputeSystemBet(ones, 3, 2, -0.0),
        ComputeSystemBet(ones, 3, 2, -0.0, kNeverEnumerate), NaiveSystemBet(ones, 3, 2, -0.0)}) {
    EXPECT_EQ(r.total_return, 0.0);
    EXPECT_FALSE(std::signbit(r.total_return));
  }

  // Infinite or NaN odds among the rows taking part, or such a stake, give NaN whichever way
  // the total is found; past the n-th row they are not looked at.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> with_inf = {1.5, 2.0, inf};
  const std::vector<double> with_nan = {1.5, nan, 3.0};
  const std::vector<double> plain = {1.5, 2.0, 3.0};
  for (uint64_t limit : {kAlwaysEnumerate, kNeverEnumerate}) {
    EXPECT_TRUE(std::isnan(ComputeSystemBet(with_inf, 3, 2, 10.0, limit).total_return));
    EXPECT_TRUE(std::isnan(ComputeSystemBet(with_nan, 5, 2, 10.0, limit).total_return));
    EXPECT_TRUE(std::isnan(ComputeSystemBet(plain, 3, 2, inf, limit).total_return));
    EXPECT_EQ(ComputeSystemBet(with_inf, 2, 2, 10.0, limit).total_return, 30.0);
    EXPECT_EQ(ComputeSystemBet(with_inf, 3, 2, 10.0, limit).variant_count, VariantCount{3});
  }
}

}  // namespace
}  // namespace app
