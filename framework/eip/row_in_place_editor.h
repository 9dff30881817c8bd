// RowInPlaceEditor: the browse's edit in place. A browse whose ROWEDITOR points here edits
// its rows in the list itself: an entry floats over one cell of the row at a time, and the
// row is saved, abandoned or asked about when the user ends it (RowEditSession does one row).
// Columns without a registered editor get a default EditInPlaceControl on the first edit.
//
// Ownership: the default editors it registers (FREEUP 1) are freed through FreeEditor at the
// browse's Teardown; editors an application registers stay the application's.
#pragma once

#include <cstdint>

#include "framework/browse/row_editor_interface.h"

namespace fw {

// The list column being edited, shared by every browse of the program: 1 at the start and
// again after every attempt to complete a row.
extern int32_t EditColumn;

class RowInPlaceEditor : public RowEditorInterface {
 public:
  // The browse's EditRowInPlace: request 1 insert, 2 change, 3 delete. Returns the response
  // (1 completed, 2 cancelled), after the browse's ReloadAfterRequest.
  int EditRow(BrowseManager& browse, uint8_t request) override;
  void FreeEditor(EditInPlaceControl* editor) override;
};

}  // namespace fw
