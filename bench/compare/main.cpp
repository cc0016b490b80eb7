// Side-by-side speed comparison: the package's exported read and write of a
// version-9 part against a plain fast_float/to_chars loop, Assimp and
// tinyobjloader on the same mesh as OBJ; peak memory, scaling and NURBS
// surfaces. See the "Benchmark" section of the README.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/read/package.h"
#include "children.h"
#include "commands.h"
#include "exportscaling.h"
#include "mesh.h"
#include "meshconvert.h"
#include "pythonread.h"
#include "writers.h"

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

constexpr int kColumns = 1000, kRows = 1000;          // one million points
constexpr int kSmallColumns = 400, kSmallRows = 250;  // a tenth of them
constexpr int kSurfaces = 1000;
// Each of the two parts that two threads read at once.
constexpr int kThreadSurfaces = 400;
constexpr int kColour = 7;
constexpr const char* kColourName = "RED";
constexpr const char* kSurfaceModule = "3";  // version 11
constexpr int kScalingRuns = 5;
constexpr double kMiB = 1024.0 * 1024.0;
// A contender whose first run takes longer runs only once: it is far from
// any target, and the whole comparison has to stay within a few minutes.
constexpr double kLongRun = 10.0;

struct Options {
  int runs = 3;
  std::string json = XPDB_SOURCE_DIR "/bench/results.json";
  bool keep = false;
};

// The runs of one contender.
struct Series {
  std::vector<Measures> runs;

  const Measures& BestRun() const {
    return *std::min_element(runs.begin(), runs.end(), [](const Measures& a, const Measures& b) {
      return a.at("seconds") < b.at("seconds");
    });
  }
  double Best() const { return BestRun().at("seconds"); }
  double Smallest(const std::string& key) const {
    double m = runs.front().at(key);
    for (const Measures& r : runs) m = std::min(m, r.at(key));
    return m;
  }
  double Largest(const std::string& key) const {
    double m = runs.front().at(key);
    for (const Measures& r : runs) m = std::max(m, r.at(key));
    return m;
  }
  Json ToJson() const {
    Json seconds = Json::array();
    for (const Measures& r : runs) seconds.push_back(r.at("seconds"));
    return {{"seconds", Best()}, {"runs", seconds}, {"cpu_seconds", Smallest("cpu_seconds")}};
  }
};

using Contender = std::function<Measures()>;

// Every contender runs once per round, so that a slow spell of the shared
// machine hits them alike.
std::vector<Series> RoundRobin(int rounds, const std::vector<Contender>& contenders) {
  std::vector<Series> series(contenders.size());
  for (int r = 0; r < rounds; ++r)
    for (std::size_t c = 0; c < contenders.size(); ++c)
      if (r == 0 || series[c].runs.front().at("seconds") <= kLongRun)
        series[c].runs.push_back(contenders[c]());
  return series;
}

Contender Child(std::vector<std::string> args) {
  return [args] { return RunChild(args); };
}

Contender Timed(std::function<double()> write) {
  return [write] {
    const double cpu = CpuSeconds();
    const double seconds = write();
    return Measures{{"seconds", seconds}, {"cpu_seconds", CpuSeconds() - cpu}};
  };
}

std::int64_t Whole(double value) { return static_cast<std::int64_t>(value); }

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

std::string MiB(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MiB", bytes / kMiB);
  return text;
}

void PrintRow(const char* name, const Series& s, const std::string& note = "") {
  std::printf("  %-24s %7.3f s  cpu %7.3f s  (", name, s.Best(), s.Smallest("cpu_seconds"));
  for (std::size_t i = 0; i < s.runs.size(); ++i)
    std::printf("%s%.3f", i ? " " : "", s.runs[i].at("seconds"));
  std::printf(")%s\n", note.c_str());
  std::fflush(stdout);
}

// What the comparison found: the JSON document, the targets and whether the
// package's results were the same as the plain loops'.
class Report {
 public:
  Json json;
  bool sound = true;

