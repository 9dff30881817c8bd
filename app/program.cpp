#include "app/program.h"

#include <cfenv>
#include <span>

#include "app/odds_file.h"
#include "app/odds_table.h"
#include "app/russian_texts.h"
#include "framework/data/file_manager.h"

namespace app {

namespace {

void Trace(const StartupOptions& o, std::string_view step) {
  if (o.trace) o.trace(step);
}

// The module routine table, in its fixed order; each runs with 0 at start-up and non-zero at
// shutdown.
std::vector<rt::RuntimeSystem::ModuleRoutine> ModuleTable(const StartupOptions& o) {
  return {
      // Object tables: the odds table's managers get their operations (construction in C++).
      [&o](int phase) {
        if (phase != 0) return;
        TheKfFileManager();
        TheKfRelationManager();
        Trace(o, "module:object-tables");
      },
      // Globals: the runtime library, the settings holder and the program-wide cells.
      [&o](int phase) {
        if (phase != 0) return;
        rt::RuntimeSystem::Init();
        ProgramGlobals& g = Globals();
        g.ini = fw::IniManager();
        g.next_window_request = 0;
        g.last_window_response = 0;
        g.navigation_request = 0;
        // The odds file is bound to its record buffer, which starts cleared.
        OddsFile().Clear();
        Trace(o, "module:globals");
      },
      // The file-manager registry is freed at shutdown.
      [&o](int phase) {
        if (phase == 0) return;
        fw::FileManager::FreeRegistry();
        Trace(o, "module:registry-free");
      },
      // The chooser window structure: prepared at start-up, freed at shutdown.
      [](int phase) {
        ProgramGlobals& g = Globals();
        if (phase != 0) {
          g.chooser.Free();
          return;
        }
        // Nothing opens the chooser, so a structure that cannot be built costs the user
        // nothing: the program goes on without it.
        g.chooser.Prepare();
      },
  };
}

}  // namespace

ProgramGlobals& Globals() {
  static ProgramGlobals globals;
  return globals;
}

int RunProgram(const StartupOptions& options) {
  std::fesetenv(FE_DFL_ENV);
  Trace(options, "fpu-reset");
  rt::RuntimeSystem::SysInit(ModuleTable(options));
  if (!rt::RuntimeSystem::CheckVersion(options.version, 0, 0)) {
    // The close-down is skipped, but what the module routines prepared must not outlive the
    // backend it was made on.
    Globals().chooser.Free();
    Trace(options, "version-refused");
    return 0;
  }
  rt::RuntimeSystem::Code();
  Trace(options, "code");

  Globals().errors.Setup();
  // The calculator speaks Russian: its table goes over the default one, entry for entry.
  const std::span<const uint8_t> russian = RussianErrorTable();
  Globals().errors.LoadErrorTable(russian.data(), russian.size());
  Globals().errors.TRANSLATOR = &RussianTranslator();
  Trace(options, "error-manager-setup");
  Globals().ini.Init("tovik.INI");
  Trace(options, "ini-setup");
  SetupOddsTable(&Globals().errors);
  Trace(options, "odds-setup");

  if (options.window_procedure) options.window_procedure();
  Trace(options, "window-done");

  // The odds table's managers go first, so a message raised while they are torn down can
  // still be shown.
  TeardownOddsTable();
  Trace(options, "odds-teardown");
  Globals().errors.Teardown();
  Trace(options, "error-manager-teardown");
  rt::RuntimeSystem::CloseDown();
  Trace(options, "closedown");
  return 0;
}

}  // namespace app
