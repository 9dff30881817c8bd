// BrowseManager: shows the records of a view in a page-mode list control, one page at a time.
// The list queue holds at most a page of rows (display fields and the row's view position);
// scrolling past an end reads further records from the view and drops rows at the other end,
// so a browse over a large file costs a page, not the file. It also answers the user: list
// events, alert keys, its insert/change/delete/select/print/query/toolbox buttons, a popup
// menu and a toolbar target.
//
// Ownership: the browse owns SORT and every sort order's RESETS, FIELDS, POPUP, EDITLIST,
// TOOLBARITEM (and the editors in EDITLIST marked FREEUP, freed through ROWEDITOR). The window
// manager, the list queue and its fields, the record fields, the view, the primary relation
// manager, the locators, the step objects, the toolbar, the query manager and the row editor
// belong to the caller and must remain live until Teardown. Teardown also tears the query
// manager down (it stays the caller's object, to be set up again before another use).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/browse/browse_interface.h"
#include "framework/browse/locator_host.h"
#include "framework/data/field_pairs.h"
#include "framework/view/owned_objects.h"
#include "framework/view/view_manager.h"
#include "runtime/values/any_ref.h"
#include "runtime/values/row_queue.h"

namespace rt {
class View;
class Window;
}  // namespace rt

namespace fw {

class CharacterLocator;
class EditInPlaceControl;
class PopupManager;
class QueryManager;
class RelationManager;
class RowEditorInterface;
class StepManager;
class Toolbar;
class ToolbarTarget;
class WindowManager;

// A browse's sort-order row: the view manager's part, then the browse's. RESETS is made and
// owned by the browse; LOCATOR and THUMB belong to the caller.
struct BrowseSortOrderRow : SortOrderRow {
  CharacterLocator* LOCATOR = nullptr;
  FieldPairs* RESETS = nullptr;  // LEFT the watched field, RIGHT its value at the last reload
  StepManager* THUMB = nullptr;
};

// One registered column editor (edit in place), in ascending FIELD order.
struct BrowseEditRow {
  int32_t FIELD = 0;  // the list column, from 1
  uint8_t FREEUP = 0; // the browse frees the editor at Teardown
  EditInPlaceControl* CONTROL = nullptr;  // null: the column is not editable
};

class BrowseManager : public ViewManager, public BrowseInterface, public LocatorHost {
 public:
  BrowseManager();
  ~BrowseManager() override;
  BrowseManager(const BrowseManager&) = delete;
  BrowseManager& operator=(const BrowseManager&) = delete;

  // --- Fields, in declared order (after the view manager's) -----------------------------
  uint8_t ACTIVEINVISIBLE = 0;  // reload even while the list is not visible
  uint8_t ALLOWUNFILLED = 0;    // do not top up a short page by reading backward
  uint8_t ARROWACTION = 0;
  uint16_t ASKPROCEDURE = 0;    // update procedure; 0 edits in place
  int32_t CHANGECONTROL = 0;
  int32_t CURRENTCHOICE = 0;    // highlighted row, 1-based; 0 only while the list is empty
  int32_t CURRENTEVENT = 0;     // the last scroll event handled (3 to 8)
  int32_t DELETECONTROL = 0;
  std::unique_ptr<std::vector<BrowseEditRow>> EDITLIST;
  uint8_t ENTERACTION = 0;
  std::unique_ptr<FieldPairs> FIELDS;  // LEFT record field, RIGHT list-queue field
  uint8_t FILELOADED = 0;
  uint8_t FOCUSLOSSACTION = 0;
  uint8_t HASTHUMB = 0;
  uint8_t HIDESELECT = 0;
  int32_t INSERTCONTROL = 0;
  int32_t ITEMSTOFILL = 0;
  int32_t LASTCHOICE = 0;
  int32_t LASTITEMS = 0;        // the page size in rows
  int32_t LISTCONTROL = 0;
  rt::RowQueue* LISTQUEUE = nullptr;
  uint8_t LOADED = 0;
  uint8_t LOADPENDING = 0;
  uint8_t RETAINROW = 0;
  int32_t PRINTCONTROL = 0;
  uint16_t PRINTPROCEDURE = 0;
  std::unique_ptr<PopupManager> POPUP;
  QueryManager* QUERY = nullptr;
  int32_t QUERYCONTROL = 0;
  uint8_t QUERYSHARED = 0;
  uint8_t QUICKSCAN = 0;
  uint8_t RECORDSTATUS = 0;     // reserved
  int32_t SELECTCONTROL = 0;
  uint8_t SELECTING = 0;
  std::unique_ptr<rt::Queue<BrowseSortOrderRow>> SORT;  // also the view manager's ORDER
  uint8_t STARTATCURRENT = 0;
  uint8_t TABACTION = 0;
  Toolbar* TOOLBAR = nullptr;
  int32_t TOOLCONTROL = 0;
  std::unique_ptr<ToolbarTarget> TOOLBARITEM;
  rt::AnyRef VIEWPOSITION;      // the list-queue field holding each row's view position
  WindowManager* WINDOW = nullptr;
  void* Q = nullptr;            // a window's own data, for its overrides
  // Not among the declared fields: the edit-in-place code that edits rows (null: rows are not
  // edited in place).
  RowEditorInterface* ROWEDITOR = nullptr;
  // Not among the declared fields: the list-queue field set to 1 on a row whose record
  // another station holds (and 0 on every other row); null: rows are not marked.
  rt::AnyRef HELDMARK;

