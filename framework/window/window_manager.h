// WindowManager: drives one window procedure. It sets the window up, runs its event loop,
// hands each event to the operation that handles it, keeps the browses, buttons, file drops,
// files and history controls of the window, and for an update form (a window that inserts,
// changes or deletes one record of a primary file) carries the request out when the user
// presses OK and decides whether the window may close. A procedure derives its own window
// class and overrides single operations, calling the base where it extends it.
//
// Ownership: the manager owns its lists (BROWSES, BUTTONS, FILEDROPS, FILES, HISTORY) and the
// saved copies in them. The runtime window, the ErrorManager, the primary RelationManager, the
// browses, file drops, toolbar, translator, resizer, the variables of history controls and the
// navigation-request cell belong to the procedure and must remain live until Teardown.
//
// Operations that return a level use the framework's levels (framework/errors/level.h):
// 0 go on; 3 leave the event loop; 5 this event is handled, skip the default handling.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/values/any_ref.h"
#include "runtime/values/owned_value.h"

namespace rt {
class Window;
}

namespace fw {

class BrowseInterface;
class ErrorManager;
class FileDropInterface;
class FileManager;
class RelationManager;
class ResizerInterface;
class ToolbarInterface;
class TranslatorInterface;

// Requests a window is called with, and the responses it gives back.
enum WindowRequest : uint8_t {
  kRequestNone = 0,
  kRequestInsert = 1,
  kRequestChange = 2,
  kRequestDelete = 3,
  kRequestSelect = 4,
  kRequestPrint = 5,
};
enum WindowResponse : uint8_t {
  kResponseNone = 0,
  kResponseCompleted = 1,
  kResponseCancelled = 2,
};

// A button that closes the window with a response.
struct WindowButton {
  int32_t CONTROL = 0;
  uint8_t ACTION = 0;  // the response
};

// A file whose record buffer the form may change besides the primary one (a lookup): its
// buffer is saved when the form starts and put back when it primes another record.
struct WindowFile {
  FileManager* MANAGER = nullptr;
  uint16_t SAVED = 0;  // id of the buffer's copy (FileManager::SnapshotBuffer)
};

// A control whose value the history key brings back: the value it had when OK was last
// pressed.
struct WindowHistory {
  rt::AnyRef VARIABLE;   // the control's variable
  rt::OwnedValue SAVED;  // a copy of it
  int32_t CONTROL = 0;
};

// CANCELACTION bits.
inline constexpr uint8_t kCancelSave = 1;  // a close with changes saves rather than discards
inline constexpr uint8_t kCancelAsk = 2;   // ...after asking first

class WindowManager {
 public:
  WindowManager();
  virtual ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  // --- Fields, in declared order --------------------------------------------------------
  uint8_t AUTOREFRESH = 0;  // after each event, ask every browse whether its range changed
  uint8_t AUTOTOOLBAR = 0;  // a new selection in a list makes the toolbar choose its target
  std::unique_ptr<std::vector<BrowseInterface*>> BROWSES;
  std::unique_ptr<std::vector<WindowButton>> BUTTONS;
  std::unique_ptr<std::vector<FileDropInterface*>> FILEDROPS;
  uint8_t CANCELACTION = 0;  // kCancelSave | kCancelAsk
  uint8_t CHANGEACTION = 0;  // kept for derived windows; the base never reads it
  uint8_t DEAD = 0;          // set by Teardown
  // A delete request is carried out by PrepareUpdate when 2 (asking first) or 4 (without
  // asking); otherwise by OK.
  uint8_t DELETEACTION = 0;
  ErrorManager* ERRORS = nullptr;
  std::unique_ptr<std::vector<WindowFile>> FILES;
  int32_t FIRSTFIELD = 0;  // focused when the window opens and after a refused OK or close
  uint8_t FORCEDRESET = 0;       // one-shot: the next Refresh is forced
  uint8_t RESETONGAINFOCUS = 0;  // losing the focus makes the next Refresh forced
  std::unique_ptr<std::vector<WindowHistory>> HISTORY;
  int32_t HISTORYKEY = 0;  // key code that restores a history control; 0 none
  uint8_t INITED = 0;      // bit 0 prepared, bit 1 the first sizing event was seen
  // After a successful insert: 2 close with response 1; 3 stay and prime another record;
  // 4 ask (message 3) and close unless the answer is Yes.
  uint8_t INSERTACTION = 0;
  std::string LASTINSERTEDPOSITION;  // of the last record this form inserted; at most 512 bytes
  int32_t OKCONTROL = 0;
  uint8_t OPENED = 0;  // set by the procedure once it has opened the window
  uint8_t ORIGINALREQUEST = 0;
  RelationManager* PRIMARY = nullptr;  // null for a window that updates no record
  uint8_t REQUEST = 0;                 // WindowRequest
  ResizerInterface* RESIZE = nullptr;
  uint8_t RESPONSE = 0;  // WindowResponse
  uint16_t SAVED = 0;    // id of the primary record's copy taken when the form started
  ToolbarInterface* TOOLBAR = nullptr;
  TranslatorInterface* TRANSLATOR = nullptr;
  int32_t* VCRREQUEST = nullptr;  // the navigation-request cell

