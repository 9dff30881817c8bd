#include "framework/query/query_window_resource.h"

namespace fw {

namespace {

rt::ControlResource Heading(int number, int x, const char* text) {
  rt::ControlResource c;
  c.number = number;
  c.kind = rt::ControlKind::kPrompt;
  c.x = x;
  c.y = 4;
  c.width = kQueryEntryWidth;
  c.height = 10;
  c.text = text;
  return c;
}

rt::ControlResource Button(int number, int x, const char* text, bool is_default) {
  rt::ControlResource c;
  c.number = number;
  c.kind = rt::ControlKind::kButton;
  c.x = x;
  c.y = kQueryFirstLineY + 4;  // moved under the last field's line when the window opens
  c.width = kQueryButtonWidth;
  c.height = kQueryButtonHeight;
  c.text = text;
  c.default_button = is_default;
  return c;
}

}  // namespace

const rt::WindowResource& QueryWindowResource() {
  static const rt::WindowResource* resource = [] {
    auto* w = new rt::WindowResource;  // compiled-in data: lives as long as the program
    w->label = std::string(kQueryWindowLabel);
    w->caption = "Example values";
    w->font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
    w->width = kQueryWindowWidth;
    w->height = kQueryFirstLineY + 4 + kQueryButtonHeight + 6;
    w->system_placed = true;
    w->controls.push_back(Heading(kQueryFromHeading, kQueryEntryX[0], "From"));
    w->controls.push_back(Heading(kQueryExampleHeading, kQueryEntryX[1], "Example"));
    w->controls.push_back(Heading(kQueryToHeading, kQueryEntryX[2], "To"));
    const int right = kQueryEntryX[2] + kQueryEntryWidth;
    w->controls.push_back(Button(kQueryOkButton, right - 2 * kQueryButtonWidth - 6, "&OK", true));
    w->controls.push_back(Button(kQueryCancelButton, right - kQueryButtonWidth, "Cancel", false));
    rt::RegisterWindowResource(kQueryResource, w);
    return w;
  }();
  return *resource;
}

}  // namespace fw
