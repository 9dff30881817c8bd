// DropListEditInPlaceControl: the editor of a list column whose value is one of a few texts. A
// list of the choices drops from the cell, the value's own choice highlighted; Up and Down
// move among them, Enter or a click takes the highlighted one, Esc leaves the value as it was,
// Tab and Shift+Tab take it and go on. Each choice highlighted is put into the value at once,
// so whoever completes the row reads it there; whoever cancels puts the old one back.
//
// Ownership: the choices and the list control made for them are its own (the control until
// Teardown); the window, the list and the value belong to the caller as for the base.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/eip/edit_in_place_control.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"

namespace fw {

class DropListEditInPlaceControl : public EditInPlaceControl {
 public:
  DropListEditInPlaceControl();
  ~DropListEditInPlaceControl() override;

  // Adds a choice after the others; before Setup. Longer texts are cut to kChoiceBytes.
  void AddChoice(std::string_view text);
  size_t Choices() const { return choices_.Records(); }
  // The highlighted choice, from 1; 0 when none is.
  size_t Chosen() const;

  // A list control (not an entry) whose number the runtime picks, in FEQ.
  void MakeControl() override;
  // The list of choices for column `column` of listControl, its row the choice equal to the
  // value's text (the first when none is), bound to value.
  void Setup(int32_t column, int32_t listControl, const rt::AnyRef& value) override;
  // Tab, Shift+Tab, Enter and Esc; Up and Down stay the list's own.
  void RegisterEditKeys() override;
  // The base's actions for those keys; the focus arriving highlights the value's choice (the
  // value may have been read since Setup); a new highlight puts its choice into the value, and
  // a click on a choice completes like Enter.
  EditAction HandleEditorEvent(int event) override;

  static constexpr size_t kChoiceBytes = 64;

 private:
  struct Choice {
    char text[kChoiceBytes];
  };
  void TakeHighlighted();
  void HighlightValue();

  rt::Queue<Choice> choices_;
  rt::RecordDescriptor layout_;
};

}  // namespace fw
