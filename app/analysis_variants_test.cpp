#include "app/analysis_variants.h"

#include <gtest/gtest.h>

#include <vector>

namespace app {
namespace {

using O = Outcome;

// Every combination of {0..n-1} of size k in lexicographic order, by recursion: a reference
// that shares nothing with the unranking.
void Combinations(int n, int k, std::vector<int>& prefix, std::vector<std::vector<int>>& out) {
  if (static_cast<int>(prefix.size()) == k) {
    out.push_back(prefix);
    return;
  }
  for (int x = prefix.empty() ? 0 : prefix.back() + 1; x < n; ++x) {
    prefix.push_back(x);
    Combinations(n, k, prefix, out);
    prefix.pop_back();
  }
}

std::vector<int> Unranked(int32_t n, int k, VariantCount rank) {
  std::vector<int> indices(static_cast<size_t>(k));
  if (!UnrankCombination(n, k, rank, indices.data())) return {};
  return indices;
}

TEST(AnalysisVariantsTest, UnrankingMatchesEnumerationForSmallN) {
  for (int n = 1; n <= 13; ++n) {
    for (int k = 1; k <= std::min(n, kMaxAnalysisSize); ++k) {
      std::vector<std::vector<int>> all;
      std::vector<int> prefix;
      Combinations(n, k, prefix, all);
      ASSERT_EQ(VariantCount(all.size()), Choose(n, k));
      for (size_t r = 0; r < all.size(); ++r) {
        ASSERT_EQ(Unranked(n, k, r), all[r]) << "n=" << n << " k=" << k << " rank=" << r;
      }
      EXPECT_TRUE(Unranked(n, k, all.size()).empty()) << "n=" << n << " k=" << k;
    }
  }
}

TEST(AnalysisVariantsTest, UnrankingReachesBothEndsOfNineOfNineHundredNinetyNine) {
  const VariantCount count = Choose(999, 9);
  EXPECT_EQ(Unranked(999, 9, 0), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Unranked(999, 9, 1), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 9}));
  EXPECT_EQ(Unranked(999, 9, 990), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 998}));
  EXPECT_EQ(Unranked(999, 9, 991), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 8, 9}));
  EXPECT_EQ(Unranked(999, 9, count - 1), (std::vector<int>{990, 991, 992, 993, 994, 995, 996, 997, 998}));
  EXPECT_EQ(Unranked(999, 9, count - 2), (std::vector<int>{989, 991, 992, 993, 994, 995, 996, 997, 998}));
  EXPECT_EQ(Unranked(999, 9, count - 10), (std::vector<int>{989, 990, 991, 992, 993, 994, 995, 996, 997}));
  EXPECT_TRUE(Unranked(999, 9, count).empty());
  EXPECT_TRUE(Unranked(999, 9, ~VariantCount{0}).empty());
}

AnalysisEvents Events(const std::vector<double>& odds, const std::vector<Outcome>& outcomes,
                      int32_t n, const std::vector<int32_t>& numbers = {}) {
  AnalysisEvents events;
  std::string reason;
  EXPECT_TRUE(events.Assign(odds, outcomes, numbers, n, &reason)) << reason;
  return events;
}

