#include "runtime/files/transaction.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/test_store.h"
#include "runtime/core/last_error.h"

namespace rt {
namespace {

using testing::AddOdds;
using testing::OddsRow;

// A file of odds 1..3 opened by "this station" (file) and by another one (other), each with
// its own buffer; on the store the test names.
class RolledBackTransactionFixture : public ::testing::Test {
 protected:
  explicit RolledBackTransactionFixture(bool server) : store_(server) {}
  void SetUp() override {
    ASSERT_EQ(store_.Error(), "");
    decl_ = testing::OddsDecl(dir_.File("kf"));
    file_ = std::make_unique<KeyedFile>(*decl_, &buf_);
    other_ = std::make_unique<KeyedFile>(*decl_, &other_buf_);
    ASSERT_EQ(file_->Create(), 0);
    ASSERT_EQ(file_->Open(), 0);
    ASSERT_EQ(AddOdds(*file_, buf_, {1, 2, 3}), 0);
    ASSERT_EQ(other_->Open(), 0);
  }
  const FileKey& Key() { return decl_->Key(0); }
  // Reads record nn into buf_, under a watch (and a hold) when asked.
  int Read(int nn, bool watch, bool hold = false) {
    if (watch) file_->Watch();
    if (hold) file_->Hold();
    buf_.nn = static_cast<uint8_t>(nn);
    return file_->Get(Key());
  }
  // The stored odds of record nn as another station reads them; -1 when it cannot.
  double Stored(int nn) {
    other_buf_.nn = static_cast<uint8_t>(nn);
    return other_->Get(Key()) == 0 ? other_buf_.kf : -1;
  }
  // Another station changes record nn's odds.
  void OtherChanges(int nn, double kf) {
    other_buf_.nn = static_cast<uint8_t>(nn);
    ASSERT_EQ(other_->Get(Key()), 0);
    other_buf_.kf = kf;
    ASSERT_EQ(other_->Put(), 0);
  }
  // Starts a transaction on this station's file, puts record nn with odds kf, rolls back.
  void PutAndRollBack(double kf) {
    ASSERT_EQ(Transaction::Start({file_.get()}), 0);
    buf_.kf = kf;
    ASSERT_EQ(file_->Put(), 0);
    ASSERT_EQ(Transaction::Rollback(), 0);
  }

