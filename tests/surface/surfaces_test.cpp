#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "allocation.h"
#include "host/xmaterial.h"
#include "pdb/xpdbutil.h"
#include "surfacetest.h"

namespace {

using surfacetest::Circle;
using surfacetest::FlatPatch;
using surfacetest::Loop;
using surfacetest::LoopArea;
using surfacetest::MeshArea;
using surfacetest::Part;
using surfacetest::QuarterCylinder;
using surfacetest::Rectangle;
using surfacetest::Section;
using surfacetest::SurfaceRecord;
using surfacetest::Text;
using surfacetest::ToleranceSetting;

class Surfaces : public ::testing::Test {
 protected:
  void SetUp() override { xEnvironment::GetGlobal()->Remove(ToleranceSetting::kName); }

  // Reads a section with a geometry; the stream test comes back.
  bool Read(const std::string& text, int version) {
    Text in(text + " next");
    m_ok = xPdbUtil::SkipSurfaces(in.get(), version, m_part.get());
    m_next = in.NextWord();
    return m_ok;
  }
  xTriMesh* mesh(int i) { return m_part.set<xTriMesh>(i); }

  Part m_part;
  bool m_ok = false;
  std::string m_next;
};

SurfaceRecord Trimmed(SurfaceRecord s, Loop outer, std::vector<Loop> holes = {}) {
  s.trimmed = true;
  s.outer = std::move(outer);
  s.holes = std::move(holes);
  return s;
}

const Loop kUnit = Rectangle(0, 0, 1, 1);

// Reading past: every version's record ends where the next item starts.

TEST_F(Surfaces, CountOfZeroOrLessReadsNoRecord) {
  EXPECT_TRUE(Read("0", 11));
  EXPECT_EQ(m_next, "next");
  EXPECT_TRUE(Read("-2 1 2", 12));
  EXPECT_EQ(m_next, "1");
  EXPECT_EQ(m_part.count(), 0);
  EXPECT_FALSE(xPdbUtil::SkipSurfaces(nullptr, 11, m_part.get()));
}

TEST_F(Surfaces, EveryVersionReadsItsRecordLayout) {
  SurfaceRecord holed = Trimmed(FlatPatch(2, 1), kUnit, {Circle(0.5, 0.5, 0.2, 8, true), {}});
  holed.surfaceObject = "2\n0 0 0\n1 1 1\n1\n0 1\n2\n3 1 -1 1 0.1 0.2 0.3 0.4\n-2 0 0 0 0\n";
  for (int version : {9, 10, 11, 12, 14}) {
    SCOPED_TRACE(version);
    Text in(Section({FlatPatch(1, 1), holed, QuarterCylinder(1, 1)}, version) + " next");
    EXPECT_TRUE(xPdbUtil::SkipSurfaces(in.get(), version, nullptr));
    EXPECT_EQ(in.NextWord(), "next");
  }
}

TEST_F(Surfaces, Version10RecordWithoutTrimmingHasNoHoleCount) {
  // r, m = 0, then the colour at once.
  EXPECT_TRUE(
      Read("1  0 1 0 1  1 1 1 1  0 0  0 0 1 1  0 0 1 1  1 0 0 0  1 0 1 0  1 1 0 0  1 1 1 0  0.5 0 7", 10));
  EXPECT_EQ(m_next, "next");
}

TEST_F(Surfaces, Versions9And10AddNothingEvenWithAGeometry) {
  for (int version : {9, 10}) {
    Part part;
    Text in(Section({FlatPatch(1, 1), Trimmed(FlatPatch(1, 1), kUnit)}, version));
    EXPECT_TRUE(xPdbUtil::SkipSurfaces(in.get(), version, part.get()));
    EXPECT_EQ(part.count(), 0) << version;
  }
}

TEST_F(Surfaces, TruncatedSectionFailsAndKeepsTheMeshesBefore) {
  const std::string whole = Section({FlatPatch(1, 1), FlatPatch(2, 2)}, 11);
  EXPECT_FALSE(Read(whole.substr(0, whole.size() - 20), 11));
  EXPECT_EQ(m_part.count(), 1);
  EXPECT_FALSE(Read("3" + Section({FlatPatch(1, 1)}, 11).substr(1), 11));
}

TEST_F(Surfaces, SurfaceObjectIsReadPast) {
  Text in("2  0 0 0  1 1 1  3  0 1  1 0  0 0  2  2 1 -2 0.1 0.2 0.3 0.4  0 0 0 0 0 next");
  EXPECT_EQ(xPdbUtil::ReadSurfaceObject(in.get(), nullptr, 7), 0);
  EXPECT_EQ(in.NextWord(), "next");
  Text empty("0 -1 0 next");
  EXPECT_EQ(xPdbUtil::ReadSurfaceObject(empty.get(), nullptr, 7), 0);
  EXPECT_EQ(empty.NextWord(), "next");
  EXPECT_EQ(xPdbUtil::ReadSurfaceObject(nullptr, nullptr, 7), -1);
}

// Meshes: areas against the exact ones.

TEST_F(Surfaces, FlatPatchWholeAndTrimmedToATriangle) {
  ASSERT_TRUE(
      Read(Section({FlatPatch(100, 60), Trimmed(FlatPatch(100, 60), {{0, 0}, {1, 0}, {0, 1}})}, 11), 11));
  ASSERT_EQ(m_part.count(), 2);
  EXPECT_NEAR(MeshArea(*mesh(0)), 6000.0, 6000.0 * 1e-6);
  EXPECT_NEAR(MeshArea(*mesh(1)), 3000.0, 3000.0 * 1e-5);
  EXPECT_EQ(m_next, "next");
}

TEST_F(Surfaces, HolesAreCutOut) {
  const Loop hole = Circle(0.3, 0.5, 0.15, 24, true);
  const Loop square = {{0.6, 0.3}, {0.6, 0.7}, {0.8, 0.7}, {0.8, 0.3}};
  ASSERT_TRUE(Read(Section({Trimmed(FlatPatch(100, 60), kUnit, {hole, square})}, 11), 11));
  ASSERT_EQ(m_part.count(), 1);
  const double exact = 6000.0 * (1.0 + LoopArea(hole) + LoopArea(square));
  EXPECT_NEAR(MeshArea(*mesh(0)), exact, exact * 1e-5);
}

TEST_F(Surfaces, ManyHolesAreCutOutToo) {
  std::vector<Loop> holes;
  double cut = 0;
  for (int i = 0; i < 4; ++i) {
    holes.push_back(Circle(0.15 + 0.22 * i, 0.5, 0.08, 12, true));
    cut += LoopArea(holes.back());
  }
  ASSERT_TRUE(Read(Section({Trimmed(FlatPatch(100, 60), kUnit, holes)}, 12), 12));
  ASSERT_EQ(m_part.count(), 1);
  const double exact = 6000.0 * (1.0 + cut);
  EXPECT_NEAR(MeshArea(*mesh(0)), exact, exact * 1e-5);
}

TEST_F(Surfaces, HoleWithoutPointsLeavesTheSurfaceWhole) {
  ASSERT_TRUE(Read(Section({Trimmed(FlatPatch(10, 10), kUnit, {{}})}, 11), 11));
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_NEAR(MeshArea(*mesh(0)), 100.0, 1e-3);
}

TEST_F(Surfaces, LoopIsCutAtItsFirstSelfCrossing) {
  // The fourth point would cross the first edge; it and all after it go.
  const Loop crossing = {{0, 0}, {1, 0}, {1, 1}, {0.5, -0.5}, {0, 1}};
  ASSERT_TRUE(Read(Section({Trimmed(FlatPatch(10, 10), crossing)}, 11), 11));
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_NEAR(MeshArea(*mesh(0)), 50.0, 1e-3);
}

TEST_F(Surfaces, ColourGivesMaterialAndMode) {
  SurfaceRecord none = FlatPatch(1, 1);
  none.colour = -2;
  SurfaceRecord red = FlatPatch(1, 1);
  red.colour = 7;
  SurfaceRecord unknown = FlatPatch(1, 1);
  unknown.colour = 99;
  ASSERT_TRUE(Read(Section({none, red, unknown}, 11), 11));
  ASSERT_EQ(m_part.count(), 3);
  EXPECT_EQ(mesh(0)->GetMaterialMode(), 1);
  EXPECT_EQ(mesh(0)->GetMaterial(), nullptr);
  EXPECT_EQ(mesh(1)->GetMaterialMode(), 2);
  EXPECT_NE(mesh(1)->GetMaterial(), nullptr);
  EXPECT_EQ(mesh(1)->GetMaterial(), xPdbUtil::GetDenebMaterial(7));
  EXPECT_EQ(mesh(2)->GetMaterialMode(), 2);
  EXPECT_EQ(mesh(2)->GetMaterial(), nullptr);
}

TEST_F(Surfaces, EmptyTessellationIsReportedAndAddsNothing) {
  // A clockwise outer loop keeps nothing of the surface.
  Loop clockwise(kUnit.rbegin(), kUnit.rend());
  ASSERT_TRUE(Read(Section({Trimmed(FlatPatch(1, 1), clockwise), FlatPatch(1, 1)}, 11), 11));
  EXPECT_EQ(m_part.count(), 1);
  EXPECT_EQ(xGlobalAssertCount(), 1);
}

TEST_F(Surfaces, MissingContainerThrows) {
  m_part.DropContainer();
  Text in(Section({FlatPatch(1, 1)}, 11));
  EXPECT_THROW(xPdbUtil::SkipSurfaces(in.get(), 11, m_part.get()), xSmartPtrException);
}

// GLU's own refusals and ours: the surface adds nothing, reading goes on.

TEST_F(Surfaces, SurfaceGluRejectsPrintsItsErrorAndTheNextOneReads) {
  SurfaceRecord empty = FlatPatch(1, 1);
  empty.uKnots = {0, 0, 0, 0};  // no parameter range
  testing::internal::CaptureStderr();
  const bool ok = Read(Section({empty, FlatPatch(2, 2)}, 11), 11);
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(ok);
  EXPECT_NE(printed.find("Nurbs Error: "), std::string::npos);
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_NEAR(MeshArea(*mesh(0)), 4.0, 1e-5);
  EXPECT_EQ(m_next, "next");
}

struct Refusal {
  const char* name;
  SurfaceRecord record;
};

std::vector<Refusal> Refusals() {
  std::vector<Refusal> cases;
  SurfaceRecord s = FlatPatch(1, 1);
  s.uDegree = 0;  // order 1: GLU cannot take it
  s.uSegments = 2;
  s.uKnots = {0, 0.5, 1};
  cases.push_back({"order one", s});

  s = FlatPatch(1, 1);
  s.uDegree = 24;  // order 25
  s.uKnots.assign(25, 0.0);
  s.uKnots.insert(s.uKnots.end(), 25, 1.0);
  s.points.clear();
  for (int i = 0; i < 25; ++i)
    for (int j = 0; j < 2; ++j) s.points.push_back({1, i / 24.0, double(j), 0});
  cases.push_back({"order above 24", s});

  s = FlatPatch(1, 1);
  s.uSegments = 0;  // fewer control points than the order
  s.uKnots = {0, 0, 1};
  s.points.resize(2);
  cases.push_back({"no segment", s});

  s = FlatPatch(1, 1);
  s.vKnots = {0, 1, 0.5, 1};
  cases.push_back({"decreasing knots", s});

  s = FlatPatch(1, 1);
  s.points[2][1] = 1e300;  // beyond float
  cases.push_back({"infinite control point", s});

  s = FlatPatch(1, 1);
  s.points[1][0] = 0;
  cases.push_back({"zero weight", s});

  s = FlatPatch(1, 1);
  s.points[1][0] = -1;
  cases.push_back({"weights of both signs", s});

  s = FlatPatch(1, 1);
  for (auto& p : s.points) p = {1, 3, 3, 3};
  cases.push_back({"a single point", s});

  s = Trimmed(FlatPatch(1, 1), {{0, 0}, {1, 0}, {1, 1e300}});
  cases.push_back({"infinite trimming point", s});
  return cases;
}

TEST_F(Surfaces, UnsoundSurfacesAreRefusedBeforeGlu) {
  for (const Refusal& refusal : Refusals()) {
    SCOPED_TRACE(refusal.name);
    Part part;
    Text in(Section({refusal.record, FlatPatch(3, 1)}, 12) + " next");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(xPdbUtil::SkipSurfaces(in.get(), 12, part.get()));
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed.find("Nurbs Error"), std::string::npos) << printed;
    EXPECT_EQ(in.NextWord(), "next");
    ASSERT_EQ(part.count(), 1);
    EXPECT_NEAR(MeshArea(*part.set<xTriMesh>(0)), 3.0, 1e-5);
    EXPECT_EQ(xGlobalAssertCount(), 1);
  }
}

