#include <GL/gl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#define PARTTEST_REPLACE_ALLOCATION
#include "app/defaults.h"
#include "common/allocation.h"
#include "common/parttest.h"
#include "host/xenvironment.h"
#include "host/xrenderplatform.h"
#include "host/xtrimesh.h"
#include "pdb/read/surfacetesselator.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"

namespace {

using namespace parttest;

const char* const kTolerance = "Render.NURBS.Tolerance";

using Loop = std::vector<std::pair<double, double>>;

// One surface record as a file holds it; control points are w, x·w, y·w, z·w.
struct SurfaceRecord {
  double uStart = 0, uEnd = 1, vStart = 0, vEnd = 1;
  int uDegree = 1, vDegree = 1, uSegments = 1, vSegments = 1;
  std::vector<double> uKnots{0, 0, 1, 1}, vKnots{0, 0, 1, 1};
  std::vector<std::array<double, 4>> points;
  std::vector<Loop> loops;  // the outer loop, then the holes; none when untrimmed
  int colour = 7;
  std::string surfaceObject = "0\n0\n0\n";
};

template <class Edit>
SurfaceRecord With(SurfaceRecord s, Edit edit) {
  edit(s);
  return s;
}
SurfaceRecord Trimmed(SurfaceRecord s, std::vector<Loop> loops) {
  s.loops = std::move(loops);
  return s;
}

// A surface section of the version: the count, then the records.
std::string Section(const std::vector<SurfaceRecord>& records, int version) {
  std::ostringstream out;
  out.precision(17);
  out << records.size();
  for (const SurfaceRecord& s : records) {
    out << "\n"
        << s.uStart << " " << s.uEnd << " " << s.vStart << " " << s.vEnd << "\n"
        << s.uDegree << " " << s.vDegree << " " << s.uSegments << " " << s.vSegments
        << (version < 12 ? "\n0 0\n" : "\n0 0 0\n");
    for (double k : s.uKnots) out << k << " ";
    for (double k : s.vKnots) out << k << " ";
    for (const auto& p : s.points) out << "\n" << p[0] << " " << p[1] << " " << p[2] << " " << p[3];
    if (version >= 10) {
      out << "\n0.5\n" << (s.loops.empty() ? 0 : s.loops[0].size());
      for (std::size_t i = 0; i < s.loops.size(); ++i) {
        if (i > 0) out << "\n" << s.loops[i].size();
        for (const auto& [u, v] : s.loops[i]) out << "\n" << u << " " << v;
        if (i == 0) out << "\n" << s.loops.size() - 1;
      }
    }
    out << "\n" << s.colour << "\n" << (version >= 12 ? s.surfaceObject : "");
  }
  return out.str();
}

// A flat bilinear patch [0, width] x [0, height] at z = 0.
SurfaceRecord FlatPatch(double width, double height, int colour = 7) {
  SurfaceRecord s;
  s.points = {{1, 0, 0, 0}, {1, 0, height, 0}, {1, width, 0, 0}, {1, width, height, 0}};
  s.colour = colour;
  return s;
}

// A quarter of a cylinder of radius r around the z axis, from z = 0 to length:
// rational quadratic across, linear along.
SurfaceRecord QuarterCylinder(double r, double length) {
  SurfaceRecord s;
  s.uDegree = 2;
  s.uKnots = {0, 0, 0, 1, 1, 1};
  const double w = std::sqrt(0.5);
  s.points = {{1, r, 0, 0}, {1, r, 0, length}, {w, r * w, r * w, 0}, {w, r * w, r * w, length * w},
              {1, 0, r, 0}, {1, 0, r, length}};
  return s;
}

const Loop kUnitLoop = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// A regular n-gon of radius r around (cx, cy), clockwise as a hole is, and its area.
Loop Hole(double cx, double cy, double r, int n) {
  Loop loop;
  for (double a = 0; loop.size() < std::size_t(n); a -= 2 * std::numbers::pi / n)
    loop.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
  return loop;
}
double NGon(int n, double r) { return n / 2.0 * r * r * std::sin(2 * std::numbers::pi / n); }
// The area a loop of either orientation encloses.
double Area(const Loop& loop) {
  double twice = 0;
  for (std::size_t i = 0; i < loop.size(); ++i) {
    const auto& [x0, y0] = loop[i];
    const auto& [x1, y1] = loop[(i + 1) % loop.size()];
    twice += x0 * y1 - x1 * y0;
  }
  return std::fabs(twice) / 2;
}

double MeshArea(const xTriMesh& m) {
  double area = 0;
  for (int i = 0; i < m.GetTriangleCount(); ++i) {
    const auto& t = m.GetTriangle(i);
    const xFVector &a = m.GetPoint(int(t.a)), &b = m.GetPoint(int(t.b)), &c = m.GetPoint(int(t.c));
    const double u[] = {b.x - a.x, b.y - a.y, b.z - a.z}, v[] = {c.x - a.x, c.y - a.y, c.z - a.z};
    area += 0.5 * std::hypot(u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]);
  }
  return area;
}