  testing::TestStore store_;  // first made, last gone
  TempFolder dir_;
  std::unique_ptr<FileDeclaration> decl_;
  OddsRow buf_{};
  OddsRow other_buf_{};
  std::unique_ptr<KeyedFile> file_;
  std::unique_ptr<KeyedFile> other_;
};

// Every test but the last runs on both stores.
class RolledBackTransactionTest : public RolledBackTransactionFixture,
                                  public ::testing::WithParamInterface<bool> {
 protected:
  RolledBackTransactionTest() : RolledBackTransactionFixture(GetParam()) {}
};

INSTANTIATE_TEST_SUITE_P(Stores, RolledBackTransactionTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Server" : "Local";
                         });

class LocalRolledBackTransactionTest : public RolledBackTransactionFixture {
 protected:
  LocalRolledBackTransactionTest() : RolledBackTransactionFixture(false) {}

};

TEST_P(RolledBackTransactionTest, WatchTakenBeforeTheTransactionMatchesTheRestoredRecord) {
  ASSERT_EQ(Read(2, true), 0);
  PutAndRollBack(7);
  EXPECT_EQ(Stored(2), 3);  // the write is undone
  EXPECT_TRUE(file_->IsWatched());
  // Nobody else changed the record: saving again outside the transaction just works.
  buf_.kf = 8;
  EXPECT_EQ(file_->Put(), 0);
  EXPECT_EQ(Stored(2), 8);
  // A real change by another station is still caught.
  OtherChanges(2, 9);
  buf_.kf = 10;
  EXPECT_EQ(file_->Put(), kRecordChanged);
  EXPECT_EQ(Stored(2), 9);
}

TEST_P(RolledBackTransactionTest, WatchTakenInsideTheTransactionMatchesTheRestoredRecord) {
  // Read under watch inside the transaction, before and after the transaction's own write.
  for (bool read_after_put : {false, true}) {
    SCOPED_TRACE(read_after_put ? "watch on the transaction's version" : "watch, then put");
    ASSERT_EQ(Transaction::Start({file_.get()}), 0);
    ASSERT_EQ(Read(1, !read_after_put), 0);
    buf_.kf = 20;
    ASSERT_EQ(file_->Put(), 0);
    buf_.kf = 21;
    ASSERT_EQ(file_->Put(), 0);
    if (read_after_put) {
      ASSERT_EQ(Read(1, true), 0);
      EXPECT_EQ(double{buf_.kf}, 21);
    }
    ASSERT_EQ(Transaction::Rollback(), 0);
    EXPECT_EQ(Stored(1), read_after_put ? 23 : 1.5);
    buf_.kf = 22;
    EXPECT_EQ(file_->Put(), 0);
    EXPECT_EQ(Stored(1), 22);
    OtherChanges(1, 23);
    EXPECT_EQ(file_->Put(), kRecordChanged);
  }
}

TEST_P(RolledBackTransactionTest, WatchStaleBeforeTheTransactionStaysStale) {
  ASSERT_EQ(Read(3, true), 0);
  OtherChanges(3, 30);
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  buf_.kf = 31;
  EXPECT_EQ(file_->Put(), kRecordChanged);
  ASSERT_EQ(Transaction::Rollback(), 0);
  EXPECT_EQ(file_->Put(), kRecordChanged);
  EXPECT_EQ(Stored(3), 30);

  // The same when the transaction's writes went to other records of the file.
  ASSERT_EQ(Read(3, true), 0);
  OtherChanges(3, 32);
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  ASSERT_EQ(Read(1, false), 0);
  buf_.kf = 33;
  ASSERT_EQ(file_->Put(), 0);
  ASSERT_EQ(Read(3, true), 0);  // re-read: now it is the other station's version
  ASSERT_EQ(Transaction::Rollback(), 0);
  buf_.kf = 34;
  EXPECT_EQ(file_->Put(), 0);
  EXPECT_EQ(Stored(3), 34);
  EXPECT_EQ(Stored(1), 1.5);
}

TEST_P(RolledBackTransactionTest, RollbackGivesBackTheCurrentRecordAndItsHold) {
  ASSERT_EQ(Read(2, true, true), 0);
  std::string position = file_->Position(&Key());
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  buf_.nn = 12;  // a new key value
  buf_.kf = 7;
  ASSERT_EQ(file_->Put(), 0);  // the put lets the hold go...
  EXPECT_FALSE(file_->IsHeld());
  ASSERT_EQ(Transaction::Rollback(), 0);
  // ...and the rollback brings it back, for the file and for other stations alike.
  EXPECT_TRUE(file_->IsHeld());
  other_buf_.nn = 2;
  EXPECT_EQ(other_->Get(Key()), kRecordHeld);
  other_buf_.nn = 12;
  EXPECT_EQ(other_->Get(Key()), kRecordNotFound);
  EXPECT_EQ(file_->Position(&Key()), position);  // the stored key values, not the undone ones
  buf_.nn = 2;
  buf_.kf = 8;
  EXPECT_EQ(file_->Put(), 0);
  EXPECT_FALSE(file_->IsHeld());
  EXPECT_EQ(Stored(2), 8);

  // A hold placed inside the transaction goes with it.
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  ASSERT_EQ(Read(3, false, true), 0);
  EXPECT_TRUE(file_->IsHeld());
  ASSERT_EQ(Transaction::Rollback(), 0);
  EXPECT_FALSE(file_->IsHeld());
  EXPECT_EQ(Stored(3), 4.5);
}

TEST_P(RolledBackTransactionTest, UndoneDeleteAndUndoneAddLeaveTheRightCurrentRecord) {
  // An undone delete: the record is back and still the current, watched one.
  ASSERT_EQ(Read(1, true), 0);
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  ASSERT_EQ(file_->Delete(), 0);
  EXPECT_EQ(file_->Put(), kNoRecordAvailable);
  ASSERT_EQ(Transaction::Rollback(), 0);
  EXPECT_TRUE(file_->IsWatched());
  buf_.kf = 5;
  EXPECT_EQ(file_->Put(), 0);
  EXPECT_EQ(Stored(1), 5);
  OtherChanges(1, 6);
  EXPECT_EQ(file_->Put(), kRecordChanged);

  // A read after the delete made another record current: the read is not undone.
  ASSERT_EQ(Read(1, true), 0);
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  ASSERT_EQ(file_->Delete(), 0);
  ASSERT_EQ(Read(3, false), 0);
  ASSERT_EQ(Transaction::Rollback(), 0);
  EXPECT_FALSE(file_->IsWatched());
  buf_.kf = 9;
  EXPECT_EQ(file_->Put(), 0);
  EXPECT_EQ(Stored(3), 9);
  EXPECT_EQ(Stored(1), 6);

  // An undone add leaves no current record: a put must not write the new record's values
  // over the record that was current before the add.
  ASSERT_EQ(Read(2, true), 0);
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  buf_.nn = 50;
  buf_.kf = 51;
  ASSERT_EQ(file_->Add(), 0);
  ASSERT_EQ(file_->Watch(), 0);
  ASSERT_EQ(file_->Get(Key()), 0);
  ASSERT_EQ(Transaction::Rollback(), 0);
  EXPECT_FALSE(file_->IsWatched());
  EXPECT_EQ(file_->Put(), kNoRecordAvailable);
  EXPECT_EQ(file_->Position(&Key()), "");
  EXPECT_EQ(file_->Records(), 3);
  EXPECT_EQ(Stored(2), 3);  // untouched by the attempt
  EXPECT_EQ(Stored(50), -1);
}

// A commit that cannot finish because another connection still reads one of the files: the
// runtime rolls everything back, and both files can be saved again at once.
TEST_F(LocalRolledBackTransactionTest, CommitThatFailsIsUndoneWholeAndWatchesStayValid) {
  auto decl2 = testing::OddsDecl(dir_.File("second"));
  OddsRow buf2{};
  KeyedFile second(*decl2, &buf2);
  ASSERT_EQ(second.Create(), 0);
  ASSERT_EQ(second.Open(), 0);
  ASSERT_EQ(AddOdds(second, buf2, {1}), 0);
  buf2.nn = 1;
  second.Watch();
  ASSERT_EQ(second.Get(decl2->Key(0)), 0);
  ASSERT_EQ(Read(2, true), 0);

  // An open read transaction keeps a shared lock on the second file, which the commit needs
  // to take away.
  sqlite3* reader = nullptr;
  ASSERT_EQ(sqlite3_open_v2(second.Name().c_str(), &reader, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM records", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  ASSERT_EQ(file_->Send("Recover=0"), 0);  // fail at once instead of waiting
  ASSERT_EQ(Transaction::Start({file_.get(), &second}), 0);
  buf_.kf = 40;
  ASSERT_EQ(file_->Put(), 0);
  buf2.kf = 41;
  ASSERT_EQ(second.Put(), 0);
  EXPECT_EQ(Transaction::Commit(), kDriverError);
  EXPECT_EQ(GetLastError().file_text, "database is locked");
  EXPECT_FALSE(Transaction::Active());
  sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(reader);
  ASSERT_EQ(file_->Send("Recover=10"), 0);

  EXPECT_EQ(Stored(2), 3);
  OddsRow check{};
  KeyedFile second_other(*decl2, &check);
  ASSERT_EQ(second_other.Open(), 0);
  check.nn = 1;
  ASSERT_EQ(second_other.Get(decl2->Key(0)), 0);
  EXPECT_EQ(double{check.kf}, 1.5);

  buf_.kf = 42;
  EXPECT_EQ(file_->Put(), 0);
  buf2.kf = 43;
  EXPECT_EQ(second.Put(), 0);
  EXPECT_EQ(Stored(2), 42);
  ASSERT_EQ(second_other.Get(decl2->Key(0)), 0);
  EXPECT_EQ(double{check.kf}, 43);
  check.kf = 44;
  ASSERT_EQ(second_other.Put(), 0);
  EXPECT_EQ(second.Put(), kRecordChanged);
}

}  // namespace
}  // namespace rt
