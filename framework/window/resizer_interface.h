// ResizerInterface: lays a window's controls out again when the window changes size. A window
// manager only tears it down with the window; it never owns it.
#pragma once

namespace fw {

class ResizerInterface {
 public:
  virtual ~ResizerInterface() = default;

  // Frees what the resizer owns. Called once, by the window's Teardown.
  virtual void Teardown() = 0;
};

}  // namespace fw
