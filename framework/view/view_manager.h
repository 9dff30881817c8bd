// ViewManager: reads the records of a primary file through a runtime view in the order of one
// of several sort orders. Each sort order keeps its key, the order text sent to the view, named
// filter texts and a range limit, from which the manager builds the one filter text the view
// applies. It opens, positions, reads and closes the view, and primes the record buffer so
// that a new record falls inside the current range.
//
// Ownership: the manager owns every sort order's range list, filter list, filter texts and
// order text, and the sort-order list itself when it made it (DISPOSEORDER 1). The view, the
// primary RelationManager with its FileManager, the keys, the fields a range refers to and a
// caller's sort-order list belong to the caller and must remain live while this object is in
// use. Errors are shown through the primary FileManager's ReportFileError.
//
// Deriving (as the browse does): extend the sort-order row by deriving a trivially copyable
// row from SortOrderRow, keep an rt::Queue of it and hand it to Setup; the manager reaches its
// part of every row through that queue and never touches the fields added after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/data/buffered_field_pairs.h"
#include "framework/view/owned_objects.h"
#include "runtime/values/any_ref.h"
#include "runtime/files/file_key.h"
#include "runtime/files/view.h"
#include "runtime/values/row_queue.h"

namespace fw {

class FileManager;
class RelationManager;

// Kinds of range limit (a sort order's LIMITTYPE). Other values behave as kLimitNone.
enum LimitType : uint8_t {
  kLimitNone = 0,
  kLimitEqualOnce = 1,  // every entry: component = value; never re-checked
  kLimitEqualLast = 2,  // as 1; the last entry's LEFT is watched against its RIGHT
  kLimitBetween = 3,    // equalities, then the last two entries bound one component
  kLimitEqualAll = 4,   // as 1; every RIGHT is watched against its BUFFER
};

// The id SetStandardFilter uses; filters are combined in ascending id order.
inline constexpr std::string_view kStandardFilterId = "5 Standard";
// A filter text longer than this is not installed (cutting it could change what it selects).
inline constexpr size_t kMaxFilterTextBytes = 5000;
inline constexpr size_t kFilterIdBytes = 30;

// One named filter of a sort order.
struct NamedFilterRow {
  char ID[kFilterIdBytes];      // STRING(30), blank-padded; the list is in ascending ID order
  const std::string* FILTER;    // the manager's copy: trailing blanks clipped, never empty
};

// The view manager's part of a sort-order row. Rows are copied byte for byte by their queue, so
// they hold plain pointers; what they point at is owned by the ViewManager (see above).
struct SortOrderRow {
  rt::Queue<NamedFilterRow>* FILTER = nullptr;  // null until the first named filter
  rt::AnyRef FREEELEMENT;                       // the field of MAINKEY's first component
  uint8_t LIMITTYPE = kLimitNone;
  const rt::FileKey* MAINKEY = nullptr;         // may be null (record order)
  const std::string* ORDER = nullptr;           // order text, clipped; null when empty
  // Range entries in key-component order: LEFT's type decides the quoting, RIGHT is the value
  // written into the filter and primed into new records, BUFFER the value last installed.
  BufferedFieldPairs* RANGELIST = nullptr;
};
static_assert(std::is_trivially_copyable_v<SortOrderRow>);

class ViewManager {
 public:
  ViewManager();
  virtual ~ViewManager();
  ViewManager(const ViewManager&) = delete;
  ViewManager& operator=(const ViewManager&) = delete;

  // --- Fields, in declared order --------------------------------------------------------
  uint8_t DISPOSEORDER = 0;        // 1: ORDER was made here and goes with Teardown
  uint8_t OPENED = 0;              // 1 while the view counts as open
  rt::RowQueue* ORDER = nullptr;   // the sort-order list; its current row is the sort order
  uint16_t PAGESAHEAD = 0;
  uint16_t PAGESBEHIND = 2;
  uint16_t PAGESIZE = 20;
  RelationManager* PRIMARY = nullptr;
  // 1: a record whose stored values fit no field (a file changed by another tool) is left out
  // of the read, which goes on past it, instead of ending the read with error 1. The first
  // such record is said (error 42) once while this manager lives: a file with thousands of
  // them gets one message, not one per record or per page read.
  uint8_t SKIPUNREADABLE = 0;
  uint16_t TIMEOUT = 60;
  rt::View* VIEW = nullptr;

