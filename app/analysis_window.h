// AnalysisWindow: the window manager of "Анализ системы". Its rows list is a browse of the odds
// table with a toolbar ("+", "?", "--"), edited in place: the odds as bettors write them, the
// outcome from a drop list of the four. A key on the list settles the highlighted row too (В
// won, П lost, Р refund, Н pending, or the keys in their places on a Latin keyboard: D, G, H, Y),
// and so does the list's right-click menu. It takes n, the sizes and the stake, and shows the
// settlement's figures in full, the needs chart (a min-max bar for every number of pending
// winners and a line at the total stake), the sentence that says how many must win to get the
// stake back, and the variants a page at a time.
//
// Ownership: the variables (with the runtime window), the browse, toolbar, row editor and view
// are the procedure's and must remain live until Teardown; the odds and outcome tables'
// managers and the error manager are program-wide.
#pragma once

#include <cstdint>
#include <memory>

#include "app/analysis_events.h"
#include "app/analysis_sizes.h"
#include "app/system_bet.h"
#include "framework/window/window_manager.h"

namespace fw {
class PopupManager;
class RowEditorInterface;
class Toolbar;
}  // namespace fw
namespace rt {
class View;
}

namespace app {

struct AnalysisVariables;
class AnalysisBrowse;

// The popup menu's items press these numbers, one per outcome (kPending first); no control of
// the window has them.
inline constexpr int kFirstOutcomeCommand = 241;
// The cover menu's items press these, in the order of FullCovers().
inline constexpr int kFirstCoverCommand = 300;
// The outcomes in the order the outcome column's drop list offers them.
inline constexpr Outcome kOutcomeChoices[] = {Outcome::kPending, Outcome::kWon, Outcome::kLost,
                                              Outcome::kRefund};

// What a key typed on the rows list sets; nullopt-like kPending with *known false when the key
// means nothing here. Both keyboard layouts, either case.
Outcome OutcomeForKey(char32_t key, bool* known);
// The outcome as the list shows it.
const char* OutcomeText(Outcome outcome);

class AnalysisWindow : public fw::WindowManager {
 public:
  AnalysisWindow(AnalysisVariables& vars, AnalysisBrowse& browse, fw::Toolbar& toolbar,
                 fw::RowEditorInterface* row_editor, rt::View& view);
  ~AnalysisWindow() override;

  // The tables opened (a level other than 0 when they cannot be: the window then does not run),
  // the rows read, the browse and the window set up, and the system settled.
  int Setup() override;
  int Teardown() override;
  // Any value taken (n, sizes, stake) or "Расчет" settles again; the menus' items act.
  int OnAccepted() override;
  // An outcome key on the rows list; a scroll of the variants list (a row, a page, the ends,
  // the thumb) builds the page at the new place.
  int OnControlEvent() override;
  // The base handling; when the window gets the focus back, the rows and outcomes are read
  // again and the system settled again: another copy of the program may have changed them
  // while the user was away.
  int OnWindowEvent() override;

  // Reads every row and its outcome for the settlement (the record buffer is left as it was);
  // false (after the message) when they cannot be read.
  bool LoadRows();
  // Settles the system as the window's values stand and shows every figure, the chart and the
  // sentence; a refusal is shown in place of the sentence, with the figures cleared.
  void SettleAndShow();
  // Widens the window for the figures and the sentence (and narrows it back).
  void FitWindowToFigures(rt::Window& w);
  // The rows read again, the list shown again and the system settled again. After a row was
  // added, changed or deleted through the list, n becomes the number of rows first, as the
  // calculator's n does.
  void ReadAndSettle(bool take_row_count = false);

  // For the browse: the outcome of the row in the record buffer into the outcome column's
  // record side; and, after a row was saved in place, its edited outcome stored.
  void ShowOutcomeOfBufferedRow();
  void StoreEditedOutcome();

 private:
  void SetOutcomeOfSelectedRow(Outcome outcome);
  // Moves the variants page for a scroll event of its list.
  void ScrollVariants(int event);
  // Builds the page of variants from first_ by unranking and shows it, the thumb in its place.
  void ShowVariantsPage();
  VariantCount PageRows() const;

  std::unique_ptr<fw::PopupManager> covers_;  // the full covers' menu of the "▼" button

  // What the shown figures were settled from, for the variants pages.
  bool settled_ = false;
  AnalysisEvents events_;
  SystemSizes sizes_;
  double stake_ = 0.0;
  VariantCount count_ = 0;
  VariantCount first_ = 1;  // the first variant of the page, from 1

  AnalysisVariables& vars_;
  AnalysisBrowse& browse_;
  fw::Toolbar& toolbar_;
  fw::RowEditorInterface* row_editor_;
  rt::View& view_;
};

// Runs the window with the calculator's n, k and stake; returns when it closes.
void AnalysisWindowProcedure(int32_t events, int system_size, double stake);

}  // namespace app
