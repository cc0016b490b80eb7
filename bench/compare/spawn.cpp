#include "spawn.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

pid_t Spawn(const std::string& path, std::vector<std::string> args, int out) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Only what async-signal-safe calls can do between fork and exec.
    const int to = out >= 0 ? out : open("/dev/null", O_WRONLY);
    if (to < 0 || dup2(to, STDOUT_FILENO) < 0) _exit(127);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

rusage Reap(pid_t pid, const std::string& failure) {
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0)
    if (errno != EINTR) throw std::runtime_error("wait4 failed");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(failure);
  return usage;
}
