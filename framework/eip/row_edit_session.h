// RowEditSession: one run of a browse's EditRowInPlace. It prepares the request (a new row
// for an insert, the confirmed delete), makes every editable column's entry, floats one entry
// at a time over the row's cell, runs a nested event loop until the row is saved, abandoned
// or left, then takes the entries away and lets the browse reload.
//
// Ownership: everything here lives for one call. The browse, its list, queue, fields, file
// managers and window belong to the caller; default editors go into the browse's EDITLIST.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/eip/edit_in_place_control.h"

namespace rt {
struct Event;
class Window;
}  // namespace rt

namespace fw {

class BrowseManager;
class FileManager;

class RowEditSession {
 public:
  RowEditSession(BrowseManager& browse, uint8_t request);
  RowEditSession(const RowEditSession&) = delete;
  RowEditSession& operator=(const RowEditSession&) = delete;

  // Edits the row; returns the response (1 completed, 2 cancelled) after the browse's
  // ReloadAfterRequest.
  int Run();

 private:
  // What completing the row does, before the unchanged-row rule.
  enum Pending : int { kAsk = 0, kSave = 2, kAbandon = 4 };

  int Finish();  // ReloadAfterRequest, then the response
  bool CanEdit() const;
  void PrepareInsert();
  void MakeEditors();
  void RemoveEditors();
  void RunLoop();
  int HandleWindowEvent(const rt::Event& e);  // the end-of-event step
  void HandleEditorAction(EditAction action);
  void HandleOtherControl(const rt::Event& e);

  EditInPlaceControl* EditorOf(int32_t column) const;
  EditInPlaceControl* EditorWithControl(int32_t control) const;
  bool Editable(int32_t column) const;
  int32_t LastColumn() const;
  int32_t FindEditableColumn();
  void ShowEditor();
  // Takes the shown entry's text into the row and the row into the list; false when the text
  // does not suit the column's picture (the entry stays, with the user's text).
  bool StoreCell();
  void RefuseCell();
  void TakeEditorOffCell();
  // True when the row is done with (saved or abandoned); false keeps it in edit.
  bool CompleteRow(uint8_t setting, bool tab);
  void SaveRow();
  void AbandonRow();
  void SetNavigation(int32_t request);
  FileManager* File() const;

  BrowseManager& browse_;
  uint8_t request_;
  uint8_t response_;
  rt::Window* window_ = nullptr;
  int32_t shown_ = 0;      // the column whose entry floats over the cell; 0 none
  bool keep_ = true;       // the row stays in edit after this event
  bool forward_ = false;   // direction of the next column search
  bool row_gone_ = false;  // an inserted row was taken out again
  bool row_deleted_ = false;  // another station deleted the row: the edit ends here
  int32_t gone_at_ = 0;
  int post_event_ = 0;     // posted again once the edit is over
  int post_control_ = 0;
  std::vector<int32_t> greyed_;
};

}  // namespace fw