  // --- Overridable operations, in slot order --------------------------------------------
  // Builds the filter text (BuildFilterText) and sets it on the view. A text the view cannot
  // read, or one longer than kMaxFilterTextBytes, is reported (error 40) and the view reads
  // without any filter.
  virtual void InstallFilter();
  // Sets the current sort order's order text on the view; a refused text is reported (40).
  virtual void InstallOrder();
  // Re-checks the range values by LIMITTYPE; true when they changed and the filter was
  // installed again.
  virtual bool RefreshRange();
  virtual void CloseView();
  // The label of the first key component the range leaves free ("" when none is).
  virtual std::string FreeComponentName();
  // Number (from 1) of the first key component the range leaves free; 0 when none is.
  virtual uint8_t FreeComponentPosition();
  // Frees what every sort order owns and, with DISPOSEORDER 1, the sort-order list. A
  // derived manager frees its own row fields first and then calls this.
  virtual void Teardown();
  // Reads forward to the next record CheckRecord takes: 0 read, 5 no more (or out of range),
  // 3 a read error was reported (error 1). A record another station holds is read too (its
  // stored values, for showing), with LastReadHeld true: one copy's edit must neither close
  // every other copy's list nor make the row vanish from it.
  virtual int ReadNext();
  // Opens the view with its buffering, order and filter; does nothing while OPENED.
  virtual void OpenView();
  virtual int ReadPrevious();
  // Clears every file of the view unless keepBuffers, writes the range's equality values into
  // the key fields, and prepares the record (the primary FileManager's PrepareRecord, which
  // may reserve a number). Returns PrepareRecord's level: 0 when the record is ready.
  virtual int PrimeForInsert(uint8_t keepBuffers);
  // OpenView, then places the view at the first record whose first `components` order values
  // are at or after the record buffer's (0: the start of the view).
  virtual void StartAt(uint8_t components);
  virtual void StartAtBeginning();
  virtual void SetStandardFilter(std::string_view text);
  // Sets, replaces or (with an empty or blank text) removes the current sort order's filter
  // `id` (its first 30 bytes). Takes effect at the next InstallFilter.
  virtual void SetNamedFilter(std::string_view id, std::string_view text);
  virtual void SetOrderText(std::string_view text);
  // Makes sort order `number` (0 means 1) current; false when it already is or there is no
  // such sort order.
  virtual bool SelectSortOrder(uint8_t number);
  // Judges the record just read: 0 take it, 1 out of range (stop), other values skip it.
  virtual uint8_t CheckRecord();

  // --- Set-up and helpers (not overridable) ---------------------------------------------
  // With a list of its own (DISPOSEORDER 1).
  void Setup(rt::View* view, RelationManager* primary);
  // With the caller's list (DISPOSEORDER 0), whose rows start with the view manager's part.
  template <typename Row>
  void Setup(rt::View* view, RelationManager* primary, rt::Queue<Row>* sortList) {
    static_assert(std::is_base_of_v<SortOrderRow, Row>, "rows derive from SortOrderRow");
    static_assert(std::is_trivially_copyable_v<Row>, "queue rows are copied byte for byte");
    if (!sortList) {
      Setup(view, primary);
      return;
    }
    SetupWith(view, primary, sortList, &RowPart<Row>);
  }

  // Appends a sort order over key (may be null) and makes it current; returns its number.
  size_t AppendSortOrder(const rt::FileKey* key);
  // EnsureOpen on the FileManager of every file of the view, stopping at the first failure:
  // 0, or that failure's level.
  int EnsureFilesOpen();

  // The filter text of the current sort order: the range part, then every named filter in
  // ID order, each in parentheses.
  std::string BuildFilterText();
  // The current sort order's row (the list's buffer), or null when there is none. Changes to
  // it count once PutSortOrder writes it back.
  SortOrderRow* CurrentSortOrder();
  void PutSortOrder();
  // The record the last ReadNext/ReadPrevious gave is held by another station: shown, but
  // not the file's current record, so it cannot be changed or deleted until it is let go.
  bool LastReadHeld() const { return last_read_held_; }

 protected:
  FileManager* PrimaryFile() const;
  // The primary FileManager's ReportFileError; kLevelHandled when there is no manager.
  int ReportPrimaryError(uint16_t id);

 private:
  using RowPartOf = SortOrderRow* (*)(void* row);
  template <typename Row>
  static SortOrderRow* RowPart(void* row) {
    return static_cast<Row*>(row);
  }

  void SetupWith(rt::View* view, RelationManager* primary, rt::RowQueue* list, RowPartOf part);
  bool HasSortOrder() const;
  SortOrderRow& Row() const { return *row_part_(ORDER->Buffer()); }
  int Read(bool forward);
  // Entries of the range the filter text uses as written (a pair range needs two).
  size_t RangeEntries(const SortOrderRow& row) const;
  std::string ComponentName(const SortOrderRow& row, size_t n) const;
  // Entry n's RIGHT as the filter writes it, quoted by its LEFT's type and by name.
  std::string RangeValue(const SortOrderRow& row, size_t n, const std::string& name) const;

  std::unique_ptr<rt::Queue<SortOrderRow>> own_order_;
  RowPartOf row_part_ = nullptr;
  OwnedObjects<BufferedFieldPairs> range_lists_;
  OwnedObjects<rt::Queue<NamedFilterRow>> filter_lists_;
  OwnedObjects<std::string> texts_;  // order and filter texts
  bool last_read_held_ = false;
  // A record SKIPUNREADABLE left out has been said.
  bool unreadable_said_ = false;
};

}  // namespace fw
