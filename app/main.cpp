// tovik: the system-bet calculator.
#include "app/program.h"

int main() {
  app::StartupOptions options;
  return app::RunProgram(options);
}
