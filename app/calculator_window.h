// CalculatorWindow: the window manager of the calculator window. Setup opens the odds table,
// sets the odds browse up over it and opens the window; "Расчет" computes the system bet from
// the odds stored in the table, "С" empties the table, the two icon buttons show messages.
//
// Ownership: it owns nothing new. The procedure's variables (with the runtime window), the
// browse, toolbar, locator, row editor and view are the procedure's and must remain live
// until Teardown; the odds table's managers and the error manager are program-wide.
#pragma once

#include <cstdint>
#include <string>

#include "framework/window/window_manager.h"

namespace fw {
class CharacterLocator;
class RowEditorInterface;
class Toolbar;
}  // namespace fw

namespace rt {
class View;
}

namespace app {

struct CalculatorVariables;
class OddsBrowse;

class CalculatorWindow : public fw::WindowManager {
 public:
  CalculatorWindow(CalculatorVariables& vars, OddsBrowse& browse, fw::Toolbar& toolbar,
                   fw::CharacterLocator& locator, fw::RowEditorInterface* row_editor,
                   rt::View& view);

  // The request handed over by the program, the odds table opened (a level other than 0 when
  // it cannot be: the window then does not run), the browse and the window set up.
  int Setup() override;
  // The base Teardown; then the odds table is closed if Setup opened it.
  int Teardown() override;
  // "Расчет" computes before the base handling; the icon buttons and "С" act after it.
  int OnAccepted() override;
  // The base handling; when the window opens, the focus goes to the odds list.
  int OnWindowEvent() override;
  // F2 or the popup's "Анализ…" opens the analysis window with n, k and the stake; when it
  // closes, n follows the rows if their number changed there.
  int OnControlEvent() override;

  // Reads the odds from the table in key order and shows the count and the total of the
  // system bet "k out of n" with the stake; the focus then goes to the list. A read that fails
  // (a row held, a stored value that fits no field, a file another program locks) is reported
  // and leaves both results empty: a total of the other rows is never shown.
  void CalculateSystem();
  // Deletes every row of the table straight through the runtime file in one write, without a
  // question; rows another copy holds stay. The list then shows what is left; a failure is
  // reported and leaves the table whole.
  void ClearOddsTable();

 private:
  // Puts the count's digits and TotalReturn, in full, into the variables the two results
  // are shown from (right-justified in at least six and ten characters).
  void ShowResults(const std::string& count_digits);
  // Blanks both results: nothing was computed.
  void ShowNoResults();
  // Widens the window until both results, as displayed, fit in it in the font they are drawn
  // in; narrows it back to its own width when they are short again.
  void FitWindowToResults();

  CalculatorVariables& vars_;
  OddsBrowse& browse_;
  fw::Toolbar& toolbar_;
  fw::CharacterLocator& locator_;
  fw::RowEditorInterface* row_editor_;
  rt::View& view_;
};

}  // namespace app
