#include "app/analysis_needs.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "app/analysis_sums.h"

namespace app {
namespace {

// Money is compared as it is shown, in whole kopecks, so that a return shown equal to the
// stake counts as the stake back.
bool StakeBack(double ret, double total_stake) {
  return std::round(ret * 100.0) >= std::round(total_stake * 100.0);
}

int32_t FirstBack(const std::vector<double>& returns, double total_stake) {
  for (size_t j = 0; j < returns.size(); ++j) {
    if (StakeBack(returns[j], total_stake)) return static_cast<int32_t>(j);
  }
  return -1;
}

// "выигравшем" after 1, 21, 31, ... (but not 11), "выигравших" after every other number.
std::string Winners(int32_t count) {
  const bool one = count % 10 == 1 && count % 100 != 11;
  return std::to_string(count) + (one ? " выигравшем" : " выигравших");
}

}  // namespace

int32_t NeedsTable::BestCaseWinners() const { return FirstBack(max_return, total_stake); }
int32_t NeedsTable::WorstCaseWinners() const { return FirstBack(min_return, total_stake); }

NeedsTable ComputeNeeds(const AnalysisEvents& events, const SystemSizes& sizes,
                        const Settlement& settled) {
  NeedsTable needs;
  if (!settled.refused.empty()) return needs;
  needs.variants = settled.variants;
  needs.total_stake = settled.total_stake;
  needs.pending = events.Pending();
  needs.events = events.Count();

  SymmetricSums fixed;
  std::vector<double> pending_odds;
  pending_odds.reserve(static_cast<size_t>(needs.pending));
  for (int32_t i = 0; i < events.Rows(); ++i) {
    if (events.OutcomeOf(i) == Outcome::kPending) {
      pending_odds.push_back(events.Odds(i));
    } else if (events.SettledValue(i) != 0.0) {
      fixed.Add(events.SettledValue(i));
    }
  }
  // Events without a row are pending with odds 0.0: as winners they add nothing, so they are
  // the last to help at best and the first to be spent at worst.
  const size_t with_odds = pending_odds.size();
  std::sort(pending_odds.begin(), pending_odds.end(), std::greater<double>());

  const size_t entries = static_cast<size_t>(needs.pending) + 1;
  needs.max_return.resize(entries);
  needs.min_return.resize(entries);
  SymmetricSums best = fixed;
  for (size_t j = 1; j < entries; ++j) {
    if (j <= with_odds) best.Add(pending_odds[j - 1]);
    needs.max_return[j] = best.Total(sizes, settled.stake);
  }
  SymmetricSums worst = fixed;
  const size_t without_odds = entries - 1 - with_odds;
  for (size_t j = 1; j < entries; ++j) {
    if (j > without_odds) worst.Add(pending_odds[with_odds - (j - without_odds)]);
    needs.min_return[j] = worst.Total(sizes, settled.stake);
  }
  needs.min_return.front() = needs.max_return.front() = settled.all_lose_return;
  needs.min_return.back() = needs.max_return.back() = settled.all_win_return;
  return needs;
}

NeedsTable BruteForceNeeds(const AnalysisEvents& events, const SystemSizes& sizes, double stake) {
  NeedsTable needs;
  if (!StakeRefusal(stake).empty()) return needs;
  const int32_t n = events.Count();
  std::vector<double> odds(static_cast<size_t>(n));
  std::vector<Outcome> outcomes(static_cast<size_t>(n));
  std::vector<int32_t> pending;
  for (int32_t i = 0; i < n; ++i) {
    odds[i] = events.Odds(i);
    outcomes[i] = events.OutcomeOf(i);
    if (outcomes[i] == Outcome::kPending) pending.push_back(i);
  }
  const size_t p = pending.size();
  needs.pending = static_cast<int32_t>(p);
  needs.events = n;
  needs.min_return.assign(p + 1, INFINITY);
  needs.max_return.assign(p + 1, -INFINITY);
  for (uint64_t subset = 0; subset < (uint64_t{1} << p); ++subset) {
    for (size_t b = 0; b < p; ++b) {
      outcomes[pending[b]] = (subset >> b & 1) ? Outcome::kWon : Outcome::kLost;
    }
    AnalysisEvents scenario;
    std::string reason;
    scenario.Assign(odds, outcomes, {}, n, &reason);
    const Settlement s = NaiveSettle(scenario, sizes, stake);
    const int j = __builtin_popcountll(subset);
    needs.min_return[j] = std::min(needs.min_return[j], s.settled_return);
    needs.max_return[j] = std::max(needs.max_return[j], s.settled_return);
    needs.variants = s.variants;
    needs.total_stake = s.total_stake;
  }
  return needs;
}

std::string StakeBackSentence(const NeedsTable& needs) {
  if (needs.max_return.empty()) return {};
  if (needs.variants == 0) return "Нет ни одного варианта: событий меньше, чем размер системы.";
  if (needs.total_stake == 0.0) return "Ставка равна 0: возвращать нечего.";
  const int32_t best = needs.BestCaseWinners();
  const int32_t worst = needs.WorstCaseWinners();
  if (needs.pending == 0) {
    return best == 0 ? "Все события рассчитаны: ставка вернулась."
                     : "Все события рассчитаны: ставка не вернулась.";
  }
  if (worst == 0) return "Ставка уже вернулась, как бы ни сыграли остальные события.";
  // "из 1 нерассчитанного", "из 21 нерассчитанного", "из 5 нерассчитанных".
  const bool one = needs.pending % 10 == 1 && needs.pending % 100 != 11;
  const std::string of = " из " + std::to_string(needs.pending) +
                         (needs.pending == needs.events ? ""
                          : one                         ? " нерассчитанного"
                                                        : " нерассчитанных");
  if (best < 0) {
    if (needs.pending == 1) {
      return needs.events == 1 ? "Ставка не возвращается, даже если событие выиграет."
                               : "Ставка не возвращается, даже если выиграет нерассчитанное событие.";
    }
    return needs.pending == needs.events
               ? "Ставка не возвращается, даже если выиграют все события."
               : "Ставка не возвращается, даже если выиграют все нерассчитанные события.";
  }
  if (best == worst) {
    return "Ставка возвращается при " + Winners(best) + of + " — и в лучшем, и в худшем случае.";
  }
  return "Ставка возвращается при " + Winners(best) + of + " в лучшем случае и при " +
         std::to_string(worst) + " — в худшем.";
}

}  // namespace app
