// The system-bet computation behind "Расчет": how many variants a "k out of n" system has and
// what they return in total, from the odds read from the odds table. Pure functions, no state.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace app {

// C(n, k) for n up to 32767 and k up to 9 needs up to 117 bits; C(999, 9) alone needs 72.
using VariantCount = unsigned __int128;

// The odds array of the calculator window holds this many entries: rows read past it are
// dropped, so they never add to a total even when n reaches beyond them.
inline constexpr int kOddsCapacity = 500;

// Up to this many combinations of the contributing odds are enumerated one by one, which gives
// the very running sum a variant-by-variant enumeration gives; above it the sum of products is
// used. Enumerating this many takes a few tenths of a millisecond.
inline constexpr uint64_t kExactCombinationLimit = 200'000;

struct SystemBetResult {
  VariantCount variant_count = 0;
  double total_return = 0.0;
  // True when the total was summed variant by variant (bit for bit the naive running sum).
  bool enumerated = false;
};

// The system bet "k out of n" over `odds` (the rows read, in key order, any number of them),
// each variant staked with `stake`. n is the window's SHORT sign-extended, k its BYTE.
//  - k outside 1..9, n <= 0 or k > n: no variants, total 0.0. k = 1 is n singles.
//  - The count is C(n, k), exact. Variants that use an event past the rows read (or past
//    kOddsCapacity) are counted and add exactly 0.
//  - Only the first m = min(n, rows, kOddsCapacity) odds contribute. When their C(m, k)
//    combinations number at most `exact_limit`, they are enumerated in lexicographic order,
//    each product taken left to right, times the stake, added to a running double: the result
//    equals NaiveSystemBet bit for bit for finite odds and stake. Otherwise the total is the
//    k-th elementary symmetric sum of the m odds (O(m*k), extended precision, compensated)
//    times the stake, within 1e-12 relative of the enumeration for non-negative odds.
//  - An odds value among the m, or a stake, that is infinite or NaN makes the total NaN on
//    either path, so the answer never depends on which path ran. A total that is zero is +0.0.
SystemBetResult ComputeSystemBet(std::span<const double> odds, int32_t n, uint8_t k, double stake,
                                 uint64_t exact_limit = kExactCombinationLimit);

// The plain algorithm: every index tuple 1 <= i1 < ... < ik <= n in lexicographic order, each
// product recomputed from scratch, entries past the rows read (or past kOddsCapacity) read as
// 0.0. Exponential in k; for checking and for measuring against, not for the window.
SystemBetResult NaiveSystemBet(std::span<const double> odds, int32_t n, uint8_t k, double stake);

// C(n, k) under the same rules as above: 0 when k is outside 1..9, n <= 0 or k > n. Exact for
// every n a SHORT holds; saturates at the largest VariantCount for n far beyond (about 70000).
VariantCount CountVariants(int32_t n, uint8_t k);

// The count in decimal digits, in full (no grouping, no sign).
std::string VariantCountText(VariantCount count);

// The total with two decimals and every digit before them (no grouping), rounded the way the
// window's pictures round; "" for a value no picture can show (negative, infinite, NaN).
std::string TotalReturnText(double total);

}  // namespace app
