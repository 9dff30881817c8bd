// tovik: the system-bet calculator, drawn by the Qt backend.
#include "app/calculator_window_procedure.h"
#include "app/program.h"
#include "runtime/windows/backend.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/qt_translation.h"
#include "runtime/files/store_choice.h"

int main(int argc, char** argv) {
  // The store of the odds table: --database=URI, else TOVIK_DATABASE, else the local file kf.
  // Qt reads its own options from argv and leaves this one alone.
  rt::StoreChoice::Set(rt::StoreChoice::FromStart(argc, argv));
  rt::QtBackend qt(argc, argv);
  rt::SetBackend(&qt);
  // Standard buttons and dialogs in the calculator's language; without the translation they
  // stay English, which is no reason not to start.
  rt::InstallQtTranslation("ru");
  app::StartupOptions options;
  options.window_procedure = app::CalculatorWindowProcedure;
  const int code = app::RunProgram(options);
  rt::SetBackend(nullptr);
  return code;
}
