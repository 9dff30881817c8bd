#include "runtime/files/filter_sql.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "runtime/files/sql_text_functions.h"

namespace rt {
namespace {

// A real SQLite table the translated filters run against.
class FilterSqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    ASSERT_EQ(RegisterTextFunctions(db_), SQLITE_OK);
    Exec("CREATE TABLE t(nn INTEGER, kf REAL, name TEXT)");
    Exec("INSERT INTO t VALUES (1, 1.5, 'Alpha'), (2, 2.0, 'beta'), (3, 2.5, 'Gamma ray'),"
         " (4, 10, 'ёлка'), (5, 0, 'ЁЛКА'), (6, 3.25, 'it''s'), (7, 100, ''),"
         " (8, -1, 'alphabet')");
  }
  void TearDown() override { sqlite3_close(db_); }

  void Exec(const char* sql) {
    char* msg = nullptr;
    ASSERT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, &msg), SQLITE_OK) << (msg ? msg : "");
  }

  static std::optional<SqlColumn> Resolve(std::string_view label) {
    std::string up;
    for (char c : label) up.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
    if (up == "T:NN") return SqlColumn{"\"nn\"", ValueKind::Number, false, ""};
    if (up == "T:KF") return SqlColumn{"\"kf\"", ValueKind::Number, false, ""};
    if (up == "T:NAME" || up == "NAME") return SqlColumn{"\"name\"", ValueKind::Text, false, ""};
    return std::nullopt;
  }

  // Runs "SELECT nn ... WHERE <translated filter> ORDER BY <order or nn>".
  std::vector<int> Select(const SqlFragment& where, const std::string& order = "nn") {
    std::string sql = "SELECT nn FROM t";
    if (!where.sql.empty()) sql += " WHERE " + where.sql;
    sql += " ORDER BY " + order;
    sqlite3_stmt* st = nullptr;
    std::vector<int> rows;
    int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << sqlite3_errmsg(db_);
    if (rc != SQLITE_OK) return {-1};
    EXPECT_EQ(sqlite3_bind_parameter_count(st), static_cast<int>(where.params.size())) << sql;
    for (size_t i = 0; i < where.params.size(); ++i) {
      int k = static_cast<int>(i + 1);
      const SqlValue& v = where.params[i];
      if (auto* n = std::get_if<int64_t>(&v)) sqlite3_bind_int64(st, k, *n);
      else if (auto* d = std::get_if<double>(&v)) sqlite3_bind_double(st, k, *d);
      else {
        const std::string& s = std::get<std::string>(v);
        sqlite3_bind_text(st, k, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      }
    }
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) rows.push_back(sqlite3_column_int(st, 0));
    EXPECT_EQ(rc, SQLITE_DONE) << sqlite3_errmsg(db_);
    sqlite3_finalize(st);
    return rows;
  }

  std::vector<int> Filter(const std::string& text) {
    SqlFragment where;
    FilterSyntaxError error;
    EXPECT_TRUE(translator_.Filter(text, &where, &error)) << text << ": " << DescribeSyntaxError(error);
    return Select(where);
  }

  std::string FilterError(const std::string& text) {
    SqlFragment where;
    FilterSyntaxError error;
    EXPECT_FALSE(translator_.Filter(text, &where, &error)) << text << " was accepted as " << where.sql;
    EXPECT_TRUE(where.sql.empty());
    return error.message;
  }

  sqlite3* db_ = nullptr;
  FilterSqlTranslator translator_{&FilterSqlTest::Resolve};
};

using Rows = std::vector<int>;

