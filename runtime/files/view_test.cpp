#include "runtime/files/view.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "runtime/core/error_codes.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/test_store.h"
#include "runtime/core/last_error.h"
#include "runtime/values/text.h"

namespace rt {
namespace {

#pragma pack(push, 1)
struct Rec {
  int32_t nn;
  double kf;
  char name[20];
};
#pragma pack(pop)

struct Model {
  int nn;
  double kf;
  std::string name;
};

// Every test runs on both stores.
class ViewTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    ASSERT_EQ(store_.Error(), "");
    char tmpl[] = "/tmp/view_test_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    decl_ = MakeDeclaration(dir_ + "/kf");
    file_ = std::make_unique<KeyedFile>(*decl_, &rec_);
    ASSERT_EQ(file_->Create(), 0) << GetLastError().file_text;
    ASSERT_EQ(file_->Open(), 0) << GetLastError().file_text;
  }
  void TearDown() override {
    view_.reset();
    file_.reset();
    std::filesystem::remove_all(dir_);
  }

  static std::unique_ptr<FileDeclaration> MakeDeclaration(const std::string& name) {
    RecordDescriptor r;
    r.Add("KF:NN", Type::Long).Add("KF:KF", Type::Real).Add("KF:NAME", Type::String, 20);
    auto d = std::make_unique<FileDeclaration>("KF", name, r);
    d->AddKey("KF:nn_key").Ascending(0).Unique().MakePrimary();
    d->AddKey("KF:name_key").Ascending(2).AllowDuplicates().IgnoreCase();
    d->AddKey("KF:kf_key").Descending(1).Ascending(0).Unique();
    return d;
  }

  void Add(int nn, double kf, const std::string& name) {
    file_->Clear();
    rec_.nn = nn;
    rec_.kf = kf;
    std::memset(rec_.name, ' ', sizeof rec_.name);
    std::memcpy(rec_.name, name.data(), std::min(name.size(), sizeof rec_.name));
    ASSERT_EQ(file_->Add(), 0) << GetLastError().file_text;
    model_.push_back({nn, kf, name});
  }

  // Deletes the record with this number through the file.
  void Delete(int nn) {
    file_->Clear();
    rec_.nn = nn;
    ASSERT_EQ(file_->Get(decl_->Key(0)), 0);
    ASSERT_EQ(file_->Delete(), 0);
    model_.erase(std::remove_if(model_.begin(), model_.end(),
                                [nn](const Model& m) { return m.nn == nn; }),
                 model_.end());
  }

  // Twenty records with repeated odds and names in mixed case, Latin and Cyrillic.
  void AddStandardRecords() {
    const char* names[] = {"beta", "Alpha", "ёлка", "ЁЛКА", "gamma", "ALPHA", "Beta", "delta"};
    for (int i = 1; i <= 20; ++i) Add(i * 3 % 23, 1.0 + (i % 4) * 0.5, names[i % 8]);
  }

  void OpenView(const std::string& order, const std::string& filter, int page_size = 20) {
    view_ = std::make_unique<View>(file_.get());
    ASSERT_EQ(view_->Open(), 0);
    ASSERT_EQ(view_->SetBuffering(page_size, 2, 0, 60), 0);
    ASSERT_EQ(view_->SetOrder(order), 0) << GetLastError().file_text;
    ASSERT_EQ(view_->SetFilter(filter), 0) << GetLastError().file_text;
  }

  // Record numbers read until the view reports 33.
  std::vector<int> ReadAll(bool forward, size_t limit = 1000) {
    std::vector<int> out;
    while (out.size() < limit) {
      int rc = forward ? view_->Next() : view_->Previous();
      if (rc == kNoRecordAvailable) break;
      EXPECT_EQ(rc, 0) << GetLastError().file_text;
      if (rc != 0) break;
      out.push_back(rec_.nn);
    }
    return out;
  }

  int ReadOne(bool forward) {
    int rc = forward ? view_->Next() : view_->Previous();
    return rc == 0 ? rec_.nn : -rc;
  }

  std::vector<int> Expected(const std::function<bool(const Model&, const Model&)>& less,
                            const std::function<bool(const Model&)>& keep) {
    std::vector<Model> m;
    for (const Model& r : model_) {
      if (keep(r)) m.push_back(r);
    }
    std::stable_sort(m.begin(), m.end(), less);  // the model is in id order: ties by id
    std::vector<int> out;
    for (const Model& r : m) out.push_back(r.nn);
    return out;
  }

