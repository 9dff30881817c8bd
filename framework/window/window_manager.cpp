#include "framework/window/window_manager.h"

#include <string_view>

#include "framework/browse/browse_interface.h"
#include "framework/browse/toolbar_interface.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/error_manager.h"
#include "framework/errors/level.h"
#include "framework/window/file_drop_interface.h"
#include "framework/window/resizer_interface.h"
#include "framework/window/translator_interface.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/control.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/values/text.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw {

namespace {

// RelationManager::Update's level for a write that failed for another reason than a change
// by another station.
constexpr int kLevelWriteFailed = 1;
// The toolbar's history button.
constexpr int32_t kToolbarHistoryButton = 2011;
constexpr size_t kPositionBytes = 512;

// Walks a list by index, so a handler that adds to the list or tears the window down
// (which disposes of the list) does not leave the walk on freed memory.
template <typename T, typename F>
void ForEach(const std::unique_ptr<std::vector<T*>>& list, F f) {
  for (size_t i = 0; list && i < list->size(); ++i) {
    if (T* item = (*list)[i]) f(*item);
  }
}

int CurrentControl() {
  const rt::Event* e = rt::CurrentEvent();
  return e ? e->control : 0;
}

}  // namespace

WindowManager::WindowManager() = default;
WindowManager::~WindowManager() = default;

rt::Window* WindowManager::window() const { return window_ ? window_ : rt::TargetWindow(); }

// --- Life cycle ------------------------------------------------------------------------------

int WindowManager::Execute() {
  if (Setup() == kLevelGoOn) ProcessEvents();
  Teardown();
  if (RESPONSE == kResponseNone) return kResponseCancelled;
  return RESPONSE;
}

int WindowManager::Setup() {
  ORIGINALREQUEST = REQUEST;
  // A procedure may have added its browses before calling Setup; they stay.
  if (!BROWSES) BROWSES = std::make_unique<std::vector<BrowseInterface*>>();
  if (!BUTTONS) BUTTONS = std::make_unique<std::vector<WindowButton>>();
  if (!FILEDROPS) FILEDROPS = std::make_unique<std::vector<FileDropInterface*>>();
  // The right click that opened this window must not open a popup menu in it.
  int key = rt::KeyCode();
  if (key == rt::kMouseRightDown || key == rt::kMouseRightUp) rt::SetKeyCode(0);
  INSERTACTION = 2;
  DELETEACTION = 2;
  CHANGEACTION = 1;
  CANCELACTION = kCancelSave | kCancelAsk;
  AUTOTOOLBAR = 1;
  AUTOREFRESH = 1;
  return kLevelGoOn;
}

int WindowManager::Teardown() {
  if (DEAD || !BROWSES) return kLevelHandled;
  ForEach(BROWSES, [](BrowseInterface& b) { b.Teardown(); });
  BROWSES.reset();
  ForEach(FILEDROPS, [](FileDropInterface& d) { d.Teardown(); });
  FILEDROPS.reset();
  BUTTONS.reset();
  HISTORY.reset();
  if (FILES) {
    for (WindowFile& row : *FILES) {
      if (row.MANAGER) row.MANAGER->RestoreSnapshot(row.SAVED, false);
    }
    FILES.reset();
  }
  if (PRIMARY && PRIMARY->ME) PRIMARY->ME->RestoreSnapshot(SAVED, false);
  if (TOOLBAR) TOOLBAR->Teardown();
  if (RESIZE) RESIZE->Teardown();
  DEAD = 1;
  return kLevelGoOn;
}

void WindowManager::ProcessEvents() {
  if (DEAD) return;
  rt::Window* w = window();
  if (!w) return;
  LASTINSERTEDPOSITION.clear();
  rt::EventLoop loop(*w);
  while (loop.Next()) {
    int level = DispatchEvent();
    int step = level == kLevelFatal     ? rt::kStepLeave
               : level == kLevelHandled ? rt::kStepSkip
                                        : rt::kStepDefault;
    if (!loop.EndEvent(step)) break;
  }
}

void WindowManager::PrepareWindow() {
  rt::Window* w = window();
  if (TRANSLATOR && w) TRANSLATOR->TranslateWindow(*w);
  Refresh(false);
  INITED |= 1;
}

void WindowManager::PrimeNewRecord() {}

