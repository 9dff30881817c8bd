#include "app/odds_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/odds_file.h"
#include "app/outcome_file.h"
#include "app/outcome_table.h"
#include "framework/errors/level.h"
#include "runtime/files/temp_folder.h"
#include "runtime/headless/headless_test_support.h"

namespace app {
namespace {

class OddsTableTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override { errors.Setup(); }
  void TearDown() override {
    if (OddsRelationManager()) TeardownOddsTable();
    errors.Teardown();
    HeadlessTest::TearDown();
  }
  fw::ErrorManager errors;
};

TEST_F(OddsTableTest, ManagersAreConfiguredForTheOddsFile) {
  EXPECT_EQ(OddsFileManager(), nullptr);
  EXPECT_EQ(OddsRelationManager(), nullptr);
  SetupOddsTable(&errors);

  KfFileManager& fm = TheKfFileManager();
  EXPECT_EQ(OddsFileManager(), &fm);
  EXPECT_EQ(fm.FILE, &OddsFile());
  EXPECT_EQ(fm.ERRORS, &errors);
  EXPECT_EQ(fm.FILENAMEVALUE, "kf");
  EXPECT_EQ(fm.BUFFER.address(), static_cast<void*>(&OddsBuffer()));
  EXPECT_EQ(fm.BUFFER.size(), 9u);
  EXPECT_EQ(fm.CREATE, 1);
  EXPECT_EQ(fm.LOCKRECOVER, 10);
  ASSERT_NE(fm.KEYS, nullptr);
  ASSERT_EQ(fm.KEYS->size(), 1u);
  const fw::FileManagerKey& key = (*fm.KEYS)[0];
  EXPECT_EQ(key.KEY, &OddsNnKey());
  EXPECT_EQ(key.DESCRIPTION, "KF:nn_key");
  EXPECT_EQ(key.AUTOINC, 1);
  EXPECT_EQ(fm.HASAUTOINC, 1);
  EXPECT_EQ(fm.PRIMARYKEY, 1);
  EXPECT_EQ(fm.GetOrderText(&OddsNnKey(), 0), "KF:NN");
  // The rest keeps the base set-up's values.
  EXPECT_EQ(fm.LAZYOPEN, 1);
  EXPECT_EQ(fm.OPENMODE, 0x42);
  EXPECT_EQ(fm.SKIPHELDRECORDS, 0);
  EXPECT_EQ(fw::FileManager::FindFileManager(&OddsFile()), &fm);

  KfRelationManager& rm = TheKfRelationManager();
  EXPECT_EQ(OddsRelationManager(), &rm);
  EXPECT_EQ(rm.ME, &fm);
  EXPECT_EQ(rm.USELOGOUT, 1);
  ASSERT_NE(rm.RELATIONS, nullptr);
  // One relation: to the rows' outcomes, which follow a row's number and go with the row.
  ASSERT_EQ(rm.RELATIONS->size(), 1u);
  const fw::RelationRow& outcomes = rm.RELATIONS->front();
  EXPECT_EQ(outcomes.FILE, OutcomeRelationManager());
  EXPECT_EQ(outcomes.HISKEY, &OutcomeNnKey());
  EXPECT_EQ(outcomes.UPDATEMODE, fw::kRelationCascade);
  EXPECT_EQ(outcomes.DELETEMODE, fw::kRelationCascade);
}

TEST_F(OddsTableTest, TeardownTakesTheFileManagerDownFirstAndClearsBothReferences) {
  SetupOddsTable(&errors);
  // Through the base class, as the program-wide reference is used.
  fw::RelationManager* rm = OddsRelationManager();
  rm->Teardown();
  EXPECT_EQ(OddsFileManager(), nullptr);
  EXPECT_EQ(OddsRelationManager(), nullptr);
  EXPECT_EQ(TheKfFileManager().KEYS, nullptr);
  EXPECT_EQ(fw::FileManager::FindFileManager(&OddsFile()), nullptr);
  EXPECT_EQ(TheKfRelationManager().RELATIONS, nullptr);

  // Set up again for the next run of the program, the same instances serve.
  SetupOddsTable(&errors);
  EXPECT_EQ(OddsFileManager(), &TheKfFileManager());
  EXPECT_EQ(TheKfFileManager().KEYS->size(), 1u);
}

// Runs the test inside a fresh folder, as the program runs in its working directory.
class InFolder {
 public:
  InFolder() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder_.path());
  }
  ~InFolder() { std::filesystem::current_path(previous_); }
  const rt::TempFolder& folder() const { return folder_; }

 private:
  rt::TempFolder folder_;
  std::filesystem::path previous_;
};

std::vector<std::string> StoredRows() {
  OddsRecord r{};
  rt::KeyedFile file(OddsDeclaration(), &r);
  std::vector<std::string> rows;
  if (file.Open(rt::KeyedFile::kReadOnly) != 0) return {"<cannot open>"};
  file.Set(&OddsNnKey());
  while (file.Next() == 0) {
    double kf = r.kf;
    rows.push_back(std::to_string(r.nn) + ":" + rt::FormatReal(kf));
  }
  file.Close();
  return rows;
}

TEST_F(OddsTableTest, FirstStartCreatesTheFileAndRowsAreNumberedAboveTheHighest) {
  InFolder here;
  SetupOddsTable(&errors);
  fw::RelationManager& rm = *OddsRelationManager();
  fw::FileManager& fm = *OddsFileManager();
  ASSERT_EQ(rm.Open(0), fw::kLevelGoOn);
  EXPECT_TRUE(std::filesystem::exists(here.folder().File("kf")));
  EXPECT_EQ(StoredRows(), std::vector<std::string>{});

  for (double odds : {1.5, 2.25, 3.0}) {
    ASSERT_EQ(fm.PrepareRecord(false), fw::kLevelGoOn);
    OddsBuffer().kf = odds;
    ASSERT_EQ(fm.Insert(), fw::kLevelGoOn);
  }
  EXPECT_EQ(StoredRows(), (std::vector<std::string>{"1:1.5", "2:2.25", "3:3"}));

  // The first row goes through the relation manager, in a transaction of its own.
  OddsBuffer().nn = 1;
  ASSERT_EQ(OddsFile().Get(OddsNnKey()), 0);
  EXPECT_EQ(rm.Delete(0), fw::kLevelGoOn);
  // The highest row changes through it too.
  OddsBuffer().nn = 3;
  ASSERT_EQ(OddsFile().Get(OddsNnKey()), 0);
  rm.SaveLinkValues();
  OddsBuffer().kf = 4.5;
  EXPECT_EQ(rm.Update(0), fw::kLevelGoOn);

  ASSERT_EQ(fm.PrepareRecord(false), fw::kLevelGoOn);
  EXPECT_EQ(OddsBuffer().nn, 4);
  OddsBuffer().kf = 1.25;
  ASSERT_EQ(fm.Insert(), fw::kLevelGoOn);
  EXPECT_EQ(rm.Close(0), fw::kLevelGoOn);
  EXPECT_FALSE(OddsFile().IsOpen());
  EXPECT_EQ(StoredRows(), (std::vector<std::string>{"2:2.25", "3:4.5", "4:1.25"}));
}

}  // namespace
}  // namespace app
