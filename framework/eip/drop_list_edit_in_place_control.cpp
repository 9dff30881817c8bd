#include "framework/eip/drop_list_edit_in_place_control.h"

#include <string>

#include "runtime/values/any_ref.h"
#include "runtime/values/text.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace fw {

namespace {

// One column wide enough for a few words; the screen widens it to the cell.
constexpr char kChoicesFormat[] = "[80L(2)@s63@]";

struct EditKey {
  int slot;
  int key;
};
constexpr EditKey kDropKeys[] = {
    {1, rt::kKeyTab}, {2, rt::kKeyShiftTab}, {3, rt::kKeyEnter}, {4, rt::kKeyEsc}};

}  // namespace

DropListEditInPlaceControl::DropListEditInPlaceControl() {
  layout_.Add("CHOICE", rt::Type::CString, kChoiceBytes);
}

DropListEditInPlaceControl::~DropListEditInPlaceControl() {
  // The base's destructor would call the base Teardown; the list goes before its rows.
  if (FEQ != 0) Teardown();
}

void DropListEditInPlaceControl::AddChoice(std::string_view text) {
  rt::AnyRef::CString(choices_.buffer.text).SetText(rt::CutToBytes(text, kChoiceBytes - 1));
  choices_.Append();
}

size_t DropListEditInPlaceControl::Chosen() const {
  const rt::Window* w = window();
  if (w == nullptr || FEQ == 0) return 0;
  const int64_t row = w->PropertyInt(FEQ, rt::kPropSelected);
  return row >= 1 && static_cast<size_t>(row) <= choices_.Records() ? static_cast<size_t>(row)
                                                                    : 0;
}

void DropListEditInPlaceControl::MakeControl() {
  rt::Window* w = window();
  FEQ = w ? w->Create(0, rt::ControlKind::kList) : 0;
}

void DropListEditInPlaceControl::Setup(int32_t column, int32_t listControl,
                                       const rt::AnyRef& value) {
  (void)column;  // the caller floats the list over the column's cell
  LISTBOXFEQ = listControl;
  MakeControl();
  USEVAR = value;
  rt::Window* w = window();
  if (!w || FEQ == 0) return;
  w->SetProperty(FEQ, rt::kPropFormat, kChoicesFormat);
  w->BindList(FEQ, &choices_, &layout_);
  HighlightValue();
  RegisterEditKeys();
}

void DropListEditInPlaceControl::HighlightValue() {
  rt::Window* w = window();
  if (!w || FEQ == 0) return;
  size_t row = choices_.Records() > 0 ? 1 : 0;
  if (!USEVAR.IsNull()) {
    const std::string current = USEVAR.Text();
    for (size_t i = 1; i <= choices_.Records(); ++i) {
      if (current == choices_.At(i)->text) row = i;
    }
  }
  if (row != 0) w->SetPropertyInt(FEQ, rt::kPropSelected, static_cast<int64_t>(row));
}

void DropListEditInPlaceControl::RegisterEditKeys() {
  rt::Window* w = window();
  if (!w || FEQ == 0) return;
  for (const EditKey& k : kDropKeys) w->SetPropertyInt(FEQ, rt::kPropAlertKey, k.key, k.slot);
}

EditAction DropListEditInPlaceControl::HandleEditorEvent(int event) {
  // Made before the row was read, the list learns the row's value when it gets the focus.
  if (event == rt::kEventSelected) {
    HighlightValue();
    return kEditActionNone;
  }
  if (event != rt::kEventNewSelection) return EditInPlaceControl::HandleEditorEvent(event);
  TakeHighlighted();
  const rt::Event* e = rt::CurrentEvent();
  return e != nullptr && e->key_code == rt::kMouseLeft ? kEditActionComplete : kEditActionNone;
}

void DropListEditInPlaceControl::TakeHighlighted() {
  const size_t row = Chosen();
  if (row != 0 && !USEVAR.IsNull()) USEVAR.SetText(choices_.At(row)->text);
}

}  // namespace fw
