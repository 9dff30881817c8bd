// The data file is outside input. Each input changes a valid odds file made by the program,
// either with SQL statements run by plain SQLite (first byte even) or by writing its bytes
// over the file at an offset (first byte odd: two offset bytes, then the bytes), and then does
// every read and write the program does. Nothing may crash, every sequence must end, and a
// file that opening refuses must be left exactly as it was.
// fuzz-runs: 400
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"

namespace {

using rt::KeyedFile;
using rt::testing::OddsRow;

constexpr int kMaxReads = 20000;  // far more than any input can store under the step limit

// A folder of this run's own, removed when the run ends (never destroyed before that).
const std::string& Folder() {
  static const std::string* folder = [] {
    std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    auto* t = new std::string(base + "/tovik-kf-fuzz-XXXXXX");
    if (!mkdtemp(t->data())) std::abort();
    return t;
  }();
  static const bool cleanup = std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(*folder, ec);
  }) == 0;
  (void)cleanup;
  return *folder;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::filesystem::remove(path + "-journal");
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) std::abort();
  if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
  close(fd);
}

int Deny(void*, int action, const char*, const char*, const char*, const char*) {
  return action == SQLITE_ATTACH || action == SQLITE_DETACH ? SQLITE_DENY : SQLITE_OK;
}

int Stop(void* steps) { return ++*static_cast<int*>(steps) > 200; }

void ApplySql(const std::string& path, const std::string& sql) {
  if (sql.find('\0') != std::string::npos) return;
  std::string upper;
  for (char c : sql) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.find("VACUUM") != std::string::npos) return;  // it could write another file
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
    int steps = 0;
    sqlite3_set_authorizer(db, Deny, nullptr);
    sqlite3_progress_handler(db, 1000, Stop, &steps);
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  sqlite3_close(db);
}

// Reads the whole file one way, going on past every row that is a read error, as far as the
// driver lets it: a failure of SQLite itself (a damaged page) repeats at every read, so the
// callers stop there. Aborts when the sequence does not end.
void Walk(KeyedFile& f, bool forward, bool ask_eof) {
  f.Set(&f.Declaration().Key(0));
  for (int i = 0; i < kMaxReads; ++i) {
    if (ask_eof && f.Eof() && rt::GetLastError().code == rt::kNoError) return;
    int rc = forward ? f.Next() : f.Previous();
    if (rc == rt::kNoRecordAvailable) return;
    if (rc == rt::kDriverError && !rt::GetLastError().file_code.empty()) return;
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const std::string path = Folder() + "/kf";
  static const std::string made = [] {
    std::filesystem::remove(path);
    auto decl = rt::testing::OddsDecl(path);
    OddsRow b{};
    KeyedFile f(*decl, &b);
    if (f.Create() != 0 || f.Open() != 0) std::abort();
    if (rt::testing::AddOdds(f, b, {1, 2, 3, 4, 5}) != 0) std::abort();
    f.Close();
    return rt::testing::FileBytes(path);
  }();
  static auto decl = rt::testing::OddsDecl(path);

  std::string bytes = made;
  if (data[0] & 1) {
    if (size < 3) return 0;
    size_t at = (static_cast<size_t>(data[1]) << 8 | data[2]) % (made.size() + 1);
    std::string patch(reinterpret_cast<const char*>(data + 3), size - 3);
    bytes.replace(at, std::min(patch.size(), bytes.size() - at), patch);
    WriteBytes(path, bytes);
  } else {
    WriteBytes(path, made);
    ApplySql(path, std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  }
  std::filesystem::remove(path + "-journal");  // a hot journal would be rolled back first
  const std::string before = rt::testing::FileBytes(path);

  OddsRow b{};
  KeyedFile f(*decl, &b);
  f.Send("Recover=0");
  int rc = f.Open();
  if (rc != rt::kNoError) {
    if (rt::testing::FileBytes(path) != before) std::abort();
    if (f.Open(KeyedFile::kReadOnly) != rt::kNoError) {
      if (rt::testing::FileBytes(path) != before) std::abort();
      return 0;
    }
  }
  Walk(f, true, false);
  Walk(f, false, false);
  Walk(f, true, true);
  f.Records();
  b.nn = 3;
  if (f.Get(f.Declaration().Key(0)) == rt::kNoError) {
    std::string at = f.Position(&f.Declaration().Key(0));
    f.Reset(&f.Declaration().Key(0), at);
    f.Next();
    b.kf = 9.5;
    f.Put();
    f.Reget(nullptr, "R3");
    f.Delete();
  }
  b.nn = 200;
  f.Reserve();
  f.Put();
  b.nn = 201;
  f.Add();
  f.DeleteAll();
  Walk(f, true, true);
  f.Close();
  return 0;
}