TEST_F(FilterSqlTest, NumericComparisonsAndLogicSelectTheRightRecords) {
  struct Case {
    const char* filter;
    Rows rows;
  } cases[] = {
      {"T:NN = 3", {3}},
      {"t:nn >= 7", {7, 8}},
      {"T:NN <> 1 AND T:NN < 4", {2, 3}},
      {"T:NN = 1 OR T:NN = 5", {1, 5}},
      {"NOT T:NN > 2", {1, 2}},
      {"NOT (T:NN > 2 OR T:NN = 1)", {2}},
      {"T:NN = 1 OR T:NN = 2 AND T:KF > 5", {1}},  // AND binds tighter than OR
      {"(T:NN = 1 OR T:NN = 2) AND T:KF > 1.6", {2}},
      {"t:nn = 1 or T:NN = 2 and not t:kf > 5", {1, 2}},
      {"T:KF = 2", {2}},
      {"T:KF < -0.5", {8}},
      {"T:KF = 1e1", {4}},
      {"T:KF = +100", {7}},
      {"T:KF <= 2.5 AND T:KF >= 2", {2, 3}},
      {"T:NN = '3'", {3}},  // a quoted number compares as a number
      {"T:NN = 1 OR 1 = 1", {1, 2, 3, 4, 5, 6, 7, 8}},
      {"'a' > 'b'", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Filter(c.filter), c.rows) << c.filter;
}

TEST_F(FilterSqlTest, TextComparisonsIgnoreTrailingBlanksAndTildeNegates) {
  struct Case {
    const char* filter;
    Rows rows;
  } cases[] = {
      {"T:NAME = 'beta'", {2}},
      {"T:NAME = 'beta   '", {2}},
      {"T:NAME = 'BETA'", {}},
      {"T:NAME ~= 'beta'", {1, 3, 4, 5, 6, 7, 8}},
      {"T:NN ~= 3", {1, 2, 4, 5, 6, 7, 8}},
      {"T:NAME = 'it''s'", {6}},
      {"T:NAME = ''", {7}},
      {"T:NAME < 'b'", {1, 3, 7, 8}},
      {"T:NAME ~< 'b'", {2, 4, 5, 6}},             // not less: at or after
      {"T:NAME ~> 'Gamma ray'", {1, 3, 7}},        // not greater: at or before
      {"T:NAME ~<= 'beta'", {4, 5, 6}},            // not at or before: after
      {"T:NAME >~= 'it''s'", {1, 2, 3, 7, 8}},     // the query form of "not at or after"
      {"T:NAME ~<> 'Alpha'", {1}},                 // not unequal: equal
      {"UPPER(T:NAME) = 'ЁЛКА'", {4, 5}},          // case-insensitive, Cyrillic too
      {"UPPER(T:NAME) = UPPER('Beta')", {2}},
      {"upper(name) = upper('Beta')", {2}},
      {"NAME <> ''", {1, 2, 3, 4, 5, 6, 8}},
  };
  for (const Case& c : cases) EXPECT_EQ(Filter(c.filter), c.rows) << c.filter;
}

TEST_F(FilterSqlTest, FunctionsCountUtf8Characters) {
  struct Case {
    const char* filter;
    Rows rows;
  } cases[] = {
      {"SUB(T:NAME,1,3) = 'alp'", {8}},
      {"SUB(T:NAME,1,2) = 'ёл'", {4}},
      {"sub(T:NAME, -3, 3) = 'ray'", {3}},
      {"SUB(T:NAME,6,1) = ''", {1, 2, 3, 4, 5, 6, 7}},  // ' ' of "Gamma ray" counts as blank
      {"UPPER(SUB(T:NAME,1,1)) = 'A'", {1, 8}},
      {"INSTRING('ph',T:NAME,1,1) <> 0", {1, 8}},
      {"INSTRING('ph',T:NAME,1,1) = 3", {1, 8}},
      {"INSTRING('ка',T:NAME,1,1) = 3", {4}},
      {"INSTRING('m',T:NAME,2,1) = 3", {3}},   // tries 1, 3, ...
      {"INSTRING('m',T:NAME,2,2) = 4", {3}},   // tries 2, 4, ...
      {"INSTRING('a',T:NAME,3,1) = 0", {1, 3, 4, 5, 6, 7}},  // tries 1, 4, 7, ...
      {"InString('',T:NAME,1,1) <> 0", {1, 2, 3, 4, 5, 6, 7, 8}},  // "contains nothing"
      {"INSTRING('a',T:NAME,1,1)", {1, 2, 3, 8}},  // a bare number: true when not 0
  };
  for (const Case& c : cases) EXPECT_EQ(Filter(c.filter), c.rows) << c.filter;
}

TEST_F(FilterSqlTest, BareValuesAreTrueWhenNotZeroOrNotBlank) {
  EXPECT_EQ(Filter("T:KF"), (Rows{1, 2, 3, 4, 6, 7, 8}));
  EXPECT_EQ(Filter("T:NAME"), (Rows{1, 2, 3, 4, 5, 6, 8}));
  EXPECT_EQ(Filter("NOT T:NAME"), (Rows{7}));
  EXPECT_EQ(Filter("'  '"), (Rows{}));
  EXPECT_EQ(Filter("0 OR T:NN = 2"), (Rows{2}));
}

TEST_F(FilterSqlTest, ValuesAreBoundNeverPastedIntoTheSql) {
  SqlFragment where;
  ASSERT_TRUE(translator_.Filter("T:NAME = 'x''); DROP TABLE t; --' OR T:NN = 12345", &where, nullptr));
  EXPECT_EQ(where.sql.find("DROP"), std::string::npos) << where.sql;
  EXPECT_EQ(where.sql.find("12345"), std::string::npos) << where.sql;
  ASSERT_EQ(where.params.size(), 2u);
  EXPECT_EQ(std::get<std::string>(where.params[0]), "x'); DROP TABLE t; --");
  EXPECT_EQ(std::get<int64_t>(where.params[1]), 12345);
  EXPECT_EQ(Select(where), Rows{});
  EXPECT_EQ(Filter("T:NN > 0").size(), 8u);  // the table is still there
}

TEST_F(FilterSqlTest, EmptyOrBlankFilterSelectsEverything) {
  SqlFragment where;
  FilterSyntaxError error;
  EXPECT_TRUE(translator_.Filter("   ", &where, &error));
  EXPECT_TRUE(where.sql.empty());
  EXPECT_EQ(Select(where).size(), 8u);
}

TEST_F(FilterSqlTest, MalformedFiltersAreErrorsWithClearMessages) {
  struct Case {
    const char* filter;
    const char* message_part;
  } cases[] = {
      {"(T:NN = 1", "parentheses"},
      {"((T:NN = 1) OR T:NN = 2", "parentheses"},
      {"T:NN = 1)", "parentheses"},
      {"SUB(T:NAME,1,2 = 'a'", "parentheses"},
      {"()", "empty parentheses"},
      {"T:XX = 1", "unknown field 'T:XX'"},
      {"UPPER(T:YY) = 'A'", "unknown field 'T:YY'"},
      {"T:NAME = 'abc", "unterminated"},
      {"T:NAME = 'it''s", "unterminated"},
      {"T:NN =", "missing after '='"},
      {"T:NN = 1 AND", "missing after AND"},
      {"T:NN = 1 OR", "missing after OR"},
      {"NOT", "missing after NOT"},
      {"AND T:NN = 1", "found AND"},
      {"T:NN = 1 T:NN = 2", "after a complete condition"},
      {"T:NN = 1 2", "after a complete condition"},
      {"T:NN == 1", "missing after '='"},
      {"T:NN ~ 1", "'~' must be followed"},
      {"T:NN <>= 1", "unknown operator"},
      {"T:NN << 1", "missing after '<'"},
      {"FOO(T:NN) = 1", "unknown function 'FOO'"},
      {"SUB(T:NAME,1) = 'a'", "takes 3 arguments, not 2"},
      {"INSTRING('a',T:NAME) = 1", "takes 4 arguments"},
      {"UPPER() = 'a'", "takes 1 argument, not 0"},
      {"T:NN = #", "unexpected character '#'"},
      {"T:NN = 1 ; DROP TABLE t", "unexpected character ';'"},
      {"T:NN = \"1\"", "unexpected character '\"'"},
      {"(T:NN = 1) = 2", "condition stands where a value is needed"},
      {"UPPER(T:NN = 1) = 'A'", "condition stands where a value is needed"},
      {"T: = 1", "cannot end with ':'"},
      {"T:NN = 12abc", "malformed number"},
      {"T:NN = 1e", "exponent"},
      {"T:NN = 1.2.3", "malformed number"},
      {"-T:NN = 1", "a number expected after '-'"},
      {"T:NN = 1,", "after a complete condition"},
  };
  for (const Case& c : cases) {
    std::string message = FilterError(c.filter);
    EXPECT_NE(message.find(c.message_part), std::string::npos)
        << c.filter << " gave: " << message;
  }
}

TEST_F(FilterSqlTest, ErrorsSayWhereReadingStopped) {
  FilterSyntaxError error;
  EXPECT_EQ(FilterParser::ParseFilter("T:NN = 1 AND T:KF ? 2", &error), nullptr);
  EXPECT_EQ(error.offset, 18u);
  EXPECT_EQ(DescribeSyntaxError(error), "unexpected character '?' (at position 19)");
  EXPECT_EQ(FilterParser::ParseFilter("T:NN = \x01", &error), nullptr);
  EXPECT_NE(error.message.find("byte 0x01"), std::string::npos) << error.message;
}

TEST_F(FilterSqlTest, DeepNestingIsRefusedNotOverflowed) {
  auto nested = [](int depth) {
    return std::string(static_cast<size_t>(depth), '(') + "T:NN = 1" +
           std::string(static_cast<size_t>(depth), ')');
  };
  EXPECT_EQ(Filter(nested(FilterParser::kMaxDepth)), Rows{1});
  EXPECT_NE(FilterError(nested(FilterParser::kMaxDepth + 1)).find("nested too deeply"), std::string::npos);
  EXPECT_NE(FilterError(nested(100000)).find("nested too deeply"), std::string::npos);

  std::string nots;
  for (int i = 0; i < 100000; ++i) nots += "NOT ";
  EXPECT_NE(FilterError(nots + "T:NN = 1").find("nested too deeply"), std::string::npos);

  std::string calls;
  for (int i = 0; i < 100000; ++i) calls += "UPPER(";
  EXPECT_NE(FilterError(calls + "T:NAME").find("nested too deeply"), std::string::npos);
}

TEST_F(FilterSqlTest, LongChainsStayWithinSqliteLimits) {
  // 3000 terms: SQLite's own parser would refuse a chain this long written flat.
  std::string chain = "T:NN = 0";
  for (int i = 1; i < 3000; ++i) chain += " OR T:NN = " + std::to_string(i % 7 == 0 ? 3 : 1000 + i);
  EXPECT_EQ(Filter(chain), Rows{3});

  std::string huge = "T:NN = 0";
  for (int i = 1; i < 5000; ++i) huge += " OR T:NN = 1";
  EXPECT_NE(FilterError(huge).find("too long"), std::string::npos);
}

TEST_F(FilterSqlTest, OrderTextsBecomeOrderByTerms) {
  std::vector<OrderTerm> terms;
  FilterSyntaxError error;
  ASSERT_TRUE(translator_.Order("-T:KF", &terms, &error)) << error.message;
  EXPECT_EQ(OrderBySql(terms), "\"kf\" DESC");
  EXPECT_EQ(Select(SqlFragment(), OrderBySql(terms)), (Rows{7, 4, 6, 3, 2, 1, 5, 8}));

  ASSERT_TRUE(translator_.Order(" UPPER( t:name ) , -T:NN", &terms, &error)) << error.message;
  ASSERT_EQ(terms.size(), 2u);
  EXPECT_TRUE(terms[0].upper);
  EXPECT_FALSE(terms[0].descending);
  EXPECT_TRUE(terms[1].descending);
  EXPECT_EQ(terms[0].label, "t:name");
  // Case folded: "Alpha" and "alphabet" side by side, "ёлка" and "ЁЛКА" equal (then by -NN).
  EXPECT_EQ(Select(SqlFragment(), OrderBySql(terms)), (Rows{7, 1, 8, 2, 3, 6, 5, 4}));

  ASSERT_TRUE(translator_.Order("NAME", &terms, &error));
  EXPECT_EQ(Select(SqlFragment(), OrderBySql(terms)), (Rows{7, 1, 3, 8, 2, 6, 5, 4}));

  ASSERT_TRUE(translator_.Order("UPPER(T:NN)", &terms, &error));  // nothing to fold in a number
  EXPECT_FALSE(terms[0].upper);
  EXPECT_EQ(OrderBySql(terms), "\"nn\"");

  ASSERT_TRUE(translator_.Order("  ", &terms, &error));
  EXPECT_TRUE(terms.empty());
}

TEST_F(FilterSqlTest, UpperCasedShadowColumnIsUsedWhenTheFileKeepsOne) {
  Exec("ALTER TABLE t ADD COLUMN _upper_name TEXT");
  Exec("UPDATE t SET _upper_name = rt_upper(name)");
  FilterSqlTranslator shadowed([](std::string_view label) -> std::optional<SqlColumn> {
    if (label == "S:NAME") return SqlColumn{"name", ValueKind::Text, false, "_upper_name"};
    return std::nullopt;
  });
  SqlFragment where;
  ASSERT_TRUE(shadowed.Filter("UPPER(S:NAME) = 'ЁЛКА'", &where, nullptr));
  EXPECT_EQ(where.sql, "(_upper_name = ?)");
  EXPECT_EQ(Select(where), (Rows{4, 5}));
  ASSERT_TRUE(shadowed.Filter("UPPER(S:NAME) >= 'IT'", &where, nullptr));
  EXPECT_EQ(where.sql, "(_upper_name >= ?)");
  EXPECT_EQ(Select(where), (Rows{4, 5, 6}));
  ASSERT_TRUE(shadowed.Filter("S:NAME = 'beta'", &where, nullptr));  // case-sensitive: the column
  EXPECT_EQ(where.sql, "(name = ?)");

  std::vector<OrderTerm> terms;
  ASSERT_TRUE(shadowed.Order("-UPPER(S:NAME)", &terms, nullptr));
  EXPECT_EQ(OrderBySql(terms), "_upper_name DESC");
}

TEST_F(FilterSqlTest, MalformedOrderTextsAreErrors) {
  struct Case {
    const char* order;
    const char* message_part;
  } cases[] = {
      {"T:NN,", "a field label expected"},
      {",T:NN", "a field label expected"},
      {"T:NN T:KF", "',' expected"},
      {"UPPER(T:NAME", "')' expected"},
      {"UPPER(1)", "needs a field label"},
      {"T:XX", "unknown field 'T:XX'"},
      {"--T:NN", "a field label expected"},
      {"T:NN DESC", "',' expected"},
      {"'T:NN'", "a field label expected"},
  };
  for (const Case& c : cases) {
    std::vector<OrderTerm> terms;
    FilterSyntaxError error;
    EXPECT_FALSE(translator_.Order(c.order, &terms, &error)) << c.order;
    EXPECT_TRUE(terms.empty());
    EXPECT_NE(error.message.find(c.message_part), std::string::npos)
        << c.order << " gave: " << error.message;
  }
}

}  // namespace
}  // namespace rt
