#include "framework/query/query_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_manager.h"
#include "framework/errors/level.h"
#include "framework/query/query_window_resource.h"
#include "framework/view/view_manager.h"
#include "framework/window/text_translator.h"
#include "runtime/files/filter_parser.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/view.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/core/last_error.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/values/text.h"
#include "runtime/windows/window.h"

namespace fw {
namespace {

struct Values {
  std::string low, middle, high;
};

// A query manager with the fields N (a string) and X (a number).
class QueryTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qm_.Setup();
    ASSERT_TRUE(qm_.AddItem("N", true));
    ASSERT_TRUE(qm_.AddItem("X", false));
  }
  void TearDown() override { qm_.Teardown(); }

  std::string Text(const Values& n, const Values& x = {}) {
    EXPECT_TRUE(qm_.SetValues(1, n.low, n.middle, n.high));
    EXPECT_TRUE(qm_.SetValues(2, x.low, x.middle, x.high));
    return qm_.BuildFilterText();
  }
  std::string Middle(const std::string& n) { return Text({"", n, ""}); }
  std::string Number(const std::string& x) { return Text({}, {"", x, ""}); }

  QueryManager qm_;
};

// The filter language must read every text the manager builds; a text it refuses makes the
// view read without any filter.
void ExpectParses(const std::string& text) {
  rt::FilterSyntaxError error;
  auto tree = rt::FilterParser::ParseFilter(text, &error);
  EXPECT_TRUE(tree != nullptr || text.empty())
      << "\"" << text << "\": " << rt::DescribeSyntaxError(error);
}

TEST_F(QueryTextTest, TheTableOfExamples) {
  EXPECT_EQ(Middle("abc"), "(N = 'abc')");
  EXPECT_EQ(Number(">=5"), "(X >= 5)");
  EXPECT_EQ(Middle("*ab"), "(INSTRING('ab',N,1,1) <> 0)");
  EXPECT_EQ(Middle("ab*"), "(SUB(N,1,2) = 'ab')");
  EXPECT_EQ(Middle("^ab"), "(UPPER(N) = 'AB')");
  EXPECT_EQ(Text({"a", "", "m"}), "(N > 'a') AND (N < 'm')");
  EXPECT_EQ(Text({"=a", "", ""}), "(N >= 'a')");
  EXPECT_EQ(Middle("it's"), "(N = 'it''s')");
}

TEST_F(QueryTextTest, OperatorsTypedBeforeTheExampleAreStandardised) {
  EXPECT_EQ(Number("5"), "(X = 5)");
  EXPECT_EQ(Number(">5"), "(X >= 5)") << "an example includes itself";
  EXPECT_EQ(Number("<5"), "(X <= 5)");
  EXPECT_EQ(Number("=<5"), "(X <= 5)");
  EXPECT_EQ(Number("==5"), "(X = 5)");
  EXPECT_EQ(Number("<>5"), "(X <> 5)");
  EXPECT_EQ(Number("~5"), "(X ~= 5)");
  EXPECT_EQ(Number("~<5"), "(X ~<= 5)");
  EXPECT_EQ(Middle(">b"), "(N >= 'b')");
  EXPECT_EQ(Middle(">ab*"), "(SUB(N,1,2) > 'ab')") << "a begins-with keeps the typed operator";
  EXPECT_EQ(Middle("<>*ab"), "(INSTRING('ab',N,1,1) <> 0)") << "a contains drops it";
}

TEST_F(QueryTextTest, OperatorsTheFilterLanguageCannotReadAreMadeReadable) {
  EXPECT_EQ(Number("<>=5"), "(X <> 5)");
  EXPECT_EQ(Number("=<>5"), "(X <> 5)");
  EXPECT_EQ(Middle("~ab*"), "(SUB(N,1,2) ~= 'ab')") << "not beginning with ab";
  for (const char* typed : {"<>=5", "=<>5", "~ab*", "~~5", "><5", "~<>5", ">~5", "=~=5"}) {
    ExpectParses(Number(typed));
    ExpectParses(Middle(typed));
  }
}

