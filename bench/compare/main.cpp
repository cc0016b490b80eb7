// Side-by-side speed comparison: the package's exported read and write of a
// version-9 part against a plain fast_float/to_chars loop, Assimp and
// tinyobjloader on the same mesh as OBJ; peak memory, scaling and NURBS
// surfaces. See the "Benchmark" section of the README.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/package.h"
#include "children.h"
#include "mesh.h"
#include "writers.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr int kColumns = 1000, kRows = 1000;          // one million points
constexpr int kSmallColumns = 400, kSmallRows = 250;  // a tenth of them
constexpr int kSurfaces = 1000;
constexpr int kColour = 7;
constexpr const char* kColourName = "RED";
constexpr int kSurfaceModule = 3;  // version 11
constexpr int kScalingRuns = 5;
constexpr double kMiB = 1024.0 * 1024.0;

struct Options {
  int runs = 3;
  std::string json = XPDB_SOURCE_DIR "/bench/results.json";
  bool keep = false;
};

// The runs of one contender and their best.
struct Series {
  std::vector<Measures> runs;

  double Best() const { return BestRun().at("seconds"); }
  const Measures& BestRun() const {
    return *std::min_element(runs.begin(), runs.end(), [](const Measures& a, const Measures& b) {
      return a.at("seconds") < b.at("seconds");
    });
  }
  double Max(const std::string& key) const {
    double m = 0;
    for (const Measures& r : runs) m = std::max(m, r.count(key) ? r.at(key) : 0.0);
    return m;
  }
  double BestCpu() const {
    double m = runs.front().at("cpu_seconds");
    for (const Measures& r : runs) m = std::min(m, r.at("cpu_seconds"));
    return m;
  }
  Json Seconds() const {
    Json list = Json::array();
    for (const Measures& r : runs) list.push_back(r.at("seconds"));
    return list;
  }
};

// Runs every contender once per round, so that a slow spell of the shared
// machine hits them alike. A contender whose first run took longer than
// kLongRun seconds runs only once: it is far from any target, and the whole
// comparison has to stay within a few minutes.
constexpr double kLongRun = 15.0;

std::vector<Series> RoundRobin(int runs, const std::vector<std::function<Measures()>>& contenders) {
  std::vector<Series> series(contenders.size());
  for (int r = 0; r < runs; ++r)
    for (std::size_t c = 0; c < contenders.size(); ++c)
      if (r == 0 || series[c].runs.front().at("seconds") <= kLongRun)
        series[c].runs.push_back(contenders[c]());
  return series;
}

std::function<Measures()> Child(std::vector<std::string> args) {
  return [args] { return RunChild(args); };
}

std::function<Measures()> Timed(std::function<double()> write) {
  return [write] {
    const double cpu = CpuSeconds();
    const double seconds = write();
    return Measures{{"seconds", seconds}, {"cpu_seconds", CpuSeconds() - cpu}};
  };
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::function<bool(std::FILE*)>& body) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot create " + path);
  const bool ok = body(file);
  if (std::fclose(file) != 0 || !ok) throw std::runtime_error("cannot write " + path);
}

class Targets {
 public:
  // `value` must be at most `limit` (or, with atLeast, at least).
  void Add(const std::string& name, double value, double limit, bool atLeast, const std::string& unit = "") {
    const bool met = atLeast ? value >= limit : value <= limit;
    m_json.push_back({{"name", name},
                      {"value", value},
                      {"comparison", atLeast ? ">=" : "<="},
                      {"limit", limit},
                      {"unit", unit},
                      {"met", met}});
  }
  void Print() const {
    std::printf("\ntargets\n");
    for (const Json& t : m_json)
      std::printf("  %-44s %10.3f %s %-8.3f %-4s %s\n", t["name"].get<std::string>().c_str(),
                  t["value"].get<double>(), t["comparison"].get<std::string>().c_str(),
                  t["limit"].get<double>(), t["unit"].get<std::string>().c_str(),
                  t["met"].get<bool>() ? "met" : "NOT MET");
  }
  const Json& ToJson() const { return m_json; }

 private:
  Json m_json = Json::array();
};

void PrintRow(const char* name, const Series& s, const char* note = "") {
  std::printf("  %-24s %8.3f s  (", name, s.Best());
  for (std::size_t i = 0; i < s.runs.size(); ++i)
    std::printf("%s%.3f", i ? " " : "", s.runs[i].at("seconds"));
  std::printf(")%s\n", note);
}

