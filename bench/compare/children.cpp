#include "children.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <stdexcept>

#include "pythonread.h"
#include "spawn.h"
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
  // Both ends stay out of the child but for its standard output.
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  std::vector<std::string> all = {"xpdb_compare", kChildFlag};
  all.insert(all.end(), args.begin(), args.end());
  pid_t pid = -1;
  try {
    pid = Spawn("/proc/self/exe", all, pipeFds[1]);
  } catch (...) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    throw;
  }
  close(pipeFds[1]);
  const std::string output = ReadAll(pipeFds[0]);
  close(pipeFds[0]);
  const rusage usage = Reap(pid, "the measurement \"" + args.front() + "\" failed");

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
