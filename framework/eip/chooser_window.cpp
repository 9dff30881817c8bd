#include "framework/eip/chooser_window.h"

#include "runtime/windows/placed_control.h"
#include "runtime/windows/window.h"

namespace fw {

const rt::WindowResource& ChooserWindowResource() {
  static const rt::WindowResource* resource = [] {
    auto* w = new rt::WindowResource;  // compiled-in data: lives as long as the program
    w->label = std::string(kChooserLabel);
    w->caption = "Choose items and order";
    w->font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
    w->width = 230;
    w->height = 140;
    w->system_placed = true;
    auto add = [&](int number, rt::ControlKind kind, int x, int y, int width, int height,
                   const char* text) -> rt::ControlResource& {
      w->controls.push_back(rt::PlacedControl(number, kind, x, y, width, height, text));
      return w->controls.back();
    };
    add(kChooserAvailablePrompt, rt::ControlKind::kPrompt, 6, 4, 0, 0, "&Available items");
    add(kChooserAvailableList, rt::ControlKind::kList, 6, 14, 90, 100, "").binding = 1;
    add(kChooserSelectedPrompt, rt::ControlKind::kPrompt, 134, 4, 0, 0, "&Selected items");
    add(kChooserSelectedList, rt::ControlKind::kList, 134, 14, 90, 100, "").binding = 2;
    add(kChooserAddButton, rt::ControlKind::kButton, 104, 44, 22, 14, ">");
    add(kChooserRemoveButton, rt::ControlKind::kButton, 104, 64, 22, 14, "<");
    add(kChooserCancelButton, rt::ControlKind::kButton, 118, 120, 50, 14, "Cancel");
    add(kChooserFinishButton, rt::ControlKind::kButton, 174, 120, 50, 14, "&Finish")
        .default_button = true;
    for (rt::ControlResource& c : w->controls) {
      if (c.kind == rt::ControlKind::kList) c.list_format = "90L(2)|M~Item~@s255@";
    }
    rt::RegisterWindowResource(kChooserResource, w);
    return w;
  }();
  return *resource;
}

ChooserWindow::ChooserWindow() = default;
ChooserWindow::~ChooserWindow() { Free(); }

bool ChooserWindow::Prepare(std::string* error) {
  Free();
  if (layout_.FieldCount() == 0) layout_.Add("TEXT", rt::Type::String, sizeof(Item::TEXT));
  available_ = std::make_unique<rt::Queue<Item>>();
  selected_ = std::make_unique<rt::Queue<Item>>();
  ChooserWindowResource();
  window_ = rt::Window::Prepare(kChooserResource, kChooserLabel,
                                {rt::Window::Binding(available_.get(), &layout_),
                                 rt::Window::Binding(selected_.get(), &layout_)},
                                error);
  if (!window_) {
    available_.reset();
    selected_.reset();
    return false;
  }
  return true;
}

void ChooserWindow::Free() {
  window_.reset();  // first: its lists show the queues
  available_.reset();
  selected_.reset();
}

}  // namespace fw
