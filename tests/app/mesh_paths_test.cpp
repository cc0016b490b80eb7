#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/binarystl.h"
#include "app/plainobj.h"
#include "app/progressbar.h"
#include "common/apptest.h"
#include "host/xcompactlineset.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"

namespace {

using apptest::Scratch;

bool ReadObj(const Scratch& dir, const std::string& text, ImportedScene& scene) {
  return ReadPlainObj(dir.Write("part.obj", text), scene, [](double) {});
}

TEST(PlainObj, ReadsVerticesAndTrianglesWeldedInFirstUse) {
  const Scratch dir;
  ImportedScene scene;
  // Normals, texture coordinates, an object, smoothing groups, CRLF,
  // negative indices and a vertex repeated at the same position.
  ASSERT_TRUE(ReadObj(dir,
                      "# exported\r\no part\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nv 1 0 0\r\nvn 0 0 1\r\n"
                      "vt 0.5 0.5\r\ns off\r\nf 3/1/1 1//1 2/1\r\nf -1 -2 1\r\n\r\nv 9 9 9\r\n",
                      scene));
  ASSERT_EQ(scene.parts.size(), 1u);
  const ImportedPart& part = scene.parts[0];
  EXPECT_EQ(part.kind, ImportedPart::kTriangles);
  EXPECT_EQ(part.colour, -2);
  EXPECT_THAT(part.points, testing::ElementsAre(0, 1, 0, 0, 0, 0, 1, 0, 0));
  EXPECT_THAT(part.corners, testing::ElementsAre(0, 1, 2, 2, 0, 1)) << "vertex 4 is vertex 2's position";
}

TEST(PlainObj, LeavesEverythingElseToAssimp) {
  const Scratch dir;
  const std::string points = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n";
  for (const std::string& text : std::vector<std::string>{
           points + "usemtl red\nf 1 2 3\n",              // materials
           points + "f 1 2 3 4\n",                        // a polygon
           points + "f 1 2\n",                            // too few corners
           points + "l 1 2\nf 1 2 3\n",                   // lines
           points + "f 1 2 5\n",                          // beyond the vertices
           points + "f 0 1 2\n",                          // OBJ counts from 1
           points + "f 1 2 -5\n",                         // before the first vertex
           "v 0 0 nan\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",      // not a number
           "v 0 0 0 1 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",  // vertex colours
           "v 0 0 1e39\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",     // beyond float
           points + "o a\nf 1 2 3\no b\nf 2 3 4\n",       // two objects
           points + "f 1 2 3 # one\n",                    // a comment after data
           points,                                        // no triangle
       }) {
    ImportedScene scene;
    scene.facesNotFinite = 7;
    EXPECT_FALSE(ReadObj(dir, text, scene)) << text;
    EXPECT_EQ(scene.facesNotFinite, 7) << "left untouched";
  }
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::array<float, 12> Facet(const std::string& stl, std::size_t i) {
  std::array<float, 12> values;
  std::memcpy(values.data(), stl.data() + 84 + 50 * i, sizeof values);
  return values;
}

TEST(BinaryStl, FacetNormalsAreTheTrianglesOwn) {
  xGeometry geometry;
  auto* tri = new xTriMesh;
  for (const auto& [x, y, z] : {std::array{0.f, 0.f, 0.f}, {2.f, 0.f, 0.f}, {0.f, 2.f, 0.f}, {4.f, 0.f, 0.f}})
    tri->AddPoint(xFVector(x, y, z));
  tri->AddTriangle(0, 1, 2);  // counter-clockwise seen from +z
  tri->AddTriangle(0, 2, 1);  // the same, turned over
  tri->AddTriangle(0, 1, 3);  // no area
  tri->AddTriangle(0, 1, 9);  // a corner outside the points: left out
  auto* poly = new xPolyMesh;
  std::vector<xPolyPoint*> p;
  for (const auto& [y, z] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}})
    p.push_back(poly->AddPoint(5, y, z, 0));
  xPolygon* square = poly->NewPolygon();
  for (xPolyPoint* corner : p) square->AddVertex(corner);
  geometry.GetContainer()->AddSet(tri);
  geometry.GetContainer()->AddSet(poly);
  geometry.GetContainer()->AddSet(new xCompactLineSet);
  geometry.GetContainer()->AddSet(new xTriMesh);

  const Scratch dir;
  std::ostringstream quiet;
  ProgressBar bar(quiet, "", false);
  const MeshExport written = ExportBinaryStl(geometry, dir.File("part.stl"), bar);
  ASSERT_EQ(written.code, kExitOk) << written.problem;
  EXPECT_EQ(written.setsWritten, 2);
  EXPECT_EQ(written.leftOut, (std::map<std::string, int>{{"xCompactLineSet", 1}, {"empty xTriMesh", 1}}));
  const std::string stl = Slurp(dir.File("part.stl"));
  ASSERT_EQ(stl.size(), 84u + 5 * 50);
  EXPECT_NE(stl.compare(0, 5, "solid"), 0) << "text STL readers would take it for theirs";
  std::uint32_t count = 0;
  std::memcpy(&count, stl.data() + 80, 4);
  EXPECT_EQ(count, 5u);
  EXPECT_THAT(Facet(stl, 0), testing::ElementsAre(0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 2, 0));
  EXPECT_THAT(Facet(stl, 1), testing::ElementsAre(0, 0, -1, 0, 0, 0, 0, 2, 0, 2, 0, 0));
  EXPECT_THAT(Facet(stl, 2), testing::ElementsAre(0, 0, 0, 0, 0, 0, 2, 0, 0, 4, 0, 0));
  // The square as a fan from its first corner, facing +x.
  EXPECT_THAT(Facet(stl, 3), testing::ElementsAre(1, 0, 0, 5, 0, 0, 5, 1, 0, 5, 1, 1));
  EXPECT_THAT(Facet(stl, 4), testing::ElementsAre(1, 0, 0, 5, 0, 0, 5, 1, 1, 5, 0, 1));

  // Nothing to write is a failure, and no file appears.
  xGeometry lines;
  lines.GetContainer()->AddSet(new xCompactLineSet);
  const MeshExport none = ExportBinaryStl(lines, dir.File("none.stl"), bar);
  EXPECT_EQ(none.code, kExitFailed);
  EXPECT_EQ(none.problem, "cannot write " + dir.File("none.stl") + " as binary STL: no set has a triangle");
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"part.stl"}));
}

}  // namespace