  // `value` must be at most `limit` (or, with atLeast, at least).
  void Target(const std::string& name, double value, double limit, bool atLeast, const std::string& unit) {
    const bool met = atLeast ? value >= limit : value <= limit;
    m_targets.push_back({{"name", name},
                         {"value", value},
                         {"comparison", atLeast ? ">=" : "<="},
                         {"limit", limit},
                         {"unit", unit},
                         {"met", met}});
  }
  void Check(const std::string& name, bool passed, bool required) {
    json["checks"][name] = passed;
    if (required && !passed) sound = false;
  }
  void Finish() {
    std::printf("\ntargets (best wall times)\n");
    for (const Json& t : m_targets)
      std::printf("  %-40s %9.3f %s %-8.3f %-4s %s\n", t["name"].get<std::string>().c_str(),
                  t["value"].get<double>(), t["comparison"].get<std::string>().c_str(),
                  t["limit"].get<double>(), t["unit"].get<std::string>().c_str(),
                  t["met"].get<bool>() ? "met" : "NOT MET");
    std::printf("\nchecks:");
    for (const auto& [name, passed] : json["checks"].items())
      std::printf(" %s %s;", name.c_str(), passed.get<bool>() ? "yes" : "NO");
    std::printf("\n");
    json["targets"] = m_targets;
  }

 private:
  Json m_targets = Json::array();
};

// The generated files, in the temporary directory.
struct Data {
  GridMesh mesh, small;
  std::string pdb, obj, smallPdb, surfaces, threadParts[2];
  double pdbBytes = 0, smallBytes = 0;
};

Data MakeData(const fs::path& dir, Report& report) {
  Data d{MakeGrid(kColumns, kRows),
         MakeGrid(kSmallColumns, kSmallRows),
         (dir / "part.pdb").string(),
         (dir / "part.obj").string(),
         (dir / "small.pdb").string(),
         (dir / "surfaces.pdb").string(),
         {(dir / "surfaces_0.pdb").string(), (dir / "surfaces_1.pdb").string()}};
  WriteFile(d.pdb, [&](std::FILE* f) { return WritePdb9(f, d.mesh, kColour); });
  WriteFile(d.obj, [&](std::FILE* f) { return WriteObj(f, d.mesh); });
  WriteFile(d.smallPdb, [&](std::FILE* f) { return WritePdb9(f, d.small, kColour); });
  const std::string surfaceText = SurfacePart(kSurfaces);
  WriteFile(d.surfaces, [&](std::FILE* f) {
    return std::fwrite(surfaceText.data(), 1, surfaceText.size(), f) == surfaceText.size();
  });
  for (int i = 0; i < 2; ++i) {
    const std::string text = SurfacePart(kThreadSurfaces, i * kThreadSurfaces);
    WriteFile(d.threadParts[i],
              [&](std::FILE* f) { return std::fwrite(text.data(), 1, text.size(), f) == text.size(); });
  }
  d.pdbBytes = static_cast<double>(fs::file_size(d.pdb));
  d.smallBytes = static_cast<double>(fs::file_size(d.smallPdb));
  report.json["data"] = {{"points", d.mesh.PointCount()},
                         {"triangles", d.mesh.TriangleCount()},
                         {"pdb_bytes", fs::file_size(d.pdb)},
                         {"obj_bytes", fs::file_size(d.obj)},
                         {"mesh_bytes", d.mesh.DataBytes()},
                         {"small_points", d.small.PointCount()},
                         {"small_triangles", d.small.TriangleCount()},
                         {"small_pdb_bytes", fs::file_size(d.smallPdb)},
                         {"surfaces", kSurfaces},
                         {"surface_pdb_bytes", fs::file_size(d.surfaces)}};
  std::printf("data: %zu points, %zu triangles; PDB 9 %.1f MB, OBJ %.1f MB; mesh arrays %s\n",
              d.mesh.PointCount(), d.mesh.TriangleCount(), d.pdbBytes / 1e6,
              static_cast<double>(fs::file_size(d.obj)) / 1e6,
              MiB(static_cast<double>(d.mesh.DataBytes())).c_str());
  return d;
}

