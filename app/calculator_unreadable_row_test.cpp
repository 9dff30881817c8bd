// The calculator over an odds table another tool has left with a row the program cannot read:
// the window opens, the list shows the other rows and says once which row and field cannot be
// read, "Расчет" gives that error and no result, and "С" still empties the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/calculator_test_fixture.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/windows/backend.h"

namespace app::test {
namespace {

// The records table as the program makes it, less its NOT NULL constraints, rows kept.
const std::string kNullable =
    "DROP INDEX \"key:KF:nn_key\"; ALTER TABLE records RENAME TO old; CREATE TABLE records("
    "_id INTEGER PRIMARY KEY AUTOINCREMENT, _version INTEGER, NN INTEGER, KF REAL); "
    "INSERT INTO records SELECT * FROM old; DROP TABLE old; "
    "CREATE UNIQUE INDEX \"key:KF:nn_key\" ON \"records\"(\"NN\"); ";

struct BadRow {
  const char* what;
  std::string sql;    // applied to rows 1.50, 2.00, 3.00 numbered 1 to 3
  std::string field;  // the field the message names
};

void PrintTo(const BadRow& c, std::ostream* os) { *os << c.what; }

class CalculatorUnreadableRowTest : public CalculatorTest,
                                    public ::testing::WithParamInterface<BadRow> {
 protected:
  static std::string Trimmed(const std::string& text) {
    const size_t start = text.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : text.substr(start);
  }
  static std::string Shown(int control) { return Trimmed(W().Find(control)->shown_text()); }
  void Calculate() {
    backend().Type(kEventCountEntry, "3");
    backend().Type(kSystemSizeSpin, "2");
    backend().Type(kStakeEntry, "10", /*leave=*/false);
    backend().Click(kCalculateButton);
  }
};

TEST_P(CalculatorUnreadableRowTest, TheListShowsTheRestCalculateGivesNoResultAndClearEmptiesIt) {
  const BadRow& c = GetParam();
  StoreOdds({1.5, 2.0, 3.0});
  ASSERT_EQ(rt::testing::ApplySql("kf", c.sql), 0);
  // Row 2 was stored second: it is record 2 of the file.
  const std::string said = "запись 2: ";

  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().Check([&] {
    EXPECT_EQ(ListShown(), (std::vector<std::string>{"1|1.50", "3|3.00"}));
    ASSERT_EQ(backend().MessageBoxes().size(), 1u) << "said once, however often the list reads";
    const rt::MessageBoxRequest& notice = backend().MessageBoxes()[0].request;
    EXPECT_EQ(notice.caption, "Запись не читается");
    EXPECT_NE(notice.text.find("kf"), std::string::npos) << notice.text;
    EXPECT_NE(notice.text.find(said + "поле " + c.field), std::string::npos) << notice.text;
  });
  // Scrolling and moving about the list read the table again; nothing more is said.
  backend().PressKey(kOddsList, rt::kKeyDown);
  backend().PressKey(kOddsList, rt::kKeyEnd);
  backend().PressKey(kOddsList, rt::kKeyHome);

  // Without row 2 the total would be 45.00: a wrong answer, so none is given.
  backend().AnswerNextMessageBox(rt::kButtonOk);
  Calculate();
  backend().Check([&] {
    ASSERT_EQ(backend().MessageBoxes().size(), 2u);
    const rt::MessageBoxRequest& error = backend().MessageBoxes()[1].request;
    EXPECT_EQ(error.caption, "Запись не читается");
    EXPECT_NE(error.text.find(said + "поле " + c.field), std::string::npos) << error.text;
    EXPECT_EQ(Shown(kVariantCountShown), "");
    EXPECT_EQ(Shown(kTotalReturnShown), "");
    EXPECT_EQ(W().focus(), kOddsList);
  });

  // "С" needs no row read: the table goes, bad row and all, and the window works again.
  backend().Click(kClearButton);
  backend().Check([&] {
    EXPECT_TRUE(ListShown().empty());
    EXPECT_EQ(Shown(kEventCountEntry), "0");
  });
  Calculate();
  backend().Check([&] {
    EXPECT_EQ(Shown(kVariantCountShown), "3");
    EXPECT_EQ(Shown(kTotalReturnShown), "0.00");
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(backend().MessageBoxes().size(), 2u);
  EXPECT_TRUE(Stored().empty());
}

INSTANTIATE_TEST_SUITE_P(
    BadValues, CalculatorUnreadableRowTest,
    ::testing::Values(
        BadRow{"text for the odds", "UPDATE records SET KF = 'abc' WHERE NN = 2", "KF:KF"},
        BadRow{"odds with a comma", "UPDATE records SET KF = '2,5' WHERE NN = 2", "KF:KF"},
        BadRow{"no odds at all", kNullable + "UPDATE records SET KF = NULL WHERE NN = 2",
               "KF:KF"},
        BadRow{"odds past every number", "UPDATE records SET KF = 1e999 WHERE NN = 2", "KF:KF"},
        BadRow{"bytes for the odds", "UPDATE records SET KF = x'0102' WHERE NN = 2", "KF:KF"},
        BadRow{"a number past the row numbers", "UPDATE records SET NN = 300 WHERE NN = 2",
               "KF:NN"},
        BadRow{"a fraction for the number", "UPDATE records SET NN = 2.5 WHERE NN = 2", "KF:NN"},
        BadRow{"no number at all", kNullable + "UPDATE records SET NN = NULL WHERE NN = 2",
               "KF:NN"}),
    [](const ::testing::TestParamInfo<BadRow>& info) {
      std::string name = info.param.what;
      for (char& ch : name) {
        if (ch == ' ') ch = '_';
      }
      return name;
    });

using CalculatorManyUnreadableRowsTest = CalculatorTest;

// Ten thousand rows numbered past what a row number holds: one message, not one per row or per
// page; the list shows the rows it can read to the end; "С" empties the whole table.
TEST_F(CalculatorManyUnreadableRowsTest, OneMessageTheReadableRowsAndClearEmptiesTheTable) {
  StoreOdds({});
  ASSERT_EQ(rt::testing::ApplySql("kf", "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                                        "FROM n WHERE i < 10000) INSERT INTO records(_version, "
                                        "NN, KF) SELECT 1, i, 1.5 FROM n"),
            0);
  backend().AnswerNextMessageBox(rt::kButtonOk);
  backend().PressKey(kOddsList, rt::kKeyEnd);
  backend().Check([&] {
    ASSERT_EQ(backend().MessageBoxes().size(), 1u);
    // Whichever such row the list met first is named.
    const std::string& said = backend().MessageBoxes()[0].request.text;
    EXPECT_NE(said.find("поле KF:NN хранит "), std::string::npos) << said;
    EXPECT_NE(said.find(", а поле типа BYTE такого значения не вмещает"), std::string::npos)
        << said;
    ASSERT_FALSE(ListShown().empty());
    EXPECT_EQ(ListShown().back(), "255|1.50") << "the last row that can be read ends the list";
  });
  backend().PressKey(kOddsList, rt::kKeyHome);
  backend().Check([&] { EXPECT_EQ(ListShown().front(), "1|1.50"); });
  backend().Click(kClearButton);
  backend().Check([&] {
    EXPECT_TRUE(ListShown().empty());
    EXPECT_EQ(backend().MessageBoxes().size(), 1u);
  });
  backend().CloseWindow();
  EXPECT_EQ(Run(), 0);
  EXPECT_TRUE(Stored().empty());
}

}  // namespace
}  // namespace app::test
