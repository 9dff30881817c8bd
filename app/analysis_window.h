// AnalysisWindow: the window manager of "Анализ системы". It lists the odds rows with their
// outcomes (a key on the list settles the highlighted row: В won, П lost, Р refund, Н pending,
// or the keys in their places on a Latin keyboard: D, G, H, Y), takes n, the sizes and the
// stake, and shows the settlement's figures in full, the needs chart (a min-max bar for every
// number of pending winners and a line at the total stake) and the sentence that says how many
// must win to get the stake back. Enter or a double click on a row drops the four outcomes
// from its outcome cell (edit in place): Up, Down, Enter, Esc or the mouse choose one.
//
// Ownership: the variables (with the runtime window) are the procedure's; the odds and outcome
// tables' managers and the error manager are program-wide.
#pragma once

#include <cstdint>
#include <memory>

#include "app/analysis_events.h"
#include "app/analysis_sizes.h"
#include "app/system_bet.h"
#include "framework/window/window_manager.h"

namespace fw {
class PopupManager;
}

namespace app {

struct AnalysisVariables;

// The popup menu's items press these numbers, one per outcome (kPending first); no control of
// the window has them.
inline constexpr int kFirstOutcomeCommand = 241;
// The cover menu's items press these, in the order of FullCovers().
inline constexpr int kFirstCoverCommand = 300;

// What a key typed on the rows list sets; nullopt-like kPending with *known false when the key
// means nothing here. Both keyboard layouts, either case.
Outcome OutcomeForKey(char32_t key, bool* known);
// The outcome as the list shows it.
const char* OutcomeText(Outcome outcome);

class AnalysisWindow : public fw::WindowManager {
 public:
  explicit AnalysisWindow(AnalysisVariables& vars);
  ~AnalysisWindow() override;

  // The tables opened (a level other than 0 when they cannot be: the window then does not run),
  // the window opened, the rows read and the system settled.
  int Setup() override;
  int Teardown() override;
  // Any value taken (n, sizes, stake) or "Расчет" settles again.
  int OnAccepted() override;
  // An outcome key on the rows list, or a right click there (the row under the mouse is
  // highlighted and the popup menu of the four outcomes opens); a scroll of the variants list (a row, a page, the ends, the
  // thumb) builds the page at the new place.
  int OnControlEvent() override;
  // The base handling; when the window gets the focus back, the rows and outcomes are read
  // again and the system settled again: another copy of the program may have changed them
  // while the user was away.
  int OnWindowEvent() override;

  // Reads the rows and their outcomes into the list; false (after the message) when they
  // cannot be read.
  bool LoadRows();
  // Settles the system as the window's values stand and shows every figure, the chart and the
  // sentence; a refusal is shown in place of the sentence, with the figures cleared.
  void SettleAndShow();

 private:
  void SetOutcomeOfSelectedRow(Outcome outcome);
  // The highlighted row's outcome edited in place: the drop list of the four over its cell,
  // in a loop of its own until a choice is taken or the edit left.
  void EditOutcomeInPlace();
  // Rows read again and settled again, the highlight kept on the same place of the list.
  void ReloadKeepingPlace();
  // Moves the variants page for a scroll event of its list.
  void ScrollVariants(int event);
  // Builds the page of variants from first_ by unranking and shows it, the thumb in its place.
  void ShowVariantsPage();
  VariantCount PageRows() const;

  std::unique_ptr<fw::PopupManager> popup_;  // the rows list's menu, from Setup to Teardown
  std::unique_ptr<fw::PopupManager> covers_;  // the full covers' menu of the "▼" button

  // What the shown figures were settled from, for the variants pages.
  bool settled_ = false;
  AnalysisEvents events_;
  SystemSizes sizes_;
  double stake_ = 0.0;
  VariantCount count_ = 0;
  VariantCount first_ = 1;  // the first variant of the page, from 1

  AnalysisVariables& vars_;
};

// Runs the window with the calculator's n, k and stake; returns when it closes.
void AnalysisWindowProcedure(int32_t events, int system_size, double stake);

}  // namespace app
