#include "framework/data/relation_manager.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/relation_test_files.h"
#include "framework/errors/level.h"
#include "runtime/files/transaction.h"
#include "runtime/headless/headless_test_support.h"

namespace fw {
namespace {

using testing::RelationFiles;

// A lines manager that counts the walks and cascades reaching it.
class CountingManager : public RelationManager {
 public:
  int SendQuickScanOption_calls = 0;
  int cascade_deletes = 0;
  std::function<void(int call)> on_cascade_delete;

  void SendQuickScanOption(int on, int propagate) override {
    ++SendQuickScanOption_calls;
    RelationManager::SendQuickScanOption(on, propagate);
  }
  int CascadeDelete(const rt::FileKey* key, BufferedFieldPairs* fields, uint8_t mode) override {
    ++cascade_deletes;
    if (on_cascade_delete) on_cascade_delete(cascade_deletes);
    return RelationManager::CascadeDelete(key, fields, mode);
  }
};

class RelationManagerTest : public rt::test::HeadlessTest {
 protected:
  void Make(uint8_t cuOrUpdate, uint8_t cuOrDelete, uint8_t orLiUpdate, uint8_t orLiDelete,
            bool useLogout = true) {
    auto lines = std::make_unique<CountingManager>();
    counting = lines.get();
    f = std::make_unique<RelationFiles>(std::move(lines));
    f->Seed();
    before = f->Everything();
    f->SetupManagers(cuOrUpdate, cuOrDelete, orLiUpdate, orLiDelete, useLogout);
    // As the window does: the file stays open while it is worked on.
    ASSERT_EQ(f->cu_rm.Open(0), kLevelGoOn);
  }
  void TearDown() override {
    if (f && f->set_up) f->cu_rm.Close(0);
    f.reset();
    HeadlessTest::TearDown();
  }

  // Texts of the boxes shown so far, as "caption: text".
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const rt::MessageBoxRecord& r : backend().MessageBoxes()) {
      out.push_back(r.request.caption + ": " + r.request.text);
    }
    return out;
  }

  std::unique_ptr<RelationFiles> f;
  CountingManager* counting = nullptr;
  std::vector<std::string> before;
};

std::vector<std::string> Rows(std::initializer_list<const char*> rows) {
  std::vector<std::string> out(rows.begin(), rows.end());
  std::sort(out.begin(), out.end());
  return out;
}

// --- Walks ---------------------------------------------------------------------------------

TEST_F(RelationManagerTest, OpenAndCloseVisitEveryFileOnceAlthoughTheRelationsCycle) {
  Make(kRelationCascade, kRelationCascade, kRelationCascade, kRelationCascade);
  // Make opened once; the cycles (orders→customers, lines→orders) add no further opens.
  EXPECT_EQ(f->cu_fm.SyncThreadInfo().OPENED, 1);
  EXPECT_EQ(f->or_fm.SyncThreadInfo().OPENED, 1);
  EXPECT_EQ(f->li_fm.SyncThreadInfo().OPENED, 1);
  // The top file is really open; the related ones wait for their first use.
  EXPECT_TRUE(f->cu_file->IsOpen());
  EXPECT_FALSE(f->or_file->IsOpen());
  EXPECT_FALSE(f->li_file->IsOpen());
  EXPECT_EQ(f->cu_rm.LASTTOUCHED, RelationManager::TouchCounter());
  EXPECT_EQ(f->or_rm.LASTTOUCHED, RelationManager::TouchCounter());
  EXPECT_EQ(f->li_rm->LASTTOUCHED, RelationManager::TouchCounter());

  ASSERT_EQ(f->or_rm.Open(0), kLevelGoOn);  // a walk that starts elsewhere in the cycle
  EXPECT_EQ(f->cu_fm.SyncThreadInfo().OPENED, 2);
  EXPECT_EQ(f->or_fm.SyncThreadInfo().OPENED, 2);
  EXPECT_EQ(f->li_fm.SyncThreadInfo().OPENED, 2);
  EXPECT_TRUE(f->or_file->IsOpen());
  EXPECT_EQ(f->or_rm.Close(0), kLevelGoOn);
  EXPECT_EQ(f->or_fm.SyncThreadInfo().OPENED, 1);
  EXPECT_EQ(f->cu_fm.SyncThreadInfo().OPENED, 1);
  EXPECT_EQ(f->li_fm.SyncThreadInfo().OPENED, 1);

  EXPECT_EQ(f->cu_rm.Close(0), kLevelGoOn);
  EXPECT_EQ(f->cu_fm.SyncThreadInfo().OPENED, 0);
  EXPECT_EQ(f->or_fm.SyncThreadInfo().OPENED, 0);
  EXPECT_EQ(f->li_fm.SyncThreadInfo().OPENED, 0);
  EXPECT_FALSE(f->cu_file->IsOpen());
  ASSERT_EQ(f->cu_rm.Open(0), kLevelGoOn);  // for TearDown's close
}