  // --- Overridable operations, in slot order --------------------------------------------
  // Runs the event loop until it ends; nothing when DEAD or when there is no window.
  virtual void ProcessEvents();
  // Makes the lists and sets the defaults; 0 to go on.
  virtual int Setup();
  // Tears down browses, file drops, toolbar and resizer, discards the saved copies and sets
  // DEAD. 5 at once when already torn down (or never set up); 0 otherwise.
  virtual int Teardown();
  // Translates the window, refreshes it and marks it prepared.
  virtual void PrepareWindow();
  // A form gives a new record its initial values here; empty in the base. Setting RESPONSE
  // to 2 in it tells PrepareUpdate the record could not be primed.
  virtual void PrimeNewRecord();
  // Opens the primary file and saves the buffers; carries a delete request out at once when
  // DELETEACTION says so. 3 when the form need not run (the delete is done, or the new record
  // could not be primed); 0 otherwise.
  virtual int PrepareUpdate();
  // Resets every browse (forced when force or FORCEDRESET) and file drop, and redisplays the
  // window; nothing while the window's no-refresh flag (property 31898) is set.
  virtual void Refresh(bool force);
  // Puts the value saved for a history control back into its variable and shows it.
  virtual void RestoreHistory(int32_t control);
  // Setup; ProcessEvents when Setup gave 0; Teardown in any case. The response, or 2 when
  // the window closed without one.
  virtual int Execute();
  // Runs update procedure number with a request and returns its response; 2 in the base,
  // which calls none.
  virtual int CallProcedure(uint16_t number, uint8_t request);
  // Lets every browse prepare its list and gives every history control HISTORYKEY as an
  // alert key.
  virtual void SetHistoryKeys();
  // RESPONSE := response and asks the window to close.
  virtual void CloseWithResponse(uint8_t response);
  virtual int OnAccepted();
  // OK went through: inserts, changes or deletes the primary record by REQUEST.
  virtual int OnCompleted();
  // 0 lets the window close, 5 keeps it open.
  virtual int OnCloseRequest();
  virtual int DispatchEvent();
  virtual int OnControlEvent();
  virtual int OnNewSelection();
  virtual int OnRejected();
  virtual int OnSelected();
  virtual int OnWindowEvent();
  // Every browse loads its highlighted row's record into the file's record buffer.
  virtual void FetchSelectedRecords();

  // --- Not overridable ------------------------------------------------------------------
  // Sets TOOLBAR and lets the toolbar make its list of targets.
  void SetToolbar(ToolbarInterface* toolbar);
  // Adds a browse; with REQUEST 4 it is put into selecting mode first.
  void AddBrowse(BrowseInterface* browse);

  // Ways for a procedure to fill the lists (the lists are public fields as well).
  void AddButton(int32_t control, uint8_t response);
  void AddFile(FileManager* file);
  void AddFileDrop(FileDropInterface* fileDrop);
  // The control's value as it is now becomes its saved value.
  void AddHistoryField(int32_t control, rt::AnyRef variable);

  // The runtime window the manager drives. When none was set, the calling thread's target
  // window (the last one it opened that is still open) is used.
  void SetWindow(rt::Window* window) { window_ = window; }
  rt::Window* window() const;

 private:
  void SelectFirstField();
  void Redisplay();
  void PostToWindow(int event, int control = 0);
  void RememberHistory();
  int CompleteInsert();
  int CompleteChange();
  int CompleteDelete();
  int PrimeAnotherRecord();
  // Messages through ERRORS; without one, the answer that leaves things as they are.
  int Ask(uint16_t id);
  int RaiseError(uint16_t id);

  rt::Window* window_ = nullptr;
};

}  // namespace fw
