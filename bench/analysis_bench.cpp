// The system analysis against the plain enumeration of the same case, in one run: settlement by
// outcomes plus the whole "what it needs" table over every number of winners, and a page of
// variants anywhere in "9 из 999". Odds are fixed random values between 1.01 and 5.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/analysis_needs.h"
#include "app/analysis_settlement.h"
#include "app/analysis_variants.h"
#include "bench/bench_odds.h"

namespace {

app::AnalysisEvents Events(const std::vector<double>& odds, const std::vector<app::Outcome>& outcomes,
                           int32_t n) {
  app::AnalysisEvents events;
  std::string reason;
  if (!events.Assign(odds, outcomes, {}, n, &reason)) std::abort();
  return events;
}

const app::SystemSizes kTwoToNine = app::ParseSystemSizes("2-9").sizes;

// Settlement of n pending events over sizes 2-9 and the needs table for j = 0..n.
void BM_Analysis(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  const app::AnalysisEvents events = Events(BenchOdds(n), {}, n);
  app::NeedsTable needs;
  for (auto _ : state) {
    const app::Settlement settled = app::Settle(events, kTwoToNine, 2.5);
    needs = app::ComputeNeeds(events, kTwoToNine, settled);
    benchmark::DoNotOptimize(needs.max_return.data());
  }
  state.counters["variants"] = static_cast<double>(needs.variants);
  state.counters["best"] = needs.BestCaseWinners();
  state.counters["worst"] = needs.WorstCaseWinners();
}

// The same case the plain way: every variant of the settlement enumerated, then for every j
// the j highest odds set won (and the rest lost) and every variant enumerated again, and the
// same for the j lowest.
void BM_PlainAnalysis(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  const std::vector<double> odds = BenchOdds(n);
  std::vector<int> by_odds(n);
  for (int i = 0; i < n; ++i) by_odds[i] = i;
  std::sort(by_odds.begin(), by_odds.end(), [&](int a, int b) { return odds[a] > odds[b]; });
  std::vector<double> best(n + 1), worst(n + 1);
  for (auto _ : state) {
    const app::Settlement settled = app::NaiveSettle(Events(odds, {}, n), kTwoToNine, 2.5);
    benchmark::DoNotOptimize(settled.all_win_return);
    for (int j = 0; j <= n; ++j) {
      std::vector<app::Outcome> high(n, app::Outcome::kLost), low(n, app::Outcome::kLost);
      for (int t = 0; t < j; ++t) {
        high[by_odds[t]] = app::Outcome::kWon;
        low[by_odds[n - 1 - t]] = app::Outcome::kWon;
      }
      best[j] = app::NaiveSettle(Events(odds, high, n), kTwoToNine, 2.5).settled_return;
      worst[j] = app::NaiveSettle(Events(odds, low, n), kTwoToNine, 2.5).settled_return;
    }
    benchmark::DoNotOptimize(best.data());
    benchmark::DoNotOptimize(worst.data());
  }
  state.counters["variants"] = static_cast<double>(app::CountSystemVariants(n, kTwoToNine));
}

// A page of 20 variants of "9 из 999" over 255 rows: at the first variant, the middle one and
// the last page.
void BM_VariantPage(benchmark::State& state) {
  const app::AnalysisEvents events = Events(BenchOdds(255), {}, 999);
  const app::SystemSizes nine = app::ParseSystemSizes(state.range(1) ? "2-9" : "9").sizes;
  const app::VariantCount count = app::CountSystemVariants(999, nine);
  const app::VariantCount first[] = {1, count / 2, count - 19};
  size_t rows = 0;
  for (auto _ : state) {
    const std::vector<app::VariantRow> page =
        app::VariantPage(events, nine, 2.5, first[state.range(0)], 20);
    rows = page.size();
    benchmark::DoNotOptimize(page.data());
  }
  state.counters["rows"] = static_cast<double>(rows);
}

// Reaching variant 1,000,001 the plain way, stepping through every variant before it, against
// unranking it: what a list without unranking would pay to show a page that far in.
constexpr uint64_t kFarPosition = 1'000'000;

void BM_PlainWalkToVariant(benchmark::State& state) {
  for (auto _ : state) {
    int idx[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    for (uint64_t step = 0; step < kFarPosition; ++step) {
      int j = 8;
      while (j >= 0 && idx[j] == 999 - 9 + j) --j;
      ++idx[j];
      for (int t = j + 1; t < 9; ++t) idx[t] = idx[t - 1] + 1;
      benchmark::DoNotOptimize(idx);
    }
  }
}

void BM_UnrankVariant(benchmark::State& state) {
  int idx[9];
  for (auto _ : state) {
    benchmark::DoNotOptimize(app::UnrankCombination(999, 9, kFarPosition, idx));
    benchmark::DoNotOptimize(idx);
  }
}

BENCHMARK(BM_PlainAnalysis)->Arg(12)->Arg(16)->Arg(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Analysis)->Arg(12)->Arg(16)->Arg(20)->Arg(255)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VariantPage)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"where", "sizes2to9"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainWalkToVariant)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnrankVariant)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
