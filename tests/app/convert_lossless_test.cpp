// Conversions that keep what they are given, or fail before touching the
// output: later PDB versions, sets an output cannot hold, points that no
// format can hold.
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/convert/finite.h"
#include "app/defaults.h"
#include "common/appcommands.h"
#include "host/xcompactlineset.h"
#include "host/xlineset.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"

namespace {

using namespace apptest;
using testing::HasSubstr;

// Triangles and their area over the triangle meshes of a read.
struct Surface {
  int triangles = 0;
  double area = 0;
};

Surface SurfaceOf(const ReadResult& read) {
  Surface s;
  for (const SetSummary& set : read.report.sets) {
    s.triangles += set.triangles;
    s.area += set.area;
  }
  return s;
}

std::string Pdb9(int n, const std::string& body) { return "9\n0\n0\n0\n" + std::to_string(n) + "\n" + body; }
const std::string kTriangle = "\n3\n0 0 0\n2 0 0\n0 1.5 2\n0\n1\n3 0 1 2\n0\n";
const std::string kLines = "\n3\n0 0 1\n2 0 1\n0 3 1\n2\n0 1\n1 2\n0\n0\n";

TEST(LaterPdbVersions, KeepTheTriangleMeshesOfEveryExample) {
  const Scratch dir;
  for (const char* example :
       {"gripper_finger_v9.pdb", "fixture_plate_v8.pdb", "weld_gun_bracket_v12.pdb", "pallet_locator_v14.pdb",
        "mounting_plate_surfaces_v11.pdb", "tessellated_cover_surfaces_v14.pdb"}) {
    const std::string in = std::string(XPDB_SOURCE_DIR "/examples/") + example;
    const Surface original = SurfaceOf(Read(in));
    ASSERT_GT(original.triangles, 0) << example;
    for (const int version : {10, 11, 12, 14}) {
      const std::string out = dir.File(std::to_string(version) + ".pdb");
      const Outcome run = Convert(in, out, version);
      ASSERT_EQ(run.code, 0) << example << ' ' << version << ": " << run.err;
      const Surface back = SurfaceOf(Read(out));
      EXPECT_EQ(back.triangles, original.triangles) << example << ' ' << version;
      EXPECT_NEAR(back.area, original.area, 1e-4 * original.area) << example << ' ' << version;
    }
  }
}

TEST(LaterPdbVersions, AFileOutcomeOntoItselfKeepsItsMeshes) {
  const Scratch dir;
  const std::string part = dir.Write("part.pdb", Slurp(XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb"));
  const Surface original = SurfaceOf(Read(part));
  for (const int version : {11, 14, 9}) {
    const Outcome run = Convert(part, part, version);
    ASSERT_EQ(run.code, 0) << run.err;
    const Surface back = SurfaceOf(Read(part));
    EXPECT_EQ(back.triangles, original.triangles) << version;
    EXPECT_NEAR(back.area, original.area, 1e-4 * original.area) << version;
  }
}

TEST(LeftOutSets, AreNamedAndFailTheConversionWhenNothingOrStrictlyAnythingIsLost) {
  const Scratch dir;
  // #0 a red triangle, #1 grey lines.
  const std::string mixed = dir.Write("mixed.pdb", Pdb9(2, "7" + kTriangle + "5" + kLines));
  const std::string out = dir.Write("out.pdb", "previous\n");

  const Outcome warned = Convert(mixed, out, 11);
  ASSERT_EQ(warned.code, 0) << warned.err;
  EXPECT_EQ(
      warned.err,
      "xpdb: warning: PDB version 11 cannot hold 1 xCompactLineSet (#1 GREY); left out of " + out + "\n");
  EXPECT_EQ(warned.out, out + ": 1 of 2 sets written as PDB version 11 (xpdb11)\n");

  dir.Write("out.pdb", "previous\n");
  const Outcome strict = Convert(mixed, out, 11, true);
  EXPECT_EQ(strict.code, 1);
  EXPECT_EQ(strict.err,
            "xpdb: PDB version 11 cannot hold 1 xCompactLineSet (#1 GREY); nothing written (--strict)\n");
  EXPECT_EQ(strict.out, "");
  EXPECT_EQ(Slurp(out), "previous\n");

  // Version 9 holds both: strict or not, nothing to say.
  const Outcome nine = Convert(mixed, out, 9, true);
  EXPECT_EQ(nine.code, 0);
  EXPECT_EQ(nine.err, "");

  const std::string lines = dir.Write("lines.pdb", Pdb9(1, "5" + kLines));
  dir.Write("out.pdb", "previous\n");
  const Outcome nothing = Convert(lines, out, 12);
  EXPECT_EQ(nothing.code, 1);
  EXPECT_EQ(nothing.err, "xpdb: PDB version 12 cannot hold 1 xCompactLineSet (#0 GREY); nothing written\n");
  EXPECT_EQ(Slurp(out), "previous\n");

  const Outcome empty = Convert(dir.Write("empty.pdb", Pdb9(0, "")), out);
  EXPECT_EQ(empty.code, 1);
  EXPECT_EQ(empty.err, "xpdb: " + dir.File("empty.pdb") + " holds no geometry; nothing written\n");
  EXPECT_EQ(Slurp(out), "previous\n");

  // Mesh formats alike: STL holds no lines.
  const std::string stl = dir.Write("out.stl", "previous\n");
  EXPECT_EQ(Convert(mixed, stl, 9, true).code, 1);
  EXPECT_EQ(Convert(lines, stl).code, 1);
  EXPECT_EQ(Slurp(stl), "previous\n");
  const Outcome meshWarned = Convert(mixed, stl);
  EXPECT_EQ(meshWarned.code, 0);
  EXPECT_EQ(meshWarned.err,
            "xpdb: warning: binary STL cannot hold 1 xCompactLineSet (#1 GREY); left out of " + stl + "\n");
}

TEST(LeftOutSets, AMillionAreCountedNotListed) {
  const Scratch dir;
  std::string body = "7" + kTriangle;
  for (int i = 0; i < 20; ++i) body += "5" + kLines;
  const Outcome run = Convert(dir.Write("many.pdb", Pdb9(21, body)), dir.File("out.pdb"), 10);
  ASSERT_EQ(run.code, 0);
  EXPECT_THAT(run.err, HasSubstr("cannot hold 20 xCompactLineSet (#1 GREY, #2 GREY, "));
  EXPECT_THAT(run.err, HasSubstr("#8 GREY and 12 more); left out of"));
}

// The importer leaves points out of PDB files; strict makes that fail too.
TEST(LeftOutSets, StrictAlsoCoversWhatTheImportLeavesOut) {
  const Scratch dir;
  const std::string obj = dir.Write("part.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\np 2\n");
  const std::string out = dir.File("part.pdb");
  EXPECT_EQ(Convert(obj, out).code, 0);
  const Outcome strict = Convert(obj, dir.File("strict.pdb"), 9, true);
  EXPECT_EQ(strict.code, 1);
  EXPECT_EQ(strict.err,
            "xpdb: PDB version 9 cannot hold 1 points of " + obj + "; nothing written (--strict)\n");
  EXPECT_FALSE(std::ifstream(dir.File("strict.pdb")).good());
}

// A glTF triangle placed by a node whose scale takes a corner beyond float.
std::string FarGltf(float scale) {
  const float corners[9] = {0, 0, 0, 1e20f, 0, 0, 0, 1, 0};
  const auto* raw = reinterpret_cast<const unsigned char*>(corners);
  static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string base64;
  for (std::size_t i = 0; i < sizeof corners; i += 3) {
    const unsigned v = raw[i] << 16 | raw[i + 1] << 8 | raw[i + 2];
    for (const int shift : {18, 12, 6, 0}) base64 += kDigits[(v >> shift) & 63];
  }
  return R"({"asset": {"version": "2.0"}, "scene": 0,
      "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0, "scale": [)" +
         std::to_string(scale) + R"(, 1, 1]}],
      "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                     "min": [0, 0, 0], "max": [1e20, 1, 0]}],
      "bufferViews": [{"buffer": 0, "byteLength": 36}],
      "buffers": [{"byteLength": 36, "uri": "data:application/octet-stream;base64,)" +
         base64 + R"("}]})";
}

TEST(PointsBeyondFloat, AreRefusedBeforeAnyFormatIsWritten) {
  const Scratch dir;
  const std::string far = dir.Write("far.gltf", FarGltf(1e20f));
  for (const char* name : {"out.pdb", "out.ply", "out.glb", "out.obj", "out.stl"}) {
    const std::string out = dir.Write(name, "previous\n");
    for (const int version : {9, 11}) {
      const Outcome run = Convert(far, out, version);
      EXPECT_EQ(run.code, 1) << name;
      EXPECT_THAT(run.err,
                  HasSubstr(far + ": set #0 has a point at infinity, not a number or beyond the range "
                                  "of float (point 1 is at (inf, 0, 0)); nothing written"));
      EXPECT_EQ(Slurp(out), "previous\n") << name;
    }
  }
  // The same triangle within range goes through.
  const Outcome near = Convert(dir.Write("near.gltf", FarGltf(1e10f)), dir.File("near.pdb"));
  EXPECT_EQ(near.code, 0) << near.err;
}

TEST(PointsBeyondFloat, AreFoundInEveryKindOfSet) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  xTriMesh tri;
  tri.AddPoint(3.4e38f, -3.4e38f, 0);
  EXPECT_FALSE(FindPointBeyondFloat(tri));
  tri.AddPoint(0, static_cast<float>(nan), 0);
  const auto inTri = FindPointBeyondFloat(tri);
  ASSERT_TRUE(inTri);
  EXPECT_EQ(inTri->index, 1);

