// LocatorHost: the few browse operations a locator calls while it handles a typed key. A
// BrowseManager implements it; the locator keeps the browse's address (VIEWMANAGER) and never
// owns it.
//
// StepOneRow and LoadCurrentRow are the browse's own slots 28 and 39, so a BrowseManager
// overrides each once for both bases.
#pragma once

#include <cstdint>

namespace rt {
class Window;
}

namespace fw {

class LocatorHost {
 public:
  virtual ~LocatorHost() = default;

  // Slot 28: one row up (event 3) or down (event 4), reading the view past the page's edge.
  virtual void StepOneRow(int32_t event) = 0;
  // Slot 39: copies the highlighted row of the list queue into the record fields.
  virtual void LoadCurrentRow() = 0;
  // How many rows the list queue holds now (no side effects, unlike CheckRows).
  virtual uint32_t ListQueueRecords() const = 0;
  // The runtime window that holds the list and the locator's CONTROL; null while it is not
  // open. Only SetEnabled uses it.
  virtual rt::Window* LocatorWindow() const = 0;
};

}  // namespace fw
