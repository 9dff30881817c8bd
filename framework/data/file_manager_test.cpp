#include "framework/data/file_manager.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "framework/data/relation_manager.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/error_manager.h"
#include "framework/errors/level.h"
#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/transaction.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/core/last_error.h"

namespace fw {
namespace {

using rt::testing::NameRow;
using rt::testing::OddsRow;
using rt::testing::PersonRow;

// A packed record's field, copied out so a check never binds a reference to it.
template <typename T>
T Val(T value) {
  return value;
}

// Shows a fatal message as the program would, but hands the level back instead of ending the
// test program, so a test can look at what the user was told and at what happened next.
class NonEndingErrorManager : public ErrorManager {
 public:
  int ReportFatal() override {
    std::string title(ERRORS->buffer.TITLE);
    rt::MessageBox(ComposeMessage(), title, rt::StandardIconRef(rt::kIconInformation),
                   rt::kButtonOk, rt::kButtonOk);
    return kLevelFatal;
  }
};

#pragma pack(push, 1)
struct GroupRow {
  int32_t group;  // GR:GROUP
  int16_t no;     // GR:NO, numbered within the group
  char name[10];  // GR:NAME, unique
};
struct DescRow {
  int32_t no;  // DS:NO, numbered on a descending key
  char note[8];
};
#pragma pack(pop)

std::unique_ptr<rt::FileDeclaration> GroupDecl() {
  rt::RecordDescriptor r;
  r.Add("GR:GROUP", rt::Type::Long)
      .Add("GR:NO", rt::Type::Short)
      .Add("GR:NAME", rt::Type::String, 10);
  auto d = std::make_unique<rt::FileDeclaration>("GR", "gr", r);
  d->AddKey("GR:group_no").Ascending(0).Ascending(1).Unique().MakePrimary();
  d->AddKey("GR:name_key").Ascending(2).Unique().IgnoreCase();
  return d;
}

std::unique_ptr<rt::FileDeclaration> DescDecl() {
  rt::RecordDescriptor r;
  r.Add("DS:NO", rt::Type::Long).Add("DS:NOTE", rt::Type::String, 8);
  auto d = std::make_unique<rt::FileDeclaration>("DS", "ds", r);
  d->AddKey("DS:no_desc").Descending(0).Unique().MakePrimary();
  return d;
}

struct LongRow {
  char name[700];  // LN:NAME, a key longer than any fixed cut of a position
  int32_t no;
};

std::unique_ptr<rt::FileDeclaration> LongKeyDecl() {
  rt::RecordDescriptor r;
  r.Add("LN:NAME", rt::Type::String, 700).Add("LN:NO", rt::Type::Long);
  auto d = std::make_unique<rt::FileDeclaration>("LN", "ln", r);
  d->AddKey("LN:name_key").Ascending(0).Unique().MakePrimary();
  return d;
}

// A file declaration, its record buffer, the runtime file and its manager, set up on errors.
template <typename Row>
struct Managed {
  Managed(std::unique_ptr<rt::FileDeclaration> d, ErrorManager* errors)
      : decl(std::move(d)), file(*decl, &buf) {
    fm.Setup(&file, errors);
  }
  ~Managed() { fm.Teardown(); }
  const rt::FileKey* Key(size_t i = 0) const { return &decl->Key(i); }

  std::unique_ptr<rt::FileDeclaration> decl;
  Row buf{};
  rt::KeyedFile file;
  FileManager fm;
};

class FileManagerTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    // Files are named as the program names them ("kf"), in a folder of the test's own.
    std::filesystem::current_path(dir_.path());
    rt::SetLastError(0);
    errors_.Setup();
  }
  void TearDown() override {
    errors_.Teardown();
    std::filesystem::current_path(old_dir_);
    HeadlessTest::TearDown();
  }

  std::unique_ptr<Managed<OddsRow>> Odds(bool numbered = true) {
    auto m = std::make_unique<Managed<OddsRow>>(rt::testing::OddsDecl("kf"), &errors_);
    m->fm.RegisterKey(m->Key(), "Row number", numbered ? 1 : 0);
    return m;
  }

  // The boxes shown so far, as "caption: text".
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const rt::MessageBoxRecord& r : backend().MessageBoxes()) {
      out.push_back(r.request.caption + ": " + r.request.text);
    }
    return out;
  }
  void ExpectNoBoxes() { EXPECT_EQ(Boxes(), std::vector<std::string>{}); }

  // Reads the NN column of the odds file in key order through another file object.
  std::vector<int> StoredNumbers(const rt::FileDeclaration& decl) {
    OddsRow row{};
    rt::KeyedFile reader(decl, &row);
    std::vector<int> out;
    if (reader.Open(rt::KeyedFile::kReadOnly) != 0) return out;
    reader.SeeReserved(true);  // reservations are stored too, only listed by nobody
    reader.Set(&decl.Key(0));
    while (reader.Next() == 0) out.push_back(row.nn);
    return out;
  }

  rt::TempFolder dir_;
  std::filesystem::path old_dir_;
  NonEndingErrorManager errors_;
};

// --- Opening -------------------------------------------------------------------------------

TEST_F(FileManagerTest, LazyOpenTouchesNothingUntilFirstUseAndKeepsTheCallersRecord) {
  auto m = Odds(false);
  ASSERT_EQ(m->fm.Open(), kLevelGoOn);
  EXPECT_FALSE(std::filesystem::exists("kf"));
  EXPECT_EQ(m->fm.Close(), kLevelGoOn);
  EXPECT_FALSE(std::filesystem::exists("kf"));
  EXPECT_FALSE(m->file.IsOpen());

  // The first use creates and opens the file; the record prepared before it is what is added.
  ASSERT_EQ(m->fm.Open(), kLevelGoOn);
  m->buf.nn = 4;
  m->buf.kf = 2.5;
  EXPECT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_TRUE(m->file.IsOpen());
  EXPECT_EQ(m->fm.SyncThreadInfo().USED, 1);
  EXPECT_EQ(StoredNumbers(*m->decl), std::vector<int>{4});
  m->fm.Close();
  EXPECT_FALSE(m->file.IsOpen());
  ExpectNoBoxes();
}

