// Settlement of a system by its events' outcomes: how many variants are placed, what they cost,
// what they have returned so far and what they can still return.
#pragma once

#include <cstdint>
#include <string>

#include "app/analysis_events.h"
#include "app/analysis_sizes.h"
#include "app/system_bet.h"

namespace app {

struct Settlement {
  std::string refused;  // why nothing was settled, in words for the user; empty when settled

  VariantCount variants = 0;       // every variant of every size chosen
  VariantCount won_variants = 0;   // settled and paying: all their events won or refunded
  VariantCount lost_variants = 0;  // settled at nothing: one of their events lost
  VariantCount open_variants = 0;  // waiting on a pending event, none lost

  double stake = 0.0;        // per variant
  double total_stake = 0.0;  // variants * stake, rounded once

  double settled_return = 0.0;   // the variants already settled pay this
  double all_win_return = 0.0;   // ... plus the open ones, if every pending event wins
  // If every pending event loses, the open variants pay nothing: the settled return again,
  // kept as a figure of its own since it answers a question of its own.
  double all_lose_return = 0.0;
  bool settled_enumerated = false;  // summed variant by variant (see ReturnOf)
  bool all_win_enumerated = false;

  double SettledProfit() const { return settled_return - total_stake; }
  double AllWinProfit() const { return all_win_return - total_stake; }
  double AllLoseProfit() const { return all_lose_return - total_stake; }
};

// Settles `events` for `sizes` with `stake` per variant. Sizes above n give no variants. A
// stake that is negative, infinite or not a number is refused. Returns are exact (variant by
// variant) where that is cheap, see ReturnOf.
Settlement Settle(const AnalysisEvents& events, const SystemSizes& sizes, double stake,
                  uint64_t exact_limit = kExactCombinationLimit);

// The plain way, for checking and measuring against: every variant of every size in listing
// order, its product recomputed from the events, added to one running double per figure.
// Exponential in the sizes.
Settlement NaiveSettle(const AnalysisEvents& events, const SystemSizes& sizes, double stake);

// Whether a stake can be settled; the reason in words for the user when not, else empty.
std::string StakeRefusal(double stake);

// variants * stake in full with two decimals, exact when the stake is a whole number of
// kopecks (as the stake entry keeps it); otherwise the double product with two decimals.
std::string TotalStakeText(VariantCount variants, double stake);

}  // namespace app
