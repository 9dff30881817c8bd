// AnalysisBrowse: the browse of the analysis window's rows list, over the odds table. Each row
// it builds carries the row's outcome in words beside its number and odds; a row inserted or
// changed in place has its outcome stored as well, and after every insert, change or delete the
// window reads the rows again, takes their number as n and settles the system again. It owns the editors of its odds
// column (odds as bettors write them) and of its outcome column (a drop list of the four).
// Q must point to the AnalysisWindow while the browse is used.
#pragma once

#include <cstdint>

#include "app/odds_cell_editor.h"
#include "framework/browse/browse_manager.h"
#include "framework/eip/drop_list_edit_in_place_control.h"

namespace app {

class AnalysisBrowse : public fw::BrowseManager {
 public:
  AnalysisBrowse();

  // The outcome of the record in the buffer into the outcome column's record side, then the
  // base row.
  void BuildRow() override;
  // A completed insert or change stores the edited outcome; then the base reload, and the
  // window reads the rows again and settles.
  void ReloadAfterRequest(uint8_t& request, uint8_t& response) override;

  OddsCellEditor& odds_cell() { return odds_cell_; }
  fw::DropListEditInPlaceControl& outcome_cell() { return outcome_cell_; }

 private:
  OddsCellEditor odds_cell_;
  fw::DropListEditInPlaceControl outcome_cell_;
};

}  // namespace app
