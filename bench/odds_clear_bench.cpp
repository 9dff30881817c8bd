// "С" on a full odds table: the 255 rows cleared by the runtime file in one write, beside
// adding the same 255 rows in one transaction, in the same run on the same program-made file.
// Clearing should cost no more than adding.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/odds_file.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/transaction.h"

namespace {

constexpr int kRows = 255;

struct Table {
  rt::TempFolder dir;
  std::unique_ptr<rt::FileDeclaration> decl;
  app::OddsRecord row{};
  std::unique_ptr<rt::KeyedFile> file;

  Table() {
    rt::RecordDescriptor r = app::OddsDeclaration().Record();
    decl = std::make_unique<rt::FileDeclaration>("KF", dir.File("kf"), r);
    decl->AddKey("KF:nn_key").Ascending(0).Unique().CaseSensitive().MakePrimary();
    file = std::make_unique<rt::KeyedFile>(*decl, &row);
    file->Create();
    file->Open();
  }
  bool Fill() {
    if (rt::Transaction::Start({file.get()}) != 0) return false;
    for (int i = 1; i <= kRows; ++i) {
      row.nn = static_cast<uint8_t>(i);
      row.kf = 1.0 + i * 0.01;
      if (file->Add() != 0) return false;
    }
    return rt::Transaction::Commit() == 0;
  }
};

void BM_Add255RowsInOneTransaction(benchmark::State& state) {
  Table t;
  for (auto _ : state) {
    if (!t.Fill()) state.SkipWithError("add failed");
    state.PauseTiming();
    if (t.file->DeleteAll() != 0) state.SkipWithError("clear failed");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Add255RowsInOneTransaction)->Unit(benchmark::kMillisecond);

void BM_Clear255Rows(benchmark::State& state) {
  Table t;
  for (auto _ : state) {
    state.PauseTiming();
    if (!t.Fill()) state.SkipWithError("add failed");
    state.ResumeTiming();
    int64_t deleted = 0;
    if (t.file->DeleteAll(&deleted) != 0 || deleted != kRows) state.SkipWithError("clear failed");
  }
}
BENCHMARK(BM_Clear255Rows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
