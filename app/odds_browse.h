// OddsBrowse: the browse of the calculator window's odds list. After every insert, change or
// delete made through the list it puts the odds table's row count into "из :" before the list
// is reloaded. Q must point to the procedure's CalculatorVariables while the browse is used.
#pragma once

#include <cstdint>

#include "framework/browse/browse_manager.h"

namespace app {

struct CalculatorVariables;

// Puts the odds table's row count into "из :" (n). False, n unchanged, when the count cannot
// be read. The caller shows it.
bool TakeRowCountAsEventCount(CalculatorVariables& vars);

class OddsBrowse : public fw::BrowseManager {
 public:
  void ReloadAfterRequest(uint8_t& request, uint8_t& response) override;
};

}  // namespace app
