// RowEditorInterface: how a browse hands the editing of one list row in place to the
// edit-in-place code, which lives apart from the browse. A browse without one still deletes
// (no editing needed) and cancels inserts and changes. The browse never owns the editor.
#pragma once

#include <cstdint>

namespace fw {

class BrowseManager;
class EditInPlaceControl;

class RowEditorInterface {
 public:
  virtual ~RowEditorInterface() = default;

  // EditRowInPlace of the browse for request 1 (insert), 2 (change) or 3 (delete): edits the
  // current row, saves it, calls the browse's ReloadAfterRequest and returns the response
  // (1 completed, 2 cancelled).
  virtual int EditRow(BrowseManager& browse, uint8_t request) = 0;
  // Frees an editor the browse's EDITLIST marked as its own (FREEUP 1) at the browse's
  // Teardown.
  virtual void FreeEditor(EditInPlaceControl* editor) = 0;
};

}  // namespace fw
