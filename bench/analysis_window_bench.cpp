// The analysis window through the window code on the headless backend, over a full odds table
// (255 rows, a third of them settled): the program started with the window over the rows,
// their outcomes read, the system settled with sizes 2-9, the needs table and its chart, the
// first page of variants, and the program ended. Beside it, in the same run, the engine alone
// on the same rows (settlement, needs table, one page of variants), so the window's own share
// (files, lists, pictures, the event loop) reads as the difference. A second pair pages to the
// last variants of "9 из 999" through the window's scroll handling.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/analysis_needs.h"
#include "app/analysis_settlement.h"
#include "app/analysis_variants.h"
#include "app/analysis_window.h"
#include "app/analysis_window_resource.h"
#include "app/odds_file.h"
#include "app/outcome_file.h"
#include "app/program.h"
#include "bench/bench_odds.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/headless/headless_backend.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace {

constexpr int kRows = 255;
constexpr int kPageRows = 20;

struct Rows {
  std::vector<double> odds;
  std::vector<app::Outcome> outcomes;
};

// Fixed random odds between 1.01 and 5, every third row settled (won, lost, refund in turn).
Rows TheRows() {
  Rows r;
  const std::vector<double> odds = BenchOdds(kRows);
  for (int i = 0; i < kRows; ++i) {
    r.odds.push_back(static_cast<int>(odds[i] * 100) / 100.0);
    const int settled = i % 3 == 0 ? 1 + (i / 3) % 3 : 0;
    r.outcomes.push_back(static_cast<app::Outcome>(settled));
  }
  return r;
}

// The program's files in a folder of their own, the working folder while the benchmark runs.
class Folder {
 public:
  explicit Folder(const Rows& rows) : home_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir_.path());
    app::OddsRecord odds{};
    rt::KeyedFile kf(app::OddsDeclaration(), &odds);
    app::OutcomeRecord outcome{};
    rt::KeyedFile is(app::OutcomeDeclaration(), &outcome);
    ok_ = kf.Create() == 0 && kf.Open() == 0 && is.Create() == 0 && is.Open() == 0;
    for (int i = 0; ok_ && i < kRows; ++i) {
      odds.nn = static_cast<uint8_t>(i + 1);
      odds.kf = rows.odds[i];
      ok_ = kf.Add() == 0;
      if (ok_ && rows.outcomes[i] != app::Outcome::kPending) {
        outcome.nn = odds.nn;
        outcome.res = static_cast<uint8_t>(rows.outcomes[i]);
        ok_ = is.Add() == 0;
      }
    }
  }
  ~Folder() { std::filesystem::current_path(home_); }
  bool ok() const { return ok_; }

 private:
  rt::TempFolder dir_;
  std::filesystem::path home_;
  bool ok_ = false;
};

// One run of the program with the analysis window; script adds the user's actions before the
// close. False when the window did not show what it should or the program failed.
bool RunWindow(rt::HeadlessBackend& backend, int n, int k, const std::vector<std::string>& sizes,
               int scroll, std::string* first_variant) {
  for (const std::string& s : sizes) backend.Type(app::kAnSizesEntry, s);
  if (scroll != 0) backend.Scroll(app::kAnVariantsList, scroll);
  backend.Check([first_variant] {
    rt::Window* w = rt::TargetWindow();
    *first_variant = w != nullptr && w->ListRowCount(app::kAnVariantsList) > 0
                         ? w->CellText(app::kAnVariantsList, 1, 1)
                         : std::string();
  });
  backend.CloseWindow();
  app::StartupOptions options;
  options.window_procedure = [=] { app::AnalysisWindowProcedure(n, k, 2.5); };
  const int code = app::RunProgram(options);
  return code == 0 && backend.PendingActions() == 0 && backend.UnansweredBoxes().empty() &&
         !first_variant->empty();
}

void RunWindowBenchmark(benchmark::State& state, int n, const std::vector<std::string>& sizes,
                        int scroll) {
  const Rows rows = TheRows();
  Folder folder(rows);
  if (!folder.ok()) {
    state.SkipWithError("the files could not be written");
    return;
  }
  rt::HeadlessBackend backend;
  rt::Backend* previous = rt::SetBackend(&backend);
  std::string first;
  for (auto _ : state) {
    if (!RunWindow(backend, n, 2, sizes, scroll, &first)) {
      state.SkipWithError("the window did not settle");
      break;
    }
  }
  rt::SetBackend(previous);
  state.SetLabel("first variant shown " + first);
}

void RunEngineBenchmark(benchmark::State& state, int n, const char* sizes_text,
                        bool last_page) {
  const Rows rows = TheRows();
  app::AnalysisEvents events;
  std::string reason;
  if (!events.Assign(rows.odds, rows.outcomes, {}, n, &reason)) {
    state.SkipWithError(reason.c_str());
    return;
  }
  const app::SystemSizes sizes = app::ParseSystemSizes(sizes_text).sizes;
  for (auto _ : state) {
    const app::Settlement settled = app::Settle(events, sizes, 2.5);
    const app::NeedsTable needs = app::ComputeNeeds(events, sizes, settled);
    const app::VariantCount first =
        last_page ? settled.variants - kPageRows + 1 : app::VariantCount{1};
    const std::vector<app::VariantRow> page =
        app::VariantPage(events, sizes, settled.stake, first, kPageRows);
    benchmark::DoNotOptimize(needs.max_return.data());
    benchmark::DoNotOptimize(page.data());
  }
}

// Opened with k 2, then "2-9" typed: two settlements, as the user meets it.
void BM_AnalysisWindowOpen255Sizes2To9(benchmark::State& state) {
  RunWindowBenchmark(state, kRows, {"2-9"}, 0);
}
BENCHMARK(BM_AnalysisWindowOpen255Sizes2To9)->Unit(benchmark::kMillisecond);

void BM_EngineOnly255Sizes2To9(benchmark::State& state) {
  RunEngineBenchmark(state, kRows, "2-9", false);
}
BENCHMARK(BM_EngineOnly255Sizes2To9)->Unit(benchmark::kMillisecond);

// "9 из 999" over the same 255 rows, then Ctrl+End: the last page of 10^21 variants.
void BM_AnalysisWindow9Of999LastPage(benchmark::State& state) {
  RunWindowBenchmark(state, 999, {"9"}, rt::kEventScrollBottom);
}
BENCHMARK(BM_AnalysisWindow9Of999LastPage)->Unit(benchmark::kMillisecond);

void BM_EngineOnly9Of999LastPage(benchmark::State& state) {
  RunEngineBenchmark(state, 999, "9", true);
}
BENCHMARK(BM_EngineOnly9Of999LastPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