TEST_F(FileManagerTest, OpenCountsNestAndOnlyTheLastCloseCloses) {
  auto m = Odds(false);
  m->fm.LAZYOPEN = 0;
  ASSERT_EQ(m->fm.Open(), kLevelGoOn);  // not lazy: created and opened at once
  EXPECT_TRUE(m->file.IsOpen());
  ASSERT_EQ(m->fm.Open(), kLevelGoOn);
  EXPECT_EQ(m->fm.SyncThreadInfo().OPENED, 2);
  m->fm.Close();
  EXPECT_TRUE(m->file.IsOpen());
  m->fm.Close();
  EXPECT_FALSE(m->file.IsOpen());
  EXPECT_EQ(m->fm.SyncThreadInfo().USED, 0);
  m->fm.Close();  // one too many does no harm
  EXPECT_EQ(m->fm.SyncThreadInfo().OPENED, 0);

  // Lazy: two opens, one use, one close: still open.
  m->fm.LAZYOPEN = 1;
  m->fm.Open();
  m->fm.Open();
  EXPECT_EQ(m->fm.EnsureOpen(), kLevelGoOn);
  m->fm.Close();
  EXPECT_TRUE(m->file.IsOpen());
  m->fm.Close();
  EXPECT_FALSE(m->file.IsOpen());
  ExpectNoBoxes();
}

TEST_F(FileManagerTest, UseBeforeOpenIsError39) {
  auto m = Odds(false);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Insert(), kLevelFatal);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "File Usage Error: Attempt to use file (kf) before it was opened"});
  EXPECT_FALSE(std::filesystem::exists("kf"));
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.GetPosition(), "");
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(FileManagerTest, MissingFileWithoutCreateIsError23WithTheRuntimesText) {
  auto m = Odds(false);
  m->fm.CREATE = 0;
  ASSERT_EQ(m->fm.Open(), kLevelGoOn);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.EnsureOpen(), kLevelFatal);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "File Access Error: File (kf) could not be opened.  Error: File not "
                         "found (2)."});
  EXPECT_FALSE(std::filesystem::exists("kf"));
  EXPECT_EQ(m->fm.SyncThreadInfo().LASTERROR, 23);

  // A FILENAME variable names the file in messages; the file opened stays FILENAMEVALUE.
  char shown[20] = "Odds table";
  m->fm.FILENAME = rt::AnyRef::CString(shown);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.EnsureOpen(), kLevelFatal);
  EXPECT_EQ(Boxes().back(),
            "File Access Error: File (Odds table) could not be opened.  Error: File not found "
            "(2).");
}

TEST_F(FileManagerTest, DriverErrorShowsTheDriversTextAndCode) {
  std::mt19937 rng(3);
  std::string junk(4096, '\0');
  for (char& c : junk) c = static_cast<char>(rng());
  std::ofstream("kf", std::ios::binary) << junk;
  auto m = Odds(false);
  m->fm.Open();
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.EnsureOpen(), kLevelFatal);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "File Access Error: File (kf) could not be opened.  Error: file is not "
                         "a database (26)."});
}

TEST_F(FileManagerTest, FileNameValueIsTheNameTheFileIsOpenedUnder) {
  auto m = Odds(false);
  m->fm.FILENAMEVALUE = "odds2";
  m->fm.Open();
  m->buf.nn = 1;
  EXPECT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_TRUE(std::filesystem::exists("odds2"));
  EXPECT_FALSE(std::filesystem::exists("kf"));
  m->fm.Close();
}

TEST_F(FileManagerTest, WriteRefusedFallsBackToReadOnlyAfterError2) {
  {
    auto seed = Odds(false);
    seed->fm.Open();
    seed->buf.nn = 1;
    ASSERT_EQ(seed->fm.Insert(), kLevelGoOn);
    seed->fm.Close();
  }
  if (!rt::TempFolder::SetImmutable(dir_.File("kf"), true)) {
    if (geteuid() == 0) GTEST_SKIP() << "cannot make a file unwritable for root here";
    chmod("kf", 0444);
  }
  auto m = Odds(false);
  m->fm.LAZYOPEN = 0;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Open(), kLevelGoOn);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Access Denied: Could not get write access to kf so trying read-only."});
  EXPECT_EQ(m->fm.OPENMODE, 0x40);
  EXPECT_TRUE(m->file.IsReadOnly());
  m->file.Set(m->Key());
  EXPECT_EQ(m->fm.Next(true), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 1);

  // Writing is refused with the runtime's reason.
  m->buf.nn = 2;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Insert(), kLevelHandled);
  EXPECT_EQ(Boxes().back(),
            "Record Insert Error: An error was experienced during the creation of a record. "
            "Error: Access denied (5).");

  // The mode stays read-only: the next open asks for no write access and says nothing.
  m->fm.Close();
  EXPECT_EQ(m->fm.Open(), kLevelGoOn);
  EXPECT_EQ(Boxes().size(), 2u);
  m->fm.Close();
  rt::TempFolder::SetImmutable(dir_.File("kf"), false);
}

TEST_F(FileManagerTest, WhatIsNotAPlainFileIsSaidSoWithoutAReadOnlyRetry) {
  // A folder cannot be opened in any mode, so there is nothing to fall back on.
  std::filesystem::create_directory("kf");
  auto m = Odds(false);
  m->fm.LAZYOPEN = 0;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Open(), kLevelFatal);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{
                         "File Access Error: File (kf) could not be opened.  Error: not a "
                         "regular file: it is a folder."}));
  EXPECT_EQ(m->fm.SyncThreadInfo().OPENED, 0);
}

