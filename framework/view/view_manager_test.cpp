#include "framework/view/view_manager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_manager.h"
#include "framework/errors/level.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/view.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/core/last_error.h"

namespace fw {
namespace {

// A packed record's field, copied out so a check never binds a reference to it.
template <typename T>
T Val(T value) {
  return value;
}

#pragma pack(push, 1)
struct ItemRow {
  int32_t group;  // IT:GROUP
  int16_t no;     // IT:NO, numbered within the group
  char name[10];  // IT:NAME
  double price;   // IT:PRICE
};
#pragma pack(pop)

std::unique_ptr<rt::FileDeclaration> ItemsDecl() {
  rt::RecordDescriptor r;
  r.Add("IT:GROUP", rt::Type::Long)
      .Add("IT:NO", rt::Type::Short)
      .Add("IT:NAME", rt::Type::String, 10)
      .Add("IT:PRICE", rt::Type::Real);
  auto d = std::make_unique<rt::FileDeclaration>("IT", "items", r);
  d->AddKey("IT:group_no").Ascending(0).Ascending(1).Unique().MakePrimary();
  d->AddKey("IT:name_key").Ascending(2).AllowDuplicates().IgnoreCase();
  d->AddKey("IT:group_price").Ascending(0).Descending(3).AllowDuplicates();
  return d;
}

// Stored in this order, so record order differs from every key order.
const ItemRow kItems[] = {
    {2, 1, "date", 4.0},  {1, 3, "cherry", 3.25}, {3, 1, "fig", 2.5},  {1, 1, "apple", 1.5},
    {2, 2, "Elder", 1.0}, {1, 4, "O'Neil", 0.5},  {1, 2, "Banana", 2.0},
};

using Labels = std::vector<std::string>;

// Judges records when asked to: group 3 is out of range, even numbers are skipped.
class JudgingViewManager : public ViewManager {
 public:
  explicit JudgingViewManager(const ItemRow* record) : record_(record) {}
  uint8_t CheckRecord() override {
    if (!judge) return ViewManager::CheckRecord();
    if (record_->group == 3) return 1;
    return record_->no % 2 == 0 ? 2 : 0;
  }
  bool judge = false;

 private:
  const ItemRow* record_;
};

class ViewManagerTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    old_dir_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());  // messages name the file "items"
    rt::SetLastError(0);
    {
      ItemRow row{};
      rt::KeyedFile seed(*decl_, &row);
      ASSERT_EQ(seed.Create(), 0);
      ASSERT_EQ(seed.Open(), 0);
      for (const ItemRow& item : kItems) {
        row = item;
        rt::testing::SetText(row.name, sizeof row.name, item.name, true);
        ASSERT_EQ(seed.Add(), 0);
      }
    }
    errors_.Setup();
    file_ = std::make_unique<rt::KeyedFile>(*decl_, &buf_);
    fm_.Setup(file_.get(), &errors_);
    fm_.RegisterKey(Key(0), "group and number", 2);
    fm_.RegisterKey(Key(1), "name");
    fm_.RegisterKey(Key(2), "group and price");
    rm_.Setup(&fm_, false);
    ASSERT_EQ(rm_.Open(0), kLevelGoOn);
    view_ = std::make_unique<rt::View>(file_.get());
    vm_.Setup(view_.get(), &rm_);
  }
  void TearDown() override {
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

  const rt::FileKey* Key(size_t i) const { return &decl_->Key(i); }
  rt::AnyRef Field(const char* label) { return decl_->Record().Field(&buf_, label); }

  // Puts a range on the current sort order.
  void SetRange(uint8_t type, std::vector<std::pair<rt::AnyRef, rt::AnyRef>> entries) {
    SortOrderRow* row = vm_.CurrentSortOrder();
    ASSERT_NE(row, nullptr);
    row->LIMITTYPE = type;
    for (auto& [left, right] : entries) ASSERT_TRUE(row->RANGELIST->AppendPair(left, right));
    vm_.PutSortOrder();
  }
  // What a browse does when it switches sort orders or ranges.
  void Apply() {
    vm_.InstallOrder();
    vm_.InstallFilter();
    vm_.StartAtBeginning();
  }
  // Reads to the end as "group/number" labels; *last gets the level that ended the reading.
  Labels Read(bool forward = true, int* last = nullptr) {
    Labels out;
    int level;
    while ((level = forward ? vm_.ReadNext() : vm_.ReadPrevious()) == kLevelGoOn) {
      out.push_back(std::to_string(buf_.group) + "/" + std::to_string(buf_.no));
    }
    if (last) *last = level;
    return out;
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> out;
    for (const rt::MessageBoxRecord& r : backend().MessageBoxes()) {
      out.push_back(r.request.caption + ": " + r.request.text);
    }
    return out;
  }

  rt::TempFolder folder_;
  std::filesystem::path old_dir_;
  std::unique_ptr<rt::FileDeclaration> decl_ = ItemsDecl();
  ItemRow buf_{};
  ErrorManager errors_;
  std::unique_ptr<rt::KeyedFile> file_;
  FileManager fm_;
  RelationManager rm_;
  std::unique_ptr<rt::View> view_;
  JudgingViewManager vm_{&buf_};
};