TEST_F(RelationManagerTest, QuickScanFollowsTheChosenRowsAndVisitsEachManagerOnce) {
  Make(kRelationNone, kRelationNone, kRelationNone, kRelationNone);
  int32_t counter = RelationManager::TouchCounter();
  f->cu_rm.SendQuickScanOption(1, 0);  // this file only: no walk
  EXPECT_EQ(RelationManager::TouchCounter(), counter);
  EXPECT_EQ(counting->SendQuickScanOption_calls, 0);

  // Every row of the test files has a key, so mode 1 stays at the top file.
  f->cu_rm.SendQuickScanOption(1, 1);
  EXPECT_EQ(RelationManager::TouchCounter(), counter + 1);
  EXPECT_EQ(f->cu_rm.LASTTOUCHED, counter + 1);
  EXPECT_NE(f->or_rm.LASTTOUCHED, counter + 1);
  EXPECT_EQ(counting->SendQuickScanOption_calls, 0);

  // Mode 2 follows keyed rows: customers→orders→lines, and the rows back up end the walk.
  f->cu_rm.SendQuickScanOption(0, 2);
  EXPECT_EQ(f->or_rm.LASTTOUCHED, RelationManager::TouchCounter());
  EXPECT_EQ(f->li_rm->LASTTOUCHED, RelationManager::TouchCounter());
  EXPECT_EQ(counting->SendQuickScanOption_calls, 1);

  // Any other mode follows every row; orders is reached twice (from customers and from
  // lines) and still sends lines the option once.
  f->cu_rm.SendQuickScanOption(1, 3);
  EXPECT_EQ(counting->SendQuickScanOption_calls, 2);
}

// --- Update --------------------------------------------------------------------------------

TEST_F(RelationManagerTest, UpdateWithoutActiveRulesWritesTheRecordOnly) {
  for (bool logout : {true, false}) {
    SCOPED_TRACE(logout ? "with transaction" : "without transaction");
    Make(kRelationCascade, kRelationCascade, kRelationCascade, kRelationCascade, logout);
    // Lines only point back at orders, without a rule.
    ASSERT_EQ(f->li_rm->Open(0), kLevelGoOn);
    f->LiField("LI:CUST").SetInteger(2);
    f->LiField("LI:ORDER").SetInteger(20);
    f->LiField("LI:NO").SetInteger(1);
    ASSERT_EQ(f->li_file->Get(f->li_decl->Key(0)), 0);
    f->li_rm->SaveLinkValues();
    f->LiField("LI:QTY").SetInteger(99);
    f->LiField("LI:ORDER").SetInteger(21);  // a link upwards: no rule follows it
    EXPECT_EQ(f->li_rm->Update(0), kLevelGoOn);
    EXPECT_EQ(f->li_rm->Close(0), kLevelGoOn);
    EXPECT_EQ(f->Orders(), Rows({"OR 10 1 a", "OR 11 1 b", "OR 20 2 c"}));
    EXPECT_EQ(f->Lines(), Rows({"LI 1 10 1 5", "LI 1 10 2 6", "LI 1 11 1 7", "LI 2 21 1 99"}));
    EXPECT_FALSE(rt::Transaction::Active());
    TearDown();
  }
}

