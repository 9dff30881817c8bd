#include "app/analysis_settlement.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "app/analysis_sums.h"

namespace app {
namespace {

// The variant counts and the total stake, shared by both ways of settling.
Settlement Counted(const AnalysisEvents& events, const SystemSizes& sizes, double stake) {
  Settlement s;
  s.refused = StakeRefusal(stake);
  if (!s.refused.empty()) return s;
  const int32_t n = events.Count();
  const int32_t not_lost = n - events.Lost();
  const int32_t settled_paying = not_lost - events.Pending();
  for (int k : sizes.Ascending()) {
    s.variants += Choose(n, k);
    s.won_variants += Choose(settled_paying, k);
    s.open_variants += Choose(not_lost, k) - Choose(settled_paying, k);
  }
  s.lost_variants = s.variants - s.won_variants - s.open_variants;
  s.stake = stake;
  s.total_stake = static_cast<double>(static_cast<long double>(s.variants) * stake);
  return s;
}

}  // namespace

std::string StakeRefusal(double stake) {
  if (!std::isfinite(stake) || stake < 0.0) return "Ставка на вариант должна быть числом не меньше 0";
  return {};
}

Settlement Settle(const AnalysisEvents& events, const SystemSizes& sizes, double stake,
                  uint64_t exact_limit) {
  Settlement s = Counted(events, sizes, stake);
  if (!s.refused.empty()) return s;
  std::vector<double> settled, all_win;
  for (int32_t i = 0; i < events.Rows(); ++i) {
    const double value = events.SettledValue(i);
    if (value != 0.0) settled.push_back(value);
    const double winning = events.OutcomeOf(i) == Outcome::kPending ? events.Odds(i) : value;
    if (winning != 0.0) all_win.push_back(winning);
  }
  const SystemReturn settled_return = ReturnOf(settled, sizes, stake, exact_limit);
  const SystemReturn all_win_return = ReturnOf(all_win, sizes, stake, exact_limit);
  s.settled_return = s.all_lose_return = settled_return.total;
  s.settled_enumerated = settled_return.enumerated;
  s.all_win_return = all_win_return.total;
  s.all_win_enumerated = all_win_return.enumerated;
  return s;
}

Settlement NaiveSettle(const AnalysisEvents& events, const SystemSizes& sizes, double stake) {
  Settlement s = Counted(events, sizes, stake);
  if (!s.refused.empty()) return s;
  s.settled_enumerated = s.all_win_enumerated = true;
  const int32_t n = events.Count();
  auto winning = [&](int32_t i) {
    return events.OutcomeOf(i) == Outcome::kPending ? events.Odds(i) : events.SettledValue(i);
  };
  for (int k : sizes.Ascending()) {
    if (k > n) continue;
    int idx[kMaxAnalysisSize];
    for (int j = 0; j < k; ++j) idx[j] = j;
    for (;;) {
      double settled = events.SettledValue(idx[0]);
      double all_win = winning(idx[0]);
      for (int j = 1; j < k; ++j) {
        settled = settled * events.SettledValue(idx[j]);
        all_win = all_win * winning(idx[j]);
      }
      const double settled_term = settled * stake;
      const double all_win_term = all_win * stake;
      s.settled_return += settled_term;
      s.all_win_return += all_win_term;
      int j = k - 1;
      while (j >= 0 && idx[j] == n - k + j) --j;
      if (j < 0) break;
      ++idx[j];
      for (int t = j + 1; t < k; ++t) idx[t] = idx[t - 1] + 1;
    }
  }
  s.all_lose_return = s.settled_return;
  return s;
}

std::string TotalStakeText(VariantCount variants, double stake) {
  const double cents = std::round(stake * 100.0);
  // Whole kopecks: the stake is the double nearest to cents / 100, as the entry stores it.
  if (std::isfinite(stake) && stake >= 0.0 && cents < 1e15 && cents / 100.0 == stake) {
    const VariantCount whole = variants * static_cast<VariantCount>(cents);
    // variants < 2^121 and cents < 2^50 would overflow only far past any SHORT n: guard anyway.
    if (cents == 0.0 || whole / static_cast<VariantCount>(cents) == variants) {
      std::string digits = VariantCountText(whole / 100);
      char fraction[4];
      std::snprintf(fraction, sizeof fraction, ".%02d", static_cast<int>(whole % 100));
      return digits + fraction;
    }
  }
  char text[400];
  std::snprintf(text, sizeof text, "%.2f",
                static_cast<double>(static_cast<long double>(variants) * stake));
  return text;
}

}  // namespace app
