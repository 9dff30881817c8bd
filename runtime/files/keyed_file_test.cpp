#include "runtime/files/keyed_file.h"
#include "runtime/files/sqlite_keyed_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/test_store.h"
#include "runtime/files/transaction.h"
#include "runtime/core/last_error.h"

namespace rt {
namespace {

using testing::AddOdds;
using testing::NameRow;
using testing::OddsRow;
using testing::PersonRow;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs one statement on the file with plain SQLite, as another tool would.
int RawExec(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rc;
}

// The conformance suite runs every test of KeyedFileTest on both stores (TEST_P); what only
// the local files have (a file on disk, its modes, SQLite's own tools) is LocalKeyedFileTest's.
class KeyedFileFixture : public ::testing::Test {
 protected:
  explicit KeyedFileFixture(bool server) : store_(server) {}
  void SetUp() override {
    ASSERT_EQ(store_.Error(), "");
    decl_ = testing::OddsDecl(dir_.File("kf"));
    file_ = std::make_unique<KeyedFile>(*decl_, &buf_);
  }
  // Reads the whole file in the key's order (nullptr: record order) and lists the NN values.
  std::vector<int> ReadAll(KeyedFile& f, const FileKey* key, bool forward = true) {
    std::vector<int> out;
    EXPECT_EQ(f.Set(key), 0);
    while ((forward ? f.Next() : f.Previous()) == 0) out.push_back(buf_.nn);
    EXPECT_EQ(GetLastError().code, kNoRecordAvailable);
    return out;
  }
  const FileKey& Key() { return decl_->Key(0); }
  bool Server() const { return store_.Server(); }
  // Drops the index of the odds key behind the file's back, as another tool would.
  void DropKeyIndex(const std::string& path) {
    if (Server()) ASSERT_EQ(store_.Raw("DROP INDEX \"kf:KF:nn_key\""), "");
    else ASSERT_EQ(RawExec(path, "DROP INDEX \"key:KF:nn_key\""), SQLITE_OK);
  }

