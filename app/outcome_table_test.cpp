// Outcomes live and die with their odds rows: stored and read back over real files, deleted with
// the row by "--" and by "С" in the calculator window, and by another running copy.
#include "app/outcome_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <map>
#include <utility>

#include "app/calculator_window_procedure.h"
#include "app/calculator_window_resource.h"
#include "app/odds_file.h"
#include "app/odds_test_support.h"
#include "app/odds_table.h"
#include "app/outcome_file.h"
#include "app/program.h"
#include "framework/errors/error_manager.h"
#include "framework/errors/level.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace app {
namespace {

using Outcomes = std::map<int, int>;  // row number -> IS:RES, as stored

using testing::StoreOdds;

void StoreOutcomes(const Outcomes& outcomes) {
  OutcomeRecord rec{};
  rt::KeyedFile file(OutcomeDeclaration(), &rec);
  ASSERT_EQ(file.Create(), 0);
  ASSERT_EQ(file.Open(), 0);
  for (auto [nn, res] : outcomes) {
    rec = OutcomeRecord{static_cast<uint8_t>(nn), static_cast<uint8_t>(res)};
    ASSERT_EQ(file.Add(), 0);
  }
}

// The outcome file as stored, read through a handle of its own.
Outcomes Stored() {
  OutcomeRecord rec{};
  rt::KeyedFile file(OutcomeDeclaration(), &rec);
  Outcomes out;
  if (file.Open(rt::KeyedFile::kReadOnly) != 0) return out;
  file.Set(&OutcomeNnKey());
  while (file.Next() == 0) out[rec.nn] = rec.res;
  return out;
}

constexpr int kWon = static_cast<int>(Outcome::kWon);
constexpr int kLost = static_cast<int>(Outcome::kLost);
constexpr int kRefund = static_cast<int>(Outcome::kRefund);

// The program's managers over a fresh working folder, without a window.
class OutcomeTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    errors_.Setup();
  }
  void TearDown() override {
    Close();
    TeardownOddsTable();
    errors_.Teardown();
    std::filesystem::current_path(home_);
  }
  void Open() {
    SetupOddsTable(&errors_);
    ASSERT_EQ(OddsRelationManager()->Open(0), fw::kLevelGoOn);
    open_ = true;
  }
  void Close() {
    if (open_) OddsRelationManager()->Close(0);
    open_ = false;
  }
  // Deletes odds row nn through the relation manager, as "--" in the list does.
  static int DeleteRow(uint8_t nn) {
    OddsBuffer().nn = nn;
    if (OddsFile().Get(OddsNnKey()) != 0) return -1;
    OddsRelationManager()->SaveLinkValues();
    return OddsRelationManager()->Delete(0);
  }

  rt::TempFolder folder_;
  std::filesystem::path home_;
  fw::ErrorManager errors_;
  bool open_ = false;
};

TEST_F(OutcomeTableTest, OutcomesAreStoredReadBackAndPendingLeavesNoRecord) {
  StoreOdds({1.5, 2.0, 3.0});
  Open();
  OutcomesByRow read{};
  ASSERT_EQ(ReadOutcomes(read), 0);
  EXPECT_EQ(read[1], Outcome::kPending) << "a row without a record is pending";

  EXPECT_EQ(StoreOutcome(1, Outcome::kWon), fw::kLevelGoOn);
  EXPECT_TRUE(std::filesystem::exists("ish")) << "created on first use, beside kf";
  EXPECT_EQ(StoreOutcome(3, Outcome::kRefund), fw::kLevelGoOn);
  EXPECT_EQ(StoreOutcome(3, Outcome::kLost), fw::kLevelGoOn);  // changed in place
  EXPECT_EQ(StoreOutcome(2, Outcome::kPending), fw::kLevelGoOn);
  EXPECT_EQ(Stored(), (Outcomes{{1, kWon}, {3, kLost}}));
  EXPECT_EQ(StoreOutcome(1, Outcome::kPending), fw::kLevelGoOn);
  EXPECT_EQ(Stored(), (Outcomes{{3, kLost}}));
  // A row that does not exist gets no outcome: the next row given its number would inherit it.
  EXPECT_EQ(StoreOutcome(7, Outcome::kWon), fw::kLevelGoOn);
  EXPECT_EQ(Stored(), (Outcomes{{3, kLost}}));

  ASSERT_EQ(ReadOutcomes(read), 0);
  EXPECT_EQ(read[1], Outcome::kPending);
  EXPECT_EQ(read[2], Outcome::kPending);
  EXPECT_EQ(read[3], Outcome::kLost);
}

