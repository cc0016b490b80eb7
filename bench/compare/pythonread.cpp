#include "pythonread.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

constexpr const char* kPython = "/usr/bin/python3";

// The read alone is timed, as in ReadWithPackage; the import of NumPy and of
// the module, and the loading of the package, come before it.
constexpr const char* kScript = R"(import os, sys, time
import xpdb

def rss():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return float(line.split()[1]) * 1024

def cpu():
    t = os.times()
    return t.user + t.system

xpdb.modules()
before = rss()
c, t = cpu(), time.perf_counter()
part = xpdb.read(sys.argv[1], module=0)
seconds, cpu_seconds = time.perf_counter() - t, cpu() - c
meshes = [s for s in part.sets if s.triangles is not None]
print("seconds", seconds)
print("cpu_seconds", cpu_seconds)
print("rss_before", before)
print("sets", len(part.sets))
print("points", sum(len(s.points) for s in meshes))
print("triangles", sum(len(s.triangles) for s in meshes))
print("array_bytes", sum(s.points.nbytes + s.triangles.nbytes for s in meshes))
sys.stdout.flush()
os._exit(0)
)";

}  // namespace

std::string BuildPythonDirectory() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (self.parent_path().parent_path() / "python").string();
}

int ExecPythonRead(const std::string& moduleDir, const std::string& file) {
  setenv("PYTHONPATH", moduleDir.c_str(), 1);
  std::vector<std::string> args = {kPython, "-c", kScript, file};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::fflush(stdout);
  execv(kPython, argv.data());
  std::perror("xpdb_compare: cannot start /usr/bin/python3");
  return 1;
}