  testing::TestStore store_;  // first made, last gone: the files close before their store
  TempFolder dir_;
  std::unique_ptr<FileDeclaration> decl_;
  OddsRow buf_{};
  std::unique_ptr<KeyedFile> file_;
};

class KeyedFileTest : public KeyedFileFixture, public ::testing::WithParamInterface<bool> {
 protected:
  KeyedFileTest() : KeyedFileFixture(GetParam()) {}
};

INSTANTIATE_TEST_SUITE_P(Stores, KeyedFileTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Server" : "Local";
                         });

class LocalKeyedFileTest : public KeyedFileFixture {
 protected:
  LocalKeyedFileTest() : KeyedFileFixture(false) {}
};

TEST_P(KeyedFileTest, EveryErrorCodeComesFromARealSituationWithItsText) {
  struct Row {
    const char* situation;
    int got;
    int want;
  };
  std::vector<Row> table;
  KeyedFile& f = *file_;
  table.push_back({"open of a missing file", f.Open(), kFileNotFound});
  table.push_back({"operation on a closed file", f.Next(), kFileNotOpen});
  table.push_back({"create", f.Create(), kNoError});
  table.push_back({"open", f.Open(), kNoError});
  table.push_back({"open of an open file", f.Open(), kFileAlreadyOpen});
  AddOdds(f, buf_, {1, 2});
  buf_.nn = 2;
  table.push_back({"add of a unique key that exists", f.Add(), kDuplicateKey});
  f.Set(&Key());
  f.Next();
  f.Next();
  table.push_back({"read past the end", f.Next(), kNoRecordAvailable});
  buf_.nn = 9;
  table.push_back({"get by a key value nobody has", f.Get(Key()), kRecordNotFound});

  // A second handle in this process is another station for holds and watches.
  OddsRow other_buf{};
  KeyedFile other(*decl_, &other_buf);
  other.Open();
  buf_.nn = 1;
  f.Hold();
  f.Get(Key());
  other_buf.nn = 1;
  table.push_back({"get of a record another station holds", other.Get(Key()), kRecordHeld});
  f.Release();
  f.Watch();
  f.Get(Key());
  other.Get(Key());
  other_buf.kf = 99;
  other.Put();
  buf_.kf = 5;
  table.push_back({"put of a watched record changed meanwhile", f.Put(), kRecordChanged});
  other.Close();
  f.Close();

  DropKeyIndex(f.Name());
  table.push_back({"open when a key's index is missing", f.Open(), kKeysMustBeRebuilt});
  table.push_back({"rebuild of the keys", f.BuildKeys(), kNoError});

  RecordDescriptor same_fields;
  same_fields.Add("KF:NN", Type::Byte).Add("KF:KF", Type::Real);
  FileDeclaration changed("KF", f.Name(), same_fields);
  changed.AddKey("KF:nn_key").Ascending(0).AllowDuplicates();  // was unique
  KeyedFile wrong(changed, &buf_);
  table.push_back({"open under another declaration", wrong.Open(), kInvalidRecordDeclaration});

  table.push_back({"open read-only", f.Open(KeyedFile::kReadOnly), kNoError});
  table.push_back({"add to a file opened read-only", f.Add(), kAccessDenied});
  table.push_back({"read-only file joining a transaction", f.MarkForTransaction(), kNotSupported});
  f.Close();

  if (Server()) {
    // No server listens there: the open says so in libpq's own words.
    StoreChoice::Set("postgresql:///tovik?host=" + dir_.File("nowhere") + "&port=1");
    KeyedFile bad(*decl_, &buf_);
    table.push_back({"open on a server that is not there", bad.Open(), kDriverError});
    EXPECT_NE(GetLastError().file_text.find("nowhere"), std::string::npos)
        << GetLastError().file_text;
    EXPECT_FALSE(bad.IsOpen());
    StoreChoice::Set(store_.Uri());
  } else {
    std::string junk = dir_.File("junk");
    std::ofstream(junk, std::ios::binary) << std::string(4096, '\x5a');
    KeyedFile bad(*decl_, &buf_);
    bad.SetName(junk);
    table.push_back({"open of a file that is not a database", bad.Open(), kDriverError});
    EXPECT_EQ(GetLastError().file_code, "26");
    EXPECT_EQ(GetLastError().file_text, "file is not a database");
  }

  for (const Row& r : table) EXPECT_EQ(r.got, r.want) << r.situation;

  const std::pair<int, const char*> texts[] = {
      {0, "No error"}, {2, "File not found"}, {5, "Access denied"}, {33, "No record available"},
      {35, "Record not found"}, {37, "File not open"}, {40, "Duplicate key"},
      {43, "Record held by another station"}, {46, "Keys must be rebuilt"},
      {47, "Invalid record declaration"}, {52, "File already open"},
      {80, "Not supported by the driver"}, {89, "Record changed by another station"},
      {90, "Driver error"}};
  for (const auto& [code, text] : texts) {
    EXPECT_STREQ(ErrorText(code), text) << code;
    bool produced = false;
    for (const Row& r : table) produced = produced || r.want == code;
    EXPECT_TRUE(produced) << "no situation above gives " << code;
  }
  SetLastError(kRecordHeld);
  EXPECT_EQ(LastErrorText(), "Record held by another station");
}

TEST_P(KeyedFileTest, KeyOrderRecordOrderAndPositioning) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {5, 1, 9, 3, 7}), 0);
  EXPECT_EQ(file_->Records(), 5);
  EXPECT_EQ(ReadAll(*file_, &Key()), (std::vector<int>{1, 3, 5, 7, 9}));
  EXPECT_EQ(ReadAll(*file_, &Key(), false), (std::vector<int>{9, 7, 5, 3, 1}));
  EXPECT_EQ(ReadAll(*file_, nullptr), (std::vector<int>{5, 1, 9, 3, 7}));

  // From the buffer: Next reads the first at or after 4, Previous the last at or before it.
  buf_.nn = 4;
  file_->SetFromBuffer(Key());
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 5);
  buf_.nn = 5;
  file_->SetFromBuffer(Key());
  ASSERT_EQ(file_->Previous(), 0);
  EXPECT_EQ(buf_.nn, 5);
  EXPECT_EQ(file_->Previous(), 0);
  EXPECT_EQ(buf_.nn, 3);

  // The calculator's read loop: position at 0, read until the end-of-file test says so.
  buf_.nn = 0;
  file_->SetFromBuffer(Key());
  std::vector<double> odds;
  while (!file_->Eof()) {
    file_->Next();
    odds.push_back(double{buf_.kf});
  }
  EXPECT_EQ(odds, (std::vector<double>{1.5, 4.5, 7.5, 10.5, 13.5}));

  // Get by key reads the record and the sequence goes on from it.
  buf_.nn = 7;
  ASSERT_EQ(file_->Get(Key()), 0);
  EXPECT_EQ(double{buf_.kf}, 10.5);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 9);
}