TEST_F(FileManagerTest, CreationFailureIsError10) {
  if (!rt::TempFolder::SetImmutable(dir_.path(), true)) {
    GTEST_SKIP() << "cannot make the folder unwritable here";
  }
  auto m = Odds(false);
  m->fm.LAZYOPEN = 0;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Open(), kLevelFatal);
  rt::TempFolder::SetImmutable(dir_.path(), false);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "File Creation Error: Error: (Access denied (5)) creating kf."});
}

TEST_F(FileManagerTest, AFolderWhereNoJournalCanBeMadeOpensTheFileReadOnlyWithError2) {
  {
    auto seed = Odds(false);
    seed->fm.LAZYOPEN = 0;
    ASSERT_EQ(seed->fm.Open(), kLevelGoOn);
    seed->fm.Close();
  }
  // The file itself can be written; a change could still not be made safely beside it.
  if (!rt::TempFolder::SetImmutable(dir_.path(), true)) {
    GTEST_SKIP() << "cannot make the folder unwritable here";
  }
  auto m = Odds(false);
  m->fm.LAZYOPEN = 0;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Open(), kLevelGoOn);
  rt::TempFolder::SetImmutable(dir_.path(), false);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Access Denied: Could not get write access to kf so trying read-only."});
  EXPECT_TRUE(m->file.IsReadOnly());
  m->fm.Close();
}

TEST_F(FileManagerTest, PositionsOfAnyLengthFindTheirRecordAgain) {
  Managed<LongRow> m(LongKeyDecl(), &errors_);
  m.fm.RegisterKey(m.Key(), "Name");
  m.fm.LAZYOPEN = 0;
  ASSERT_EQ(m.fm.Open(), kLevelGoOn);
  for (char c : {'a', 'b'}) {
    m.file.Clear();
    std::string name(650, c);
    rt::testing::SetText(m.buf.name, sizeof m.buf.name, name, true);
    m.buf.no = c;
    ASSERT_EQ(m.fm.Insert(), kLevelGoOn);
  }
  // Cut to 512 bytes, such a position would lose its record id and find nothing again.
  std::string b = m.fm.GetPosition();
  EXPECT_GT(b.size(), 650u);
  uint16_t state = m.fm.SnapshotFileState();
  m.buf.no = 0;
  m.file.Set(m.Key());
  ASSERT_EQ(m.file.Next(), 0);
  EXPECT_EQ(m.buf.no, 'a');
  m.fm.RestoreFileState(state);
  ASSERT_EQ(m.fm.FetchByPosition(b), kLevelGoOn);
  EXPECT_EQ(m.buf.no, 'b');
  m.fm.Close();
}

TEST_F(FileManagerTest, InvalidKeyIsRebuiltAfterError27) {
  {
    auto seed = Odds(false);
    seed->fm.Open();
    for (int n : {1, 2}) {
      seed->buf.nn = static_cast<uint8_t>(n);
      ASSERT_EQ(seed->fm.Insert(), kLevelGoOn);
    }
    seed->fm.Close();
  }
  // Another tool replaced the unique index by a plain one.
  ASSERT_EQ(std::system("sqlite3 kf 'DROP INDEX \"key:KF:nn_key\"; "
                        "CREATE INDEX \"key:KF:nn_key\" ON records(NN);'"),
            0);
  auto m = Odds(false);
  m->fm.LAZYOPEN = 0;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Open(), kLevelGoOn);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Invalid Key: kf key file is invalid. Key must be rebuilt."});
  m->buf.nn = 2;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Insert(), kLevelHandled);  // the unique key works again
  EXPECT_EQ(Boxes().back(),
            "Duplicate Key Error: Adding this record creates a duplicate entry for the key: Row "
            "number");
  m->fm.Close();
}

TEST_F(FileManagerTest, ThreadsCountTheirOwnOpensOnAPerThreadFile) {
  auto decl = rt::testing::OddsDecl("kf");
  decl->SetPerThread(true);
  Managed<OddsRow> m(std::move(decl), &errors_);
  m.fm.Open();
  m.fm.Open();
  int32_t main_id = m.fm.SyncThreadInfo().ID;
  int32_t other_id = 0;
  uint16_t other_opened = 99;
  std::thread([&] {
    other_id = m.fm.SyncThreadInfo().ID;
    other_opened = m.fm.SyncThreadInfo().OPENED;
  }).join();
  EXPECT_NE(other_id, main_id);
  EXPECT_EQ(other_opened, 0);
  EXPECT_EQ(m.fm.SyncThreadInfo().OPENED, 2);
  EXPECT_EQ(m.fm.INFO->size(), 2u);
}

// --- Copies of the buffer and of the file state ---------------------------------------------

TEST_F(FileManagerTest, BufferSnapshotsAreNumberedRestoredOrDiscarded) {
  Managed<PersonRow> m(rt::testing::PeopleDecl("pe"), &errors_);
  m.fm.Open();
  rt::testing::SetText(m.buf.name, sizeof m.buf.name, "Anna", true);
  m.buf.age = 30;
  uint16_t first = m.fm.SnapshotBuffer();
  EXPECT_EQ(first, 1);
  uint16_t second = m.fm.SnapshotBuffer();
  EXPECT_EQ(second, 2);
  EXPECT_TRUE(m.fm.MatchesSnapshot(first));

  m.buf.age = 31;
  EXPECT_FALSE(m.fm.MatchesSnapshot(first));
  m.fm.RestoreSnapshot(first, true);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(m.buf.age, 30);
  EXPECT_EQ(rt::testing::Trimmed(m.buf.name, sizeof m.buf.name), "Anna");

  m.buf.age = 40;
  m.fm.RestoreSnapshot(second, false);  // discarded, buffer untouched
  EXPECT_EQ(second, 0);
  EXPECT_EQ(m.buf.age, 40);
  EXPECT_TRUE(m.fm.BUFFERS->empty());
  uint16_t none = 0;
  m.fm.RestoreSnapshot(none, true);
  EXPECT_EQ(m.buf.age, 40);
  EXPECT_EQ(m.fm.SnapshotBuffer(), 1);  // ids start again when the list is empty

  // A record ending in blanks is kept exactly, and blanks do not count when matching.
  uint16_t blanks = m.fm.SnapshotBuffer();
  m.buf.score = 2.0;
  m.fm.RestoreSnapshot(blanks, true);
  EXPECT_EQ(Val(m.buf.score), 0.0);
  m.fm.Close();
}