const Labels kKeyOrder = {"1/1", "1/2", "1/3", "1/4", "2/1", "2/2", "3/1"};

// --- Sort orders ---------------------------------------------------------------------------

TEST_F(ViewManagerTest, SortOrdersReadInTheirKeysOrderAndSwitch) {
  EXPECT_EQ(vm_.DISPOSEORDER, 1);
  EXPECT_EQ(vm_.AppendSortOrder(Key(0)), 1u);
  EXPECT_EQ(vm_.AppendSortOrder(Key(1)), 2u);
  EXPECT_EQ(vm_.AppendSortOrder(Key(2)), 3u);
  const SortOrderRow* row = vm_.CurrentSortOrder();
  EXPECT_EQ(*row->ORDER, "IT:GROUP,-IT:PRICE");
  EXPECT_TRUE(row->FREEELEMENT.SameAs(Field("IT:GROUP")));
  EXPECT_EQ(row->LIMITTYPE, kLimitNone);
  EXPECT_EQ(row->FILTER, nullptr);

  // The last one appended is current.
  vm_.StartAtBeginning();
  EXPECT_EQ(view_->OrderText(), "IT:GROUP,-IT:PRICE");
  int last = 0;
  EXPECT_EQ(Read(true, &last), (Labels{"1/3", "1/2", "1/1", "1/4", "2/1", "2/2", "3/1"}));
  EXPECT_EQ(last, kLevelHandled);

  EXPECT_TRUE(vm_.SelectSortOrder(2));
  EXPECT_FALSE(vm_.SelectSortOrder(2));
  Apply();
  EXPECT_EQ(view_->OrderText(), "UPPER(IT:NAME)");
  EXPECT_EQ(Read(), (Labels{"1/1", "1/2", "1/3", "2/1", "2/2", "3/1", "1/4"}));

  EXPECT_TRUE(vm_.SelectSortOrder(0));  // 0 is the first
  EXPECT_FALSE(vm_.SelectSortOrder(1));
  EXPECT_FALSE(vm_.SelectSortOrder(4));  // no such sort order: the first stays
  Apply();
  EXPECT_EQ(Read(), kKeyOrder);
  EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ViewManagerTest, OrderTextIsReplacedAndABlankOneReadsInRecordOrder) {
  vm_.AppendSortOrder(Key(0));
  vm_.SetOrderText("-IT:NO,IT:GROUP   ");
  EXPECT_EQ(*vm_.CurrentSortOrder()->ORDER, "-IT:NO,IT:GROUP");
  Apply();
  EXPECT_EQ(Read(), (Labels{"1/4", "1/3", "1/2", "2/2", "1/1", "2/1", "3/1"}));

  vm_.SetOrderText("  ");
  EXPECT_EQ(vm_.CurrentSortOrder()->ORDER, nullptr);
  Apply();
  EXPECT_EQ(Read(), (Labels{"2/1", "1/3", "3/1", "1/1", "2/2", "1/4", "1/2"}));

  // A sort order without a key reads in record order and has no first field.
  EXPECT_EQ(vm_.AppendSortOrder(nullptr), 2u);
  EXPECT_EQ(vm_.CurrentSortOrder()->ORDER, nullptr);
  EXPECT_TRUE(vm_.CurrentSortOrder()->FREEELEMENT.IsNull());
  EXPECT_EQ(vm_.FreeComponentPosition(), 0);
}