  testing::TestStore store_{GetParam()};  // first made, last gone
  std::string dir_;
  std::unique_ptr<FileDeclaration> decl_;
  Rec rec_{};
  std::unique_ptr<KeyedFile> file_;
  std::unique_ptr<View> view_;
  std::vector<Model> model_;
};

INSTANTIATE_TEST_SUITE_P(Stores, ViewTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                           return i.param ? "Server" : "Local";
                         });

TEST_P(ViewTest, EveryOrderAndFilterReadsTheRightRecordsBothWays) {
  AddStandardRecords();
  using Less = std::function<bool(const Model&, const Model&)>;
  using Keep = std::function<bool(const Model&)>;
  struct Order {
    const char* text;
    Less less;
  } orders[] = {
      {"KF:NN", [](const Model& a, const Model& b) { return a.nn < b.nn; }},
      {"-KF:NN", [](const Model& a, const Model& b) { return a.nn > b.nn; }},
      {"", [](const Model&, const Model&) { return false; }},  // record order
      {"KF:KF", [](const Model& a, const Model& b) { return a.kf < b.kf; }},
      {"-KF:KF,KF:NN", [](const Model& a, const Model& b) {
         return a.kf != b.kf ? a.kf > b.kf : a.nn < b.nn; }},
      {"UPPER(KF:NAME)", [](const Model& a, const Model& b) { return Upper(a.name) < Upper(b.name); }},
      {"-UPPER(KF:NAME),-KF:KF", [](const Model& a, const Model& b) {
         std::string ua = Upper(a.name), ub = Upper(b.name);
         return ua != ub ? ua > ub : a.kf > b.kf; }},
      {"kf:name", [](const Model& a, const Model& b) { return a.name < b.name; }},
      {"NAME,-NN", [](const Model& a, const Model& b) {
         return a.name != b.name ? a.name < b.name : a.nn > b.nn; }},
  };
  struct Filter {
    const char* text;
    Keep keep;
  } filters[] = {
      {"", [](const Model&) { return true; }},
      {"KF:NN > 10", [](const Model& m) { return m.nn > 10; }},
      {"UPPER(KF:NAME) = 'ALPHA' OR KF:KF = 2.5", [](const Model& m) { return Upper(m.name) == "ALPHA" || m.kf == 2.5; }},
      {"NOT (KF:KF < 2) AND UPPER(SUB(KF:NAME,1,1)) = 'Ё'", [](const Model& m) { return m.kf >= 2 && Upper(m.name).rfind("Ё", 0) == 0; }},
      {"KF:KF ~< 2 AND KF:NAME ~= 'alpha'", [](const Model& m) { return m.kf >= 2 && m.name != "alpha"; }},
      {"KF:NN > 1000", [](const Model&) { return false; }},
  };
  for (const Order& o : orders) {
    for (const Filter& f : filters) {
      for (int page : {1, 3, 20}) {
        SCOPED_TRACE(std::string("order '") + o.text + "' filter '" + f.text + "' page " + std::to_string(page));
        OpenView(o.text, f.text, page);
        std::vector<int> want = Expected(o.less, f.keep);
        EXPECT_EQ(ReadAll(true), want);
        ASSERT_EQ(view_->Set(0), 0);
        std::reverse(want.begin(), want.end());
        EXPECT_EQ(ReadAll(false), want);  // previous from the start: from the last record
      }
    }
  }
}