TEST_P(KeyedFileTest, PositionsSurviveOtherRecordsAddedAndDeleted) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 3, 5, 7, 9}), 0);
  buf_.nn = 5;
  ASSERT_EQ(file_->Get(Key()), 0);
  std::string by_key = file_->Position(&Key());
  std::string by_order = file_->Position(nullptr);
  EXPECT_EQ(by_key.back() != ' ', true);

  ASSERT_EQ(AddOdds(*file_, buf_, {4, 6, 2}), 0);
  buf_.nn = 3;
  ASSERT_EQ(file_->Get(Key()), 0);
  ASSERT_EQ(file_->Delete(), 0);

  // Blank padding from a list queue's fixed-size field does not spoil a position.
  ASSERT_EQ(file_->Reset(&Key(), by_key + std::string(30, ' ')), 0);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 5);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 6);
  ASSERT_EQ(file_->Reget(nullptr, by_order), 0);
  EXPECT_EQ(buf_.nn, 5);

  // The record at the position goes: a restart reads on from its place, a re-get fails.
  ASSERT_EQ(file_->Delete(), 0);
  ASSERT_EQ(file_->Reset(&Key(), by_key), 0);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 6);
  ASSERT_EQ(file_->Reset(&Key(), by_key), 0);
  ASSERT_EQ(file_->Previous(), 0);
  EXPECT_EQ(buf_.nn, 4);
  EXPECT_EQ(file_->Reget(&Key(), by_key), kRecordNotFound);
  EXPECT_EQ(file_->Reget(nullptr, by_order), kRecordNotFound);
  ASSERT_EQ(file_->Reset(nullptr, by_order), 0);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 7);  // record order: the next one added after 5

  // A number added later never takes a deleted record's identity.
  ASSERT_EQ(AddOdds(*file_, buf_, {5}), 0);
  EXPECT_EQ(file_->Reget(nullptr, by_order), kRecordNotFound);

  EXPECT_EQ(file_->Reset(&Key(), by_order), kRecordNotFound);  // a record-order text
  EXPECT_EQ(file_->Reset(&Key(), "K1|x|3"), kRecordNotFound);
  file_->ClearCurrent();
  EXPECT_EQ(file_->Position(&Key()), "");
  EXPECT_EQ(GetLastError().code, kNoRecordAvailable);
}

TEST_P(KeyedFileTest, DeletingWhileReadingForwardVisitsEveryRecordOnce) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2, 3, 4, 5, 6}), 0);
  // The clear button's loop: position at the start, read on and delete each record read.
  buf_.nn = 0;
  file_->SetFromBuffer(Key());
  int deleted = 0;
  while (file_->Next() == 0) {
    ASSERT_EQ(file_->Delete(), 0);
    ++deleted;
  }
  EXPECT_EQ(deleted, 6);
  EXPECT_EQ(file_->Records(), 0);
  // The auto-number read: start, previous on an empty file is "no record".
  file_->Set(&Key());
  EXPECT_EQ(file_->Previous(), kNoRecordAvailable);
}

TEST_P(KeyedFileTest, AReadingLoopSeesEveryRecordOnceAndAnotherStationsDeleteAMomentLater) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  std::vector<int> all;
  for (int n = 1; n <= 100; ++n) all.push_back(n);
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  for (int n : all) ASSERT_EQ(AddOdds(*file_, buf_, {n}), 0);
  ASSERT_EQ(Transaction::Commit(), 0);
  // Eof then Next, forward and back, across many rows: each once, in order.
  std::vector<int> seen;
  file_->Set(&Key());
  while (!file_->Eof() && file_->Next() == 0) seen.push_back(buf_.nn);
  EXPECT_EQ(GetLastError().code, 0);
  EXPECT_EQ(seen, all);
  EXPECT_EQ(ReadAll(*file_, &Key(), false), std::vector<int>(all.rbegin(), all.rend()));

  // Another station deletes a row ahead of a reader that has stopped for a moment.
  OddsRow other_buf{};
  KeyedFile other(*decl_, &other_buf);
  ASSERT_EQ(other.Open(), 0);
  file_->Set(&Key());
  for (int i = 0; i < 10; ++i) ASSERT_EQ(file_->Next(), 0);
  other_buf.nn = 12;
  ASSERT_EQ(other.Get(Key()), 0);
  ASSERT_EQ(other.Delete(), 0);
  usleep(150000);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 11);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 13);
}