TEST(SurfaceSection, EveryVersionReadsItsRecordsAndOnlyLaterOnesAddMeshes) {
  SurfaceRecord holed = Trimmed(FlatPatch(2, 1), {kUnitLoop, Hole(0.5, 0.5, 0.2, 8), {}});
  holed.surfaceObject = "2\n0 0 0\n1 1 1\n1\n0 1\n2\n3 1 -1 1 0.1 0.2 0.3 0.4\n-2 0 0 0 0\n";
  for (int version : {9, 10, 11, 12, 14}) {
    Part part;
    Text in(Section({FlatPatch(1, 1), holed, QuarterCylinder(1, 1)}, version) + " next");
    EXPECT_TRUE(xPdbUtil::SkipSurfaces(in.get(), version, part.get())) << version;
    EXPECT_EQ(in.NextWord(), "next") << version;
    EXPECT_EQ(part.count(), version >= 11 ? 3 : 0) << version;
  }
  Part part;
  Text none("-2 1");  // a count of zero or less reads no record
  EXPECT_TRUE(xPdbUtil::SkipSurfaces(none.get(), 12, part.get()));
  EXPECT_EQ(none.NextWord(), "1");
  EXPECT_FALSE(xPdbUtil::SkipSurfaces(nullptr, 11, part.get()));
  const std::string whole = Section({FlatPatch(1, 1), FlatPatch(2, 2)}, 11);
  Text cut(whole.substr(0, whole.size() - 20));  // fails, and keeps the mesh before
  EXPECT_FALSE(xPdbUtil::SkipSurfaces(cut.get(), 11, part.get()));
  EXPECT_EQ(part.count(), 1);
}

// The texts of the "Nurbs Error: " lines in what was written to standard error.
std::vector<std::string> GluErrors(const std::string& written) {
  std::vector<std::string> errors;
  std::istringstream lines(written);
  const std::string prefix = "Nurbs Error: ";
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(prefix)) errors.push_back(line.substr(prefix.size()));
  return errors;
}

// Reads the records as a section; the meshes must have these areas and, where
// every record made one, the materials of their colours; GLU must have
// reported exactly these errors.
void ExpectMeshes(const char* what, int version, const std::vector<SurfaceRecord>& records,
                  const std::vector<double>& areas, double relative = 1e-5, int asserts = 0,
                  const std::vector<std::string>& gluErrors = {}) {
  SCOPED_TRACE(what);
  Part part;
  Text in(Section(records, version) + " next");
  testing::internal::CaptureStderr();
  EXPECT_TRUE(xPdbUtil::SkipSurfaces(in.get(), version, part.get()));
  EXPECT_EQ(GluErrors(testing::internal::GetCapturedStderr()), gluErrors);
  EXPECT_EQ(in.NextWord(), "next");
  ASSERT_EQ(part.count(), int(areas.size()));
  for (int i = 0; i < part.count(); ++i) {
    const xTriMesh& mesh = *part.set<xTriMesh>(i);
    EXPECT_NEAR(MeshArea(mesh), areas[i], areas[i] * relative) << i;
    if (areas.size() != records.size()) continue;
    EXPECT_EQ(mesh.GetMaterial(), xPdbUtil::GetDenebMaterial(records[i].colour)) << i;
    EXPECT_EQ(mesh.GetMaterialMode(), records[i].colour == -2 ? 1 : 2) << i;
  }
  EXPECT_EQ(xGlobalAssertCount(), asserts);
}

