#include "framework/eip/row_edit_session.h"

#include <algorithm>
#include <cstring>

#include "framework/browse/browse_manager.h"
#include "framework/browse/toolbar_target.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/eip/row_in_place_editor.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/error_manager.h"
#include "framework/errors/level.h"
#include "framework/window/window_manager.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/control.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/files/view.h"
#include "runtime/windows/properties.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace fw {

namespace {

// The list's alert slot for a double click (the browse's change key): silenced while a row is
// in edit, so a double click cannot start a second edit inside this one.
constexpr int kSlotDoubleClick = 252;

constexpr uint8_t kGoOnBit = 0x08;       // go on with the next (Up: previous) row
constexpr uint8_t kKeepColumnBit = 0x10; // ...in the same column (arrow keys only)

}  // namespace

RowEditSession::RowEditSession(BrowseManager& browse, uint8_t request)
    : browse_(browse), request_(request), response_(kResponseCancelled) {}

FileManager* RowEditSession::File() const {
  return browse_.PRIMARY ? browse_.PRIMARY->ME : nullptr;
}

int RowEditSession::Finish() {
  uint8_t request = request_;
  uint8_t response = response_;
  browse_.ReloadAfterRequest(request, response);
  return response;
}

// --- Columns and editors -------------------------------------------------------------------

EditInPlaceControl* RowEditSession::EditorOf(int32_t column) const {
  if (!browse_.EDITLIST) return nullptr;
  for (const BrowseEditRow& row : *browse_.EDITLIST) {
    if (row.FIELD == column) return row.CONTROL;
  }
  return nullptr;
}

EditInPlaceControl* RowEditSession::EditorWithControl(int32_t control) const {
  if (!browse_.EDITLIST || control == 0) return nullptr;
  for (const BrowseEditRow& row : *browse_.EDITLIST) {
    if (row.CONTROL && row.CONTROL->FEQ == control) return row.CONTROL;
  }
  return nullptr;
}

bool RowEditSession::Editable(int32_t column) const {
  EditInPlaceControl* editor = column >= 1 ? EditorOf(column) : nullptr;
  return editor && editor->FEQ != 0;
}

int32_t RowEditSession::LastColumn() const {
  int32_t last = 0;
  if (browse_.EDITLIST) {
    for (const BrowseEditRow& row : *browse_.EDITLIST) last = std::max(last, row.FIELD);
  }
  return last;
}

// Before anything is shown: would any list column get an editor? A column needs a field pair
// to be bound to, and a registration that is not a null editor.
bool RowEditSession::CanEdit() const {
  if (!browse_.FIELDS || !browse_.EDITLIST) return false;
  for (int32_t i = 1; !window_->Property(browse_.LISTCONTROL, rt::kPropColumnFormat, i).empty();
       ++i) {
    if (static_cast<size_t>(i) > browse_.FIELDS->Count()) break;
    bool registered = false;
    bool has_editor = false;
    for (const BrowseEditRow& row : *browse_.EDITLIST) {
      if (row.FIELD != i) continue;
      registered = true;
      has_editor = row.CONTROL != nullptr;
      break;
    }
    if (!registered || has_editor) return true;
  }
  return false;
}

void RowEditSession::MakeEditors() {
  const int32_t list = browse_.LISTCONTROL;
  for (int32_t i = 1; !window_->Property(list, rt::kPropColumnFormat, i).empty(); ++i) {
    bool registered = false;
    for (const BrowseEditRow& row : *browse_.EDITLIST) registered |= row.FIELD == i;
    if (!registered) browse_.AttachEditor(new EditInPlaceControl, i, 1);
    EditInPlaceControl* editor = EditorOf(i);
    const bool bound = static_cast<size_t>(i) <= browse_.FIELDS->Count();
    if (editor && bound) {
      editor->SetWindow(window_);
      editor->Setup(i, list, browse_.FIELDS->Right(static_cast<size_t>(i - 1)));
    }
    if (!editor || !bound || editor->FEQ == 0) {
      window_->SetPropertyInt(list, rt::kPropColumnTextColor, rt::kColorGrayText, i);
      greyed_.push_back(i);
    }
  }
}