TEST_P(KeyedFileTest, PutAndDeleteWorkOnTheCurrentRecordOnly) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  EXPECT_EQ(file_->Put(), kNoRecordAvailable);
  EXPECT_EQ(file_->Delete(), kNoRecordAvailable);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2}), 0);
  // The record just added is current: a put writes over it (the reserved-number case).
  buf_.kf = 2.25;
  ASSERT_EQ(file_->Put(), 0);
  EXPECT_EQ(file_->Records(), 2);
  buf_.nn = 1;  // changing the key into another record's value
  EXPECT_EQ(file_->Put(), kDuplicateKey);
  buf_.nn = 2;
  ASSERT_EQ(file_->Get(Key()), 0);
  EXPECT_EQ(double{buf_.kf}, 2.25);

  // Deleted by another station: put and delete say the record is gone.
  OddsRow other_buf{};
  KeyedFile other(*decl_, &other_buf);
  ASSERT_EQ(other.Open(), 0);
  other_buf.nn = 2;
  ASSERT_EQ(other.Get(Key()), 0);
  ASSERT_EQ(other.Delete(), 0);
  EXPECT_EQ(file_->Put(), kRecordNotFound);
  EXPECT_EQ(file_->Delete(), kRecordNotFound);
}

TEST_P(KeyedFileTest, DuplicateTestExcludesTheCurrentRecord) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2}), 0);
  buf_.nn = 2;
  ASSERT_EQ(file_->Get(Key()), 0);
  EXPECT_FALSE(file_->Duplicate(Key()));  // only itself has 2
  buf_.nn = 1;
  EXPECT_TRUE(file_->Duplicate(Key()));
  buf_.nn = 2;
  file_->ClearCurrent();
  EXPECT_TRUE(file_->Duplicate(Key()));  // with no current record every record counts
  buf_.nn = 3;
  EXPECT_FALSE(file_->Duplicate(Key()));
  EXPECT_EQ(GetLastError().code, 0);
}

TEST_P(KeyedFileTest, HoldBlocksOtherStationsUntilReleased) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2, 3}), 0);
  OddsRow other_buf{};
  KeyedFile other(*decl_, &other_buf);
  ASSERT_EQ(other.Open(), 0);

  buf_.nn = 2;
  ASSERT_EQ(file_->Hold(), 0);
  ASSERT_EQ(file_->Get(Key()), 0);
  EXPECT_TRUE(file_->IsHeld());
  // The holder itself reads and writes it freely.
  ASSERT_EQ(file_->Get(Key()), 0);
  EXPECT_FALSE(file_->IsHeld());  // a read without hold let it go
  ASSERT_EQ(file_->Hold(), 0);
  ASSERT_EQ(file_->Get(Key()), 0);

  // Another station's sequence meets 43 on it and reads on past it.
  std::vector<int> seen;
  other.Set(&Key());
  int rc;
  while ((rc = other.Next()) != kNoRecordAvailable) {
    seen.push_back(rc == 0 ? other_buf.nn : -rc);
  }
  EXPECT_EQ(seen, (std::vector<int>{1, -kRecordHeld, 3}));
  other_buf.nn = 2;
  EXPECT_EQ(other.Get(Key()), kRecordHeld);
  other_buf.nn = 1;
  ASSERT_EQ(other.Get(Key()), 0);
  EXPECT_EQ(other.Delete(), 0);

  buf_.kf = 8;
  ASSERT_EQ(file_->Put(), 0);  // the put releases the hold
  EXPECT_FALSE(file_->IsHeld());
  other_buf.nn = 2;
  ASSERT_EQ(other.Get(Key()), 0);
  EXPECT_EQ(double{other_buf.kf}, 8);

  // Closing releases too.
  buf_.nn = 3;
  file_->Hold();
  ASSERT_EQ(file_->Get(Key()), 0);
  other_buf.nn = 3;
  EXPECT_EQ(other.Get(Key()), kRecordHeld);
  file_->Close();
  EXPECT_EQ(other.Get(Key()), 0);
}

TEST_P(KeyedFileTest, WatchDetectsAnotherStationsChangeAndRewatchRecovers) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1}), 0);
  OddsRow other_buf{};
  KeyedFile other(*decl_, &other_buf);
  ASSERT_EQ(other.Open(), 0);

  buf_.nn = 1;
  file_->Watch();
  ASSERT_EQ(file_->Get(Key()), 0);
  EXPECT_TRUE(file_->IsWatched());
  std::string pos = file_->Position(&Key());
  // Our own puts keep the watch valid.
  buf_.kf = 2;
  ASSERT_EQ(file_->Put(), 0);
  buf_.kf = 3;
  ASSERT_EQ(file_->Put(), 0);

  other_buf.nn = 1;
  ASSERT_EQ(other.Get(Key()), 0);
  other_buf.kf = 4;
  ASSERT_EQ(other.Put(), 0);
  buf_.kf = 5;
  EXPECT_EQ(file_->Put(), kRecordChanged);

  // As the file manager does: watch again, fetch the other station's version, put again.
  file_->Watch();
  ASSERT_EQ(file_->Reget(&Key(), pos), 0);
  EXPECT_EQ(double{buf_.kf}, 4);
  buf_.kf = 6;
  EXPECT_EQ(file_->Put(), 0);
  ASSERT_EQ(other.Get(Key()), 0);
  EXPECT_EQ(double{other_buf.kf}, 6);

  // Without a watch the last writer wins.
  other_buf.kf = 7;
  ASSERT_EQ(other.Put(), 0);
  buf_.nn = 1;
  ASSERT_EQ(file_->Get(Key()), 0);
  ASSERT_EQ(other.Put(), 0);
  EXPECT_EQ(file_->Put(), 0);
}