TEST_F(FileManagerTest, FileStateComesBackWithThePlaceAndTheBuffer) {
  auto m = Odds(false);
  m->fm.Open();
  for (int n : {1, 2, 3, 4}) {
    m->buf.nn = static_cast<uint8_t>(n);
    m->buf.kf = n;
    ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  }
  m->file.Set(m->Key());
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);  // on 2
  m->file.Watch();
  ASSERT_EQ(m->fm.FetchByPosition(m->fm.GetPosition()), kLevelGoOn);
  m->buf.kf = 99;  // being edited, not stored
  uint16_t id = m->fm.SnapshotFileState();
  EXPECT_EQ(id, 1);

  // Someone reads elsewhere in another order.
  m->file.Set(nullptr);
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);
  m->fm.RestoreFileState(id);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(m->buf.nn, 2);
  EXPECT_EQ(Val(m->buf.kf), 99);
  EXPECT_TRUE(m->file.IsWatched());
  EXPECT_TRUE(m->fm.SAVED->empty());
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 3);
  m->fm.Close();
}

TEST_F(FileManagerTest, PositionsFindTheRecordAgain) {
  auto m = Odds(false);
  m->fm.Open();
  for (int n : {5, 6}) {
    m->buf.nn = static_cast<uint8_t>(n);
    m->buf.kf = n * 2;
    ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  }
  std::string six = m->fm.GetPosition();
  EXPECT_FALSE(six.empty());
  m->file.Set(m->Key());
  m->fm.Next(true);
  EXPECT_EQ(m->buf.nn, 5);
  EXPECT_EQ(m->fm.FetchByPosition(six), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 6);
  EXPECT_EQ(Val(m->buf.kf), 12);
  EXPECT_EQ(m->file.Delete(), 0);
  EXPECT_EQ(m->fm.FetchByPosition(six), kLevelHandled);
  m->fm.Close();
}

// --- Keys and texts ------------------------------------------------------------------------

TEST_F(FileManagerTest, KeysGiveComponentsNamesOrderTextsAndBlanks) {
  Managed<PersonRow> m(rt::testing::PeopleDecl("pe"), &errors_);
  m.fm.RegisterKey(m.Key(0), "Name");
  m.fm.RegisterKey(m.Key(1), std::string(100, 'x'));
  EXPECT_EQ(m.fm.PRIMARYKEY, 0);
  EXPECT_EQ(m.fm.HASAUTOINC, 0);
  ASSERT_EQ(m.fm.KEYS->size(), 2u);
  EXPECT_EQ((*m.fm.KEYS)[0].NOCASE, 1);
  EXPECT_EQ((*m.fm.KEYS)[0].DUPS, 1);
  EXPECT_EQ((*m.fm.KEYS)[1].DESCRIPTION, std::string(80, 'x'));

  EXPECT_EQ(m.fm.GetComponentCount(m.Key(1)), 2u);
  EXPECT_EQ(m.fm.GetComponentName(m.Key(0), 1), "UPPER(PE:NAME)");
  EXPECT_EQ(m.fm.GetOrderText(m.Key(0), 0), "UPPER(PE:NAME)");
  EXPECT_EQ(m.fm.GetOrderText(m.Key(1), 0), "PE:CITY,-PE:AGE");
  EXPECT_EQ(m.fm.GetOrderText(m.Key(1), 2), "-PE:AGE");
  EXPECT_EQ(m.fm.GetOrderText(nullptr, 1), "");
  // A key that was never registered has nothing to give.
  EXPECT_EQ(m.fm.GetOrderText(m.Key(2), 1), "");
  EXPECT_EQ(m.fm.GetComponentCount(m.Key(2)), 0u);
  EXPECT_TRUE(m.fm.GetComponentField(m.Key(1), 3).IsNull());

  rt::AnyRef age = m.fm.GetComponentField(m.Key(1), 2);
  age.SetInteger(12);
  EXPECT_EQ(m.buf.age, 12);

  // High: the ascending city to its top, the descending age to its bottom; low the reverse.
  m.fm.BlankKeyFields(m.Key(1), 1, 22, true);
  EXPECT_EQ(static_cast<unsigned char>(m.buf.city[0]), 0xFF);
  EXPECT_EQ(m.buf.age, 0);
  m.fm.BlankKeyFields(m.Key(1), 1, 2, false);
  EXPECT_EQ(m.buf.city[0], '\0');
  EXPECT_EQ(m.buf.age, 32767);
  m.buf.age = 5;
  m.fm.BlankKeyFields(m.Key(1), 1, 1, true);  // stops at toComponent
  EXPECT_EQ(m.buf.age, 5);
}

TEST_F(FileManagerTest, QuoteValueQuotesTextsForFilters) {
  char name[12] = "O'Brien";
  double odds = 2.5;
  rt::AnyRef text = rt::AnyRef::CString(name);
  rt::AnyRef number = rt::AnyRef::Of(odds);
  EXPECT_EQ(FileManager::QuoteValue("PE:NAME", text, text), "'O''Brien'");
  EXPECT_EQ(FileManager::QuoteValue("UPPER(PE:NAME)", text, text), "UPPER('O''Brien')");
  EXPECT_EQ(FileManager::QuoteValue("KF:KF", number, number), "2.5");
  // The field decides, whatever the value's own type.
  EXPECT_EQ(FileManager::QuoteValue("PE:NAME", text, number), "'2.5'");
  EXPECT_EQ(FileManager::NewText("abc   "), "abc");
  EXPECT_EQ(FileManager::NewText("   "), "");
}

