// How the calculator opens the analysis window: F2 on any of its controls and the item
// "Анализ…" of the odds list's popup menu both ask for it; the calculator's own controls stay
// as they are. Kept apart from the calculator so that its wiring there is two calls.
#pragma once

#include <cstdint>

namespace fw {
class PopupManager;
}
namespace rt {
class Window;
struct Event;
}

namespace app {

// The control number the popup item presses: no control of the calculator has it.
inline constexpr int kAnalysisCommand = 240;
// The alert slot F2 takes on every control, far from the slots a browse uses.
inline constexpr int kAnalysisAlertSlot = 240;
inline constexpr char kAnalysisItemText[] = "Анализ…";

// F2 on every control of `window`, and the item at the end of `popup` (when there is one).
void AttachAnalysisOpener(rt::Window& window, fw::PopupManager* popup);

// Whether the event is F2 or the popup item.
bool IsAnalysisRequest(const rt::Event& event);

}  // namespace app