TEST_P(KeyedFileTest, TransactionCommitsOrRollsBackEveryFile) {
  auto decl2 = testing::OddsDecl(dir_.File("second"));
  OddsRow buf2{};
  KeyedFile second(*decl2, &buf2);
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(second.Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(second.Open(), 0);

  ASSERT_EQ(Transaction::Start({file_.get(), &second}), 0);
  EXPECT_TRUE(Transaction::Active());
  EXPECT_EQ(Transaction::Start({file_.get()}), kNotSupported);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2}), 0);
  ASSERT_EQ(AddOdds(second, buf2, {3}), 0);
  EXPECT_EQ(second.Records(), 1);  // the transaction sees its own changes
  ASSERT_EQ(Transaction::Rollback(), 0);
  EXPECT_FALSE(Transaction::Active());
  EXPECT_EQ(file_->Records(), 0);
  EXPECT_EQ(second.Records(), 0);

  // Files marked beforehand take part without being named.
  ASSERT_EQ(second.MarkForTransaction(), 0);
  ASSERT_EQ(Transaction::Start({file_.get()}), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2}), 0);
  ASSERT_EQ(AddOdds(second, buf2, {3}), 0);
  ASSERT_EQ(Transaction::Commit(), 0);
  EXPECT_EQ(file_->Records(), 2);
  EXPECT_EQ(second.Records(), 1);

  // A duplicate inside the transaction fails that add alone; the rest still commits.
  ASSERT_EQ(Transaction::Start({file_.get(), &second}), 0);
  EXPECT_EQ(AddOdds(*file_, buf_, {2}), kDuplicateKey);
  ASSERT_EQ(AddOdds(second, buf2, {4}), 0);
  ASSERT_EQ(Transaction::Commit(), 0);
  EXPECT_EQ(second.Records(), 2);

  // One data file twice, a closed file: refused before anything starts.
  KeyedFile same(*decl2, &buf2);
  ASSERT_EQ(same.Open(), 0);
  EXPECT_EQ(Transaction::Start({&second, &same}), kNotSupported);
  same.Close();
  EXPECT_EQ(Transaction::Start({&same}), kFileNotOpen);
  EXPECT_FALSE(Transaction::Active());

  // Closing a file inside a transaction undoes the transaction.
  ASSERT_EQ(Transaction::Start({file_.get(), &second}), 0);
  ASSERT_EQ(AddOdds(second, buf2, {9}), 0);
  ASSERT_EQ(file_->Close(), 0);
  EXPECT_FALSE(Transaction::Active());
  EXPECT_EQ(second.Records(), 2);
}

TEST_F(LocalKeyedFileTest, ReadOnlyFileOpensReadOnlyAndRefusesWrites) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2}), 0);
  file_->Close();
  std::string path = file_->Name();
  // Root writes through file modes, so "cannot be written" is made real with the immutable
  // attribute; without the right to set it, the mode bits do it for an ordinary user.
  bool immutable = TempFolder::SetImmutable(path, true);
  if (!immutable) {
    if (geteuid() == 0) GTEST_SKIP() << "cannot make a file unwritable for root here";
    chmod(path.c_str(), 0444);
  }
  std::string before = ReadBytes(path);

  // The file manager's sequence: read/write is refused, "Recover=" is sent, it is refused
  // again, and the read-only mode opens.
  EXPECT_EQ(file_->Open(KeyedFile::kReadWrite), kAccessDenied);
  EXPECT_EQ(file_->Send("Recover=10"), 0);
  EXPECT_EQ(file_->Open(KeyedFile::kReadWrite), kAccessDenied);
  ASSERT_EQ(file_->Open(KeyedFile::kReadWrite & 0xF0), 0);
  EXPECT_TRUE(file_->IsReadOnly());
  EXPECT_EQ(ReadAll(*file_, &Key()), (std::vector<int>{1, 2}));
  buf_.nn = 2;
  ASSERT_EQ(file_->Get(Key()), 0);
  EXPECT_EQ(file_->Put(), kAccessDenied);
  EXPECT_EQ(file_->Delete(), kAccessDenied);
  buf_.nn = 3;
  EXPECT_EQ(file_->Add(), kAccessDenied);
  EXPECT_EQ(Transaction::Start({file_.get()}), kAccessDenied);
  file_->Close();
  EXPECT_EQ(ReadBytes(path), before);
  if (immutable) TempFolder::SetImmutable(path, false);
}

