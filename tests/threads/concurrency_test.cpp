// A host that reads and writes on several threads at once: the package loaded
// with dlopen and driven through its exported functions only, every call on
// every thread compared with what the same call gave on one thread.
#include <algorithm>
#include <barrier>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/defaults.h"
#include "app/read/hostread.h"
#include "app/read/package.h"
#include "app/read/summary.h"
#include "common/apptest.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"

namespace {

namespace fs = std::filesystem;

// A positive number from the environment, else `fallback`.
int Setting(const char* name, int fallback) {
  const char* chosen = std::getenv(name);
  const int value = chosen ? std::atoi(chosen) : 0;
  return value > 0 ? value : fallback;
}

// XPDB_STRESS_THREADS and XPDB_STRESS_ROUNDS raise them for a longer soak.
const int kThreads = Setting("XPDB_STRESS_THREADS", 4);
int Rounds() { return Setting("XPDB_STRESS_ROUNDS", 3); }

using apptest::LoadedPackage;

// Every example of every version, and the parts that once drove GLU into its
// error and runaway paths.
std::vector<std::string> Parts() {
  std::vector<std::string> parts;
  for (const char* folder : {"examples", "tests/data/fuzz"})
    for (const auto& entry : fs::directory_iterator(fs::path(XPDB_SOURCE_DIR) / folder))
      if (entry.path().extension() == ".pdb") parts.push_back(entry.path().string());
  std::sort(parts.begin(), parts.end());
  return parts;
}

// The bits of every point and corner of the triangle meshes: the summary's
// counts and bounds would let a point moved inside the box go unseen.
std::uint64_t MeshDigest(xGeometry& geometry) {
  std::uint64_t digest = 1469598103934665603ULL;
  const auto mix = [&](const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) digest = (digest ^ bytes[i]) * 1099511628211ULL;
  };
  const xGeoContainer& container = *geometry.GetContainer();
  for (int i = 0; i < container.GetSetCount(); ++i) {
    auto* mesh = dynamic_cast<xTriMesh*>(container.GetSet(i));
    if (!mesh) continue;
    const xTriMeshData& data = *mesh->GetData();
    mix(data.points.data(), data.points.size() * sizeof(data.points[0]));
    mix(data.triangles.data(), data.triangles.size() * sizeof(data.triangles[0]));
  }
  return digest;
}

// One read as the host shows it (module, status, thrown text, sets, points,
// triangles, bounds, materials, optimiser call, assertions), the exact
// meshes, and what each module's writer makes of the geometry read.
std::string ReadAndWrite(const Package& package, const std::string& file, bool write) {
  ReadRequest request;
  request.file = file;
  request.tolerance = kDefaultNurbsTolerance;
  ReadResult result = ReadThroughPackage(package, request);
  std::ostringstream out;
  out << "exit " << result.code << " " << result.problem << "\n" << ToJson(result.report).dump() << "\n";
  if (!result.geometry) return out.str();
  out << "meshes " << MeshDigest(*result.geometry) << "\n";
  if (!write) return out.str();
  for (const PackageModule& module : package.Modules()) {
    std::stringbuf buffer;
    xStream stream(&buffer);
    xGeometry* geometry = result.geometry.get();
    out << "module " << module.index << " can write " << module.canWrite(geometry);
    try {
      out << " status " << module.write(&stream, geometry);
    } catch (...) {
      out << " threw " << CurrentExceptionText();
    }
    out << " bytes " << buffer.str().size() << "\n" << buffer.str();
  }
  return out.str();
}

// What a host asks before it reads: the package's and the modules' texts and
// which modules take the file's first bytes.
std::string Describe(const Package& package, const std::string& file) {
  std::ostringstream out;
  out << package.Name() << package.Version() << package.Description() << package.CoreVersion() << "\n";
  std::string head, error;
  ReadHead(file, package.LargestSampleSize(), head, error);
  for (const PackageModule& m : package.Modules())
    out << m.getType() << m.getName() << m.getVersion() << m.getDescription() << m.getSampleSize()
        << m.getFilter() << m.getWritePriority() << m.canWrite(nullptr) << "\n";
  for (const int m : package.AcceptingModules(head)) out << "accepted by " << m << "\n";
  return out.str();
}

// One unit of work: a part read alone, read and written by every module, or described.
struct Job {
  std::string file;
  enum Kind { kRead, kReadWrite, kDescribe } kind;