TEST_F(FileManagerTest, RegistryFindsTheManagerOfAFileUntilTeardown) {
  auto m = Odds(false);
  EXPECT_EQ(FileManager::FindFileManager(&m->file), &m->fm);
  {
    // A second manager of the same file leaving does not take the first one's entry.
    FileManager second;
    second.Setup(&m->file, &errors_);
    second.Teardown();
  }
  EXPECT_EQ(FileManager::FindFileManager(&m->file), &m->fm);
  m->fm.Teardown();
  EXPECT_EQ(FileManager::FindFileManager(&m->file), nullptr);

  // Shutdown frees the whole registry, managers still set up included.
  m->fm.Setup(&m->file, &errors_);
  ASSERT_EQ(FileManager::FindFileManager(&m->file), &m->fm);
  FileManager::FreeRegistry();
  EXPECT_EQ(FileManager::FindFileManager(&m->file), nullptr);
  m->fm.Teardown();
}

// --- Automatic numbering ---------------------------------------------------------------------

TEST_F(FileManagerTest, NumberingReservesTheRecordAndInsertWritesItInPlace) {
  auto m = Odds();
  EXPECT_EQ(m->fm.HASAUTOINC, 1);
  EXPECT_EQ(m->fm.PRIMARYKEY, 1);
  m->fm.Open();
  ASSERT_EQ(m->fm.PrepareRecord(false), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 1);  // empty file
  EXPECT_EQ(m->fm.SyncThreadInfo().AUTOINCDONE, 1);
  EXPECT_EQ(StoredNumbers(*m->decl), std::vector<int>{1});  // reserved at once
  m->buf.kf = 1.75;
  ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_EQ(m->fm.SyncThreadInfo().AUTOINCDONE, 0);
  EXPECT_EQ(m->file.Records(), 1);  // written over the reserved record, not added again

  // After a record numbered 7 the next is 8, and it is the record the user filled that is
  // stored even when other records were read meanwhile.
  m->file.Clear();
  m->buf.nn = 7;
  ASSERT_EQ(m->file.Add(), 0);
  ASSERT_EQ(m->fm.PrepareRecord(false), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 8);
  OddsRow filled = m->buf;
  filled.kf = 3.5;
  m->file.Set(m->Key());
  m->fm.Next(true);
  m->buf = filled;
  ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_EQ(StoredNumbers(*m->decl), (std::vector<int>{1, 7, 8}));
  m->buf.nn = 1;
  ASSERT_EQ(m->file.Get(*m->Key()), 0);
  EXPECT_EQ(Val(m->buf.kf), 1.75);
  m->buf.nn = 8;
  ASSERT_EQ(m->file.Get(*m->Key()), 0);
  EXPECT_EQ(Val(m->buf.kf), 3.5);

  // Insert without a reservation reserves and writes in one go.
  m->file.Clear();
  m->buf.kf = 4;
  ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_EQ(StoredNumbers(*m->decl), (std::vector<int>{1, 7, 8, 9}));
  m->fm.Close();
  ExpectNoBoxes();
}

TEST_F(FileManagerTest, ReleaseNumberRemovesOnlyTheReservedRecord) {
  auto m = Odds();
  m->fm.Open();
  EXPECT_EQ(m->fm.ReleaseNumber(nullptr), kLevelGoOn);  // nothing reserved: nothing happens
  ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_EQ(m->fm.ReleaseNumber(nullptr), kLevelGoOn);
  EXPECT_EQ(StoredNumbers(*m->decl), (std::vector<int>{1, 2}));

  ASSERT_EQ(m->fm.PrepareRecord(false), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 3);
  m->file.Set(m->Key());
  m->fm.Next(true);  // record 1 is current now
  EXPECT_EQ(m->fm.ReleaseNumber(nullptr), kLevelGoOn);
  EXPECT_EQ(m->fm.SyncThreadInfo().AUTOINCDONE, 0);
  EXPECT_EQ(StoredNumbers(*m->decl), (std::vector<int>{1, 2}));

  // Through a relation manager the reserved record goes by its delete, unasked.
  RelationManager relations;
  relations.Setup(&m->fm, false);
  ASSERT_EQ(m->fm.PrepareRecord(false), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 3);
  m->file.Set(m->Key());
  m->fm.Next(true);
  EXPECT_EQ(relations.ReleaseNumber(), kLevelGoOn);
  EXPECT_EQ(m->fm.SyncThreadInfo().AUTOINCDONE, 0);
  EXPECT_EQ(StoredNumbers(*m->decl), (std::vector<int>{1, 2}));
  EXPECT_EQ(m->fm.SyncThreadInfo().OPENED, 1);
  relations.Teardown();
  m->fm.Close();
  ExpectNoBoxes();
}

TEST_F(FileManagerTest, NumbersCountPerGroupOnATwoComponentKey) {
  Managed<GroupRow> m(GroupDecl(), &errors_);
  m.fm.RegisterKey(m.Key(0), "Group and number", 2);
  m.fm.RegisterKey(m.Key(1), "Name");
  m.fm.Open();
  auto add = [&](int group, const char* name) {
    m.file.Clear();
    m.buf.group = group;
    rt::testing::SetText(m.buf.name, sizeof m.buf.name, name, true);
    EXPECT_EQ(m.fm.Insert(), kLevelGoOn) << name;
    return m.buf.no;
  };
  EXPECT_EQ(add(5, "a"), 1);
  EXPECT_EQ(add(5, "b"), 2);
  EXPECT_EQ(add(3, "c"), 1);  // a group below: its first record
  EXPECT_EQ(add(9, "d"), 1);  // a group above
  EXPECT_EQ(add(5, "e"), 3);
  EXPECT_EQ(add(3, "f"), 2);
  m.fm.Close();
  ExpectNoBoxes();
}

