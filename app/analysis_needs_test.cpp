#include "app/analysis_needs.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace app {
namespace {

using O = Outcome;

AnalysisEvents Events(const std::vector<double>& odds, const std::vector<Outcome>& outcomes,
                      int32_t n) {
  AnalysisEvents events;
  std::string reason;
  EXPECT_TRUE(events.Assign(odds, outcomes, {}, n, &reason)) << reason;
  return events;
}

NeedsTable Needs(const AnalysisEvents& events, const SystemSizes& sizes, double stake) {
  return ComputeNeeds(events, sizes, Settle(events, sizes, stake));
}

TEST(AnalysisNeedsTest, MinAndMaxForEveryNumberOfWinnersMatchBruteForceOverAllSubsets) {
  std::mt19937_64 gen(1208);
  std::uniform_real_distribution<double> odds_of(1.01, 8.0);
  std::uniform_int_distribution<int> outcome_of(0, 5), rows_of(1, 10), extra_of(0, 2);
  std::uniform_int_distribution<int> mask_of(1, 511);
  for (int round = 0; round < 120; ++round) {
    const int rows = rows_of(gen);
    std::vector<double> odds(rows);
    std::vector<Outcome> outcomes(rows);
    for (int i = 0; i < rows; ++i) {
      odds[i] = odds_of(gen);
      const int o = outcome_of(gen);  // pending more often than the rest
      outcomes[i] = o > 3 ? O::kPending : static_cast<Outcome>(o);
    }
    if (round % 4 == 0) odds[rows / 2] = odds[0];  // equal odds on both sides of a choice
    const int32_t n = rows + extra_of(gen);
    const SystemSizes sizes{static_cast<uint16_t>(mask_of(gen) << 1), 0, ""};
    const AnalysisEvents events = Events(odds, outcomes, n);
    const NeedsTable fast = Needs(events, sizes, 1.5);
    const NeedsTable brute = BruteForceNeeds(events, sizes, 1.5);
    SCOPED_TRACE(testing::Message() << "round " << round << " n=" << n);
    ASSERT_EQ(fast.pending, brute.pending);
    ASSERT_EQ(fast.max_return.size(), static_cast<size_t>(brute.pending) + 1);
    EXPECT_EQ(fast.total_stake, brute.total_stake);
    for (size_t j = 0; j < fast.max_return.size(); ++j) {
      EXPECT_NEAR(fast.max_return[j], brute.max_return[j], 1e-12 * brute.max_return[j]) << j;
      EXPECT_NEAR(fast.min_return[j], brute.min_return[j], 1e-12 * brute.min_return[j]) << j;
    }
    EXPECT_EQ(fast.BestCaseWinners(), brute.BestCaseWinners());
    EXPECT_EQ(fast.WorstCaseWinners(), brute.WorstCaseWinners());
  }
}

TEST(AnalysisNeedsTest, EndsAreTheSettlementsOwnFigures) {
  std::vector<double> odds(40);
  for (int i = 0; i < 40; ++i) odds[i] = 1.1 + 0.07 * i;
  const SystemSizes sizes = ParseSystemSizes("2-5").sizes;
  const AnalysisEvents events = Events(odds, {O::kWon, O::kRefund}, 60);
  const Settlement s = Settle(events, sizes, 2.0);
  const NeedsTable needs = ComputeNeeds(events, sizes, s);
  ASSERT_EQ(needs.pending, 58);
  EXPECT_EQ(needs.min_return.front(), s.all_lose_return);
  EXPECT_EQ(needs.max_return.front(), s.all_lose_return);
  EXPECT_EQ(needs.min_return.back(), s.all_win_return);
  EXPECT_EQ(needs.max_return.back(), s.all_win_return);
  // Twenty events without a row are spent first at worst: they bring nothing.
  for (int j = 0; j <= 20; ++j) EXPECT_EQ(needs.min_return[j], s.all_lose_return) << j;
  EXPECT_GT(needs.min_return[21], s.all_lose_return);
}

TEST(AnalysisNeedsTest, SentenceSaysHowManyMustWinAtBestAndAtWorst) {
  struct Case {
    std::vector<double> odds;
    std::vector<Outcome> outcomes;
    const char* sizes;
    double stake;
    const char* sentence;
  };
  const Case cases[] = {
      // "2 из 5": 10 bets; at best two winners at 4.00 and 3.50 give 14.00 >= 10; at worst three
      // of the lowest give 1.2*1.3 + 1.2*1.5 + 1.3*1.5 = 5.31, four give 19.31.
      {{1.2, 1.3, 1.5, 3.5, 4.0}, {}, "2", 1.0,
       "Ставка возвращается при 2 выигравших из 5 в лучшем случае и при 4 — в худшем."},
      // Equal odds: best and worst coincide.
      {{2.0, 2.0, 2.0, 2.0}, {}, "Yankee", 1.0,
       "Ставка возвращается при 3 выигравших из 4 — и в лучшем, и в худшем случае."},
      // One settled winner leaves three: "из 3 нерассчитанных".
      {{2.0, 3.0, 2.5, 5.0}, {O::kWon}, "2", 1.0,
       "Ставка возвращается при 1 выигравшем из 3 нерассчитанных в лучшем случае и при 2 — в худшем."},
      {{2.0, 3.0, 1.5, 4.0}, {O::kWon, O::kWon, O::kLost}, "Yankee", 10.0,
       "Ставка возвращается при 1 выигравшем из 1 нерассчитанного — и в лучшем, и в худшем случае."},
      // Two losers out of a Yankee at low odds: even both others winning cannot pay 11 bets.
      {{1.5, 1.5, 1.5, 1.5}, {O::kLost, O::kLost}, "Yankee", 1.0,
       "Ставка не возвращается, даже если выиграют все нерассчитанные события."},
      {{1.5, 1.5, 1.5, 1.5}, {O::kLost, O::kLost, O::kLost}, "Yankee", 1.0,
       "Ставка не возвращается, даже если выиграет нерассчитанное событие."},
      // Settled winners already pay more than the stake.
      {{9.0, 9.0, 1.5}, {O::kWon, O::kWon}, "Trixie", 1.0,
       "Ставка уже вернулась, как бы ни сыграли остальные события."},
      {{2.0, 3.0, 4.0}, {O::kRefund, O::kRefund, O::kRefund}, "Trixie", 5.0,
       "Все события рассчитаны: ставка вернулась."},
      {{2.0, 3.0, 4.0}, {O::kWon, O::kLost, O::kRefund}, "Trixie", 5.0,
       "Все события рассчитаны: ставка не вернулась."},
      {{2.0, 3.0}, {}, "3", 5.0, "Нет ни одного варианта: событий меньше, чем размер системы."},
      {{2.0, 3.0}, {}, "2", 0.0, "Ставка равна 0: возвращать нечего."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sentence);
    const SizesText sizes = ParseSystemSizes(c.sizes);
    ASSERT_TRUE(sizes.ok);
    const AnalysisEvents events = Events(c.odds, c.outcomes, static_cast<int32_t>(c.odds.size()));
    EXPECT_EQ(StakeBackSentence(Needs(events, sizes.sizes, c.stake)), c.sentence);
  }
}

TEST(AnalysisNeedsTest, ReturnShownEqualToTheStakeCountsAsTheStakeBack) {
  // Ten refunded singles at 0.01: the running sum is 0.09999999999999999, the total stake 0.1;
  // in kopecks, as both are shown, the stake is back to the last kopeck.
  const AnalysisEvents events = Events(std::vector<double>(10, 3.0),
                                       std::vector<Outcome>(10, O::kRefund), 10);
  const NeedsTable needs = Needs(events, ParseSystemSizes("1").sizes, 0.01);
  ASSERT_LT(needs.max_return[0], needs.total_stake);
  EXPECT_EQ(needs.BestCaseWinners(), 0);
  EXPECT_EQ(StakeBackSentence(needs), "Все события рассчитаны: ставка вернулась.");
}

}  // namespace
}  // namespace app