TEST_P(ViewTest, SetStartsAtTheBufferValuesOfTheFirstComponents) {
  AddStandardRecords();
  OpenView("-KF:KF,KF:NN", "", 3);
  // Odds 2.5, 2.0, 1.5, 1.0 appear five times each.
  rec_.kf = 2.0;
  rec_.nn = 9;
  ASSERT_EQ(view_->Set(1), 0);
  std::vector<int> want = Expected([](const Model& a, const Model& b) {
    return a.kf != b.kf ? a.kf > b.kf : a.nn < b.nn; }, [](const Model& m) { return m.kf <= 2.0; });
  EXPECT_EQ(ReadAll(true), want);  // from the first record with odds 2.0

  rec_.kf = 2.0;  // the reads loaded other records into the buffer
  ASSERT_EQ(view_->Set(1), 0);
  want = Expected([](const Model& a, const Model& b) {
    return a.kf != b.kf ? a.kf < b.kf : a.nn > b.nn; }, [](const Model& m) { return m.kf >= 2.0; });
  EXPECT_EQ(ReadAll(false), want);  // back from the last record with odds 2.0

  rec_.kf = 2.0;
  rec_.nn = 9;
  ASSERT_EQ(view_->Set(2), 0);  // odds 2.0 and number at or after 9
  want = Expected([](const Model& a, const Model& b) {
    return a.kf != b.kf ? a.kf > b.kf : a.nn < b.nn; },
    [](const Model& m) { return m.kf < 2.0 || (m.kf == 2.0 && m.nn >= 9); });
  EXPECT_EQ(ReadAll(true), want);

  rec_.kf = 2.0;
  rec_.nn = 9;
  ASSERT_EQ(view_->Set(7), 0);  // more components than the order has: all of them
  EXPECT_EQ(ReadAll(true), want);
}

TEST_P(ViewTest, SetOnACaseInsensitiveComponentFoldsTheBufferValue) {
  AddStandardRecords();
  OpenView("UPPER(KF:NAME),KF:NN", "");
  std::memcpy(rec_.name, "delta               ", 20);
  ASSERT_EQ(view_->Set(1), 0);
  int first = ReadOne(true);
  EXPECT_EQ(Clip(std::string(rec_.name, 20)), "delta");
  EXPECT_GT(first, 0);
  std::memcpy(rec_.name, "b                   ", 20);
  ASSERT_EQ(view_->Set(1), 0);
  ReadOne(true);
  EXPECT_EQ(Upper(std::string(Clip(std::string(rec_.name, 20)))), "BETA");
}

TEST_P(ViewTest, NextAndPreviousTurnAroundAtTheCurrentRecord) {
  for (int i = 1; i <= 10; ++i) Add(i, i, "x");
  OpenView("KF:NN", "", 4);
  EXPECT_EQ(ReadOne(true), 1);
  EXPECT_EQ(ReadOne(true), 2);
  EXPECT_EQ(ReadOne(true), 3);
  EXPECT_EQ(ReadOne(false), 2);
  EXPECT_EQ(ReadOne(false), 1);
  EXPECT_EQ(ReadOne(false), -kNoRecordAvailable);
  EXPECT_EQ(ReadOne(true), 2);  // a read that found nothing left record 1 current
  EXPECT_EQ(view_->Set(0), 0);
  EXPECT_EQ(ReadOne(false), 10);
  EXPECT_EQ(ReadOne(false), 9);
  EXPECT_EQ(ReadOne(true), 10);
  EXPECT_EQ(ReadOne(true), -kNoRecordAvailable);
  EXPECT_EQ(ReadOne(false), 9);
}

TEST_P(ViewTest, SettingTheSameTextsAgainGoesBackToTheStart) {
  for (int i = 1; i <= 5; ++i) Add(i, i, "s");
  OpenView("-KF:NN", "KF:NN <> 4", 2);
  EXPECT_EQ(ReadOne(true), 5);
  EXPECT_EQ(ReadOne(true), 3);
  std::string pos = view_->Position();
  ASSERT_EQ(view_->SetOrder("-KF:NN"), 0);
  EXPECT_EQ(ReadOne(true), 5);
  ASSERT_EQ(view_->SetFilter("KF:NN <> 4"), 0);
  EXPECT_EQ(ReadOne(true), 5);
  ASSERT_EQ(view_->Reset(pos), 0);  // positions made before still read in the same order
  EXPECT_EQ(ReadOne(true), 3);
  EXPECT_EQ(ReadOne(true), 2);
  EXPECT_EQ(view_->SetFilter("KF:NN <> "), kDriverError);  // a bad text is reported each time
  EXPECT_EQ(view_->SetFilter("KF:NN <> "), kDriverError);
  EXPECT_EQ(ReadAll(true), (std::vector<int>{5, 4, 3, 2, 1}));
}