TEST_F(FileManagerTest, DescendingComponentReadsForwardForTheHighest) {
  Managed<DescRow> m(DescDecl(), &errors_);
  m.fm.RegisterKey(m.Key(), "Number", 1);
  m.fm.Open();
  for (int expected : {1, 2, 3}) {
    ASSERT_EQ(m.fm.Insert(), kLevelGoOn);
    EXPECT_EQ(m.buf.no, expected);
  }
  m.file.Clear();
  m.buf.no = 40;
  ASSERT_EQ(m.file.Add(), 0);
  ASSERT_EQ(m.fm.Insert(), kLevelGoOn);
  EXPECT_EQ(m.buf.no, 41);
  m.fm.Close();
}

TEST_F(FileManagerTest, NoNumberPastTheFieldsRangeIsEverAssigned) {
  auto m = Odds();
  m->fm.Open();
  ASSERT_EQ(m->fm.EnsureOpen(), kLevelGoOn);
  // Rows 1..254 at once, then the 255th through the manager.
  ASSERT_EQ(rt::Transaction::Start({&m->file}), 0);
  for (int n = 1; n <= 254; ++n) {
    m->buf.nn = static_cast<uint8_t>(n);
    m->buf.kf = 1.5;
    ASSERT_EQ(m->file.Add(), 0);
  }
  ASSERT_EQ(rt::Transaction::Commit(), 0);
  m->file.Clear();
  ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 255);

  // The 256th is refused with the auto-increment question; No gives up.
  m->file.Clear();
  m->buf.kf = 9;
  backend().AnswerNextMessageBox(rt::kButtonNo);
  EXPECT_EQ(m->fm.PrepareRecord(true), kLevelHandled);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Auto Increment Error: Attempts to automatically number this record "
                         "have failed.  Error: No number is left for the field (KF:NN). Try "
                         "Again?"});
  EXPECT_EQ(m->fm.SyncThreadInfo().AUTOINCDONE, 0);
  EXPECT_EQ(m->buf.nn, 0);  // the caller's record, untouched
  EXPECT_EQ(Val(m->buf.kf), 9);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  EXPECT_EQ(m->fm.Insert(), kLevelHandled);
  EXPECT_EQ(m->fm.ReserveNumberQuiet(), kLevelHandled);  // silent
  EXPECT_EQ(m->fm.SyncThreadInfo().LASTERROR, 32);
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(m->file.Records(), 255);
  std::vector<int> stored = StoredNumbers(*m->decl);
  EXPECT_EQ(stored.front(), 1);
  EXPECT_EQ(stored.back(), 255);

  // Once the top row is gone, its number is free again.
  m->buf.nn = 255;
  ASSERT_EQ(m->file.Get(*m->Key()), 0);
  ASSERT_EQ(m->file.Delete(), 0);
  m->file.Clear();
  EXPECT_EQ(m->fm.Insert(), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 255);
  m->fm.Close();
}

TEST_F(FileManagerTest, ThreeFailedAddsAskError32AndYesTriesAgain) {
  Managed<GroupRow> m(GroupDecl(), &errors_);
  m.fm.RegisterKey(m.Key(0), "Group and number", 2);
  m.fm.RegisterKey(m.Key(1), "Name");
  m.fm.Open();
  rt::testing::SetText(m.buf.name, sizeof m.buf.name, "taken", true);
  ASSERT_EQ(m.fm.Insert(), kLevelGoOn);

  // Every add of a record with the same name fails, whatever number it gets.
  m.file.Clear();
  rt::testing::SetText(m.buf.name, sizeof m.buf.name, "TAKEN", true);
  EXPECT_EQ(m.fm.ReserveNumberQuiet(), kLevelHandled);
  ExpectNoBoxes();
  EXPECT_EQ(m.fm.SyncThreadInfo().LASTERROR, 32);

  const std::string question =
      "Auto Increment Error: Attempts to automatically number this record have failed.  "
      "Error: Duplicate key (40). Try Again?";
  backend().AnswerNextMessageBox(rt::kButtonYes);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  EXPECT_EQ(m.fm.ReserveNumber(), kLevelHandled);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{question, question}));
  EXPECT_EQ(m.file.Records(), 1);

  // Yes after the other name is freed succeeds.
  backend().ClearMessageBoxes();
  GroupRow keep = m.buf;
  rt::testing::SetText(m.buf.name, sizeof m.buf.name, "taken", true);
  m.buf.group = 0;
  m.buf.no = 1;
  ASSERT_EQ(m.file.Get(*m.Key(0)), 0);
  ASSERT_EQ(m.file.Delete(), 0);
  m.buf = keep;
  EXPECT_EQ(m.fm.ReserveNumber(), kLevelGoOn);
  EXPECT_EQ(m.file.Records(), 0);  // reserved: counted once it is entered
  ASSERT_EQ(m.fm.Insert(), kLevelGoOn);
  EXPECT_EQ(m.file.Records(), 1);
  m.fm.Close();
}

// --- Insert, update and next ---------------------------------------------------------------

TEST_F(FileManagerTest, DuplicateInsertNamesTheKeyItWouldDuplicate) {
  Managed<NameRow> m(rt::testing::NamesDecl("nm"), &errors_);
  m.fm.RegisterKey(m.Key(), "Name (any case)");
  m.fm.Open();
  rt::testing::SetText(m.buf.name, sizeof m.buf.name, "Anna", true);
  ASSERT_EQ(m.fm.Insert(), kLevelGoOn);
  rt::testing::SetText(m.buf.name, sizeof m.buf.name, "ANNA", true);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m.fm.Insert(), kLevelHandled);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Duplicate Key Error: Adding this record creates a duplicate entry "
                         "for the key: Name (any case)"});
  EXPECT_EQ(m.file.Records(), 1);
  m.fm.Close();

  // A manager that did not register the key cannot name it: refused without a message.
  Managed<NameRow> bare(rt::testing::NamesDecl("nm"), &errors_);
  bare.fm.Open();
  rt::testing::SetText(bare.buf.name, sizeof bare.buf.name, "anna", true);
  EXPECT_EQ(bare.fm.Insert(), kLevelHandled);
  EXPECT_EQ(Boxes().size(), 1u);
  bare.fm.Close();
}

