// ToolbarInterface: what a window manager asks of its window's toolbar. The Toolbar
// implements it; the window keeps its address (TOOLBAR) and never owns it.
//
// Teardown and HandleToolbarEvent are the toolbar's slots 1 and 2; Setup and ChooseTarget are
// plain operations of the Toolbar, virtual here only so the window can reach them through
// this interface.
#pragma once

#include <cstdint>

namespace fw {

class WindowManager;

class ToolbarInterface {
 public:
  virtual ~ToolbarInterface() = default;

  // Makes the toolbar's LIST of targets (empty). The window's SetToolbar calls it.
  virtual void Setup() = 0;
  // Slot 1: disposes of LIST. The window's Teardown calls it.
  virtual void Teardown() = 0;
  // Slot 2: an accepted control of the window; the active target acts on toolbar buttons
  // 2000 to 2012. navigationRequest is the window's navigation-request cell (VCRREQUEST),
  // null when the window has none.
  virtual void HandleToolbarEvent(int32_t* navigationRequest, WindowManager& window) = 0;
  // Makes the target serving control active; control 0 activates the last target whose list
  // is visible.
  virtual void ChooseTarget(int32_t control) = 0;
};

}  // namespace fw
