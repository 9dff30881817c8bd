// Adding records through the runtime's keyed file against the same rows inserted with a
// prepared SQLite statement on the same table, with the same pragmas: 10,000 rows in one
// transaction each iteration, into a new file.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdint>
#include <memory>

#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/transaction.h"

namespace {

constexpr int kRows = 10000;

#pragma pack(push, 1)
struct BenchRow {
  int32_t id;
  double kf;
};
#pragma pack(pop)

std::unique_ptr<rt::FileDeclaration> BenchDecl(const std::string& name) {
  rt::RecordDescriptor r;
  r.Add("BN:ID", rt::Type::Long).Add("BN:KF", rt::Type::Real);
  auto d = std::make_unique<rt::FileDeclaration>("BN", name, r);
  d->AddKey("BN:id_key").Ascending(0).Unique();
  return d;
}

// A new, empty file made by the runtime, so both benchmarks write the same table and index.
void FreshFile(const rt::FileDeclaration& decl) {
  unlink(decl.Name().c_str());
  BenchRow row{};
  rt::KeyedFile f(decl, &row);
  f.Create();
}

void BM_AddRecords(benchmark::State& state) {
  rt::TempFolder dir;
  auto decl = BenchDecl(dir.File("bench"));
  BenchRow row{};
  for (auto _ : state) {
    state.PauseTiming();
    FreshFile(*decl);
    rt::KeyedFile f(*decl, &row);
    if (f.Open() != 0) state.SkipWithError("open failed");
    state.ResumeTiming();
    rt::Transaction::Start({&f});
    for (int i = 1; i <= kRows; ++i) {
      row.id = i;
      row.kf = i * 0.25;
      if (f.Add() != 0) state.SkipWithError("add failed");
    }
    if (rt::Transaction::Commit() != 0) state.SkipWithError("commit failed");
    state.PauseTiming();
    f.Close();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_AddRecords)->Unit(benchmark::kMillisecond);

void BM_RawSqliteInsert(benchmark::State& state) {
  rt::TempFolder dir;
  auto decl = BenchDecl(dir.File("bench"));
  for (auto _ : state) {
    state.PauseTiming();
    FreshFile(*decl);
    sqlite3* db = nullptr;
    sqlite3_open_v2(decl->Name().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr,
                 nullptr);
    state.ResumeTiming();
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO records(_version, ID, KF) VALUES(1, ?1, ?2)", -1, &st,
                       nullptr);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    for (int i = 1; i <= kRows; ++i) {
      sqlite3_bind_int64(st, 1, i);
      sqlite3_bind_double(st, 2, i * 0.25);
      if (sqlite3_step(st) != SQLITE_DONE) state.SkipWithError("insert failed");
      sqlite3_reset(st);
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
      state.SkipWithError("commit failed");
    }
    sqlite3_finalize(st);
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RawSqliteInsert)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
