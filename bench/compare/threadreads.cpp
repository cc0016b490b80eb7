#include "threadreads.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <thread>
#include <tuple>
#include <vector>

#include "app/read/package.h"
#include "host/xgeometry.h"
#include "host/xrenderplatform.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Read {
  std::unique_ptr<xGeometry> geometry;
  std::exception_ptr error;
};

void ReadInto(const PackageModule& module, const std::string& file, Read& read) {
  try {
    std::filebuf buffer;
    if (!buffer.open(file, std::ios::in | std::ios::binary)) throw std::runtime_error("cannot open " + file);
    xStream stream(&buffer);
    read.geometry = std::make_unique<xGeometry>();
    xGeometry* geometry = read.geometry.get();
    if (module.read(&stream, &geometry) != 0 || geometry != read.geometry.get())
      throw std::runtime_error("GRRead did not return 0");
  } catch (...) {
    read.error = std::current_exception();
  }
}

// Sets and triangles of both reads.
std::pair<double, double> Count(const Read& a, const Read& b) {
  double sets = 0, triangles = 0;
  for (const Read* read : {&a, &b}) {
    const xGeoContainer& container = *read->geometry->GetContainer();
    sets += container.GetSetCount();
    for (int i = 0; i < container.GetSetCount(); ++i)
      if (auto* mesh = dynamic_cast<xTriMesh*>(container.GetSet(i))) triangles += mesh->GetTriangleCount();
  }
  return {sets, triangles};
}

struct Run {
  double seconds = 0, cpuSeconds = 0, sets = 0, triangles = 0;
};

// Both reads on fresh threads, as a host's workers: one thread for both, or one each.
Run TimeReads(const PackageModule& module, const std::string& first, const std::string& second,
              bool parallel) {
  Read a, b;
  const double cpu = CpuSeconds();
  const auto start = Clock::now();
  if (parallel) {
    std::thread one([&] { ReadInto(module, first, a); });
    std::thread two([&] { ReadInto(module, second, b); });
    one.join();
    two.join();
  } else {
    std::thread both([&] {
      ReadInto(module, first, a);
      ReadInto(module, second, b);
    });
    both.join();
  }
  Run run;
  run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  run.cpuSeconds = CpuSeconds() - cpu;
  for (const Read* read : {&a, &b})
    if (read->error) std::rethrow_exception(read->error);
  std::tie(run.sets, run.triangles) = Count(a, b);
  return run;  // the geometries go here, outside the clock
}

}  // namespace

Measures ReadTwoOnThreads(const std::string& library, int module, const std::string& first,
                          const std::string& second, int rounds) {
  Package package;
  const PackageModule& chosen = LoadForReading(package, library, module);
  // A host that draws has its contexts before it reads; the warm-up makes the
  // second one that two reading threads need.
  xRenderPlatform::GetPlatform()->IsAvailable();
  const Run warmSerial = TimeReads(chosen, first, second, false);
  const Run warmParallel = TimeReads(chosen, first, second, true);

  std::vector<Run> serial, parallel;
  for (int r = 0; r < std::max(1, rounds); ++r) {
    serial.push_back(TimeReads(chosen, first, second, false));
    parallel.push_back(TimeReads(chosen, first, second, true));
  }
  const auto best = [](const std::vector<Run>& runs) {
    return *std::min_element(runs.begin(), runs.end(),
                             [](const Run& x, const Run& y) { return x.seconds < y.seconds; });
  };
  bool same = warmParallel.triangles == warmSerial.triangles && warmParallel.sets == warmSerial.sets;
  for (const std::vector<Run>* runs : {&serial, &parallel})
    for (const Run& run : *runs)
      same = same && run.triangles == warmSerial.triangles && run.sets == warmSerial.sets;
  const Run s = best(serial), p = best(parallel);
  Measures m;
  m["serial_seconds"] = s.seconds;
  m["parallel_seconds"] = p.seconds;
  m["ratio"] = p.seconds / s.seconds;
  m["serial_cpu_seconds"] = s.cpuSeconds;
  m["parallel_cpu_seconds"] = p.cpuSeconds;
  for (std::size_t i = 0; i < serial.size(); ++i) {
    m["serial_run_" + std::to_string(i)] = serial[i].seconds;
    m["parallel_run_" + std::to_string(i)] = parallel[i].seconds;
  }
  m["sets"] = warmSerial.sets;
  m["triangles"] = warmSerial.triangles;
  m["same"] = same ? 1.0 : 0.0;
  return m;
}
