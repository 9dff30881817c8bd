#include "framework/eip/edit_in_place_control.h"

#include <string>

#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw {

namespace {

struct EditKey {
  int slot;
  int key;
};
constexpr EditKey kEditKeys[] = {
    {1, rt::kKeyTab},   {2, rt::kKeyShiftTab}, {3, rt::kKeyEnter},
    {4, rt::kKeyEsc},   {5, rt::kKeyDown},     {6, rt::kKeyUp},
};

}  // namespace

EditInPlaceControl::EditInPlaceControl() = default;

EditInPlaceControl::~EditInPlaceControl() {
  // A forgotten Teardown must not leave an entry floating over the list.
  if (FEQ != 0) Teardown();
}

rt::Window* EditInPlaceControl::window() const {
  return window_ ? window_ : rt::TargetWindow();
}

void EditInPlaceControl::MakeControl() {
  rt::Window* w = window();
  FEQ = w ? w->Create(0, rt::ControlKind::kEntry) : 0;
}

void EditInPlaceControl::Setup(int32_t column, int32_t listControl, const rt::AnyRef& value) {
  LISTBOXFEQ = listControl;
  MakeControl();
  USEVAR = value;
  rt::Window* w = window();
  if (!w || FEQ == 0) return;
  const std::string picture = w->Property(listControl, rt::kPropColumnPicture, column);
  w->SetProperty(FEQ, rt::kPropText, picture);
  if (!value.IsNull()) w->SetPropertyVariable(FEQ, rt::kPropUse, value);
  RegisterEditKeys();
}

void EditInPlaceControl::Teardown() {
  if (FEQ != 0) {
    if (rt::Window* w = window()) w->Destroy(FEQ);
    FEQ = 0;
  }
  USEVAR = rt::AnyRef();
}

void EditInPlaceControl::RegisterEditKeys() {
  rt::Window* w = window();
  if (!w || FEQ == 0) return;
  for (const EditKey& k : kEditKeys) w->SetPropertyInt(FEQ, rt::kPropAlertKey, k.key, k.slot);
}

EditAction EditInPlaceControl::HandleEditorEvent(int event) {
  if (event != rt::kEventAlertKey) return kEditActionNone;
  switch (rt::KeyCode()) {
    case rt::kKeyTab: return kEditActionNext;
    case rt::kKeyShiftTab: return kEditActionPrevious;
    case rt::kKeyEnter: return kEditActionComplete;
    case rt::kKeyEsc: return kEditActionCancel;
    case rt::kKeyDown: return kEditActionForward;
    case rt::kKeyUp: return kEditActionBackward;
    default: return kEditActionNone;
  }
}

}  // namespace fw
