// EditInPlaceControl: the editor of one list column while a row is edited in place. It makes
// an entry control at run time, bound to the column's list-queue field, with the column's
// picture and the keys that move between cells or end the row, and tells the row editor what
// a key on it means. Derive from it for a column that needs another kind of editor.
//
// Ownership: the entry it makes is its own until Teardown destroys it; the window, the list
// and the bound field belong to the caller and must remain live while the entry exists.
#pragma once

#include <cstdint>

#include "runtime/values/any_ref.h"

namespace rt {
class Window;
}

namespace fw {

// What a key on an editor asks of the row being edited.
enum EditAction : int {
  kEditActionNone = 0,
  kEditActionNext = 1,      // Tab: the next editable column
  kEditActionPrevious = 2,  // Shift+Tab: the previous editable column
  kEditActionComplete = 3,  // Enter
  kEditActionCancel = 4,    // Esc
  kEditActionForward = 5,   // Down: complete, go on with the next row
  kEditActionBackward = 6,  // Up: complete, go on with the previous row
};

class EditInPlaceControl {
 public:
  EditInPlaceControl();
  virtual ~EditInPlaceControl();
  EditInPlaceControl(const EditInPlaceControl&) = delete;
  EditInPlaceControl& operator=(const EditInPlaceControl&) = delete;

  // --- Fields, in declared order --------------------------------------------------------
  int32_t FEQ = 0;         // the entry made for this editor; 0 when none exists
  rt::AnyRef USEVAR;       // the value edited: the column's list-queue field
  int32_t LISTBOXFEQ = 0;  // the list control

  // --- Overridable operations, in slot order --------------------------------------------
  // Makes an entry whose number the runtime picks and keeps it in FEQ (0 when it failed).
  virtual void MakeControl();
  // Makes the entry for list column `column` of listControl, bound to value, with the
  // column's picture and the edit keys.
  virtual void Setup(int32_t column, int32_t listControl, const rt::AnyRef& value);
  // Destroys the entry (when there is one) and forgets the value.
  virtual void Teardown();
  // Tab, Shift+Tab, Enter, Esc, Down and Up become alert keys of the entry (slots 1 to 6).
  virtual void RegisterEditKeys();
  // The action an event of the entry asks for: only alert keys (event 15) ask for one.
  virtual EditAction HandleEditorEvent(int event);

  // Not among the declared fields: the window the entry lives in. Null: the calling
  // thread's target window.
  void SetWindow(rt::Window* window) { window_ = window; }
  rt::Window* window() const;

 private:
  rt::Window* window_ = nullptr;
};

}  // namespace fw
