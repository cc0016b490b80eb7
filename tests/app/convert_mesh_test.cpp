#include <stdlib.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/convert/assimpexport.h"
#include "app/convert/assimpimport.h"
#include "app/convert/meshcolours.h"
#include "app/convert/meshformat.h"
#include "app/defaults.h"
#include "app/files/progressbar.h"
#include "common/appcommands.h"
#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"

namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

using namespace apptest;

std::vector<const xGeoSet*> Sets(const ReadResult& read) {
  std::vector<const xGeoSet*> sets;
  if (!read.geometry) return sets;
  for (int i = 0; i < read.geometry->GetContainer()->GetSetCount(); ++i)
    sets.push_back(read.geometry->GetContainer()->GetSet(i));
  return sets;
}

// Mesh formats identify points by their position: what a round trip keeps is
// the distinct positions that triangles use.
int DistinctCorners(const std::vector<const xGeoSet*>& sets) {
  std::set<std::tuple<float, float, float>> corners;
  for (const xGeoSet* set : sets)
    if (const auto* mesh = dynamic_cast<const xTriMesh*>(set))
      for (int i = 0; i < mesh->GetTriangleCount(); ++i) {
        const auto& t = mesh->GetTriangle(i);
        for (const unsigned c : {t.a, t.b, t.c}) {
          const xFVector& p = mesh->GetPoint(static_cast<int>(c));
          corners.emplace(p.x, p.y, p.z);
        }
      }
  return static_cast<int>(corners.size());
}

// What a mesh format has to keep of sets of one kind and colour.
struct Content {
  int triangles = 0, segments = 0, corners = 0;
  double area = 0.0;
};

std::string Kind(const SetSummary& s) { return s.triangles > 0 || s.type == "xTriMesh" ? "mesh" : "lines"; }
std::string Colour(const SetSummary& s) { return s.material.value_or("none"); }

void ExpectSameContent(const Content& a, const Content& b, const std::string& where) {
  EXPECT_EQ(a.triangles, b.triangles) << where;
  EXPECT_EQ(a.segments, b.segments) << where;
  EXPECT_EQ(a.corners, b.corners) << where;
  EXPECT_NEAR(a.area, b.area, 1e-5 * a.area) << where;
}

// Per kind and colour: formats without materials (PLY) merge every set into
// one mesh, and the import splits it by colour again.
std::map<std::pair<std::string, std::string>, Content> ByColour(const ReadResult& read) {
  std::map<std::pair<std::string, std::string>, std::vector<const xGeoSet*>> sets;
  std::map<std::pair<std::string, std::string>, Content> content;
  for (std::size_t i = 0; i < read.report.sets.size(); ++i) {
    const SetSummary& s = read.report.sets[i];
    const auto key = std::make_pair(Kind(s), Colour(s));
    Content& c = content[key];
    c.triangles += s.triangles;
    c.segments += s.segments;
    c.area += s.area;
    sets[key].push_back(Sets(read)[i]);
  }
  for (auto& [key, c] : content) c.corners = DistinctCorners(sets[key]);
  return content;
}

class ExampleRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(ExampleRoundTrip, KeepsGeometryAndColoursOfEveryExample) {
  const std::string extension = GetParam();
  const bool keepsSets = extension != ".ply";
  const Scratch dir;
  int examples = 0;
  for (const auto& entry : fs::directory_iterator(XPDB_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".pdb") continue;
    ++examples;
    const std::string name = entry.path().stem().string();
    const std::string mesh = dir.File(name + extension), back = dir.File(name + ".pdb");
    const Outcome out = Convert(entry.path().string(), mesh);
    ASSERT_EQ(out.code, 0) << out.err;
    EXPECT_EQ(out.err, "");
    const Outcome in = Convert(mesh, back);
    ASSERT_EQ(in.code, 0) << in.err;

    const ReadResult original = Read(entry.path().string()), copy = Read(back);
    const auto a = ByColour(original), b = ByColour(copy);
    ASSERT_EQ(a.size(), b.size()) << name;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
      ASSERT_EQ(i->first, j->first) << name;
      ExpectSameContent(i->second, j->second, name + " " + i->first.first + " " + i->first.second);
    }
    if (!keepsSets) continue;
    // Set by set, in order; a set's points are the positions its triangles use.
    ASSERT_EQ(original.report.sets.size(), copy.report.sets.size()) << name;
    for (std::size_t i = 0; i < original.report.sets.size(); ++i) {
      const SetSummary &s = original.report.sets[i], &t = copy.report.sets[i];
      const std::string where = name + " set " + std::to_string(i);
      EXPECT_EQ(Kind(s), Kind(t)) << where;
      EXPECT_EQ(Colour(s), Colour(t)) << where;
      ExpectSameContent({s.triangles, s.segments, DistinctCorners({Sets(original)[i]}), s.area},
                        {t.triangles, t.segments, t.points * (Kind(t) == "mesh"), t.area}, where);
    }
  }
  EXPECT_GE(examples, 10);
}

INSTANTIATE_TEST_SUITE_P(MeshFormats, ExampleRoundTrip, testing::Values(".obj", ".ply", ".glb"),
                         [](const auto& p) { return p.param.substr(1); });

// Little-endian binary STL; each triangle is its three corners.
std::string BinaryStl(const std::vector<std::array<float, 9>>& triangles) {
  std::string bytes(80, '\0');
  const auto put = [&bytes](const void* data, std::size_t n) {
    bytes.append(static_cast<const char*>(data), n);
  };
  const auto count = static_cast<std::uint32_t>(triangles.size());
  put(&count, 4);
  for (const auto& t : triangles) {
    const float normal[3] = {0, 0, 1};
    put(normal, sizeof normal);
    put(t.data(), sizeof(float) * 9);
    bytes.append(2, '\0');
  }
  return bytes;
}

TEST(MeshImport, ASmallStlBecomesOneJoinedTriangleMesh) {
  const Scratch dir;
  // A unit square in z = 2 and a triangle of area 3 in the plane x = 0.
  const std::string stl = dir.Write(
      "part.stl",
      BinaryStl({{0, 0, 2, 1, 0, 2, 1, 1, 2}, {0, 0, 2, 1, 1, 2, 0, 1, 2}, {0, 0, 0, 0, 2, 0, 0, 0, 3}}));
  const Outcome run = Convert(stl, dir.File("part.pdb"));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, dir.File("part.pdb") + ": 1 of 1 sets written as PDB version 9 (xpdb09)\n");
  const ReadResult read = Read(dir.File("part.pdb"));
  ASSERT_EQ(read.report.sets.size(), 1u);
  const SetSummary& s = read.report.sets[0];
  EXPECT_EQ(s.type, "xTriMesh");
  EXPECT_EQ(s.points, 7);
  EXPECT_EQ(s.triangles, 3);
  EXPECT_DOUBLE_EQ(s.area, 4.0);
  EXPECT_THAT(s.bounds.max, testing::ElementsAre(1, 2, 3));
  EXPECT_FALSE(s.material.has_value()) << "an STL file has no colours";

  // Versions after 9 hold polygon meshes only; the import makes those for them.
  ASSERT_EQ(Convert(stl, dir.File("part11.pdb"), 11).code, 0);
  const ReadResult eleven = Read(dir.File("part11.pdb"));
  ASSERT_EQ(eleven.report.sets.size(), 1u);
  EXPECT_EQ(eleven.report.sets[0].triangles, 3);
  EXPECT_DOUBLE_EQ(eleven.report.sets[0].area, 4.0);
}