TEST_F(QueryTextTest, PatternsForBeginsWithAndContains) {
  EXPECT_EQ(Middle("*"), "(INSTRING('',N,1,1) <> 0)") << "contains the empty text";
  EXPECT_EQ(Middle("ab*"), "(SUB(N,1,2) = 'ab')");
  EXPECT_EQ(Middle("ёлк*"), "(SUB(N,1,3) = 'ёлк')") << "SUB counts characters, not bytes";
  EXPECT_EQ(Middle("^ёл*"), "(SUB(UPPER(N),1,2) = 'ЁЛ')");
  EXPECT_EQ(Middle("^*ёл"), "(INSTRING('ЁЛ',UPPER(N),1,1) <> 0)");
  EXPECT_EQ(Middle("*it's"), "(INSTRING('it''s',N,1,1) <> 0)");
  EXPECT_EQ(Number("12*"), "(SUB(X,1,2) = '12')") << "begins-with compares texts";
}

TEST_F(QueryTextTest, CaseInsensitiveMarkerAndUpperNames) {
  EXPECT_EQ(Text({"^a", "", "m"}), "(UPPER(N) > 'A') AND (UPPER(N) < 'M')")
      << "the marker on the low bound holds for the rest of the field";
  EXPECT_EQ(Text({"a", "", "^m"}), "(N > 'a') AND (UPPER(N) < 'M')");
  EXPECT_EQ(Middle(">^b"), "(UPPER(N) >= 'B')");
  EXPECT_EQ(Text({"=^b", "", ""}), "(UPPER(N) >= 'B')");

  QueryManager upper;
  upper.Setup();
  ASSERT_TRUE(upper.AddItem("UPPER(N)", true));
  ASSERT_TRUE(upper.SetValues(1, "", "ab", ""));
  EXPECT_EQ(upper.BuildFilterText(), "(UPPER(N) = 'AB')");
  ASSERT_TRUE(upper.SetValues(1, "", "^ёж", ""));
  EXPECT_EQ(upper.BuildFilterText(), "(UPPER(N) = 'ЁЖ')") << "never wrapped twice";
  upper.Teardown();
}

TEST_F(QueryTextTest, BuildingLeavesTheStoredFieldsAsTheyWere) {
  EXPECT_EQ(Text({"^a", "", ""}), "(UPPER(N) > 'A')");
  const QueryFieldRow& row = *qm_.QueryFields->At(1);
  EXPECT_EQ(std::string(rt::Clip(std::string_view(row.Name, sizeof row.Name))), "N");
  EXPECT_EQ(std::string(rt::Clip(std::string_view(row.Low, sizeof row.Low))), "^a");
  EXPECT_EQ(qm_.BuildFilterText(), "(UPPER(N) > 'A')") << "a second build reads the same";
}

TEST_F(QueryTextTest, BoundsTakePrecedenceOverTheExample) {
  EXPECT_EQ(Text({"a", "b", ""}), "(N > 'a')") << "the example is ignored beside a bound";
  EXPECT_EQ(Text({"b", "b", "m"}), "(N >= 'b') AND (N < 'm')")
      << "a bound equal to it is inclusive";
  EXPECT_EQ(Text({"a", "m", "m"}), "(N > 'a') AND (N <= 'm')");
  EXPECT_EQ(Text({}, {"1", "", "9"}), "(X > 1) AND (X < 9)");
}

TEST_F(QueryTextTest, EmptyValuesAddNothing) {
  EXPECT_EQ(Text({}, {}), "");
  EXPECT_EQ(Text({"   ", "  ", " "}, {}), "") << "blanks count as empty";
  EXPECT_EQ(Text({"", "b", ""}, {"1", "", ""}), "(N = 'b') AND (X > 1)") << "in field order";
}

TEST_F(QueryTextTest, ValuesForNumberFieldsCannotBecomePartOfTheExpression) {
  EXPECT_EQ(Number("-2.5e3"), "(X = -2.5e3)");
  EXPECT_EQ(Number("+.5"), "(X = +.5)");
  EXPECT_EQ(Number("1 OR 1=1"), "(X = '1 OR 1=1')");
  EXPECT_EQ(Number("abc"), "(X = 'abc')");
  EXPECT_EQ(Number("5) OR (X > 0"), "(X = '5) OR (X > 0')");
  EXPECT_EQ(Number(">"), "(X >= '')") << "an operator alone compares with the empty text";
  EXPECT_EQ(Text({}, {"0x1", "", "1e"}), "(X > '0x1') AND (X < '1e')");
  for (const char* typed : {"-2.5e3", "+.5", "1 OR 1=1", "5) OR (X > 0", ">", "1e", "5."}) {
    ExpectParses(Number(typed));
  }
}