TEST_F(RelationManagerTest, CascadeUpdateCarriesANewNumberTwoLevelsDown) {
  Make(kRelationCascade, kRelationNone, kRelationCascade, kRelationNone);
  ASSERT_TRUE(f->LoadCustomer(1));
  f->CuField("CU:ID").SetInteger(7);
  EXPECT_EQ(f->cu_rm.Update(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 2 Bob", "CU 3 Cy", "CU 7 Ann"}));
  EXPECT_EQ(f->Orders(), Rows({"OR 10 7 a", "OR 11 7 b", "OR 20 2 c"}));
  EXPECT_EQ(f->Lines(), Rows({"LI 7 10 1 5", "LI 7 10 2 6", "LI 7 11 1 7", "LI 2 20 1 8"}));
  // The record the user sees is still the one written.
  EXPECT_EQ(f->CuField("CU:ID").Integer(), 7);
  EXPECT_EQ(f->CuField("CU:NAME").Text(), "Ann");
}

TEST_F(RelationManagerTest, ClearUpdateBlanksTheLinksAndTheBlankTravelsOn) {
  Make(kRelationClear, kRelationNone, kRelationCascade, kRelationNone);
  ASSERT_TRUE(f->LoadCustomer(1));
  f->CuField("CU:ID").SetInteger(7);
  EXPECT_EQ(f->cu_rm.Update(0), kLevelGoOn);
  EXPECT_EQ(f->Orders(), Rows({"OR 10 0 a", "OR 11 0 b", "OR 20 2 c"}));
  EXPECT_EQ(f->Lines(), Rows({"LI 0 10 1 5", "LI 0 10 2 6", "LI 0 11 1 7", "LI 2 20 1 8"}));
}

TEST_F(RelationManagerTest, UnchangedLinkingValuesAreNotCarriedAnywhere) {
  Make(kRelationRestrict, kRelationNone, kRelationRestrict, kRelationNone);
  ASSERT_TRUE(f->LoadCustomer(1));
  f->CuField("CU:NAME").SetText("Anna");
  EXPECT_EQ(f->cu_rm.Update(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 1 Anna", "CU 2 Bob", "CU 3 Cy"}));
}

TEST_F(RelationManagerTest, RestrictedUpdateIsRefusedAndPutsTheLinkingValueBack) {
  for (bool logout : {true, false}) {
    SCOPED_TRACE(logout ? "with transaction" : "without transaction");
    Make(kRelationRestrict, kRelationNone, kRelationCascade, kRelationNone, logout);
    backend().AnswerNextMessageBox(rt::kButtonOk);
    ASSERT_TRUE(f->LoadCustomer(1));
    f->CuField("CU:ID").SetInteger(7);
    f->CuField("CU:NAME").SetText("Anne");
    EXPECT_EQ(f->cu_rm.Update(0), kLevelHandled);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("Referential Integrity Update Error: ", 0), 0u) << Boxes()[0];
    EXPECT_NE(Boxes()[0].find(f->folder.File("orders")), std::string::npos) << Boxes()[0];
    EXPECT_EQ(f->CuField("CU:ID").Integer(), 1);
    // Nothing in the files moved: the orders still point at customer 1, which is there.
    if (logout) {
      EXPECT_EQ(f->Everything(), before);
    } else {
      // Outside a transaction the other changes of the record were written with it.
      EXPECT_EQ(f->Customers(), Rows({"CU 1 Anne", "CU 2 Bob", "CU 3 Cy"}));
      EXPECT_EQ(f->Orders(), Rows({"OR 10 1 a", "OR 11 1 b", "OR 20 2 c"}));
    }
    TearDown();
    backend().ClearMessageBoxes();
  }
}

TEST_F(RelationManagerTest, RefusedUpdateOfAWatchedRecordCanBeSavedAgainAtOnce) {
  Make(kRelationRestrict, kRelationNone, kRelationCascade, kRelationNone);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  // A form reads the record under a watch, to notice other stations' changes.
  f->CuField("CU:ID").SetInteger(1);
  ASSERT_EQ(f->cu_file->Watch(), 0);
  ASSERT_EQ(f->cu_file->Get(f->cu_decl->Key(0)), 0);
  f->cu_rm.SaveLinkValues();
  f->CuField("CU:ID").SetInteger(7);
  f->CuField("CU:NAME").SetText("Anne");
  EXPECT_EQ(f->cu_rm.Update(0), kLevelHandled);
  ASSERT_EQ(Boxes().size(), 1u);
  // The rolled-back write is no change by another station: saving again just works.
  EXPECT_EQ(f->CuField("CU:NAME").Text(), "Anne");
  EXPECT_EQ(f->cu_rm.Update(0), kLevelGoOn);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(f->Customers(), Rows({"CU 1 Anne", "CU 2 Bob", "CU 3 Cy"}));
}

TEST_F(RelationManagerTest, RestrictedUpdateWithNothingLinkedGoesThrough) {
  Make(kRelationRestrict, kRelationNone, kRelationRestrict, kRelationNone);
  ASSERT_TRUE(f->LoadCustomer(3));
  f->CuField("CU:ID").SetInteger(4);
  EXPECT_EQ(f->cu_rm.Update(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 1 Ann", "CU 2 Bob", "CU 4 Cy"}));
}

TEST_F(RelationManagerTest, RestrictTwoLevelsDownRollsEveryLevelBack) {
  Make(kRelationCascade, kRelationNone, kRelationRestrict, kRelationNone);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  ASSERT_TRUE(f->LoadCustomer(1));
  f->CuField("CU:ID").SetInteger(7);
  EXPECT_EQ(f->cu_rm.Update(0), kLevelHandled);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind("Referential Integrity Update Error: ", 0), 0u) << Boxes()[0];
  // The lines file refused, and says so with its own name.
  EXPECT_NE(Boxes()[0].find(f->folder.File("lines")), std::string::npos) << Boxes()[0];
  EXPECT_EQ(f->CuField("CU:ID").Integer(), 1);
  EXPECT_EQ(f->Everything(), before);
  EXPECT_FALSE(rt::Transaction::Active());
  // Nothing is left half-done: the same customer can be changed in another way at once.
  f->CuField("CU:NAME").SetText("Anne");
  EXPECT_EQ(f->cu_rm.Update(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 1 Anne", "CU 2 Bob", "CU 3 Cy"}));
}

TEST_F(RelationManagerTest, CascadeMeetingAHeldRecordFailsInsteadOfStoppingShort) {
  Make(kRelationCascade, kRelationNone, kRelationCascade, kRelationNone);
  // Another station holds customer 1's second line.
  testing::LineRow other{};
  rt::KeyedFile station(*f->li_decl, &other);
  ASSERT_EQ(station.Open(), 0);
  other = {1, 10, 1, 0};
  ASSERT_EQ(station.Hold(), 0);
  ASSERT_EQ(station.Get(f->li_decl->Key(0)), 0);

  backend().AnswerNextMessageBox(rt::kButtonOk);
  ASSERT_TRUE(f->LoadCustomer(1));
  f->CuField("CU:ID").SetInteger(7);
  EXPECT_NE(f->cu_rm.Update(0), kLevelGoOn);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind("Record not read: ", 0), 0u) << Boxes()[0];
  EXPECT_EQ(f->CuField("CU:ID").Integer(), 1);
  station.Close();
  EXPECT_EQ(f->Everything(), before);
}

TEST_F(RelationManagerTest, RelationWithoutAKeyReadsTheWholeFile) {
  Make(kRelationNone, kRelationNone, kRelationNone, kRelationNone);
  (*f->cu_rm.RELATIONS)[0].HISKEY = nullptr;
  (*f->cu_rm.RELATIONS)[0].UPDATEMODE = kRelationCascade;
  ASSERT_TRUE(f->LoadCustomer(1));
  f->CuField("CU:ID").SetInteger(7);
  EXPECT_EQ(f->cu_rm.Update(0), kLevelGoOn);
  // Customer 2's order stands between customer 1's in record order.
  EXPECT_EQ(f->Orders(), Rows({"OR 10 7 a", "OR 11 7 b", "OR 20 2 c"}));
}

// --- Delete --------------------------------------------------------------------------------

TEST_F(RelationManagerTest, DeleteWithoutActiveRulesDeletesTheRecordOnly) {
  Make(kRelationNone, kRelationNone, kRelationNone, kRelationNone);
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 2 Bob", "CU 3 Cy"}));
  EXPECT_EQ(f->Orders().size(), 3u);
  EXPECT_FALSE(backend().WaitCursorOn());
  EXPECT_FALSE(rt::Transaction::Active());
}

TEST_F(RelationManagerTest, RestrictedDeleteIsRefusedWhileLinkedRecordsExist) {
  Make(kRelationNone, kRelationRestrict, kRelationNone, kRelationCascade);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelHandled);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind("Referential Integrity Delete Error: ", 0), 0u) << Boxes()[0];
  EXPECT_NE(Boxes()[0].find(f->folder.File("orders")), std::string::npos) << Boxes()[0];
  EXPECT_EQ(f->Everything(), before);
  EXPECT_FALSE(backend().WaitCursorOn());

  ASSERT_TRUE(f->LoadCustomer(3));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 1 Ann", "CU 2 Bob"}));
}

TEST_F(RelationManagerTest, RestrictedDeleteTwoLevelsDownRollsTheFirstLevelBack) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationRestrict);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelHandled);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find(f->folder.File("lines")), std::string::npos) << Boxes()[0];
  EXPECT_EQ(f->Everything(), before);
}

