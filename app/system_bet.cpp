#include "app/system_bet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "app/analysis_sizes.h"
#include "app/analysis_sums.h"
#include "runtime/values/picture.h"

namespace app {
namespace {

// "по 1" is n singles: the spin offers 1, and it is a system like any other.
constexpr int kMinSystemSize = 1;
constexpr int kMaxSystemSize = 9;

static_assert(kMaxSystemSize <= kMaxAnalysisSize, "every size is one the shared sums take");

bool SystemSizeSupported(uint8_t k) { return k >= kMinSystemSize && k <= kMaxSystemSize; }

}  // namespace

VariantCount CountVariants(int32_t n, uint8_t k) {
  if (!SystemSizeSupported(k) || n <= 0 || k > n) return 0;
  // After step i the value is C(n, i + 1); the division is exact because C(n, i) * (n - i) is
  // (i + 1) * C(n, i + 1). Any n a SHORT holds stays far below 2^128; larger n saturate rather
  // than wrap to a small, plausible-looking count.
  VariantCount count = 1;
  for (int i = 0; i < k; ++i) {
    VariantCount widened;
    if (__builtin_mul_overflow(count, static_cast<VariantCount>(n - i), &widened)) {
      return ~VariantCount{0};
    }
    count = widened / static_cast<VariantCount>(i + 1);
  }
  return count;
}

SystemBetResult ComputeSystemBet(std::span<const double> odds, int32_t n, uint8_t k, double stake,
                                 uint64_t exact_limit) {
  SystemBetResult result;
  result.variant_count = CountVariants(n, k);
  if (result.variant_count == 0) return result;

  const int m = static_cast<int>(std::min<int64_t>(
      {static_cast<int64_t>(n), static_cast<int64_t>(odds.size()), int64_t{kOddsCapacity}}));
  const double* o = odds.data();
  if (!std::isfinite(stake) ||
      !std::all_of(o, o + m, [](double x) { return std::isfinite(x); })) {
    result.total_return = std::numeric_limits<double>::quiet_NaN();
    return result;
  }

  // Variants that reach past the m contributing odds multiply by a 0.0 entry: with finite odds
  // they add +0.0 or -0.0, which leaves a running sum that is not -0.0 unchanged, so leaving
  // them out changes no bit of the enumerated total. One size is a system like the analysis
  // window's, summed by the same code.
  SystemSizes size;
  size.mask = static_cast<uint16_t>(1u << k);
  const SystemReturn summed = ReturnOf(std::span<const double>(o, static_cast<size_t>(m)), size,
                                       stake, exact_limit);
  result.enumerated = summed.enumerated;
  result.total_return = summed.total;
  return result;
}

SystemBetResult NaiveSystemBet(std::span<const double> odds, int32_t n, uint8_t k, double stake) {
  SystemBetResult result;
  if (!SystemSizeSupported(k) || n <= 0 || k > n) return result;
  result.enumerated = true;
  const int64_t read = std::min<int64_t>(static_cast<int64_t>(odds.size()), kOddsCapacity);
  auto entry = [&](int i) { return i <= read ? odds[i - 1] : 0.0; };  // i counts from 1

  int idx[kMaxSystemSize];
  for (int j = 0; j < k; ++j) idx[j] = j + 1;
  for (;;) {
    double product = entry(idx[0]);
    for (int j = 1; j < k; ++j) product = product * entry(idx[j]);
    const double term = product * stake;
    result.total_return += term;
    ++result.variant_count;
    // Next tuple: the j-th index may reach n - (k - 1 - j).
    int j = k - 1;
    while (j >= 0 && idx[j] == n - (k - 1 - j)) --j;
    if (j < 0) break;
    ++idx[j];
    for (int t = j + 1; t < k; ++t) idx[t] = idx[t - 1] + 1;
  }
  return result;
}

std::string VariantCountText(VariantCount count) {
  char digits[40];  // 2^128 - 1 has 39 digits
  int at = sizeof digits;
  do {
    digits[--at] = static_cast<char>('0' + static_cast<int>(count % 10));
    count /= 10;
  } while (count != 0);
  return std::string(digits + at, digits + sizeof digits);
}

std::string TotalReturnText(double total) {
  // No width: the picture then shows as many digits as the value has.
  static const std::optional<rt::Picture> kFull = rt::Picture::Parse("n_.2");
  std::string text = kFull->Format(total);
  return text.find('#') == std::string::npos ? text : std::string();
}

}  // namespace app
