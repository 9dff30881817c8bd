// Declarations and small helpers shared by the keyed-file tests: an odds-like file, a file of
// people with several kinds of keys, and a file of unique case-insensitive names.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <memory>
#include <string>

#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"

namespace rt::testing {

#pragma pack(push, 1)
struct OddsRow {
  uint8_t nn;
  double kf;
};
struct PersonRow {
  char name[20];  // STRING(20)
  char city[16];  // CSTRING(16)
  int16_t age;
  double score;
};
struct NameRow {
  char name[20];
};
#pragma pack(pop)

inline std::unique_ptr<FileDeclaration> OddsDecl(const std::string& name) {
  RecordDescriptor r;
  r.Add("KF:NN", Type::Byte).Add("KF:KF", Type::Real);
  auto d = std::make_unique<FileDeclaration>("KF", name, r);
  d->AddKey("KF:nn_key").Ascending(0).Unique().CaseSensitive().MakePrimary();
  return d;
}

inline std::unique_ptr<FileDeclaration> PeopleDecl(const std::string& name) {
  RecordDescriptor r;
  r.Add("PE:NAME", Type::String, 20)
      .Add("PE:CITY", Type::CString, 16)
      .Add("PE:AGE", Type::Short)
      .Add("PE:SCORE", Type::Real);
  auto d = std::make_unique<FileDeclaration>("PE", name, r);
  d->AddKey("PE:name_key").Ascending(0).AllowDuplicates().IgnoreCase();
  d->AddKey("PE:city_age").Ascending(1).Descending(2).AllowDuplicates().CaseSensitive();
  d->AddKey("PE:score_key").Descending(3).AllowDuplicates();
  return d;
}

inline std::unique_ptr<FileDeclaration> NamesDecl(const std::string& name) {
  RecordDescriptor r;
  r.Add("NM:NAME", Type::String, 20);
  auto d = std::make_unique<FileDeclaration>("NM", name, r);
  d->AddKey("NM:name_key").Ascending(0).Unique().IgnoreCase();
  return d;
}

inline void SetText(char* field, size_t size, const std::string& text, bool blank_padded) {
  std::memset(field, blank_padded ? ' ' : 0, size);
  std::memcpy(field, text.data(), text.size() < size ? text.size() : size);
}

inline std::string Trimmed(const char* field, size_t size) {
  std::string s(field, size);
  size_t end = s.find_last_not_of(' ');
  s = end == std::string::npos ? "" : s.substr(0, end + 1);
  return s.substr(0, s.find('\0'));
}

// Adds odds rows nn with odds nn * 1.5 to an open file; returns the first failing code.
inline int AddOdds(KeyedFile& f, OddsRow& buf, std::initializer_list<int> numbers) {
  for (int n : numbers) {
    buf.nn = static_cast<uint8_t>(n);
    buf.kf = n * 1.5;
    if (int rc = f.Add()) return rc;
  }
  return 0;
}

// The file's bytes, to tell whether anything wrote to it.
inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs SQL on the file with plain SQLite, as another tool would: SQLITE_OK or its code.
inline int ApplySql(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

// A child process running `body`; it talks to the parent through two pipes, one byte at a time.
class Copy {
 public:
  explicit Copy(const std::function<int(Copy&)>& body) {
    if (pipe(to_parent_) != 0 || pipe(to_child_) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(to_parent_[0]);
      close(to_child_[1]);
      _exit(body(*this));
    }
    close(to_parent_[1]);
    close(to_child_[0]);
  }
  ~Copy() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(to_parent_[0]);
    close(to_child_[1]);
  }
  // In the child.
  void Tell(char c) { (void)!write(to_parent_[1], &c, 1); }
  char Hear() {
    char c = 0;
    return read(to_child_[0], &c, 1) == 1 ? c : 0;
  }
  // In the parent.
  char Listen() {
    char c = 0;
    return read(to_parent_[0], &c, 1) == 1 ? c : 0;
  }
  void Say(char c) { (void)!write(to_child_[1], &c, 1); }
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    return status;
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  bool reaped_ = false;
  int to_parent_[2] = {-1, -1};
  int to_child_[2] = {-1, -1};
};

}  // namespace rt::testing
