// The server store beside the local one: adding through the runtime against raw prepared libpq
// inserts on the same table in one transaction (the runtime should keep at least half the
// rate), and a view page from the middle of 1,000 and 1,000,000 records (within 2x). The server
// is TOVIK_TEST_DATABASE when set, else a private one started for the run and removed after.
// "Расчет" over 255 rows read from the server should stay under 20 ms.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "app/odds_file.h"
#include "app/system_bet.h"
#include "bench/view_bench_table.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/store_choice.h"
#include "runtime/files/transaction.h"
#include "runtime/files/view.h"
#include "testing/test_server.h"

namespace {

constexpr int kRows = 10000;

using Rec = bench::ViewRecord;
using bench::ViewDeclaration;

// The server of the run, in a schema of its own: made on first use, dropped at exit.
class Server {
 public:
  static Server& Get() {
    static Server s;
    return s;
  }
  const std::string& Uri() const { return uri_; }
  bool Ok() const { return !uri_.empty(); }
  // Runs SQL as another tool would; false when the server refuses it.
  bool Raw(const std::string& sql) const {
    PGconn* c = PQconnectdb(uri_.c_str());
    bool ok = PQstatus(c) == CONNECTION_OK;
    if (ok) {
      PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
      PGresult* r = PQexec(c, sql.c_str());
      ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
      PQclear(r);
    }
    PQfinish(c);
    return ok;
  }
  ~Server() {
    Raw("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
    if (!dir_.empty()) {
      std::string stop = std::string("bash ") + testing_support::ServerScript() + " stop " + dir_ +
                         " --remove >/dev/null 2>&1";
      if (std::system(stop.c_str()) != 0) std::fprintf(stderr, "the server did not stop\n");
    }
  }

 private:
  Server() {
    schema_ = "bench" + std::to_string(getpid());
    std::string base;
    const char* given = std::getenv("TOVIK_TEST_DATABASE");
    if (given && *given) {
      base = given;
    } else {
      dir_ = "/tmp/tovik-bench-server-" + std::to_string(getpid());
      std::string start = "TOVIK_PG_THROWAWAY=1 bash " + std::string(testing_support::ServerScript()) +
                          " start " + dir_ + " 2>/dev/null | tail -1";
      if (FILE* p = popen(start.c_str(), "r")) {
        char buf[512] = {};
        if (fgets(buf, sizeof buf, p)) base = buf;
        pclose(p);
      }
      while (!base.empty() && base.back() == '\n') base.pop_back();
    }
    if (base.empty()) return;
    uri_ = base + (base.find('?') == std::string::npos ? "?" : "&") +
           "options=-csearch_path%3D" + schema_;
    if (!Raw("CREATE SCHEMA " + schema_)) uri_.clear();
  }
  std::string schema_;
  std::string dir_;
  std::string uri_;
};

// An empty table made by the runtime, so both add benchmarks write the same table and indexes.
bool FreshTable(const rt::FileDeclaration& decl) {
  Server::Get().Raw("DROP TABLE IF EXISTS " + decl.Name() + "; DELETE FROM tovik_files");
  Rec rec{};
  rt::KeyedFile f(decl, &rec);
  return f.Create() == 0;
}

void BM_ServerAddRecords(benchmark::State& state) {
  if (!Server::Get().Ok()) return state.SkipWithError("no server");
  rt::StoreChoice::Set(Server::Get().Uri());
  auto decl = ViewDeclaration("adds");
  Rec rec{};
  for (auto _ : state) {
    state.PauseTiming();
    if (!FreshTable(*decl)) state.SkipWithError(rt::GetLastError().file_text.c_str());
    rt::KeyedFile f(*decl, &rec);
    if (f.Open() != 0) state.SkipWithError("open failed");
    state.ResumeTiming();
    rt::Transaction::Start({&f});
    for (int i = 1; i <= kRows; ++i) {
      rec.nn = i;
      rec.kf = i * 0.25;
      std::snprintf(rec.name, sizeof rec.name, "name %07d", i % 997);
      if (f.Add() != 0) state.SkipWithError("add failed");
    }
    if (rt::Transaction::Commit() != 0) state.SkipWithError("commit failed");
    state.PauseTiming();
    f.Close();
    state.ResumeTiming();
  }
  rt::StoreChoice::Set("");
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_ServerAddRecords)->Unit(benchmark::kMillisecond);

void BM_RawLibpqInsert(benchmark::State& state) {
  if (!Server::Get().Ok()) return state.SkipWithError("no server");
  rt::StoreChoice::Set(Server::Get().Uri());
  auto decl = ViewDeclaration("adds");
  for (auto _ : state) {
    state.PauseTiming();
    if (!FreshTable(*decl)) state.SkipWithError("create failed");
    PGconn* c = PQconnectdb(Server::Get().Uri().c_str());
    state.ResumeTiming();
    PQclear(PQprepare(c, "ins",
                      "INSERT INTO adds(\"_version\", \"NN\", \"KF\", \"NAME\", \"_upper_NAME\") "
                      "VALUES(1, $1, $2, $3, $4)",
                      0, nullptr));
    PQclear(PQexec(c, "BEGIN"));
    for (int i = 1; i <= kRows; ++i) {
      std::string nn = std::to_string(i), kf = std::to_string(i * 0.25);
      char name[24];
      std::snprintf(name, sizeof name, "name %07d", i % 997);
      const char* values[] = {nn.c_str(), kf.c_str(), name, name};
      PGresult* r = PQexecPrepared(c, "ins", 4, values, nullptr, nullptr, 0);
      if (PQresultStatus(r) != PGRES_COMMAND_OK) state.SkipWithError("insert failed");
      PQclear(r);
    }
    PGresult* r = PQexec(c, "COMMIT");
    if (PQresultStatus(r) != PGRES_COMMAND_OK) state.SkipWithError("commit failed");
    PQclear(r);
    state.PauseTiming();
    PQfinish(c);
    state.ResumeTiming();
  }
  rt::StoreChoice::Set("");
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_RawLibpqInsert)->Unit(benchmark::kMillisecond);

// A table of `records` rows for the view pages, filled by the server itself.
struct Pages {
  std::unique_ptr<rt::FileDeclaration> decl;
  Rec rec{};
  std::unique_ptr<rt::KeyedFile> file;
};

Pages* PagesOf(int64_t records) {
  static std::map<int64_t, std::unique_ptr<Pages>> tables;
  auto& slot = tables[records];
  if (slot) return slot.get();
  rt::StoreChoice::Set(Server::Get().Uri());
  auto p = std::make_unique<Pages>();
  p->decl = ViewDeclaration("pages" + std::to_string(records));
  p->file = std::make_unique<rt::KeyedFile>(*p->decl, &p->rec);
  if (p->file->Create() != 0) return nullptr;
  std::string name = "'name ' || lpad((i % 997)::text, 7, '0')";
  if (!Server::Get().Raw("INSERT INTO " + p->decl->Name() +
                         "(\"_version\", \"NN\", \"KF\", \"NAME\", \"_upper_NAME\") SELECT 1, i, "
                         "1.0 + (i % 7) * 0.25, " + name + ", upper(" + name +
                         ") FROM generate_series(1, " + std::to_string(records) +
                         ") i; ANALYZE " + p->decl->Name())) {
    return nullptr;
  }
  if (p->file->Open() != 0) return nullptr;
  slot = std::move(p);
  return slot.get();
}

void BM_ServerViewPage(benchmark::State& state) {
  if (!Server::Get().Ok()) return state.SkipWithError("no server");
  const int64_t records = state.range(0);
  Pages* p = PagesOf(records);
  if (p == nullptr) return state.SkipWithError("building the table failed");
  rt::View view(p->file.get());
  bench::OpenPagingView(view);
  bench::ReadMiddlePages(state, view, p->rec, records);
}
BENCHMARK(BM_ServerViewPage)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// "Расчет" as the calculator runs it on a table of 255 odds on the server: every row read in
// key order through the odds file (Eof, then Next), then the system computed (under 20 ms).
void BM_ServerCalculate255Rows(benchmark::State& state) {
  if (!Server::Get().Ok()) return state.SkipWithError("no server");
  rt::StoreChoice::Set(Server::Get().Uri());
  rt::KeyedFile& file = app::OddsFile();
  app::OddsRecord& row = app::OddsBuffer();
  if (file.Create() != 0 || file.Open() != 0) return state.SkipWithError("open failed");
  file.DeleteAll();
  rt::Transaction::Start({&file});
  for (int i = 1; i <= 255; ++i) {
    row.nn = static_cast<uint8_t>(i);
    row.kf = 1.0 + i * 0.01;
    if (file.Add() != 0) state.SkipWithError("add failed");
  }
  rt::Transaction::Commit();
  std::vector<double> odds(255);
  double total = 0;
  for (auto _ : state) {
    row.nn = 0;
    int error = file.SetFromBuffer(app::OddsNnKey());
    size_t stored = 0;
    while (error == rt::kNoError && !file.Eof()) {
      error = file.Next();
      if (error == rt::kNoError && stored < odds.size()) odds[stored++] = row.kf;
    }
    if (error != rt::kNoError || stored != 255) state.SkipWithError("read failed");
    total = app::ComputeSystemBet(std::span<const double>(odds.data(), stored), 255, 9, 2.5)
                .total_return;
    benchmark::DoNotOptimize(total);
  }
  file.Close();
  rt::StoreChoice::Set("");
}
BENCHMARK(BM_ServerCalculate255Rows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
