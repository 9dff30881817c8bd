// Toolbar: the window's one toolbar. It keeps the list of targets (one per browse list) and
// forwards toolbar button presses and refreshes to the active one. It owns LIST but not the
// targets, which belong to their browses and must remain live until Teardown.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/browse/toolbar_interface.h"
#include "runtime/values/row_queue.h"

namespace fw {

class ToolbarTarget;
class WindowManager;

struct ToolbarListRow {
  int32_t ID;            // the control the target serves; LIST is kept in ID order
  ToolbarTarget* ITEM;
};

class Toolbar : public ToolbarInterface {
 public:
  Toolbar() = default;
  ~Toolbar() override = default;
  Toolbar(const Toolbar&) = delete;
  Toolbar& operator=(const Toolbar&) = delete;

  // --- Fields ---------------------------------------------------------------------------
  // The targets; its current row (the buffer, after a get) is the active target.
  std::unique_ptr<rt::Queue<ToolbarListRow>> LIST;

  // --- Overridable operations, in slot order --------------------------------------------
  // The active target's RefreshButtons; nothing when none is active.
  virtual void RefreshButtons();
  void Teardown() override;
  void HandleToolbarEvent(int32_t* navigationRequest, WindowManager& window) override;

  // --- Not overridable ------------------------------------------------------------------
  void Setup() override;
  // Adds target for control (in ID order) and sets its CONTROL.
  void AppendTarget(ToolbarTarget* target, int32_t control);
  void ChooseTarget(int32_t control) override;
  // The active target; nullptr when none is.
  ToolbarTarget* ActiveTarget() const;

 private:
  bool active_ = false;  // a row was made current and is still in LIST
};

}  // namespace fw