// Returns the runs of the package's read, which the scaling uses again.
Series CompareReads(int runs, const std::string& library, const Data& d, Report& report) {
  const auto reads = RoundRobin(runs, {Child({"package", library, "0", d.pdb}), Child({"fast_float", d.pdb}),
                                       Child({"tinyobjloader", d.obj}), Child({"assimp", d.obj})});
  const char* names[] = {"xpdb GRRead", "fast_float loop", "tinyobjloader", "Assimp OBJ import"};
  const char* keys[] = {"xpdb", "fast_float", "tinyobjloader", "assimp"};
  std::printf("\nread (peak RSS of the reading process)\n");
  for (std::size_t i = 0; i < reads.size(); ++i) {
    PrintRow(names[i], reads[i], "  peak " + MiB(reads[i].Largest("peak_rss")));
    const Measures& best = reads[i].BestRun();
    Json entry = reads[i].ToJson();
    entry["peak_rss_bytes"] = Whole(reads[i].Largest("peak_rss"));
    entry["rss_before_read_bytes"] = Whole(best.at("rss_before"));
    entry["points"] = Whole(best.at("points"));
    entry["triangles"] = Whole(best.at("triangles"));
    report.json["read"][keys[i]] = entry;
  }
  const Series &xpdb = reads[0], &fast = reads[1], &tiny = reads[2], &assimp = reads[3];
  const Measures &a = xpdb.BestRun(), &b = fast.BestRun(), &t = tiny.BestRun();
  const auto same = [](const Measures& x, const Measures& y) {
    return x.at("point_sum") == y.at("point_sum") && x.at("index_sum") == y.at("index_sum");
  };
  report.Check("xpdb_reads_the_mesh_written",
               a.at("points") == static_cast<double>(d.mesh.PointCount()) &&
                   a.at("triangles") == static_cast<double>(d.mesh.TriangleCount()),
               true);
  report.Check("xpdb_and_fast_float_same_arrays", same(a, b), true);
  report.Check("tinyobjloader_same_arrays", same(a, t), false);
  report.Check("assimp_same_triangle_count", assimp.BestRun().at("triangles") == a.at("triangles"), false);

  const double meshBytes = static_cast<double>(d.mesh.DataBytes());
  report.Target("read: xpdb / fast_float loop", xpdb.Best() / fast.Best(), 1.5, false, "x");
  report.Target("read: Assimp / xpdb", assimp.Best() / xpdb.Best(), 2.5, true, "x");
  report.Target("read: tinyobjloader / xpdb", tiny.Best() / xpdb.Best(), 2.5, true, "x");
  report.Target("memory: peak RSS of the read", xpdb.Largest("peak_rss") / kMiB,
                1.5 * meshBytes / kMiB + 64.0, false, "MiB");
  return xpdb;
}

