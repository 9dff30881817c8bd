// FileDropInterface: what a window manager asks of a drop-down list over a file (a file
// drop) on its window. The window keeps the object's address and never owns it.
#pragma once

namespace fw {

class FileDropInterface {
 public:
  virtual ~FileDropInterface() = default;

  // The file drop's share of the window's current event (the runtime's current event).
  virtual void TakeEvent() = 0;
  // Reloads its list when needed, or always when force is set.
  virtual void Reset(bool force) = 0;
  // Frees what it owns. Called once, by the window's Teardown.
  virtual void Teardown() = 0;
};

}  // namespace fw