std::string MiB(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", bytes / kMiB);
  return text;
}

double LoadAverage() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--runs" && i + 1 < argc) {
      o.runs = std::max(1, std::atoi(argv[++i]));
    } else if (a == "--keep") {
      o.keep = true;
    } else if (a == "-h" || a == "--help") {
      std::printf("usage: xpdb_compare [RESULTS.json] [--runs N] [--keep]\n");
      std::exit(0);
    } else if (!a.empty() && a[0] != '-') {
      o.json = a;
    } else {
      std::fprintf(stderr, "xpdb_compare: unknown option %s\n", a.c_str());
      std::exit(2);
    }
  }
  return o;
}

Json Run(const Options& options, const fs::path& dir) {
  const std::string library = DefaultPackagePath();
  const std::string clocked = (fs::path(library).parent_path() / "libxpdb_gluclock.so").string();
  Package package;
  std::string error;
  if (!package.Load(library, error)) throw std::runtime_error(error);
  package.InstallColourMaterials();

  // Data.
  const GridMesh mesh = MakeGrid(kColumns, kRows);
  const GridMesh small = MakeGrid(kSmallColumns, kSmallRows);
  const std::string pdb = (dir / "part.pdb").string(), obj = (dir / "part.obj").string();
  const std::string smallPdb = (dir / "small.pdb").string(), surfaces = (dir / "surfaces.pdb").string();
  WriteFile(pdb, [&](std::FILE* f) { return WritePdb9(f, mesh, kColour); });
  WriteFile(obj, [&](std::FILE* f) { return WriteObj(f, mesh); });
  WriteFile(smallPdb, [&](std::FILE* f) { return WritePdb9(f, small, kColour); });
  const std::string surfaceText = SurfacePart(kSurfaces);
  WriteFile(surfaces, [&](std::FILE* f) {
    return std::fwrite(surfaceText.data(), 1, surfaceText.size(), f) == surfaceText.size();
  });
  const double pdbBytes = static_cast<double>(fs::file_size(pdb));
  const double smallBytes = static_cast<double>(fs::file_size(smallPdb));
  const double meshBytes = static_cast<double>(mesh.DataBytes());

  Json result;
  result["program"] = "xpdb_compare";
  result["method"] = {
      {"runs", options.runs},
      {"statistic", "best (smallest) wall time of the runs; contenders take turns, one run each per round"},
      {"reads", "each run in a fresh child process that times the read alone; the file is in the page cache"},
      {"writes", "in this process, into a new file in a temporary directory, closing it included"},
      {"peak_rss", "ru_maxrss of the child process (wait4): the whole process, loaded libraries included"}};
  result["machine"] = {{"cpus", sysconf(_SC_NPROCESSORS_ONLN)}, {"load_average_at_start", LoadAverage()}};
  result["data"] = {{"points", mesh.PointCount()},
                    {"triangles", mesh.TriangleCount()},
                    {"pdb_bytes", pdbBytes},
                    {"obj_bytes", fs::file_size(obj)},
                    {"mesh_bytes", meshBytes},
                    {"small_points", small.PointCount()},
                    {"small_triangles", small.TriangleCount()},
                    {"small_pdb_bytes", smallBytes},
                    {"surfaces", kSurfaces},
                    {"surface_pdb_bytes", surfaceText.size()}};
  std::printf("xpdb_compare: best of %d wall times; reads each in a fresh process, file in page cache\n",
              options.runs);
  std::printf("data: %zu points, %zu triangles; PDB 9 %.1f MB, OBJ %.1f MB; mesh arrays %s\n",
              mesh.PointCount(), mesh.TriangleCount(), pdbBytes / 1e6, fs::file_size(obj) / 1e6,
              MiB(meshBytes).c_str());
  std::fflush(stdout);

  // Reads.
  const auto reads =
      RoundRobin(options.runs, {Child({"package", library, "0", pdb}), Child({"fast_float", pdb}),
                                Child({"tinyobjloader", obj}), Child({"assimp", obj})});
  const Series &xpdbRead = reads[0], &fastRead = reads[1], &tinyRead = reads[2], &assimpRead = reads[3];
  std::printf("\nread (peak RSS of the reading process)\n");
  const char* names[] = {"xpdb GRRead", "fast_float loop", "tinyobjloader", "Assimp OBJ import"};
  const char* keys[] = {"xpdb", "fast_float", "tinyobjloader", "assimp"};
  Json readJson;
  for (std::size_t i = 0; i < reads.size(); ++i) {
    const std::string note = "  peak " + MiB(reads[i].Max("peak_rss"));
    PrintRow(names[i], reads[i], note.c_str());
    const Measures& best = reads[i].BestRun();
    readJson[keys[i]] = {{"seconds", reads[i].Best()},
                         {"runs", reads[i].Seconds()},
                         {"cpu_seconds", reads[i].BestCpu()},
                         {"peak_rss_bytes", reads[i].Max("peak_rss")},
                         {"rss_before_read_bytes", best.at("rss_before")},
                         {"points", best.at("points")},
                         {"triangles", best.at("triangles")}};
  }
  result["read"] = readJson;
  const Measures &a = xpdbRead.BestRun(), &b = fastRead.BestRun(), &t = tinyRead.BestRun();
  const bool sameArrays = a.at("point_sum") == b.at("point_sum") && a.at("index_sum") == b.at("index_sum") &&
                          a.at("points") == static_cast<double>(mesh.PointCount()) &&
                          a.at("triangles") == static_cast<double>(mesh.TriangleCount());
  const bool tinySame = t.at("point_sum") == a.at("point_sum") && t.at("index_sum") == a.at("index_sum");
  const bool assimpTriangles = assimpRead.BestRun().at("triangles") == a.at("triangles");
  std::fflush(stdout);

  // Scaling: the two sizes take turns, as many rounds as the small read is cheap.
  const auto scaling =
      RoundRobin(std::max(options.runs, kScalingRuns),
                 {Child({"package", library, "0", smallPdb}), Child({"package", library, "0", pdb})});
  const double smallSeconds = scaling[0].Best(), fullSeconds = scaling[1].Best();
  const double timeRatio = fullSeconds / smallSeconds, dataRatio = pdbBytes / smallBytes;
  std::printf("\nscaling\n");
  PrintRow("xpdb GRRead, 1/10 size", scaling[0]);
  PrintRow("xpdb GRRead, full size", scaling[1]);
  std::printf("  %.2fx the data (file bytes; %.2fx the points) takes %.2fx the time\n", dataRatio,
              static_cast<double>(mesh.PointCount()) / static_cast<double>(small.PointCount()), timeRatio);
  result["scaling"] = {
      {"small_seconds", smallSeconds},
      {"small_runs", scaling[0].Seconds()},
      {"small_cpu_seconds", scaling[0].BestCpu()},
      {"full_seconds", fullSeconds},
      {"full_runs", scaling[1].Seconds()},
      {"full_cpu_seconds", scaling[1].BestCpu()},
      {"time_ratio", timeRatio},
      {"data_ratio", dataRatio},
      {"point_ratio", static_cast<double>(mesh.PointCount()) / static_cast<double>(small.PointCount())}};
  std::fflush(stdout);

  // Surfaces: the package as shipped for the rate, the clocked copy for the
  // share of time inside GLU.
  const auto surfaceReads =
      RoundRobin(options.runs, {Child({"package", library, std::to_string(kSurfaceModule), surfaces, "gl"}),
                                Child({"package", clocked, std::to_string(kSurfaceModule), surfaces, "gl"})});
  const Series &plain = surfaceReads[0], &clockedRuns = surfaceReads[1];
  const Measures& clockedBest = clockedRuns.BestRun();
  const double gluShare = clockedBest.at("glu_seconds") / clockedBest.at("seconds");
  const double surfacesPerSecond = kSurfaces / plain.Best();
  std::printf("\nsurfaces (%d trimmed bicubic, version 11)\n", kSurfaces);
  PrintRow("xpdb GRRead", plain);
  PrintRow("same, GLU calls clocked", clockedRuns);
  std::printf("  %.0f surfaces/s, %.0f triangles, %.1f%% of the read inside GLU\n", surfacesPerSecond,
              plain.BestRun().at("triangles"), 100.0 * gluShare);
  result["surfaces"] = {{"count", kSurfaces},
                        {"meshes", plain.BestRun().at("sets")},
                        {"triangles", plain.BestRun().at("triangles")},
                        {"seconds", plain.Best()},
                        {"runs", plain.Seconds()},
                        {"cpu_seconds", plain.BestCpu()},
                        {"surfaces_per_second", surfacesPerSecond},
                        {"clocked_seconds", clockedBest.at("seconds")},
                        {"clocked_runs", clockedRuns.Seconds()},
                        {"glu_seconds", clockedBest.at("glu_seconds")},
                        {"glu_share", gluShare}};
  std::fflush(stdout);

  // Writes.
  const auto geometry = HostGeometry(mesh, kColourName);
  const auto scene = AssimpScene(mesh);
  const std::string xpdbOut = (dir / "written_xpdb.pdb").string();
  const std::string plainOut = (dir / "written_plain.pdb").string();
  const std::string assimpOut = (dir / "written_assimp.obj").string();
  const auto writes =
      RoundRobin(options.runs, {Timed([&] { return WriteWithPackage(package, geometry.get(), xpdbOut); }),
                                Timed([&] { return WriteWithToChars(mesh, kColour, plainOut); }),
                                Timed([&] { return WriteWithAssimp(*scene, assimpOut); })});
  const bool sameText = Slurp(xpdbOut) == Slurp(plainOut) && Slurp(plainOut) == Slurp(pdb);
  std::printf("\nwrite\n");
  PrintRow("xpdb GRWrite", writes[0]);
  PrintRow("to_chars loop", writes[1]);
  PrintRow("Assimp OBJ export", writes[2]);
  result["write"] = {
      {"xpdb",
       {{"seconds", writes[0].Best()}, {"runs", writes[0].Seconds()}, {"bytes", fs::file_size(xpdbOut)}}},
      {"to_chars",
       {{"seconds", writes[1].Best()}, {"runs", writes[1].Seconds()}, {"bytes", fs::file_size(plainOut)}}},
      {"assimp",
       {{"seconds", writes[2].Best()}, {"runs", writes[2].Seconds()}, {"bytes", fs::file_size(assimpOut)}}}};

  result["checks"] = {{"xpdb_and_fast_float_same_arrays", sameArrays},
                      {"tinyobjloader_same_arrays", tinySame},
                      {"assimp_same_triangle_count", assimpTriangles},
                      {"xpdb_write_identical_to_to_chars_loop", sameText}};
  std::printf(
      "\nchecks: xpdb and fast_float arrays %s; tinyobjloader arrays %s; Assimp triangle count %s; "
      "GRWrite text %s the to_chars loop's\n",
      sameArrays ? "identical" : "DIFFER", tinySame ? "identical" : "differ",
      assimpTriangles ? "equal" : "DIFFERS", sameText ? "identical to" : "DIFFERS from");

  Targets targets;
  targets.Add("read: xpdb / fast_float loop", xpdbRead.Best() / fastRead.Best(), 1.5, false, "x");
  targets.Add("read: Assimp / xpdb", assimpRead.Best() / xpdbRead.Best(), 2.5, true, "x");
  targets.Add("read: tinyobjloader / xpdb", tinyRead.Best() / xpdbRead.Best(), 2.5, true, "x");
  targets.Add("write: xpdb / to_chars loop", writes[0].Best() / writes[1].Best(), 2.0, false, "x");
  targets.Add("write: Assimp / xpdb", writes[2].Best() / writes[0].Best(), 1.0, true, "x");
  targets.Add("memory: peak RSS of the read", xpdbRead.Max("peak_rss") / kMiB, 1.5 * meshBytes / kMiB + 64.0,
              false, "MiB");
  targets.Add("scaling: time ratio / data ratio", timeRatio / dataRatio, 1.1, false, "");
  targets.Add("surfaces: share of time inside GLU", gluShare, 0.8, true, "");
  targets.Print();
  Json list = targets.ToJson();
  list.push_back({{"name", "surfaces per second"}, {"value", surfacesPerSecond}, {"unit", "1/s"}});
  result["targets"] = list;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--child") return ChildMain({argv + 2, argv + argc});
  const Options options = ParseOptions(argc, argv);
  std::string pattern = (fs::temp_directory_path() / "xpdb_compare.XXXXXX").string();
  if (!mkdtemp(pattern.data())) {
    std::perror("xpdb_compare: mkdtemp");
    return 1;
  }
  const fs::path dir = pattern;
  int code = 0;
  try {
    const Json result = Run(options, dir);
    std::ofstream out(options.json);
    out << result.dump(2) << "\n";
    if (!out) throw std::runtime_error("cannot write " + options.json);
    std::printf("\nresults: %s\n", options.json.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "xpdb_compare: %s\n", e.what());
    code = 1;
  }
  if (options.keep) {
    std::printf("data kept in %s\n", dir.c_str());
  } else {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  return code;
}