int WindowManager::PrepareUpdate() {
  if (!PRIMARY || !PRIMARY->ME) return kLevelGoOn;
  FileManager& fm = *PRIMARY->ME;
  // A form over a file that cannot be opened could only fail at OK: it does not run.
  if (fm.EnsureOpen() != kLevelGoOn) {
    RESPONSE = kResponseCancelled;
    return kLevelFatal;
  }
  PRIMARY->SaveLinkValues();
  if (FILES) {
    for (WindowFile& row : *FILES) {
      if (!row.MANAGER) continue;
      row.MANAGER->RestoreSnapshot(row.SAVED, false);
      row.SAVED = row.MANAGER->SnapshotBuffer();
    }
  }
  int result = kLevelGoOn;
  if (REQUEST == kRequestInsert && INSERTACTION != 0) {
    RESPONSE = kResponseCompleted;
    PrimeNewRecord();
    result = kLevelFatal;
    if (RESPONSE != kResponseCancelled) {
      RESPONSE = kResponseCancelled;
      result = kLevelGoOn;
    } else {
      // The form will not run, so nothing else would remove the record the caller reserved
      // for it.
      PRIMARY->ReleaseNumber();
    }
  } else if (REQUEST == kRequestDelete && (DELETEACTION == 2 || DELETEACTION == 4)) {
    int level = PRIMARY->Delete(DELETEACTION == 2 ? 1 : 0);
    RESPONSE = level == kLevelGoOn ? kResponseCompleted : kResponseCancelled;
    result = kLevelFatal;
  }
  fm.RestoreSnapshot(SAVED, false);
  SAVED = fm.SnapshotBuffer();
  return result;
}

// --- Display -------------------------------------------------------------------------------

void WindowManager::Refresh(bool force) {
  rt::Window* w = window();
  if (w && w->PropertyInt(0, rt::kPropNoRefresh) != 0) return;
  bool f = force || FORCEDRESET != 0;
  FORCEDRESET = 0;
  ForEach(BROWSES, [f](BrowseInterface& b) { b.ReapplySort(f); });
  ForEach(BROWSES, [](BrowseInterface& b) { b.RefreshControls(); });
  ForEach(FILEDROPS, [f](FileDropInterface& d) { d.Reset(f); });
  if (w) w->Display();
}

void WindowManager::RestoreHistory(int32_t control) {
  if (!HISTORY || control == 0) return;
  for (WindowHistory& row : *HISTORY) {
    if (row.CONTROL != control) continue;
    row.VARIABLE.Assign(row.SAVED.Ref());
    if (rt::Window* w = window()) w->Display(control);
    return;
  }
}

int WindowManager::CallProcedure(uint16_t number, uint8_t request) { return kResponseCancelled; }

void WindowManager::SetHistoryKeys() {
  ForEach(BROWSES, [](BrowseInterface& b) { b.PrepareList(); });
  rt::Window* w = window();
  if (!w || !HISTORY || HISTORYKEY == 0) return;
  for (const WindowHistory& row : *HISTORY) {
    const rt::Control* c = w->Find(row.CONTROL);
    // Index 0 takes the first free alert slot; a key already registered keeps its slot.
    if (c && !c->IsAlertKey(HISTORYKEY)) {
      w->SetPropertyInt(row.CONTROL, rt::kPropAlertKey, HISTORYKEY, 0);
    }
  }
}

void WindowManager::CloseWithResponse(uint8_t response) {
  RESPONSE = response;
  PostToWindow(rt::kEventCloseWindow);
  if (response == kResponseCancelled && TOOLBAR && VCRREQUEST) *VCRREQUEST = 0;
}

void WindowManager::FetchSelectedRecords() {
  ForEach(BROWSES, [](BrowseInterface& b) { b.RefetchCurrentRow(); });
}

// --- Events --------------------------------------------------------------------------------

