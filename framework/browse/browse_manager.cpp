#include "framework/browse/browse_manager.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

#include "framework/browse/character_locator.h"
#include "framework/browse/row_editor_interface.h"
#include "framework/browse/step_manager.h"
#include "framework/browse/thumb_rule.h"
#include "framework/browse/toolbar.h"
#include "framework/browse/toolbar_target.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/level.h"
#include "framework/popup/popup_manager.h"
#include "framework/query/query_manager.h"
#include "framework/window/window_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/view.h"
#include "runtime/values/owned_value.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/values/text.h"
#include "runtime/windows/window.h"

namespace fw {

namespace {

constexpr int kDown = 2;
constexpr int kUp = 1;
constexpr int kLevelRecord = 0;
constexpr int kLevelNoMore = 5;
constexpr int kLevelError = 3;

// Alert key slots of the list.
constexpr int kSlotInsert = 255;
constexpr int kSlotDelete = 254;
constexpr int kSlotChange = 253;
constexpr int kSlotDoubleClick = 252;
constexpr int kSlotRightClick = 249;

// The id the query's filter is installed under, beside the caller's own filters.
constexpr std::string_view kQbeFilterId = "9 - QBE";

class WaitCursor {
 public:
  WaitCursor() { rt::SetWaitCursor(true); }
  ~WaitCursor() { rt::SetWaitCursor(false); }
};

}  // namespace

BrowseManager::BrowseManager() = default;
BrowseManager::~BrowseManager() = default;

// --- Set-up --------------------------------------------------------------------------------

void BrowseManager::Setup(int32_t listControl, const rt::AnyRef& positionField,
                          WindowManager* window, RelationManager* primary,
                          rt::RowQueue* listQueue, rt::View* view) {
  WINDOW = window;
  LISTCONTROL = listControl;
  LISTQUEUE = listQueue;
  VIEWPOSITION = positionField;
  SORT = std::make_unique<rt::Queue<BrowseSortOrderRow>>();
  FIELDS = std::make_unique<FieldPairs>();
  FIELDS->Setup();
  POPUP = std::make_unique<PopupManager>();
  POPUP->Setup();
  EDITLIST = std::make_unique<std::vector<BrowseEditRow>>();
  RETAINROW = 1;
  LOADED = 0;
  LOADPENDING = 0;
  CURRENTCHOICE = 0;
  ViewManager::Setup(view, primary, SORT.get());
  if (WINDOW) WINDOW->AddBrowse(this);
}

int BrowseManager::AppendSortOrder(StepManager* thumb, const rt::FileKey* key) {
  if (!SORT) return 0;
  SORT->buffer = BrowseSortOrderRow{};
  const int number = static_cast<int>(ViewManager::AppendSortOrder(key));
  BrowseSortOrderRow* row = CurrentBrowseOrder();
  if (!row) return number;
  row->LOCATOR = nullptr;
  row->THUMB = thumb;
  row->RESETS = resets_.Make();
  row->RESETS->Setup();
  PutSortOrder();
  return number;
}

void BrowseManager::AttachLocator(CharacterLocator* locator) {
  if (BrowseSortOrderRow* row = CurrentBrowseOrder()) {
    row->LOCATOR = locator;
    PutSortOrder();
  }
}

void BrowseManager::WatchField(const rt::AnyRef& field) {
  BrowseSortOrderRow* extra = CurrentBrowseOrder();
  if (extra && extra->RESETS) extra->RESETS->AppendItem(field);
}

void BrowseManager::BindField(const rt::AnyRef& recordField, const rt::AnyRef& queueField) {
  if (!FIELDS) {
    FIELDS = std::make_unique<FieldPairs>();
    FIELDS->Setup();
  }
  FIELDS->AppendPair(recordField, queueField);
}

void BrowseManager::AttachEditor(EditInPlaceControl* editor, int32_t column, uint8_t freeUp) {
  if (!EDITLIST) EDITLIST = std::make_unique<std::vector<BrowseEditRow>>();
  BrowseEditRow row;
  row.FIELD = column;
  row.FREEUP = freeUp;
  row.CONTROL = editor;
  auto at = std::upper_bound(EDITLIST->begin(), EDITLIST->end(), column,
                             [](int32_t c, const BrowseEditRow& r) { return c < r.FIELD; });
  EDITLIST->insert(at, row);
}

void BrowseManager::AttachToolbar(Toolbar* toolbar) {
  TOOLBAR = toolbar;
  if (!toolbar) return;
  TOOLBARITEM = std::make_unique<ToolbarTarget>();
  TOOLBARITEM->BROWSE = this;
  toolbar->AppendTarget(TOOLBARITEM.get(), LISTCONTROL);
  if (INSERTCONTROL) TOOLBARITEM->INSERTBUTTON = INSERTCONTROL;
  if (CHANGECONTROL) TOOLBARITEM->CHANGEBUTTON = CHANGECONTROL;
  if (DELETECONTROL) TOOLBARITEM->DELETEBUTTON = DELETECONTROL;
  if (SELECTCONTROL) TOOLBARITEM->SELECTBUTTON = SELECTCONTROL;
  toolbar->ChooseTarget(LISTCONTROL);
}

void BrowseManager::Teardown() {
  if (SORT) {
    for (size_t i = 1; i <= SORT->Records(); ++i) {
      auto* row = static_cast<BrowseSortOrderRow*>(SORT->RowAt(i));
      if (row->THUMB) row->THUMB->Teardown();
      if (row->RESETS) {
        row->RESETS->Teardown();
        resets_.Free(row->RESETS);
        row->RESETS = nullptr;
      }
    }
    if (SORT->Pointer() != 0) SORT->Get(SORT->Pointer());
  }
  ViewManager::Teardown();
  SORT.reset();
  if (FIELDS) FIELDS->Teardown();
  FIELDS.reset();
  if (POPUP) POPUP->Teardown();
  POPUP.reset();
  TOOLBARITEM.reset();
  if (QUERY) QUERY->Teardown();
  if (EDITLIST) {
    for (BrowseEditRow& row : *EDITLIST) {
      if (row.FREEUP == 1 && row.CONTROL && ROWEDITOR) ROWEDITOR->FreeEditor(row.CONTROL);
      row.CONTROL = nullptr;
    }
  }
  EDITLIST.reset();
}

// --- Small helpers -------------------------------------------------------------------------

rt::Window* BrowseManager::ListWindow() const {
  return WINDOW ? WINDOW->window() : rt::TargetWindow();
}

rt::Window* BrowseManager::LocatorWindow() const { return ListWindow(); }

uint32_t BrowseManager::ListQueueRecords() const {
  return LISTQUEUE ? static_cast<uint32_t>(LISTQUEUE->Records()) : 0;
}

int32_t BrowseManager::ListProperty(int property) const {
  rt::Window* w = ListWindow();
  if (!w || LISTCONTROL == 0) return 0;
  return static_cast<int32_t>(w->PropertyInt(LISTCONTROL, property));
}

BrowseSortOrderRow* BrowseManager::CurrentBrowseOrder() {
  if (!SORT || !CurrentSortOrder()) return nullptr;
  return &SORT->buffer;
}

uint8_t BrowseManager::CurrentSortNumber() const {
  return SORT ? static_cast<uint8_t>(SORT->Pointer()) : 0;
}

const rt::FileKey* BrowseManager::CurrentSortKey() {
  BrowseSortOrderRow* row = CurrentBrowseOrder();
  return row ? row->MAINKEY : nullptr;
}

rt::AnyRef BrowseManager::CurrentFreeElement() {
  BrowseSortOrderRow* row = CurrentBrowseOrder();
  return row ? row->FREEELEMENT : rt::AnyRef();
}

int32_t BrowseManager::CheckRows() {
  int32_t rows = static_cast<int32_t>(ListQueueRecords());
  if (BrowseSortOrderRow* extra = CurrentBrowseOrder()) {
    if (extra->LOCATOR) extra->LOCATOR->SetEnabled(rows != 0);
  }
  if (rows == 0) CURRENTCHOICE = 0;
  return rows;
}

void BrowseManager::ShowCurrentRow() {
  rt::Window* w = ListWindow();
  if (!w || LISTCONTROL == 0) return;
  w->SetPropertyInt(LISTCONTROL, rt::kPropSelected, CURRENTCHOICE);
  w->Post(rt::kEventNewSelection, LISTCONTROL);
}

void BrowseManager::SaveResetValues() {
  BrowseSortOrderRow* extra = CurrentBrowseOrder();
  if (extra && extra->RESETS) extra->RESETS->TransferLeftToRight();
}

void BrowseManager::RestoreResetValues() {
  BrowseSortOrderRow* extra = CurrentBrowseOrder();
  if (extra && extra->RESETS) extra->RESETS->TransferRightToLeft();
}

std::string BrowseManager::RowPosition(size_t pos) const {
  if (!LISTQUEUE || VIEWPOSITION.IsNull()) return {};
  const unsigned char* row = static_cast<const unsigned char*>(LISTQUEUE->RowAt(pos));
  if (!row) return {};
  const unsigned char* buffer = static_cast<const unsigned char*>(LISTQUEUE->Buffer());
  const unsigned char* field = static_cast<const unsigned char*>(VIEWPOSITION.address());
  // The position field lies inside the row buffer (it is a column of the list queue): read
  // the same column of the stored row. A field elsewhere is read through the buffer.
  if (buffer && field >= buffer && field + VIEWPOSITION.size() <= buffer + LISTQUEUE->RowSize()) {
    rt::AnyRef column(VIEWPOSITION.type(), const_cast<unsigned char*>(row) + (field - buffer),
                      VIEWPOSITION.size());
    return column.Text();
  }
  if (!LISTQUEUE->Get(pos)) return {};
  return VIEWPOSITION.Text();
}

size_t BrowseManager::FindRow(const std::string& position) const {
  if (!LISTQUEUE || position.empty()) return 0;
  for (size_t i = 1; i <= LISTQUEUE->Records(); ++i) {
    if (RowPosition(i) == position) return i;
  }
  return 0;
}

void BrowseManager::RepositionAt(const std::string& position) {
  OpenView();
  if (VIEW) VIEW->Reset(position);
}

// --- Reading -------------------------------------------------------------------------------

int BrowseManager::ReadNext() {
  int level = ViewManager::ReadNext();
  if (level == kLevelNoMore) {
    RestoreResetValues();
  } else if (level == kLevelError) {
    if (rt::Window* w = ListWindow()) w->Post(rt::kEventCloseWindow);
  }
  return level;
}

int BrowseManager::ReadPrevious() {
  int level = ViewManager::ReadPrevious();
  if (level == kLevelNoMore) {
    RestoreResetValues();
  } else if (level == kLevelError) {
    if (rt::Window* w = ListWindow()) w->Post(rt::kEventCloseWindow);
  }
  return level;
}

void BrowseManager::BuildRow() {
  if (FIELDS) FIELDS->TransferLeftToRight();
  if (!VIEWPOSITION.IsNull()) VIEWPOSITION.SetText(VIEW ? VIEW->Position() : std::string());
  // A row built from anything but a fill's read (a new row being typed) is nobody else's.
  if (!HELDMARK.IsNull()) HELDMARK.SetInteger(0);
}

void BrowseManager::FillRows(int direction) {
  if (!LISTQUEUE) return;
  const bool down = direction == kDown;
  if (QUICKSCAN && ITEMSTOFILL > 1 && PRIMARY) PRIMARY->SendQuickScanOption(1, 0);
  bool anchored = false;
  std::string anchor;
  if (LISTQUEUE->Records() != 0) {
    anchor = RowPosition(down ? LISTQUEUE->Records() : 1);
    RepositionAt(anchor);
    anchored = true;
  }
  while (ITEMSTOFILL > 0) {
    int level = down ? ReadNext() : ReadPrevious();
    if (level == kLevelNoMore) break;
    if (level != kLevelRecord) return;  // reported; the window is asked to close
    if (anchored) {
      anchored = false;
      if (VIEW && VIEW->Position() == anchor) continue;  // the anchor row itself
    }
    const size_t rows = LISTQUEUE->Records();
    if (LASTITEMS > 0 && rows >= static_cast<size_t>(LASTITEMS)) {
      LISTQUEUE->DeleteAt(down ? 1 : rows);
    }
    BuildRow();
    if (!HELDMARK.IsNull()) HELDMARK.SetInteger(LastReadHeld() ? 1 : 0);
    if (down) {
      LISTQUEUE->Append();
    } else {
      LISTQUEUE->InsertAt(1);
    }
    --ITEMSTOFILL;
  }
  if (QUICKSCAN && PRIMARY) PRIMARY->SendQuickScanOption(0, 0);
}

// --- Reset and fill ------------------------------------------------------------------------

void BrowseManager::Reload(int mode) {
  if (!LISTQUEUE) return;
  if (!ACTIVEINVISIBLE && ListProperty(rt::kPropVisible) == 0) {
    LOADPENDING = 1;
    return;
  }
  LOADED = 1;
  LOADPENDING = 0;
  WaitCursor wait;
  std::string highlighted;
  bool startedAtTop = false;
  int32_t offset = 0;
  int32_t savedChoice = 0;
  if (CURRENTCHOICE == 0) CURRENTCHOICE = 1;
  auto rows = [this] { return static_cast<int32_t>(LISTQUEUE->Records()); };
  if (mode == 2) {
    if (RETAINROW) offset = CURRENTCHOICE - 1;
  } else if (rows() != 0) {
    size_t at = static_cast<size_t>(CURRENTCHOICE) <= LISTQUEUE->Records()
                    ? static_cast<size_t>(CURRENTCHOICE)
                    : LISTQUEUE->Records();
    highlighted = RowPosition(at);
    RepositionAt(RowPosition(1));
  } else {
    startedAtTop = true;
    StartAtBeginning();
  }
  if (RETAINROW) savedChoice = CURRENTCHOICE;

  LISTQUEUE->Free();
  ITEMSTOFILL = std::max<int32_t>(LASTITEMS - offset, 0);
  FillRows(kDown);
  const bool shortBelow = ITEMSTOFILL != 0;

  auto findHighlight = [&] {
    if (!highlighted.empty()) {
      CURRENTCHOICE = static_cast<int32_t>(FindRow(highlighted));
    } else {
      CURRENTCHOICE = 1;
    }
    if (RETAINROW) offset = savedChoice - CURRENTCHOICE;
  };
  if (highlighted.empty() && rows() != 0) highlighted = RowPosition(1);
  findHighlight();
  if (rows() == 0) StartAtBeginning();

  ITEMSTOFILL = ALLOWUNFILLED ? 0 : std::max<int32_t>(LASTITEMS - rows(), 0);
  if (!startedAtTop && (ITEMSTOFILL != 0 || offset > 0)) {
    ITEMSTOFILL = std::max(ITEMSTOFILL, offset);
    FillRows(kUp);
    if (highlighted.empty() && rows() != 0) highlighted = RowPosition(LISTQUEUE->Records());
    findHighlight();
  }
  if (RETAINROW && (offset < 0 || (rows() < LASTITEMS && !shortBelow))) {
    ITEMSTOFILL = std::max(-offset, LASTITEMS - rows());
    FillRows(kDown);
    findHighlight();
  }
  while (LASTITEMS >= 0 && rows() > LASTITEMS) {
    if (offset < 0) {
      LISTQUEUE->DeleteAt(1);
      ++offset;
      --CURRENTCHOICE;
    } else {
      LISTQUEUE->DeleteAt(LISTQUEUE->Records());
    }
  }
  // The highlighted record may have gone (deleted elsewhere, or trimmed): never leave the
  // highlight off the list.
  if (CURRENTCHOICE <= 0) CURRENTCHOICE = 1;
  if (CURRENTCHOICE > rows() && rows() != 0) CURRENTCHOICE = rows();
  if (CheckRows() != 0) {
    LoadCurrentRow();
  } else if (PrimaryFile() && PrimaryFile()->FILE) {
    PrimaryFile()->FILE->Clear();
  }
}

bool BrowseManager::RefreshRange() {
  bool changed = false;
  const int32_t shown = ListProperty(rt::kPropItems);
  if (shown != LASTITEMS) {
    if (FILELOADED) {
      LASTITEMS = INT32_MAX;
    } else {
      LASTITEMS = shown;
      changed = true;
    }
  }
  if (!changed && ViewManager::RefreshRange()) changed = true;
  if (!changed) {
    BrowseSortOrderRow* extra = CurrentBrowseOrder();
    if (extra && extra->RESETS && !extra->RESETS->AllMatch()) changed = true;
  }
  if (changed) LOADPENDING = 1;
  return changed;
}

void BrowseManager::TakeClickedRow() {
  // The window refreshes its browses on a new selection before they see the event; the
  // refresh would put the highlight back on CURRENTCHOICE and lose the row the user clicked.
  const rt::Event* e = rt::CurrentEvent();
  if (!e || e->number != rt::kEventNewSelection || LISTCONTROL == 0 || e->control != LISTCONTROL) {
    return;
  }
  const int32_t selected = ListProperty(rt::kPropSelected);
  if (selected >= 1 && static_cast<uint32_t>(selected) <= ListQueueRecords()) {
    CURRENTCHOICE = selected;
  }
}

bool BrowseManager::ApplySort(uint8_t number, bool force) {
  TakeClickedRow();
  bool changed = false;
  if (SelectSortOrder(number)) {
    BrowseSortOrderRow* extra = CurrentBrowseOrder();
    if (extra && extra->LOCATOR) extra->LOCATOR->ResetLocator();
    changed = true;
  }
  const bool detected = RefreshRange();
  if (detected || changed || force || LOADED == 0 || LOADPENDING == 1) {
    SaveResetValues();
    InstallOrder();
    InstallFilter();
    if ((SELECTING || STARTATCURRENT) && LOADED == 0) {
      StartAt(FreeComponentPosition());
      Reload(2);
    } else if (LISTQUEUE && LISTQUEUE->Records() != 0) {
      // The row last fetched from the list queue is the highlighted one when it is in range.
      size_t at = CURRENTCHOICE > 0 && static_cast<size_t>(CURRENTCHOICE) <= LISTQUEUE->Records()
                      ? static_cast<size_t>(CURRENTCHOICE)
                      : 1;
      RepositionAt(RowPosition(at));
      Reload(2);
    } else {
      Reload(1);
    }
    if (LOADPENDING == 0) {
      ShowCurrentRow();
      RefreshThumbLimits();
      changed = true;
    }
  }
  LoadCurrentRow();
  return changed;
}

void BrowseManager::ReapplySort(bool force) { ApplySort(CurrentSortNumber(), force); }

void BrowseManager::LoadCurrentRow() {
  if (!FIELDS || !LISTQUEUE) return;
  if (LISTQUEUE->Records() == 0) {
    FIELDS->BlankLeft();
    return;
  }
  // A highlight off the list would load a stale buffer: hold it on the nearest row.
  int32_t rows = static_cast<int32_t>(LISTQUEUE->Records());
  if (CURRENTCHOICE < 1) CURRENTCHOICE = 1;
  if (CURRENTCHOICE > rows) CURRENTCHOICE = rows;
  if (LISTQUEUE->Get(static_cast<size_t>(CURRENTCHOICE))) FIELDS->TransferRightToLeft();
}

void BrowseManager::RefetchCurrentRow() {
  if (!LISTQUEUE || LISTQUEUE->Records() == 0) return;
  int32_t selected = ListProperty(rt::kPropSelected);
  if (selected >= 1 && static_cast<size_t>(selected) <= LISTQUEUE->Records()) {
    CURRENTCHOICE = selected;
  }
  if (CURRENTCHOICE < 1) CURRENTCHOICE = 1;
  if (!LISTQUEUE->Get(static_cast<size_t>(CURRENTCHOICE))) return;
  if (!VIEW) return;
  OpenView();
  VIEW->Watch();
  VIEW->Reget(VIEWPOSITION.Text());
}

void BrowseManager::ReloadFromRecord() {
  OpenView();
  if (VIEW) VIEW->ResetFromFile();  // its error code is not looked at: Reload copes
  Reload(2);
}

void BrowseManager::LocateFromBuffer() {
  const rt::FileKey* key = CurrentSortKey();
  size_t components = 1;
  if (key) components = PrimaryFile() ? PrimaryFile()->GetComponentCount(key) : key->ComponentCount();
  StartAt(static_cast<uint8_t>(std::min<size_t>(components, 255)));
  Reload(2);
  RefreshControls();
}

// --- Scrolling -----------------------------------------------------------------------------

void BrowseManager::HandleScroll(int32_t event) {
  if (event == 0) event = rt::EventNumber();
  if (!LISTQUEUE || LISTQUEUE->Records() == 0) return;
  switch (event) {
    case rt::kEventScrollUp:
    case rt::kEventScrollDown: StepOneRow(event); break;
    case rt::kEventPageUp:
    case rt::kEventPageDown: StepOnePage(event); break;
    case rt::kEventScrollTop:
    case rt::kEventScrollBottom: JumpToEnd(event); break;
    default: break;
  }
  AfterScroll();
}

void BrowseManager::AfterScroll() {
  ShowCurrentRow();
  BrowseSortOrderRow* extra = CurrentBrowseOrder();
  if (extra && extra->LOCATOR) extra->LOCATOR->ResetLocator();
  if (!extra || !extra->THUMB) PlaceThumb();
}

void BrowseManager::StepOneRow(int32_t event) {
  if (!LISTQUEUE) return;
  CURRENTEVENT = event;
  const int32_t rows = static_cast<int32_t>(LISTQUEUE->Records());
  if (event == rt::kEventScrollUp && CURRENTCHOICE > 1) {
    --CURRENTCHOICE;
  } else if (event == rt::kEventScrollDown && CURRENTCHOICE < rows) {
    ++CURRENTCHOICE;
  } else if (!FILELOADED) {
    ITEMSTOFILL = 1;
    FillRows(event == rt::kEventScrollUp ? kUp : kDown);
  }
}

void BrowseManager::StepOnePage(int32_t event) {
  if (!LISTQUEUE) return;
  CURRENTEVENT = event;
  int32_t n = ListProperty(rt::kPropItems);
  if (!FILELOADED) {
    ITEMSTOFILL = n;
    FillRows(event == rt::kEventPageUp ? kUp : kDown);
    n = ITEMSTOFILL;
  }
  const int32_t rows = static_cast<int32_t>(LISTQUEUE->Records());
  if (event == rt::kEventPageUp) {
    CURRENTCHOICE = std::max(CURRENTCHOICE - n, 1);
  } else {
    CURRENTCHOICE = std::min(CURRENTCHOICE + n, rows);
  }
}

void BrowseManager::JumpToEnd(int32_t event) {
  if (!LISTQUEUE) return;
  CURRENTEVENT = event;
  if (!FILELOADED) {
    LISTQUEUE->Free();
    StartAtBeginning();
    ITEMSTOFILL = ListProperty(rt::kPropItems);
    FillRows(event == rt::kEventScrollTop ? kDown : kUp);
  }
  CURRENTCHOICE = event == rt::kEventScrollTop ? 1 : static_cast<int32_t>(LISTQUEUE->Records());
  if (CURRENTCHOICE == 0 && LISTQUEUE->Records() != 0) CURRENTCHOICE = 1;
}

// --- Thumb ---------------------------------------------------------------------------------

void BrowseManager::PlaceThumb() {
  rt::Window* w = ListWindow();
  if (!w || LISTCONTROL == 0) return;
  uint8_t position = ThumbRule::PlacePosition(FILELOADED != 0, CURRENTCHOICE,
                                              static_cast<int32_t>(ListQueueRecords()),
                                              ITEMSTOFILL, CURRENTEVENT);
  w->SetPropertyInt(LISTCONTROL, rt::kPropThumb, position);
}

void BrowseManager::RefreshThumb() {
  rt::Window* w = ListWindow();
  if (!w || LISTCONTROL == 0) return;
  if (!ThumbRule::ScrollBarShown(HASTHUMB != 0, ListQueueRecords(), ListProperty(rt::kPropItems))) {
    w->SetPropertyInt(LISTCONTROL, rt::kPropVScroll, 0);
    return;
  }
  w->SetPropertyInt(LISTCONTROL, rt::kPropVScroll, 1);
  BrowseSortOrderRow* extra = CurrentBrowseOrder();
  rt::AnyRef free = CurrentFreeElement();
  if (!extra || !extra->THUMB || free.IsNull()) {
    PlaceThumb();
  } else if (LOADED == 1 && LOADPENDING == 0) {
    LoadCurrentRow();
    w->SetPropertyInt(LISTCONTROL, rt::kPropThumb, extra->THUMB->PercentForValue(free));
  }
}

void BrowseManager::RefreshThumbLimits() {
  BrowseSortOrderRow* extra = CurrentBrowseOrder();
  if (!extra || !extra->THUMB || !extra->THUMB->RangeEndsNeeded()) return;
  if (!ALLOWUNFILLED && ListProperty(rt::kPropItems) > static_cast<int32_t>(ListQueueRecords())) {
    return;
  }
  rt::AnyRef free = CurrentFreeElement();
  if (free.IsNull()) return;
  WaitCursor wait;
  StartAtBeginning();
  if (ViewManager::ReadPrevious() != kLevelRecord) return;
  rt::OwnedValue high = rt::OwnedValue::CopyOf(free);
  StartAtBeginning();
  if (ViewManager::ReadNext() != kLevelRecord) return;
  extra->THUMB->SetRangeEnds(free, high.Ref());
}

void BrowseManager::HandleThumbDrag() {
  rt::Window* w = ListWindow();
  if (!w || LISTCONTROL == 0) return;
  BrowseSortOrderRow* extra = CurrentBrowseOrder();
  rt::AnyRef free = CurrentFreeElement();
  const bool hasStep = extra && extra->THUMB && !free.IsNull();
  ThumbRule::Drag drag =
      ThumbRule::ForDrag(w->PropertyInt(LISTCONTROL, rt::kPropThumb), hasStep, FILELOADED != 0,
                         static_cast<int32_t>(ListQueueRecords()));
  switch (drag.action) {
    case ThumbRule::DragAction::kNone: break;
    case ThumbRule::DragAction::kPostTop: w->Post(rt::kEventScrollTop, LISTCONTROL); break;
    case ThumbRule::DragAction::kPostBottom: w->Post(rt::kEventScrollBottom, LISTCONTROL); break;
    case ThumbRule::DragAction::kPostPageUp: w->Post(rt::kEventPageUp, LISTCONTROL); break;
    case ThumbRule::DragAction::kPostPageDown: w->Post(rt::kEventPageDown, LISTCONTROL); break;
    case ThumbRule::DragAction::kLocateValue:
      free.Assign(extra->THUMB->ValueForPercent(drag.position).Ref());
      LocateFromBuffer();
      break;
    case ThumbRule::DragAction::kSetChoice:
      CURRENTCHOICE = drag.choice;
      AfterScroll();
      break;
  }
}

// --- Events, keys and buttons --------------------------------------------------------------

void BrowseManager::HandleEvent() {
  const rt::Event* e = rt::CurrentEvent();
  if (!e) return;
  const int event = e->number;
  if (LISTCONTROL != 0 && e->control == LISTCONTROL) {
    switch (event) {
      case rt::kEventScrollUp:
      case rt::kEventScrollDown:
      case rt::kEventPageUp:
      case rt::kEventPageDown:
      case rt::kEventScrollTop:
      case rt::kEventScrollBottom: HandleScroll(0); break;
      case rt::kEventScrollDrag: HandleThumbDrag(); break;
      case rt::kEventAlertKey: HandleKey(); break;
      case rt::kEventNewSelection: HandleNewSelection(); break;
      case rt::kEventLocate: RunQuery(); break;
      default: break;
    }
  }
  const int32_t accepted = rt::Accepted();
  if (accepted != 0) {
    if (accepted == DELETECONTROL) {
      if (WINDOW) WINDOW->FetchSelectedRecords();
      RunRecordRequest(kRequestDelete);
    } else if (accepted == CHANGECONTROL) {
      if (WINDOW) WINDOW->FetchSelectedRecords();
      RunRecordRequest(kRequestChange);
    } else if (accepted == INSERTCONTROL) {
      if (WINDOW) WINDOW->FetchSelectedRecords();
      RunRecordRequest(kRequestInsert);
    } else if (accepted == SELECTCONTROL) {
      if (WINDOW) WINDOW->RESPONSE = kResponseCompleted;
      if (rt::Window* w = ListWindow()) w->Post(rt::kEventCloseWindow);
    } else if (accepted == PRINTCONTROL) {
      RefetchCurrentRow();
      if (WINDOW) WINDOW->CallProcedure(PRINTPROCEDURE, kRequestPrint);
    } else if (accepted == QUERYCONTROL) {
      RunQuery();
    } else if (accepted == TOOLCONTROL) {
      if (POPUP) POPUP->ShowToolbox("Browse Actions");
    } else {
      BrowseSortOrderRow* row = CurrentBrowseOrder();
      CharacterLocator* locator = row ? row->LOCATOR : nullptr;
      if (locator && locator->CONTROL != 0 && accepted == locator->CONTROL &&
          locator->HandleAccepted()) {
        StartAt(FreeComponentPosition());
        if (rt::Window* w = ListWindow()) w->Select(LISTCONTROL);
        Reload(2);
        locator->AfterLocate();
        RefreshControls();
      }
    }
  }
  if (event == rt::kEventCloseWindow && WINDOW && WINDOW->RESPONSE == kResponseCompleted &&
      SELECTING == 1) {
    LoadCurrentRow();
  }
}

bool BrowseManager::PassKeyToLocator() {
  BrowseSortOrderRow* row = CurrentBrowseOrder();
  if (!row || !row->LOCATOR) return false;
  if (row->LOCATOR->HandleTypedKey()) {
    StartAt(FreeComponentPosition());
    Reload(2);
    return true;
  }
  return ListQueueRecords() != 0;
}

bool BrowseManager::HandleKey() {
  rt::Window* w = ListWindow();
  const int key = rt::KeyCode();
  auto handled = [this] {
    RefreshControls();
    ShowCurrentRow();
    return true;
  };
  auto press = [w](int32_t control) {
    if (w) w->Post(rt::kEventAccepted, control);
  };
  if (key == rt::kMouseRightUp) {
    const int32_t row = ListProperty(rt::kPropMouseDownRow);
    if (row > 0 && static_cast<uint32_t>(row) <= ListQueueRecords()) CURRENTCHOICE = row;
    ShowCurrentRow();
    return false;
  }
  if (ListQueueRecords() != 0) {
    switch (key) {
      case rt::kKeyInsert:
        if (INSERTCONTROL == 0) return false;
        press(INSERTCONTROL);
        return handled();
      case rt::kKeyDelete:
        if (DELETECONTROL == 0) return false;
        press(DELETECONTROL);
        return handled();
      case rt::kKeyCtrlEnter:
        if (CHANGECONTROL == 0) return false;
        press(CHANGECONTROL);
        LoadCurrentRow();
        return handled();
      case rt::kMouseLeftDouble:
        if (SELECTING == 0) {
          if (CHANGECONTROL == 0) return false;
          press(CHANGECONTROL);
          LoadCurrentRow();
          return handled();
        }
        if (SELECTCONTROL == 0) return false;
        press(SELECTCONTROL);
        return handled();
      default:
        if (PassKeyToLocator()) return handled();
        return false;
    }
  }
  if (PassKeyToLocator()) return handled();
  if (key == rt::kKeyInsert && INSERTCONTROL != 0) {
    press(INSERTCONTROL);
    return handled();
  }
  return false;
}

void BrowseManager::HandleNewSelection() {
  if (ListQueueRecords() != 0) {
    const int32_t selected = ListProperty(rt::kPropSelected);
    if (selected >= 1 && static_cast<uint32_t>(selected) <= ListQueueRecords()) {
      CURRENTCHOICE = selected;
    }
    LASTCHOICE = CURRENTCHOICE;
  }
  LoadCurrentRow();
  if (rt::KeyCode() == rt::kMouseRightUp) {
    // The right click is answered by this menu, chosen from or dismissed: a key code left
    // behind would open it again at the next new selection the refresh posts.
    rt::SetKeyCode(0);
    if (POPUP) POPUP->ShowMenu(0, 0);
  } else if (WINDOW) {
    WINDOW->Refresh(false);
  }
}

int BrowseManager::RunRecordRequest(uint8_t request) {
  int response = kResponseCancelled;
  do {
    if (WINDOW && WINDOW->VCRREQUEST) *WINDOW->VCRREQUEST = 0;
    if (request == kRequestInsert && PrimeForInsert(0) != kLevelGoOn) {
      // No number for the new row (the user has been asked, or told why): the attempt ends
      // here, with no row to type into and the list as it was.
      if (WINDOW && WINDOW->VCRREQUEST) *WINDOW->VCRREQUEST = 0;
      uint8_t r = request;
      uint8_t cancelled = kResponseCancelled;
      ReloadAfterRequest(r, cancelled);
      return kResponseCancelled;
    }
    if (rt::KeyCode() == rt::kMouseRightUp) rt::SetKeyCode(0);
    if (ASKPROCEDURE != 0) {
      uint8_t r = request;
      uint8_t answer = static_cast<uint8_t>(WINDOW ? WINDOW->CallProcedure(ASKPROCEDURE, request)
                                                   : kResponseCancelled);
      ReloadAfterRequest(r, answer);
      request = r;
      response = answer;
    } else {
      response = EditRowInPlace(request);
    }
  } while (WINDOW && WINDOW->VCRREQUEST && *WINDOW->VCRREQUEST != 0);
  return response;
}

int BrowseManager::EditRowInPlace(uint8_t request) {
  if (ROWEDITOR) return ROWEDITOR->EditRow(*this, request);
  // Without the edit-in-place code a delete still needs no editing; an insert or a change
  // cannot be edited, so it is cancelled and a reserved number is given back.
  uint8_t response = kResponseCancelled;
  if (request == kRequestDelete) {
    if (PRIMARY && PRIMARY->Delete(1) == kLevelGoOn) response = kResponseCompleted;
  } else if (request == kRequestInsert && PRIMARY) {
    PRIMARY->ReleaseNumber();
  }
  ReloadAfterRequest(request, response);
  return response;
}

void BrowseManager::ReloadAfterRequest(uint8_t& request, uint8_t& response) {
  if (response == kResponseCompleted) {
    if (VIEW) VIEW->Flush();
    if (request == kRequestDelete) {
      // The row last fetched is the one deleted: drop it now, and reload from the rest.
      if (LISTQUEUE && LISTQUEUE->Records() != 0 && CURRENTCHOICE >= 1 &&
          static_cast<size_t>(CURRENTCHOICE) <= LISTQUEUE->Records()) {
        LISTQUEUE->DeleteAt(static_cast<size_t>(CURRENTCHOICE));
      }
      Reload(1);
    } else {
      ReloadFromRecord();
    }
  } else {
    Reload(1);
  }
  const int32_t vcr = WINDOW && WINDOW->VCRREQUEST ? *WINDOW->VCRREQUEST : 0;
  if (vcr == kToolbarInsert || (vcr == kToolbarDown && request == kRequestInsert)) {
    request = kRequestInsert;
    if (PrimaryFile() && PrimaryFile()->FILE) {
      PrimaryFile()->FILE->ClearCurrent();
      PrimaryFile()->FILE->Clear();
    }
  } else {
    HandleToolbarScroll(vcr);
  }
  if (vcr == 0) {
    RefreshThumbLimits();
    RefreshControls();
    ShowCurrentRow();
    if (rt::Window* w = ListWindow()) w->Select(LISTCONTROL);
  }
}

void BrowseManager::HandleToolbarScroll(int32_t button) {
  int event = 0;
  switch (button) {
    case kToolbarBottom: event = rt::kEventScrollBottom; break;
    case kToolbarTop: event = rt::kEventScrollTop; break;
    case kToolbarPageDown: event = rt::kEventPageDown; break;
    case kToolbarPageUp: event = rt::kEventPageUp; break;
    case kToolbarDown: event = rt::kEventScrollDown; break;
    case kToolbarUp: event = rt::kEventScrollUp; break;
    default: return;
  }
  HandleScroll(event);
  if (WINDOW) {
    WINDOW->Refresh(false);
    WINDOW->FetchSelectedRecords();
  }
}

void BrowseManager::RunQuery() {
  // Cancel leaves the filter that is installed as it is.
  if (QUERY && !QUERY->TRANSLATOR && WINDOW) QUERY->TRANSLATOR = WINDOW->TRANSLATOR;
  if (!QUERY || QUERY->EnterValues(1) == 0) return;
  ApplyQueryFilter(QUERY->BuildFilterText());
}

void BrowseManager::ApplyQueryFilter(const std::string& text) {
  if (QUERYSHARED && SORT) {
    const uint8_t current = CurrentSortNumber();
    for (size_t i = 1; i <= SORT->Records() && i <= 255; ++i) {
      SelectSortOrder(static_cast<uint8_t>(i));
      SetNamedFilter(kQbeFilterId, text);
    }
    SelectSortOrder(current);
  } else {
    SetNamedFilter(kQbeFilterId, text);
  }
  ReapplySort(true);
}

void BrowseManager::EnableControl(int32_t control, bool enabled) {
  rt::Window* w = ListWindow();
  if (!w || control == 0 || !w->Find(control)) return;
  if (enabled) {
    w->Enable(control);
  } else {
    w->Disable(control);
  }
}

void BrowseManager::PrepareList() {
  rt::Window* w = ListWindow();
  if (w && LISTCONTROL != 0) {
    w->SetPropertyInt(LISTCONTROL, rt::kPropAlertKey, rt::kMouseLeftDouble, kSlotDoubleClick);
    w->SetPropertyInt(LISTCONTROL, rt::kPropAlertKey, rt::kMouseRightUp, kSlotRightClick);
    HASTHUMB = w->PropertyInt(LISTCONTROL, rt::kPropVScroll) != 0;
    w->SetPropertyInt(LISTCONTROL, rt::kPropVScroll, 0);
  }
  if (SORT) {
    for (size_t i = 1; i <= SORT->Records(); ++i) {
      const BrowseSortOrderRow* row = SORT->At(i);
      if (row->LOCATOR) row->LOCATOR->PrepareForList(LISTCONTROL);
    }
  }
  auto alert = [&](int key, int slot) {
    if (w && LISTCONTROL != 0) w->SetPropertyInt(LISTCONTROL, rt::kPropAlertKey, key, slot);
  };
  if (!POPUP) return;
  // The menu speaks the window's language.
  if (!POPUP->TRANSLATOR && WINDOW) POPUP->TRANSLATOR = WINDOW->TRANSLATOR;
  if (INSERTCONTROL) {
    alert(rt::kKeyInsert, kSlotInsert);
    POPUP->AppendMimicItem("!&Insert", "&Insert", INSERTCONTROL);
  }
  if (CHANGECONTROL) {
    alert(rt::kKeyCtrlEnter, kSlotChange);
    POPUP->AppendMimicItem("!&Change", "&Change", CHANGECONTROL);
  }
  if (DELETECONTROL) {
    alert(rt::kKeyDelete, kSlotDelete);
    POPUP->AppendMimicItem("!&Delete", "&Delete", DELETECONTROL);
  }
  if (PRINTCONTROL) POPUP->AppendMimicItem("!&Print", "&Print", PRINTCONTROL);
  if (QUERYCONTROL) POPUP->AppendMimicItem("!&Query", "&Query", QUERYCONTROL);
  if (SELECTCONTROL && SELECTING) POPUP->AppendMimicItem("!&Select", "&Select", SELECTCONTROL);
  if (TOOLCONTROL) {
    POPUP->AppendItem("-");
    std::string name = POPUP->AppendMimicItem("!&Toolbox", "&Toolbox", TOOLCONTROL);
    POPUP->EnableToolbox(name, 0);
  }
}

void BrowseManager::RefreshControls() {
  BrowseSortOrderRow* row = CurrentBrowseOrder();
  if (row && row->LOCATOR) row->LOCATOR->RefreshLocator();
  const bool hasRows = CheckRows() != 0;
  EnableControl(CHANGECONTROL, hasRows);
  EnableControl(DELETECONTROL, hasRows);
  EnableControl(PRINTCONTROL, hasRows);
  rt::Window* w = ListWindow();
  if (SELECTCONTROL && w && w->Find(SELECTCONTROL)) {
    if (SELECTING) {
      if (hasRows && WINDOW && WINDOW->REQUEST == kRequestSelect) {
        w->Enable(SELECTCONTROL);
        w->SetPropertyInt(SELECTCONTROL, rt::kPropDefault, 1);
      } else {
        w->Disable(SELECTCONTROL);
      }
    } else if (HIDESELECT == 1) {
      w->Disable(SELECTCONTROL);
      w->Hide(SELECTCONTROL);
    }
  }
  RefreshThumb();
  if (TOOLBAR) TOOLBAR->RefreshButtons();
  if (w && LISTCONTROL != 0) {
    w->Display(LISTCONTROL);
    w->SetPropertyInt(LISTCONTROL, rt::kPropSelected, CURRENTCHOICE);
  }
}

}  // namespace fw
