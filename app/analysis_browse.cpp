#include "app/analysis_browse.h"

#include "app/analysis_window.h"
#include "app/odds_file.h"
#include "framework/window/window_manager.h"

namespace app {

AnalysisBrowse::AnalysisBrowse() {
  for (Outcome o : kOutcomeChoices) outcome_cell_.AddChoice(OutcomeText(o));
}

void AnalysisBrowse::BuildRow() {
  if (auto* window = static_cast<AnalysisWindow*>(Q)) window->ShowOutcomeOfBufferedRow();
  fw::BrowseManager::BuildRow();
}

void AnalysisBrowse::ReloadAfterRequest(uint8_t& request, uint8_t& response) {
  auto* window = static_cast<AnalysisWindow*>(Q);
  if (window != nullptr && response == fw::kResponseCompleted &&
      (request == fw::kRequestInsert || request == fw::kRequestChange)) {
    window->StoreEditedOutcome();
  }
  fw::BrowseManager::ReloadAfterRequest(request, response);
  if (window != nullptr) window->ReadAndSettle(/*take_row_count=*/true);
}

}  // namespace app
