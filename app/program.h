// The program's start-up and shutdown, and its program-wide objects. RunProgram goes through
// the fixed order: module routines, version check, main routine (error manager, settings,
// odds table managers, the calculator window), teardown, runtime close-down.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "framework/eip/chooser_window.h"
#include "framework/errors/error_manager.h"
#include "framework/settings/ini_manager.h"
#include "runtime/core/runtime_system.h"

namespace app {

// Program-wide variables; one instance, alive from start-up to shutdown.
struct ProgramGlobals {
  fw::ErrorManager errors;  // the only error manager; set up in step 5, torn down in step 10
  fw::IniManager ini;
  uint8_t next_window_request = 0;   // request handed to the next window procedure
  uint8_t last_window_response = 0;  // result of the last window
  int32_t navigation_request = 0;    // the window's navigation-request cell
  // Prepared by the fourth module routine at start-up and freed by it at shutdown; nothing
  // opens it.
  fw::ChooserWindow chooser;
};

ProgramGlobals& Globals();

struct StartupOptions {
  // The version the program asks the runtime for; anything but the runtime's own stops it.
  int version = rt::RuntimeSystem::kVersion;
  // The calculator window procedure; it returns when the window closes.
  std::function<void()> window_procedure;
  // Observes each step by name, in the order taken (tests read the order from it).
  std::function<void(std::string_view step)> trace;
};

// Runs the whole program and returns its exit code.
int RunProgram(const StartupOptions& options);

}  // namespace app