TEST(MeshImport, MaterialNamesGoBeforeTheirColours) {
  const Scratch dir;
  dir.Write("part.mtl",
            "newmtl lime\nKd 1 1 1\n"          // the name in any case decides
            "newmtl steel\nKd 0.3 0.3 0.3\n"   // no colour's name: the closest colour, BLACK
            "newmtl PDB_DEFAULT\nKd 0 1 1\n"   // written for sets without a colour
            "newmtl id7_ORANGE\nKd 1 0 0\n");  // as Assimp's 3MF importer names them
  const std::string obj =
      dir.Write("part.obj",
                "mtllib part.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\n"
                "g a\nusemtl lime\nf 1 2 3\ng b\nusemtl steel\nf 1 2 3\n"
                "g c\nusemtl PDB_DEFAULT\nf 1 2 3\ng d\nusemtl id7_ORANGE\nf 1 2 3\nl 3 4\n");
  const Outcome run = Convert(obj, dir.File("part.pdb"));
  ASSERT_EQ(run.code, 0) << run.err;
  const ReadResult read = Read(dir.File("part.pdb"));
  std::vector<std::string> colours;
  for (const SetSummary& s : read.report.sets) colours.push_back(s.type + " " + Colour(s));
  EXPECT_THAT(colours, testing::ElementsAre("xTriMesh LIME", "xTriMesh BLACK", "xTriMesh none",
                                            "xTriMesh ORANGE", "xCompactLineSet ORANGE"));
}

TEST(MeshImport, FacesWithACornerAtInfinityAreSkippedSoTheOutputReadsBack) {
  const Scratch dir;
  const std::string obj = dir.Write("part.obj",
                                    "v 0 0 0\nv 1 0 0\nv 0 1e400 0\nv 0 0 1\nv 0 1 0\n"
                                    "f 1 2 3\nf 1 2 4\nf 1 2 5\nl 3 4\nl 4 5\n");
  const Outcome run = Convert(obj, dir.File("part.pdb"));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_THAT(run.err, testing::HasSubstr("2 faces with a corner at infinity or not a number skipped"));
  const ReadResult read = Read(dir.File("part.pdb"));
  int triangles = 0, segments = 0;
  for (const SetSummary& s : read.report.sets) {
    triangles += s.triangles;
    segments += s.segments;
  }
  EXPECT_EQ(triangles, 2);
  EXPECT_EQ(segments, 1);
}

TEST(MeshImport, VertexColoursSplitAMeshByColourAndPointsStayOutOfPdb) {
  const Scratch dir;
  // Two red triangles, a blue one, a green segment and a single point.
  const std::string ply = dir.Write("part.ply",
                                    "ply\nformat ascii 1.0\nelement vertex 6\n"
                                    "property float x\nproperty float y\nproperty float z\n"
                                    "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                                    "element face 5\nproperty list uchar int vertex_indices\nend_header\n"
                                    "0 0 0 255 0 0\n1 0 0 255 0 0\n0 1 0 255 0 0\n1 1 0 0 0 255\n"
                                    "4 4 4 0 255 0\n5 5 5 0 255 0\n"
                                    "3 0 1 2\n3 1 2 0\n3 3 2 1\n2 4 5\n1 5\n");
  const Outcome run = Convert(ply, dir.File("part.pdb"));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_THAT(run.err, HasSubstr("cannot hold 1 points of " + ply));
  const ReadResult read = Read(dir.File("part.pdb"));
  std::map<std::string, int> triangles, segments;
  for (const SetSummary& s : read.report.sets) {
    triangles[Colour(s)] += s.triangles;
    segments[Colour(s)] += s.segments;
  }
  EXPECT_EQ(triangles, (std::map<std::string, int>{{"BLUE", 1}, {"GREEN", 0}, {"RED", 2}}));
  EXPECT_EQ(segments["GREEN"], 1);

  // A mesh format keeps the point.
  ASSERT_EQ(Convert(ply, dir.File("copy.obj")).code, 0);
  std::ifstream obj(dir.File("copy.obj"));
  std::string line;
  int pointLines = 0;
  while (std::getline(obj, line)) pointLines += line.rfind("p ", 0) == 0;
  EXPECT_EQ(pointLines, 1);
}