// --- Filters -------------------------------------------------------------------------------

TEST_F(ViewManagerTest, NamedFiltersAreCombinedInIdOrderPerSortOrder) {
  vm_.AppendSortOrder(Key(0));
  EXPECT_EQ(vm_.BuildFilterText(), "");
  vm_.SetNamedFilter("9 - QBE", "IT:NO > 1   ");
  vm_.SetStandardFilter("IT:GROUP = 1");  // set later, still first
  vm_.StartAtBeginning();
  EXPECT_EQ(view_->FilterText(), "(IT:GROUP = 1) AND (IT:NO > 1)");
  EXPECT_EQ(Read(), (Labels{"1/2", "1/3", "1/4"}));

  vm_.SetStandardFilter("   ");                 // a blank text removes it
  vm_.SetNamedFilter("9 - QBE", "IT:NO = 1");  // a new text replaces the old
  Apply();
  EXPECT_EQ(view_->FilterText(), "(IT:NO = 1)");
  EXPECT_EQ(Read(), (Labels{"1/1", "2/1", "3/1"}));

  // Ids are their first 30 bytes: these two are one filter.
  std::string id(30, 'x');
  vm_.SetNamedFilter(id + "a", "IT:GROUP = 3");
  vm_.SetNamedFilter(id + "b", "IT:GROUP = 2");
  EXPECT_EQ(vm_.BuildFilterText(), "(IT:NO = 1) AND (IT:GROUP = 2)");

  // Another sort order has filters of its own.
  vm_.AppendSortOrder(Key(1));
  EXPECT_EQ(vm_.BuildFilterText(), "");
  ASSERT_TRUE(vm_.SelectSortOrder(1));
  EXPECT_EQ(vm_.BuildFilterText(), "(IT:NO = 1) AND (IT:GROUP = 2)");
  EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

// --- Range limits --------------------------------------------------------------------------

TEST_F(ViewManagerTest, EveryLimitTypeWritesItsFilterAndReadsItsRecords) {
  int32_t one = 1, two = 2, three = 3;
  int16_t no2 = 2, no3 = 3;
  double price = 3.25;
  char lo[10], hi[10], oneil[10];
  rt::testing::SetText(lo, sizeof lo, "b", true);
  rt::testing::SetText(hi, sizeof hi, "e", true);
  rt::testing::SetText(oneil, sizeof oneil, "o'neil", true);
  rt::AnyRef group = Field("IT:GROUP"), no = Field("IT:NO"), name = Field("IT:NAME");
  struct Case {
    const rt::FileKey* key;
    uint8_t type;
    std::vector<std::pair<rt::AnyRef, rt::AnyRef>> range;
    std::string standard;
    std::string filter;
    Labels records;
  } cases[] = {
      {Key(0), kLimitEqualOnce, {{group, rt::AnyRef::Of(two)}}, "", "IT:GROUP = 2",
       {"2/1", "2/2"}},
      {Key(0), kLimitEqualLast, {{group, rt::AnyRef::Of(three)}}, "", "IT:GROUP = 3", {"3/1"}},
      {Key(0), kLimitEqualAll, {{group, rt::AnyRef::Of(one)}, {no, rt::AnyRef::Of(no3)}}, "",
       "IT:GROUP = 1 AND IT:NO = 3", {"1/3"}},
      {Key(0), kLimitBetween,
       {{group, rt::AnyRef::Of(one)}, {no, rt::AnyRef::Of(no2)}, {no, rt::AnyRef::Of(no3)}}, "",
       "IT:GROUP = 1 AND IT:NO >= 2 AND IT:NO <= 3", {"1/2", "1/3"}},
      // Both bounds of a case-insensitive component are upper-cased.
      {Key(1), kLimitBetween, {{name, rt::AnyRef::String(lo)}, {name, rt::AnyRef::String(hi)}},
       "IT:PRICE > 2",
       "UPPER(IT:NAME) >= UPPER('b') AND UPPER(IT:NAME) <= UPPER('e') AND (IT:PRICE > 2)",
       {"1/3", "2/1"}},
      {Key(1), kLimitEqualOnce, {{name, rt::AnyRef::String(oneil)}}, "",
       "UPPER(IT:NAME) = UPPER('o''neil')", {"1/4"}},
      {Key(2), kLimitEqualOnce,
       {{group, rt::AnyRef::Of(one)}, {Field("IT:PRICE"), rt::AnyRef::Of(price)}}, "",
       "IT:GROUP = 1 AND IT:PRICE = 3.25", {"1/3"}},
      // No range part: none, an unknown type, a pair range short of its two bounds.
      {Key(0), kLimitNone, {{group, rt::AnyRef::Of(two)}}, "", "", kKeyOrder},
      {Key(0), 7, {{group, rt::AnyRef::Of(two)}}, "", "", kKeyOrder},
      {Key(0), kLimitBetween, {{group, rt::AnyRef::Of(two)}}, "IT:NO = 1", "(IT:NO = 1)",
       {"1/1", "2/1", "3/1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filter);
    vm_.AppendSortOrder(c.key);
    SetRange(c.type, c.range);
    vm_.SetStandardFilter(c.standard);
    Apply();
    EXPECT_EQ(view_->FilterText(), c.filter);
    EXPECT_EQ(Read(), c.records);
  }
  EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ViewManagerTest, FreeComponentIsTheFirstOneTheRangeLeavesOpen) {
  int32_t two = 2;
  char text[10] = "a";
  vm_.AppendSortOrder(Key(0));
  EXPECT_EQ(vm_.FreeComponentPosition(), 1);
  EXPECT_EQ(vm_.FreeComponentName(), "IT:GROUP");
  SetRange(kLimitEqualOnce, {{Field("IT:GROUP"), rt::AnyRef::Of(two)}});
  EXPECT_EQ(vm_.FreeComponentPosition(), 2);
  EXPECT_EQ(vm_.FreeComponentName(), "IT:NO");

  vm_.AppendSortOrder(Key(0));  // a pair range on the first component leaves the second
  SetRange(kLimitBetween,
           {{Field("IT:GROUP"), rt::AnyRef::Of(two)}, {Field("IT:GROUP"), rt::AnyRef::Of(two)}});
  EXPECT_EQ(vm_.FreeComponentPosition(), 2);

  vm_.AppendSortOrder(Key(0));  // every component fixed
  SetRange(kLimitEqualAll,
           {{Field("IT:GROUP"), rt::AnyRef::Of(two)}, {Field("IT:NO"), rt::AnyRef::Of(two)}});
  EXPECT_EQ(vm_.FreeComponentPosition(), 0);
  EXPECT_EQ(vm_.FreeComponentName(), "");

  vm_.AppendSortOrder(Key(1));  // one component, one equality
  EXPECT_EQ(vm_.FreeComponentName(), "UPPER(IT:NAME)");
  SetRange(kLimitEqualOnce, {{Field("IT:NAME"), rt::AnyRef::String(text)}});
  EXPECT_EQ(vm_.FreeComponentPosition(), 0);
}

TEST_F(ViewManagerTest, RefreshRangeRebuildsTheFilterOnlyWhenItsWatchedValuesMoved) {
  // Equal-last: the last entry's LEFT (a parent's current value) against its RIGHT.
  int32_t parent = 1, limit = 1;
  vm_.AppendSortOrder(Key(0));
  SetRange(kLimitEqualLast, {{rt::AnyRef::Of(parent), rt::AnyRef::Of(limit)}});
  vm_.StartAtBeginning();
  EXPECT_FALSE(vm_.RefreshRange());
  parent = 2;
  EXPECT_TRUE(vm_.RefreshRange());
  EXPECT_EQ(limit, 2);
  EXPECT_EQ(view_->FilterText(), "IT:GROUP = 2");
  vm_.StartAtBeginning();
  EXPECT_EQ(Read(), (Labels{"2/1", "2/2"}));
  EXPECT_FALSE(vm_.RefreshRange());

  // Pair: the lower bound's move carries both bounds; the upper's alone carries itself.
  int32_t group = 1, lo_now = 1, lo = 1, hi_now = 2, hi = 2;
  vm_.AppendSortOrder(Key(0));
  SetRange(kLimitBetween, {{rt::AnyRef::Of(group), rt::AnyRef::Of(group)},
                           {rt::AnyRef::Of(lo_now), rt::AnyRef::Of(lo)},
                           {rt::AnyRef::Of(hi_now), rt::AnyRef::Of(hi)}});
  Apply();
  EXPECT_FALSE(vm_.RefreshRange());
  hi_now = 4;
  EXPECT_TRUE(vm_.RefreshRange());
  EXPECT_EQ(view_->FilterText(), "IT:GROUP = 1 AND IT:NO >= 1 AND IT:NO <= 4");
  lo_now = 3;
  hi_now = 3;
  EXPECT_TRUE(vm_.RefreshRange());
  EXPECT_EQ(view_->FilterText(), "IT:GROUP = 1 AND IT:NO >= 3 AND IT:NO <= 3");
  vm_.StartAtBeginning();
  EXPECT_EQ(Read(), (Labels{"1/3"}));
  EXPECT_FALSE(vm_.RefreshRange());

  // Equal-all: every RIGHT against the value last installed.
  int32_t wanted = 1;
  vm_.AppendSortOrder(Key(0));
  SetRange(kLimitEqualAll, {{Field("IT:GROUP"), rt::AnyRef::Of(wanted)}});
  EXPECT_TRUE(vm_.RefreshRange());  // nothing was installed yet
  EXPECT_FALSE(vm_.RefreshRange());
  wanted = 3;
  EXPECT_TRUE(vm_.RefreshRange());
  EXPECT_EQ(view_->FilterText(), "IT:GROUP = 3");
  EXPECT_FALSE(vm_.RefreshRange());

  // Equal-once is never re-checked.
  vm_.AppendSortOrder(Key(0));
  SetRange(kLimitEqualOnce, {{rt::AnyRef::Of(parent), rt::AnyRef::Of(limit)}});
  parent = 9;
  EXPECT_FALSE(vm_.RefreshRange());
  EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

// --- New records ---------------------------------------------------------------------------

TEST_F(ViewManagerTest, PrimeForInsertPutsTheNewRecordInsideTheRange) {
  int32_t two = 2;
  vm_.AppendSortOrder(Key(0));
  SetRange(kLimitEqualOnce, {{Field("IT:GROUP"), rt::AnyRef::Of(two)}});
  rt::testing::SetText(buf_.name, sizeof buf_.name, "junk", true);
  buf_.price = 9;
  ASSERT_EQ(vm_.PrimeForInsert(0), kLevelGoOn);
  EXPECT_EQ(Val(buf_.group), 2);
  EXPECT_EQ(Val(buf_.no), 3);  // numbered after the group's last
  EXPECT_EQ(rt::testing::Trimmed(buf_.name, sizeof buf_.name), "");
  EXPECT_EQ(Val(buf_.price), 0.0);
  rt::testing::SetText(buf_.name, sizeof buf_.name, "grape", true);
  ASSERT_EQ(fm_.Insert(), kLevelGoOn);
  vm_.StartAtBeginning();
  EXPECT_EQ(Read(), (Labels{"2/1", "2/2", "2/3"}));

  // A pair range primes its equalities only; keepBuffers keeps the rest of the record.
  int32_t three = 3;
  int16_t from = 5, to = 9;
  vm_.AppendSortOrder(Key(0));
  SetRange(kLimitBetween, {{Field("IT:GROUP"), rt::AnyRef::Of(three)},
                           {Field("IT:NO"), rt::AnyRef::Of(from)},
                           {Field("IT:NO"), rt::AnyRef::Of(to)}});
  rt::testing::SetText(buf_.name, sizeof buf_.name, "kept", true);
  ASSERT_EQ(vm_.PrimeForInsert(1), kLevelGoOn);
  EXPECT_EQ(Val(buf_.group), 3);
  EXPECT_EQ(Val(buf_.no), 2);
  EXPECT_EQ(rt::testing::Trimmed(buf_.name, sizeof buf_.name), "kept");
  EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

TEST_F(ViewManagerTest, PrimeForInsertReportsAFailedReservation) {
  auto decl = rt::testing::OddsDecl("kf");
  rt::testing::OddsRow row{};
  {
    rt::KeyedFile seed(*decl, &row);
    ASSERT_EQ(seed.Create(), 0);
    ASSERT_EQ(seed.Open(), 0);
    ASSERT_EQ(rt::testing::AddOdds(seed, row, {255}), 0);
  }
  rt::KeyedFile file(*decl, &row);
  FileManager fm;
  fm.Setup(&file, &errors_);
  fm.RegisterKey(&decl->Key(0), "row number", 1);
  RelationManager rm;
  rm.Setup(&fm, false);
  ASSERT_EQ(rm.Open(0), kLevelGoOn);
  rt::View view(&file);
  ViewManager vm;
  vm.Setup(&view, &rm);
  vm.AppendSortOrder(&decl->Key(0));

  backend().AnswerNextMessageBox(rt::kButtonNo);  // "Try again?"
  EXPECT_EQ(vm.PrimeForInsert(0), kLevelHandled);
  ASSERT_EQ(backend().MessageBoxes().size(), 1u);
  EXPECT_EQ(backend().MessageBoxes()[0].request.caption, "Auto Increment Error");
  vm.StartAtBeginning();
  EXPECT_EQ(vm.ReadNext(), kLevelGoOn);
  EXPECT_EQ(Val(row.nn), 255);
  EXPECT_EQ(vm.ReadNext(), kLevelHandled);  // nothing was added

  vm.CloseView();
  vm.Teardown();
  rm.Close(0);
  rm.Teardown();
  fm.Teardown();
}

// --- Reading -------------------------------------------------------------------------------

TEST_F(ViewManagerTest, ReadsForwardAndBackwardFromTheStartOrFromTheBuffer) {
  vm_.AppendSortOrder(Key(0));
  vm_.StartAtBeginning();
  EXPECT_EQ(Read(), kKeyOrder);
  vm_.StartAtBeginning();
  int last = 0;
  EXPECT_EQ(Read(false, &last), (Labels{"3/1", "2/2", "2/1", "1/4", "1/3", "1/2", "1/1"}));
  EXPECT_EQ(last, kLevelHandled);

  buf_.group = 2;
  vm_.StartAt(1);
  EXPECT_EQ(Read(), (Labels{"2/1", "2/2", "3/1"}));
  buf_.group = 2;
  vm_.StartAt(1);
  EXPECT_EQ(Read(false), (Labels{"2/2", "2/1", "1/4", "1/3", "1/2", "1/1"}));
}

TEST_F(ViewManagerTest, CheckRecordSkipsRecordsAndStopsOutOfRange) {
  vm_.judge = true;
  vm_.AppendSortOrder(Key(0));
  vm_.StartAtBeginning();
  int last = 0;
  EXPECT_EQ(Read(true, &last), (Labels{"1/1", "1/3", "2/1"}));
  EXPECT_EQ(last, kLevelHandled);
  vm_.StartAtBeginning();
  EXPECT_EQ(Read(false), Labels{});  // the last record is already out of range
}

// --- Errors --------------------------------------------------------------------------------

const std::string kViewOpenError =
    "View Open Error: Error: (%s) attempting to open the current VIEW. Filter and Range "
    "Limits ignored.";

std::string ViewOpenError(const std::string& error_text) {
  std::string s = kViewOpenError;
  return s.replace(s.find("%s"), 2, error_text);
}

TEST_F(ViewManagerTest, AFilterTheViewCannotReadIsError40AndTheViewReadsWithoutIt) {
  int32_t one = 1;
  vm_.AppendSortOrder(Key(0));
  SetRange(kLimitEqualOnce, {{Field("IT:GROUP"), rt::AnyRef::Of(one)}});
  vm_.SetStandardFilter("IT:NOPE = 1");
  backend().AnswerNextMessageBox(rt::kButtonOk);
  vm_.StartAtBeginning();
  EXPECT_EQ(Boxes(), std::vector<std::string>{ViewOpenError(
                         "Filter: unknown field 'IT:NOPE' (at position 19) (1)")});
  EXPECT_EQ(view_->FilterText(), "IT:GROUP = 1 AND (IT:NOPE = 1)");
  EXPECT_EQ(Read(), kKeyOrder);  // range and filter both ignored

  vm_.SetStandardFilter("");
  Apply();
  EXPECT_EQ(Read(), (Labels{"1/1", "1/2", "1/3", "1/4"}));
  EXPECT_EQ(Boxes().size(), 1u);

  // An order text the view cannot read: error 40 and record order.
  vm_.SetOrderText("IT:NOPE");
  backend().AnswerNextMessageBox(rt::kButtonOk);
  vm_.InstallOrder();
  vm_.StartAtBeginning();
  EXPECT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Read(), (Labels{"1/3", "1/1", "1/4", "1/2"}));
}

TEST_F(ViewManagerTest, AFilterTextOverItsBoundIsRefusedWholeNeverCut) {
  // "(" + text + ")" of exactly kMaxFilterTextBytes bytes is installed as it is.
  const size_t inner = kMaxFilterTextBytes - 2;
  std::string rest;
  while (8 + rest.size() + 13 < inner) rest += " OR IT:NO > 0";
  std::string text = "IT:NO" + std::string(inner - 8 - rest.size(), ' ') + "> 0" + rest;
  ASSERT_EQ(text.size(), inner);
  vm_.AppendSortOrder(Key(0));
  vm_.SetStandardFilter(text);
  vm_.StartAtBeginning();
  EXPECT_EQ(view_->FilterText().size(), kMaxFilterTextBytes);
  EXPECT_EQ(Read(), kKeyOrder);
  EXPECT_EQ(Boxes(), std::vector<std::string>{});

  vm_.SetStandardFilter(text + " OR IT:NO > 3");
  backend().AnswerNextMessageBox(rt::kButtonOk);
  Apply();
  EXPECT_EQ(Boxes(), std::vector<std::string>{ViewOpenError(
                         "Filter: the filter text is longer than 5000 bytes (1)")});
  EXPECT_EQ(view_->FilterText(), "");
  EXPECT_EQ(Read(), kKeyOrder);
}

TEST_F(ViewManagerTest, ARecordHeldByAnotherStationIsReadMarkedWithoutAMessage) {
  vm_.AppendSortOrder(Key(0));
  ItemRow row{};
  rt::KeyedFile other(*decl_, &row);
  ASSERT_EQ(other.Open(), 0);
  row.group = 1;
  row.no = 2;
  ASSERT_EQ(other.Hold(), 0);
  ASSERT_EQ(other.Get(*Key(0)), 0);
  // Each record read, "*" after the one another station holds.
  auto marked = [&](bool forward, int* last) {
    Labels out;
    while ((*last = forward ? vm_.ReadNext() : vm_.ReadPrevious()) == kLevelGoOn) {
      out.push_back(std::to_string(buf_.group) + "/" + std::to_string(buf_.no) +
                    (vm_.LastReadHeld() ? "*" : ""));
    }
    return out;
  };
  int last = 0;
  vm_.StartAtBeginning();
  EXPECT_EQ(marked(true, &last), (Labels{"1/1", "1/2*", "1/3", "1/4", "2/1", "2/2", "3/1"}));
  EXPECT_EQ(last, kLevelHandled);
  vm_.StartAtBeginning();
  EXPECT_EQ(marked(false, &last), (Labels{"3/1", "2/2", "2/1", "1/4", "1/3", "1/2*", "1/1"}));
  // The held record is judged by its values like any other: a filter can still leave it out.
  vm_.SetStandardFilter("IT:NO <> 2");
  vm_.InstallFilter();
  vm_.StartAtBeginning();
  EXPECT_EQ(marked(true, &last), (Labels{"1/1", "1/3", "1/4", "2/1", "3/1"}));
  vm_.SetStandardFilter("");
  vm_.InstallFilter();
  // Shown is not taken: the reader cannot change the record while it is held.
  vm_.StartAtBeginning();
  ASSERT_EQ(vm_.ReadNext(), kLevelGoOn);
  ASSERT_EQ(vm_.ReadNext(), kLevelGoOn);
  ASSERT_TRUE(vm_.LastReadHeld());
  EXPECT_NE(file_->Put(), 0);
  EXPECT_EQ(other.Release(), 0);
  vm_.StartAtBeginning();
  EXPECT_EQ(marked(true, &last), (Labels{"1/1", "1/2", "1/3", "1/4", "2/1", "2/2", "3/1"}));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ViewManagerTest, AReadErrorIsError1AndLevel3) {
  vm_.AppendSortOrder(Key(0));
  vm_.StartAtBeginning();
  vm_.CloseView();
  backend().AnswerNextMessageBox(rt::kButtonOk);
  EXPECT_EQ(vm_.ReadNext(), kLevelFatal);
  EXPECT_EQ(Boxes(), std::vector<std::string>{
                         "Record Retrieval Error: Error: (File not open (37)) attempting to "
                         "access a record from the items file.  Returning to previous window."});
}

// --- Open, close, teardown -----------------------------------------------------------------

TEST_F(ViewManagerTest, OpenAndCloseHappenOnceAndOpenOpensALazyFile) {
  vm_.AppendSortOrder(Key(0));
  vm_.StartAtBeginning();
  ASSERT_EQ(vm_.ReadNext(), kLevelGoOn);
  vm_.OpenView();  // already open: the view keeps its place
  EXPECT_EQ(Read(), (Labels{"1/2", "1/3", "1/4", "2/1", "2/2", "3/1"}));
  vm_.CloseView();
  EXPECT_EQ(vm_.OPENED, 0);
  EXPECT_FALSE(view_->IsOpen());
  vm_.CloseView();

  // The file was only opened lazily: opening the view opens it.
  rm_.Close(0);
  ASSERT_FALSE(file_->IsOpen());
  ASSERT_EQ(fm_.Open(), kLevelGoOn);
  EXPECT_FALSE(file_->IsOpen());
  vm_.OpenView();
  EXPECT_TRUE(file_->IsOpen());
  EXPECT_EQ(vm_.OPENED, 1);
  EXPECT_EQ(Read(), kKeyOrder);
  EXPECT_EQ(Boxes(), std::vector<std::string>{});
}

// What a derived manager (the browse) does: its own rows, longer than the view manager's.
struct ExtendedRow : SortOrderRow {
  void* LOCATOR;
  FieldPairs* RESETS;
  void* THUMB;
};

TEST_F(ViewManagerTest, ACallersExtendedListKeepsItsFieldsAndOutlivesTeardown) {
  rt::Queue<ExtendedRow> list;
  ViewManager vm;
  vm.Setup(view_.get(), &rm_, &list);
  EXPECT_EQ(vm.DISPOSEORDER, 0);
  int thumb = 0;
  vm.AppendSortOrder(Key(0));
  list.buffer.THUMB = &thumb;
  list.Put();
  vm.SetStandardFilter("IT:GROUP = 2");
  vm.SetOrderText("-IT:GROUP,-IT:NO");
  vm.AppendSortOrder(Key(1));
  EXPECT_EQ(list.buffer.THUMB, nullptr);
  ASSERT_TRUE(vm.SelectSortOrder(1));
  EXPECT_EQ(list.buffer.THUMB, &thumb);
  vm.StartAtBeginning();
  EXPECT_EQ(vm.ReadNext(), kLevelGoOn);
  EXPECT_EQ(Val(buf_.no), 2);
  EXPECT_EQ(view_->FilterText(), "(IT:GROUP = 2)");

  vm.CloseView();
  vm.Teardown();
  EXPECT_EQ(vm.ORDER, &list);
  ASSERT_EQ(list.Records(), 2u);
  for (size_t i = 1; i <= 2; ++i) {
    ASSERT_TRUE(list.Get(i));
    EXPECT_EQ(list.buffer.FILTER, nullptr);
    EXPECT_EQ(list.buffer.ORDER, nullptr);
    EXPECT_EQ(list.buffer.RANGELIST, nullptr);
    EXPECT_TRUE(list.buffer.FREEELEMENT.IsNull());
  }
  ASSERT_TRUE(list.Get(1));
  EXPECT_EQ(list.buffer.THUMB, &thumb);

  // An own list goes with Teardown; a second Teardown finds nothing to do.
  vm_.AppendSortOrder(Key(0));
  vm_.Teardown();
  EXPECT_EQ(vm_.ORDER, nullptr);
  vm_.Teardown();
  EXPECT_EQ(vm_.CurrentSortOrder(), nullptr);
}

}  // namespace
}  // namespace fw