TEST_P(ViewTest, PositionsSurviveInsertsAndDeletesAroundThem) {
  for (int i = 10; i <= 100; i += 10) Add(i, 1.5, "r");
  OpenView("-KF:KF,KF:NN", "KF:NN <> 20", 3);
  ASSERT_EQ(ReadOne(true), 10);
  ASSERT_EQ(ReadOne(true), 30);
  ASSERT_EQ(ReadOne(true), 40);
  std::string pos = view_->Position();
  ASSERT_FALSE(pos.empty());
  EXPECT_EQ(pos.find(' '), std::string::npos);

  Add(35, 1.5, "new before");
  Add(45, 1.5, "new after");
  Add(1, 9.0, "new first");
  Delete(30);
  Delete(50);

  ASSERT_EQ(view_->Reset(pos), 0);
  EXPECT_EQ(ReadOne(true), 40);  // the record itself first
  EXPECT_EQ(ReadOne(true), 45);
  EXPECT_EQ(ReadOne(true), 60);
  ASSERT_EQ(view_->Reset(pos), 0);
  EXPECT_EQ(ReadOne(false), 40);  // backward too
  EXPECT_EQ(ReadOne(false), 35);
  EXPECT_EQ(ReadOne(false), 10);
  EXPECT_EQ(ReadOne(false), 1);
  EXPECT_EQ(ReadOne(false), -kNoRecordAvailable);
}

// Another handle holds record 2 (the same refusal another copy meets): reading it through
// the view gives 43 with its values and its position, so a list can show it, but it is not
// the file's current record.
TEST_P(ViewTest, AHeldRecordIsReadForShowingButNotTaken) {
  Add(1, 1.5, "one");
  Add(2, 2.5, "two");
  Add(3, 3.5, "three");
  Rec other_rec{};
  KeyedFile other(*decl_, &other_rec);
  ASSERT_EQ(other.Open(), 0);
  other_rec.nn = 2;
  ASSERT_EQ(other.Hold(), 0);
  ASSERT_EQ(other.Get(decl_->Key(0)), 0);
  OpenView("KF:NN", "");
  ASSERT_EQ(view_->Next(), 0);
  ASSERT_EQ(view_->Next(), kRecordHeld);
  EXPECT_EQ(rec_.nn, 2);
  EXPECT_EQ(double{rec_.kf}, 2.5);
  const std::string held = view_->Position();
  EXPECT_EQ(GetLastError().code, kNoError);
  EXPECT_EQ(file_->Put(), kRecordHeld) << "shown, not taken: the write says why";
  EXPECT_EQ(ReadOne(true), 3);
  EXPECT_EQ(view_->Previous(), kRecordHeld);
  EXPECT_EQ(view_->Position(), held);
  EXPECT_EQ(ReadOne(false), 1);
  ASSERT_EQ(other.Release(), 0);
  ASSERT_EQ(view_->Reset(held), 0);
  EXPECT_EQ(ReadOne(true), 2);
}

TEST_P(ViewTest, ResetAtADeletedRecordReadsOnFromItsNeighbours) {
  for (int i = 1; i <= 9; ++i) Add(i, 2.0, "n");
  OpenView("KF:NN", "", 2);
  for (int i = 1; i <= 5; ++i) ReadOne(true);
  std::string pos = view_->Position();  // record 5
  Delete(5);
  ASSERT_EQ(view_->Reset(pos), 0);
  EXPECT_EQ(ReadOne(true), 6);
  ASSERT_EQ(view_->Reset(pos), 0);
  EXPECT_EQ(ReadOne(false), 4);
  EXPECT_EQ(view_->Reget(pos), kRecordNotFound);
}

TEST_P(ViewTest, PositionsOfAnotherOrderFindTheRecordById) {
  AddStandardRecords();
  OpenView("KF:NN", "");
  for (int i = 0; i < 4; ++i) ReadOne(true);
  int nn = rec_.nn;
  std::string pos = view_->Position();
  ASSERT_EQ(view_->SetOrder("-UPPER(KF:NAME),KF:NN"), 0);
  ASSERT_EQ(view_->Reset(pos), 0);
  EXPECT_EQ(ReadOne(true), nn);

  std::string file_pos = "R1";  // the file's own record-order position
  ASSERT_EQ(view_->Reset(file_pos), 0);
  EXPECT_EQ(ReadOne(true), model_[0].nn);

  EXPECT_EQ(view_->Reset("nonsense"), kRecordNotFound);
  EXPECT_EQ(view_->Reset("R999999"), kRecordNotFound);
  EXPECT_EQ(view_->Reset(""), kRecordNotFound);
}