int WindowManager::DispatchEvent() {
  const rt::Event* e = rt::CurrentEvent();
  if (!e) return kLevelGoOn;
  const int event = e->number;
  const int control = e->control;
  int level = kLevelGoOn;
  if (control == 0) {
    level = OnWindowEvent();
    if (level != kLevelGoOn) return level;
  }
  switch (event) {
    case rt::kEventAccepted: level = OnAccepted(); break;
    case rt::kEventNewSelection: level = OnNewSelection(); break;
    case rt::kEventAlertKey:
      if (HISTORYKEY != 0 && rt::KeyCode() == HISTORYKEY) {
        if (rt::Window* w = window()) RestoreHistory(w->focus());
      }
      break;
    case rt::kEventRejected: level = OnRejected(); break;
    case rt::kEventSelected: level = OnSelected(); break;
    default: break;
  }
  if (level != kLevelGoOn) return level;
  if (control != 0) level = OnControlEvent();
  ForEach(BROWSES, [](BrowseInterface& b) { b.HandleEvent(); });
  ForEach(FILEDROPS, [](FileDropInterface& d) { d.TakeEvent(); });
  if (AUTOREFRESH) {
    ForEach(BROWSES, [this](BrowseInterface& b) {
      if (b.RefreshRange()) Refresh(false);
    });
  }
  return level;
}

int WindowManager::OnWindowEvent() {
  const rt::Event* e = rt::CurrentEvent();
  if (!e) return kLevelGoOn;
  switch (e->number) {
    case rt::kEventCloseWindow:
    case rt::kEventCloseDown:
      return OnCloseRequest();
    case rt::kEventOpenWindow:
      if (!(INITED & 1)) PrepareWindow();
      SelectFirstField();
      return kLevelGoOn;
    case rt::kEventLoseFocus:
      if (RESETONGAINFOCUS) FORCEDRESET = 1;
      return kLevelGoOn;
    case rt::kEventGainFocus:
      if (INITED & 1) {
        Refresh(false);
      } else {
        PrepareWindow();
      }
      return kLevelGoOn;
    case rt::kEventCompleted:
      return OnCompleted();
    case rt::kEventSized:
      // The first sizing event is the window being laid out as it opens: nothing to redo.
      if (!(INITED & 2)) {
        INITED |= 2;
      } else {
        Refresh(false);
      }
      return kLevelGoOn;
    default:
      return kLevelGoOn;
  }
}

int WindowManager::OnAccepted() {
  const int32_t accepted = CurrentControl();
  rt::Window* w = window();
  if (TOOLBAR) {
    TOOLBAR->HandleToolbarEvent(VCRREQUEST, *this);
    if (accepted == kToolbarHistoryButton && w) RestoreHistory(w->focus());
  }
  if (BUTTONS && accepted != 0) {
    for (const WindowButton& row : *BUTTONS) {
      if (row.CONTROL != accepted) continue;
      CloseWithResponse(row.ACTION);
      return kLevelHandled;
    }
  }
  if (OKCONTROL != 0 && accepted == OKCONTROL) {
    if (ORIGINALREQUEST == kRequestInsert || ORIGINALREQUEST == kRequestChange) {
      // Every entry is checked; when all are good the runtime posts the completed event.
      if (w) w->Select();
    } else {
      PostToWindow(rt::kEventCompleted);
    }
  }
  return kLevelGoOn;
}

int WindowManager::OnControlEvent() { return kLevelGoOn; }

int WindowManager::OnNewSelection() {
  const int32_t control = CurrentControl();
  rt::Window* w = window();
  if (w && control != 0 &&
      w->PropertyInt(control, rt::kPropType) == static_cast<int>(rt::ControlKind::kList)) {
    Refresh(false);
    if (AUTOTOOLBAR && TOOLBAR) TOOLBAR->ChooseTarget(0);
  }
  return kLevelGoOn;
}

int WindowManager::OnRejected() {
  rt::Beep();
  rt::Window* w = window();
  // Control 0 would mean the whole window here: redisplay everything and check every entry.
  if (w && w->focus() != 0) {
    int focus = w->focus();
    w->Display(focus);
    w->Select(focus);
  }
  return kLevelGoOn;
}

int WindowManager::OnSelected() { return kLevelGoOn; }

// --- Update forms --------------------------------------------------------------------------

int WindowManager::OnCompleted() {
  RememberHistory();
  if (!PRIMARY || !PRIMARY->ME) return kLevelGoOn;
  switch (REQUEST) {
    case kRequestInsert: return CompleteInsert();
    case kRequestChange: return CompleteChange();
    case kRequestDelete: return CompleteDelete();
    default: return kLevelGoOn;
  }
}