// The Python module's read into NumPy arrays against the package's read
// alone, taking turns; both in processes of their own. Memory is compared by
// what the read adds to the process, as the interpreter and NumPy weigh
// differently from this program before any read.
void ComparePython(int runs, const std::string& library, const Data& d, Report& report) {
  const std::string modules = BuildPythonDirectory();
  if (!fs::exists(fs::path(modules) / "xpdb" / "__init__.py")) {
    std::printf("\npython: no module in %s; not compared\n", modules.c_str());
    return;
  }
  const auto reads =
      RoundRobin(runs, {Child({"package", library, "0", d.pdb}), Child({"python", modules, d.pdb})});
  const Series &package = reads[0], &python = reads[1];
  const auto growth = [](const Series& s) {
    double m = 0;
    for (const Measures& r : s.runs) m = std::max(m, r.at("peak_rss") - r.at("rss_before"));
    return m;
  };
  const double arrays = python.BestRun().at("array_bytes");
  std::printf("\npython (xpdb.read into NumPy arrays; memory: peak RSS less RSS before the read)\n");
  PrintRow("xpdb GRRead", package, "  adds " + MiB(growth(package)));
  PrintRow("xpdb.read (Python)", python, "  adds " + MiB(growth(python)) + ", arrays " + MiB(arrays));
  for (const auto& [key, s] :
       {std::pair<const char*, const Series*>{"package", &package}, {"python", &python}}) {
    Json entry = s->ToJson();
    entry["peak_rss_bytes"] = Whole(s->Largest("peak_rss"));
    entry["read_adds_bytes"] = Whole(growth(*s));
    report.json["python"][key] = entry;
  }
  report.json["python"]["array_bytes"] = Whole(arrays);
  report.Check("python_reads_the_mesh_written",
               python.BestRun().at("points") == static_cast<double>(d.mesh.PointCount()) &&
                   python.BestRun().at("triangles") == static_cast<double>(d.mesh.TriangleCount()),
               true);
  report.Target("read: Python arrays / xpdb GRRead", python.Best() / package.Best(), 1.1, false, "x");
  report.Target("memory: Python read adds", growth(python) / kMiB, (growth(package) + arrays) / kMiB, false,
                "MiB");
}

// The full-size time is the best of all full-size reads, those of the read
// comparison included: another process on the same core slows the large read
// far more than the small one, and more runs make a quiet one likelier.
void CompareSizes(int runs, const std::string& library, const Data& d, const Series& fullReads,
                  Report& report) {
  // The two sizes take turns; the small read is cheap enough for more rounds.
  auto scaling = RoundRobin(std::max(runs, kScalingRuns), {Child({"package", library, "0", d.smallPdb}),
                                                           Child({"package", library, "0", d.pdb})});
  scaling[1].runs.insert(scaling[1].runs.begin(), fullReads.runs.begin(), fullReads.runs.end());
  const double timeRatio = scaling[1].Best() / scaling[0].Best(), dataRatio = d.pdbBytes / d.smallBytes;
  const double pointRatio =
      static_cast<double>(d.mesh.PointCount()) / static_cast<double>(d.small.PointCount());
  std::printf("\nscaling\n");
  PrintRow("xpdb GRRead, 1/10 size", scaling[0]);
  PrintRow("xpdb GRRead, full size", scaling[1]);
  std::printf("  %.2fx the data (file bytes; %.2fx the points) takes %.2fx the time\n", dataRatio, pointRatio,
              timeRatio);
  report.json["scaling"] = {{"small", scaling[0].ToJson()},
                            {"full", scaling[1].ToJson()},
                            {"time_ratio", timeRatio},
                            {"data_ratio", dataRatio},
                            {"point_ratio", pointRatio}};
  report.Target("scaling: time ratio / data ratio", timeRatio / dataRatio, 1.1, false, "");
}

