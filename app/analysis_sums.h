// The return of a system for given per-event values (what each event pays per unit: its odds,
// 1.00, or 0): variant by variant where that is cheap, by the sum of products elsewhere.
#pragma once

#include <cstdint>
#include <span>

#include "app/analysis_sizes.h"

namespace app {

// The elementary symmetric sums e_0..e_9 of the values taken in so far, in extended precision
// with a compensation per sum: e_j += x * e_(j-1) for each value x, e_j downwards. For one size
// it performs the very operations of the calculator's sum of products, so both agree bit for bit.
class SymmetricSums {
 public:
  void Add(double x);
  // stake * (sum of e_k over the sizes), rounded once; never -0.0.
  double Total(const SystemSizes& sizes, double stake) const;

 private:
  long double sum_[kMaxAnalysisSize + 1] = {1.0L};
  long double carry_[kMaxAnalysisSize + 1] = {};
  int taken_ = 0;
};

struct SystemReturn {
  double total = 0.0;
  bool enumerated = false;  // summed variant by variant
};

// The return of every variant of the sizes over events paying `values` per unit (the values
// that are not 0, in event order: a variant with a 0 among its events adds exactly +0.0, so
// leaving those out changes no bit). When the variants of those values number at most
// `exact_limit` they are summed one by one into one running double, sizes ascending, each size
// in lexicographic order, each product left to right and then times the stake: bit for bit the
// plain enumeration. Otherwise stake * the sum of the e_k, within 1e-12 relative of it.
SystemReturn ReturnOf(std::span<const double> values, const SystemSizes& sizes, double stake,
                      uint64_t exact_limit);

}  // namespace app
