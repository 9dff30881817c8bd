// The calculator window procedure: builds the window and its objects (CalculatorWindow,
// OddsBrowse, the toolbar, the character locator, edit in place), runs the window until it
// closes, keeps its result in the program's last window response and releases everything.
// It needs the program's error manager and the odds table's managers set up (RunProgram).
#pragma once

namespace rt {
class View;
}

namespace app {

void CalculatorWindowProcedure();

// The browse's view over the odds file: program-wide, made on the first run and closed at
// the end of each run.
rt::View& OddsView();

}  // namespace app
