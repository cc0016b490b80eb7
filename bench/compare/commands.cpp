#include "commands.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "children.h"
#include "spawn.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr int kManyObjects = 1000000;
constexpr int kFewObjects = 100000;
constexpr double kMiB = 1024.0 * 1024.0;
// As in the rest of the comparison: a contender far from its target runs once.
constexpr double kLongRun = 10.0;

struct Best {
  double seconds = 0, cpu = 0, rss = 0;
  std::vector<double> runs;
  void Add(const Measures& m) {
    const bool first = runs.empty();
    runs.push_back(m.at("seconds"));
    if (first || m.at("seconds") < seconds) seconds = m.at("seconds");
    if (first || m.at("cpu_seconds") < cpu) cpu = m.at("cpu_seconds");
    rss = std::max(rss, m.at("peak_rss"));
  }
  Json ToJson() const {
    return {{"seconds", seconds}, {"runs", runs}, {"cpu_seconds", cpu}, {"peak_rss_bytes", rss}};
  }
};

// The program beside this one, run whole with its output thrown away: wall
// and CPU time and peak memory of the process, start-up and exit included.
Measures RunProgram(const std::vector<std::string>& args) {
  const std::string program = (fs::read_symlink("/proc/self/exe").parent_path() / "xpdb").string();
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  const auto start = std::chrono::steady_clock::now();
  const rusage usage = Reap(Spawn(program, all), "xpdb " + args.front() + " failed");
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto time = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return {{"seconds", seconds},
          {"cpu_seconds", time(usage.ru_utime) + time(usage.ru_stime)},
          {"peak_rss", static_cast<double>(usage.ru_maxrss) * 1024.0}};
}

// A version-9 part of `count` small objects: a red triangle each.
void WriteSmallObjects(const std::string& path, int count) {
  std::ofstream out(path, std::ios::binary);
  out << "9\n0\n0\n0\n" << count << "\n";
  for (int i = 0; i < count; ++i)
    out << "7\n3\n" << i % 1000 << " 0 0\n1 " << i / 1000 << " 0\n0 1 0.5\n0\n1\n3 0 1 2\n0\n";
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<Best> Rounds(int runs, const std::vector<std::function<Measures()>>& contenders) {
  std::vector<Best> best(contenders.size());
  for (int r = 0; r < runs; ++r)
    for (std::size_t c = 0; c < contenders.size(); ++c)
      if (r == 0 || best[c].seconds <= kLongRun) best[c].Add(contenders[c]());
  return best;
}

void Row(const char* name, const Best& b) {
  std::printf("  %-26s %7.3f s  cpu %7.3f s  peak %7.1f MiB\n", name, b.seconds, b.cpu, b.rss / kMiB);
  std::fflush(stdout);
}

}  // namespace

void CompareCommands(int runs, const std::string& library, const std::string& part, const fs::path& dir,
                     Json& json, const TargetFn& target) {
  const std::string many = (dir / "objects_1m.pdb").string(), few = (dir / "objects_100k.pdb").string();
  WriteSmallObjects(many, kManyObjects);
  WriteSmallObjects(few, kFewObjects);
  const auto child = [](std::vector<std::string> args) { return [args] { return RunChild(args); }; };
  const auto program = [](std::vector<std::string> args) { return [args] { return RunProgram(args); }; };

  const auto points = Rounds(runs, {child({"package", library, "0", part}), program({"read", part}),
                                    program({"read", "--json", part})});
  std::printf("\nxpdb read, whole process, against the package read inside it (one million points)\n");
  Row("package GRRead", points[0]);
  Row("xpdb read", points[1]);
  Row("xpdb read --json", points[2]);

  const auto objects = Rounds(
      runs, {child({"package", library, "0", many}), program({"read", many}),
             program({"read", "--json", many}), program({"read", few}), program({"read", "--json", few})});
  std::printf("\none million small objects (%.1f MB) and a tenth of them\n",
              static_cast<double>(fs::file_size(many)) / 1e6);
  Row("package GRRead", objects[0]);
  Row("xpdb read", objects[1]);
  Row("xpdb read --json", objects[2]);
  Row("xpdb read, 1/10", objects[3]);
  Row("xpdb read --json, 1/10", objects[4]);

  json = {
      {"one_million_points",
       {{"package", points[0].ToJson()}, {"read", points[1].ToJson()}, {"read_json", points[2].ToJson()}}},
      {"one_million_objects",
       {{"bytes", fs::file_size(many)},
        {"package", objects[0].ToJson()},
        {"read", objects[1].ToJson()},
        {"read_json", objects[2].ToJson()},
        {"read_tenth", objects[3].ToJson()},
        {"read_json_tenth", objects[4].ToJson()}}}};
  target("xpdb read / package read (1M points)", points[1].seconds / points[0].seconds, 1.3, false, "x");
  target("xpdb read --json / package read", points[2].seconds / points[0].seconds, 1.3, false, "x");
  target("xpdb read / package read (1M objects)", objects[1].seconds / objects[0].seconds, 1.3, false, "x");
  target("read --json / package read (1M obj)", objects[2].seconds / objects[0].seconds, 1.5, false, "x");
  target("read: 10x the objects, time ratio", objects[1].seconds / objects[3].seconds, 11.0, false, "x");
  target("read --json: 10x objects, time ratio", objects[2].seconds / objects[4].seconds, 11.0, false, "x");
  target("read --json peak / package peak", objects[2].rss / objects[0].rss, 1.3, false, "x");
}
