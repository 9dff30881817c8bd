// Several running copies of the program on one file: each copy is a child process made with
// fork, which opens the file for itself after the fork (on the server store: a station with a
// connection of its own). Every test runs on both stores.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/sqlite_keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/test_store.h"
#include "runtime/files/transaction.h"
#include "runtime/core/last_error.h"

namespace rt {
namespace {

using testing::AddOdds;
using testing::Copy;
using testing::OddsRow;

class TwoCopiesTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_EQ(store_.Error(), "");
    decl_ = testing::OddsDecl(dir_.File("kf"));
    KeyedFile f(*decl_, &buf_);
    ASSERT_EQ(f.Create(), 0);
    ASSERT_EQ(f.Open(), 0);
    ASSERT_EQ(AddOdds(f, buf_, {1, 2, 3}), 0);
    ASSERT_EQ(f.Close(), 0);
  }
  const FileKey& Key() { return decl_->Key(0); }
  bool Server() const { return store_.Server(); }

  testing::TestStore store_{GetParam()};
  TempFolder dir_;
  std::unique_ptr<FileDeclaration> decl_;
  OddsRow buf_{};
};

INSTANTIATE_TEST_SUITE_P(Stores, TwoCopiesTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Server" : "Local";
                         });

TEST_P(TwoCopiesTest, WatchedRecordChangedByAnotherCopyFailsThePutWith89) {
  KeyedFile f(*decl_, &buf_);
  ASSERT_EQ(f.Open(), 0);
  buf_.nn = 2;
  f.Watch();
  ASSERT_EQ(f.Get(Key()), 0);
  std::string pos = f.Position(&Key());

  Copy other([&](Copy&) {
    OddsRow b{};
    KeyedFile g(*decl_, &b);
    if (g.Open() != 0) return 10;
    b.nn = 2;
    if (g.Get(Key()) != 0) return 11;
    b.kf = 42.0;
    return g.Put();
  });
  ASSERT_TRUE(WIFEXITED(other.Wait()));

  buf_.kf = 7.0;
  EXPECT_EQ(f.Put(), kRecordChanged);
  EXPECT_STREQ(ErrorText(GetLastError().code), "Record changed by another station");
  f.Watch();
  ASSERT_EQ(f.Reget(&Key(), pos), 0);
  EXPECT_EQ(double{buf_.kf}, 42.0);
  buf_.kf = 7.0;
  EXPECT_EQ(f.Put(), 0);
}

TEST_P(TwoCopiesTest, HeldRecordReads43UntilTheHoldingCopyIsKilled) {
  Copy holder([&](Copy& self) {
    OddsRow b{};
    KeyedFile g(*decl_, &b);
    if (g.Open() != 0) return 10;
    b.nn = 2;
    g.Hold();
    if (g.Get(Key()) != 0) return 11;
    self.Tell('H');
    self.Hear();  // blocks until killed
    return 0;
  });
  ASSERT_EQ(holder.Listen(), 'H');

  KeyedFile f(*decl_, &buf_);
  ASSERT_EQ(f.Open(), 0);
  buf_.nn = 2;
  EXPECT_EQ(f.Get(Key()), kRecordHeld);
  f.Set(&Key());
  EXPECT_EQ(f.Next(), 0);
  EXPECT_EQ(f.Next(), kRecordHeld);
  EXPECT_EQ(f.Next(), 0);
  EXPECT_EQ(buf_.nn, 3);
  EXPECT_EQ(f.Put(), 0);  // record 3 is free

  kill(holder.pid(), SIGKILL);
  // Not yet reaped: a zombie holds nothing either.
  for (int i = 0; i < 200; ++i) {
    buf_.nn = 2;
    if (f.Get(Key()) == 0) break;
    usleep(10000);
  }
  EXPECT_EQ(GetLastError().code, 0);
  EXPECT_EQ(buf_.nn, 2);
  int status = holder.Wait();
  EXPECT_TRUE(WIFSIGNALED(status));
  buf_.kf = 5.0;
  EXPECT_EQ(f.Put(), 0);
  // The dead copy's hold is gone from the file at the next open for writing.
  f.Close();
  ASSERT_EQ(f.Open(), 0);
  f.Hold();
  buf_.nn = 2;
  EXPECT_EQ(f.Get(Key()), 0);
  EXPECT_TRUE(f.IsHeld());
}

TEST_P(TwoCopiesTest, TwoCopiesAddingTheSameUniqueKeyTheSecondGets40) {
  // Both copies add NN 9 as close together as two processes can; exactly one succeeds.
  auto adder = [&](Copy& self) {
    OddsRow b{};
    KeyedFile g(*decl_, &b);
    if (g.Open() != 0) return 10;
    self.Tell('R');
    self.Hear();
    b.nn = 9;
    b.kf = getpid();
    return g.Add();
  };
  Copy a(adder), b(adder);
  ASSERT_EQ(a.Listen(), 'R');
  ASSERT_EQ(b.Listen(), 'R');
  a.Say('G');
  b.Say('G');
  int sa = a.Wait(), sb = b.Wait();
  ASSERT_TRUE(WIFEXITED(sa) && WIFEXITED(sb));
  std::vector<int> codes = {WEXITSTATUS(sa), WEXITSTATUS(sb)};
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<int>{kNoError, kDuplicateKey}));

  KeyedFile f(*decl_, &buf_);
  ASSERT_EQ(f.Open(), 0);
  EXPECT_EQ(f.Records(), 4);
  buf_.nn = 9;
  EXPECT_EQ(f.Add(), kDuplicateKey);
}