void RowEditSession::RemoveEditors() {
  const int32_t list = browse_.LISTCONTROL;
  TakeEditorOffCell();
  for (const BrowseEditRow& row : *browse_.EDITLIST) {
    if (row.CONTROL) row.CONTROL->Teardown();
  }
  for (int32_t column : greyed_) {
    window_->SetPropertyInt(list, rt::kPropColumnTextColor, rt::kColorDefault, column);
  }
  greyed_.clear();
  window_->SetPropertyInt(list, rt::kPropAlertKey, rt::kMouseLeftDouble, kSlotDoubleClick);
}

// From EditColumn, the first column with an editor: going forward it turns back after the
// last registered column, going backward it turns forward at column 1. So a start on a column
// without an editor finds the nearest editable one to its left, else the first one.
int32_t RowEditSession::FindEditableColumn() {
  const int32_t last = LastColumn();
  int32_t column = EditColumn;
  bool forward = forward_;
  forward_ = false;
  if (column < 1) column = 1;
  if (column > last + 1) column = last + 1;
  for (int32_t guard = 0; guard <= 2 * last + 2; ++guard) {
    if (Editable(column)) {
      EditColumn = column;
      return column;
    }
    if (forward) {
      if (column >= last) {
        forward = false;
        --column;
      } else {
        ++column;
      }
    } else if (column <= 1) {
      forward = true;
      ++column;
    } else {
      --column;
    }
  }
  return 0;
}

void RowEditSession::ShowEditor() {
  rt::SetKeyCode(0);
  const int32_t column = FindEditableColumn();
  if (column == 0 || column == shown_) return;
  EditInPlaceControl* editor = EditorOf(column);
  window_->SetPropertyInt(browse_.LISTCONTROL, rt::kPropColumnEditor, editor->FEQ, column);
  window_->Select(editor->FEQ);
  shown_ = column;
}

void RowEditSession::TakeEditorOffCell() {
  if (shown_ == 0) return;
  window_->SetPropertyInt(browse_.LISTCONTROL, rt::kPropColumnEditor, 0, shown_);
  shown_ = 0;
}

bool RowEditSession::StoreCell() {
  if (shown_ == 0) return true;
  rt::RowQueue* queue = browse_.LISTQUEUE;
  EditInPlaceControl* editor = EditorOf(shown_);
  if (editor && editor->FEQ != 0) {
    // Only a text the user touched is read back: a value the picture cannot show in full
    // (shown as "#####") must not be refused when it was never edited.
    const rt::Control* entry = window_->Find(editor->FEQ);
    if (entry && entry->modified() && !window_->Update(editor->FEQ)) return false;
  }
  const int32_t row = browse_.CURRENTCHOICE;
  if (row >= 1 && static_cast<size_t>(row) <= queue->Records()) {
    std::memcpy(queue->RowAt(static_cast<size_t>(row)), queue->Buffer(), queue->RowSize());
  }
  window_->Display(browse_.LISTCONTROL);
  TakeEditorOffCell();
  return true;
}

void RowEditSession::RefuseCell() {
  rt::Beep();
  if (EditInPlaceControl* editor = EditorOf(shown_)) window_->Select(editor->FEQ);
}

// --- Completing the row --------------------------------------------------------------------

