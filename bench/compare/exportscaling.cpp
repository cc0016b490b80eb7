#include "exportscaling.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kSmallSets = 10000, kLargeSets = 100000;

// Version 9: each set a unit square of two triangles, a step apart, in the
// colours in turn.
void WriteSets(const std::string& path, int sets) {
  std::string text = "9\n0\n0\n0\n" + std::to_string(sets) + "\n";
  for (int i = 0; i < sets; ++i) {
    const std::string x = std::to_string(i % 1000), y = std::to_string(i / 1000);
    text += std::to_string(4 + i % 32) + "\n4\n";
    text +=
        x + " " + y + " 0\n" + x + ".5 " + y + " 0\n" + x + ".5 " + y + ".5 0.25\n" + x + " " + y + ".5 0\n";
    text += "0\n2\n3 0 1 2\n3 0 2 3\n0\n";
  }
  std::ofstream(path, std::ios::binary) << text;
}

std::string Program() { return (fs::read_symlink("/proc/self/exe").parent_path() / "xpdb").string(); }

double RunConvert(const std::string& in, const std::string& out) {
  const std::string program = Program();
  std::vector<std::string> args = {program, "convert", in, out};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
  int status = 0;
  waitpid(pid, &status, 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("xpdb convert " + in + " failed");
  return seconds;
}

}  // namespace

double CompareGlbExport(int runs, const std::string& dir, nlohmann::ordered_json& json) {
  const std::string small = (fs::path(dir) / "sets_small.pdb").string(),
                    large = (fs::path(dir) / "sets_large.pdb").string(),
                    out = (fs::path(dir) / "sets.glb").string();
  WriteSets(small, kSmallSets);
  WriteSets(large, kLargeSets);
  std::vector<double> smallRuns, largeRuns;
  // The sizes take turns, so that a slow spell of the machine hits both.
  for (int r = 0; r < std::max(runs, 3); ++r) {
    smallRuns.push_back(RunConvert(small, out));
    largeRuns.push_back(RunConvert(large, out));
  }
  const double smallBest = *std::min_element(smallRuns.begin(), smallRuns.end()),
               largeBest = *std::min_element(largeRuns.begin(), largeRuns.end());
  struct {
    double timeRatio, setRatio;
  } result{largeBest / smallBest, static_cast<double>(kLargeSets) / kSmallSets};
  std::printf("\nexport to .glb (xpdb convert, whole process; sets of two triangles)\n");
  std::printf("  %6d sets %7.3f s\n  %6d sets %7.3f s\n  %.0fx the sets takes %.2fx the time\n", kSmallSets,
              smallBest, kLargeSets, largeBest, result.setRatio, result.timeRatio);
  std::fflush(stdout);
  json["glb_export_scaling"] = {
      {"small", {{"sets", kSmallSets}, {"seconds", smallBest}, {"runs", smallRuns}}},
      {"large", {{"sets", kLargeSets}, {"seconds", largeBest}, {"runs", largeRuns}}},
      {"time_ratio", result.timeRatio},
      {"set_ratio", result.setRatio}};
  return result.timeRatio / result.setRatio;
}