TEST_P(TwoCopiesTest, CopyKilledInsideATransactionLeavesNothingBehind) {
  Copy writer([&](Copy& self) {
    OddsRow b{};
    KeyedFile g(*decl_, &b);
    if (g.Open() != 0) return 10;
    if (Transaction::Start({&g}) != 0) return 11;
    b.nn = 50;
    if (g.Add() != 0) return 12;
    self.Tell('W');
    self.Hear();
    return 0;
  });
  ASSERT_EQ(writer.Listen(), 'W');
  KeyedFile f(*decl_, &buf_);
  ASSERT_EQ(f.Open(), 0);
  f.Send("Recover=1");
  // The local file is locked whole by the writer; on the server only the row it wrote is, so
  // the same number is what waits there.
  buf_.nn = Server() ? 50 : 60;
  buf_.kf = 7;
  EXPECT_EQ(f.Add(), kDriverError);  // the other copy has the write lock: waited, reported
  EXPECT_EQ(GetLastError().file_code, Server() ? "55P03" : "5") << GetLastError().file_text;
  kill(writer.pid(), SIGKILL);
  writer.Wait();
  // Its uncommitted add goes with it (on the server as soon as its session has ended).
  int rc = kDriverError;
  for (int i = 0; i < 200 && rc == kDriverError; ++i) {
    rc = f.Add();
    if (rc == kDriverError) usleep(10000);
  }
  EXPECT_EQ(rc, 0) << GetLastError().file_text;
  buf_.nn = 50;
  if (Server()) {
    ASSERT_EQ(f.Get(Key()), 0);
    EXPECT_EQ(double{buf_.kf}, 7.0);  // ours, not the dead writer's
  } else {
    EXPECT_EQ(f.Get(Key()), kRecordNotFound);
  }
  EXPECT_EQ(f.Records(), 4);
}

// A copy writing two files in one transaction is killed before its commit, or once its commit
// has returned: the two files change together or not at all.
TEST_P(TwoCopiesTest, TwoFilesOfAKilledCopysTransactionChangeTogetherOrNotAtAll) {
  auto second = testing::OddsDecl(dir_.File("second"));
  {
    OddsRow b{};
    KeyedFile g(*second, &b);
    ASSERT_EQ(g.Create(), 0);
  }
  for (bool commit : {false, true}) {
    Copy writer([&](Copy& self) {
      OddsRow b1{}, b2{};
      KeyedFile f1(*decl_, &b1), f2(*second, &b2);
      if (f1.Open() != 0 || f2.Open() != 0) return 10;
      if (Transaction::Start({&f1, &f2}) != 0) return 11;
      b1.nn = commit ? 70 : 60;
      b2.nn = b1.nn;
      if (f1.Add() != 0 || f2.Add() != 0) return 12;
      if (commit && Transaction::Commit() != 0) return 13;
      self.Tell('w');
      self.Hear();  // killed here
      return 0;
    });
    ASSERT_EQ(writer.Listen(), 'w') << commit;
    kill(writer.pid(), SIGKILL);
    writer.Wait();
    OddsRow b{};
    KeyedFile f1(*decl_, &b), f2(*second, &b);
    ASSERT_EQ(f1.Open(), 0);
    ASSERT_EQ(f2.Open(), 0);
    // A dead copy's lock (or server session) goes a moment after it: a busy read is tried again.
    int found1 = kDriverError, found2 = kDriverError;
    for (int i = 0; i < 200; ++i) {
      b.nn = commit ? 70 : 60;
      found1 = f1.Get(Key());
      b.nn = commit ? 70 : 60;
      found2 = f2.Get(second->Key(0));
      if (found1 != kDriverError && found2 != kDriverError) break;
      usleep(10000);
    }
    int want = commit ? kNoError : kRecordNotFound;
    EXPECT_EQ(found1, want) << commit;
    EXPECT_EQ(found2, want) << commit;
  }
}

// The NN values a whole key-order sequence reads.
std::vector<int> Listed(KeyedFile& f, OddsRow& b, const FileKey& key) {
  std::vector<int> out;
  f.Set(&key);
  while (f.Next() == kNoError) out.push_back(b.nn);
  return out;
}

