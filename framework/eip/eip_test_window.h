// A window for the edit-in-place tests: the calculator's odds list (row number, odds) over a
// real keyed file in a temporary folder, with insert/change/delete buttons, another button and
// an entry to leave the row for, set up in the calculator window's order with the row number
// not editable. Headless: tests script the user.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/browse/browse_manager.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/eip/row_in_place_editor.h"
#include "framework/errors/error_manager.h"
#include "framework/window/window_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event_loop.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/view.h"
#include "runtime/windows/properties.h"
#include "runtime/headless/headless_backend.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw::eiptest {

#pragma pack(push, 1)
struct OddsRec {
  uint8_t nn;
  double kf;
};
struct OddsListRow {
  uint8_t nn;
  double kf;
  uint8_t mark;
  char position[1024];
};
#pragma pack(pop)

enum EipTestControl : int {
  kList = 3,
  kStake = 5,  // an entry of the window, bound to a REAL
  kInsert = 9,
  kChange = 10,
  kDelete = 12,
  kOther = 17,
  // The runtime numbers controls made at run time above every existing one: the entry of the
  // first editable column.
  kFirstEditor = 18,
};
inline constexpr int kPageRows = 5;

// The odds the fixture stores for record n.
inline double Odds(int n) { return 1 + n / 100.0; }

inline const rt::WindowResource& EipTestResource() {
  static const rt::WindowResource* r = [] {
    auto* w = new rt::WindowResource;
    w->label = "EIP$TEST";
    w->font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
    w->width = 210;
    w->height = 130;
    rt::ControlResource c;
    c.number = kList; c.kind = rt::ControlKind::kList; c.x = 31; c.y = 16; c.width = 59;
    c.height = 98; c.list_format = "[20R(5)|_@n2@30R(5)_M@n5.2@]"; c.page_mode = true;
    c.vscroll = true; c.binding = 1;
    w->controls.push_back(c);
    rt::ControlResource e;
    e.number = kStake; e.kind = rt::ControlKind::kEntry; e.x = 95; e.y = 36; e.width = 25;
    e.height = 10; e.picture = "n_7.2"; e.binding = 2;
    w->controls.push_back(e);
    auto button = [&](int number, const char* text) {
      rt::ControlResource b;
      b.number = number; b.kind = rt::ControlKind::kButton; b.x = 100; b.y = 10;
      b.width = 15; b.height = 12; b.text = text;
      w->controls.push_back(b);
    };
    button(kInsert, "+");
    button(kChange, "?");
    button(kDelete, "--");
    button(kOther, "Other");
    return w;
  }();
  return *r;
}

// The test window's odds list over a list queue of its own, nothing behind it: for one editor
// tried alone.
class EditorTest : public rt::test::HeadlessTest {
 protected:
  void SetUp() override {
    layout.Add("KF:NN", rt::Type::Byte).Add("KF:KF", rt::Type::Real).Add("MARK", rt::Type::Byte)
        .Add("VIEWPOSITION", rt::Type::String, 1024);
    win = rt::Window::Prepare(EipTestResource(),
                              {rt::Window::Binding(&rows, &layout), rt::AnyRef::Of(stake)});
    ASSERT_TRUE(win);
  }
  rt::Queue<OddsListRow> rows;
  rt::RecordDescriptor layout;
  double stake = 0;
  std::unique_ptr<rt::Window> win;
};

class EipTestWindow : public WindowManager {
 public:
  EipTestWindow(BrowseManager& browse, RelationManager& rm, rt::View& view, ErrorManager& errors,
                rt::RecordDescriptor& record, OddsRec& rec)
      : browse_(browse), rm_(rm), view_(view), errors_(errors), record_(record), rec_(rec) {
    layout.Add("KF:NN", rt::Type::Byte).Add("KF:KF", rt::Type::Real).Add("MARK", rt::Type::Byte)
        .Add("VIEWPOSITION", rt::Type::String, 1024);
  }

  int Setup() override {
    int level = WindowManager::Setup();
    if (level != 0) return level;
    ERRORS = &errors_;
    VCRREQUEST = &navigation;
    std::string why;
    win = rt::Window::Prepare(EipTestResource(),
                              {rt::Window::Binding(&rows, &layout), rt::AnyRef::Of(stake)}, &why);
    EXPECT_TRUE(win) << why;
    if (!win) return 3;
    SetWindow(win.get());
    browse_.ROWEDITOR = &editor;
    browse_.Setup(kList, layout.Field(&rows.buffer, "VIEWPOSITION"), this, &rm_, &rows, &view_);
    win->Open();
    win->SetPageRows(kList, kPageRows);
    OPENED = 1;
    browse_.AppendSortOrder(nullptr, &rm_.ME->FILE->Declaration().Key(0));
    browse_.WatchField(record_.Field(&rec_, "KF:NN"));
    browse_.BindField(record_.Field(&rec_, "KF:NN"), layout.Field(&rows.buffer, "KF:NN"));
    browse_.BindField(record_.Field(&rec_, "KF:KF"), layout.Field(&rows.buffer, "KF:KF"));
    if (number_read_only) browse_.AttachEditor(nullptr, 1, 0);
    browse_.ARROWACTION = 24;
    browse_.INSERTCONTROL = kInsert;
    browse_.CHANGECONTROL = kChange;
    browse_.DELETECONTROL = kDelete;
    if (configure) configure(*this);
    SetHistoryKeys();
    return 0;
  }