TEST_F(Surfaces, NegativeWeightsOfOneSignAreSound) {
  SurfaceRecord s = QuarterCylinder(25, 80);
  for (auto& p : s.points)
    for (double& c : p) c = -c;
  ASSERT_TRUE(Read(Section({s}, 12), 12));
  ASSERT_EQ(m_part.count(), 1);
  const double exact = std::numbers::pi / 2 * 25 * 80;
  EXPECT_NEAR(MeshArea(*mesh(0)), exact, exact * 5e-3);
}

TEST_F(Surfaces, HugeCountsAllocateOnlyWhatTheDataFills) {
  surfacetest::LargestAllocation largest;
  EXPECT_FALSE(Read("1 0 1 0 1 1 1 2000000000 2000000000 0 0 0 0 1 1 0 0 1 1", 11));
  EXPECT_FALSE(Read("2000000000 0 1 0 1 1 1 1 1 0 0 0 0 1 1 0 0 1 1", 12));
  // Two thousand million holes, then the data ends.
  std::string holes = Section({Trimmed(FlatPatch(1, 1), kUnit)}, 11);
  holes.replace(holes.rfind("\n0\n7\n"), 5, "\n2000000000\n");
  EXPECT_FALSE(Read(holes, 11));
  EXPECT_LT(largest.bytes(), 1u << 20);
  EXPECT_EQ(m_part.count(), 0);
}

