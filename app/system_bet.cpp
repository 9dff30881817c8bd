#include "app/system_bet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "runtime/values/picture.h"

namespace app {
namespace {

// "по 1" is n singles: the spin offers 1, and it is a system like any other.
constexpr int kMinSystemSize = 1;
constexpr int kMaxSystemSize = 9;

bool SystemSizeSupported(uint8_t k) { return k >= kMinSystemSize && k <= kMaxSystemSize; }

// Sums stake * o[i1] * ... * o[ik] over every 0 <= i1 < ... < ik < m in lexicographic order.
// The products of the outer indices are kept as prefixes: a prefix is the same left-to-right
// partial product the plain algorithm forms, so every term, and so the running sum, is
// bit for bit the plain one's. Needs 1 <= k <= m.
double EnumeratedTotal(const double* o, int m, int k, double stake) {
  if (k == 1) {
    // A single's product is its one odds value, not a product with a prefix.
    double total = 0.0;
    for (int i = 0; i < m; ++i) {
      const double term = o[i] * stake;
      total += term;
    }
    return total;
  }
  int idx[kMaxSystemSize];
  double prefix[kMaxSystemSize];
  for (int j = 0; j < k; ++j) idx[j] = j;
  prefix[0] = o[0];
  for (int j = 1; j <= k - 2; ++j) prefix[j] = prefix[j - 1] * o[idx[j]];

  double total = 0.0;
  const int last_outer = k - 2;
  for (;;) {
    const double head = prefix[last_outer];
    for (int i = idx[last_outer] + 1; i < m; ++i) {
      // Two statements, so that no compiler fuses the multiply into the add.
      const double term = (head * o[i]) * stake;
      total += term;
    }
    int j = last_outer;
    while (j >= 0 && idx[j] == m - k + j) --j;
    if (j < 0) break;
    ++idx[j];
    prefix[j] = j == 0 ? o[idx[0]] : prefix[j - 1] * o[idx[j]];
    for (int t = j + 1; t <= last_outer; ++t) {
      idx[t] = idx[t - 1] + 1;
      prefix[t] = prefix[t - 1] * o[idx[t]];
    }
  }
  return total;
}

// stake * e_k(o[0..m)), the k-th elementary symmetric sum, by e_j += x * e_(j-1) over the odds.
// Extended precision and a Neumaier compensation per e_j keep it within a few units of the last
// place of the exact sum, far inside what the enumeration itself rounds away.
double SymmetricSumTotal(const double* o, int m, int k, double stake) {
  long double sum[kMaxSystemSize + 1] = {1.0L};
  long double carry[kMaxSystemSize + 1] = {};
  for (int i = 0; i < m; ++i) {
    const long double x = o[i];
    // Downwards, so that e_(j-1) is still the value before this odds value was taken in.
    for (int j = std::min(i + 1, k); j >= 1; --j) {
      const long double term = x * (sum[j - 1] + carry[j - 1]);
      const long double next = sum[j] + term;
      if (std::fabs(sum[j]) >= std::fabs(term)) {
        carry[j] += (sum[j] - next) + term;
      } else {
        carry[j] += (term - next) + sum[j];
      }
      sum[j] = next;
    }
  }
  const long double total = (sum[k] + carry[k]) * static_cast<long double>(stake);
  // The enumeration's running sum starts at +0.0 and so is never -0.0; neither is this.
  return static_cast<double>(total) + 0.0;
}

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
  // them out changes no bit of the enumerated total.
  const VariantCount contributing = m >= k ? CountVariants(m, k) : 0;
  if (contributing <= exact_limit) {
    result.enumerated = true;
    if (contributing > 0) result.total_return = EnumeratedTotal(o, m, k, stake);
  } else {
    result.total_return = SymmetricSumTotal(o, m, k, stake);
  }
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
