// How many triangles a read of surfaces may make: bounded by the surface
// records read, whatever the tolerance, and never at the cost of a surface.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>

#include "app/defaults.h"
#include "common/parttest.h"
#include "host/xenvironment.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb11.h"

namespace {

using namespace parttest;

const char* const kTolerance = "Render.NURBS.Tolerance";

// A bicubic surface over an n x n net of random points, with knots 0..n-3.
std::string RoughSurface(std::mt19937& random, int n, bool shortNumbers, int colour) {
  std::ostringstream out;
  out << "0 " << n - 3 << " 0 " << n - 3 << "\n3 3 " << n - 3 << " " << n - 3 << "\n0 0\n";
  for (int direction = 0; direction < 2; ++direction) {
    out << "0 0 0";
    for (int k = 0; k <= n - 3; ++k) out << " " << k;
    out << " " << n - 3 << " " << n - 3 << " " << n - 3 << "\n";
  }
  std::uniform_real_distribution<double> coordinate(-50, 50);
  std::uniform_int_distribution<int> digit(0, 9);
  out.setf(std::ios::fixed);
  out.precision(7);
  for (int i = 0; i < n * n; ++i) {
    if (shortNumbers)
      out << "1 " << digit(random) << " " << digit(random) << " " << digit(random) << "\n";
    else
      out << "1 " << coordinate(random) << " " << coordinate(random) << " " << coordinate(random) << "\n";
  }
  out << "0\n0\n" << colour << "\n";
  return out.str();
}

// A version-11 part of the given surface records.
std::string Part11(int count, const std::string& records) {
  return "11\n0\n0\n" + std::to_string(count) + "\n" + records + "0\n";
}

// A 40 x 40 bicubic patch with a bulge, chamfered and with a round hole,
// as a modelling program draws a small face.
std::string SmallFace(int seed) {
  std::ostringstream out;
  out.precision(9);
  out << "0 1 0 1\n3 3 2 2\n0 0\n0 0 0 0 0.5 1 1 1 1\n0 0 0 0 0.5 1 1 1 1\n";
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) {
      const double u = i / 4.0, v = j / 4.0;
      const double z = (1 + seed % 4) * std::sin(std::numbers::pi * u) * std::sin(std::numbers::pi * v);
      out << "1 " << 50.0 * (seed % 40) + 40 * u << " " << 50.0 * (seed / 40) + 40 * v << " " << z << "\n";
    }
  out << "0.01\n8\n0.1 0\n0.9 0\n1 0.1\n1 0.9\n0.9 1\n0.1 1\n0 0.9\n0 0.1\n1\n16\n";
  for (int k = 0; k < 16; ++k) {
    const double a = -2 * std::numbers::pi * k / 16;
    out << 0.5 + 0.2 * std::cos(a) << " " << 0.5 + 0.2 * std::sin(a) << "\n";
  }
  out << 4 + seed % 32 << "\n";
  return out.str();
}

struct Outcome {
  bool ok = false;
  int meshes = 0;
  int smallestMesh = 0;  // triangles
  long long triangles = 0;
};

// Reads a version-11 part with the setting (none when negative).
Outcome Read(const std::string& text, double setting) {
  if (setting >= 0) xEnvironment::GetGlobal()->SetDouble(kTolerance, setting);
  Part part;
  Text in(text);
  Outcome outcome;
  outcome.ok = xPdb11().Read(in.get(), part.get()) == 0;
  xEnvironment::GetGlobal()->Remove(kTolerance);
  outcome.smallestMesh = part.count() > 0 ? 1 << 30 : 0;
  for (int i = 0; i < part.count(); ++i) {
    const auto* mesh = part.set<xTriMesh>(i);
    if (!mesh) continue;
    ++outcome.meshes;
    outcome.triangles += mesh->GetTriangleCount();
    outcome.smallestMesh = std::min(outcome.smallestMesh, mesh->GetTriangleCount());
  }
  return outcome;
}

// A process that reads surfaces holds some 70 MiB of drivers and libraries
// and about 24 bytes a triangle; 1.5 million triangles, 36 MiB of meshes,
// keep a read of 1 MiB well within 256 MiB (and, at about two million a
// second, within a second).
constexpr long long kTrianglesOfOneMiB = 1500000;

