// Test support: the unattended program (the calculator on the headless backend, every message
// box printed as "title: text" and answered with its default) run as a process of its own in
// a given folder, with what it printed and how it ended. GoogleTest programs built with
// TOVIK_UNATTENDED only.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace app {

struct ProgramRun {
  int exit_code = -1;  // -1: killed (it did not end by itself)
  std::string out;
  std::string err;
};

// Runs the unattended program in `folder` for at most `seconds`.
inline ProgramRun RunProgramIn(const std::string& folder, int seconds) {
  ProgramRun r;
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    if (chdir(folder.c_str()) != 0) _exit(120);
    execl(TOVIK_UNATTENDED, TOVIK_UNATTENDED, static_cast<char*>(nullptr));
    _exit(121);
  }
  close(out[1]);
  close(err[1]);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open_pipes = 2;
  while (open_pipes > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? r.out : r.err).append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  int status = 0;
  if (open_pipes > 0) kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  for (pollfd& p : fds) {
    if (p.fd >= 0) close(p.fd);
  }
  if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
  return r;
}

}  // namespace app
