#include "app/odds_browse.h"

#include <cstdint>

#include "app/calculator_variables.h"
#include "app/odds_file.h"
#include "framework/window/window_manager.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window.h"

namespace app {

bool TakeRowCountAsEventCount(CalculatorVariables& vars) {
  const int64_t records = OddsFile().Records();
  // A count that cannot be read leaves n as the user last saw it.
  if (records < 0) return false;
  vars.EventCount = static_cast<int16_t>(records > INT16_MAX ? INT16_MAX : records);
  return true;
}

void WireOddsBrowse(fw::BrowseManager& browse, OddsCellEditor& odds_cell, rt::Window& window,
                    const rt::RecordDescriptor& layout, void* row,
                    const OddsListControls& controls, fw::Toolbar& toolbar) {
  auto record_field = [](const char* label) {
    return OddsDeclaration().Record().Field(&OddsBuffer(), label);
  };
  const rt::AnyRef nn = record_field("KF:NN");
  browse.WatchField(nn);
  browse.BindField(nn, layout.Field(row, "KF:NN"));
  browse.BindField(record_field("KF:KF"), layout.Field(row, "KF:KF"));
  // A row another copy holds stays in the list, shown marked.
  browse.MarkHeldRows(layout.Field(row, "MARK"));
  const int mark = layout.IndexOf("MARK");
  if (mark >= 0) window.SetPropertyInt(controls.list, rt::kPropMarkField, mark + 1);
  // The row number is the file's own: it is never typed.
  browse.AttachEditor(nullptr, 1, 0);
  // Odds are typed as bettors write them too ("5/2", "+150") and kept as decimals.
  browse.AttachEditor(&odds_cell, 2, 0);
  // Arrow keys save the row and go on to the next one in the same column.
  browse.ARROWACTION = 24;
  browse.INSERTCONTROL = controls.insert;
  browse.CHANGECONTROL = controls.change;
  browse.DELETECONTROL = controls.remove;
  browse.AttachToolbar(&toolbar);
}

void OddsBrowse::ReloadAfterRequest(uint8_t& request, uint8_t& response) {
  auto* vars = static_cast<CalculatorVariables*>(Q);
  if (vars != nullptr && TakeRowCountAsEventCount(*vars)) {
    if (WINDOW != nullptr && WINDOW->window() != nullptr) WINDOW->window()->Display();
  }
  fw::BrowseManager::ReloadAfterRequest(request, response);
}

}  // namespace app
