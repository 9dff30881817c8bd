// tovik_unattended: the program itself on the headless backend, in the working directory, with
// no user: every message box takes its default button and is written to standard output as
// "title: text", and the window closes as soon as it is open. Tests run it over damaged data
// files to see the whole start and end of the program, exit path included.
#include <cstdio>

#include "app/calculator_window_procedure.h"
#include "app/program.h"
#include "runtime/headless/headless_backend.h"
#include "runtime/windows/backend.h"

namespace {

class Unattended : public rt::HeadlessBackend {
 public:
  int ShowMessageBox(const rt::MessageBoxRequest& request) override {
    std::printf("%s: %s\n", request.caption.c_str(), request.text.c_str());
    std::fflush(stdout);
    return rt::HeadlessBackend::ShowMessageBox(request);
  }
};

}  // namespace

int main() {
  Unattended backend;
  backend.CloseWindow();
  rt::SetBackend(&backend);
  app::StartupOptions options;
  options.window_procedure = app::CalculatorWindowProcedure;
  const int code = app::RunProgram(options);
  rt::SetBackend(nullptr);
  return code;
}
