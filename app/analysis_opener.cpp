#include "app/analysis_opener.h"

#include <string>

#include "framework/popup/popup_manager.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"
#include "runtime/windows/window_resource.h"

namespace app {

namespace {
constexpr int kKeyF2 = rt::kKeyF1 + 1;
}  // namespace

void AttachAnalysisOpener(rt::Window& window, fw::PopupManager* popup) {
  for (const rt::ControlResource& c : window.resource().controls) {
    window.SetPropertyInt(c.number, rt::kPropAlertKey, kKeyF2, kAnalysisAlertSlot);
  }
  if (popup != nullptr) {
    popup->AppendItem("-");
    // Item names are made from Latin letters only: the Russian text gets a name of its own.
    const std::string item = popup->AppendItem(kAnalysisItemText, "Analysis");
    popup->AppendEventItem(item, rt::kEventAccepted, kAnalysisCommand);
  }
}

bool IsAnalysisRequest(const rt::Event& event) {
  if (event.number == rt::kEventAlertKey) return event.key_code == kKeyF2;
  return event.number == rt::kEventAccepted && event.control == kAnalysisCommand;
}

}  // namespace app
