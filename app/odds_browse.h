// OddsBrowse: the browse of the calculator window's odds list. After every insert, change or
// delete made through the list it puts the odds table's row count into "из :" before the list
// is reloaded. Q must point to the procedure's CalculatorVariables while the browse is used.
// It owns the editor of its odds column (odds_cell), which the window attaches.
#pragma once

#include <cstdint>

#include "app/odds_cell_editor.h"
#include "framework/browse/browse_manager.h"

namespace app {

struct CalculatorVariables;

// Puts the odds table's row count into "из :" (n). False, n unchanged, when the count cannot
// be read. The caller shows it.
bool TakeRowCountAsEventCount(CalculatorVariables& vars);

class OddsBrowse : public fw::BrowseManager {
 public:
  void ReloadAfterRequest(uint8_t& request, uint8_t& response) override;

  OddsCellEditor& odds_cell() { return odds_cell_; }

 private:
  OddsCellEditor odds_cell_;
};

}  // namespace app