TEST_F(QueryTextTest, QuotesInsideValuesNeverEndTheQuotedText) {
  EXPECT_EQ(QueryManager::QuoteText("a'b"), "'a''b'");
  EXPECT_EQ(QueryManager::QuoteText(""), "''");
  EXPECT_EQ(Middle("' OR N <> '"), "(N = ''' OR N <> ''')");
  const std::string quotes(kQueryValueBytes, '\'');
  const std::string text = Middle(quotes);
  EXPECT_EQ(text.size(), 2 * kQueryValueBytes + 2 + std::string("(N = )").size())
      << "a value of quotes alone is quoted whole, never cut";
  for (const std::string& v : {quotes, std::string("'"), std::string("*'"), std::string("''*"),
                               std::string("^'"), std::string("a'b*")}) {
    ExpectParses(Middle(v));
    ExpectParses(Text({v, "", v}));
  }
}

TEST_F(QueryTextTest, LongValuesAreCutWithoutSplittingACharacter) {
  const std::string value = std::string(kQueryValueBytes - 1, 'a') + "ё";
  ASSERT_TRUE(qm_.SetValues(1, "", value, ""));
  EXPECT_EQ(qm_.BuildFilterText(), "(N = '" + std::string(kQueryValueBytes - 1, 'a') + "')");
  EXPECT_FALSE(qm_.SetValues(3, "", "x", "")) << "there is no third field";
}

TEST(QueryManagerSetupTest, FieldsNeedASetUpManagerAndANameThatFits) {
  QueryManager qm;
  EXPECT_FALSE(qm.AddItem("N", true)) << "not set up";
  EXPECT_EQ(qm.BuildFilterText(), "");
  qm.Setup();
  EXPECT_FALSE(qm.AddItem("", true));
  EXPECT_FALSE(qm.AddItem(std::string(kQueryNameBytes + 1, 'N'), true));
  EXPECT_TRUE(qm.AddItem(std::string(kQueryNameBytes, 'N'), true));
  EXPECT_EQ(qm.QueryFields->Records(), 1u);
  EXPECT_EQ(qm.QueryFields->At(1)->Kind[0], 'S');
  qm.Teardown();
  EXPECT_EQ(qm.QueryFields, nullptr);
  EXPECT_EQ(qm.EnterValues(1), 0) << "nothing to ask once torn down";
}

// ------------------------------------------------------------------ over a keyed file

#pragma pack(push, 1)
struct PersonRow {
  int32_t no;     // P:NO
  char name[20];  // P:NAME
  char city[16];  // P:CITY
  int32_t age;    // P:AGE
};
#pragma pack(pop)

std::unique_ptr<rt::FileDeclaration> PeopleDecl() {
  rt::RecordDescriptor r;
  r.Add("P:NO", rt::Type::Long)
      .Add("P:NAME", rt::Type::String, 20)
      .Add("P:CITY", rt::Type::String, 16)
      .Add("P:AGE", rt::Type::Long);
  auto d = std::make_unique<rt::FileDeclaration>("P", "people", r);
  d->AddKey("P:no_key").Ascending(0).Unique().MakePrimary();
  return d;
}

struct Person {
  int32_t no;
  const char* name;
  const char* city;
  int32_t age;
};
const Person kPeople[] = {
    {1, "Anna", "Oslo", 34},    {2, "anton", "Bergen", 27}, {3, "Boris", "Oslo", 41},
    {4, "O'Neil", "Cork", 58},  {5, "Ёлка", "Москва", 19},  {6, "ёж", "Москва", 30},
    {7, "Brita", "Bergen", 27},
};

class QueryOverViewTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    rt::SetLastError(0);
    {
      PersonRow row{};
      rt::KeyedFile seed(*decl_, &row);
      ASSERT_EQ(seed.Create(), 0);
      ASSERT_EQ(seed.Open(), 0);
      for (const Person& p : kPeople) {
        row.no = p.no;
        row.age = p.age;
        rt::testing::SetText(row.name, sizeof row.name, p.name, true);
        rt::testing::SetText(row.city, sizeof row.city, p.city, true);
        ASSERT_EQ(seed.Add(), 0);
      }
    }
    errors_.Setup();
    file_ = std::make_unique<rt::KeyedFile>(*decl_, &buf_);
    fm_.Setup(file_.get(), &errors_);
    fm_.RegisterKey(&decl_->Key(0), "number");
    rm_.Setup(&fm_, false);
    ASSERT_EQ(rm_.Open(0), kLevelGoOn);
    view_ = std::make_unique<rt::View>(file_.get());
    vm_.Setup(view_.get(), &rm_);
    vm_.AppendSortOrder(&decl_->Key(0));
    qm_.Setup();
    ASSERT_TRUE(qm_.AddItem("P:NAME", true, "Name"));
    ASSERT_TRUE(qm_.AddItem("P:CITY", true, "City"));
    ASSERT_TRUE(qm_.AddItem("P:AGE", false, "Age"));
  }
  void TearDown() override {
    qm_.Teardown();
    vm_.CloseView();
    vm_.Teardown();
    view_.reset();
    rm_.Close(0);
    rm_.Teardown();
    fm_.Teardown();
    file_.reset();
    errors_.Teardown();
    std::filesystem::current_path(old_dir_);
    HeadlessTest::TearDown();
  }

  // The numbers of the records the view reads with the query installed as the browse does.
  std::vector<int> Select() {
    vm_.SetNamedFilter(kQueryByExampleFilterId, qm_.BuildFilterText());
    vm_.InstallFilter();
    vm_.StartAtBeginning();
    std::vector<int> out;
    while (vm_.ReadNext() == kLevelGoOn) out.push_back(buf_.no);
    return out;
  }
  std::vector<int> Query(const Values& name, const Values& city = {}, const Values& age = {}) {
    qm_.SetValues(1, name.low, name.middle, name.high);
    qm_.SetValues(2, city.low, city.middle, city.high);
    qm_.SetValues(3, age.low, age.middle, age.high);
    return Select();
  }

  rt::TempFolder folder_;
  std::filesystem::path old_dir_;
  std::unique_ptr<rt::FileDeclaration> decl_ = PeopleDecl();
  PersonRow buf_{};
  std::unique_ptr<rt::KeyedFile> file_;
  ErrorManager errors_;
  FileManager fm_;
  RelationManager rm_;
  std::unique_ptr<rt::View> view_;
  ViewManager vm_;
  QueryManager qm_;
};

using Nos = std::vector<int>;

TEST_F(QueryOverViewTest, ExamplesSelectTheMatchingRecords) {
  EXPECT_EQ(Query({"", "Anna", ""}), Nos({1}));
  EXPECT_EQ(Query({"", "O'Neil", ""}), Nos({4}));
  EXPECT_EQ(Query({}, {"", "Bergen", ""}), Nos({2, 7}));
  EXPECT_EQ(Query({}, {}, {"", "27", ""}), Nos({2, 7}));
  EXPECT_EQ(Query({}, {}, {"", "<>27", ""}), Nos({1, 3, 4, 5, 6}));
  EXPECT_EQ(Query({}, {}, {"", "~27", ""}), Nos({1, 3, 4, 5, 6}));
  EXPECT_EQ(Query({}, {}, {"", ">41", ""}), Nos({3, 4}));
  EXPECT_EQ(Query({}, {"", "Oslo", ""}, {"", ">35", ""}), Nos({3})) << "fields are joined by AND";
}

TEST_F(QueryOverViewTest, PatternsAndCaseSelectTheMatchingRecords) {
  EXPECT_EQ(Query({"", "An*", ""}), Nos({1}));
  EXPECT_EQ(Query({"", "^an*", ""}), Nos({1, 2}));
  EXPECT_EQ(Query({"", "^ё*", ""}), Nos({5, 6})) << "Cyrillic upper case";
  EXPECT_EQ(Query({}, {"", "*erg", ""}), Nos({2, 7}));
  EXPECT_EQ(Query({"", "*", ""}), Nos({1, 2, 3, 4, 5, 6, 7})) << "contains the empty text";
  EXPECT_EQ(Query({"", "*'", ""}), Nos({4}));
  EXPECT_EQ(Query({"", "~B*", ""}), Nos({1, 2, 4, 5, 6}));
}