// The tolerance of each surface.

int Triangles(const std::string& section, int version) {
  Part part;
  Text in(section);
  if (!xPdbUtil::SkipSurfaces(in.get(), version, part.get()) || part.count() != 1) return -1;
  return part.set<xTriMesh>(0)->GetTriangleCount();
}

TEST_F(Surfaces, ToleranceFollowsTheSettingAndTheParameterRange) {
  const std::string cylinder = Section({QuarterCylinder(25, 80)}, 12);
  SurfaceRecord wide = QuarterCylinder(25, 80);
  wide.uEnd = wide.vEnd = 10;  // ten times the tolerance
  int coarse = 0, fine = 0, widened = 0;
  {
    ToleranceSetting setting(4.0);
    coarse = Triangles(cylinder, 12);
  }
  {
    ToleranceSetting setting(0.04);
    fine = Triangles(cylinder, 12);
    widened = Triangles(Section({wide}, 12), 12);
  }
  EXPECT_GT(coarse, 0);
  EXPECT_GT(fine, 3 * coarse);
  EXPECT_GT(fine, 2 * widened);
}

TEST_F(Surfaces, WithoutAUsableToleranceSurfacesStillTessellate) {
  // No setting: a tolerance of 0 would crash GLU on trimmed surfaces.
  ASSERT_TRUE(
      Read(Section({Trimmed(QuarterCylinder(25, 80), kUnit, {Circle(0.5, 0.5, 0.2, 16, true)})}, 12), 12));
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_GT(mesh(0)->GetTriangleCount(), 8);
  // The square root of a negative parameter area.
  ToleranceSetting setting(1.0);
  SurfaceRecord s = QuarterCylinder(25, 80);
  s.uEnd = -1;
  ASSERT_TRUE(Read(Section({s}, 12), 12));
  ASSERT_EQ(m_part.count(), 2);
  EXPECT_GT(mesh(1)->GetTriangleCount(), 8);
}