// Runs body in another running copy of the program (a child process that opens the file for
// itself); true when it succeeded.
bool InOtherCopy(const std::function<bool()>& body) {
  fflush(nullptr);
  rt::testing::Copy copy([&](rt::testing::Copy&) { return body() ? 0 : 1; });
  int status = copy.Wait();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(FileManagerTest, UpdateOfARecordAnotherProcessChangedShowsTheirVersion) {
  auto m = Odds(false);
  m->fm.Open();
  for (int n : {1, 2}) {
    m->buf.nn = static_cast<uint8_t>(n);
    m->buf.kf = 1.0;
    ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  }
  auto other_station_sets = [&](int nn, double kf) {
    return InOtherCopy([&] {
      OddsRow row{};
      rt::KeyedFile other(*m->decl, &row);
      if (other.Open() != 0) return false;
      row.nn = static_cast<uint8_t>(nn);
      if (other.Get(*m->Key()) != 0) return false;
      row.kf = kf;
      return other.Put() == 0;
    });
  };
  auto other_station_deletes = [&](int nn) {
    return InOtherCopy([&] {
      OddsRow row{};
      rt::KeyedFile other(*m->decl, &row);
      row.nn = static_cast<uint8_t>(nn);
      return other.Open() == 0 && other.Get(*m->Key()) == 0 && other.Delete() == 0;
    });
  };
  auto read_watched = [&](int nn) {
    m->buf.nn = static_cast<uint8_t>(nn);
    m->file.Watch();
    ASSERT_EQ(m->file.Get(*m->Key()), 0);
  };

  // Mode 2: error 7, and the buffer shows the other station's version.
  read_watched(1);
  ASSERT_TRUE(other_station_sets(1, 5.5));
  m->buf.kf = 8.0;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Update(2), kLevelHandled);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Record Was Not Updated: This record was changed by another station. "
                         "Those changes will now be displayed. Use the Ditto Button or Ctrl+' "
                         "to recall your changes."});
  EXPECT_EQ(m->buf.nn, 1);
  EXPECT_EQ(Val(m->buf.kf), 5.5);
  // Saving again now succeeds, and a third station's change is caught again.
  m->buf.kf = 8.0;
  EXPECT_EQ(m->fm.Update(2), kLevelGoOn);
  ASSERT_TRUE(other_station_sets(1, 6.5));
  m->buf.kf = 9.0;
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Update(1), kLevelHandled);
  EXPECT_EQ(Boxes().back(), "Record Was Not Updated: This record was changed by another station.");
  EXPECT_EQ(Val(m->buf.kf), 6.5);

  // Mode 0 says nothing and notes error 6.
  read_watched(2);
  ASSERT_TRUE(other_station_sets(2, 7.5));
  m->buf.kf = 1.25;
  EXPECT_EQ(m->fm.UpdateQuiet(), kLevelHandled);
  EXPECT_EQ(m->fm.SyncThreadInfo().LASTERROR, 6);
  EXPECT_EQ(Val(m->buf.kf), 7.5);
  EXPECT_EQ(Boxes().size(), 2u);
  m->buf.kf = 1.25;
  EXPECT_EQ(m->fm.UpdateQuiet(), kLevelGoOn);

  // A record another station deleted, read with or without a watch, cannot be saved again:
  // the user is told it is gone (41), not that it changed, and the buffer keeps their values.
  m->buf.nn = 2;
  ASSERT_EQ(m->file.Get(*m->Key()), 0);
  ASSERT_TRUE(other_station_deletes(2));
  backend().AnswerNextMessageBox(rt::kButtonOk);
  m->buf.kf = 4.75;
  EXPECT_EQ(m->fm.Update(1), kLevelHandled);
  EXPECT_EQ(Boxes().back(),
            "Record Was Deleted: This record was deleted by another station. Your changes to it "
            "were not saved.");
  EXPECT_EQ(m->fm.SyncThreadInfo().LASTERROR, kErrRecordDeleted);
  EXPECT_EQ(Val(m->buf.kf), 4.75);
  read_watched(1);
  ASSERT_TRUE(other_station_deletes(1));
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Update(1), kLevelHandled);
  EXPECT_EQ(Boxes().back().substr(0, 18), "Record Was Deleted");
  EXPECT_EQ(Boxes().size(), 4u) << "one message per failed save";

  m->buf.nn = 1;
  EXPECT_EQ(m->file.Get(*m->Key()), rt::kRecordNotFound);
  m->fm.Close();
}

