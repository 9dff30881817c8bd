// The table the view benchmarks page through, on either store: its record and declaration, and
// the page a browse reads from its middle.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/files/file_declaration.h"
#include "runtime/files/view.h"

namespace bench {

#pragma pack(push, 1)
struct ViewRecord {
  int32_t nn;
  double kf;
  char name[20];
};
#pragma pack(pop)

inline std::unique_ptr<rt::FileDeclaration> ViewDeclaration(const std::string& name) {
  rt::RecordDescriptor r;
  r.Add("KF:NN", rt::Type::Long).Add("KF:KF", rt::Type::Real).Add("KF:NAME", rt::Type::String, 20);
  auto d = std::make_unique<rt::FileDeclaration>("KF", name, r);
  d->AddKey("KF:nn_key").Ascending(0).Unique().MakePrimary();
  d->AddKey("KF:name_key").Ascending(2).AllowDuplicates().IgnoreCase();
  return d;
}

// The view a browse keeps open: in number order, through a filter the file has no key for.
inline void OpenPagingView(rt::View& view) {
  view.Open();
  view.SetOrder("KF:NN");
  view.SetFilter("KF:KF > 1.5 AND INSTRING('name', KF:NAME, 1, 1) = 1");
}

// Each iteration repositions the open view at the middle of `records` and reads a page of 20.
inline void ReadMiddlePages(benchmark::State& state, rt::View& view, ViewRecord& rec,
                            int64_t records) {
  for (auto _ : state) {
    rec.nn = static_cast<int32_t>(records / 2);
    view.Set(1);
    for (int i = 0; i < 20; ++i) {
      if (view.Next() != 0) {
        state.SkipWithError("the view ran out of records");
        break;
      }
    }
  }
}

}  // namespace bench