int WindowManager::CompleteInsert() {
  FileManager& fm = *PRIMARY->ME;
  if (fm.Insert() != kLevelGoOn) {
    SelectFirstField();
    return kLevelHandled;
  }
  switch (INSERTACTION) {
    case 2:
      CloseWithResponse(kResponseCompleted);
      return kLevelGoOn;
    case 3:
      return PrimeAnotherRecord();
    case 4:
      if (RaiseError(kErrRecordAdded) == kLevelGoOn) return PrimeAnotherRecord();
      CloseWithResponse(kResponseCompleted);
      return kLevelGoOn;
    default:
      return kLevelGoOn;
  }
}

int WindowManager::PrimeAnotherRecord() {
  FileManager& fm = *PRIMARY->ME;
  LASTINSERTEDPOSITION = std::string(rt::CutToBytes(fm.GetPosition(), kPositionBytes));
  if (FILES) {
    for (WindowFile& row : *FILES) {
      if (!row.MANAGER) continue;
      row.MANAGER->RestoreSnapshot(row.SAVED, true);
      row.SAVED = row.MANAGER->SnapshotBuffer();
    }
  }
  // The new record starts from what the form started with, not from the one just added.
  fm.RestoreSnapshot(SAVED, true);
  if (fm.ReserveNumber() != kLevelGoOn) {
    PostToWindow(rt::kEventCloseWindow);
  } else {
    PrimeNewRecord();
    RESPONSE = kResponseCancelled;
  }
  SAVED = fm.SnapshotBuffer();
  Redisplay();
  SelectFirstField();
  return kLevelHandled;
}

int WindowManager::CompleteChange() {
  FileManager& fm = *PRIMARY->ME;
  for (;;) {
    RESPONSE = kResponseCancelled;
    rt::SetCursor(rt::WaitCursor());
    const bool unchanged = fm.MatchesSnapshot(SAVED);
    // With a history key the user can bring back what was typed, so the conflict message
    // says the other station's version is now shown.
    int level = unchanged ? kLevelGoOn : PRIMARY->Update(HISTORYKEY != 0 ? 1 : 0);
    rt::SetCursor("");
    if (level == kLevelWriteFailed) {
      int answer = Ask(kErrRecordUpdate);
      if (answer == rt::kButtonYes) continue;
      if (answer == rt::kButtonNo) {
        PostToWindow(rt::kEventCloseWindow);
        return kLevelGoOn;
      }
      Redisplay();
      SelectFirstField();
      return kLevelGoOn;
    }
    if (level != kLevelGoOn) {
      Redisplay();
      SelectFirstField();
      return kLevelGoOn;
    }
    if (!unchanged || (TOOLBAR && (!VCRREQUEST || *VCRREQUEST == 0))) {
      RESPONSE = kResponseCompleted;
    }
    PostToWindow(rt::kEventCloseWindow);
    return kLevelGoOn;
  }
}

int WindowManager::CompleteDelete() {
  FileManager& fm = *PRIMARY->ME;
  // Asked once, here, rather than by every attempt: a user who declines has met no error,
  // and one who asked to try again has already said yes.
  if (fm.ReportFileError(kErrConfirmDelete) != kLevelGoOn) {
    RESPONSE = kResponseCancelled;
    Redisplay();
    SelectFirstField();
    return kLevelGoOn;
  }
  for (;;) {
    RESPONSE = kResponseCancelled;
    rt::SetCursor(rt::WaitCursor());
    fm.SyncThreadInfo().LASTERROR = 0;
    int level = PRIMARY->Delete(0);
    rt::SetCursor("");
    if (level == kLevelGoOn) {
      CloseWithResponse(kResponseCompleted);
      return kLevelGoOn;
    }
    // After a failed runtime delete the relation manager has asked message 33 itself, and
    // the user's No is the answer; the same question is not put twice.
    int answer = rt::kButtonNo;
    if (fm.SyncThreadInfo().LASTERROR != kErrRecordDelete) answer = Ask(kErrRecordDelete);
    if (answer == rt::kButtonNo) {
      PostToWindow(rt::kEventCloseWindow);
      return kLevelGoOn;
    }
    if (answer == rt::kButtonCancel) {
      Redisplay();
      SelectFirstField();
      return kLevelGoOn;
    }
  }
}