// The package as built for the rate; the copy with clocked GLU calls for the
// share of time inside GLU.
void CompareSurfaces(int runs, const std::string& library, const std::string& clocked, const Data& d,
                     Report& report) {
  const auto reads = RoundRobin(runs, {Child({"package", library, kSurfaceModule, d.surfaces, "gl"}),
                                       Child({"package", clocked, kSurfaceModule, d.surfaces, "gl"})});
  const Series &plain = reads[0], &timed = reads[1];
  const Measures& timedBest = timed.BestRun();
  const double share = timedBest.at("glu_seconds") / timedBest.at("seconds");
  const double rate = kSurfaces / plain.Best();
  std::printf("\nsurfaces (%d trimmed bicubic, version 11)\n", kSurfaces);
  PrintRow("xpdb GRRead", plain);
  PrintRow("same, GLU calls clocked", timed);
  std::printf("  %.0f surfaces/s, %.0f triangles in %.0f meshes, %.1f%% of the read inside GLU\n", rate,
              plain.BestRun().at("triangles"), plain.BestRun().at("sets"), 100.0 * share);
  Json entry = plain.ToJson();
  entry["count"] = kSurfaces;
  entry["meshes"] = Whole(plain.BestRun().at("sets"));
  entry["triangles"] = Whole(plain.BestRun().at("triangles"));
  entry["surfaces_per_second"] = rate;
  entry["clocked"] = timed.ToJson();
  entry["glu_seconds"] = timedBest.at("glu_seconds");
  entry["glu_share"] = share;
  report.json["surfaces"] = entry;
  report.Check("every_surface_tessellated", plain.BestRun().at("sets") == kSurfaces, true);
  report.Target("surfaces: share of time inside GLU", share, 0.8, true, "");
}

// Two surface parts on two threads against the same two reads one after the
// other, in one child process: the host's contexts and threads are made
// before, the reads of each run start together.
void CompareSurfaceThreads(int runs, const std::string& library, const Data& d, Report& report) {
  const Measures m = RunChild({"surface-threads", library, kSurfaceModule, d.threadParts[0], d.threadParts[1],
                               std::to_string(std::max(runs, kScalingRuns))});
  std::printf("\nsurfaces on two threads (two parts of %d surfaces, best of %d runs each)\n", kThreadSurfaces,
              std::max(runs, kScalingRuns));
  std::printf("  %-24s %7.3f s  cpu %7.3f s\n", "one after the other", m.at("serial_seconds"),
              m.at("serial_cpu_seconds"));
  std::printf("  %-24s %7.3f s  cpu %7.3f s\n", "on two threads at once", m.at("parallel_seconds"),
              m.at("parallel_cpu_seconds"));
  std::printf("  ratio %.2f (two threads over one after the other), %.0f triangles in %.0f meshes\n",
              m.at("ratio"), m.at("triangles"), m.at("sets"));
  Json serialRuns = Json::array(), parallelRuns = Json::array();
  for (int i = 0; m.count("serial_run_" + std::to_string(i)); ++i) {
    serialRuns.push_back(m.at("serial_run_" + std::to_string(i)));
    parallelRuns.push_back(m.at("parallel_run_" + std::to_string(i)));
  }
  report.json["surface_threads"] = {{"surfaces_per_part", kThreadSurfaces},
                                    {"serial",
                                     {{"seconds", m.at("serial_seconds")},
                                      {"runs", serialRuns},
                                      {"cpu_seconds", m.at("serial_cpu_seconds")}}},
                                    {"parallel",
                                     {{"seconds", m.at("parallel_seconds")},
                                      {"runs", parallelRuns},
                                      {"cpu_seconds", m.at("parallel_cpu_seconds")}}},
                                    {"ratio", m.at("ratio")},
                                    {"meshes", Whole(m.at("sets"))},
                                    {"triangles", Whole(m.at("triangles"))}};
  report.Check("surface_threads_same_meshes", m.at("same") == 1.0 && m.at("sets") == 2 * kThreadSurfaces,
               true);
  report.Target("surfaces: two threads / serial", m.at("ratio"), 0.6, false, "x");
}