TEST_F(RelationManagerTest, ClearDeleteBlanksTheLinksTwoLevelsDown) {
  Make(kRelationNone, kRelationClear, kRelationCascade, kRelationNone);
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 2 Bob", "CU 3 Cy"}));
  EXPECT_EQ(f->Orders(), Rows({"OR 10 0 a", "OR 11 0 b", "OR 20 2 c"}));
  // The orders' blanked customer went on to their lines through the orders' own rule.
  EXPECT_EQ(f->Lines(), Rows({"LI 0 10 1 5", "LI 0 10 2 6", "LI 0 11 1 7", "LI 2 20 1 8"}));
}

TEST_F(RelationManagerTest, CascadeDeleteRemovesLinkedRecordsTwoLevelsDeep) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 2 Bob", "CU 3 Cy"}));
  EXPECT_EQ(f->Orders(), Rows({"OR 20 2 c"}));
  EXPECT_EQ(f->Lines(), Rows({"LI 2 20 1 8"}));
  EXPECT_EQ(counting->cascade_deletes, 2);  // once per order
}

TEST_F(RelationManagerTest, CascadeDeleteAlongACycleDeletesEachRecordOnce) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  // Orders cascade deletes back to their customer: the walk comes back to the customer that
  // is being deleted.
  (*f->or_rm.RELATIONS)[1].DELETEMODE = kRelationCascade;
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 2 Bob", "CU 3 Cy"}));
  EXPECT_EQ(f->Orders(), Rows({"OR 20 2 c"}));
  EXPECT_EQ(f->Lines(), Rows({"LI 2 20 1 8"}));
}