// A node's transform places its mesh: the triangle is moved by 10 along x.
// glTF is Y-up in metres, the PDB side Z-up in millimetres.
TEST(MeshImport, NodeTransformsPlaceTheMeshes) {
  const Scratch dir;
  const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const auto* raw = reinterpret_cast<const unsigned char*>(corners);
  static_assert(sizeof corners % 3 == 0, "base64 without padding");
  static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string base64;
  for (std::size_t i = 0; i < sizeof corners; i += 3) {
    const unsigned v = raw[i] << 16 | raw[i + 1] << 8 | raw[i + 2];
    for (const int shift : {18, 12, 6, 0}) base64 += kDigits[(v >> shift) & 63];
  }
  const std::string gltf = dir.Write("part.gltf", R"({"asset": {"version": "2.0"}, "scene": 0,
      "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0, "translation": [10, 0, 0]}],
      "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
      "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                     "min": [0, 0, 0], "max": [1, 1, 0]}],
      "bufferViews": [{"buffer": 0, "byteLength": 36}],
      "buffers": [{"byteLength": 36, "uri": "data:application/octet-stream;base64,)" +
                                                      base64 + R"("}]})");
  const Outcome run = Convert(gltf, dir.File("part.pdb"));
  ASSERT_EQ(run.code, 0) << run.err;
  const ReadResult read = Read(dir.File("part.pdb"));
  ASSERT_EQ(read.report.sets.size(), 1u);
  EXPECT_THAT(read.report.sets[0].bounds.min, testing::ElementsAre(10000, 0, 0));
  EXPECT_THAT(read.report.sets[0].bounds.max, testing::ElementsAre(11000, 0, 1000));
}

TEST(MeshExport, FormatsWithoutLinesLeaveThemOutAndSaySo) {
  const Scratch dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb";
  const Outcome run = Convert(part, dir.File("part.STL"));
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err,
            "xpdb: warning: binary STL cannot hold 2 xCompactLineSet (#1 BLACK, #3 GREY); left out of " +
                dir.File("part.STL") + "\n");
  EXPECT_EQ(run.out, dir.File("part.STL") + ": 3 of 5 sets written as binary STL\n");
  ASSERT_EQ(Convert(dir.File("part.STL"), dir.File("back.pdb")).code, 0);
  const ReadResult read = Read(dir.File("back.pdb"));
  ASSERT_EQ(read.report.sets.size(), 1u);
  EXPECT_EQ(read.report.sets[0].triangles, 60);

  // Text glTF puts its buffer beside it, and says so.
  const Outcome gltf = Convert(part, dir.File("part.gltf"));
  ASSERT_EQ(gltf.code, 0) << gltf.err;
  EXPECT_THAT(gltf.out, HasSubstr("(with " + dir.File("part.bin") + ")"));
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"back.pdb", "part.STL", "part.bin", "part.gltf"}));
}