TEST(SurfaceSection, MeshesCoverWhatTheLoopsKeepAndUnsoundSurfacesAddNothing) {
  ExpectMeshes("whole, and trimmed to a triangle", 11,
               {FlatPatch(100, 60, -2), Trimmed(FlatPatch(100, 60, 99), {{{0, 0}, {1, 0}, {0, 1}}})},
               {6000, 3000});
  std::vector<Loop> four = {kUnitLoop};
  for (int i = 0; i < 4; ++i) four.push_back(Hole(0.15 + 0.22 * i, 0.5, 0.08, 12));
  // Each hole's leftmost and rightmost points gain a level edge a thousandth
  // of the loops' extent long, which moves the area by some 0.1 each.
  ExpectMeshes("four holes", 12, {Trimmed(FlatPatch(100, 60), four)}, {6000 * (1 - 4 * NGon(12, 0.08))},
               3e-4);
  // A lopsided hole's level edge would reach the other hole's tip at a
  // thousandth of the extent; a shorter one keeps the surface.
  const Loop lopsided = {{0.5, 0.5}, {0.6, 0.6}, {0.7, 0.575}, {0.6, 0.55}};
  const Loop tip = {{0.5008, 0.5002}, {0.56, 0.47}, {0.52, 0.42}};
  ExpectMeshes("a hole's tip beside another's turn", 11,
               {Trimmed(FlatPatch(100, 100), {kUnitLoop, lopsided, tip})},
               {10000 * (1 - Area(lopsided) - Area(tip))}, 1e-5);
  ExpectMeshes("a hole without points", 11, {Trimmed(FlatPatch(10, 10), {kUnitLoop, {}})}, {100});
  ExpectMeshes("loop cut at its first self-crossing", 11,
               {Trimmed(FlatPatch(10, 10), {{{0, 0}, {1, 0}, {1, 1}, {0.5, -0.5}, {0, 1}}})}, {50});
  SurfaceRecord negative = QuarterCylinder(25, 80);
  for (auto& p : negative.points) p = {-p[0], -p[1], -p[2], -p[3]};
  ExpectMeshes("negative weights of one sign", 12, {negative}, {std::numbers::pi / 2 * 25 * 80}, 5e-3);
  // Loops that do not bound a region the way GLU wants: it says so and the surface adds nothing.
  const Loop clockwise = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
  const std::pair<const char*, std::vector<Loop>> misoriented[] = {
      {"clockwise outer loop", {clockwise}},
      {"clockwise outer loop with a hole", {clockwise, Hole(0.5, 0.5, 0.2, 8)}},
      {"a hole outside the outer loop", {{{0, 0}, {0.5, 0}, {0.5, 1}, {0, 1}}, Hole(0.8, 0.5, 0.1, 8)}},
      {"a hole inside a hole", {kUnitLoop, Hole(0.5, 0.5, 0.3, 8), Hole(0.5, 0.5, 0.1, 8)}}};
  for (const auto& [what, loops] : misoriented)
    ExpectMeshes(what, 11, {Trimmed(FlatPatch(1, 1), loops), FlatPatch(1, 1)}, {1}, 1e-5, 1,
                 {"intersecting or misoriented trim curves"});
  // Loops may stray beyond the domain by its own size, no further: GLU would sample all the way out.
  ExpectMeshes("a loop around the domain", 11,
               {Trimmed(FlatPatch(10, 10), {{{-0.9, -0.9}, {1.9, -0.9}, {1.9, 1.9}, {-0.9, 1.9}}})}, {100});
  for (const Loop& far :
       {Loop{{0.2, 0.2}, {0.2, 0.8}, {0.5, 2.1}}, Loop{{0.2, 0.2}, {0.2, 0.8}, {-1.5, 0.5}}})
    ExpectMeshes("a hole far out", 11, {Trimmed(FlatPatch(10, 10), {kUnitLoop, far})}, {}, 1e-5, 1);
  ExpectMeshes("an outer loop far out", 11,
               {Trimmed(FlatPatch(10, 10), {{{0, 0}, {1, 0}, {1, 1e6}, {0, 1}}})}, {}, 1e-5, 1);
  SurfaceRecord rangeless = FlatPatch(1, 1);
  rangeless.uKnots = {0, 0, 0, 0};
  ExpectMeshes("knots without a range, which GLU refuses", 11, {rangeless, FlatPatch(2, 2)}, {4}, 1e-5, 1,
               {"valid knot range is empty"});
  // Ours: each would crash GLU, hang it or make it complain.
  const auto refused = [](const char* what, void (*edit)(SurfaceRecord&)) {
    ExpectMeshes(what, 12, {With(FlatPatch(1, 1), edit), FlatPatch(3, 1)}, {3}, 1e-5, 1);
  };
  refused("order one", [](SurfaceRecord& s) { s.uDegree = 0, s.uSegments = 2, s.uKnots = {0, 0.5, 1}; });
  refused("order above 24", [](SurfaceRecord& s) {
    s.uDegree = 24, s.uKnots.assign(25, 0.0), s.uKnots.resize(50, 1.0), s.points.clear();
    for (int i = 0; i < 50; ++i) s.points.push_back({1, i / 2 / 24.0, i % 2 * 1.0, 0});
  });
  refused("no segment", [](SurfaceRecord& s) { s.uSegments = 0, s.uKnots = {0, 0, 1}, s.points.resize(2); });
  refused("decreasing knots", [](SurfaceRecord& s) { s.vKnots = {0, 1, 0.5, 1}; });
  refused("control point beyond float", [](SurfaceRecord& s) { s.points[2][1] = 1e300; });
  refused("zero weight", [](SurfaceRecord& s) { s.points[1][0] = 0; });
  refused("weights of both signs", [](SurfaceRecord& s) { s.points[1][0] = -1; });
  refused("a single point", [](SurfaceRecord& s) { s.points.assign(4, {1, 3, 3, 3}); });
  refused("trimming point beyond float", [](SurfaceRecord& s) { s.loops = {{{0, 0}, {1, 0}, {1, 1e300}}}; });
  refused("holes that touch", [](SurfaceRecord& s) {
    s.loops = {kUnitLoop, {{0.2, 0.2}, {0.4, 0.2}, {0.4, 0.4}}, {{0.4, 0.4}, {0.6, 0.4}, {0.6, 0.6}}};
  });
  refused("a hole across the outer loop", [](SurfaceRecord& s) {
    s.loops = {kUnitLoop, {{0.5, 0.5}, {1.5, 0.5}, {0.5, 0.7}}};
  });
}

