// OddsBrowse: the browse of the calculator window's odds list. After every insert, change or
// delete made through the list it puts the odds table's row count into "из :" before the list
// is reloaded. Q must point to the procedure's CalculatorVariables while the browse is used.
// It owns the editor of its odds column (odds_cell), which the window attaches.
#pragma once

#include <cstdint>

#include "app/odds_cell_editor.h"
#include "framework/browse/browse_manager.h"

namespace fw {
class Toolbar;
}
namespace rt {
class RecordDescriptor;
class Window;
}  // namespace rt

namespace app {

struct CalculatorVariables;

// The controls of a list of odds rows: the list and its insert, change and delete buttons.
struct OddsListControls {
  int list = 0;
  int insert = 0;
  int change = 0;
  int remove = 0;
};

// What every list of odds rows shares, after the browse's Setup over the odds table, its sort
// order by row number and the window's Open: the number watched, number and odds bound to the
// list row's "KF:NN" and "KF:KF" (columns 1 and 2, in that order), rows another copy holds marked
// in its "MARK", the number never typed, the odds typed through odds_cell, the arrow keys saving
// the row and going on, and the buttons and the toolbar. row is the list queue's buffer, laid out
// by layout.
void WireOddsBrowse(fw::BrowseManager& browse, OddsCellEditor& odds_cell, rt::Window& window,
                    const rt::RecordDescriptor& layout, void* row,
                    const OddsListControls& controls, fw::Toolbar& toolbar);

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
