// Crashes: a copy killed with SIGKILL while it writes, at random moments and at chosen points
// inside a commit over two files. Whatever was reported written must be there afterwards, and
// a transaction must be whole or absent.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/transaction.h"

namespace rt {
namespace {

using testing::Copy;
using testing::OddsRow;

// --- A SQLite VFS that kills its own process at a chosen point ------------------------------
// It passes everything to the system's VFS and raises SIGKILL at the first write to one
// database file, or at the deletion of one file, once armed.

struct KillPoints {
  std::string write_to;   // a database file's path
  std::string delete_of;  // a file's path
  bool armed = false;
};
KillPoints g_kill;
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_shim;
sqlite3_io_methods g_methods;

struct ShimFile {
  sqlite3_file base;
  std::string* path;
  sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

ShimFile* Shim(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f); }

int ShimClose(sqlite3_file* f) {
  int rc = Shim(f)->real()->pMethods->xClose(Shim(f)->real());
  delete Shim(f)->path;
  return rc;
}
int ShimRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) {
  return Shim(f)->real()->pMethods->xRead(Shim(f)->real(), b, n, o);
}
int ShimWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o) {
  if (g_kill.armed && *Shim(f)->path == g_kill.write_to) raise(SIGKILL);
  return Shim(f)->real()->pMethods->xWrite(Shim(f)->real(), b, n, o);
}
int ShimTruncate(sqlite3_file* f, sqlite3_int64 s) {
  return Shim(f)->real()->pMethods->xTruncate(Shim(f)->real(), s);
}
int ShimSync(sqlite3_file* f, int flags) {
  return Shim(f)->real()->pMethods->xSync(Shim(f)->real(), flags);
}
int ShimFileSize(sqlite3_file* f, sqlite3_int64* s) {
  return Shim(f)->real()->pMethods->xFileSize(Shim(f)->real(), s);
}
int ShimLock(sqlite3_file* f, int l) { return Shim(f)->real()->pMethods->xLock(Shim(f)->real(), l); }
int ShimUnlock(sqlite3_file* f, int l) {
  return Shim(f)->real()->pMethods->xUnlock(Shim(f)->real(), l);
}
int ShimCheckReserved(sqlite3_file* f, int* r) {
  return Shim(f)->real()->pMethods->xCheckReservedLock(Shim(f)->real(), r);
}
int ShimFileControl(sqlite3_file* f, int op, void* a) {
  return Shim(f)->real()->pMethods->xFileControl(Shim(f)->real(), op, a);
}
int ShimSectorSize(sqlite3_file* f) {
  return Shim(f)->real()->pMethods->xSectorSize(Shim(f)->real());
}
int ShimDevice(sqlite3_file* f) {
  return Shim(f)->real()->pMethods->xDeviceCharacteristics(Shim(f)->real());
}

int ShimOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* out) {
  ShimFile* s = Shim(f);
  s->base.pMethods = nullptr;
  int rc = g_real->xOpen(g_real, name, s->real(), flags, out);
  if (rc != SQLITE_OK) return rc;
  s->path = new std::string(name ? name : "");
  s->base.pMethods = &g_methods;
  return rc;
}

int ShimDelete(sqlite3_vfs*, const char* name, int sync) {
  if (g_kill.armed && name && g_kill.delete_of == name) raise(SIGKILL);
  return g_real->xDelete(g_real, name, sync);
}

// Makes the killing VFS this process's default (called in a child only).
void InstallKillingVfs() {
  g_real = sqlite3_vfs_find(nullptr);
  g_shim = *g_real;
  g_shim.zName = "kill-points";
  g_shim.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_real->szOsFile;
  g_shim.xOpen = ShimOpen;
  g_shim.xDelete = ShimDelete;
  g_methods = sqlite3_io_methods{};
  g_methods.iVersion = 1;  // no shared memory or memory mapping: the rollback journal only
  g_methods.xClose = ShimClose;
  g_methods.xRead = ShimRead;
  g_methods.xWrite = ShimWrite;
  g_methods.xTruncate = ShimTruncate;
  g_methods.xSync = ShimSync;
  g_methods.xFileSize = ShimFileSize;
  g_methods.xLock = ShimLock;
  g_methods.xUnlock = ShimUnlock;
  g_methods.xCheckReservedLock = ShimCheckReserved;
  g_methods.xFileControl = ShimFileControl;
  g_methods.xSectorSize = ShimSectorSize;
  g_methods.xDeviceCharacteristics = ShimDevice;
  sqlite3_vfs_register(&g_shim, 1);
}

// --- Records added in a loop until the writer is killed --------------------------------------

#pragma pack(push, 1)
struct CountRow {
  int32_t id;
  double value;
};
#pragma pack(pop)

std::unique_ptr<FileDeclaration> CountDecl(const std::string& name) {
  RecordDescriptor r;
  r.Add("CR:ID", Type::Long).Add("CR:VALUE", Type::Real);
  auto d = std::make_unique<FileDeclaration>("CR", name, r);
  d->AddKey("CR:id_key").Ascending(0).Unique();
  return d;
}

