#include "app/odds_browse.h"

#include <cstdint>

#include "app/calculator_variables.h"
#include "app/odds_file.h"
#include "framework/window/window_manager.h"

namespace app {

bool TakeRowCountAsEventCount(CalculatorVariables& vars) {
  const int64_t records = OddsFile().Records();
  // A count that cannot be read leaves n as the user last saw it.
  if (records < 0) return false;
  vars.EventCount = static_cast<int16_t>(records > INT16_MAX ? INT16_MAX : records);
  return true;
}

void OddsBrowse::ReloadAfterRequest(uint8_t& request, uint8_t& response) {
  auto* vars = static_cast<CalculatorVariables*>(Q);
  if (vars != nullptr && TakeRowCountAsEventCount(*vars)) {
    if (WINDOW != nullptr && WINDOW->window() != nullptr) WINDOW->window()->Display();
  }
  fw::BrowseManager::ReloadAfterRequest(request, response);
}

}  // namespace app
