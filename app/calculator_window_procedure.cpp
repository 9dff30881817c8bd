#include "app/calculator_window_procedure.h"

#include <string>

#include "app/calculator_variables.h"
#include "app/calculator_window.h"
#include "app/calculator_window_resource.h"
#include "app/odds_browse.h"
#include "app/odds_file.h"
#include "app/program.h"
#include "app/russian_texts.h"
#include "framework/browse/character_locator.h"
#include "framework/browse/toolbar.h"
#include "framework/eip/row_in_place_editor.h"
#include "runtime/values/any_ref.h"
#include "runtime/windows/backend.h"
#include "runtime/files/view.h"
#include "runtime/windows/window.h"

namespace app {

rt::View& OddsView() {
  static rt::View* view = new rt::View(&OddsFile());
  return *view;
}

void CalculatorWindowProcedure() {
  CalculatorVariables vars;
  RegisterCalculatorWindowResource();
  std::string error;
  vars.window = rt::Window::Prepare(
      kCalculatorResource, kCalculatorWindowLabel,
      {rt::AnyRef::CString(vars.TotalReturnText),
       rt::Window::Binding(&vars.ListQueue, &vars.ListLayout),
       rt::AnyRef::Of(vars.EventCount), rt::AnyRef::Of(vars.SystemSize),
       rt::AnyRef::CString(vars.VariantCount), rt::AnyRef::Of(vars.StakePerVariant)},
      &error);
  if (!vars.window) {
    // The resource is compiled in: only a broken build gets here.
    rt::Halt(1, "The calculator window cannot be built: " + error);
  }

  OddsBrowse browse;
  fw::Toolbar toolbar;
  fw::CharacterLocator locator;
  fw::RowInPlaceEditor editor;
  {
    CalculatorWindow window(vars, browse, toolbar, locator, &editor, OddsView());
    browse.Q = &vars;
    window.TRANSLATOR = &RussianTranslator();
    Globals().last_window_response = static_cast<uint8_t>(window.Execute());
  }
  locator.Teardown();
  vars.window.reset();
  vars.ListQueue.Free();
  if (OddsView().IsOpen()) OddsView().Close();
}

}  // namespace app