  // Doubles of polygon meshes and line sets beyond float, though finite.
  xPolyMesh poly;
  poly.AddPoint(std::numeric_limits<float>::max(), 0, 0, 0);
  EXPECT_FALSE(FindPointBeyondFloat(poly));
  poly.AddPoint(0, 0, -1e39, 1);
  EXPECT_TRUE(FindPointBeyondFloat(poly));
  xLineSet lines;
  lines.NewLine()->AddPoint(xVector(0, 1e300, 0));
  EXPECT_TRUE(FindPointBeyondFloat(lines));

  xCompactLineSet compact;
  compact.AddLinePoints(0, 0, 0, static_cast<float>(-inf), 0, 0);
  EXPECT_EQ(FindPointBeyondFloat(compact)->index, 1);
  xPointSet points;
  points.AddPoint(xFVector(0, 0, static_cast<float>(inf)));
  EXPECT_TRUE(FindPointBeyondFloat(points));
}

// Through the program itself, with the option on its command line.
TEST(ConvertCommand, StrictIsAnOptionOfConvert) {
  const Scratch dir;
  const std::string in = dir.Write("mixed.pdb", Pdb9(2, "7" + kTriangle + "5" + kLines));
  const std::string out = dir.Write("out.pdb", "previous\n");
  const std::string command = "'" XPDB_BINARY_DIR "/bin/xpdb' convert '" + in + "' '" + out +
                              "' --pdb-version 10 --strict >/dev/null 2>&1";
  const int status = system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(Slurp(out), "previous\n");
}

}  // namespace