  std::string Run(const Package& package) const {
    return kind == kDescribe ? Describe(package, file) : ReadAndWrite(package, file, kind == kReadWrite);
  }
};

std::vector<Job> Jobs() {
  std::vector<Job> jobs;
  for (const std::string& part : Parts())
    for (const Job::Kind kind : {Job::kRead, Job::kReadWrite, Job::kDescribe}) jobs.push_back({part, kind});
  return jobs;
}

bool HasSurfaces(const std::string& file) {
  for (const char* tag : {"_v11", "_v12", "_v14"})
    if (file.find(tag) != std::string::npos) return true;
  return false;
}

TEST(Threads, EveryCallGivesOnManyThreadsWhatItGivesAlone) {
  const Package& package = LoadedPackage();
  const std::vector<Job> jobs = Jobs();
  std::vector<std::string> expected;
  for (const Job& job : jobs) expected.push_back(job.Run(package));
  // The comparison means something only where every module read a part and
  // the surface parts gave meshes.
  std::set<std::string> modules;
  int surfaceMeshes = 0;
  for (std::size_t j = 0; j < jobs.size(); ++j) {
    if (jobs[j].kind != Job::kRead) continue;
    for (const PackageModule& m : package.Modules())
      if (expected[j].find("\"module\":\"" + std::string(m.getName()) + "\"") != std::string::npos)
        modules.insert(m.getName());
    if (HasSurfaces(jobs[j].file) && expected[j].find("\"type\":\"xTriMesh\"") != std::string::npos)
      ++surfaceMeshes;
  }
  EXPECT_EQ(modules.size(), package.Modules().size());
  EXPECT_GE(surfaceMeshes, 6);

  // Each thread walks all jobs every round in an order of its own, so that
  // every kind of job meets every other on some two threads.
  const int rounds = Rounds();
  std::vector<std::vector<std::string>> mismatches(kThreads);
  std::barrier start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      std::vector<std::size_t> order(jobs.size());
      std::iota(order.begin(), order.end(), std::size_t{0});
      std::mt19937 random(static_cast<unsigned>(t + 1));
      for (int round = 0; round < rounds; ++round) {
        std::shuffle(order.begin(), order.end(), random);
        for (const std::size_t j : order) {
          const std::string got = jobs[j].Run(package);
          if (got != expected[j])
            mismatches[static_cast<std::size_t>(t)].push_back(jobs[j].file + " (job " + std::to_string(j) +
                                                              "):\n" + got.substr(0, 2000));
        }
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    const auto& found = mismatches[static_cast<std::size_t>(t)];
    EXPECT_TRUE(found.empty()) << "thread " << t << ": " << found.size()
                               << " results differ, the first: " << (found.empty() ? "" : found.front());
  }
}

// Hosts save one model in several formats at once: writers only look at the
// geometry they are given.
TEST(Threads, WritesOfOneGeometryOnManyThreadsAreThoseOfOneThread) {
  const Package& package = LoadedPackage();
  for (const char* name : {"weld_gun_bracket_v12.pdb", "fixture_plate_v8.pdb"}) {
    ReadRequest request;
    request.file = std::string(XPDB_SOURCE_DIR) + "/examples/" + name;
    request.tolerance = kDefaultNurbsTolerance;
    const ReadResult read = ReadThroughPackage(package, request);
    ASSERT_EQ(read.code, kExitOk) << name << ": " << read.report.error;
    xGeometry* geometry = read.geometry.get();
    const auto writeAll = [&] {
      std::string all;
      for (const PackageModule& module : package.Modules()) {
        std::stringbuf buffer;
        xStream stream(&buffer);
        all += std::to_string(module.canWrite(geometry)) + std::to_string(module.write(&stream, geometry));
        all += buffer.str();
      }
      return all;
    };
    const std::string expected = writeAll();
    ASSERT_GT(expected.size(), 1000u);
    std::vector<std::string> got(kThreads);
    std::barrier start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        start.arrive_and_wait();
        for (int round = 0; round < Rounds(); ++round)
          if (const std::string text = writeAll(); text != expected) got[static_cast<std::size_t>(t)] = text;
      });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t)
      EXPECT_EQ(got[static_cast<std::size_t>(t)], "") << name << ", thread " << t;
  }
}

}  // namespace
