// One question per attempt: an insert with no number left, a row another copy deletes while
// this one edits it, and an insert while another copy clears the table each tell the user
// once and end, leaving the list as the table is.
#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <vector>

#include "app/calculator_test_fixture.h"
#include "app/russian_texts.h"
#include "framework/errors/error_ids.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"

namespace app::test {
namespace {

class CalculatorTwoCopiesTest : public CalculatorTest {
 protected:
  // The boxes shown so far, as "caption: text".
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const rt::MessageBoxRecord& r : backend().MessageBoxes()) {
      out.push_back(r.request.caption + ": " + r.request.text);
    }
    return out;
  }
  // This copy starts a new row and types into it; meanwhile the other copy clears the table.
  void InsertWhileTheOtherCopyClears(OtherCopy& other, const std::string& typed) {
    backend().Click(kInsertButton);
    backend().Type(kOddsEditor, typed, /*leave=*/false);
    backend().Check([&other] { ASSERT_EQ(other.Go(), 0); });
  }
};

TEST_F(CalculatorTwoCopiesTest, NoNumberLeftAsksOnceAndAfterNoNoRowIsOpened) {
  std::vector<double> full(255, 1.5);
  StoreOdds(full);
  std::vector<std::string> before;
  backend().Check([&] { before = ListShown(); });
  backend().AnswerNextMessageBox(rt::kButtonNo);
  backend().Click(kInsertButton);
  backend().Check([&] {
    ASSERT_EQ(backend().MessageBoxes().size(), 1u);
    EXPECT_EQ(backend().MessageBoxes()[0].request.caption, "Ошибка нумерации");
    EXPECT_EQ(W().Find(kOddsEditor), nullptr) << "an editor opened for a row with no number";
    EXPECT_EQ(ListShown(), before);
    EXPECT_EQ(W().focus(), kOddsList);
  });
  // Enter on the list is a change of the row there, not a second try of the insert.
  backend().PressKey(kOddsList, rt::kKeyInsert);
  backend().AnswerNextMessageBox(rt::kButtonNo);
  backend().Check([&] {
    EXPECT_EQ(backend().MessageBoxes().size(), 2u) << "a second attempt asks once more";
    EXPECT_EQ(ListShown(), before);
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Stored().size(), 255u);
  EXPECT_EQ(Stored().front().first, 1) << "no row numbered 0 was written";
}

// Two desks on the local file, and two stations on the server store: the same behaviour.
class TwoStationsTest : public CalculatorTwoCopiesTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool OnServer() const override { return GetParam(); }
  // This copy starts changing row 3 to 4, the other copy does its part, then Enter saves here;
  // `told` checks the one message that save gives, when the script gets there.
  void SaveRowThreeAfter(OtherCopy& other,
                         std::function<void(const rt::MessageBoxRequest&)> told) {
    backend().ClickRow(kOddsList, 3);
    backend().Click(kChangeButton);
    backend().Type(kOddsEditor, "4", /*leave=*/false);
    backend().Check([&] { ASSERT_EQ(other.Go(), 0); });
    backend().AnswerNextMessageBox(rt::kButtonOk);
    backend().PressKey(kOddsEditor, rt::kKeyEnter);
    backend().Check([&] {
      ASSERT_EQ(Boxes().size(), 1u);
      told(backend().MessageBoxes()[0].request);
    });
  }
};

INSTANTIATE_TEST_SUITE_P(Stores, TwoStationsTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Server" : "Local";
                         });

TEST_P(TwoStationsTest, ARowTheOtherCopyAddsIsListedAfterARefresh) {
  StoreOdds({1.5, 2.0});
  OtherCopy other([](rt::HeadlessBackend& b) {
    b.Click(kInsertButton);
    b.Type(kOddsEditor, "4", /*leave=*/false);
    b.PressKey(kOddsEditor, rt::kKeyEnter);
    b.PressKey(kOddsEditor, rt::kKeyEsc);
  });
  backend().Check([&] {
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"1|1.50", "2|2.00"}));
    ASSERT_EQ(other.Go(), 0);
  });
  backend().PressKey(kOddsList, rt::kKeyCtrlHome);
  backend().Check([&] {
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"1|1.50", "2|2.00", "3|4.00"}));
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 4.0}}));
}