TEST(AnalysisVariantsTest, PagesRunThroughSizesInOrderWithStatesAndPayouts) {
  // A Yankee: doubles, then trebles, then the four-fold; event 3 refunded, event 4 lost,
  // event 2 pending.
  const AnalysisEvents events =
      Events({2.0, 3.0, 1.5, 4.0}, {O::kWon, O::kPending, O::kRefund, O::kLost}, 4, {1, 2, 5, 8});
  const SystemSizes yankee = ParseSystemSizes("Yankee").sizes;
  const std::vector<VariantRow> page = VariantPage(events, yankee, 10.0, 1, 20);
  ASSERT_EQ(page.size(), 11u);
  struct Expected {
    const char* events;
    double product;
    double payout;
    VariantState state;
    int refunded;
  };
  const Expected expected[] = {
      {"1+2", 6.0, 60.0, VariantState::kOpen, 0},    {"1+5", 3.0, 20.0, VariantState::kWon, 1},
      {"1+8", 8.0, 0.0, VariantState::kLost, 0},     {"2+5", 4.5, 30.0, VariantState::kOpen, 1},
      {"2+8", 12.0, 0.0, VariantState::kLost, 0},    {"5+8", 6.0, 0.0, VariantState::kLost, 1},
      {"1+2+5", 9.0, 60.0, VariantState::kOpen, 1},  {"1+2+8", 24.0, 0.0, VariantState::kLost, 0},
      {"1+5+8", 12.0, 0.0, VariantState::kLost, 1},  {"2+5+8", 18.0, 0.0, VariantState::kLost, 1},
      {"1+2+5+8", 36.0, 0.0, VariantState::kLost, 1},
  };
  for (size_t i = 0; i < page.size(); ++i) {
    SCOPED_TRACE(expected[i].events);
    EXPECT_EQ(page[i].number, VariantCount(i + 1));
    EXPECT_EQ(page[i].events, expected[i].events);
    EXPECT_EQ(page[i].odds_product, expected[i].product);
    EXPECT_EQ(page[i].payout, expected[i].payout);
    EXPECT_EQ(page[i].state, expected[i].state);
    EXPECT_EQ(page[i].refunded_parts, expected[i].refunded);
  }
  // A page from the middle crosses from the doubles into the trebles.
  const std::vector<VariantRow> middle = VariantPage(events, yankee, 10.0, 5, 3);
  ASSERT_EQ(middle.size(), 3u);
  EXPECT_EQ(middle[0].events, "2+8");
  EXPECT_EQ(middle[2].events, "1+2+5");
  EXPECT_EQ(middle[2].number, VariantCount{7});
  EXPECT_TRUE(VariantPage(events, yankee, 10.0, 12, 20).empty());
  EXPECT_TRUE(VariantPage(events, yankee, 10.0, 0, 20).empty());

  const AnalysisEvents refunded =
      Events({2.0, 3.0}, {O::kRefund, O::kRefund}, 2);
  const std::vector<VariantRow> back = VariantPage(refunded, ParseSystemSizes("2").sizes, 5.0, 1);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].state, VariantState::kRefunded);
  EXPECT_EQ(back[0].payout, 5.0);
}

TEST(AnalysisVariantsTest, PagesAtTheEndsOfNineOfNineHundredNinetyNine) {
  const AnalysisEvents events = Events(std::vector<double>(255, 1.5), {}, 999);
  const SystemSizes nine = ParseSystemSizes("9").sizes;
  const VariantCount count = Choose(999, 9);

  const std::vector<VariantRow> first = VariantPage(events, nine, 1.0, 1);
  ASSERT_EQ(first.size(), 20u);
  EXPECT_EQ(first[0].events, "1+2+3+4+5+6+7+8+9");
  EXPECT_EQ(first[19].events, "1+2+3+4+5+6+7+8+28");
  EXPECT_EQ(first[0].odds_product, 1.5 * 1.5 * 1.5 * 1.5 * 1.5 * 1.5 * 1.5 * 1.5 * 1.5);
  EXPECT_EQ(first[19].odds_product, first[0].odds_product);
  EXPECT_EQ(first[19].state, VariantState::kOpen);

  const std::vector<VariantRow> last = VariantPage(events, nine, 1.0, count - 19);
  ASSERT_EQ(last.size(), 20u);
  EXPECT_EQ(last[19].number, count);
  EXPECT_EQ(last[19].events, "991+992+993+994+995+996+997+998+999");
  EXPECT_EQ(last[19].odds_product, 0.0);  // events past the 255 rows have no odds
  EXPECT_EQ(last[18].events, "990+992+993+994+995+996+997+998+999");
  EXPECT_EQ(VariantPage(events, nine, 1.0, count - 4).size(), 5u);
}

}  // namespace
}  // namespace app
