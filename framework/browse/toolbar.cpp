#include "framework/browse/toolbar.h"

#include "framework/browse/toolbar_target.h"

namespace fw {

void Toolbar::Setup() {
  LIST = std::make_unique<rt::Queue<ToolbarListRow>>();
  active_ = false;
}

void Toolbar::Teardown() {
  LIST.reset();
  active_ = false;
}

void Toolbar::AppendTarget(ToolbarTarget* target, int32_t control) {
  if (!target) return;
  if (!LIST) Setup();
  // Keep the active row active: remember it by its target, since the insert moves positions.
  ToolbarTarget* active = ActiveTarget();
  target->CONTROL = control;
  LIST->buffer = ToolbarListRow{control, target};
  LIST->InsertByKey([](const ToolbarListRow& row, const ToolbarListRow& buffer) {
    return row.ID < buffer.ID ? -1 : row.ID > buffer.ID ? 1 : 0;
  });
  active_ = false;
  for (size_t i = 1; active && i <= LIST->Records(); ++i) {
    if (LIST->At(i)->ITEM == active) {
      LIST->Get(i);
      active_ = true;
      break;
    }
  }
}

ToolbarTarget* Toolbar::ActiveTarget() const {
  if (!LIST || !active_ || LIST->Pointer() == 0) return nullptr;
  return LIST->buffer.ITEM;
}

void Toolbar::ChooseTarget(int32_t control) {
  if (!LIST) return;
  if (control != 0) {
    for (size_t i = 1; i <= LIST->Records(); ++i) {
      if (LIST->At(i)->ID != control) continue;
      LIST->Get(i);
      active_ = true;
      if (LIST->buffer.ITEM) LIST->buffer.ITEM->Activate();
      return;
    }
    return;
  }
  size_t chosen = 0;
  for (size_t i = 1; i <= LIST->Records(); ++i) {
    ToolbarTarget* target = LIST->At(i)->ITEM;
    if (target && target->ActivateIfVisible()) chosen = i;
  }
  if (chosen != 0) {
    LIST->Get(chosen);
    active_ = true;
  }
}

void Toolbar::RefreshButtons() {
  if (ToolbarTarget* target = ActiveTarget()) target->RefreshButtons();
}

void Toolbar::HandleToolbarEvent(int32_t* navigationRequest, WindowManager& window) {
  if (!LIST || LIST->Records() == 0) return;
  if (ToolbarTarget* target = ActiveTarget()) target->HandleToolbarEvent(navigationRequest, window);
}

}  // namespace fw