int WindowManager::OnCloseRequest() {
  if (RESPONSE == kResponseCompleted || !PRIMARY || !PRIMARY->ME) return kLevelGoOn;
  FileManager& fm = *PRIMARY->ME;
  if (CANCELACTION != 0 && (REQUEST == kRequestInsert || REQUEST == kRequestChange) &&
      !fm.MatchesSnapshot(SAVED)) {
    const bool save = (CANCELACTION & kCancelSave) != 0;
    const bool ask = (CANCELACTION & kCancelAsk) != 0;
    rt::Window* w = window();
    // Saving goes the way OK goes; a form without an OK button checks its entries directly.
    auto save_changes = [&] {
      if (OKCONTROL != 0) {
        PostToWindow(rt::kEventAccepted, OKCONTROL);
      } else if (w) {
        w->Select();
      }
    };
    if (save && ask) {
      int answer = Ask(kErrSaveRecord);
      if (answer == rt::kButtonYes) {
        save_changes();
        return kLevelHandled;
      }
      if (answer != rt::kButtonNo) {
        SelectFirstField();
        return kLevelHandled;
      }
    } else if (save) {
      save_changes();
      return kLevelHandled;
    } else if (RaiseError(kErrChangesLost) != kLevelGoOn) {
      SelectFirstField();
      return kLevelHandled;
    }
  }
  if (ORIGINALREQUEST == kRequestInsert && RESPONSE == kResponseCancelled) {
    if (PRIMARY->ReleaseNumber() != kLevelGoOn) {
      SelectFirstField();
      return kLevelHandled;
    }
  }
  if (!rt::Clip(LASTINSERTEDPOSITION).empty()) {
    RESPONSE = kResponseCompleted;
    fm.FetchByPosition(LASTINSERTEDPOSITION);
  }
  return kLevelGoOn;
}

// --- Lists ---------------------------------------------------------------------------------

void WindowManager::SetToolbar(ToolbarInterface* toolbar) {
  TOOLBAR = toolbar;
  if (toolbar) toolbar->Setup();
}

void WindowManager::AddBrowse(BrowseInterface* browse) {
  if (!browse) return;
  if (REQUEST == kRequestSelect) browse->SetSelecting(1);
  if (!BROWSES) BROWSES = std::make_unique<std::vector<BrowseInterface*>>();
  BROWSES->push_back(browse);
}

void WindowManager::AddButton(int32_t control, uint8_t response) {
  if (!BUTTONS) BUTTONS = std::make_unique<std::vector<WindowButton>>();
  BUTTONS->push_back({control, response});
}

void WindowManager::AddFile(FileManager* file) {
  if (!file) return;
  if (!FILES) FILES = std::make_unique<std::vector<WindowFile>>();
  FILES->push_back({file, 0});
}

void WindowManager::AddFileDrop(FileDropInterface* fileDrop) {
  if (!fileDrop) return;
  if (!FILEDROPS) FILEDROPS = std::make_unique<std::vector<FileDropInterface*>>();
  FILEDROPS->push_back(fileDrop);
}

void WindowManager::AddHistoryField(int32_t control, rt::AnyRef variable) {
  if (variable.IsNull()) return;
  if (!HISTORY) HISTORY = std::make_unique<std::vector<WindowHistory>>();
  WindowHistory row;
  row.VARIABLE = variable;
  row.SAVED = rt::OwnedValue::CopyOf(variable);
  row.CONTROL = control;
  HISTORY->push_back(std::move(row));
}

// --- Helpers -------------------------------------------------------------------------------

void WindowManager::RememberHistory() {
  if (!HISTORY) return;
  for (WindowHistory& row : *HISTORY) row.SAVED.Ref().Assign(row.VARIABLE);
}

void WindowManager::SelectFirstField() {
  rt::Window* w = window();
  if (w && FIRSTFIELD != 0) w->Select(FIRSTFIELD);
}

void WindowManager::Redisplay() {
  if (rt::Window* w = window()) w->Display();
}

void WindowManager::PostToWindow(int event, int control) {
  if (rt::Window* w = window()) w->Post(event, control);
}

int WindowManager::Ask(uint16_t id) {
  if (!ERRORS) return rt::kButtonCancel;
  return ERRORS->AskWithButtons(id, rt::kButtonsYesNoCancel, rt::kButtonCancel);
}

int WindowManager::RaiseError(uint16_t id) { return ERRORS ? ERRORS->Raise(id) : kLevelNo; }

}  // namespace fw