TEST_F(FileManagerTest, NextReportsOrSkipsARecordAnotherProcessHolds) {
  auto m = Odds(false);
  m->fm.Open();
  for (int n : {1, 2, 3}) {
    m->buf.nn = static_cast<uint8_t>(n);
    ASSERT_EQ(m->fm.Insert(), kLevelGoOn);
  }
  // Another running copy holds record 2 until told to let go.
  rt::testing::Copy other([&](rt::testing::Copy& self) {
    OddsRow row{};
    rt::KeyedFile file(*m->decl, &row);
    row.nn = 2;
    bool held = file.Open() == 0 && file.Hold() == 0 && file.Get(*m->Key()) == 0;
    self.Tell(held ? 'y' : 'n');
    self.Hear();
    return 0;
  });
  ASSERT_EQ(other.Listen(), 'y');

  m->file.Set(m->Key());
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);
  EXPECT_EQ(m->buf.nn, 1);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(m->fm.Next(true), kLevelHandled);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Record not read: A record held by another station was encountered "
                         "reading from the kf file."});
  ASSERT_EQ(m->fm.Next(true), kLevelGoOn);  // reading goes on after it
  EXPECT_EQ(m->buf.nn, 3);
  EXPECT_EQ(m->fm.NextQuiet(), kLevelHandled);
  EXPECT_TRUE(m->fm.AtEnd());

  // Silent form: noted, not shown.
  m->file.Set(m->Key());
  m->fm.NextQuiet();
  EXPECT_EQ(m->fm.NextQuiet(), kLevelHandled);
  EXPECT_FALSE(m->fm.AtEnd());
  EXPECT_EQ(m->fm.SyncThreadInfo().LASTERROR, 28);

  // Skipping held records passes over it without a word.
  m->fm.SKIPHELDRECORDS = 1;
  m->file.Set(m->Key());
  std::vector<int> seen;
  while (m->fm.Next(true) == kLevelGoOn) seen.push_back(m->buf.nn);
  EXPECT_EQ(seen, (std::vector<int>{1, 3}));
  EXPECT_TRUE(m->fm.AtEnd());
  EXPECT_EQ(Boxes().size(), 1u);
  other.Say('x');
  other.Wait();
  m->fm.Close();
}

// --- Validation and aliases ----------------------------------------------------------------

// Refuses odds below 1 and gives new records odds of 1.
class CheckedOddsManager : public FileManager {
 public:
  int VerifyField(int fieldNumber) override {
    if (ALIASEDFILE) return FileManager::VerifyField(fieldNumber);
    ++checks;
    auto* row = static_cast<OddsRow*>(BUFFER.address());
    return fieldNumber == 2 && row->kf < 1.0 ? kLevelHandled : kLevelGoOn;
  }
  void SetFieldDefaults() override { static_cast<OddsRow*>(BUFFER.address())->kf = 1.0; }
  int checks = 0;
};

TEST_F(FileManagerTest, ValidationStopsAtTheFirstFailingFieldAndBlocksWrites) {
  auto decl = rt::testing::OddsDecl("kf");
  OddsRow buf{};
  rt::KeyedFile file(*decl, &buf);
  CheckedOddsManager fm;
  fm.Setup(&file, &errors_);
  fm.RegisterKey(&decl->Key(0), "Row number", 1);
  fm.Open();
  buf.kf = 0.5;
  int failed = 0;
  EXPECT_EQ(fm.VerifyRecord(&failed), kLevelHandled);
  EXPECT_EQ(failed, 2);
  EXPECT_EQ(fm.VerifyFields(1, 1, &failed), kLevelGoOn);
  EXPECT_EQ(fm.Insert(), kLevelHandled);
  EXPECT_EQ(file.Records(), 0);

  // PrepareRecord clears, gives the defaults and reserves the number.
  buf.kf = 0.5;
  ASSERT_EQ(fm.PrepareRecord(false), kLevelGoOn);
  EXPECT_EQ(Val(buf.kf), 1.0);
  EXPECT_EQ(buf.nn, 1);
  ASSERT_EQ(fm.Insert(), kLevelGoOn);
  buf.kf = 0.5;
  EXPECT_EQ(fm.Update(1), kLevelHandled);  // refused before writing, no message
  buf.nn = 1;
  ASSERT_EQ(file.Get(decl->Key(0)), 0);
  EXPECT_EQ(Val(buf.kf), 1.0);
  fm.Close();
  fm.Teardown();
  ExpectNoBoxes();
}

TEST_F(FileManagerTest, AliasDelegatesValidationAndPreparationOnItsOwnRecord) {
  auto decl = rt::testing::OddsDecl("kf");
  OddsRow base_buf{};
  rt::KeyedFile base_file(*decl, &base_buf);
  CheckedOddsManager base;
  base.Setup(&base_file, &errors_);
  base.RegisterKey(&decl->Key(0), "Row number");

  auto alias_decl = rt::testing::OddsDecl("kf");
  OddsRow alias_buf{};
  rt::KeyedFile alias_file(*alias_decl, &alias_buf);
  FileManager alias;
  alias.Setup(&alias_file, &errors_);
  alias.RegisterKey(&alias_decl->Key(0), "Row number");
  alias.ALIASEDFILE = &base;
  base.Open();
  alias.Open();

  base_buf = {7, 3.0};
  alias_buf = {1, 0.5};
  int failed = 0;
  EXPECT_EQ(alias.VerifyRecord(&failed), kLevelHandled);  // the alias's record was checked
  EXPECT_EQ(failed, 2);
  EXPECT_EQ(alias.VerifyField(2), kLevelHandled);
  EXPECT_EQ(alias.VerifyFields(1, 1, &failed), kLevelGoOn);
  EXPECT_EQ(base_buf.nn, 7);  // and the aliased file's buffer is as it was
  EXPECT_EQ(Val(base_buf.kf), 3.0);

  // A primed record that is to be kept stays this file's, with the aliased defaults.
  alias_buf = {4, 0.0};
  ASSERT_EQ(alias.PrepareRecord(true), kLevelGoOn);
  EXPECT_EQ(alias_buf.nn, 4);
  EXPECT_EQ(Val(alias_buf.kf), 1.0);
  ASSERT_EQ(alias.PrepareRecord(false), kLevelGoOn);
  EXPECT_EQ(alias_buf.nn, 0);
  EXPECT_EQ(base_buf.nn, 7);
  EXPECT_EQ(Val(base_buf.kf), 3.0);

  alias_buf = {2, 0.25};
  EXPECT_EQ(alias.Insert(), kLevelHandled);
  alias_buf = {2, 2.25};
  EXPECT_EQ(alias.Insert(), kLevelGoOn);
  EXPECT_EQ(StoredNumbers(*decl), std::vector<int>{2});
  alias.Close();
  base.Close();
  alias.Teardown();
  base.Teardown();
  ExpectNoBoxes();
}

}  // namespace
}  // namespace fw
