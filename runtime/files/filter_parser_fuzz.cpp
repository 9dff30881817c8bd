// Fuzz target: any text read as a filter or an order must either be refused with a message
// or translate into SQL that SQLite accepts with exactly as many bound values as it has "?".
#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

#include "runtime/files/filter_parser.h"
#include "runtime/files/filter_sql.h"
#include "runtime/files/sql_text_functions.h"

namespace {

std::optional<rt::SqlColumn> Resolve(std::string_view label) {
  // Every label with a prefix is a field: numbers under K*, texts under the rest.
  size_t colon = label.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  if (label[0] == 'K' || label[0] == 'k') return rt::SqlColumn{"n", rt::ValueKind::Number, false, ""};
  // Some text fields come with an upper-cased form kept by the file, some padded.
  if (label.size() % 3 == 0) return rt::SqlColumn{"t", rt::ValueKind::Text, false, "rt_upper(t)"};
  return rt::SqlColumn{"t", rt::ValueKind::Text, label.size() % 2 == 0, ""};
}

sqlite3* Db() {
  static sqlite3* db = [] {
    sqlite3* d = nullptr;
    if (sqlite3_open(":memory:", &d) != SQLITE_OK || rt::RegisterTextFunctions(d) != SQLITE_OK ||
        sqlite3_exec(d, "CREATE TABLE f(n INTEGER, t TEXT);"
                        "INSERT INTO f VALUES (1,'a'),(2,'Ёлка '),(0,''),(-5,'x''y');",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
      std::abort();
    }
    return d;
  }();
  return db;
}

void Bind(sqlite3_stmt* st, const std::vector<rt::SqlValue>& params) {
  for (size_t i = 0; i < params.size(); ++i) {
    int k = static_cast<int>(i + 1);
    if (auto* n = std::get_if<int64_t>(&params[i])) sqlite3_bind_int64(st, k, *n);
    else if (auto* d = std::get_if<double>(&params[i])) sqlite3_bind_double(st, k, *d);
    else {
      const std::string& s = std::get<std::string>(params[i]);
      sqlite3_bind_text(st, k, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
  }
}

void RunOrDie(const std::string& sql, const std::vector<rt::SqlValue>& params) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(Db(), sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "translated SQL refused: %s\n%s\n", sqlite3_errmsg(Db()), sql.c_str());
    std::abort();
  }
  if (sqlite3_bind_parameter_count(st) != static_cast<int>(params.size())) std::abort();
  Bind(st, params);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) {
    std::fprintf(stderr, "translated SQL failed: %s\n%s\n", sqlite3_errmsg(Db()), sql.c_str());
    std::abort();
  }
  sqlite3_finalize(st);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  rt::FilterSqlTranslator translator(&Resolve);

  rt::FilterSyntaxError error;
  std::unique_ptr<rt::FilterNode> tree = rt::FilterParser::ParseFilter(text, &error);
  if (!tree && error.message.empty()) {
    // Only a blank text may give no tree without a reason.
    if (text.find_first_not_of(" \t\r\n") != std::string_view::npos) std::abort();
  }
  if (tree) {
    rt::SqlFragment where;
    if (translator.TranslateFilter(tree.get(), &where, &error)) {
      RunOrDie("SELECT n FROM f WHERE " + where.sql, where.params);
    } else if (error.message.empty()) {
      std::abort();
    }
  }

  std::vector<rt::OrderTerm> terms;
  if (translator.Order(text, &terms, &error)) {
    std::string by = rt::OrderBySql(terms);
    RunOrDie("SELECT n FROM f" + (by.empty() ? std::string() : " ORDER BY " + by), {});
  } else if (error.message.empty()) {
    std::abort();
  }
  return 0;
}
