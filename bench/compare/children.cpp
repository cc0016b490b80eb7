#include "children.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <stdexcept>

#include "pythonread.h"
#include "threadreads.h"

namespace {

constexpr const char* kChildFlag = "--child";

std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  return text;
}

}  // namespace

Measures RunChild(const std::vector<std::string>& args) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> all = {"xpdb_compare", kChildFlag};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    execv("/proc/self/exe", argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  const std::string output = ReadAll(pipeFds[0]);
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0)
    if (errno != EINTR) throw std::runtime_error("wait4 failed");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("the measurement \"" + args.front() + "\" failed");

  Measures m;
  std::istringstream lines(output);
  std::string key;
  double value = 0;
  while (lines >> key >> value) m[key] = value;
  m["peak_rss"] = static_cast<double>(usage.ru_maxrss) * 1024.0;
  return m;
}

int ChildMain(const std::vector<std::string>& args) {
  try {
    Measures m;
    const std::string& task = args.at(0);
    if (task == "python") return ExecPythonRead(args.at(1), args.at(2));
    if (task == "package")
      m = ReadWithPackage(args.at(1), std::stoi(args.at(2)), args.at(3), args.size() > 4 && args[4] == "gl");
    else if (task == "surface-threads")
      m = ReadTwoOnThreads(args.at(1), std::stoi(args.at(2)), args.at(3), args.at(4), std::stoi(args.at(5)));
    else if (task == "fast_float")
      m = ReadWithFastFloat(args.at(1));
    else if (task == "assimp")
      m = ReadWithAssimp(args.at(1));
    else if (task == "tinyobjloader")
      m = ReadWithTinyObj(args.at(1));
    else
      throw std::runtime_error("unknown task " + task);
    for (const auto& [key, value] : m) std::printf("%s %.17g\n", key.c_str(), value);
    std::fflush(stdout);
    // The sets and scenes go with the process; their teardown is not measured.
    _exit(0);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xpdb_compare: %s\n", e.what());
    return 1;
  }
}