TEST_F(LocalKeyedFileTest, FileOfRandomBytesFailsWithTheDriversErrorAndStaysUnchanged) {
  std::mt19937 rng(7);
  std::string junk(8192, '\0');
  for (char& c : junk) c = static_cast<char>(rng());
  std::ofstream(file_->Name(), std::ios::binary) << junk;

  EXPECT_EQ(file_->Open(), kDriverError);
  EXPECT_EQ(GetLastError().file_code, "26");
  EXPECT_EQ(GetLastError().file_text, "file is not a database");
  EXPECT_EQ(file_->Open(KeyedFile::kReadOnly), kDriverError);
  EXPECT_EQ(file_->Create(), kDriverError);  // never written over
  EXPECT_EQ(file_->BuildKeys(), kDriverError);
  EXPECT_EQ(ReadBytes(file_->Name()), junk);
  EXPECT_FALSE(std::filesystem::exists(file_->Name() + "-journal"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(LocalKeyedFileTest, AnotherDeclarationOrABrokenIndexIsRefusedAndTheFileLeftAsItIs) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2}), 0);
  file_->Close();
  std::string before = ReadBytes(file_->Name());

  RecordDescriptor r;
  r.Add("KF:NN", Type::Short).Add("KF:KF", Type::Real);  // NN widened
  FileDeclaration wider("KF", file_->Name(), r);
  wider.AddKey("KF:nn_key").Ascending(0).Unique();
  KeyedFile w(wider, &buf_);
  EXPECT_EQ(w.Open(), kInvalidRecordDeclaration);
  EXPECT_EQ(w.Create(), kInvalidRecordDeclaration);
  EXPECT_EQ(w.BuildKeys(), kInvalidRecordDeclaration);
  EXPECT_EQ(ReadBytes(file_->Name()), before);

  // Create on this declaration's own file has nothing to do.
  EXPECT_EQ(file_->Create(), 0);
  EXPECT_EQ(ReadBytes(file_->Name()), before);

  // A unique index that was replaced by a non-unique one is "keys must be rebuilt"; the
  // rebuild fails while the data holds a duplicate and succeeds once it does not.
  ASSERT_EQ(RawExec(file_->Name(), "DROP INDEX \"key:KF:nn_key\"; "
                                   "CREATE INDEX \"key:KF:nn_key\" ON records(NN); "
                                   "INSERT INTO records(NN, KF) VALUES(2, 9.0)"),
            SQLITE_OK);
  EXPECT_EQ(file_->Open(), kKeysMustBeRebuilt);
  EXPECT_EQ(file_->BuildKeys(), kDuplicateKey);
  ASSERT_EQ(RawExec(file_->Name(), "DELETE FROM records WHERE KF = 9.0"), SQLITE_OK);
  EXPECT_EQ(file_->BuildKeys(), 0);
  ASSERT_EQ(file_->Open(), 0);
  EXPECT_EQ(ReadAll(*file_, &Key()), (std::vector<int>{1, 2}));
  buf_.nn = 2;
  EXPECT_EQ(file_->Add(), kDuplicateKey);
}

TEST_F(LocalKeyedFileTest, BusyFileIsWaitedForThenReportedNeverPassedAsSuccess) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  sqlite3* locker = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file_->Name().c_str(), &locker, SQLITE_OPEN_READWRITE, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_EQ(file_->Send("Recover=1"), 0);
  buf_.nn = 1;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(file_->Add(), kDriverError);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
  EXPECT_EQ(GetLastError().file_code, "5");
  EXPECT_EQ(GetLastError().file_text, "database is locked");
  sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(locker);
  EXPECT_EQ(file_->Add(), 0);
  EXPECT_EQ(file_->Records(), 1);
}

