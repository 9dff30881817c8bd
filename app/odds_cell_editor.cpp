#include "app/odds_cell_editor.h"

#include "app/analysis_odds_text.h"
#include "runtime/windows/window.h"

namespace app {

bool ReadOddsCell(std::string_view text, double* odds) {
  const OddsText read = ParseOddsText(text);
  if (!read.ok) return false;
  *odds = read.odds;
  return true;
}

void OddsCellEditor::Setup(int32_t column, int32_t listControl, const rt::AnyRef& value) {
  fw::EditInPlaceControl::Setup(column, listControl, value);
  if (rt::Window* w = window(); w != nullptr && FEQ != 0) w->SetInputReader(FEQ, ReadOddsCell);
}

}  // namespace app
