#include "app/odds_browse.h"

#include <cstdint>

#include "app/calculator_variables.h"
#include "app/odds_file.h"
#include "framework/window/window_manager.h"

namespace app {

void OddsBrowse::ReloadAfterRequest(uint8_t& request, uint8_t& response) {
  auto* vars = static_cast<CalculatorVariables*>(Q);
  const int64_t records = OddsFile().Records();
  // A count that cannot be read leaves n as the user last saw it.
  if (vars != nullptr && records >= 0) {
    vars->EventCount = static_cast<int16_t>(records > INT16_MAX ? INT16_MAX : records);
    if (WINDOW != nullptr && WINDOW->window() != nullptr) WINDOW->window()->Display();
  }
  fw::BrowseManager::ReloadAfterRequest(request, response);
}

}  // namespace app