TEST_P(KeyedFileTest, OptionsHintsAndClosedFile) {
  EXPECT_EQ(file_->Send("QUICKSCAN=on"), 0);
  EXPECT_EQ(file_->Send("NoSuchOption=1"), 0);
  EXPECT_EQ(file_->Flush(), kFileNotOpen);
  EXPECT_EQ(file_->Close(), kFileNotOpen);
  EXPECT_EQ(file_->Add(), kFileNotOpen);
  EXPECT_EQ(file_->Records(), -1);
  EXPECT_TRUE(file_->Eof());
  EXPECT_EQ(GetLastError().code, kFileNotOpen);
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  EXPECT_EQ(file_->Flush(), 0);
  EXPECT_EQ(file_->SetBuffering(20, 2, 0, 60), 0);
  EXPECT_EQ(file_->NoMemo(), 0);
  EXPECT_EQ(file_->Create(), kFileAlreadyOpen);

  buf_.nn = 7;
  buf_.kf = 3.5;
  file_->Clear();
  EXPECT_EQ(buf_.nn, 0);
  EXPECT_EQ(double{buf_.kf}, 0.0);
}

TEST_F(LocalKeyedFileTest, RelativeNameIsTheWorkingDirectorysFileWithNoExtension) {
  auto rel = testing::OddsDecl("kf");
  KeyedFile f(*rel, &buf_);
  std::string cwd = std::filesystem::current_path().string();
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  int created = f.Create();
  int opened = f.Open();
  int added = AddOdds(f, buf_, {1});
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  EXPECT_EQ(created, 0);
  EXPECT_EQ(opened, 0);
  EXPECT_EQ(added, 0);
  EXPECT_TRUE(std::filesystem::exists(dir_.File("kf")));
  // The file stays the one it was opened as, whatever the working directory is now.
  EXPECT_EQ(f.Records(), 1);
}

TEST_F(LocalKeyedFileTest, ViewsReadThroughTheirOwnStatementsAndLoadRows) {
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1, 2, 3, 4}), 0);
  std::string sql = "SELECT " + file_->SelectList() + " FROM " + file_->Sqlite()->SqlTable() + " WHERE " +
                    file_->FieldColumn(1) + " > 4 ORDER BY " + file_->ComponentSql(Key(), 0) +
                    " DESC";
  EXPECT_EQ(file_->SelectList(), "\"_id\",\"_version\",\"NN\",\"KF\"");
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(file_->Sqlite()->Connection(), sql.c_str(), -1, &st, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  file_->Watch();
  ASSERT_EQ(file_->Sqlite()->LoadRow(st, 0, &Key()), 0);
  sqlite3_reset(st);
  sqlite3_finalize(st);
  EXPECT_EQ(buf_.nn, 4);
  EXPECT_TRUE(file_->IsWatched());
  EXPECT_EQ(file_->Position(&Key()), "K1|4|4");
  // The loaded row is the file's current record and its sequence place.
  ASSERT_EQ(file_->Previous(), 0);
  EXPECT_EQ(buf_.nn, 3);
}

// --- Key kinds ---------------------------------------------------------------------------

class KeyKindsTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { ASSERT_EQ(store_.Error(), ""); }
  void Add(KeyedFile& f, PersonRow& p, const std::string& name, const std::string& city,
           int age, double score) {
    testing::SetText(p.name, sizeof p.name, name, true);
    testing::SetText(p.city, sizeof p.city, city, false);
    p.age = static_cast<int16_t>(age);
    p.score = score;
    ASSERT_EQ(f.Add(), 0) << name;
  }
  testing::TestStore store_{GetParam()};
  TempFolder dir_;
};

INSTANTIATE_TEST_SUITE_P(Stores, KeyKindsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Server" : "Local";
                         });

