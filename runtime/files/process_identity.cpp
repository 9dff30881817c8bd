#include "runtime/files/process_identity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace rt {

bool ProcessIdentity::Read(int64_t pid, char* state, int64_t* started) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%lld/stat", static_cast<long long>(pid));
  FILE* f = std::fopen(path, "re");
  if (!f) return false;
  char buf[1024];
  size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = '\0';
  // The command name is in parentheses and may itself hold blanks and parentheses: the
  // fields that follow start after the last ')'.
  char* p = std::strrchr(buf, ')');
  if (!p) return false;
  p += 2;  // ") " then the state (field 3)
  if (p >= buf + n) return false;
  *state = *p;
  // Field 22 is the start time; we stand on field 3.
  int field = 3;
  while (*p && field < 22) {
    if (*p == ' ') ++field;
    ++p;
  }
  if (field != 22) return false;
  *started = std::strtoll(p, nullptr, 10);
  return true;
}

ProcessIdentity ProcessIdentity::Self() {
  static thread_local int64_t cached_pid = 0;
  static thread_local int64_t cached_started = 0;
  int64_t pid = getpid();
  if (pid != cached_pid) {
    char state = 0;
    int64_t started = 0;
    if (!Read(pid, &state, &started)) started = 0;
    cached_pid = pid;
    cached_started = started;
  }
  return ProcessIdentity{pid, cached_started};
}

bool ProcessIdentity::Alive(const ProcessIdentity& p) {
  if (p.pid <= 0) return false;
  char state = 0;
  int64_t started = 0;
  if (!Read(p.pid, &state, &started)) {
    if (access("/proc/self/stat", F_OK) == 0) return false;  // procfs is there: it is gone
    // Without procfs all we can ask is whether the id is in use.
    return kill(static_cast<pid_t>(p.pid), 0) == 0 || errno == EPERM;
  }
  if (state == 'Z' || state == 'X') return false;
  return started == p.started;
}

}  // namespace rt