TEST(SurfaceSections, HugeCountsAllocateOnlyWhatTheDataFills) {
  const std::pair<bool, std::string> cases[] = {
      {true, "1 0 1 0 1 1 1 2000000000 2000000000 0 0 0 0 1 1 0 0 1 1"},
      {true, "2000000000 0 1 0 1 1 1 1 1 0 0 0 0 1 1 0 0 1 1"},
      {true,
       "1 0 1 0 1 1 1 1 1 0 0 0 0 1 1 0 0 1 1 1 0 0 0 1 0 1 0 1 1 0 0 1 1 1 0 0.5 4 0 0 1 0 1 1 0 1 "
       "2000000000"},                                             // holes
      {false, "1 3 body cover 1 FACES face 7 2000000000 0 0 0"},  // stored tessellations
      {false, "1 3 body cover 1 FACES face 7 3 0 0 0 1 0 0 0 1 0 2000000000 0 1"},
      {false, "1 3 body cover 1 FACES face 7 0 0 2000000000 2000000000 1"},
      {false, "2000000000 3 body cover 0 FACES 0 EDGES end"}};
  for (const auto& [surfaces, text] : cases) {
    Part part;
    Text in(text);
    parttest::LargestAllocation largest;
    EXPECT_FALSE(surfaces ? xPdbUtil::SkipSurfaces(in.get(), 11, part.get())
                          : xPdb14().ReadTesselation(in.get(), part.get()) == 0)
        << text;
    EXPECT_LT(largest.bytes(), 1u << 20) << text;
    EXPECT_EQ(part.count(), 0) << text;
  }
}