TEST_P(TwoStationsTest, ARowTheOtherCopyDeletesWhileThisOneEditsItIsReportedOnce) {
  StoreOdds({1.5, 2.0, 3.0});
  OtherCopy other([](rt::HeadlessBackend& b) {
    b.ClickRow(kOddsList, 3);
    b.AnswerNextMessageBox(rt::kButtonYes);  // "delete the highlighted record?"
    b.Click(kDeleteButton);
  });
  SaveRowThreeAfter(other, [](const rt::MessageBoxRequest& told) {
    EXPECT_EQ(told.caption, "Запись удалена");
    EXPECT_NE(told.text.find("удалила другая станция"), std::string::npos) << told.text;
  });
  backend().Check([&] {
    // The edit is over and the list shows the table as it is now.
    EXPECT_EQ(W().Find(kOddsEditor), nullptr);
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"1|1.50", "2|2.00"}));
  });
  // Enter again is an ordinary change of the row now highlighted: no message.
  backend().PressKey(kOddsList, rt::kKeyEnter);
  backend().PressKey(kOddsEditor, rt::kKeyEsc);
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}}));
}

// Both copies change one row: the second save is told of the first and overwrites nothing.
TEST_P(TwoStationsTest, ARowBothCopiesChangeIsSavedByTheFirstAndTheSecondIsTold) {
  StoreOdds({1.5, 2.0, 3.0});
  OtherCopy other([](rt::HeadlessBackend& b) {
    b.ClickRow(kOddsList, 3);
    b.Click(kChangeButton);
    b.Type(kOddsEditor, "5", /*leave=*/false);
    b.PressKey(kOddsEditor, rt::kKeyEnter);
  });
  SaveRowThreeAfter(other, [](const rt::MessageBoxRequest& told) {
    EXPECT_NE(told.text.find("изменила другая станция"), std::string::npos) << told.text;
  });
  backend().PressKey(kOddsEditor, rt::kKeyEsc);
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Stored(), (Rows{{1, 1.5}, {2, 2.0}, {3, 5.0}}));
}

// The row being typed is this copy's own until it is saved: the other copy's clear leaves it,
// and Enter (or Down, which then goes on to a new row) saves it without a question.
class InsertIntoAClearedTableTest : public CalculatorTwoCopiesTest,
                                    public ::testing::WithParamInterface<int> {};

TEST_P(InsertIntoAClearedTableTest, KeepsTheRowBeingTypedAndSavesItWithoutAQuestion) {
  StoreOdds({1.5, 2.0});
  OtherCopy other([](rt::HeadlessBackend& b) { b.Click(kClearButton); });
  InsertWhileTheOtherCopyClears(other, "2,5");
  backend().PressKey(kOddsEditor, GetParam());
  if (GetParam() == rt::kKeyDown) backend().PressKey(kOddsEditor, rt::kKeyEsc);
  backend().Check([&] {
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(W().Find(kOddsEditor), nullptr) << "the row stayed in edit";
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"3|2.50"}));
    EXPECT_EQ(Stored(), (Rows{{3, 2.5}}));
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Stored(), (Rows{{3, 2.5}}));
}

INSTANTIATE_TEST_SUITE_P(EnterOrDown, InsertIntoAClearedTableTest,
                         ::testing::Values(rt::kKeyEnter, rt::kKeyDown));

TEST_F(CalculatorTwoCopiesTest, EscapeFromANewRowTheOtherCopyClearedAsksNothing) {
  StoreOdds({1.5});
  OtherCopy other([](rt::HeadlessBackend& b) { b.Click(kClearButton); });
  InsertWhileTheOtherCopyClears(other, "3");
  backend().PressKey(kOddsEditor, rt::kKeyEsc);
  backend().Check([&] {
    EXPECT_EQ(W().Find(kOddsEditor), nullptr);
    EXPECT_EQ(ListShown(), std::vector<std::string>{});
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Boxes().empty()) << "giving back a number that is already gone needs no word";
  EXPECT_TRUE(Stored().empty());
}

}  // namespace
}  // namespace app::test