TEST_P(TwoCopiesTest, AReservationIsSeenByNoOtherCopyAndGoesWithItsOwner) {
  // Another copy reserves row 4 (a row being typed) and is killed before it is entered.
  Copy typist([&](Copy& c) {
    OddsRow b{};
    KeyedFile g(*decl_, &b);
    if (g.Open() != 0) return 10;
    b.nn = 4;
    b.kf = 0;
    if (g.Reserve() != 0) return 11;
    c.Tell('r');
    c.Hear();  // killed here
    return 0;
  });
  ASSERT_EQ(typist.Listen(), 'r');
  KeyedFile f(*decl_, &buf_);
  ASSERT_EQ(f.Open(), 0);
  // Not listed, counted, found by key, or cleared away; but its number is taken.
  EXPECT_EQ(Listed(f, buf_, Key()), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(f.Records(), 3);
  buf_.nn = 4;
  EXPECT_EQ(f.Get(Key()), kRecordNotFound);
  EXPECT_EQ(f.Add(), kDuplicateKey);
  f.SeeReserved(true);
  f.Set(&Key());
  ASSERT_EQ(f.Previous(), 0);
  EXPECT_EQ(buf_.nn, 4);
  f.SeeReserved(false);
  ASSERT_EQ(f.Close(), 0);

  kill(typist.pid(), SIGKILL);
  typist.Wait();
  // The next open finds its owner gone and removes it (the server ends a dead station's
  // session a moment after the process).
  std::vector<int> left;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(f.Open(), 0);
    f.SeeReserved(true);
    left = Listed(f, buf_, Key());
    f.SeeReserved(false);
    if (left.size() == 3) break;
    f.Close();
    usleep(10000);
  }
  EXPECT_EQ(left, (std::vector<int>{1, 2, 3}));
  buf_.nn = 4;
  EXPECT_EQ(f.Add(), 0);

  // The owner's own reservation: a put makes it an ordinary record; one left at close goes.
  buf_.nn = 5;
  ASSERT_EQ(f.Reserve(), 0);
  EXPECT_EQ(f.Records(), 4);
  std::string at = f.Position(nullptr);
  ASSERT_EQ(f.Reget(nullptr, at), 0);
  buf_.kf = 2.5;
  ASSERT_EQ(f.Put(), 0);
  EXPECT_EQ(Listed(f, buf_, Key()), (std::vector<int>{1, 2, 3, 4, 5}));
  buf_.nn = 6;
  ASSERT_EQ(f.Reserve(), 0);
  ASSERT_EQ(f.Close(), 0);
  ASSERT_EQ(f.Open(), 0);
  f.SeeReserved(true);
  EXPECT_EQ(Listed(f, buf_, Key()), (std::vector<int>{1, 2, 3, 4, 5}));
  f.SeeReserved(false);
  // No hold is left behind by any of it.
  if (Server()) {
    EXPECT_EQ(store_.Raw("DO $$ BEGIN IF (SELECT count(*) FROM pg_locks WHERE locktype = "
                         "'advisory' AND classid = to_regclass('kf')::oid) > 0 THEN RAISE "
                         "EXCEPTION 'holds left'; END IF; END $$"),
              "");
    return;
  }
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(f.Sqlite()->Connection(), "SELECT count(*) FROM holds", -1, &st, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(st, 0), 0);
  sqlite3_finalize(st);
}

TEST_P(TwoCopiesTest, DeleteAllEmptiesTheTableInOneWriteAndLeavesWhatAnotherCopyHolds) {
  Copy other([&](Copy& c) {
    OddsRow b{};
    KeyedFile g(*decl_, &b);
    if (g.Open() != 0) return 10;
    b.nn = 2;
    g.Hold();
    if (g.Get(decl_->Key(0)) != 0) return 11;
    b.nn = 9;
    if (g.Reserve() != 0) return 12;
    c.Tell('h');
    c.Hear();
    return 0;
  });
  ASSERT_EQ(other.Listen(), 'h');
  KeyedFile f(*decl_, &buf_);
  ASSERT_EQ(f.Open(), 0);
  ASSERT_EQ(AddOdds(f, buf_, {4, 5}), 0);
  buf_.nn = 6;
  ASSERT_EQ(f.Reserve(), 0);  // ours goes too
  int64_t deleted = 0;
  ASSERT_EQ(f.DeleteAll(&deleted), 0);
  EXPECT_EQ(deleted, 5);
  f.SeeReserved(true);
  std::vector<int> left;
  f.Set(&Key());
  for (int rc; (rc = f.Next()) != kNoRecordAvailable;) left.push_back(rc == 0 ? buf_.nn : -rc);
  EXPECT_EQ(left, (std::vector<int>{-kRecordHeld, 9}));  // row 2, held; 9, reserved there
  f.SeeReserved(false);
  EXPECT_EQ(f.Records(), 1);
  other.Say('x');
  ASSERT_TRUE(WIFEXITED(other.Wait()));
  // Read-only copies cannot clear.
  KeyedFile r(*decl_, &buf_);
  ASSERT_EQ(r.Open(KeyedFile::kReadOnly), 0);
  EXPECT_EQ(r.DeleteAll(), kAccessDenied);
}

}  // namespace
}  // namespace rt