TEST_P(ViewTest, PositionTextsEscapeBlanksAndBarsAndStayDistinct) {
  Add(1, 1, "a b|c%");
  Add(2, 1, "a b|c% ");  // equal once clipped: told apart by the id
  Add(3, 1, "a b|d");
  OpenView("KF:NAME", "");
  std::vector<std::string> positions;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(view_->Next(), 0);
    positions.push_back(view_->Position());
    EXPECT_EQ(positions.back().find(' '), std::string::npos) << positions.back();
  }
  EXPECT_NE(positions[0], positions[1]);
  for (int i = 2; i >= 0; --i) {
    ASSERT_EQ(view_->Reset(positions[static_cast<size_t>(i)]), 0);
    EXPECT_EQ(ReadOne(true), i + 1);
  }
  // A position kept in a blank-padded field comes back with blanks after it.
  ASSERT_EQ(view_->Reset(positions[2] + "     "), 0);
  EXPECT_EQ(ReadOne(true), 3);
}

TEST_P(ViewTest, RegetReadsTheRecordAgainWithoutMovingTheView) {
  for (int i = 1; i <= 5; ++i) Add(i, i * 1.5, "r");
  OpenView("KF:NN", "");
  ReadOne(true);
  ReadOne(true);
  std::string pos2 = view_->Position();
  ReadOne(true);
  ASSERT_EQ(view_->Reget(pos2), 0);
  int32_t nn = rec_.nn;  // packed fields are copied out before the checks take references
  double kf = rec_.kf;
  EXPECT_EQ(nn, 2);
  EXPECT_DOUBLE_EQ(kf, 3.0);
  EXPECT_EQ(ReadOne(true), 4);  // the sequence goes on after record 3
}

TEST_P(ViewTest, WatchedRegetMakesAPutFailWhenAnotherCopyChangedTheRecord) {
  for (int i = 1; i <= 3; ++i) Add(i, 1.0, "w");
  OpenView("KF:NN", "");
  ReadOne(true);
  std::string pos = view_->Position();
  ASSERT_EQ(view_->Watch(), 0);
  ASSERT_EQ(view_->Reget(pos), 0);

  Rec other_rec{};
  KeyedFile other(*decl_, &other_rec);
  ASSERT_EQ(other.Open(), 0);
  other_rec.nn = 1;
  ASSERT_EQ(other.Get(decl_->Key(0)), 0);
  other_rec.kf = 7.0;
  ASSERT_EQ(other.Put(), 0);

  rec_.kf = 5.0;
  EXPECT_EQ(file_->Put(), kRecordChanged);
}

TEST_P(ViewTest, RecordsReadThroughTheViewCanBeChangedThroughTheFile) {
  for (int i = 1; i <= 3; ++i) Add(i, 1.0, "p");
  OpenView("KF:NN", "");
  ReadOne(true);
  ReadOne(true);
  rec_.kf = 8.5;
  ASSERT_EQ(file_->Put(), 0) << GetLastError().file_text;
  ASSERT_EQ(view_->Flush(), 0);
  ASSERT_EQ(view_->SetFilter("KF:KF = 8.5"), 0);
  EXPECT_EQ(ReadAll(true), std::vector<int>{2});
}

TEST_P(ViewTest, ResetFromFileStartsAtTheFilesCurrentRecord) {
  AddStandardRecords();
  OpenView("UPPER(KF:NAME),KF:NN", "");
  rec_.nn = 12;
  ASSERT_EQ(file_->Get(decl_->Key(0)), 0);
  ASSERT_EQ(view_->ResetFromFile(), 0);
  EXPECT_EQ(ReadOne(true), 12);
  ASSERT_EQ(view_->ResetFromFile(), 0);
  EXPECT_EQ(ReadOne(false), 12);
}

TEST_P(ViewTest, FlushMakesTheNextReadSeeNewRecords) {
  for (int i = 10; i <= 50; i += 10) Add(i, 1.0, "f");
  OpenView("KF:NN", "", 20);
  EXPECT_EQ(ReadOne(true), 10);
  Add(15, 1.0, "new");
  EXPECT_EQ(ReadOne(true), 20);  // the page read before the insert
  ASSERT_EQ(view_->Flush(), 0);
  ASSERT_EQ(view_->Set(0), 0);
  EXPECT_EQ(ReadOne(true), 10);
  EXPECT_EQ(ReadOne(true), 15);
}