// The triangles of the one mesh a version-12 surface makes under the setting
// (none when negative), or -1.
int Triangles(const SurfaceRecord& s, double setting = -1, double* area = nullptr) {
  if (setting >= 0) xEnvironment::GetGlobal()->SetDouble(kTolerance, setting);
  Part part;
  Text in(Section({s}, 12));
  const bool one = xPdbUtil::SkipSurfaces(in.get(), 12, part.get()) && part.count() == 1;
  xEnvironment::GetGlobal()->Remove(kTolerance);
  if (one && area) *area = MeshArea(*part.set<xTriMesh>(0));
  return one ? part.set<xTriMesh>(0)->GetTriangleCount() : -1;
}

TEST(SurfaceTolerance, FollowsTheSettingAndTheParameterRange) {
  const int coarse = Triangles(QuarterCylinder(25, 80), 4.0), fine = Triangles(QuarterCylinder(25, 80), 0.04);
  EXPECT_GT(coarse, 0);
  EXPECT_GT(fine, 3 * coarse);
  // Ten times the range: ten times the tolerance.
  EXPECT_GT(fine, 2 * Triangles(With(QuarterCylinder(25, 80), [](SurfaceRecord& s) { s.uEnd = s.vEnd = 10; }),
                                0.04));
  // Two holes follow the tolerance; with more, GLU samples by path length, whatever the tolerance.
  std::vector<Loop> loops = {kUnitLoop, Hole(0.2, 0.5, 0.1, 8), Hole(0.5, 0.5, 0.1, 8)};
  const SurfaceRecord two = Trimmed(QuarterCylinder(25, 80), loops);
  loops.push_back(Hole(0.8, 0.5, 0.1, 8));
  const SurfaceRecord three = Trimmed(QuarterCylinder(25, 80), loops);
  EXPECT_NE(Triangles(two, 4.0), Triangles(two, 0.04));
  EXPECT_EQ(Triangles(three, 4.0), Triangles(three, 0.04));
  xEnvironment::GetGlobal()->SetDouble(kTolerance, 1e300);
  EXPECT_EQ(xNurbsBaseTolerance(), HUGE_VALF);
  xEnvironment::GetGlobal()->Remove(kTolerance);
}