bool RowEditSession::CompleteRow(uint8_t setting, bool tab) {
  const uint8_t bits = setting & 0x07;
  Pending pending;
  if (tab) {
    pending = bits == 1 ? kSave : bits == 2 ? kAbandon : kAsk;
  } else {
    pending = bits <= 1 ? kSave : bits == 2 ? kAbandon : kAsk;
  }
  keep_ = false;
  if (!StoreCell()) {
    // A text the column cannot take is neither saved nor thrown away behind the user's back.
    keep_ = true;
    RefuseCell();
    return false;
  }
  Pending decision = pending;
  if (browse_.FIELDS->LeftMatchesRight()) {
    decision = kAbandon;  // unchanged rows are never written nor asked about
  } else if (pending == kAsk) {
    ErrorManager* errors = browse_.WINDOW ? browse_.WINDOW->ERRORS : nullptr;
    const int answer = errors ? errors->AskWithButtons(kErrSaveRecord, rt::kButtonsYesNoCancel,
                                                       rt::kButtonYes)
                              : rt::kButtonYes;
    decision = answer == rt::kButtonYes ? kSave : answer == rt::kButtonNo ? kAbandon : kAsk;
    if (decision == kAsk) keep_ = true;  // Cancel: back to the row
  }
  if (decision == kAbandon) {
    AbandonRow();
  } else if (decision == kSave) {
    SaveRow();
  }
  EditColumn = 1;
  if (keep_) ShowEditor();
  return !keep_;
}

void RowEditSession::SaveRow() {
  response_ = kResponseCompleted;
  FileManager* file = File();
  uint16_t saved = file ? file->SnapshotBuffer() : 0;
  browse_.LoadCurrentRow();
  // Only what this save notes may end the edit below.
  if (file) file->SyncThreadInfo().LASTERROR = 0;
  int result = kLevelFatal;
  if (request_ == kRequestInsert) {
    if (file) result = file->Insert();
  } else if (browse_.PRIMARY) {
    result = browse_.PRIMARY->Update(0);
  }
  if (result != kLevelGoOn) {
    keep_ = true;
    response_ = kResponseCancelled;
    // A row another station deleted can never be saved: the user has been told once, and
    // the edit ends so the list can show the table as it is now.
    if (file && file->SyncThreadInfo().LASTERROR == kErrRecordDeleted) {
      keep_ = false;
      row_deleted_ = true;
    }
  }
  // A failed save gives the record buffer back as it was; a good one drops the copy.
  if (file) file->RestoreSnapshot(saved, result != kLevelGoOn);
  if (browse_.VIEW) browse_.VIEW->Flush();
}

void RowEditSession::AbandonRow() {
  if (request_ != kRequestInsert || row_gone_) return;
  row_gone_ = true;
  rt::RowQueue* queue = browse_.LISTQUEUE;
  gone_at_ = browse_.CURRENTCHOICE;
  if (gone_at_ >= 1 && static_cast<size_t>(gone_at_) <= queue->Records()) {
    queue->DeleteAt(static_cast<size_t>(gone_at_));
  }
  if (browse_.CURRENTCHOICE > 0) --browse_.CURRENTCHOICE;
  // The number reserved for the new row goes back.
  if (browse_.PRIMARY) {
    browse_.PRIMARY->ReleaseNumber();
  } else if (FileManager* file = File()) {
    file->ReleaseNumber(nullptr);
  }
  window_->Display(browse_.LISTCONTROL);
}

void RowEditSession::SetNavigation(int32_t request) {
  // The edit of a row another station deleted ends where it is: the key that tried to save
  // it does not go on to edit, or insert, another row.
  if (row_deleted_) return;
  if (browse_.WINDOW && browse_.WINDOW->VCRREQUEST) *browse_.WINDOW->VCRREQUEST = request;
}

// --- Events --------------------------------------------------------------------------------

void RowEditSession::HandleEditorAction(EditAction action) {
  switch (action) {
    case kEditActionNext: {
      const int32_t column = EditColumn;
      if (!StoreCell()) {
        RefuseCell();
        return;
      }
      EditColumn = column + 1;
      forward_ = true;
      const int32_t next = FindEditableColumn();
      if (next != 0 && next != column) {
        ShowEditor();
      } else {
        EditColumn = column;
        if (CompleteRow(browse_.TABACTION, true) && (browse_.TABACTION & kGoOnBit)) {
          SetNavigation(kToolbarDown);
        }
      }
      return;
    }
    case kEditActionPrevious:
      if (EditColumn <= 1) return;
      if (!StoreCell()) {
        RefuseCell();
        return;
      }
      --EditColumn;
      ShowEditor();
      return;
    case kEditActionComplete:
      if (CompleteRow(browse_.ENTERACTION, false) && (browse_.ENTERACTION & kGoOnBit)) {
        SetNavigation(kToolbarDown);
      }
      return;
    case kEditActionCancel:
      TakeEditorOffCell();
      AbandonRow();
      EditColumn = 1;
      keep_ = false;
      return;
    case kEditActionForward:
    case kEditActionBackward: {
      const int32_t column = EditColumn;
      const uint8_t setting = browse_.ARROWACTION;
      if (!CompleteRow(setting, false)) return;
      if (setting & kGoOnBit) {
        SetNavigation(action == kEditActionForward ? kToolbarDown : kToolbarUp);
      }
      if (setting & kKeepColumnBit) EditColumn = column;
      return;
    }
    case kEditActionNone:
      return;
  }
}

