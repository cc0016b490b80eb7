#include "meshconvert.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "mesh.h"
#include "spawn.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr int kLevel = 8;  // 20 * 4^8 faces
constexpr double kTimeTarget = 1.2;

// An icosphere of radius 100: the icosahedron's faces split in four `level`
// times, new points pushed onto the sphere, each edge's midpoint made once.
void WriteIcosphere(const std::string& path, int level) {
  const double t = (1.0 + std::sqrt(5.0)) / 2.0;
  std::vector<std::array<double, 3>> points = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                                               {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                                               {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  std::vector<std::array<std::uint32_t, 3>> faces = {
      {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
      {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
      {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
  const auto onSphere = [](std::array<double, 3> p) {
    const double r = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    return std::array<double, 3>{100 * p[0] / r, 100 * p[1] / r, 100 * p[2] / r};
  };
  for (auto& p : points) p = onSphere(p);
  for (int l = 0; l < level; ++l) {
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> middles;
    const auto middle = [&](std::uint32_t a, std::uint32_t b) {
      const auto key = std::minmax(a, b);
      const auto [it, added] = middles.try_emplace(key, static_cast<std::uint32_t>(points.size()));
      if (added)
        points.push_back(onSphere({(points[a][0] + points[b][0]) / 2, (points[a][1] + points[b][1]) / 2,
                                   (points[a][2] + points[b][2]) / 2}));
      return it->second;
    };
    std::vector<std::array<std::uint32_t, 3>> finer;
    finer.reserve(4 * faces.size());
    for (const auto& f : faces) {
      const std::uint32_t a = middle(f[0], f[1]), b = middle(f[1], f[2]), c = middle(f[2], f[0]);
      finer.insert(finer.end(), {{f[0], a, c}, {f[1], b, a}, {f[2], c, b}, {a, b, c}});
    }
    faces.swap(finer);
  }
  std::string text;
  text.reserve(64u << 20);
  text += "o icosphere\n";
  for (const auto& p : points) {
    text += "v ";
    for (int k = 0; k < 3; ++k) {
      AppendReal(text, p[static_cast<std::size_t>(k)]);
      text += k < 2 ? ' ' : '\n';
    }
  }
  for (const auto& f : faces) {
    text += "f ";
    for (int k = 0; k < 3; ++k) {
      AppendInt(text, f[static_cast<std::size_t>(k)] + 1LL);
      text += k < 2 ? ' ' : '\n';
    }
  }
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + path);
}

struct Run {
  double seconds = 0, cpuSeconds = 0;
  double peakRss = 0;   // the largest single process, as wait4 reports it
  double treePeak = 0;  // the process and its children together, sampled
};

std::string Text(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

std::uint64_t Resident(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/statm");
  std::uint64_t size = 0, resident = 0;
  in >> size >> resident;
  return resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// The resident memory of `pid` and of all its descendants. A process that
// is still this program's copy before its exec is not counted: it is not
// the command yet.
std::uint64_t TreeResident(pid_t pid) {
  const std::string proc = "/proc/" + std::to_string(pid);
  std::error_code ignored;
  static const fs::path self = fs::read_symlink("/proc/self/exe");
  std::uint64_t total = fs::read_symlink(proc + "/exe", ignored) == self ? 0 : Resident(pid);
  std::ifstream children(proc + "/task/" + std::to_string(pid) + "/children");
  pid_t child = 0;
  while (children >> child) total += TreeResident(child);
  return total;
}

// Runs the command under GNU time, whose own small process starts it: a
// process forked straight from this large one would count this one's pages
// in its peak. time reports the command's peak and that of its children,
// whichever is larger, as wait4 does.
Run RunCommand(const std::vector<std::string>& command, const std::string& report) {
  std::vector<std::string> args = {"/usr/bin/time", "-f", "%M %U %S", "-o", report};
  args.insert(args.end(), command.begin(), command.end());
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(args.front(), args);
  Run run;
  int status = 0;
  for (;;) {
    run.treePeak = std::max(run.treePeak, static_cast<double>(TreeResident(pid)));
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("\"" + command.front() + " " + command.at(1) + "\" failed");
  std::istringstream measured(Text(report));
  double kib = 0, user = 0, system = 0;
  if (!(measured >> kib >> user >> system)) throw std::runtime_error("no measures from /usr/bin/time");
  run.cpuSeconds = user + system;
  run.peakRss = kib * 1024.0;
  return run;
}

Json Summary(const std::vector<Run>& runs) {
  Json seconds = Json::array();
  double best = runs.front().seconds, cpu = runs.front().cpuSeconds, peak = 0, tree = 0;
  for (const Run& r : runs) {
    seconds.push_back(r.seconds);
    best = std::min(best, r.seconds);
    cpu = std::min(cpu, r.cpuSeconds);
    peak = std::max(peak, r.peakRss);
    tree = std::max(tree, r.treePeak);
  }
  return {{"seconds", best},
          {"runs", seconds},
          {"cpu_seconds", cpu},
          {"peak_rss_bytes", static_cast<std::int64_t>(peak)},
          {"sampled_tree_peak_bytes", static_cast<std::int64_t>(tree)}};
}

}  // namespace

Json CompareObjToStl(int runs, const std::string& dir) {
  const std::string obj = (fs::path(dir) / "icosphere.obj").string();
  const std::string ours = (fs::path(dir) / "icosphere_xpdb.stl").string();
  const std::string theirs = (fs::path(dir) / "icosphere_assimp.stl").string();
  WriteIcosphere(obj, kLevel);
  const std::string xpdb = (fs::read_symlink("/proc/self/exe").parent_path() / "xpdb").string();
  const std::vector<std::vector<std::string>> commands = {{xpdb, "convert", obj, ours},
                                                          {"assimp", "export", obj, theirs, "-fstlb"}};
  std::vector<std::vector<Run>> results(commands.size());
  for (int r = 0; r < runs; ++r)
    for (std::size_t c = 0; c < commands.size(); ++c)
      results[c].push_back(RunCommand(commands[c], (fs::path(dir) / "time.txt").string()));

  Json json = {{"input_obj_bytes", fs::file_size(obj)},
               {"faces", 20 << (2 * kLevel)},
               {"xpdb", Summary(results[0])},
               {"assimp", Summary(results[1])}};
  json["xpdb"]["stl_bytes"] = fs::file_size(ours);
  json["assimp"]["stl_bytes"] = fs::file_size(theirs);
  const double timeRatio = json["xpdb"]["seconds"].get<double>() / json["assimp"]["seconds"].get<double>();
  const double peakRatio =
      json["xpdb"]["peak_rss_bytes"].get<double>() / json["assimp"]["peak_rss_bytes"].get<double>();
  const double treeRatio = json["xpdb"]["sampled_tree_peak_bytes"].get<double>() /
                           json["assimp"]["sampled_tree_peak_bytes"].get<double>();
  json["time_ratio"] = {{"value", timeRatio}, {"limit", kTimeTarget}, {"met", timeRatio <= kTimeTarget}};
  json["peak_ratio"] = {{"value", peakRatio}, {"limit", 1.0}, {"met", peakRatio <= 1.0}};
  json["sampled_tree_peak_ratio"] = {{"value", treeRatio}, {"limit", 1.0}, {"met", treeRatio <= 1.0}};
  json["same_stl_size"] = fs::file_size(ours) == fs::file_size(theirs);

  std::printf("\nconvert OBJ to binary STL (icosphere, %d faces, OBJ %.1f MB; whole processes)\n",
              20 << (2 * kLevel), static_cast<double>(fs::file_size(obj)) / 1e6);
  const char* names[] = {"xpdb convert", "assimp export -fstlb"};
  for (std::size_t c = 0; c < 2; ++c) {
    const Json& s = json[c == 0 ? "xpdb" : "assimp"];
    std::printf("  %-24s %7.3f s  cpu %7.3f s  peak %.1f MiB (largest process), %.1f MiB (all, sampled)\n",
                names[c], s["seconds"].get<double>(), s["cpu_seconds"].get<double>(),
                s["peak_rss_bytes"].get<double>() / 1048576.0,
                s["sampled_tree_peak_bytes"].get<double>() / 1048576.0);
  }
  std::printf(
      "  time xpdb / assimp %.3f (target <= %.1f) %s; peak %.3f (target <= 1) %s; "
      "sampled peak of all processes %.3f %s; same STL size: %s\n",
      timeRatio, kTimeTarget, timeRatio <= kTimeTarget ? "met" : "NOT MET", peakRatio,
      peakRatio <= 1.0 ? "met" : "NOT MET", treeRatio, treeRatio <= 1.0 ? "met" : "NOT MET",
      json["same_stl_size"].get<bool>() ? "yes" : "NO");
  std::fflush(stdout);
  return json;
}
