// Tessellating NURBS surface sections and reading stored tessellations.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "host/xenvironment.h"
#include "host/xgeometry.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb14.h"
#include "pdb/xpdbutil.h"

namespace {

constexpr const char* kToleranceSetting = "Render.NURBS.Tolerance";

// A version-12 section of one surface; points are w, x·w, y·w, z·w.
std::string Section(int uDegree, int vDegree, const std::string& uKnots, const std::string& vKnots,
                    const std::string& points, int nu, int nv, const std::string& trims) {
  std::ostringstream out;
  out << "1\n0 1 0 1\n"
      << uDegree << " " << vDegree << " " << nu - uDegree << " " << nv - vDegree << "\n0 0 0\n"
      << uKnots << "\n"
      << vKnots << "\n"
      << points << "0\n"
      << trims << "7\n0 0 0\n";
  return out.str();
}

std::string Circle(double cx, double cy, double r, int n) {
  std::ostringstream out;
  out << n << "\n";
  for (int i = 0; i < n; ++i)
    out << cx + r * std::cos(-2 * M_PI * i / n) << " " << cy + r * std::sin(-2 * M_PI * i / n) << "\n";
  return out.str();
}

// A 120 x 80 plate trimmed to its outline with `holes` round holes.
std::string Plate(int holes) {
  std::ostringstream trims;
  trims << "4\n0 0\n1 0\n1 1\n0 1\n" << holes << "\n";
  for (int h = 0; h < holes; ++h) trims << Circle(0.1 + 0.8 * (h + 0.5) / holes, 0.5, 0.3 / holes, 24);
  return Section(1, 1, "0 0 1 1", "0 0 1 1", "1 0 0 0\n1 0 80 0\n1 120 0 0\n1 120 80 0\n", 2, 2, trims.str());
}

// A quarter of a cylinder of radius 25 and length 80, untrimmed.
std::string QuarterCylinder() {
  const double w = std::sqrt(0.5), r = 25, l = 80;
  std::ostringstream points;
  points << "1 " << r << " 0 0\n1 " << r << " 0 " << l << "\n"
         << w << " " << r * w << " " << r * w << " 0\n"
         << w << " " << r * w << " " << r * w << " " << l * w << "\n"
         << "1 0 " << r << " 0\n1 0 " << r << " " << l << "\n";
  return Section(2, 1, "0 0 0 1 1 1", "0 0 1 1", points.str(), 3, 2, "0\n");
}

// A cubic net of random points: the worst case for the sampling estimate.
std::string RoughNet(int n) {
  std::ostringstream knots, points;
  knots << "0 0 0";
  for (int i = 0; i <= n - 3; ++i) knots << " " << i;
  knots << " " << n - 3 << " " << n - 3 << " " << n - 3;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> coordinate(-50, 50);
  for (int i = 0; i < n * n; ++i)
    points << "1 " << coordinate(random) << " " << coordinate(random) << " " << coordinate(random) << "\n";
  return Section(3, 3, knots.str(), knots.str(), points.str(), n, n, "0\n");
}

// Reads `text` into a fresh geometry each iteration with read(stream,
// geometry), which answers whether it read one mesh; the triangles of that
// mesh, or -1 after a failure, which ends the benchmark with `failure`.
template <class Read>
int TrianglesRead(benchmark::State& state, const std::string& text, const char* failure, Read read) {
  int triangles = 0;
  for (auto _ : state) {
    std::stringbuf buffer(text);
    xStream stream(&buffer);
    xGeometry geometry;
    xGeometry* pointer = &geometry;
    if (!read(&stream, &pointer) || geometry.GetContainer()->GetSetCount() != 1) {
      state.SkipWithError(failure);
      return -1;
    }
    triangles = static_cast<xTriMesh*>(geometry.GetContainer()->GetSet(0))->GetTriangleCount();
  }
  return triangles;
}

void ReadSection(benchmark::State& state, const std::string& text, double tolerance) {
  xEnvironment::GetGlobal()->SetDouble(kToleranceSetting, tolerance);
  const int triangles = TrianglesRead(
      state, text, "surface not read",
      [](xStream* stream, xGeometry** geometry) { return xPdbUtil::SkipSurfaces(stream, 12, geometry); });
  xEnvironment::GetGlobal()->Remove(kToleranceSetting);
  state.counters["triangles"] = triangles;
  state.counters["triangles/s"] =
      benchmark::Counter(triangles, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PlateWithHoles(benchmark::State& state) {
  ReadSection(state, Plate(static_cast<int>(state.range(0))), 0.1);
}
BENCHMARK(BM_PlateWithHoles)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);

// Tolerance setting times 1000.
void BM_QuarterCylinder(benchmark::State& state) {
  ReadSection(state, QuarterCylinder(), state.range(0) / 1000.0);
}
BENCHMARK(BM_QuarterCylinder)->Arg(1000)->Arg(100)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RoughNetAtTinyTolerance(benchmark::State& state) {
  ReadSection(state, RoughNet(static_cast<int>(state.range(0))), 1e-9);
}
BENCHMARK(BM_RoughNetAtTinyTolerance)->Arg(10)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(3);

// One stored mesh of side x side quads, each ring given by signed edges.
std::string StoredGrid(int side) {
  std::string text = "1\n1 body\ngrid\n1 FACES\nface 7\n" + std::to_string(side * side) + "\n";
  char line[96];
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) {
      std::snprintf(line, sizeof line, "%g %g %g\n", i * 0.5, j * 0.5, std::sin(i * 0.01) * 3.0);
      text += line;
    }
  // Edges: horizontal ones first, then vertical ones.
  const int horizontal = (side - 1) * side;
  text += std::to_string(horizontal + side * (side - 1)) + "\n";
  for (int j = 0; j < side; ++j)
    for (int i = 0; i + 1 < side; ++i)
      text += std::to_string(j * side + i) + " " + std::to_string(j * side + i + 1) + "\n";
  for (int j = 0; j + 1 < side; ++j)
    for (int i = 0; i < side; ++i)
      text += std::to_string(j * side + i) + " " + std::to_string((j + 1) * side + i) + "\n";
  text += std::to_string((side - 1) * (side - 1)) + "\n";
  for (int j = 0; j + 1 < side; ++j)
    for (int i = 0; i + 1 < side; ++i) {
      const int bottom = j * (side - 1) + i + 1, top = (j + 1) * (side - 1) + i + 1;
      const int left = horizontal + j * side + i + 1, right = left + 1;
      std::snprintf(line, sizeof line, "4 %d %d %d %d\n", bottom, right, -top, -left);
      text += line;
    }
  return text + "end\n0 EDGES\nend\n";
}

void BM_StoredTessellation(benchmark::State& state) {
  const std::string text = StoredGrid(static_cast<int>(state.range(0)));
  const int triangles = TrianglesRead(
      state, text, "section not read",
      [](xStream* stream, xGeometry** geometry) { return xPdb14().ReadTesselation(stream, geometry) == 0; });
  state.counters["triangles"] = triangles;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_StoredTessellation)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace
