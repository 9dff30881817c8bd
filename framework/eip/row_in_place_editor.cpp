#include "framework/eip/row_in_place_editor.h"

#include "framework/eip/edit_in_place_control.h"
#include "framework/eip/row_edit_session.h"

namespace fw {

int32_t EditColumn = 1;

int RowInPlaceEditor::EditRow(BrowseManager& browse, uint8_t request) {
  RowEditSession session(browse, request);
  return session.Run();
}

void RowInPlaceEditor::FreeEditor(EditInPlaceControl* editor) {
  if (!editor) return;
  editor->Teardown();
  delete editor;  // made by RowEditSession with new, registered with FREEUP 1
}

}  // namespace fw
