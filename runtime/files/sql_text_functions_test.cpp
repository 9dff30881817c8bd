#include "runtime/files/sql_text_functions.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <climits>
#include <string>

namespace rt {
namespace {

TEST(SubTextTest, CountsCharactersFromOneAndNeverRunsPastTheEnds) {
  EXPECT_EQ(SubText("abcdef", 2, 3), "bcd");
  EXPECT_EQ(SubText("abcdef", 0, 2), "ab");    // 0 counts as 1
  EXPECT_EQ(SubText("abcdef", 5, 10), "ef");   // cut at the end
  EXPECT_EQ(SubText("abcdef", 7, 1), "");
  EXPECT_EQ(SubText("abcdef", 2, 0), "");
  EXPECT_EQ(SubText("abcdef", 2, -4), "");
  EXPECT_EQ(SubText("abcdef", -2, 2), "ef");   // from the end
  EXPECT_EQ(SubText("abcdef", -8, 3), "a");    // two characters before the text
  EXPECT_EQ(SubText("abcdef", -8, 2), "");
  EXPECT_EQ(SubText("Ёлка-палка", 2, 3), "лка");
  EXPECT_EQ(SubText("Ёлка", -1, 1), "а");
  EXPECT_EQ(SubText("", 1, 1), "");
  EXPECT_EQ(SubText("abc", LLONG_MAX, LLONG_MAX), "");
  EXPECT_EQ(SubText("abc", LLONG_MIN, LLONG_MAX), "ab");  // the window ends before "c"
  EXPECT_EQ(SubText("abc", 1, LLONG_MAX), "abc");
}

TEST(SubTextTest, BrokenUtf8NeverSplitsOrOverruns) {
  std::string broken = "\x80\x80" "a\xD0";  // stray continuation bytes, a cut sequence
  EXPECT_EQ(SubText(broken, 1, 1), "\x80\x80");
  EXPECT_EQ(SubText(broken, 2, 5), "a\xD0");
  EXPECT_EQ(SubText(broken, 3, 1), "\xD0");
}

TEST(InStringTest, FindsThePositionTryingEveryStepFromStart) {
  EXPECT_EQ(InStringPosition("c", "abcabc", 1, 1), 3);
  EXPECT_EQ(InStringPosition("c", "abcabc", 1, 4), 6);
  EXPECT_EQ(InStringPosition("c", "abcabc", 2, 1), 3);  // tries 1, 3
  EXPECT_EQ(InStringPosition("c", "abcabc", 2, 2), 6);  // tries 2, 4, 6
  EXPECT_EQ(InStringPosition("bc", "abcabc", 3, 1), 0);  // tries 1, 4
  EXPECT_EQ(InStringPosition("abc", "abcabc", 3, 1), 1);
  EXPECT_EQ(InStringPosition("abc", "abcabc", 3, 2), 0);  // tries 2, 5
  EXPECT_EQ(InStringPosition("x", "abc", 1, 1), 0);
  EXPECT_EQ(InStringPosition("abcd", "abc", 1, 1), 0);
  EXPECT_EQ(InStringPosition("c", "abc", 0, -5), 3);  // step and start below 1 count as 1
  EXPECT_EQ(InStringPosition("c", "abc", LLONG_MAX, 1), 0);
  EXPECT_EQ(InStringPosition("c", "abc", LLONG_MAX, 3), 3);
  EXPECT_EQ(InStringPosition("c", "abc", 1, LLONG_MAX), 0);
}

TEST(InStringTest, PositionsAreCharactersAndEmptySubIsFoundAtStart) {
  EXPECT_EQ(InStringPosition("ка", "ёлка", 1, 1), 3);
  EXPECT_EQ(InStringPosition("а", "ёлка", 2, 2), 4);  // tries 2, 4
  EXPECT_EQ(InStringPosition("", "abc", 1, 1), 1);
  EXPECT_EQ(InStringPosition("", "abc", 1, 4), 4);
  EXPECT_EQ(InStringPosition("", "abc", 1, 5), 0);
  EXPECT_EQ(InStringPosition("", "", 1, 1), 1);
}

TEST(TextFunctionsSqlTest, RunInsideSqliteWithTheRuntimeRules) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  ASSERT_EQ(RegisterTextFunctions(db), SQLITE_OK);
  auto one = [&](const char* sql) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    std::string out = "<error>";
    if (st && sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* t = sqlite3_column_text(st, 0);
      out = t ? reinterpret_cast<const char*>(t) : "<null>";
    }
    sqlite3_finalize(st);
    return out;
  };
  EXPECT_EQ(one("SELECT rt_upper('abc ёлка ЁЛКА äß')"), "ABC ЁЛКА ЁЛКА äß");
  EXPECT_EQ(one("SELECT rt_upper(1.5)"), "1.5");
  EXPECT_EQ(one("SELECT rt_text(3.0)"), "3");  // the runtime's text form, not SQLite's "3.0"
  EXPECT_EQ(one("SELECT rt_text(12)"), "12");
  EXPECT_EQ(one("SELECT rt_sub('Ёлка-палка', 6, 5)"), "палка");
  EXPECT_EQ(one("SELECT rt_sub(12345, 2, '2')"), "23");
  EXPECT_EQ(one("SELECT rt_instring('ка', 'ёлка', 1, 1)"), "3");
  EXPECT_EQ(one("SELECT rt_instring('x', NULL, 1, 1)"), "<null>");
  sqlite3_close(db);
}

}  // namespace
}  // namespace rt
