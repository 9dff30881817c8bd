// A window for the browse's own tests: a page-mode list of the odds table's layout over a real
// keyed file in a temporary folder, insert/change/delete buttons and the toolbar's buttons,
// with the file, relation and error managers a browse needs. Headless: tests script the user.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/browse/browse_manager.h"
#include "framework/browse/toolbar.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_manager.h"
#include "framework/window/window_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/view.h"
#include "runtime/headless/headless_backend.h"
#include "runtime/headless/headless_test_support.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw::test {

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

enum BrowseTestControl : int {
  kList = 3,
  kInsert = 9,
  kChange = 10,
  kDelete = 12,
  kOther = 17,
};
inline constexpr int kPageRows = 5;

inline const rt::WindowResource& BrowseTestResource() {
  static const rt::WindowResource* r = [] {
    auto* w = new rt::WindowResource;
    w->label = "BROWSE$TEST";
    w->font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
    w->width = 210;
    w->height = 130;
    rt::ControlResource c;
    c.number = kList; c.kind = rt::ControlKind::kList; c.x = 31; c.y = 16; c.width = 59;
    c.height = 98; c.list_format = "[20R(5)|_@n3@30R(5)_M@n5.2@]"; c.page_mode = true;
    c.vscroll = true; c.binding = 1;
    w->controls.push_back(c);
    auto button = [&](int number, const char* text) {
      rt::ControlResource b;
      b.number = number; b.kind = rt::ControlKind::kButton; b.x = 100; b.y = 10;
      b.width = 15; b.height = 12; b.text = text; b.skip_focus = number >= 2000;
      w->controls.push_back(b);
    };
    button(kInsert, "+");
    button(kChange, "?");
    button(kDelete, "--");
    button(kOther, "Other");
    for (int b = 2000; b <= 2012; ++b) button(b, "");
    return w;
  }();
  return *r;
}

// The browse's window procedure as a window class: opens the window and sets the browse up
// in the calculator window's order.
class BrowseTestWindow : public WindowManager {
 public:
  BrowseTestWindow(BrowseManager& browse, Toolbar& toolbar, RelationManager& rm, rt::View& view,
                   ErrorManager& errors, rt::RecordDescriptor& record, OddsRec& rec)
      : browse_(browse), toolbar_(toolbar), rm_(rm), view_(view), errors_(errors),
        record_(record), rec_(rec) {
    layout.Add("KF:NN", rt::Type::Byte).Add("KF:KF", rt::Type::Real).Add("MARK", rt::Type::Byte)
        .Add("VIEWPOSITION", rt::Type::String, 1024);
  }

  int Setup() override {
    int level = WindowManager::Setup();
    if (level != 0) return level;
    ERRORS = &errors_;
    VCRREQUEST = &navigation;
    SetToolbar(&toolbar_);
    std::string why;
    win = rt::Window::Prepare(BrowseTestResource(), {rt::Window::Binding(&rows, &layout)}, &why);
    EXPECT_TRUE(win) << why;
    if (!win) return 3;
    SetWindow(win.get());
    browse_.Setup(kList, layout.Field(&rows.buffer, "VIEWPOSITION"), this, &rm_, &rows, &view_);
    win->Open();
    win->SetPageRows(kList, kPageRows);
    OPENED = 1;
    browse_.AppendSortOrder(thumb, &rm_.ME->FILE->Declaration().Key(0));
    browse_.WatchField(record_.Field(&rec_, "KF:NN"));
    browse_.BindField(record_.Field(&rec_, "KF:NN"), layout.Field(&rows.buffer, "KF:NN"));
    browse_.BindField(record_.Field(&rec_, "KF:KF"), layout.Field(&rows.buffer, "KF:KF"));
    if (configure) configure(*this);
    browse_.AttachToolbar(&toolbar_);
    SetHistoryKeys();
    return 0;
  }

  // Keeps every event the window was given, for tests of what the browse posted.
  int DispatchEvent() override {
    if (const rt::Event* e = rt::CurrentEvent()) events.push_back(*e);
    return WindowManager::DispatchEvent();
  }
  // How many events number came for control.
  int EventsFor(int number, int control) const {
    int n = 0;
    for (const rt::Event& e : events) n += e.number == number && e.control == control;
    return n;
  }

  // The rows shown, as their numbers.
  std::vector<int> Shown() const {
    std::vector<int> out;
    for (size_t i = 1; i <= rows.Records(); ++i) out.push_back(rows.At(i)->nn);
    return out;
  }

  // Runs after the sort order is added and the fields bound, before the toolbar is attached
  // and the list prepared.
  std::function<void(BrowseTestWindow&)> configure;
  StepManager* thumb = nullptr;  // the sort order's thumb step object
  std::vector<rt::Event> events;
  rt::Queue<OddsListRow> rows;
  rt::RecordDescriptor layout;
  int32_t navigation = 0;
  std::unique_ptr<rt::Window> win;

 private:
  BrowseManager& browse_;
  Toolbar& toolbar_;
  RelationManager& rm_;
  rt::View& view_;
  ErrorManager& errors_;
  rt::RecordDescriptor& record_;
  OddsRec& rec_;
};

// The odds file with records 1..count (odds 1 + n/100), its managers and a view on it.
class BrowseFixture : public ::testing::Test {
 protected:
  BrowseFixture() : previous_(rt::SetBackend(&backend)) {
    record.Add("KF:NN", rt::Type::Byte).Add("KF:KF", rt::Type::Real);
  }
  ~BrowseFixture() override { rt::SetBackend(previous_); }

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
    fm.RegisterKey(&decl->Key(0), "row number", 1);
    rm.Setup(&fm, false);
    ASSERT_EQ(rm.Open(0), 0);
    view = std::make_unique<rt::View>(file.get());
    window = std::make_unique<BrowseTestWindow>(browse, toolbar, rm, *view, errors, record, rec);
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

  // Another copy of the program writes to the file.
  void OtherAdds(int nn) {
    OddsRec r{static_cast<uint8_t>(nn), 9.0};
    rt::KeyedFile other(*decl, &r);
    ASSERT_EQ(other.Open(), 0);
    ASSERT_EQ(other.Add(), 0);
  }
  void OtherDeletes(int nn) {
    OddsRec r{static_cast<uint8_t>(nn), 0};
    rt::KeyedFile other(*decl, &r);
    ASSERT_EQ(other.Open(), 0);
    ASSERT_EQ(other.Get(decl->Key(0)), 0);
    ASSERT_EQ(other.Delete(), 0);
  }
  std::vector<int> Stored() {
    OddsRec r{};
    rt::KeyedFile f(*decl, &r);
    std::vector<int> out;
    if (f.Open(rt::KeyedFile::kReadOnly) != 0) return out;
    f.Set(&decl->Key(0));
    while (f.Next() == 0) out.push_back(r.nn);
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
  Toolbar toolbar;
  std::unique_ptr<BrowseTestWindow> window;

 private:
  rt::Backend* previous_;
};

}  // namespace fw::test