TEST(SurfaceTolerance, IsBoundedBelowAndByTheTrianglesItWouldMake) {
  // No setting: a tolerance of 0 would crash GLU on trimmed surfaces.
  EXPECT_EQ(xNurbsBaseTolerance(), 0.0f);
  EXPECT_GT(Triangles(Trimmed(QuarterCylinder(25, 80), {kUnitLoop, Hole(0.5, 0.5, 0.2, 16)})), 8);
  EXPECT_GT(Triangles(With(QuarterCylinder(25, 80), [](SurfaceRecord& s) { s.uEnd = -1; }), 1.0), 8);
  // The floor, 1e-4 of the size, loses at most (2/3) t / r of the area to chords.
  double area = 0;
  EXPECT_LT(Triangles(Trimmed(QuarterCylinder(25, 80), {kUnitLoop}), 1e-30, &area), 100000);
  EXPECT_NEAR(area, std::numbers::pi / 2 * 25 * 80, 2000 * 3e-4 * std::numbers::pi);

  // A cubic net of random points: GLU would make hundreds of millions of triangles.
  SurfaceRecord rough;
  rough.uDegree = rough.vDegree = 3, rough.uSegments = rough.vSegments = 27, rough.uEnd = rough.vEnd = 27,
  rough.uKnots = {};
  for (int i = -3; i <= 30; ++i) rough.uKnots.push_back(std::clamp(i, 0, 27));
  rough.vKnots = rough.uKnots;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> coordinate(-50, 50);
  for (int i = 0; i < 900; ++i)
    rough.points.push_back({1, coordinate(random), coordinate(random), coordinate(random)});
  EXPECT_LT(Triangles(rough, 1e-6), 8000000);

  // A corner that weighs next to nothing: by path length, as more than two
  // holes ask for, GLU would make tens of millions of triangles.
  SurfaceRecord stretched =
      Trimmed(FlatPatch(120, 80), {kUnitLoop, Hole(0.2, 0.5, 0.05, 12), Hole(0.5, 0.5, 0.05, 12),
                                   Hole(0.8, 0.5, 0.05, 12), Hole(0.875, 0.8, 0.05, 12)});
  stretched.points[3][0] = 1e-3;
  EXPECT_THAT(Triangles(stretched), testing::AllOf(testing::Gt(8), testing::Lt(2000000)));

  // Found by mutating an example: near its size limit GLU subdivided this one
  // until its stack overflowed.
  SurfaceRecord rational = Trimmed(FlatPatch(1, 1), {{{0, 0}, {1, 0}, {0, 1}}});
  rational.uDegree = 2, rational.uSegments = 3, rational.uKnots = {0, 0, 0, 0.5, 0.5, 1, 1, 1};
  rational.points.clear();
  std::istringstream net(
      "1 30 0 0  1 30 0 0.707106781  21.2132034 21.2132034 0 0.707106781  "
      "21.2132034 84.8528137 1 1.8369702e-15  30 0 1 1.8369702e-15  30 120 -2 -21.2132034  "
      "21.2132034 0 0.707106781 -21.2132034  21.2132034 84.8528137 1 -30  1e-3 0 1 -30  1e-3 120 0.01 0");
  for (std::array<double, 4> p; net >> p[0] >> p[1] >> p[2] >> p[3];) rational.points.push_back(p);
  EXPECT_GT(Triangles(rational, 1e-30), 0);

  // Two thousand holes inside the domain still tessellate at the finest sampling.
  SurfaceRecord bump = Trimmed(FlatPatch(10, 10), {kUnitLoop});
  bump.uDegree = bump.vDegree = 2, bump.uKnots = bump.vKnots = {0, 0, 0, 1, 1, 1}, bump.points.clear();
  for (int i = 0; i < 9; ++i) bump.points.push_back({1, i / 3 * 5.0, i % 3 * 5.0, i == 4 ? 20.0 : 0});
  for (int i = 0; i < 2000; ++i) {
    const double u = 0.05 + 0.9 * (i % 400) / 400.0, v = 0.05 + 0.18 * (i / 400);
    bump.loops.push_back({{u, v}, {u, v + 0.15}, {u + 0.0005, v + 0.07}});
  }
  EXPECT_THAT(Triangles(bump, 1e-9), testing::AllOf(testing::Gt(2000), testing::Lt(1000000)));
}

template <class Version>
int ReadWith(xStream* in, xGeometry** geometry) {
  return Version().Read(in, geometry);
}

// Fuzz finds that sent GLU sampling far outside the domain, for gigabytes or
// seconds: the surface is refused and the read goes on; version 9 reads past.
TEST(SurfaceSection, FuzzFindsStayWithinBounds) {
  const std::pair<const char*, int (*)(xStream*, xGeometry**)> finds[] = {
      {"v11_trim_far_outside_domain.pdb", ReadWith<xPdb11>},
      {"v12_weight_ratio_trims_outside_domain.pdb", ReadWith<xPdb12>},
      {"v14_trim_far_outside_domain.pdb", ReadWith<xPdb14>},
      {"v09_false_timeout.pdb", ReadWith<xPdb09>}};
  for (const auto& [file, read] : finds) {
    Part part;
    const std::string text = parttest::Example(file, "tests/data/fuzz/");
    ASSERT_FALSE(text.empty()) << file;
    Text in(text);
    read(in.get(), part.get());
    int triangles = 0;
    for (int i = 0; i < part.count(); ++i)
      triangles += part.set<xTriMesh>(i) ? part.set<xTriMesh>(i)->GetTriangleCount() : 0;
    EXPECT_LT(triangles, 100000) << file;
    EXPECT_TRUE(read == ReadWith<xPdb09> ? part.count() == 0 : xGlobalAssertCount() >= 1) << file;
  }
}