  int OnAccepted() override {
    accepted.push_back(rt::Accepted());
    return WindowManager::OnAccepted();
  }

  // The rows shown, as (number, odds).
  std::vector<std::pair<int, double>> Shown() const {
    std::vector<std::pair<int, double>> out;
    for (size_t i = 1; i <= rows.Records(); ++i) {
      const OddsListRow* row = rows.At(i);
      out.emplace_back(int{row->nn}, double{row->kf});  // packed fields: by value
    }
    return out;
  }
  int32_t FloatedEditor(int column) const {
    return static_cast<int32_t>(win->PropertyInt(kList, rt::kPropColumnEditor, column));
  }
  int32_t Selected() const { return static_cast<int32_t>(win->PropertyInt(kList, rt::kPropSelected)); }

  bool number_read_only = true;
  std::function<void(EipTestWindow&)> configure;
  rt::Queue<OddsListRow> rows;
  rt::RecordDescriptor layout;
  double stake = 0;
  int32_t navigation = 0;
  std::vector<int> accepted;  // controls accepted, as the window saw them
  RowInPlaceEditor editor;
  std::unique_ptr<rt::Window> win;

 private:
  BrowseManager& browse_;
  RelationManager& rm_;
  rt::View& view_;
  ErrorManager& errors_;
  rt::RecordDescriptor& record_;
  OddsRec& rec_;
};

// The odds file with records 1..count (odds 1 + n/100, shown "1.01", "1.02", ...), its
// managers, numbered automatically like the calculator's, and a view on it.
class EipFixture : public ::testing::Test {
 protected:
  EipFixture() : previous_(rt::SetBackend(&backend)) {
    record.Add("KF:NN", rt::Type::Byte).Add("KF:KF", rt::Type::Real);
    EditColumn = 1;
  }
  ~EipFixture() override { rt::SetBackend(previous_); }

  void Open(int count) {
    rt::RecordDescriptor copy = record;
    decl = std::make_unique<rt::FileDeclaration>("KF", folder.File("kf"), copy);
    decl->AddKey("KF:nn_key").Ascending(0).Unique().MakePrimary();
    {
      OddsRec r{};
      rt::KeyedFile f(*decl, &r);
      ASSERT_EQ(f.Create(), 0);
      ASSERT_EQ(f.Open(), 0);
      for (int i = 1; i <= count; ++i) {
        r.nn = static_cast<uint8_t>(i);
        r.kf = 1 + i / 100.0;
        ASSERT_EQ(f.Add(), 0);
      }
    }
    errors.Setup();
    file = std::make_unique<rt::KeyedFile>(*decl, &rec);
    fm.Setup(file.get(), &errors);
    fm.RegisterKey(&decl->Key(0), "KF:nn_key", 1);
    rm.Setup(&fm, true);
    ASSERT_EQ(rm.Open(0), 0);
    view = std::make_unique<rt::View>(file.get());
    window = std::make_unique<EipTestWindow>(browse, rm, *view, errors, record, rec);
  }

  void TearDown() override {
    if (view && view->IsOpen()) view->Close();
    if (file) {
      rm.Close(0);
      rm.Teardown();
      fm.Teardown();
      errors.Teardown();
    }
    rt::test::ExpectScriptFollowed(backend);
  }

  // The user types into the odds column's entry (staying in it) and presses keys there.
  void TypeOdds(const char* text) { backend.Type(kFirstEditor, text, false); }
  void Key(int key) { backend.PressKey(kFirstEditor, key); }

  // The records in the file, as (number, odds), read by another connection.
  std::vector<std::pair<int, double>> Stored() {
    OddsRec r{};
    rt::KeyedFile f(*decl, &r);
    std::vector<std::pair<int, double>> out;
    if (f.Open(rt::KeyedFile::kReadOnly) != 0) return out;
    f.Set(&decl->Key(0));
    while (f.Next() == 0) out.emplace_back(int{r.nn}, double{r.kf});
    return out;
  }

  rt::HeadlessBackend backend;
  rt::TempFolder folder;
  rt::RecordDescriptor record;
  std::unique_ptr<rt::FileDeclaration> decl;
  OddsRec rec{};
  ErrorManager errors;
  std::unique_ptr<rt::KeyedFile> file;
  FileManager fm;
  RelationManager rm;
  std::unique_ptr<rt::View> view;
  BrowseManager browse;
  std::unique_ptr<EipTestWindow> window;

 private:
  rt::Backend* previous_;
};

}  // namespace fw::eiptest
