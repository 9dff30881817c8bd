// Files made by the program and then changed by another tool: what opening refuses, and what
// reading reports, without ever crashing, looping or reading a guess.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/core/last_error.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/sqlite_keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"

namespace rt {
namespace {

using testing::AddOdds;
using testing::ApplySql;
using testing::FileBytes;
using testing::OddsRow;

constexpr const char* kIndex = "CREATE UNIQUE INDEX \"key:KF:nn_key\" ON \"records\"(\"NN\")";

// Makes the records table anew with the given column list, keeping the rows.
std::string RemakeRecords(const std::string& columns) {
  return "DROP INDEX \"key:KF:nn_key\"; ALTER TABLE records RENAME TO old; CREATE TABLE records(" +
         columns + "); INSERT INTO records SELECT * FROM old; DROP TABLE old; " + kIndex;
}

class HostileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    decl_ = testing::OddsDecl(dir_.File("kf"));
    file_ = std::make_unique<KeyedFile>(*decl_, &buf_);
  }
  // A file made by the program, holding rows 1..n.
  void MakeFile(int n) {
    ASSERT_EQ(file_->Create(), 0);
    ASSERT_EQ(file_->Open(), 0);
    for (int i = 1; i <= n; ++i) ASSERT_EQ(AddOdds(*file_, buf_, {i}), 0);
    ASSERT_EQ(file_->Close(), 0);
  }
  std::string Path() const { return file_->Name(); }

  TempFolder dir_;
  std::unique_ptr<FileDeclaration> decl_;
  OddsRow buf_{};
  std::unique_ptr<KeyedFile> file_;
};

TEST_F(HostileFileTest, AFileThatDiffersFromItsDeclarationIsRefusedByNameAndLeftUnchanged) {
  struct Case {
    std::string sql;
    int code;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"INSERT INTO meta VALUES(NULL, 'x')", kInvalidRecordDeclaration,
       "meta has a row without a name"},
      {"INSERT INTO meta VALUES(x'00', 'x')", kInvalidRecordDeclaration,
       "meta has a row whose name is no text"},
      {"UPDATE meta SET value = x'31' WHERE name = 'format'", kInvalidRecordDeclaration,
       "meta's format is no text"},
      {"DELETE FROM meta WHERE name = 'format'", kInvalidRecordDeclaration,
       "meta names no format"},
      {"UPDATE meta SET value = 'x' WHERE name = 'declaration'", kInvalidRecordDeclaration,
       "another record declaration"},
      {"ALTER TABLE records DROP COLUMN KF", kInvalidRecordDeclaration,
       "column KF is missing from table records"},
      {"ALTER TABLE records ADD COLUMN extra TEXT", kInvalidRecordDeclaration,
       "column extra that is not declared"},
      {RemakeRecords("_id INTEGER PRIMARY KEY AUTOINCREMENT, _version INTEGER, NN INTEGER, "
                     "KF TEXT"),
       kInvalidRecordDeclaration, "column KF of table records holds TEXT values, not REAL"},
      {RemakeRecords("_id INT PRIMARY KEY, _version INTEGER, NN INTEGER, KF REAL"),
       kInvalidRecordDeclaration, "_id of table records is not its integer row key"},
      {"DROP INDEX \"key:KF:nn_key\"; ALTER TABLE records RENAME TO r2; "
       "CREATE VIEW records AS SELECT * FROM r2",
       kInvalidRecordDeclaration, "records is a view, not a table"},
      {"DROP TABLE holds", kInvalidRecordDeclaration, "table holds is missing"},
      {"CREATE TRIGGER wipe AFTER INSERT ON records BEGIN "
       "DELETE FROM records WHERE _id <> new._id; END",
       kInvalidRecordDeclaration, "the file holds trigger wipe"},
      {"CREATE VIEW v AS SELECT 1", kInvalidRecordDeclaration, "the file holds view v"},
      {"INSERT INTO holds VALUES(1, 'x', 2, 3)", kInvalidRecordDeclaration,
       "holds has a row that is not a hold"},
      {"CREATE INDEX odd ON meta(value)", kInvalidRecordDeclaration,
       "index odd is on table meta"},
      {"CREATE INDEX extra ON records(KF)", kKeysMustBeRebuilt,
       "index extra is not one of the declared keys"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    std::filesystem::remove(Path());
    MakeFile(2);
    ASSERT_EQ(ApplySql(Path(), c.sql), SQLITE_OK);
    const std::string before = FileBytes(Path());
    EXPECT_EQ(file_->Open(), c.code);
    EXPECT_NE(GetLastError().file_text.find(c.text), std::string::npos)
        << GetLastError().file_text;
    EXPECT_EQ(file_->Open(KeyedFile::kReadOnly), c.code);
    EXPECT_FALSE(file_->IsOpen());
    if (c.code == kInvalidRecordDeclaration) {
      EXPECT_EQ(file_->Create(), c.code);
      EXPECT_EQ(file_->BuildKeys(), c.code);
    }
    EXPECT_EQ(FileBytes(Path()), before);
    EXPECT_FALSE(std::filesystem::exists(Path() + "-journal"));
  }
}

