// "Расчет" against the plain enumeration of every variant, on a fixed random odds table with
// as many rows as n, odds between 1.01 and 5.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/system_bet.h"
#include "bench/bench_odds.h"

namespace {

template <app::SystemBetResult (*Compute)(std::span<const double>, int32_t, uint8_t, double)>
void RunSystemBet(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  const uint8_t k = static_cast<uint8_t>(state.range(1));
  const std::vector<double> odds = BenchOdds(n);
  app::SystemBetResult result;
  for (auto _ : state) {
    result = Compute(odds, n, k, 2.5);
    benchmark::DoNotOptimize(result);
  }
  state.counters["variants"] = static_cast<double>(result.variant_count);
  state.counters["enumerated"] = result.enumerated ? 1 : 0;
}

app::SystemBetResult Window(std::span<const double> odds, int32_t n, uint8_t k, double stake) {
  return app::ComputeSystemBet(odds, n, k, stake);
}

void BM_NaiveEnumeration(benchmark::State& state) { RunSystemBet<app::NaiveSystemBet>(state); }
void BM_SystemBet(benchmark::State& state) { RunSystemBet<Window>(state); }

// C(255, 9) is about 1.1e16 variants, years of enumeration: the baseline is not run there.
BENCHMARK(BM_NaiveEnumeration)->Args({10, 5})->Args({20, 9})->Args({30, 9})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SystemBet)->Args({10, 5})->Args({20, 9})->Args({30, 9})->Args({255, 9})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
