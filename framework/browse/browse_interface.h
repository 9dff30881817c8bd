// BrowseInterface: what a window manager asks of a browse on its window. A BrowseManager
// implements it; the window only keeps the browse's address and never owns it.
//
// The names and order are the browse's own operations (its slots 2, 6, 26, 30, 33, 40, 41),
// so a BrowseManager that also derives from ViewManager overrides RefreshRange and Teardown
// once for both bases.
#pragma once

#include <cstdint>

namespace fw {

class BrowseInterface {
 public:
  virtual ~BrowseInterface() = default;

  // Slot 2: checks whether the page size, the range values or the watched reset fields
  // changed since the last reload; true marks a reload as due.
  virtual bool RefreshRange() = 0;
  // Slot 6: frees what the browse owns. Called once, by the window's Teardown.
  virtual void Teardown() = 0;
  // Slot 26: applies the current sort order again, reloading the list when it changed, when
  // a reload is due, or always when force is set.
  virtual void ReapplySort(bool force) = 0;
  // Slot 30: alert keys, scroll bar and popup menu of the list; the window calls it from
  // SetHistoryKeys.
  virtual void PrepareList() = 0;
  // Slot 33: the browse's share of the window's current event (the runtime's current event).
  virtual void HandleEvent() = 0;
  // Slot 40: loads the record of the highlighted row into the file's record buffer again.
  virtual void RefetchCurrentRow() = 0;
  // Slot 41: buttons, thumb, toolbar and highlight after a change.
  virtual void RefreshControls() = 0;

  // The browse's SELECTING field: 1 when its window was called to pick a record (request 4).
  virtual void SetSelecting(uint8_t selecting) = 0;
};

}  // namespace fw