// Sets that no PDB reader makes: polygons go out as fans, a line set's lines
// as segments between neighbouring points.
TEST(MeshExport, PolygonMeshesAndLineSetsGoOutAsTrianglesAndSegments) {
  MeshColours colours;
  std::string error;
  ASSERT_TRUE(colours.Resolve(LoadedPackage(), error)) << error;
  xGeometry geometry;
  auto* poly = new xPolyMesh;
  std::vector<xPolyPoint*> p;
  for (const auto& [x, y] : {std::pair{0, 0}, {2, 0}, {2, 1}, {1, 2}, {0, 1}})
    p.push_back(poly->AddPoint(x, y, 0, 0));
  xPolygon* pentagon = poly->NewPolygon();
  for (xPolyPoint* corner : p) pentagon->AddVertex(corner);
  poly->NewPolygon();
  poly->NewPolygon()->AddVertex(p[0]);
  poly->SetMaterial(xMatReader::FindMaterial("TAN", false));
  auto* lines = new xLineSet;
  for (const double x : {0.0, 1.0, 3.0}) lines->NewLine()->AddPoint(xVector(x, 5, 5));
  xLine* line = lines->NewLine();
  for (const double x : {0.0, 1.0, 3.0}) line->AddPoint(xVector(x, 5, 5));
  geometry.GetContainer()->AddSet(poly);
  geometry.GetContainer()->AddSet(lines);
  geometry.GetContainer()->AddSet(new xFrameSet);

  const Scratch dir;
  std::ostringstream quiet;
  ProgressBar bar(quiet, "", false);
  const MeshExport written =
      ExportMesh(geometry, *MeshFormatFor("part.glb"), dir.File("part.glb"), colours, Frame{}, bar);
  ASSERT_TRUE(written.ok) << written.problem;
  EXPECT_EQ(written.setsWritten, 2);
  EXPECT_EQ(written.leftOut, (std::map<std::string, int>{{"xFrameSet", 1}}));

  const MeshImport read = ImportMesh(dir.File("part.glb"), colours, {}, bar);
  ASSERT_EQ(read.failure, MeshImport::Failure::kNone) << read.problem;
  const std::vector<SetSummary> sets = SummariseSets(*read.geometry);
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0].triangles, 3);
  EXPECT_DOUBLE_EQ(sets[0].area, 3.0);
  EXPECT_EQ(sets[0].material, "TAN");
  EXPECT_EQ(sets[1].segments, 2);
  EXPECT_EQ(sets[1].material, std::nullopt);
}

TEST(ConvertCommand, UnknownOutputsAndUnreadableInputsWriteNothing) {
  const Scratch dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb";
  const std::string text = dir.Write("notes.txt", "hello world\n"),
                    broken = dir.Write("broken.stl", std::string(100, '\1'));
  const std::vector<std::tuple<std::string, std::string, int, std::string>> cases = {
      {part, dir.File("out.xyz"), 2, ".pdb, .obj, .stl, .ply, .glb, .gltf"},
      {dir.File("missing.stl"), dir.File("out.pdb"), 2, dir.File("missing.stl") + ": No such file"},
      {text, dir.File("out.pdb"), 2, "notes.txt: neither a PDB file that a module accepts nor a mesh file"},
      {broken, dir.File("out.obj"), 1, "broken.stl: cannot be imported: "},
      {part, dir.File("no/such/out.obj"), 1, "no/such"},
  };
  for (const auto& [in, out, code, message] : cases) {
    const Outcome run = Convert(in, out);
    EXPECT_EQ(run.code, code) << message;
    EXPECT_THAT(run.err, HasSubstr(message));
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"broken.stl", "notes.txt"}));
}

TEST(ProgressBar, DrawsOnlyWhenEnabledAndOnlyChanges) {
  std::ostringstream quiet;
  {
    ProgressBar bar(quiet, "x", false, std::chrono::milliseconds(0));
    bar.Update(0.5);
    bar.Done();
  }
  EXPECT_EQ(quiet.str(), "");

  std::ostringstream late;
  {
    ProgressBar bar(late, "x", true, std::chrono::hours(1));
    bar.Update(0.5);
  }
  EXPECT_EQ(late.str(), "") << "a quick job draws nothing";

  std::ostringstream shown;
  {
    ProgressBar bar(shown, "reading", true, std::chrono::milliseconds(0));
    bar.Update(0.101);
    bar.Update(0.105);
    bar.Update(std::nan(""));
    bar.Update(2.0);
    bar.Done();
  }
  EXPECT_EQ(shown.str(),
            "\rreading [###...........................]  10%"
            "\rreading [..............................]   0%"
            "\rreading [##############################] 100%\n");
}

}  // namespace