TEST_F(OutcomeTableTest, AValueThisProgramNeverWritesReadsAsPending) {
  StoreOdds({1.5, 2.0});
  StoreOutcomes({{1, 200}, {2, kWon}});
  Open();
  OutcomesByRow read{};
  ASSERT_EQ(ReadOutcomes(read), 0);
  EXPECT_EQ(read[1], Outcome::kPending);
  EXPECT_EQ(read[2], Outcome::kWon);
}

TEST_F(OutcomeTableTest, DeletingARowDeletesItsOutcomeAndANewRowStartsPending) {
  StoreOdds({1.5, 2.0, 3.0});
  StoreOutcomes({{1, kWon}, {2, kLost}, {3, kRefund}});
  Open();
  EXPECT_EQ(DeleteRow(3), fw::kLevelGoOn);
  EXPECT_EQ(Stored(), (Outcomes{{1, kWon}, {2, kLost}}));
  // Row 3 again, numbered as the list numbers a new row (after the highest): it is pending.
  ASSERT_EQ(OddsFileManager()->ReserveNumber(), fw::kLevelGoOn);
  EXPECT_EQ(OddsBuffer().nn, 3);
  OddsBuffer().kf = 4.0;
  ASSERT_EQ(OddsFileManager()->Insert(), fw::kLevelGoOn);
  OutcomesByRow read{};
  ASSERT_EQ(ReadOutcomes(read), 0);
  EXPECT_EQ(read[3], Outcome::kPending);
  EXPECT_EQ(read[2], Outcome::kLost);
}

TEST_F(OutcomeTableTest, ARowDeletedByAnotherCopyTakesItsOutcomeAlong) {
  StoreOdds({1.5, 2.0, 3.0});
  StoreOutcomes({{1, kWon}, {2, kLost}, {3, kRefund}});
  Open();
  // The files are shut here so the other copy does not share this copy's connections.
  Close();
  rt::testing::Copy other([&](rt::testing::Copy&) {
    if (OddsRelationManager()->Open(0) != fw::kLevelGoOn) return 10;
    const int level = DeleteRow(2);
    OddsRelationManager()->Close(0);
    return level;
  });
  const int status = other.Wait();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), fw::kLevelGoOn);
  Open();
  EXPECT_EQ(Stored(), (Outcomes{{1, kWon}, {3, kRefund}}));
  OutcomesByRow read{};
  ASSERT_EQ(ReadOutcomes(read), 0);
  EXPECT_EQ(read[2], Outcome::kPending);
}

// The calculator window deletes rows by "--" and by "С": the outcomes go too.
class OutcomeWindowTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    home_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
  }
  void TearDown() override {
    std::filesystem::current_path(home_);
    HeadlessTest::TearDown();
  }
  void Run() {
    StartupOptions options;
    options.window_procedure = CalculatorWindowProcedure;
    EXPECT_EQ(RunProgram(options), 0);
  }

  rt::TempFolder folder_;
  std::filesystem::path home_;
};

TEST_F(OutcomeWindowTest, DeleteByTheButtonAndClearTakeTheOutcomesAlong) {
  StoreOdds({1.5, 2.0, 3.0});
  StoreOutcomes({{1, kWon}, {2, kLost}, {3, kRefund}});
  backend().ClickRow(kOddsList, 2);
  backend().AnswerNextMessageBox(rt::kButtonYes);
  backend().Click(kDeleteButton);
  backend().Check([] { EXPECT_EQ(Stored(), (Outcomes{{1, kWon}, {3, kRefund}})); });
  backend().Click(kClearButton);
  backend().Check([] { EXPECT_TRUE(Stored().empty()); });
  backend().CloseWindow();
  Run();
}

}  // namespace
}  // namespace app
