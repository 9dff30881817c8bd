// ToolbarTarget: what the window's toolbar buttons (2000 to 2012) act on while a browse's list
// is the active target: it sets their tips and enabled states from the browse's own buttons
// and turns a toolbar button press into the browse's scroll event or button press. The browse
// owns its target (TOOLBARITEM); the target keeps only the browse's address.
#pragma once

#include <cstdint>

namespace rt {
class Window;
}

namespace fw {

class BrowseManager;
class WindowManager;

// The toolbar's fixed button numbers.
enum ToolbarButton : int32_t {
  kToolbarInsert = 2000,
  kToolbarChange = 2001,
  kToolbarDelete = 2002,
  kToolbarSelect = 2003,
  kToolbarBottom = 2004,    // last page
  kToolbarTop = 2005,       // first page
  kToolbarPageDown = 2006,  // next page
  kToolbarPageUp = 2007,    // prior page
  kToolbarDown = 2008,      // next record
  kToolbarUp = 2009,        // prior record
  kToolbarLocate = 2010,
  kToolbarHistory = 2011,
  kToolbarHelp = 2012,
};

// The scroll event a navigation button stands for (2004 to 2010); 0 for any other number.
int ToolbarNavigationEvent(int32_t button);

class ToolbarTarget {
 public:
  ToolbarTarget() = default;
  virtual ~ToolbarTarget() = default;
  ToolbarTarget(const ToolbarTarget&) = delete;
  ToolbarTarget& operator=(const ToolbarTarget&) = delete;

  // --- Fields, in declared order --------------------------------------------------------
  int32_t CONTROL = 0;  // the list control this target serves
  int32_t HELPBUTTON = 0;
  int32_t INSERTBUTTON = 0;
  int32_t CHANGEBUTTON = 0;
  int32_t DELETEBUTTON = 0;
  int32_t SELECTBUTTON = 0;
  BrowseManager* BROWSE = nullptr;

  // --- Overridable operations, in slot order --------------------------------------------
  // Enables the navigation buttons and mirrors the browse's insert, change, delete, select
  // and help buttons onto 2000 to 2003 and 2012; 2011 (history) stays disabled.
  virtual void RefreshButtons();
  // Sets the navigation buttons' tool tips, then RefreshButtons.
  virtual void Activate();
  // Activate when the list is visible; true then.
  virtual bool ActivateIfVisible();
  // A toolbar button was accepted (the current event): acts on it. A browse's target does
  // not use the navigation-request cell.
  virtual void HandleToolbarEvent(int32_t* navigationRequest, WindowManager& window);

 protected:
  // The runtime window the toolbar buttons live on: the browse's window, else the thread's
  // target window; nullptr when there is none.
  rt::Window* Window() const;
};

}  // namespace fw