void CompareWrites(int runs, const Package& package, const Data& d, const fs::path& dir, Report& report) {
  const auto geometry = HostGeometry(d.mesh, kColourName);
  const auto scene = AssimpScene(d.mesh);
  const std::string xpdbOut = (dir / "written_xpdb.pdb").string();
  const std::string plainOut = (dir / "written_plain.pdb").string();
  const std::string assimpOut = (dir / "written_assimp.obj").string();
  const auto writes =
      RoundRobin(runs, {Timed([&] { return WriteWithPackage(package, geometry.get(), xpdbOut); }),
                        Timed([&] { return WriteWithToChars(d.mesh, kColour, plainOut); }),
                        Timed([&] { return WriteWithAssimp(*scene, assimpOut); })});
  std::printf("\nwrite\n");
  PrintRow("xpdb GRWrite", writes[0]);
  PrintRow("to_chars loop", writes[1]);
  PrintRow("Assimp OBJ export", writes[2]);
  const std::pair<const char*, std::string> outputs[] = {
      {"xpdb", xpdbOut}, {"to_chars", plainOut}, {"assimp", assimpOut}};
  for (std::size_t i = 0; i < 3; ++i) {
    Json entry = writes[i].ToJson();
    entry["bytes"] = fs::file_size(outputs[i].second);
    report.json["write"][outputs[i].first] = entry;
  }
  const std::string plainText = Slurp(plainOut);
  report.Check("xpdb_writes_the_text_of_the_to_chars_loop",
               Slurp(xpdbOut) == plainText && plainText == Slurp(d.pdb), true);
  report.Target("write: xpdb / to_chars loop", writes[0].Best() / writes[1].Best(), 2.0, false, "x");
  report.Target("write: Assimp / xpdb", writes[2].Best() / writes[0].Best(), 1.0, true, "x");
}

double LoadAverage() {
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  return load;
}

Report Run(const Options& options, const fs::path& dir) {
  const std::string library = DefaultPackagePath();
  const std::string clocked = (fs::path(library).parent_path() / "libxpdb_gluclock.so").string();
  Package package;
  std::string error;
  if (!package.Load(library, error)) throw std::runtime_error(error);
  package.InstallColourMaterials();

  Report report;
  report.json["program"] = "xpdb_compare";
  report.json["method"] = {
      {"runs", options.runs},
      {"statistic", "best (smallest) wall time of the runs; contenders take turns, one run each per round"},
      {"reads", "each run in a fresh child process that times the read alone; the file is in the page cache"},
      {"surface_threads",
       "one child process: after a warm-up, the two parts read on one fresh thread one after the other and "
       "on "
       "two fresh threads at once take turns; best wall time of each"},
      {"writes", "in this process, into a new file in a temporary directory, closing it included"},
      {"peak_rss", "ru_maxrss of the reading child process (wait4): the whole process, libraries included"},
      {"glu_share",
       "time inside the GLU NURBS calls of a copy of the package linked with --wrap for them, "
       "over the whole read in the same run"}};
  report.json["machine"] = {{"cpus", sysconf(_SC_NPROCESSORS_ONLN)},
                            {"load_average_at_start", LoadAverage()}};
  std::printf(
      "xpdb_compare: best of %d wall times (CPU time beside them); each read in a fresh process, "
      "its file in the page cache\n",
      options.runs);
  const Data data = MakeData(dir, report);
  const Series fullReads = CompareReads(options.runs, library, data, report);
  CompareSizes(options.runs, library, data, fullReads, report);
  ComparePython(options.runs, library, data, report);
  CompareCommands(options.runs, library, data.pdb, dir, report.json["commands"],
                  std::bind_front(&Report::Target, &report));
  CompareSurfaces(options.runs, library, clocked, data, report);
  CompareSurfaceThreads(options.runs, library, data, report);
  CompareWrites(options.runs, package, data, dir, report);
  report.json["convert_obj_to_stl"] = CompareObjToStl(options.runs, dir.string());
  report.Target("export .glb: time ratio / set ratio", CompareGlbExport(options.runs, dir, report.json), 1.1,
                false, "");
  report.Finish();
  return report;
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
    const Report report = Run(options, dir);
    std::ofstream out(options.json);
    out << report.json.dump(2) << "\n";
    if (!out) throw std::runtime_error("cannot write " + options.json);
    std::printf("results: %s\n", options.json.c_str());
    if (!report.sound) {
      std::fprintf(stderr, "xpdb_compare: the package's results differ from the plain loops'\n");
      code = 1;
    }
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
