// A browse over a view reads a page, not the file: filling a page and paging down once must
// cost about the same on 1,000,000 records as on 1,000 (BM_BrowseFill/1000000 within about
// twice BM_BrowseFill/1000).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>

#include "framework/browse/browse_manager.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_manager.h"
#include "framework/window/window_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/transaction.h"
#include "runtime/files/view.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace {

#pragma pack(push, 1)
struct Rec {
  int32_t nn;
  double kf;
};
struct Row {
  int32_t nn;
  double kf;
  uint8_t mark;
  char position[1024];
};
#pragma pack(pop)

constexpr int kList = 3;

const rt::WindowResource& Resource() {
  static const rt::WindowResource* r = [] {
    auto* w = new rt::WindowResource;
    w->label = "BROWSE$BENCH";
    w->font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
    w->width = 210;
    w->height = 130;
    rt::ControlResource c;
    c.number = kList; c.kind = rt::ControlKind::kList; c.width = 59; c.height = 98;
    c.list_format = "[20R(5)|_@n7@30R(5)_M@n5.2@]"; c.page_mode = true; c.binding = 1;
    w->controls.push_back(c);
    return w;
  }();
  return *r;
}

struct Fixture {
  std::unique_ptr<rt::FileDeclaration> decl;
  Rec rec{};
  std::unique_ptr<rt::KeyedFile> file;
  fw::ErrorManager errors;
  fw::FileManager fm;
  fw::RelationManager rm;
  std::unique_ptr<rt::View> view;
  fw::WindowManager window;
  rt::Queue<Row> rows;
  rt::RecordDescriptor layout;
  rt::RecordDescriptor record;
  std::unique_ptr<rt::Window> win;
  fw::BrowseManager browse;
};

std::string BenchDir() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/browse_bench_XXXXXX";
    const char* made = mkdtemp(tmpl);
    return std::string(made ? made : "/tmp");
  }();
  return dir;
}

// No screen and no user: a message box (none is expected) is answered with its default.
class QuietBackend : public rt::Backend {
 public:
  int ShowMessageBox(const rt::MessageBoxRequest& request) override {
    return request.default_button;
  }
  void Beep() override {}
};

rt::Backend& Backend() {
  static rt::Backend* backend = [] {
    auto* b = new QuietBackend;
    rt::SetBackend(b);
    return b;
  }();
  return *backend;
}

Fixture* FixtureOf(int64_t records) {
  static std::map<int64_t, std::unique_ptr<Fixture>> made;
  auto& slot = made[records];
  if (slot) return slot.get();
  Backend();
  auto f = std::make_unique<Fixture>();
  f->record.Add("KF:NN", rt::Type::Long).Add("KF:KF", rt::Type::Real);
  rt::RecordDescriptor copy = f->record;
  f->decl = std::make_unique<rt::FileDeclaration>("KF", BenchDir() + "/kf" + std::to_string(records), copy);
  f->decl->AddKey("KF:nn_key").Ascending(0).Unique().MakePrimary();
  f->file = std::make_unique<rt::KeyedFile>(*f->decl, &f->rec);
  if (f->file->Create() != 0 || f->file->Open() != 0) return nullptr;
  const int64_t batch = 50000;
  for (int64_t start = 0; start < records; start += batch) {
    if (rt::Transaction::Start({f->file.get()}) != 0) return nullptr;
    for (int64_t i = start; i < records && i < start + batch; ++i) {
      f->rec.nn = static_cast<int32_t>(i + 1);
      f->rec.kf = 1.0 + static_cast<double>(i % 7) * 0.25;
      if (f->file->Add() != 0) return nullptr;
    }
    if (rt::Transaction::Commit() != 0) return nullptr;
  }
  f->file->Close();
  f->errors.Setup();
  f->fm.Setup(f->file.get(), &f->errors);
  f->fm.RegisterKey(&f->decl->Key(0), "number");
  f->rm.Setup(&f->fm, false);
  if (f->rm.Open(0) != 0) return nullptr;
  f->view = std::make_unique<rt::View>(f->file.get());
  f->layout.Add("NN", rt::Type::Long).Add("KF", rt::Type::Real).Add("MARK", rt::Type::Byte)
      .Add("VIEWPOSITION", rt::Type::String, 1024);
  f->win = rt::Window::Prepare(Resource(), {rt::Window::Binding(&f->rows, &f->layout)});
  if (!f->win) return nullptr;
  f->window.Setup();
  f->window.SetWindow(f->win.get());
  f->win->Open();
  f->win->SetPageRows(kList, 20);
  f->browse.Setup(kList, f->layout.Field(&f->rows.buffer, "VIEWPOSITION"), &f->window, &f->rm,
                  &f->rows, f->view.get());
  f->browse.AppendSortOrder(nullptr, &f->decl->Key(0));
  f->browse.BindField(f->record.Field(&f->rec, "KF:NN"), f->layout.Field(&f->rows.buffer, "NN"));
  f->browse.BindField(f->record.Field(&f->rec, "KF:KF"), f->layout.Field(&f->rows.buffer, "KF"));
  slot = std::move(f);
  return slot.get();
}

void BM_BrowseFill(benchmark::State& state) {
  const int64_t records = state.range(0);
  Fixture* f = FixtureOf(records);
  if (f == nullptr) {
    state.SkipWithError("building the file or the browse failed");
    return;
  }
  for (auto _ : state) {
    f->rows.Free();
    f->browse.CURRENTCHOICE = 0;
    f->browse.ReapplySort(true);       // fill the first page
    f->browse.StepOnePage(rt::kEventPageDown);
    if (f->rows.Records() != 20) {
      state.SkipWithError("the page did not fill");
      break;
    }
    benchmark::DoNotOptimize(f->rows.At(1)->nn);
  }
}
BENCHMARK(BM_BrowseFill)->Arg(1000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
