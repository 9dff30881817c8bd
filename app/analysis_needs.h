// What a system needs to pay: for every number j of pending events that win (the rest lose),
// the smallest and the largest return, and the sentence that says how many must win to get the
// stake back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/analysis_events.h"
#include "app/analysis_settlement.h"
#include "app/analysis_sizes.h"

namespace app {

struct NeedsTable {
  // Entry j (0..pending): the return if exactly j pending events win. With odds >= 0 every e_k
  // grows with each odds, so the largest is when the j highest odds win and the smallest when
  // the j lowest do: both exact, not estimates. Entry 0 and the last are the settlement's own
  // "every pending loses" and "every pending wins" figures, so the two never disagree.
  std::vector<double> min_return;
  std::vector<double> max_return;
  VariantCount variants = 0;
  double total_stake = 0.0;
  int32_t pending = 0;
  int32_t events = 0;

  // The fewest winners among the pending events that bring the stake back (a return, in kopecks
  // as shown, not below the total stake), at best and at worst; -1 when no number does.
  int32_t BestCaseWinners() const;
  int32_t WorstCaseWinners() const;
};

// The table for a settlement `settled` of the same events, sizes and stake (Settle's result).
// Empty when the settlement was refused.
NeedsTable ComputeNeeds(const AnalysisEvents& events, const SystemSizes& sizes,
                        const Settlement& settled);

// The table the plain way: every subset of the pending events, every variant of each, for
// checking. Exponential in the pending events; only for small n.
NeedsTable BruteForceNeeds(const AnalysisEvents& events, const SystemSizes& sizes, double stake);

// The table said in words, for example "Ставка возвращается при 3 выигравших из 5 в лучшем
// случае и при 4 — в худшем".
std::string StakeBackSentence(const NeedsTable& needs);

}  // namespace app