TEST_P(ViewTest, PagesOlderThanTheTimeOutAreReadAgain) {
  for (int i = 10; i <= 50; i += 10) Add(i, 1.0, "t");
  OpenView("KF:NN", "", 20);
  ASSERT_EQ(view_->SetBuffering(20, 2, 0, 1), 0);
  EXPECT_EQ(ReadOne(true), 10);
  Add(15, 1.0, "new");
  usleep(1100 * 1000);
  EXPECT_EQ(ReadOne(true), 15);
}

TEST_P(ViewTest, UnreadableFilterOrOrderIsAnErrorAndTheViewReadsWithoutIt) {
  for (int i = 1; i <= 4; ++i) Add(5 - i, 1.0, "e");  // ids in reverse number order
  view_ = std::make_unique<View>(file_.get());
  ASSERT_EQ(view_->Open(), 0);
  ASSERT_EQ(view_->SetOrder("KF:NN"), 0);
  EXPECT_EQ(view_->SetFilter("KF:XX = 1"), kDriverError);
  EXPECT_EQ(GetLastError().code, kDriverError);
  EXPECT_NE(GetLastError().file_text.find("unknown field 'KF:XX'"), std::string::npos)
      << GetLastError().file_text;
  EXPECT_EQ(ReadAll(true), (std::vector<int>{1, 2, 3, 4}));

  EXPECT_EQ(view_->SetFilter("KF:NN = (1"), kDriverError);
  EXPECT_NE(GetLastError().file_text.find("parentheses"), std::string::npos);
  EXPECT_EQ(ReadAll(true).size(), 4u);

  EXPECT_EQ(view_->SetOrder("KF:NN,,"), kDriverError);
  EXPECT_EQ(ReadAll(true), (std::vector<int>{4, 3, 2, 1}));  // record order
  EXPECT_EQ(view_->SetOrder("-KF:NN"), 0);
  EXPECT_EQ(ReadAll(true), (std::vector<int>{4, 3, 2, 1}));
}

TEST_P(ViewTest, ClosedViewsAndFilesAreRefused) {
  Add(1, 1.0, "c");
  View view(file_.get());
  EXPECT_EQ(view.Next(), kFileNotOpen);
  EXPECT_EQ(view.Set(0), kFileNotOpen);
  EXPECT_EQ(view.Close(), kFileNotOpen);
  ASSERT_EQ(view.Open(), 0);
  EXPECT_EQ(view.Open(), kFileAlreadyOpen);
  EXPECT_EQ(view.Position(), "");
  EXPECT_EQ(GetLastError().code, kNoRecordAvailable);
  EXPECT_EQ(view.Next(), 0);
  EXPECT_EQ(view.Close(), 0);
  EXPECT_EQ(view.Next(), kFileNotOpen);

  ASSERT_EQ(file_->Close(), 0);
  EXPECT_EQ(view.Open(), kFileNotOpen);
  EXPECT_EQ(view.File(1), file_.get());
  EXPECT_EQ(view.File(2), nullptr);
}

TEST_P(ViewTest, AViewOpensAgainOnItsFileReopened) {
  for (int i = 1; i <= 3; ++i) Add(i, 1.0, "z");
  OpenView("KF:NN", "KF:NN >= 2");
  EXPECT_EQ(ReadOne(true), 2);
  ASSERT_EQ(view_->Close(), 0);
  ASSERT_EQ(file_->Close(), 0);
  EXPECT_EQ(view_->Open(), kFileNotOpen);
  ASSERT_EQ(file_->Open(), 0);
  ASSERT_EQ(view_->Open(), 0);  // order and filter are kept
  EXPECT_EQ(ReadAll(true), (std::vector<int>{2, 3}));
}

// The leak check of the sanitizer build is what proves the connection is freed here.
TEST_P(ViewTest, ClosingTheFileUnderAnOpenViewFreesTheConnectionOnceTheViewLetsGo) {
  for (int i = 1; i <= 3; ++i) Add(i, 1.0, "z");
  OpenView("KF:NN", "");
  EXPECT_EQ(ReadOne(true), 1);
  ASSERT_EQ(file_->Close(), 0);
  EXPECT_EQ(view_->Next(), kFileNotOpen);
  view_.reset();
  ASSERT_EQ(file_->Open(), 0);
  EXPECT_EQ(file_->Records(), 3);
}

}  // namespace
}  // namespace rt