  // --- View manager operations the browse overrides -------------------------------------
  bool RefreshRange() override;  // slot 2: DetectChanges
  void Teardown() override;      // slot 6
  int ReadNext() override;       // slot 7
  int ReadPrevious() override;   // slot 9

  // --- Overridable operations, slots 18 to 41 -------------------------------------------
  virtual int RunRecordRequest(uint8_t request);
  virtual int EditRowInPlace(uint8_t request);
  virtual void FillRows(int direction);  // 2 down (append), anything else up (insert at top)
  virtual void ReloadAfterRequest(uint8_t& request, uint8_t& response);
  virtual void LocateFromBuffer();
  virtual void ReloadFromRecord();
  virtual void RefreshThumbLimits();
  virtual void Reload(int mode);         // 1 keep the rows' records, 2 from the view's place
  void ReapplySort(bool force) override;
  virtual void JumpToEnd(int32_t event);
  void StepOneRow(int32_t event) override;
  virtual void StepOnePage(int32_t event);
  void PrepareList() override;
  virtual void BuildRow();
  virtual bool ApplySort(uint8_t number, bool force);
  void HandleEvent() override;
  virtual bool HandleKey();
  virtual void RunQuery();
  virtual void HandleNewSelection();
  virtual void HandleScroll(int32_t event);
  virtual void HandleToolbarScroll(int32_t button);
  void LoadCurrentRow() override;
  void RefetchCurrentRow() override;
  void RefreshControls() override;

  // --- Set-up, in the order a window procedure calls them -------------------------------
  // positionField is the list-queue field that holds each row's view position (its size is
  // the position length); listQueue's buffer must be the row the fields are bound to.
  void Setup(int32_t listControl, const rt::AnyRef& positionField, WindowManager* window,
             RelationManager* primary, rt::RowQueue* listQueue, rt::View* view);
  int AppendSortOrder(StepManager* thumb, const rt::FileKey* key);
  void AttachLocator(CharacterLocator* locator);
  void WatchField(const rt::AnyRef& field);
  void BindField(const rt::AnyRef& recordField, const rt::AnyRef& queueField);
  void AttachEditor(EditInPlaceControl* editor, int32_t column, uint8_t freeUp);
  void AttachToolbar(Toolbar* toolbar);
  // Rows whose record another station holds stay in the list with queueField set to 1.
  void MarkHeldRows(const rt::AnyRef& queueField) { HELDMARK = queueField; }

  // --- BrowseInterface / LocatorHost ----------------------------------------------------
  void SetSelecting(uint8_t selecting) override { SELECTING = selecting; }
  uint32_t ListQueueRecords() const override;
  rt::Window* LocatorWindow() const override;

  // --- Helpers the browse's companions use ----------------------------------------------
  // Rows in the list queue; tells the locator whether there are any; CURRENTCHOICE 0 when none.
  int32_t CheckRows();
  // The list's highlight := CURRENTCHOICE, and a new-selection event for the list.
  void ShowCurrentRow();
  // After any scroll: highlight, locator reset, thumb.
  void AfterScroll();
  // Number of the current sort order (1-based); 0 when there is none.
  uint8_t CurrentSortNumber() const;
  // The current sort-order row (SORT's buffer); null when there is none.
  BrowseSortOrderRow* CurrentBrowseOrder();
  rt::Window* ListWindow() const;
  // Sets the query filter ("9 - QBE") of the current sort order, or of every sort order with
  // QUERYSHARED, to text (empty removes it), then reloads: the second half of RunQuery.
  void ApplyQueryFilter(const std::string& text);

 private:
  // During a new-selection event of the list: CURRENTCHOICE := the row the list selected.
  void TakeClickedRow();
  void SaveResetValues();
  void RestoreResetValues();
  // The view position kept in list-queue row pos, read without disturbing the row buffer.
  std::string RowPosition(size_t pos) const;
  size_t FindRow(const std::string& position) const;  // 0 when no row has it
  void RepositionAt(const std::string& position);
  int32_t ListProperty(int property) const;
  void PlaceThumb();
  void RefreshThumb();
  void HandleThumbDrag();
  bool PassKeyToLocator();
  void EnableControl(int32_t control, bool enabled);
  const rt::FileKey* CurrentSortKey();
  rt::AnyRef CurrentFreeElement();

  OwnedObjects<FieldPairs> resets_;
};

}  // namespace fw