TEST_F(RelationManagerTest, DeleteAsksFirstWhenToldTo) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(1), kLevelHandled);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind("Confirm Delete: ", 0), 0u) << Boxes()[0];
  EXPECT_EQ(backend().MessageBoxes()[0].request.buttons, rt::kButtonsYesNo);
  EXPECT_EQ(f->Everything(), before);

  backend().AnswerNextMessageBox(rt::kButtonYes);
  EXPECT_EQ(f->cu_rm.Delete(1), kLevelGoOn);
  EXPECT_EQ(f->Customers(), Rows({"CU 2 Bob", "CU 3 Cy"}));
}

// A backend that runs a step of the test when a box with a given caption is shown.
class StepBackend : public rt::HeadlessBackend {
 public:
  std::string caption;
  std::function<void()> step;
  int ShowMessageBox(const rt::MessageBoxRequest& request) override {
    if (step && request.caption == caption) step();
    return HeadlessBackend::ShowMessageBox(request);
  }
};

TEST_F(RelationManagerTest, FailedDeleteOffersToTryTheWholeAttemptAgain) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  // In the first attempt, once the cascade has begun, the customer record goes away under the
  // delete (through the same file, so inside the transaction): the delete of the record itself
  // then fails after its orders and lines were deleted.
  counting->on_cascade_delete = [&](int call) {
    if (call == 1) f->cu_file->Delete();
  };
  StepBackend steps;
  rt::Backend* previous = rt::SetBackend(&steps);
  std::vector<std::string> at_question;
  steps.caption = "Record Delete Error";
  steps.step = [&] { at_question = f->Everything(); };
  steps.AnswerNextMessageBox(rt::kButtonOk);   // "Record was not deleted"
  steps.AnswerNextMessageBox(rt::kButtonYes);  // try again
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  rt::SetBackend(previous);
  ASSERT_EQ(steps.MessageBoxes().size(), 2u);
  EXPECT_EQ(steps.MessageBoxes()[0].request.caption, "Record was not deleted");
  EXPECT_NE(steps.MessageBoxes()[0].request.text.find(f->folder.File("customers")),
            std::string::npos);
  EXPECT_EQ(steps.MessageBoxes()[1].request.caption, "Record Delete Error");
  EXPECT_EQ(steps.MessageBoxes()[1].request.buttons, rt::kButtonsYesNo);
  rt::test::ExpectScriptFollowed(steps);
  // When the question came, the first attempt had been rolled back whole.
  EXPECT_EQ(at_question, before);
  // The second attempt ran every cascade again.
  EXPECT_EQ(counting->cascade_deletes, 4);
  EXPECT_EQ(f->Customers(), Rows({"CU 2 Bob", "CU 3 Cy"}));
  EXPECT_EQ(f->Orders(), Rows({"OR 20 2 c"}));
  EXPECT_EQ(f->Lines(), Rows({"LI 2 20 1 8"}));
}