TEST_F(QueryOverViewTest, BoundsSelectTheRecordsBetweenThem) {
  EXPECT_EQ(Query({}, {}, {"27", "27", "41"}), Nos({1, 2, 6, 7}));
  EXPECT_EQ(Query({}, {}, {"=27", "", "=41"}), Nos({1, 2, 3, 6, 7}));
  EXPECT_EQ(Query({"^b", "", "^c"}), Nos({3, 7}));
}

TEST_F(QueryOverViewTest, TypedExpressionsStayValues) {
  // Each would select every record if it reached the filter as an expression; quoted, they
  // are texts no record holds (and an unreadable filter would show a message box).
  EXPECT_EQ(Query({}, {}, {"", "1 OR 1=1", ""}), Nos({}));
  EXPECT_EQ(Query({"", "x' OR P:AGE > '0", ""}), Nos({}));
  EXPECT_EQ(Query({}, {}, {"", "0) OR (P:AGE > 0", ""}), Nos({}));
  // A bound stays one comparison, whatever it compares.
  qm_.ClearValues();
  qm_.SetValues(3, "0) OR (P:AGE > 0", "", "");
  rt::FilterSyntaxError error;
  auto tree = rt::FilterParser::ParseFilter(qm_.BuildFilterText(), &error);
  ASSERT_NE(tree, nullptr) << rt::DescribeSyntaxError(error);
  EXPECT_EQ(tree->kind, rt::FilterNodeKind::Compare);
}

TEST_F(QueryOverViewTest, NoValuesRemoveTheQueryFilter) {
  EXPECT_EQ(Query({"", "Anna", ""}), Nos({1}));
  qm_.ClearValues();
  EXPECT_EQ(qm_.BuildFilterText(), "");
  EXPECT_EQ(Select(), Nos({1, 2, 3, 4, 5, 6, 7}));
}

// ------------------------------------------------------------------ the query window

class QueryWindowTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    qm_.Setup();
    ASSERT_TRUE(qm_.AddItem("P:NAME", true, "Name"));
    ASSERT_TRUE(qm_.AddItem("P:AGE", false));
  }
  void TearDown() override {
    qm_.Teardown();
    // Every window here ends by the user's hand: a window the backend had to close itself
    // means the scripted OK, Cancel or key did not end it.
    EXPECT_TRUE(backend().AutoCloses().empty());
    HeadlessTest::TearDown();
  }
  static int Entry(size_t field, QueryPart part) { return QueryControl(field, part); }

  QueryManager qm_;
};

TEST_F(QueryWindowTest, TheWindowShowsALinePerFieldWithItsValues) {
  ASSERT_TRUE(qm_.SetValues(1, "a", "", "m"));
  backend().Check([] {
    rt::Window* w = rt::TargetWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->label(), "P19$W");
    EXPECT_EQ(w->caption(), "Example values");
    EXPECT_EQ(w->Find(kQueryOkButton)->caption(), "&OK");
    EXPECT_EQ(w->Find(kQueryCancelButton)->caption(), "Cancel");
    EXPECT_EQ(w->Find(QueryControl(1, QueryPart::kPrompt))->caption(), "Name");
    EXPECT_EQ(w->Find(QueryControl(2, QueryPart::kPrompt))->caption(), "P:AGE")
        << "a field without a title shows its name";
    EXPECT_EQ(w->Find(QueryControl(1, QueryPart::kLow))->shown_text(), "a");
    EXPECT_EQ(w->Find(QueryControl(1, QueryPart::kHigh))->shown_text(), "m");
    EXPECT_EQ(w->focus(), QueryControl(1, QueryPart::kMiddle));
    EXPECT_GT(w->Find(kQueryOkButton)->y(), w->Find(QueryControl(2, QueryPart::kLow))->y())
        << "the buttons sit under the last line";
  });
  backend().Click(kQueryCancelButton);
  EXPECT_EQ(qm_.EnterValues(1), 0);
}