TEST_F(Surfaces, TinyToleranceIsBoundedByTheSurfaceSize) {
  ToleranceSetting setting(1e-30);
  ASSERT_TRUE(Read(Section({Trimmed(QuarterCylinder(25, 80), kUnit)}, 12), 12));
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_LT(mesh(0)->GetTriangleCount(), 100000);
  const double exact = std::numbers::pi / 2 * 25 * 80;
  // The floor, 1e-4 of the size, loses at most (2/3) t / r of the area to chords.
  EXPECT_NEAR(MeshArea(*mesh(0)), exact, exact * 3e-4);
}

TEST_F(Surfaces, RoughControlNetCannotRunAway) {
  // A cubic net of random points with a very fine tolerance: GLU would make
  // hundreds of millions of triangles.
  ToleranceSetting setting(1e-6);
  SurfaceRecord s;
  const int n = 30;
  s.uDegree = s.vDegree = 3;
  s.uSegments = s.vSegments = n - 3;
  s.uKnots = {0, 0, 0};
  for (int i = 0; i <= n - 3; ++i) s.uKnots.push_back(i);
  s.uKnots.insert(s.uKnots.end(), {double(n - 3), double(n - 3), double(n - 3)});
  s.vKnots = s.uKnots;
  s.uEnd = s.vEnd = n - 3;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> coordinate(-50, 50);
  for (int i = 0; i < n * n; ++i)
    s.points.push_back({1, coordinate(random), coordinate(random), coordinate(random)});
  ASSERT_TRUE(Read(Section({s}, 12), 12));
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_LT(mesh(0)->GetTriangleCount(), 8000000);
}