void RowEditSession::HandleOtherControl(const rt::Event& e) {
  const int32_t list = browse_.LISTCONTROL;
  if (e.control == list) {
    if (e.number != rt::kEventNewSelection) return;
    int32_t selected = static_cast<int32_t>(window_->PropertyInt(list, rt::kPropSelected));
    if (selected == browse_.CURRENTCHOICE) {
      if (rt::KeyCode() != rt::kMouseLeft) return;
      // A click on another cell of the row being edited moves the entry there.
      if (!StoreCell()) {
        RefuseCell();
        return;
      }
      const int32_t column = static_cast<int32_t>(window_->PropertyInt(list, rt::kPropMouseDownColumn));
      if (column > 0) EditColumn = column;
      ShowEditor();
      return;
    }
    if (CompleteRow(browse_.FOCUSLOSSACTION, false)) {
      // The abandoned new row no longer pushes the rows below it down.
      if (row_gone_ && selected > gone_at_) --selected;
      browse_.CURRENTCHOICE = selected;
    } else {
      window_->SetPropertyInt(list, rt::kPropSelected, browse_.CURRENTCHOICE);
    }
    return;
  }
  const rt::Control* control = window_->Find(e.control);
  if (!control) return;  // a control gone since the event was queued: nothing was left
  if (control->kind() == rt::ControlKind::kButton && e.number == rt::kEventSelected) return;
  if (CompleteRow(browse_.FOCUSLOSSACTION, false)) {
    post_event_ = e.number;
    post_control_ = e.control;
  }
  // When the row stays in edit the user chose to stay: the action that left it is dropped
  // rather than carried out once the edit ends later.
}

int RowEditSession::HandleWindowEvent(const rt::Event& e) {
  switch (e.number) {
    case rt::kEventCloseWindow:
    case rt::kEventCloseDown:
    case rt::kEventSized:
      if (!CompleteRow(browse_.FOCUSLOSSACTION, false)) {
        // The edit ends whatever the completion said: a new row that was not saved must
        // not stay behind in the file with its reserved number.
        TakeEditorOffCell();
        AbandonRow();
      }
      keep_ = false;
      post_event_ = e.number;
      post_control_ = 0;
      return rt::kStepLeave;
    case rt::kEventSizeRequest:
    case rt::kEventMaximizeRequest:
    case rt::kEventMinimizeRequest:
      return rt::kStepSkip;
    default:
      return rt::kStepDefault;
  }
}

void RowEditSession::RunLoop() {
  rt::EventLoop loop(*window_);
  bool done = false;
  while (loop.Next()) {
    keep_ = true;
    const rt::Event e = loop.event();
    int step = rt::kStepDefault;
    if (e.control != 0) {
      if (EditInPlaceControl* editor = EditorWithControl(e.control)) {
        HandleEditorAction(editor->HandleEditorEvent(e.number));
      } else {
        HandleOtherControl(e);
      }
    } else {
      step = HandleWindowEvent(e);
    }
    if (!keep_) {
      done = true;
      loop.EndEvent(rt::kStepLeave);
      break;
    }
    loop.EndEvent(step);
  }
  if (!done) {
    // The window went away under the edit: nothing was saved, so a new row goes too.
    TakeEditorOffCell();
    AbandonRow();
  }
}