TEST(SurfaceBudget, AFileOfOneMiBOfRoughSurfacesStaysWithinItsMemory) {
  for (const bool shortNumbers : {false, true}) {
    std::mt19937 random(13);
    std::string records;
    int count = 0;
    const int limit = shortNumbers ? 1 << 20 : 400;
    for (;;) {
      const std::string next = RoughSurface(random, 8, shortNumbers, 4 + count % 32);
      if (shortNumbers ? records.size() + next.size() + 64 > std::size_t(limit) : count == limit) break;
      records += next;
      ++count;
    }
    const std::string text = Part11(count, records);
    ASSERT_LE(text.size(), 1u << 20);
    ASSERT_GE(text.size(), 900000u);
    const Outcome read = Read(text, kDefaultNurbsTolerance);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.meshes, count) << "short numbers: " << shortNumbers;
    EXPECT_LE(read.triangles, kTrianglesOfOneMiB) << "short numbers: " << shortNumbers;
    // Coarser, not a token mesh: each patch of the 5 x 5 keeps a few steps.
    EXPECT_GE(read.smallestMesh, 5 * 5 * 2) << "short numbers: " << shortNumbers;
  }
}

TEST(SurfaceBudget, HugeTolerancesMeanTheCoarsestMesh) {
  std::mt19937 random(3);
  const std::string rough = Part11(1, RoughSurface(random, 8, false, 7));
  const std::string face = Part11(1, SmallFace(3));
  for (const std::string& text : {rough, face}) {
    const Outcome ten = Read(text, 10.0);
    ASSERT_EQ(ten.meshes, 1);
    for (const double huge : {1e300, 3.5e38, 3.4e38, 1e30}) {
      const Outcome coarse = Read(text, huge);
      EXPECT_EQ(coarse.meshes, 1) << huge;
      EXPECT_GT(coarse.triangles, 0) << huge;
      EXPECT_LE(coarse.triangles, ten.triangles) << huge;
    }
    // No setting, a zero or negative one: the fallback, finer than 10.
    EXPECT_GE(Read(text, -1).triangles, ten.triangles);
    EXPECT_GE(Read(text, 0.0).triangles, ten.triangles);
  }
}

TEST(SurfaceBudget, EverySurfaceOfAFileOfManySmallOnesGetsAMesh) {
  std::string records;
  constexpr int kFaces = 2000;
  for (int i = 0; i < kFaces; ++i) records += SmallFace(i);
  const std::string text = Part11(kFaces, records);
  for (const double setting : {kDefaultNurbsTolerance, 1e-9}) {
    const Outcome read = Read(text, setting);
    EXPECT_TRUE(read.ok);
    EXPECT_EQ(read.meshes, kFaces) << setting;
    // Trimmed to a chamfered outline with a hole: more than the two triangles of a bare patch.
    EXPECT_GE(read.smallestMesh, 20) << setting;
    EXPECT_LE(read.triangles, kTrianglesOfOneMiB) << setting;
  }
}

TEST(SurfaceBudget, ARoughSurfaceFirstLeavesTheLaterOnesTheirShare) {
  std::mt19937 random(5);
  std::string records = RoughSurface(random, 30, false, 7);
  constexpr int kFaces = 200;
  for (int i = 0; i < kFaces; ++i) records += SmallFace(i);
  const Outcome read = Read(Part11(kFaces + 1, records), 1e-9);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.meshes, kFaces + 1);
  EXPECT_GE(read.smallestMesh, 20);
  EXPECT_LE(read.triangles, kTrianglesOfOneMiB);
}

// GLU's work on the patches counts whatever the tolerance: a single surface
// of 100 000 bicubic patches took seconds and 270 MiB at its coarsest. It is
// refused and reported; one a sixteenth of its size still reads.
TEST(SurfaceBudget, ASurfaceWhosePatchesAloneExceedTheBudgetIsRefusedAndReported) {
  for (const int n : {80, 320}) {
    std::mt19937 random(9);
    const std::string text = Part11(1, RoughSurface(random, n, true, 7));
    xGlobalAssertReset();
    const Outcome read = Read(text, kDefaultNurbsTolerance);
    EXPECT_TRUE(read.ok) << n;
    EXPECT_EQ(read.meshes, n == 80 ? 1 : 0) << n;
    EXPECT_EQ(xGlobalAssertCount(), n == 80 ? 0 : 1) << n;
  }
}

}  // namespace