TEST(KeyedFileCrashTest, KilledWriterLosesNothingThatWasReportedWritten) {
  TempFolder dir;
  auto decl = CountDecl(dir.File("counts"));
  CountRow row{};
  {
    KeyedFile f(*decl, &row);
    ASSERT_EQ(f.Create(), 0);
  }
  std::mt19937 rng(20240611);
  std::set<int32_t> reported;
  int32_t next = 1;
  for (int round = 0; round < 4; ++round) {
    int pipe_fd[2];
    ASSERT_EQ(pipe(pipe_fd), 0);
    int32_t first = next;
    pid_t pid = fork();
    if (pid == 0) {
      close(pipe_fd[0]);
      CountRow r{};
      KeyedFile g(*decl, &r);
      if (g.Open() != 0) _exit(10);
      for (int32_t i = first;; ++i) {
        r.id = i;
        r.value = i * 0.5;
        if (g.Add() != 0) _exit(11);
        if (write(pipe_fd[1], &i, sizeof i) != sizeof i) _exit(12);
      }
    }
    close(pipe_fd[1]);
    // Kill it after a random number of reported adds, plus a random moment more.
    int wanted = std::uniform_int_distribution<int>(5, 60)(rng);
    int32_t id;
    int got = 0;
    while (got < wanted && read(pipe_fd[0], &id, sizeof id) == sizeof id) {
      reported.insert(id);
      ++got;
    }
    usleep(std::uniform_int_distribution<int>(0, 3000)(rng));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);
    while (read(pipe_fd[0], &id, sizeof id) == sizeof id) reported.insert(id);
    close(pipe_fd[0]);
    ASSERT_EQ(got, wanted);

    KeyedFile f(*decl, &row);
    ASSERT_EQ(f.Open(), 0);
    std::set<int32_t> stored;
    f.Set(&decl->Key(0));
    while (f.Next() == 0) {
      int32_t id = row.id;  // copies: the packed fields are not aligned for references
      double value = row.value;
      stored.insert(id);
      EXPECT_EQ(value, id * 0.5);
    }
    int32_t last_reported = *reported.rbegin();
    for (int32_t r : reported) EXPECT_TRUE(stored.count(r)) << "reported " << r << " is lost";
    for (int32_t s : stored) {
      EXPECT_TRUE(reported.count(s) || s == last_reported + 1) << "unreported " << s;
    }
    next = *stored.rbegin() + 1;
    reported = stored;  // the one in flight, if it landed, counts from now on
  }
}

// --- A transaction over two files killed inside its commit -----------------------------------

class TransactionCrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = testing::OddsDecl(dir_.File("a"));
    b_ = testing::OddsDecl(dir_.File("b"));
    for (auto* d : {a_.get(), b_.get()}) {
      KeyedFile f(*d, &buf_);
      ASSERT_EQ(f.Create(), 0);
      ASSERT_EQ(f.Open(), 0);
      buf_.nn = 1;
      buf_.kf = 1.5;
      ASSERT_EQ(f.Add(), 0);
    }
  }
  // A child changes the record of both files in one transaction and is killed at the point
  // `arm` chooses; returns the odds each file holds afterwards.
  std::pair<double, double> KillDuringCommit(const std::function<void()>& arm) {
    Copy writer([&](Copy&) {
      InstallKillingVfs();
      OddsRow ra{}, rb{};
      KeyedFile fa(*a_, &ra), fb(*b_, &rb);
      if (fa.Open() != 0 || fb.Open() != 0) return 10;
      if (Transaction::Start({&fa, &fb}) != 0) return 11;
      ra.nn = rb.nn = 1;
      if (fa.Get(a_->Key(0)) != 0 || fb.Get(b_->Key(0)) != 0) return 12;
      ra.kf = rb.kf = 2.5;
      if (fa.Put() != 0 || fb.Put() != 0) return 13;
      arm();
      g_kill.armed = true;
      Transaction::Commit();
      return 14;  // not killed: the kill point was never reached
    });
    int status = writer.Wait();
    EXPECT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    leftovers_.clear();
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      leftovers_.insert(e.path().filename().string());
    }
    double odds[2] = {0, 0};
    int i = 0;
    for (auto* d : {a_.get(), b_.get()}) {
      KeyedFile f(*d, &buf_);
      EXPECT_EQ(f.Open(), 0);
      buf_.nn = 1;
      EXPECT_EQ(f.Get(d->Key(0)), 0);
      odds[i++] = buf_.kf;
    }
    return {odds[0], odds[1]};
  }
  bool HasSuperJournal() const {
    return std::any_of(leftovers_.begin(), leftovers_.end(),
                       [](const std::string& n) { return n.find("-mj") != std::string::npos; });
  }

  TempFolder dir_;
  std::unique_ptr<FileDeclaration> a_, b_;
  OddsRow buf_{};
  std::set<std::string> leftovers_;
};

TEST_F(TransactionCrashTest, KilledAfterTheFirstFileWasWrittenLeavesBothAsBefore) {
  auto [a, b] = KillDuringCommit([&] { g_kill.write_to = b_->Name(); });
  // The kill came between the two files: the first file's journal and the super-journal
  // were still on disk.
  EXPECT_TRUE(leftovers_.count("a-journal"));
  EXPECT_TRUE(HasSuperJournal());
  EXPECT_EQ(a, 1.5);
  EXPECT_EQ(b, 1.5);
}

TEST_F(TransactionCrashTest, KilledAfterTheCommitPointLeavesBothAsAfter) {
  // Deleting the super-journal commits; the kill comes when the first journal is tidied up.
  auto [a, b] = KillDuringCommit([&] { g_kill.delete_of = a_->Name() + "-journal"; });
  EXPECT_TRUE(leftovers_.count("a-journal"));
  EXPECT_FALSE(HasSuperJournal());
  EXPECT_EQ(a, 2.5);
  EXPECT_EQ(b, 2.5);
}

}  // namespace
}  // namespace rt