// --- The call ------------------------------------------------------------------------------

int RowEditSession::Run() {
  window_ = browse_.ListWindow();
  rt::RowQueue* queue = browse_.LISTQUEUE;
  const int32_t list = browse_.LISTCONTROL;
  if (!window_ || !queue || list == 0 || !browse_.FIELDS || !browse_.EDITLIST) {
    if (request_ == kRequestInsert && browse_.PRIMARY) browse_.PRIMARY->ReleaseNumber();
    return Finish();
  }
  const int32_t selected = static_cast<int32_t>(window_->PropertyInt(list, rt::kPropSelected));
  if (selected > 0) browse_.CURRENTCHOICE = selected;
  if (browse_.PRIMARY) browse_.PRIMARY->SaveLinkValues();

  if (request_ == kRequestDelete) {
    if (browse_.PRIMARY && browse_.PRIMARY->Delete(1) == kLevelGoOn) {
      response_ = kResponseCompleted;
    }
    return Finish();
  }
  // Nothing to edit (every column read-only, or no row to change): the edit does not start.
  if (!CanEdit() || (request_ == kRequestChange && queue->Records() == 0)) {
    if (request_ == kRequestInsert && browse_.PRIMARY) browse_.PRIMARY->ReleaseNumber();
    return Finish();
  }
  if (request_ == kRequestInsert) {
    PrepareInsert();
  } else {
    const int32_t rows = static_cast<int32_t>(queue->Records());
    if (browse_.CURRENTCHOICE < 1) browse_.CURRENTCHOICE = 1;
    if (browse_.CURRENTCHOICE > rows) browse_.CURRENTCHOICE = rows;
    if (rt::KeyCode() == rt::kMouseLeftDouble) {
      const int32_t column = static_cast<int32_t>(window_->PropertyInt(list, rt::kPropMouseDownColumn));
      if (column > 0) EditColumn = column;
    }
  }

  MakeEditors();
  queue->Get(static_cast<size_t>(browse_.CURRENTCHOICE));
  window_->SetPropertyInt(list, rt::kPropAlertKey, 0, kSlotDoubleClick);
  ShowEditor();
  if (shown_ != 0) {
    RunLoop();
  } else {
    AbandonRow();
  }
  RemoveEditors();
  const int response = Finish();
  if (post_event_ != 0) window_->Post(post_event_, post_control_);
  return response;
}

void RowEditSession::PrepareInsert() {
  rt::RowQueue* queue = browse_.LISTQUEUE;
  const int32_t rows = static_cast<int32_t>(queue->Records());
  if (rows > 0) {
    if (browse_.CURRENTCHOICE < 1) browse_.CURRENTCHOICE = 1;
    if (browse_.CURRENTCHOICE > rows) browse_.CURRENTCHOICE = rows;
    // Below the selected row, the last one included: a new row takes the next number, so
    // below the last row is where it will stand once saved, and the row the user was on
    // keeps its place instead of being pushed down (or off a full page).
    int32_t at = browse_.CURRENTCHOICE + 1;
    if (browse_.LASTITEMS > 0 && rows >= browse_.LASTITEMS) {
      // The page stays a page: below the last row the list moves up one row, so the row the
      // user was on stays in sight above the new one.
      if (at > rows) {
        queue->DeleteAt(1);
        at = rows;
      } else {
        queue->DeleteAt(static_cast<size_t>(rows));
      }
    }
    browse_.CURRENTCHOICE = at;
  } else {
    browse_.CURRENTCHOICE = 1;
  }
  browse_.BuildRow();
  // The new row has no place in the view yet; it must not carry another row's position.
  if (!browse_.VIEWPOSITION.IsNull()) browse_.VIEWPOSITION.SetText("");
  queue->InsertAt(static_cast<size_t>(browse_.CURRENTCHOICE));
  window_->Display(browse_.LISTCONTROL);
  window_->SetPropertyInt(browse_.LISTCONTROL, rt::kPropSelected, browse_.CURRENTCHOICE);
  EditColumn = 1;
}

}  // namespace fw
