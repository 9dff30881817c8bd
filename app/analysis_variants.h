// The variants of a system, a page at a time: sizes ascending, each size's combinations in
// lexicographic order, numbered from 1. Any page is built by unranking its first variant and
// stepping to the next, never by listing the variants before it, so a page at the 10^22nd
// variant costs what the first page costs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/analysis_events.h"
#include "app/analysis_sizes.h"
#include "app/system_bet.h"

namespace app {

enum class VariantState : uint8_t {
  kWon,       // every event settled, none lost, at least one won
  kRefunded,  // every event refunded: the stake comes back
  kLost,      // one of its events lost
  kOpen,      // none lost, one or more still pending
};

struct VariantRow {
  VariantCount number = 0;   // from 1, in listing order
  std::string events;        // the events' numbers joined by "+", "1+2+5"
  double odds_product = 0.0; // the events' odds multiplied left to right
  // What it pays: stake times its events' values (won: odds, refunded: 1.00); 0 when lost; for
  // an open variant, what it pays if its pending events win.
  double payout = 0.0;
  VariantState state = VariantState::kOpen;
  int refunded_parts = 0;    // events of the variant refunded
};

// The combination of rank `rank` (from 0) among the C(n, k) combinations of {0..n-1} in
// lexicographic order, into indices[0..k). False when rank >= C(n, k).
bool UnrankCombination(int32_t n, int k, VariantCount rank, int* indices);

// Up to `rows` variants from number `first` (from 1) on; fewer at the end, none past it.
std::vector<VariantRow> VariantPage(const AnalysisEvents& events, const SystemSizes& sizes,
                                    double stake, VariantCount first, int rows = 20);

}  // namespace app