TEST_F(HostileFileTest, TheConnectionIsDefensiveSoTheFileCannotWriteThroughThePrograms) {
  MakeFile(3);
  ASSERT_EQ(file_->Open(), 0);
  sqlite3* db = file_->Sqlite()->Connection();
  int on = -1;
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, -1, &on);
  EXPECT_EQ(on, 1);
  sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, -1, &on);
  EXPECT_EQ(on, 0);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, -1, &on);
  EXPECT_EQ(on, 0);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, -1, &on);
  EXPECT_EQ(on, 0);
  // A trigger slipped in while the file is open never runs on the program's writes.
  ASSERT_EQ(ApplySql(Path(), "CREATE TRIGGER wipe AFTER INSERT ON records BEGIN "
                             "DELETE FROM records WHERE _id <> new._id; END"),
            SQLITE_OK);
  ASSERT_EQ(AddOdds(*file_, buf_, {4}), 0);
  EXPECT_EQ(file_->Records(), 4);
  // Nor does a string in double quotes pass for a text.
  EXPECT_NE(sqlite3_exec(db, "SELECT \"abc\"", nullptr, nullptr, nullptr), SQLITE_OK);
}

TEST_F(HostileFileTest, WhatIsNotAPlainFileIsSaidSoAndAnEmptyFileIsSetUp) {
  // A folder, a pipe and a loop of links are no file to open or to fall back to read-only on.
  ASSERT_EQ(mkdir(Path().c_str(), 0700), 0);
  EXPECT_EQ(file_->Open(), kDriverError);
  EXPECT_NE(GetLastError().file_text.find("not a regular file: it is a folder"),
            std::string::npos);
  EXPECT_EQ(file_->Open(KeyedFile::kReadOnly), kDriverError);
  EXPECT_NE(file_->Create(), 0);
  ASSERT_EQ(rmdir(Path().c_str()), 0);
  ASSERT_EQ(mkfifo(Path().c_str(), 0600), 0);
  EXPECT_EQ(file_->Open(), kDriverError);
  EXPECT_NE(GetLastError().file_text.find("it is a pipe"), std::string::npos);
  ASSERT_EQ(unlink(Path().c_str()), 0);
  ASSERT_EQ(symlink(Path().c_str(), Path().c_str()), 0);
  EXPECT_EQ(file_->Open(), kDriverError);
  EXPECT_NE(GetLastError().file_text.find("a loop of symbolic links"), std::string::npos);
  ASSERT_EQ(unlink(Path().c_str()), 0);

  // A zero-byte file (a first start cut short, a "touch") is a file still to be set up.
  std::ofstream(Path()).close();
  EXPECT_EQ(file_->Open(), kFileNotFound);
  ASSERT_EQ(file_->Create(), 0);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(AddOdds(*file_, buf_, {1}), 0);
  EXPECT_EQ(file_->Records(), 1);
  file_->Close();
  // Set up once: a second create finds this declaration's file and leaves it.
  const std::string before = FileBytes(Path());
  EXPECT_EQ(file_->Create(), 0);
  EXPECT_EQ(FileBytes(Path()), before);
}

// What a whole sequence read: the NN of each good row, "!" for each row that is an error.
struct Walk {
  std::vector<int> good;
  std::vector<std::string> errors;
  bool ended = false;  // ran into the end within the reads allowed
};

Walk WalkAll(KeyedFile& f, OddsRow& buf, bool forward, bool ask_eof, size_t allowed) {
  Walk w;
  f.Set(&f.Declaration().Key(0));
  for (size_t i = 0; i < allowed; ++i) {
    if (ask_eof && f.Eof()) {
      w.ended = GetLastError().code == kNoError;
      return w;
    }
    int rc = forward ? f.Next() : f.Previous();
    if (rc == kNoRecordAvailable) {
      w.ended = true;
      return w;
    }
    if (rc == kNoError) w.good.push_back(buf.nn);
    else w.errors.push_back(std::to_string(rc) + " " + GetLastError().file_text);
  }
  return w;
}

