#include "framework/popup/toolbox_window_resource.h"

namespace fw {

const rt::WindowResource& ToolboxWindowResource() {
  static const rt::WindowResource* resource = [] {
    auto* w = new rt::WindowResource;  // compiled-in data: lives as long as the program
    w->label = std::string(kToolboxLabel);
    w->font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
    // No controls and no size: the popup manager adds a button per item and sizes the window
    // to the row of buttons; the caption is the title it is opened with.
    w->system_placed = true;
    rt::RegisterWindowResource(kPopupResource, w);
    return w;
  }();
  return *resource;
}

}  // namespace fw
