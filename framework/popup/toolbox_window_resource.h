// The toolbox window "P10$W" of the resource "POPUPRES": an empty window in "MS Sans Serif" 8
// whose buttons the popup manager creates at run time, one per item on the toolbox.
#pragma once

#include <string_view>

#include "runtime/windows/window_resource.h"

namespace fw {

inline constexpr std::string_view kPopupResource = "POPUPRES";
inline constexpr std::string_view kToolboxLabel = "P10$W";

// The compiled-in resource; registered under (kPopupResource, kToolboxLabel) on first use.
const rt::WindowResource& ToolboxWindowResource();

}  // namespace fw