TEST_F(HostileFileTest, AStoredValueThatFitsNoFieldIsAReadErrorNamingItAndEverySequenceEnds) {
  struct Case {
    std::string sql;
    std::string error;  // what the one bad row's error says
    std::vector<int> good;  // the rows read, in key order
    // A NULL key sorts before every value and compares equal to none, so a sequence read
    // backward ends before it (forward it is read first and reported).
    size_t backward_errors = 1;
  };
  // The same table as the program makes it, less its NOT NULL constraints.
  const std::string kNullable =
      RemakeRecords("_id INTEGER PRIMARY KEY AUTOINCREMENT, _version INTEGER, NN INTEGER, "
                    "KF REAL") + "; ";
  const std::vector<Case> cases = {
      {"UPDATE records SET NN = 300 WHERE NN = 3", "record 3: KF:NN holds 300, which a BYTE",
       {1, 2, 4, 5}},
      {"UPDATE records SET NN = -1 WHERE NN = 3", "KF:NN holds -1, which a BYTE", {1, 2, 4, 5}},
      {"UPDATE records SET NN = 2.5 WHERE NN = 3", "KF:NN holds 2.5, not a whole number",
       {1, 2, 4, 5}},
      {"UPDATE records SET NN = 'abc' WHERE NN = 3", "KF:NN holds 'abc', not a whole number",
       {1, 2, 4, 5}},
      {kNullable + "UPDATE records SET NN = NULL WHERE NN = 3", "KF:NN holds no value (NULL)", {1, 2, 4, 5}, 0},
      {"UPDATE records SET KF = 'abc' WHERE NN = 3", "KF:KF holds 'abc', not a number",
       {1, 2, 4, 5}},
      {"UPDATE records SET KF = '3,5' WHERE NN = 3", "KF:KF holds '3,5', not a number",
       {1, 2, 4, 5}},
      {kNullable + "UPDATE records SET KF = NULL WHERE NN = 3", "KF:KF holds no value (NULL)", {1, 2, 4, 5}},
      {"UPDATE records SET KF = 1e999 WHERE NN = 3", "KF:KF holds Inf, not a finite number",
       {1, 2, 4, 5}},
      {"UPDATE records SET KF = x'00' WHERE NN = 3", "KF:KF holds 1 bytes, not a number",
       {1, 2, 4, 5}},
      {"UPDATE records SET _version = 'v' WHERE NN = 3", "record 3: its version 'v'",
       {1, 2, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    std::filesystem::remove(Path());
    MakeFile(5);
    ASSERT_EQ(ApplySql(Path(), c.sql), SQLITE_OK);
    ASSERT_EQ(file_->Open(), 0);
    for (bool forward : {true, false}) {
      for (bool ask_eof : {false, true}) {
        if (ask_eof && !forward) continue;  // Eof looks forward only
        Walk w = WalkAll(*file_, buf_, forward, ask_eof, 50);
        EXPECT_TRUE(w.ended);
        std::vector<int> want = c.good;
        if (!forward) std::reverse(want.begin(), want.end());
        EXPECT_EQ(w.good, want);
        ASSERT_EQ(w.errors.size(), forward ? 1u : c.backward_errors);
        if (w.errors.empty()) continue;
        EXPECT_NE(w.errors[0].find(c.error), std::string::npos) << w.errors[0];
        EXPECT_EQ(w.errors[0].rfind("90 ", 0), 0u);
      }
    }
    // The buffer is never left holding a guess: a failed read keeps what it held.
    buf_.nn = 77;
    buf_.kf = 7.5;
    ASSERT_EQ(file_->Reget(nullptr, "R3"), kDriverError);
    EXPECT_EQ(buf_.nn, 77);
    EXPECT_EQ(double{buf_.kf}, 7.5);  // a packed field: read it by value
    file_->Close();
  }
}

TEST_F(HostileFileTest, TenThousandRowsPastTheFieldsRangeAreReportedAndTheReadEnds) {
  MakeFile(0);
  ASSERT_EQ(ApplySql(Path(), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                             "WHERE i < 10000) INSERT INTO records(_version, NN, KF) "
                             "SELECT 1, i, 1.5 FROM n"),
            SQLITE_OK);
  ASSERT_EQ(file_->Open(), 0);
  Walk w = WalkAll(*file_, buf_, true, true, 20000);
  EXPECT_TRUE(w.ended);
  EXPECT_EQ(w.good.size(), 255u);
  EXPECT_EQ(w.errors.size(), 10000u - 255u);
  EXPECT_NE(w.errors.front().find("record 256: KF:NN holds 256"), std::string::npos);
}

TEST_F(HostileFileTest, AFailedReadIsAnErrorAndNeverTheEndOfTheFile) {
  MakeFile(3);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(file_->Send("Recover=0"), 0);
  ASSERT_EQ(file_->Set(&decl_->Key(0)), 0);
  ASSERT_EQ(file_->Next(), 0);
  // Another connection takes the whole file for itself.
  sqlite3* locker = nullptr;
  ASSERT_EQ(sqlite3_open(Path().c_str(), &locker), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(locker, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_FALSE(file_->Eof());
  EXPECT_EQ(GetLastError().code, kDriverError);
  EXPECT_NE(GetLastError().file_text.find("locked"), std::string::npos);
  EXPECT_EQ(file_->Next(), kDriverError);
  EXPECT_EQ(file_->Records(), -1);
  EXPECT_EQ(file_->DeleteAll(), kDriverError);
  sqlite3_exec(locker, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(locker);
  // Once the file is free the same sequence goes on where it was.
  EXPECT_FALSE(file_->Eof());
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_EQ(buf_.nn, 2);
  ASSERT_EQ(file_->Next(), 0);
  EXPECT_TRUE(file_->Eof());
  EXPECT_EQ(GetLastError().code, kNoError);
}

}  // namespace
}  // namespace rt
