// Reading one page of a filtered view from the middle of a file must cost a page, not the
// file: BM_ViewPage/1000000 should stay within twice BM_ViewPage/1000.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/transaction.h"
#include "runtime/files/view.h"
#include "runtime/core/last_error.h"
#include "bench/view_bench_table.h"

namespace {

using Rec = bench::ViewRecord;
using bench::ViewDeclaration;

// One file per size, built on first use and kept for the rest of the run.
struct Fixture {
  std::string dir;
  std::unique_ptr<rt::FileDeclaration> decl;
  Rec rec{};
  std::unique_ptr<rt::KeyedFile> file;
};

std::string BenchDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/view_bench_XXXXXX";
    const char* made = mkdtemp(tmpl);
    return std::string(made ? made : "/tmp");
  }();
  return dir;
}

Fixture* FileOf(int64_t records) {
  static std::map<int64_t, std::unique_ptr<Fixture>> files;
  auto& slot = files[records];
  if (slot) return slot.get();
  auto f = std::make_unique<Fixture>();
  f->decl = ViewDeclaration(BenchDir() + "/kf" + std::to_string(records));
  f->file = std::make_unique<rt::KeyedFile>(*f->decl, &f->rec);
  if (f->file->Create() != 0 || f->file->Open() != 0) return nullptr;
  const int64_t batch = 50000;
  for (int64_t start = 0; start < records; start += batch) {
    if (rt::Transaction::Start({f->file.get()}) != 0) return nullptr;
    for (int64_t i = start; i < records && i < start + batch; ++i) {
      f->file->Clear();
      f->rec.nn = static_cast<int32_t>(i + 1);
      f->rec.kf = 1.0 + static_cast<double>(i % 7) * 0.25;
      char name[24];
      std::snprintf(name, sizeof name, "name %07lld", static_cast<long long>(i % 997));
      std::memcpy(f->rec.name, name, std::strlen(name));
      if (f->file->Add() != 0) return nullptr;
    }
    if (rt::Transaction::Commit() != 0) return nullptr;
  }
  slot = std::move(f);
  return slot.get();
}

void BM_ViewPage(benchmark::State& state) {
  const int64_t records = state.range(0);
  Fixture* f = FileOf(records);
  if (f == nullptr) {
    state.SkipWithError(("building the file failed: " + rt::GetLastError().file_text).c_str());
    return;
  }
  int64_t read = 0;
  for (auto _ : state) {
    rt::View view(f->file.get());
    view.Open();
    view.SetBuffering(20, 2, 0, 60);
    view.SetOrder("KF:NN");
    view.SetFilter("KF:KF > 1.5 AND INSTRING('name', KF:NAME, 1, 1) = 1");
    f->rec.nn = static_cast<int32_t>(records / 2);
    view.Set(1);
    for (int i = 0; i < 20; ++i) {
      if (view.Next() != 0) {
        state.SkipWithError("the view ran out of records");
        break;
      }
      ++read;
    }
    view.Close();
  }
  state.counters["records_read"] = static_cast<double>(read);
}
BENCHMARK(BM_ViewPage)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The same page in a view that stays open, as a browse keeps it: a reposition and a page.
void BM_ViewPageOpenView(benchmark::State& state) {
  const int64_t records = state.range(0);
  Fixture* f = FileOf(records);
  if (f == nullptr) {
    state.SkipWithError("building the file failed");
    return;
  }
  rt::View view(f->file.get());
  bench::OpenPagingView(view);
  bench::ReadMiddlePages(state, view, f->rec, records);
}
BENCHMARK(BM_ViewPageOpenView)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// The same page through a case-insensitive order on a key with many duplicates.
void BM_ViewPageNoCaseOrder(benchmark::State& state) {
  const int64_t records = state.range(0);
  Fixture* f = FileOf(records);
  if (f == nullptr) {
    state.SkipWithError("building the file failed");
    return;
  }
  for (auto _ : state) {
    rt::View view(f->file.get());
    view.Open();
    view.SetOrder("UPPER(KF:NAME)");
    view.SetFilter("KF:KF <> 1.25");
    std::memcpy(f->rec.name, "NAME 0000500        ", 20);
    view.Set(1);
    for (int i = 0; i < 20; ++i) {
      if (view.Next() != 0) {
        state.SkipWithError("the view ran out of records");
        break;
      }
    }
    view.Close();
  }
}
BENCHMARK(BM_ViewPageNoCaseOrder)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A filter on another key's field: the order's index must still drive the page.
void BM_ViewPageFilterOnOtherKey(benchmark::State& state) {
  const int64_t records = state.range(0);
  Fixture* f = FileOf(records);
  if (f == nullptr) {
    state.SkipWithError("building the file failed");
    return;
  }
  for (auto _ : state) {
    rt::View view(f->file.get());
    view.Open();
    view.SetOrder("UPPER(KF:NAME)");
    view.SetFilter(state.range(1) ? "KF:NN > 10" : "KF:NN = 77");
    std::memcpy(f->rec.name, "NAME 0000500        ", 20);
    view.Set(1);
    for (int i = 0; i < (state.range(1) ? 20 : 1); ++i) view.Next();
    view.Close();
  }
}
BENCHMARK(BM_ViewPageFilterOnOtherKey)->Args({1000, 1})->Args({1000000, 1})->Args({1000, 0})->Args({1000000, 0})->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ec;
  std::filesystem::remove_all(BenchDir(), ec);
  return 0;
}