TEST_F(RelationManagerTest, RecordHeldByAnotherStationIsNotDeletedWhenTheUserGivesUp) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  ASSERT_TRUE(f->LoadCustomer(1));
  testing::CustomerRow other{};
  rt::KeyedFile station(*f->cu_decl, &other);
  ASSERT_EQ(station.Open(), 0);
  other.id = 1;
  ASSERT_EQ(station.Hold(), 0);
  ASSERT_EQ(station.Get(f->cu_decl->Key(0)), 0);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelHandled);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_NE(Boxes()[0].find("Record held by another station"), std::string::npos) << Boxes()[0];
  EXPECT_EQ(Boxes()[1].rfind("Record Delete Error: ", 0), 0u) << Boxes()[1];
  station.Close();
  EXPECT_EQ(f->Everything(), before);
  EXPECT_FALSE(backend().WaitCursorOn());
  EXPECT_FALSE(rt::Transaction::Active());
}

TEST_F(RelationManagerTest, DriverThatCannotJoinTheTransactionTurnsItOffSilently) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  f->or_fm.OPENMODE = 0x40;  // orders read only: the driver answers code 80
  ASSERT_TRUE(f->LoadCustomer(3));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  EXPECT_TRUE(backend().MessageBoxes().empty());
  EXPECT_EQ(f->or_rm.USELOGOUT, 0);
  EXPECT_EQ(f->cu_rm.USELOGOUT, 1);
  EXPECT_EQ(f->Customers(), Rows({"CU 1 Ann", "CU 2 Bob"}));
}