// Fuzz finds that made GLU free memory twice and crash the process: a plate
// whose region part above its top grid line held two sideways cusps (a hole's
// spike or tongue reaching towards another hole's leftmost point). Both
// surfaces now read whole, the plate with its holes cut out.
TEST(SurfaceSection, PlatesWithTwoCuspsInOneRegionPartReadWhole) {
  for (const char* file : {"v11_glu_sliver_hole.pdb", "v11_glu_tongue_hole.pdb"}) {
    Part part;
    const std::string text = parttest::Example(file, "tests/data/fuzz/");
    ASSERT_FALSE(text.empty()) << file;
    Text in(text);
    xPdb11().Read(in.get(), part.get());
    ASSERT_GE(part.count(), 2) << file;
    const xTriMesh* plate = part.set<xTriMesh>(0);
    ASSERT_NE(plate, nullptr) << file;
    EXPECT_GT(plate->GetTriangleCount(), 100) << file;
    // The outer loop alone keeps some 9500 of the 120 x 81 plate; the five
    // holes take 700 to 850 of that.
    EXPECT_GT(MeshArea(*plate), 8600) << file;
    EXPECT_LT(MeshArea(*plate), 8850) << file;
    EXPECT_NE(part.set<xTriMesh>(1), nullptr) << file;
  }
}

// A fuzz find: knots of 4e21 make the patch enormous and GLU's grid step
// -0.0, so its line count was an infinite quotient converted to int
// (undefined; the instrumented builds of the suite stop there). The surface
// still gets the mesh it always had; the malformed loop after it fails the read.
TEST(SurfaceSection, AnEnormousPatchCountsItsGridLinesWithoutOverflow) {
  Part part;
  const std::string text = parttest::Example("v14_glu_infinite_line_count.pdb", "tests/data/fuzz/");
  ASSERT_FALSE(text.empty());
  xEnvironment::GetGlobal()->SetDouble("Render.NURBS.Tolerance", kDefaultNurbsTolerance);
  Text in(text);
  EXPECT_NE(xPdb14().Read(in.get(), part.get()), 0);
  xEnvironment::GetGlobal()->Remove("Render.NURBS.Tolerance");
  ASSERT_EQ(part.count(), 1);
  ASSERT_NE(part.set<xTriMesh>(0), nullptr);
  EXPECT_EQ(part.set<xTriMesh>(0)->GetTriangleCount(), 240);
}

TEST(TrimmingPoint, IsValidUntilItsEdgeCrossesAnEarlierOneWithinTheMargin) {
  const auto valid = [](std::vector<float> accepted, float u, float v) {
    xTQTable<float> loop;
    for (float f : accepted) loop.Append(f);
    EXPECT_EQ(xPdbUtil::isValidInnerPoint(loop, u, v), xPdbUtil::isValidOuterPoint(loop, u, v));
    return xPdbUtil::isValidOuterPoint(loop, u, v);
  };
  EXPECT_FALSE(valid({0, 0, 1, 1, 1, 0}, 0, 1));             // a bow tie
  EXPECT_TRUE(valid({0, 0, 1, 0, 2, 0}, 0.5f, 0));           // parallel edges never cross
  EXPECT_TRUE(valid({0, 0, 1, 0, 1, 1}, 2, 0.5f));           // the closing edge is not looked at
  EXPECT_FALSE(valid({0, 0, 1, 0, 1, 1}, 0.5f, -0.00005f));  // just across
  EXPECT_FALSE(valid({0, 0, 1, 0, 1, 1}, 0.5f, 0.00005f));   // just short
  EXPECT_TRUE(valid({0, 0, 1, 0, 1, 1}, 0.5f, 0.01f));
}

TEST(SurfaceSection, GlBracketSetsUpAViewAndRestoresTheMatrixStack) {
  xRenderPlatform* platform = xRenderPlatform::GetPlatform();
  GLint viewport[4] = {}, mode = 0, depth = 0;
  {
    xNurbsGlBracket bracket;
    if (!bracket.IsActive()) GTEST_SKIP() << "no OpenGL context: " << platform->GetError();
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  }
  // Width, height, matrix mode and model-view stack depth inside the bracket.
  EXPECT_EQ(std::vector<GLint>({viewport[2], viewport[3], mode, depth}),
            std::vector<GLint>({platform->GetWidth(), platform->GetHeight(), GL_MODELVIEW, 2}));
  ASSERT_TRUE(platform->Activate());
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  platform->Deactivate();
}

}  // namespace