TEST_F(Surfaces, StretchedSurfaceWithManyHolesCannotRunAway) {
  // One corner weighs next to nothing, so in space it lies a thousand times
  // farther out; sampled by path length, GLU would make tens of millions of
  // triangles of it.
  SurfaceRecord s = Trimmed(FlatPatch(120, 80), kUnit,
                            {Circle(0.2, 0.5, 0.05, 12, true), Circle(0.5, 0.5, 0.05, 12, true),
                             Circle(0.8, 0.5, 0.05, 12, true), Circle(0.875, 0.8, 0.05, 12, true)});
  s.points[3][0] = 1e-3;
  ASSERT_TRUE(Read(Section({s}, 11), 11));
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_GT(mesh(0)->GetTriangleCount(), 8);
  EXPECT_LT(mesh(0)->GetTriangleCount(), 2000000);
}

TEST_F(Surfaces, StronglyRationalTrimmedSurfaceAtTheFinestToleranceStaysInReach) {
  // Found by mutating an example: close to its size limit GLU subdivided this
  // one until the stack overflowed.
  ToleranceSetting setting(1e-30);
  SurfaceRecord s;
  s.uDegree = 2;
  s.uSegments = 3;
  s.uKnots = {0, 0, 0, 0.5, 0.5, 1, 1, 1};
  s.points = {{1, 30, 0, 0},
              {1, 30, 0, 0.707106781},
              {21.2132034, 21.2132034, 0, 0.707106781},
              {21.2132034, 84.8528137, 1, 1.8369702e-15},
              {30, 0, 1, 1.8369702e-15},
              {30, 120, -2, -21.2132034},
              {21.2132034, 0, 0.707106781, -21.2132034},
              {21.2132034, 84.8528137, 1, -30},
              {1e-3, 0, 1, -30},
              {1e-3, 120, 0.01, 0}};
  ASSERT_TRUE(Read(Section({Trimmed(s, {{0, 0}, {1, 0}, {0, 1}})}, 12), 12));
  EXPECT_EQ(m_part.count(), 1);
}

// The trimming-point test.

xTQTable<float> Accepted(std::initializer_list<float> uv) {
  xTQTable<float> table;
  for (float f : uv) table.Append(f);
  return table;
}

TEST(TrimmingPoint, PointIsValidUntilItsEdgeCrossesAnEarlierOne) {
  xTQTable<float> none;
  EXPECT_TRUE(xPdbUtil::isValidOuterPoint(none, 5, 5));
  auto two = Accepted({0, 0, 1, 1});
  EXPECT_TRUE(xPdbUtil::isValidOuterPoint(two, 0, 0));
  auto square = Accepted({0, 0, 1, 0, 1, 1});
  EXPECT_TRUE(xPdbUtil::isValidOuterPoint(square, 0, 1));
  auto bowTie = Accepted({0, 0, 1, 1, 1, 0});
  EXPECT_FALSE(xPdbUtil::isValidOuterPoint(bowTie, 0, 1));
  EXPECT_FALSE(xPdbUtil::isValidInnerPoint(bowTie, 0, 1));
}

TEST(TrimmingPoint, ParallelAndClosingEdgesAreNotLookedAt) {
  auto line = Accepted({0, 0, 1, 0, 2, 0});
  EXPECT_TRUE(xPdbUtil::isValidOuterPoint(line, 0.5f, 0));
  // The edge back from (2, 0.5) to the first point would cross (1, 0)-(1, 1).
  auto corner = Accepted({0, 0, 1, 0, 1, 1});
  EXPECT_TRUE(xPdbUtil::isValidOuterPoint(corner, 2, 0.5f));
}

TEST(TrimmingPoint, TouchingWithinTheMarginCounts) {
  auto loop = Accepted({0, 0, 1, 0, 1, 1});
  EXPECT_FALSE(xPdbUtil::isValidOuterPoint(loop, 0.5f, -0.00005f));  // just across
  EXPECT_FALSE(xPdbUtil::isValidOuterPoint(loop, 0.5f, 0.00005f));   // just short
  EXPECT_TRUE(xPdbUtil::isValidOuterPoint(loop, 0.5f, 0.01f));
}

}  // namespace
