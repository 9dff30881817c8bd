// Fuzzes the position texts a view is given back (from list rows, saved states, another
// order's rows): "<order byte><position text>" on a small real file made by the program, read
// in one of several orders. Reset and Reget with any text must not crash and either refuse it
// or place the view; from any place the view reads each record at most once and the reads end
// both ways; and the position of a record read, given back, reads that same record again.
// fuzz-runs: 4000
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/temp_folder.h"
#include "runtime/files/view.h"

namespace {

using rt::testing::PersonRow;

void Check(bool ok) {
  if (!ok) std::abort();
}

constexpr const char* kOrders[] = {"",        "PE:NAME", "-PE:SCORE", "PE:CITY,-PE:AGE",
                                   "UPPER(PE:NAME)", "PE:AGE,PE:SCORE"};
constexpr int kOrderCount = static_cast<int>(std::size(kOrders));

struct Person {
  const char* name;
  const char* city;
  int16_t age;
  double score;
};
// Texts with the characters a position text escapes or splits on, equal values, extremes.
constexpr Person kPeople[] = {
    {"Ann", "Riga", 30, 1.5},         {"ann", "Riga", 30, 1.5},      {"b|ar", "a%7Cb", -5, -0.0},
    {"", "", 0, 0},                    {"Zed", "Oslo", 32767, 1e308}, {"Аня", "Рига", -32768, -1e-300},
    {"c%d", "x|y|z", 7, 0.1},          {"   ", " ", 1, 2.5},
};
constexpr size_t kRows = std::size(kPeople);

struct Fixture {
  std::unique_ptr<rt::FileDeclaration> decl;
  PersonRow row{};
  std::unique_ptr<rt::KeyedFile> file;
  std::unique_ptr<rt::View> view;
};

Fixture& Made() {
  static Fixture* f = [] {
    auto* m = new Fixture;
    // The run's own folder goes when the run ends, after the last input.
    static rt::TempFolder folder;
    m->decl = rt::testing::PeopleDecl(folder.File("people"));
    m->file = std::make_unique<rt::KeyedFile>(*m->decl, &m->row);
    Check(m->file->Create() == rt::kNoError && m->file->Open() == rt::kNoError);
    for (const Person& p : kPeople) {
      rt::testing::SetText(m->row.name, sizeof m->row.name, p.name, true);
      rt::testing::SetText(m->row.city, sizeof m->row.city, p.city, false);
      m->row.age = p.age;
      m->row.score = p.score;
      Check(m->file->Add() == rt::kNoError);
    }
    m->view = std::make_unique<rt::View>(m->file.get());
    Check(m->view->Open() == rt::kNoError);
    return m;
  }();
  return *f;
}

std::string Bytes(const PersonRow& row) {
  return std::string(reinterpret_cast<const char*>(&row), sizeof row);
}

// Reads on from where the view is placed: every record at most once, and the reads end.
void ReadsEnd(rt::View& view, bool forward) {
  std::set<std::string> seen;
  for (size_t i = 0; i <= kRows; ++i) {
    int rc = forward ? view.Next() : view.Previous();
    if (rc == rt::kNoRecordAvailable) return;
    Check(rc == rt::kNoError);
    Check(seen.insert(view.Position()).second);
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  Fixture& m = Made();
  rt::View& view = *m.view;
  Check(view.SetOrder(kOrders[data[0] % kOrderCount]) == rt::kNoError);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  if (view.Reset(text) == rt::kNoError) {
    const int rc = (data[0] & 0x80) ? view.Previous() : view.Next();
    Check(rc == rt::kNoError || rc == rt::kNoRecordAvailable);
    if (rc == rt::kNoError) {
      // The place of the record read leads back to it, whatever text led there.
      const std::string at = view.Position();
      const std::string record = Bytes(m.row);
      Check(!at.empty());
      Check(view.Reset(at) == rt::kNoError);
      Check(view.Next() == rt::kNoError);
      Check(view.Position() == at && Bytes(m.row) == record);
      Check(view.Reset(at) == rt::kNoError);
      Check(view.Previous() == rt::kNoError);
      Check(view.Position() == at && Bytes(m.row) == record);
      m.row = PersonRow{};
      Check(view.Reget(at) == rt::kNoError && Bytes(m.row) == record);
    }
    Check(view.Reset(text) == rt::kNoError);
    ReadsEnd(view, true);
    Check(view.Reset(text) == rt::kNoError);
    ReadsEnd(view, false);
  }
  // Reget reads one record by the text's id, or refuses: never a record that is not there.
  const int rc = view.Reget(text);
  Check(rc == rt::kNoError || rc == rt::kRecordNotFound);
  return 0;
}
