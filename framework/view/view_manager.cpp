#include "framework/view/view_manager.h"

#include <cstring>

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/level.h"
#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file.h"
#include "runtime/core/last_error.h"
#include "runtime/values/text.h"

namespace fw {

namespace {

// Error ids this manager reports (texts in the default error table).
enum ErrorId : uint16_t {
  kErrRetrieval = 1,
  kErrViewOpen = 40,
  kErrRecordUnreadable = 42,
};

// The view's access mode: read/write, deny none.
constexpr int kViewAccessMode = 0x22;

// Answers to CheckRecord.
constexpr uint8_t kTakeRecord = 0;
constexpr uint8_t kOutOfRange = 1;

int CompareIds(const NamedFilterRow& row, const NamedFilterRow& buffer) {
  return std::memcmp(row.ID, buffer.ID, kFilterIdBytes);
}

void SetId(NamedFilterRow& row, std::string_view id) {
  std::string_view cut = rt::CutToBytes(id, kFilterIdBytes);
  std::memset(row.ID, ' ', kFilterIdBytes);
  std::memcpy(row.ID, cut.data(), cut.size());
}

// A record read whose stored values fit no field: the runtime names the record and the field
// and has no driver code to add, where every failure of the driver itself comes with its code.
bool IsUnreadableRecord(int code) {
  return code == rt::kDriverError && rt::GetLastError().file_code.empty();
}

}  // namespace

ViewManager::ViewManager() = default;
// The objects rows point at are freed with their sets; a caller's list may already be gone,
// so nothing here walks ORDER.
ViewManager::~ViewManager() = default;

// --- Set-up --------------------------------------------------------------------------------

void ViewManager::Setup(rt::View* view, RelationManager* primary) {
  own_order_ = std::make_unique<rt::Queue<SortOrderRow>>();
  SetupWith(view, primary, own_order_.get(), &RowPart<SortOrderRow>);
  DISPOSEORDER = 1;
}

void ViewManager::SetupWith(rt::View* view, RelationManager* primary, rt::RowQueue* list,
                            RowPartOf part) {
  VIEW = view;
  PRIMARY = primary;
  ORDER = list;
  row_part_ = part;
  DISPOSEORDER = 0;
  PAGESIZE = 20;
  PAGESBEHIND = 2;
  PAGESAHEAD = 0;
  TIMEOUT = 60;
  EnsureFilesOpen();
}

int ViewManager::EnsureFilesOpen() {
  if (!VIEW) return kLevelGoOn;
  for (int i = 1; i <= VIEW->FileCount(); ++i) {
    rt::KeyedFile* file = VIEW->File(i);
    // A file no manager looks after has nothing to open lazily; the view's own open says
    // whether it can be read.
    FileManager* manager = file ? FileManager::FindFileManager(file) : nullptr;
    if (!manager) continue;
    int level = manager->EnsureOpen();
    if (level != kLevelGoOn) return level;
  }
  return kLevelGoOn;
}

FileManager* ViewManager::PrimaryFile() const { return PRIMARY ? PRIMARY->ME : nullptr; }

int ViewManager::ReportPrimaryError(uint16_t id) {
  FileManager* manager = PrimaryFile();
  return manager ? manager->ReportFileError(id) : kLevelHandled;
}

// --- Sort orders ---------------------------------------------------------------------------

bool ViewManager::HasSortOrder() const {
  return ORDER && row_part_ && ORDER->Pointer() >= 1 && ORDER->Pointer() <= ORDER->Records();
}

SortOrderRow* ViewManager::CurrentSortOrder() { return HasSortOrder() ? &Row() : nullptr; }

void ViewManager::PutSortOrder() {
  if (HasSortOrder()) ORDER->Put();
}

size_t ViewManager::AppendSortOrder(const rt::FileKey* key) {
  if (!ORDER || !row_part_) return 0;
  ORDER->ClearBuffer();
  SortOrderRow& row = Row();
  row.MAINKEY = key;
  row.RANGELIST = range_lists_.Make();
  row.RANGELIST->Setup();
  FileManager* manager = PrimaryFile();
  if (key && manager) row.FREEELEMENT = manager->GetComponentField(key, 1);
  ORDER->Append();
  SetOrderText(manager ? manager->GetOrderText(key, 1) : std::string());
  return ORDER->Records();
}

bool ViewManager::SelectSortOrder(uint8_t number) {
  if (!ORDER || !row_part_) return false;
  size_t wanted = number == 0 ? 1 : number;
  if (wanted == ORDER->Pointer() || wanted > ORDER->Records()) return false;
  return ORDER->Get(wanted);
}

void ViewManager::SetOrderText(std::string_view text) {
  if (!HasSortOrder()) return;
  SortOrderRow& row = Row();
  texts_.Free(row.ORDER);
  row.ORDER = nullptr;
  std::string_view clipped = rt::Clip(text);
  if (!clipped.empty()) row.ORDER = texts_.Make(clipped);
  ORDER->Put();
}

void ViewManager::SetStandardFilter(std::string_view text) {
  SetNamedFilter(kStandardFilterId, text);
}

void ViewManager::SetNamedFilter(std::string_view id, std::string_view text) {
  if (!HasSortOrder()) return;
  SortOrderRow& row = Row();
  if (!row.FILTER) {
    row.FILTER = filter_lists_.Make();
    ORDER->Put();
  }
  rt::Queue<NamedFilterRow>& filters = *row.FILTER;
  filters.buffer.FILTER = nullptr;
  SetId(filters.buffer, id);
  bool found = filters.GetByKey(CompareIds);
  if (found) {
    texts_.Free(filters.buffer.FILTER);
    filters.buffer.FILTER = nullptr;
  }
  std::string_view clipped = rt::Clip(text);
  if (clipped.empty()) {
    if (found) filters.Delete();
    return;
  }
  filters.buffer.FILTER = texts_.Make(clipped);
  if (found) {
    filters.Put();
  } else {
    filters.InsertByKey(CompareIds);
  }
}

// --- Range ---------------------------------------------------------------------------------

size_t ViewManager::RangeEntries(const SortOrderRow& row) const {
  size_t n = row.RANGELIST ? row.RANGELIST->Count() : 0;
  switch (row.LIMITTYPE) {
    case kLimitEqualOnce:
    case kLimitEqualLast:
    case kLimitEqualAll:
      return n;
    case kLimitBetween:
      // A pair range without its two bounds has nothing to bound; it is read as no range
      // rather than from entries it does not have.
      return n >= 2 ? n : 0;
    default:
      return 0;
  }
}

std::string ViewManager::ComponentName(const SortOrderRow& row, size_t n) const {
  FileManager* manager = PrimaryFile();
  return manager ? manager->GetComponentName(row.MAINKEY, n) : std::string();
}

std::string ViewManager::RangeValue(const SortOrderRow& row, size_t n,
                                    const std::string& name) const {
  return FileManager::QuoteValue(name, row.RANGELIST->Left(n - 1), row.RANGELIST->Right(n - 1));
}

std::string ViewManager::BuildFilterText() {
  std::string text;
  if (!HasSortOrder()) return text;
  const SortOrderRow& row = Row();
  size_t n = RangeEntries(row);
  if (row.LIMITTYPE == kLimitBetween) {
    if (n >= 2) {
      for (size_t i = 1; i < n - 1; ++i) {
        if (i > 1) text += " AND ";
        std::string name = ComponentName(row, i);
        text += name + " = " + RangeValue(row, i, name);
      }
      // Both bounds belong to component n-1, so both are compared as it is (upper-cased for
      // a case-insensitive key), the upper bound included.
      std::string name = ComponentName(row, n - 1);
      if (!text.empty()) text += " AND ";
      text += name + " >= " + RangeValue(row, n - 1, name);
      text += " AND " + name + " <= " + RangeValue(row, n, name);
    }
  } else {
    for (size_t i = 1; i <= n; ++i) {
      if (i > 1) text += " AND ";
      std::string name = ComponentName(row, i);
      text += name + " = " + RangeValue(row, i, name);
    }
  }
  if (row.FILTER) {
    for (size_t i = 1; i <= row.FILTER->Records(); ++i) {
      if (!row.FILTER->Get(i) || !row.FILTER->buffer.FILTER) continue;
      text += text.empty() ? "(" : " AND (";
      text += *row.FILTER->buffer.FILTER;
      text += ")";
    }
  }
  return text;
}

void ViewManager::InstallFilter() {
  if (!VIEW) return;
  std::string text = BuildFilterText();
  if (text.size() > kMaxFilterTextBytes) {
    // Cut short, a filter could select other records than the one asked for (a number or a
    // quoted text cut in the middle), so the view reads without one, as for a bad filter.
    VIEW->SetFilter("");
    rt::SetLastError(rt::kDriverError, "1",
                     "Filter: the filter text is longer than " +
                         std::to_string(kMaxFilterTextBytes) + " bytes");
    ReportPrimaryError(kErrViewOpen);
    return;
  }
  if (VIEW->SetFilter(text) != rt::kNoError) ReportPrimaryError(kErrViewOpen);
}

void ViewManager::InstallOrder() {
  if (!VIEW) return;
  const SortOrderRow* row = CurrentSortOrder();
  std::string text = row && row->ORDER ? *row->ORDER : std::string();
  if (VIEW->SetOrder(text) != rt::kNoError) ReportPrimaryError(kErrViewOpen);
}

bool ViewManager::RefreshRange() {
  if (!HasSortOrder()) return false;
  SortOrderRow& row = Row();
  size_t n = RangeEntries(row);
  if (n == 0) return false;
  BufferedFieldPairs& range = *row.RANGELIST;
  switch (row.LIMITTYPE) {
    case kLimitBetween:
      if (!range.Left(n - 2).Equals(range.Right(n - 2))) {
        range.Right(n - 2).Assign(range.Left(n - 2));
        range.Right(n - 1).Assign(range.Left(n - 1));
        InstallFilter();
        return true;
      }
      [[fallthrough]];
    case kLimitEqualLast:
      if (!range.Left(n - 1).Equals(range.Right(n - 1))) {
        range.Right(n - 1).Assign(range.Left(n - 1));
        InstallFilter();
        return true;
      }
      return false;
    case kLimitEqualAll:
      if (!range.RightMatchesBuffer()) {
        range.TransferRightToBuffer();
        InstallFilter();
        return true;
      }
      return false;
    default:
      return false;
  }
}

uint8_t ViewManager::FreeComponentPosition() {
  if (!HasSortOrder()) return 0;
  const SortOrderRow& row = Row();
  size_t p = row.RANGELIST ? row.RANGELIST->Count() : 0;
  if (row.LIMITTYPE != kLimitBetween) ++p;
  FileManager* manager = PrimaryFile();
  size_t components = manager ? manager->GetComponentCount(row.MAINKEY) : 0;
  return p > components ? 0 : static_cast<uint8_t>(p);
}

std::string ViewManager::FreeComponentName() {
  uint8_t p = FreeComponentPosition();
  return p == 0 ? std::string() : ComponentName(Row(), p);
}

// --- Opening, positioning, reading ---------------------------------------------------------

void ViewManager::OpenView() {
  if (OPENED) return;
  EnsureFilesOpen();
  if (VIEW) {
    if (VIEW->Open(kViewAccessMode) != rt::kNoError) ReportPrimaryError(kErrViewOpen);
    VIEW->SetBuffering(PAGESIZE, PAGESBEHIND, PAGESAHEAD, TIMEOUT);
  }
  OPENED = 1;
  InstallOrder();
  InstallFilter();
}

void ViewManager::CloseView() {
  if (!OPENED) return;
  if (VIEW) VIEW->Close();
  OPENED = 0;
}

void ViewManager::StartAt(uint8_t components) {
  OpenView();
  if (VIEW && VIEW->Set(components) != rt::kNoError) ReportPrimaryError(kErrViewOpen);
}

void ViewManager::StartAtBeginning() { StartAt(0); }

uint8_t ViewManager::CheckRecord() { return kTakeRecord; }

int ViewManager::ReadNext() { return Read(true); }
int ViewManager::ReadPrevious() { return Read(false); }

int ViewManager::Read(bool forward) {
  int code = rt::kFileNotOpen;
  last_read_held_ = false;
  if (!VIEW) rt::SetLastError(code);
  while (VIEW) {
    code = forward ? VIEW->Next() : VIEW->Previous();
    // A record another station holds comes with its stored values: it is judged and shown
    // like any other, marked as held, instead of closing the list with a read error.
    const bool held = code == rt::kRecordHeld;
    if (SKIPUNREADABLE && IsUnreadableRecord(code)) {
      // The view has moved past it: the rows around it are still worth showing.
      if (!unreadable_said_) {
        unreadable_said_ = true;
        ReportPrimaryError(kErrRecordUnreadable);
      }
      continue;
    }
    if (code != rt::kNoError && !held) break;
    uint8_t verdict = CheckRecord();
    last_read_held_ = held && verdict == kTakeRecord;
    if (verdict == kTakeRecord) return kLevelGoOn;
    if (verdict == kOutOfRange) return kLevelHandled;
  }
  if (code == rt::kNoRecordAvailable) return kLevelHandled;
  ReportPrimaryError(kErrRetrieval);
  return kLevelFatal;
}

int ViewManager::PrimeForInsert(uint8_t keepBuffers) {
  if (!keepBuffers && VIEW) {
    for (int i = 1; i <= VIEW->FileCount(); ++i) {
      if (rt::KeyedFile* file = VIEW->File(i)) file->Clear();
    }
  }
  FileManager* manager = PrimaryFile();
  if (HasSortOrder() && manager) {
    const SortOrderRow& row = Row();
    size_t n = RangeEntries(row);
    // A pair range's bounds leave the bounded component to the user.
    size_t primed = row.LIMITTYPE != kLimitBetween ? n : (n >= 2 ? n - 2 : 0);
    for (size_t i = 1; i <= primed; ++i) {
      rt::AnyRef field = manager->GetComponentField(row.MAINKEY, i);
      if (!field.IsNull()) field.Assign(row.RANGELIST->Right(i - 1));
    }
  }
  return manager ? manager->PrepareRecord(true) : kLevelGoOn;
}

// --- Life cycle ----------------------------------------------------------------------------

void ViewManager::Teardown() {
  if (!ORDER || !row_part_) return;
  for (size_t i = 1; i <= ORDER->Records(); ++i) {
    if (!ORDER->Get(i)) continue;
    SortOrderRow& row = Row();
    if (row.RANGELIST) {
      row.RANGELIST->Teardown();
      range_lists_.Free(row.RANGELIST);
      row.RANGELIST = nullptr;
    }
    if (row.FILTER) {
      for (size_t f = 1; f <= row.FILTER->Records(); ++f) {
        if (row.FILTER->Get(f)) texts_.Free(row.FILTER->buffer.FILTER);
      }
      filter_lists_.Free(row.FILTER);
      row.FILTER = nullptr;
    }
    texts_.Free(row.ORDER);
    row.ORDER = nullptr;
    row.FREEELEMENT = rt::AnyRef();
    ORDER->Put();
  }
  if (DISPOSEORDER) {
    own_order_.reset();
    ORDER = nullptr;
    row_part_ = nullptr;
  }
}

}  // namespace fw