TEST_F(RelationManagerTest, ReleaseNumberRemovesTheReservedRecordUnderTheDeleteRules) {
  Make(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  ASSERT_EQ(f->cu_fm.PrepareRecord(false), kLevelGoOn);
  EXPECT_EQ(f->CuField("CU:ID").Integer(), 4);
  EXPECT_EQ(f->Customers().size(), 3u);  // a reservation is listed by nobody
  // Meanwhile an order was made for the new customer number.
  testing::OrderRow other{40, 4, {}};
  rt::KeyedFile station(*f->or_decl, &other);
  ASSERT_EQ(station.Open(), 0);
  ASSERT_EQ(station.Add(), 0);
  station.Close();

  EXPECT_EQ(f->cu_rm.ReleaseNumber(), kLevelGoOn);
  EXPECT_EQ(f->Everything(), before);
  EXPECT_EQ(f->cu_rm.ReleaseNumber(), kLevelGoOn);  // nothing reserved any more
}

// --- A cascade killed half-way --------------------------------------------------------------

TEST_F(RelationManagerTest, CascadeDeleteKilledHalfWayLeavesEveryFileAsItWas) {
  auto lines = std::make_unique<CountingManager>();
  CountingManager* hook = lines.get();
  f = std::make_unique<RelationFiles>(std::move(lines));
  f->Seed();
  before = f->Everything();
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(pipe_fds[0]);
    f->SetupManagers(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
    // The second order's lines are about to go: the first order and its lines are already
    // deleted inside the transaction. Tell the parent what the transaction sees, then die.
    hook->on_cascade_delete = [&](int call) {
      if (call != 2) return;
      int64_t seen[2] = {f->or_file->Records(), f->li_file->Records()};
      (void)!write(pipe_fds[1], seen, sizeof seen);
      raise(SIGKILL);
    };
    if (f->cu_rm.Open(0) != 0 || !f->LoadCustomer(1)) _exit(2);
    f->cu_rm.Delete(0);
    _exit(3);  // the hook was never reached
  }
  close(pipe_fds[1]);
  int64_t seen[2] = {-1, -1};
  ssize_t got = read(pipe_fds[0], seen, sizeof seen);
  close(pipe_fds[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "child exit " << WEXITSTATUS(status);
  EXPECT_EQ(WTERMSIG(status), SIGKILL);
  ASSERT_EQ(got, static_cast<ssize_t>(sizeof seen));
  EXPECT_EQ(seen[0], 2);  // order 10 gone inside the transaction
  EXPECT_EQ(seen[1], 2);  // and its two lines
  EXPECT_EQ(f->Everything(), before);

  // The files are whole and usable: the same delete now runs to its end.
  f->SetupManagers(kRelationNone, kRelationCascade, kRelationNone, kRelationCascade);
  ASSERT_EQ(f->cu_rm.Open(0), kLevelGoOn);
  ASSERT_TRUE(f->LoadCustomer(1));
  EXPECT_EQ(f->cu_rm.Delete(0), kLevelGoOn);
  EXPECT_EQ(f->Orders(), Rows({"OR 20 2 c"}));
  EXPECT_EQ(f->Lines(), Rows({"LI 2 20 1 8"}));
}

}  // namespace
}  // namespace fw