TEST_F(QueryWindowTest, ATranslatorTurnsTheWindowsOwnWordsButNotTheFieldTitles) {
  TextTranslator translator;
  translator.Add("Example values", "Поиск по образцу");
  translator.Add("Cancel", "Отмена");
  translator.Add("From", "От");
  translator.Add("Name", "Имя");  // a field's title is the program's own: never translated
  qm_.TRANSLATOR = &translator;
  backend().Check([] {
    rt::Window* w = rt::TargetWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->caption(), "Поиск по образцу");
    EXPECT_EQ(w->Find(kQueryCancelButton)->caption(), "Отмена");
    EXPECT_EQ(w->Find(kQueryFromHeading)->caption(), "От");
    EXPECT_EQ(w->Find(kQueryOkButton)->caption(), "&OK") << "a text with no pair stays";
    EXPECT_EQ(w->Find(QueryControl(1, QueryPart::kPrompt))->caption(), "Name");
  });
  backend().Click(kQueryCancelButton);
  EXPECT_EQ(qm_.EnterValues(1), 0);
}

TEST_F(QueryWindowTest, OkTakesWhatTheUserTyped) {
  backend().Type(Entry(1, QueryPart::kMiddle), "^an*");
  backend().Type(Entry(2, QueryPart::kLow), "=18");
  backend().Type(Entry(2, QueryPart::kHigh), "65");
  backend().Click(kQueryOkButton);
  EXPECT_NE(qm_.EnterValues(1), 0);
  EXPECT_EQ(qm_.BuildFilterText(),
            "(SUB(UPPER(P:NAME),1,2) = 'AN') AND (P:AGE >= 18) AND (P:AGE < 65)");
}

TEST_F(QueryWindowTest, CancelAndTheCloseBoxLeaveTheValuesAsTheyWere) {
  ASSERT_TRUE(qm_.SetValues(1, "", "Anna", ""));
  backend().Type(Entry(1, QueryPart::kMiddle), "Boris");
  backend().Click(kQueryCancelButton);
  EXPECT_EQ(qm_.EnterValues(1), 0);
  backend().Type(Entry(1, QueryPart::kMiddle), "Boris");
  backend().CloseWindow();
  EXPECT_EQ(qm_.EnterValues(1), 0);
  EXPECT_EQ(qm_.BuildFilterText(), "(P:NAME = 'Anna')");
}

TEST_F(QueryWindowTest, EnterAcceptsAndEscCancelsFromAnEntry) {
  backend().Type(Entry(2, QueryPart::kMiddle), "<40", /*leave=*/false);
  backend().PressKey(Entry(2, QueryPart::kMiddle), rt::kKeyEnter);
  EXPECT_NE(qm_.EnterValues(1), 0);
  EXPECT_EQ(qm_.BuildFilterText(), "(P:AGE <= 40)");

  backend().Type(Entry(1, QueryPart::kLow), "x");
  backend().PressKey(Entry(1, QueryPart::kHigh), rt::kKeyEsc);
  EXPECT_EQ(qm_.EnterValues(1), 0);
  EXPECT_EQ(qm_.BuildFilterText(), "(P:AGE <= 40)");
}

TEST_F(QueryWindowTest, KeepValuesDecidesWhatTheEntriesStartWith) {
  ASSERT_TRUE(qm_.SetValues(1, "", "Anna", ""));
  backend().Type(Entry(2, QueryPart::kMiddle), "30");
  backend().Click(kQueryOkButton);
  ASSERT_NE(qm_.EnterValues(1), 0);
  EXPECT_EQ(qm_.BuildFilterText(), "(P:NAME = 'Anna') AND (P:AGE = 30)");

  backend().Type(Entry(2, QueryPart::kMiddle), "31");
  backend().Click(kQueryOkButton);
  ASSERT_NE(qm_.EnterValues(0), 0);
  EXPECT_EQ(qm_.BuildFilterText(), "(P:AGE = 31)") << "a fresh query forgets the name";
}

TEST_F(QueryWindowTest, ALongTypedValueIsKeptWholeUpToTheFieldSize) {
  const std::string typed = std::string(kQueryValueBytes - 1, 'b') + "ёж";
  backend().Type(Entry(1, QueryPart::kMiddle), typed);
  backend().Click(kQueryOkButton);
  ASSERT_NE(qm_.EnterValues(1), 0);
  EXPECT_EQ(qm_.BuildFilterText(), "(P:NAME = '" + std::string(kQueryValueBytes - 1, 'b') + "')");
}

}  // namespace
}  // namespace fw
