#include "app/analysis_sums.h"

#include <algorithm>
#include <cmath>

namespace app {
namespace {

// Adds stake * o[i1] * ... * o[ik] over 0 <= i1 < ... < ik < m in lexicographic order to
// *total. Prefix products of the outer indices are the plain algorithm's own left-to-right
// partial products, so every term is bit for bit the plain one.
void AddEnumerated(const double* o, int m, int k, double stake, double* total) {
  if (k > m) return;
  if (k == 1) {
    for (int i = 0; i < m; ++i) {
      const double term = o[i] * stake;
      *total += term;
    }
    return;
  }
  int idx[kMaxAnalysisSize];
  double prefix[kMaxAnalysisSize];
  for (int j = 0; j < k; ++j) idx[j] = j;
  prefix[0] = o[0];
  for (int j = 1; j <= k - 2; ++j) prefix[j] = prefix[j - 1] * o[idx[j]];
  const int last_outer = k - 2;
  for (;;) {
    const double head = prefix[last_outer];
    for (int i = idx[last_outer] + 1; i < m; ++i) {
      // Two statements, so that no compiler fuses the multiply into the add.
      const double term = (head * o[i]) * stake;
      *total += term;
    }
    int j = last_outer;
    while (j >= 0 && idx[j] == m - k + j) --j;
    if (j < 0) return;
    ++idx[j];
    prefix[j] = j == 0 ? o[idx[0]] : prefix[j - 1] * o[idx[j]];
    for (int t = j + 1; t <= last_outer; ++t) {
      idx[t] = idx[t - 1] + 1;
      prefix[t] = prefix[t - 1] * o[idx[t]];
    }
  }
}

}  // namespace

void SymmetricSums::Add(double x) {
  const long double value = x;
  for (int j = std::min(taken_ + 1, kMaxAnalysisSize); j >= 1; --j) {
    const long double term = value * (sum_[j - 1] + carry_[j - 1]);
    const long double next = sum_[j] + term;
    if (std::fabs(sum_[j]) >= std::fabs(term)) {
      carry_[j] += (sum_[j] - next) + term;
    } else {
      carry_[j] += (term - next) + sum_[j];
    }
    sum_[j] = next;
  }
  ++taken_;
}

double SymmetricSums::Total(const SystemSizes& sizes, double stake) const {
  long double sum = 0.0L;
  bool first = true;
  for (int k = kMinAnalysisSize; k <= kMaxAnalysisSize; ++k) {
    if (!sizes.Has(k)) continue;
    // One size alone is taken as it is, the calculator's own expression.
    sum = first ? sum_[k] + carry_[k] : sum + (sum_[k] + carry_[k]);
    first = false;
  }
  return static_cast<double>(sum * static_cast<long double>(stake)) + 0.0;
}

SystemReturn ReturnOf(std::span<const double> values, const SystemSizes& sizes, double stake,
                      uint64_t exact_limit) {
  const int m = static_cast<int>(values.size());
  VariantCount variants = 0;
  for (int k : sizes.Ascending()) variants += Choose(m, k);
  SystemReturn result;
  if (variants <= exact_limit) {
    result.enumerated = true;
    for (int k : sizes.Ascending()) AddEnumerated(values.data(), m, k, stake, &result.total);
    return result;
  }
  SymmetricSums sums;
  for (double x : values) sums.Add(x);
  result.total = sums.Total(sizes, stake);
  return result;
}

}  // namespace app
