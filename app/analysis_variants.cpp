#include "app/analysis_variants.h"

namespace app {
namespace {

// The next combination of {0..n-1} of size k in lexicographic order; false after the last.
bool NextCombination(int32_t n, int k, int* idx) {
  int j = k - 1;
  while (j >= 0 && idx[j] == n - k + j) --j;
  if (j < 0) return false;
  ++idx[j];
  for (int t = j + 1; t < k; ++t) idx[t] = idx[t - 1] + 1;
  return true;
}

VariantRow Row(const AnalysisEvents& events, double stake, VariantCount number, int k,
               const int* idx) {
  VariantRow row;
  row.number = number;
  double product = 1.0, value = 1.0;
  bool lost = false, pending = false;
  for (int j = 0; j < k; ++j) {
    const int32_t i = idx[j];
    if (j > 0) row.events += '+';
    row.events += std::to_string(events.Number(i));
    const double odds = events.Odds(i);
    product = j == 0 ? odds : product * odds;
    switch (events.OutcomeOf(i)) {
      case Outcome::kWon: value *= odds; break;
      case Outcome::kPending: value *= odds; pending = true; break;
      case Outcome::kRefund: ++row.refunded_parts; break;
      case Outcome::kLost: lost = true; break;
    }
  }
  row.odds_product = product;
  row.payout = lost ? 0.0 : value * stake;
  row.state = lost ? VariantState::kLost
              : pending ? VariantState::kOpen
              : row.refunded_parts == k ? VariantState::kRefunded
                                        : VariantState::kWon;
  return row;
}

}  // namespace

bool UnrankCombination(int32_t n, int k, VariantCount rank, int* indices) {
  if (k < 0 || k > n) return false;
  // `block` is C(n - x - 1, k - j - 1): the combinations whose j-th index is x, given the
  // earlier ones. Stepping x up shrinks it by C(m - 1, t) = C(m, t) * (m - t) / m, exactly, so
  // each index costs one multiplication and one division per value passed over.
  int x = 0;
  for (int j = 0; j < k; ++j) {
    const int t = k - j - 1;
    int32_t m = n - x - 1;
    VariantCount block = Choose(m, t);
    while (rank >= block) {
      rank -= block;
      if (m <= t) return false;  // rank past the last combination
      block = block * static_cast<VariantCount>(m - t) / static_cast<VariantCount>(m);
      --m;
      ++x;
    }
    indices[j] = x++;
  }
  return rank == 0;
}

std::vector<VariantRow> VariantPage(const AnalysisEvents& events, const SystemSizes& sizes,
                                    double stake, VariantCount first, int rows) {
  std::vector<VariantRow> page;
  if (first == 0 || rows <= 0) return page;
  const int32_t n = events.Count();
  const std::vector<int> ks = sizes.Ascending();
  // Find the size the first variant belongs to, and its rank inside that size.
  VariantCount rank = first - 1;
  size_t s = 0;
  while (s < ks.size() && rank >= Choose(n, ks[s])) rank -= Choose(n, ks[s++]);
  if (s == ks.size()) return page;

  int idx[kMaxAnalysisSize];
  if (!UnrankCombination(n, ks[s], rank, idx)) return page;
  page.reserve(static_cast<size_t>(rows));
  VariantCount number = first;
  for (;;) {
    page.push_back(Row(events, stake, number++, ks[s], idx));
    if (static_cast<int>(page.size()) == rows) break;
    if (!NextCombination(n, ks[s], idx)) {
      // On to the first combination of the next size that has any.
      do ++s; while (s < ks.size() && ks[s] > n);
      if (s == ks.size()) break;
      for (int j = 0; j < ks[s]; ++j) idx[j] = j;
    }
  }
  return page;
}

}  // namespace app
