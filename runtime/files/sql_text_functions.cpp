#include "runtime/files/sql_text_functions.h"

#include <sqlite3.h>

#include <vector>

#include "runtime/values/any_ref.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Byte offsets of the characters of text, plus text.size() at the end.
std::vector<size_t> CharStarts(std::string_view text) {
  std::vector<size_t> starts;
  starts.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) starts.push_back(i);
  }
  // Stray continuation bytes at the very start belong to no character: count them as one.
  if (!text.empty() && (starts.empty() || starts.front() != 0)) starts.insert(starts.begin(), 0);
  starts.push_back(text.size());
  return starts;
}

// A value's text form: numbers as the runtime writes them, texts as they are.
std::string ValueText(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return FormatReal(sqlite3_value_double(v));
    case SQLITE_NULL: return std::string();
    default: {
      const unsigned char* t = sqlite3_value_text(v);
      int n = sqlite3_value_bytes(v);
      return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(n)) : std::string();
    }
  }
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text64(ctx, s.data(), s.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void UpperFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  ResultText(ctx, Upper(ValueText(argv[0])));
}

void TextFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  ResultText(ctx, ValueText(argv[0]));
}

void SubFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  for (int i = 0; i < 3; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  }
  ResultText(ctx, SubText(ValueText(argv[0]), sqlite3_value_int64(argv[1]),
                          sqlite3_value_int64(argv[2])));
}

void InStringFn(sqlite3_context* ctx, int, sqlite3_value** argv) {
  for (int i = 0; i < 4; ++i) {
    if (sqlite3_value_type(argv[i]) == SQLITE_NULL) return sqlite3_result_null(ctx);
  }
  sqlite3_result_int64(ctx, InStringPosition(ValueText(argv[0]), ValueText(argv[1]),
                                             sqlite3_value_int64(argv[2]),
                                             sqlite3_value_int64(argv[3])));
}

}  // namespace

std::string SubText(std::string_view text, long long start, long long length) {
  if (length < 1) return std::string();
  std::vector<size_t> starts = CharStarts(text);
  long long count = static_cast<long long>(starts.size()) - 1;
  long long first;  // 0-based character index
  if (start < 0) {
    first = count + start;
    if (first < 0) {
      // Starts before the text: the characters before its first one are not there.
      length += first;
      first = 0;
      if (length < 1) return std::string();
    }
  } else {
    first = start == 0 ? 0 : start - 1;
  }
  if (first >= count) return std::string();
  long long last = length > count - first ? count : first + length;
  return std::string(text.substr(starts[static_cast<size_t>(first)],
                                 starts[static_cast<size_t>(last)] - starts[static_cast<size_t>(first)]));
}

long long InStringPosition(std::string_view sub, std::string_view text, long long step,
                           long long start) {
  if (step < 1) step = 1;
  if (start < 1) start = 1;
  std::vector<size_t> starts = CharStarts(text);
  long long count = static_cast<long long>(starts.size()) - 1;
  if (sub.empty()) return start <= count + 1 ? start : 0;
  for (long long p = start; p <= count; p += step) {
    size_t at = starts[static_cast<size_t>(p - 1)];
    if (text.size() - at < sub.size()) break;
    if (text.compare(at, sub.size(), sub) == 0) return p;
    if (p > count - step) break;  // the next step would overflow past the end
  }
  return 0;
}

int RegisterTextFunctions(sqlite3* db) {
  struct Fn {
    const char* name;
    int args;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
  } fns[] = {{kSqlUpper, 1, UpperFn}, {kSqlText, 1, TextFn}, {kSqlSub, 3, SubFn},
             {kSqlInString, 4, InStringFn}};
  const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  for (const Fn& f : fns) {
    std::string probe = std::string("SELECT ") + f.name + "(" + (f.args > 1 ? "1" : "") ;
    for (int i = 1; i < f.args; ++i) probe += ",1";
    if (f.args == 1) probe += "1";
    probe += ")";
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, probe.c_str(), -1, &st, nullptr);
    sqlite3_finalize(st);
    if (rc == SQLITE_OK) continue;  // already there
    rc = sqlite3_create_function_v2(db, f.name, f.args, flags, nullptr, f.call, nullptr, nullptr,
                                    nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  return SQLITE_OK;
}

}  // namespace rt
