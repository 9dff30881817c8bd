#include "app/analysis_settlement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace app {
namespace {

using O = Outcome;
constexpr uint64_t kAlwaysEnumerate = std::numeric_limits<uint64_t>::max();
constexpr uint64_t kNeverEnumerate = 0;

AnalysisEvents Events(const std::vector<double>& odds, const std::vector<Outcome>& outcomes,
                      int32_t n = -1) {
  AnalysisEvents events;
  std::string reason;
  EXPECT_TRUE(events.Assign(odds, outcomes, {}, n < 0 ? static_cast<int32_t>(odds.size()) : n,
                            &reason))
      << reason;
  return events;
}

SystemSizes Cover(const char* name) {
  const SizesText parsed = ParseSystemSizes(name);
  EXPECT_TRUE(parsed.ok) << name;
  return parsed.sizes;
}

TEST(AnalysisSettlementTest, FullCoversSettleAsCheckedByHand) {
  struct Case {
    const char* what;
    const char* cover;
    std::vector<double> odds;
    std::vector<Outcome> outcomes;  // missing: pending
    double stake;
    int won, lost, open;            // variants
    double total_stake, settled, all_win;
  };
  const Case cases[] = {
      // Only the double 1+2 is settled and paying (2 * 3); event 3 lost takes 7 bets with it;
      // 1+4, 2+4 and 1+2+4 wait on event 4: 6 + 2*4 + 3*4 + 2*3*4 = 50 units if it wins.
      {"Yankee, two winners", "Yankee", {2.0, 3.0, 1.5, 4.0}, {O::kWon, O::kWon, O::kLost}, 10.0,
       1, 7, 3, 110.0, 60.0, 500.0},
      // The single on the winner alone pays; no bonus is assumed.
      {"Lucky 15, one winner", "Lucky 15", {2.5, 3.0, 1.8, 2.2},
       {O::kWon, O::kLost, O::kLost, O::kLost}, 1.0, 1, 14, 0, 15.0, 2.5, 2.5},
      // 1+2 = 2, 1+3 = 8, 2+3 = 4, 1+2+3 = 8: the refund counts as 1.00.
      {"Trixie, a refund", "Trixie", {2.0, 3.0, 4.0}, {O::kWon, O::kRefund, O::kWon}, 5.0,
       4, 0, 0, 20.0, 110.0, 110.0},
      {"Trixie, all refunded", "Trixie", {2.0, 3.0, 4.0}, {O::kRefund, O::kRefund, O::kRefund},
       5.0, 4, 0, 0, 20.0, 20.0, 20.0},
      // Eight at 2.00: the sum over sizes 2..8 of C(8, k) 2^k is 3^8 - 1 - 16 = 6544.
      {"Goliath, all winning", "Goliath", std::vector<double>(8, 2.0),
       std::vector<Outcome>(8, O::kWon), 1.0, 247, 0, 0, 247.0, 6544.0, 6544.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (uint64_t limit : {kAlwaysEnumerate, kNeverEnumerate}) {
      const Settlement s = Settle(Events(c.odds, c.outcomes), Cover(c.cover), c.stake, limit);
      ASSERT_TRUE(s.refused.empty());
      EXPECT_EQ(s.won_variants, VariantCount(c.won));
      EXPECT_EQ(s.lost_variants, VariantCount(c.lost));
      EXPECT_EQ(s.open_variants, VariantCount(c.open));
      EXPECT_EQ(s.variants, VariantCount(c.won + c.lost + c.open));
      EXPECT_EQ(s.total_stake, c.total_stake);
      EXPECT_EQ(s.settled_return, c.settled);
      EXPECT_EQ(s.all_lose_return, c.settled);
      EXPECT_EQ(s.all_win_return, c.all_win);
      EXPECT_EQ(s.SettledProfit(), c.settled - c.total_stake);
      EXPECT_EQ(s.AllWinProfit(), c.all_win - c.total_stake);
      EXPECT_EQ(s.settled_enumerated, limit == kAlwaysEnumerate);
    }
  }
}

TEST(AnalysisSettlementTest, EveryFullCoverAllWinningIsTheProductIdentity) {
  // Sizes 1..n sum to prod(1 + o) - 1; from 2 on, less the singles' sum of odds.
  const std::vector<double> odds = {1.5, 2.0, 2.5, 3.0, 1.2, 1.8, 2.2, 4.0};
  for (const FullCover& cover : FullCovers()) {
    SCOPED_TRACE(cover.name);
    const std::vector<double> first(odds.begin(), odds.begin() + cover.events);
    long double product = 1, singles = 0;
    for (double o : first) product *= 1 + o, singles += o;
    const long double expected = product - 1 - ((cover.mask & 2) ? 0 : singles);
    const std::vector<Outcome> won(first.size(), O::kWon);
    const Settlement s = Settle(Events(first, won), Cover(cover.name), 2.0);
    EXPECT_NEAR(s.settled_return, static_cast<double>(2 * expected), 1e-9);
    // Pending instead of won: nothing settled yet, the same if all win.
    const Settlement ahead = Settle(Events(first, {}), Cover(cover.name), 2.0);
    EXPECT_EQ(ahead.settled_return, 0.0);
    EXPECT_EQ(ahead.all_win_return, s.settled_return);
    EXPECT_EQ(ahead.open_variants, ahead.variants);
  }
}

TEST(AnalysisSettlementTest, EnumeratedEqualsThePlainWayBitForBitAndSumsAgreeTo1e12) {
  std::mt19937_64 gen(20261208);
  std::uniform_real_distribution<double> odds_of(1.01, 6.0);
  std::uniform_int_distribution<int> outcome_of(0, 3), rows_of(1, 14), extra_of(0, 3);
  std::uniform_int_distribution<int> mask_of(1, 511);
  for (int round = 0; round < 300; ++round) {
    const int rows = rows_of(gen);
    std::vector<double> odds(rows);
    std::vector<Outcome> outcomes(rows);
    for (int i = 0; i < rows; ++i) {
      odds[i] = odds_of(gen);
      outcomes[i] = static_cast<Outcome>(outcome_of(gen));
    }
    const int32_t n = rows + extra_of(gen);  // events without a row now and then
    const SystemSizes sizes{static_cast<uint16_t>(mask_of(gen) << 1), 0, ""};
    const AnalysisEvents events = Events(odds, outcomes, n);
    const Settlement plain = NaiveSettle(events, sizes, 2.5);
    const Settlement exact = Settle(events, sizes, 2.5, kAlwaysEnumerate);
    const Settlement sums = Settle(events, sizes, 2.5, kNeverEnumerate);
    SCOPED_TRACE(testing::Message() << "round " << round << " n=" << n);
    EXPECT_EQ(exact.variants, plain.variants);
    EXPECT_EQ(exact.variants, exact.won_variants + exact.lost_variants + exact.open_variants);
    EXPECT_EQ(exact.settled_return, plain.settled_return);
    EXPECT_EQ(exact.all_win_return, plain.all_win_return);
    EXPECT_NEAR(sums.settled_return, plain.settled_return, 1e-12 * plain.settled_return);
    EXPECT_NEAR(sums.all_win_return, plain.all_win_return, 1e-12 * plain.all_win_return);
  }
}

TEST(AnalysisSettlementTest, OneSizeAllPendingIsTheCalculatorsTotalBitForBit) {
  std::mt19937_64 gen(7);
  std::uniform_real_distribution<double> odds_of(1.01, 5.0);
  for (int32_t n : {5, 20, 40, 255}) {
    std::vector<double> odds(n);
    for (double& o : odds) o = odds_of(gen);
    const AnalysisEvents events = Events(odds, {});
    for (int k = 2; k <= 9; ++k) {
      SCOPED_TRACE(testing::Message() << "n=" << n << " k=" << k);
      const SystemSizes sizes{static_cast<uint16_t>(1u << k), 0, ""};
      const SystemBetResult calculator = ComputeSystemBet(odds, n, static_cast<uint8_t>(k), 3.0);
      const Settlement s = Settle(events, sizes, 3.0);
      EXPECT_EQ(s.variants, calculator.variant_count);
      EXPECT_EQ(s.all_win_return, calculator.total_return);
      if (s.variants != 0) {
        EXPECT_EQ(s.all_win_enumerated, calculator.enumerated);
      }
    }
  }
}

TEST(AnalysisSettlementTest, NineOfNineHundredNinetyNineCountsInFull) {
  // 255 rows read, 999 events: the 744 without a row count and add nothing.
  const AnalysisEvents events = Events(std::vector<double>(255, 1.5), {}, 999);
  const SystemSizes nine{1u << 9, 0, ""};
  const Settlement s = Settle(events, nine, 2.5);
  EXPECT_EQ(VariantCountText(s.variants), "2634095604619702128324");
  EXPECT_EQ(s.open_variants, s.variants);
  EXPECT_EQ(TotalStakeText(s.variants, 2.5), "6585239011549255320810.00");
  EXPECT_EQ(TotalStakeText(s.variants, 0.1), "263409560461970212832.40");
  EXPECT_EQ(TotalStakeText(VariantCount{3}, 0.125), "0.38");  // not whole kopecks: the double
  EXPECT_NEAR(s.all_win_return, 2.5 * std::pow(1.5, 9) * static_cast<double>(Choose(255, 9)),
              1e-12 * s.all_win_return);
}

TEST(AnalysisSettlementTest, RefusesUnusableOddsAndStakes) {
  AnalysisEvents events;
  std::string reason;
  const std::vector<double> nan_odds = {2.0, std::nan(""), 1.5};
  EXPECT_FALSE(events.Assign(nan_odds, {}, {}, 3, &reason));
  EXPECT_NE(reason.find("события 2"), std::string::npos);
  const std::vector<double> negative = {2.0, -1.5};
  const std::vector<int32_t> numbers = {4, 7};
  EXPECT_FALSE(events.Assign(negative, {}, numbers, 2, &reason));
  EXPECT_NE(reason.find("события 7"), std::string::npos);
  // Rows past n take no part, whatever they hold.
  EXPECT_TRUE(events.Assign(nan_odds, {}, {}, 1, &reason));
  EXPECT_TRUE(reason.empty());

  const AnalysisEvents fine = Events({2.0, 3.0}, {});
  const SystemSizes two{1u << 2, 0, ""};
  for (double stake : {-1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
    const Settlement s = Settle(fine, two, stake);
    EXPECT_FALSE(s.refused.empty());
    EXPECT_EQ(s.variants, VariantCount{0});
  }
}

}  // namespace
}  // namespace app
