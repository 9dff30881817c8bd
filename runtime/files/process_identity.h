// ProcessIdentity: names a running process by its id and start time, so that a hold left in a
// file by a process that has died (or whose id was given to another process) is seen as stale.
#pragma once

#include <cstdint>

namespace rt {

class ProcessIdentity {
 public:
  int64_t pid = 0;
  int64_t started = 0;  // start time in clock ticks after boot; 0 when it cannot be read

  // This process (read again after a fork, since the child is another process).
  static ProcessIdentity Self();
  // True while the process is running; a zombie or a process with another start time is not.
  static bool Alive(const ProcessIdentity& p);
  bool operator==(const ProcessIdentity& o) const { return pid == o.pid && started == o.started; }

 private:
  // Reads state and start time from /proc/<pid>/stat; false when the process is gone.
  static bool Read(int64_t pid, char* state, int64_t* started);
};

}  // namespace rt