TEST_P(KeyKindsTest, DescendingMultiComponentNoCaseAndDuplicateKeysOrderCorrectly) {
  auto decl = testing::PeopleDecl(dir_.File("people"));
  PersonRow p{};
  KeyedFile f(*decl, &p);
  ASSERT_EQ(f.Create(), 0);
  ASSERT_EQ(f.Open(), 0);
  Add(f, p, "bob", "Riga", 30, 2.5);
  Add(f, p, "Alice", "Oslo", 41, 9.0);
  Add(f, p, "ALAN", "Riga", 52, -1.0);
  Add(f, p, "юрий", "Oslo", 30, 4.0);
  Add(f, p, "Юлия", "Riga", 41, 4.0);
  Add(f, p, "яков", "Oslo", 41, 0.5);
  Add(f, p, "Андрей", "Oslo", 19, 7.0);
  Add(f, p, "Bob", "Riga", 30, 1.0);  // the same name, another case: duplicates allowed

  auto read = [&](const FileKey& key, bool forward) {
    std::vector<std::string> out;
    f.Set(&key);
    while ((forward ? f.Next() : f.Previous()) == 0) {
      out.push_back(testing::Trimmed(p.name, sizeof p.name));
    }
    return out;
  };
  const FileKey& by_name = decl->Key(0);
  EXPECT_EQ(read(by_name, true), (std::vector<std::string>{"ALAN", "Alice", "bob", "Bob",
                                                           "Андрей", "Юлия", "юрий", "яков"}));
  EXPECT_EQ(read(by_name, false), (std::vector<std::string>{"яков", "юрий", "Юлия", "Андрей",
                                                            "Bob", "bob", "Alice", "ALAN"}));
  // CITY ascending, then AGE descending; equal pairs in the order they were added.
  EXPECT_EQ(read(decl->Key(1), true),
            (std::vector<std::string>{"Alice", "яков", "юрий", "Андрей", "ALAN", "Юлия", "bob",
                                      "Bob"}));
  EXPECT_EQ(read(decl->Key(2), true),
            (std::vector<std::string>{"Alice", "Андрей", "юрий", "Юлия", "bob", "Bob", "яков",
                                      "ALAN"}));

  // Get by a no-case key finds the name whatever its case, Cyrillic too.
  testing::SetText(p.name, sizeof p.name, "ЮРИЙ", true);
  ASSERT_EQ(f.Get(by_name), 0);
  EXPECT_EQ(testing::Trimmed(p.city, sizeof p.city), "Oslo");
  // From the buffer on a two-component key: Riga, age at most 41 (descending).
  testing::SetText(p.city, sizeof p.city, "Riga", false);
  p.age = 41;
  f.SetFromBuffer(decl->Key(1));
  ASSERT_EQ(f.Next(), 0);
  EXPECT_EQ(testing::Trimmed(p.name, sizeof p.name), "Юлия");
  ASSERT_EQ(f.Next(), 0);
  EXPECT_EQ(testing::Trimmed(p.name, sizeof p.name), "bob");

  // Positions on a no-case text key with blanks and separators in the value.
  testing::SetText(p.name, sizeof p.name, "A|b %c", true);
  Add(f, p, "A|b %c", "Pärnu", 70, 3.0);
  std::string pos = f.Position(&by_name);
  EXPECT_EQ(f.Reget(&by_name, pos), 0);
  EXPECT_EQ(testing::Trimmed(p.name, sizeof p.name), "A|b %c");
  ASSERT_EQ(f.Reset(&by_name, pos), 0);
  ASSERT_EQ(f.Next(), 0);
  EXPECT_EQ(testing::Trimmed(p.name, sizeof p.name), "A|b %c");
  ASSERT_EQ(f.Next(), 0);
  EXPECT_EQ(testing::Trimmed(p.name, sizeof p.name), "bob");  // '|' sorts after 'L'
}

TEST_P(KeyKindsTest, UniqueNoCaseKeyRefusesTheSameNameInAnotherCase) {
  auto decl = testing::NamesDecl(dir_.File("names"));
  NameRow n{};
  KeyedFile f(*decl, &n);
  ASSERT_EQ(f.Create(), 0);
  ASSERT_EQ(f.Open(), 0);
  testing::SetText(n.name, sizeof n.name, "Öl", true);
  ASSERT_EQ(f.Add(), 0);
  testing::SetText(n.name, sizeof n.name, "ёжик", true);
  ASSERT_EQ(f.Add(), 0);
  testing::SetText(n.name, sizeof n.name, "ЁЖИК", true);
  EXPECT_EQ(f.Add(), kDuplicateKey);
  EXPECT_FALSE(f.Duplicate(decl->Key(0)));  // "ёжик" is the current record: not counted
  f.ClearCurrent();
  EXPECT_TRUE(f.Duplicate(decl->Key(0)));
  testing::SetText(n.name, sizeof n.name, "öl", true);  // only ASCII and Cyrillic fold
  EXPECT_EQ(f.Add(), 0);
  EXPECT_EQ(f.Records(), 3);

  // The index and its upper-cased texts can be rebuilt from the names alone.
  f.Close();
  if (store_.Server()) {
    ASSERT_EQ(store_.Raw("DROP INDEX \"names:NM:name_key\"; UPDATE names SET \"_upper_NAME\" = ''"),
              "");
  } else {
    ASSERT_EQ(RawExec(decl->Name(), "DROP INDEX \"key:NM:name_key\"; "
                                    "UPDATE records SET _upper_NAME = ''"),
              SQLITE_OK);
  }
  EXPECT_EQ(f.Open(), kKeysMustBeRebuilt);
  ASSERT_EQ(f.BuildKeys(), 0);
  ASSERT_EQ(f.Open(), 0);
  testing::SetText(n.name, sizeof n.name, "ЁжИк", true);
  ASSERT_EQ(f.Get(decl->Key(0)), 0);
  EXPECT_EQ(testing::Trimmed(n.name, sizeof n.name), "ёжик");
}

}  // namespace
}  // namespace rt
