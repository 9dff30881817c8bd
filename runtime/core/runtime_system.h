// The core room of the runtime, below every other: error codes and their texts, the thread's
// last error, and the runtime's start and end. It includes nothing of the other rooms.
//
// RuntimeSystem: the runtime's start and end. A program hands it a table of module routines
// (each run with 0 at start-up and with a non-zero value at shutdown, in table order), asks it
// to check the version the program was built for, and closes it down at the end.
#pragma once

#include <functional>
#include <vector>

namespace rt {

class RuntimeSystem {
 public:
  // The version this runtime serves; a program built for another one must not run.
  static constexpr int kVersion = 261;

  using ModuleRoutine = std::function<void(int phase)>;  // 0 start-up, non-zero shutdown

  // System initialisation: keeps the table and runs every routine with 0.
  static void SysInit(std::vector<ModuleRoutine> table);
  // Non-zero when the program's version matches this runtime; the two further arguments are
  // reserved and must be 0.
  static int CheckVersion(int version, int reserved1, int reserved2);
  static void Init();       // library initialisation, run by a module routine
  static void Code();       // start of the main routine
  // Runs every module routine with a non-zero value, in table order, and forgets the table.
  static void CloseDown();

  static bool Initialised();
};

}  // namespace rt
