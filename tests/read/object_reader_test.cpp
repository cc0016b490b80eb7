#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#define PARTTEST_REPLACE_ALLOCATION
#include "common/allocation.h"
#include "common/parttest.h"
#include "host/xcompactlineset.h"
#include "host/xtrimesh.h"
#include "pdb/read/edgereference.h"

namespace {

using namespace parttest;

const std::string kSquare = "4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n", kTriangle = "3\n0 0 0\n1 0 0\n0 1 0\n";
const std::string kTriangleEdges = kTriangle + "0\n3\n0 1\n1 2\n2 0\n";

// The triangles of a mesh as "a b c" groups, "-" without a mesh.
std::string Triangles(const xTriMesh* mesh) {
  std::string text = mesh ? "" : "-";
  for (int i = 0; mesh && i < mesh->GetTriangleCount(); ++i) {
    const auto& t = mesh->GetTriangle(i);
    text += (i ? "," : "") + std::to_string(t.a) + std::to_string(t.b) + std::to_string(t.c);
  }
  return text;
}

TEST(ObjectReader, ReadsTheRecordOfItsVersionAndFailsOnCountsOutOfRange) {
  const struct {
    int version, fileVersion;
    std::string record;
    int status;
    std::string triangles;  // of the mesh; "-": no mesh
    int linePoints;         // of the line set; -1: no line set
    std::string next;       // the word after the record
    int asserts = 0;
  } cases[] = {
      {9, 9, "7\n" + kSquare + "0\n1\n4 0 1 2 3\n0\nNEXT", 0, "012,023", -1, "NEXT"},
      {9, 9, "7\n" + kTriangle + "0\n1\n2 0 1\n0\n", 0, "-", -1, ""},  // no triangle, no mesh
      {10, 10, "7\n0\n0\n0\n0\n", 0, "-", -1, ""},
      {9, 9, "8\n" + kSquare + "2\n0 1\n2 3\n0\n0\n", 0, "-", 4, ""},
      {9, 9, "9\n" + kSquare + "1\n0 2\n1\n3 0 1 2\n0\n", 0, "012", 2, ""},
      // Segments and corners that point outside the points are dropped.
      {9, 9, "7\n" + kSquare + "3\n0 1\n1 4\n-1 -1\n0\n0\n", 0, "-", 2, "", 2},
      {9, 9, "7\n0\n2\n0 1\n1 0\n1\n3 0 1 2\n0\n", 0, "-", 0, "", 2},
      {9, 9, "7\n" + kTriangle + "0\n2\n4 0 1 3 2\n4 -1 0 1 2\n0\n", 0, "012,012", -1, ""},
      {9, 9, "7\n" + kTriangle + "0\n1\n4 0 1 1 2\n0\n", 0, "011,012", -1, ""},
      // Versions 12 and 14: two lines after the colour, rings of signed edge references.
      {12, 12, "7 rest\nline\n" + kTriangleEdges + "3\n3 1 2 3\n3 -1 -2 -3\n5 1 0 2 4 3\n0\n0\nNEXT", 0,
       "012,120,012", -1, "NEXT"},
      {14, 14, "7\nname\n" + kTriangleEdges + "1\n3 1 2 3\n0\n0\n42 NEXT", 0, "012", -1, "NEXT"},
      {12, 12, "7\nname\n" + kTriangleEdges + "1\n3 1 2 3\n0\n0\n42 NEXT", 0, "012", -1, "42"},
      {11, 11, "7\n" + kTriangle + "0\n1\n3 0 1 2\n0\n0\nNEXT", 0, "012", -1, "NEXT"},
      {9, 9, "7\n" + kTriangle + "0\n1\n3 0 1 2\n0\n0\nNEXT", 0, "012", -1, "0"},
      // Version 10: two lines after a negative point count, and after a
      // negative vertex count two more when the header said 1010.
      {10, 10, "7\n-1 words\nline 1 2\n" + kTriangle + "0\n1\n3 0 1 2\n0\nNEXT", 0, "012", -1, "NEXT"},
      {10, 10, "7\n" + kSquare + "0\n2\n-3 0 1 2 rest\nline\n3 0 2 3\n0\nNEXT", 0, "012,023", -1, "NEXT"},
      {10, 1010, "7\n" + kSquare + "0\n2\n-3 0 1 2 rest\nline\nmore\nmore\n3 0 2 3\n0\nNEXT", 0, "012,023",
       -1, "NEXT"},
      {9, 9, "7\n10000000\n", -1008, "-", -1, ""},
      {9, 9, "7\n-1\n", -1008, "-", -1, ""},
      {9, 9, "7\n0\n-1\n", -1009, "-", -1, ""},
      {9, 9, "7\n0\n0\n10000000\n", -1010, "-", -1, ""},
      {9, 9, "7\n0\n0\n1\n10000000\n", -1011, "-", -1, ""},
      {9, 9, "7\n0\n0\n1\n-3 0 1 2\nx\n", -1011, "-", -1, "0"},  // signed only in version 10
      {12, 12, "7\nx\n0\n0\n0\n1\n-3 1 2 3\n", -1011, "-", -1, "1"},
      {10, 10, "7\n0\n0\n1\n-10000000\n", -1011, "-", -1, ""},
      {10, 10, "7\n0\n0\n1\n-2147483648\n", -1011, "-", -1, ""},
      {12, 12, "7\nx\n0\n0\n-1\n1\n3 1 2 3\n", -1012, "-", -1, "1"},
      {14, 14, "7\nx\n0\n0\n10000000\n", -1012, "-", -1, ""},
      {9, 9, "7\n" + kSquare + "1\n0 1\n10000000\n", -1010, "-", 2, ""},  // the complete line set stays
      // Blocks that fail discard the mesh; points and lines that run out end in the text block.
      {9, 9, "7\n" + kSquare + "0\n1\n4 0 1 2 3\n100001\n", -1005, "-", -1, ""},
      {11, 11, "7\n" + kSquare + "0\n1\n4 0 1 2 3\n0\n-1\n", -1006, "-", -1, ""},
      {9, 9, "7\n" + kSquare + "0\n1\n4 0 1 2 3\n1\nonly one line\n", -1005, "-", -1, ""},
      {9, 9, "7\n9999999\n0 0 0\n", -1005, "-", -1, ""},
      {9, 9, "7\n" + kTriangle + "2000000\n0 1\n", -1005, "-", 2, ""},
      // A file may end right after its last number.
      {9, 9, "7\n" + kTriangle + "0\n1\n3 0 1 2\n0", 0, "012", -1, ""},
      {11, 11, "7\n" + kTriangle + "0\n1\n3 0 1 2\n0\n0", 0, "012", -1, ""},
      {11, 11, "7\n" + kTriangle + "0\n1\n3 0 1 2\n0", -1006, "-", -1, ""}};
  for (const auto& c : cases) {
    Part part;
    Text in(c.record);
    int status = 99;
    xGeoSet* result = xPdbUtil::ReadObject(in.get(), part.get(), c.version, c.fileVersion, status);
    EXPECT_EQ(status, c.status) << c.record;
    EXPECT_EQ(result, part.set<xGeoSet>(part.count() - 1)) << c.record;
    EXPECT_EQ(Triangles(part.set<xTriMesh>(part.count() - 1)), c.triangles) << c.record;
    auto* lines = part.set<xCompactLineSet>(0);
    EXPECT_EQ(lines ? lines->GetPointCount() : -1, c.linePoints) << c.record;
    EXPECT_EQ(c.next.empty() ? c.next : in.NextWord(), c.next) << c.record;
    EXPECT_EQ(xGlobalAssertCount(), c.asserts) << c.record;
  }
}

// +e names the first end of edge e, -e its second; references beyond the
// edges, 0 and the extremes of int name none.
TEST(EdgeReference, NamesAnEndOfAnEdgeOrNone) {
  const std::vector<int> ends = {10, 11, 20, 21};
  const std::pair<int, int> cases[] = {{1, 10},  {-1, 11}, {2, 20},       {-2, 21},      {3, -1},
                                       {-3, -1}, {0, -1},  {INT_MIN, -1}, {INT_MAX, -1}, {-INT_MAX, -1}};
  for (const auto& [reference, point] : cases)
    EXPECT_EQ(xpdb::EdgeReferencePoint(ends, reference), point) << reference;
  EXPECT_EQ(xpdb::EdgeReferencePoint({}, 1), -1);
}

TEST(ObjectReader, ColourGivesMaterialAndModeAndANullStreamIsBroken) {
  parttest::AddDenebLibrary();
  // Colour, then the material and the modes of the mesh and of the line set.
  const std::tuple<const char*, const char*, int, int> cases[] = {
      {"7", "RED", 2, 2}, {"-2", "", 1, 0}, {"0", "", 2, 0}};
  for (const auto& [colour, material, meshMode, lineMode] : cases) {
    Part part;
    Text in(colour + ("\n" + kSquare) + "1\n0 1\n1\n4 0 1 2 3\n0\n");
    int status = 0;
    xPdbUtil::ReadObject(in.get(), part.get(), 9, 9, status);
    const xCompactLineSet& lines = *part.set<xCompactLineSet>(0);
    const xTriMesh& mesh = *part.set<xTriMesh>(1);
    EXPECT_EQ(mesh.GetMaterial() ? mesh.GetMaterial()->GetName().c_str() : "", std::string(material))
        << colour;
    EXPECT_EQ(lines.GetMaterial(), mesh.GetMaterial()) << colour;
    EXPECT_EQ(mesh.GetMaterialMode(), meshMode) << colour;
    EXPECT_EQ(lines.GetMaterialMode(), lineMode) << colour;  // without a material, untouched
    EXPECT_FLOAT_EQ(lines.GetPoint(1).x, 1.0f);
    EXPECT_FLOAT_EQ(mesh.GetPoint(2).y, 1.0f);
    EXPECT_EQ(xPdbUtil::ReadObject(nullptr, part.get(), 9, 9, status), nullptr);
    EXPECT_EQ(status, -1);
  }
  xMatReader::ClearLibrary();
}

TEST(ObjectReader, ALargeObjectEndsWithRoomForItsCountsAlone) {
  // A strip of n - 2 triangles, then the same points as a strip of quads.
  const int n = 50000;
  std::string points = std::to_string(n) + "\n";
  for (int i = 0; i < n; ++i) points += std::to_string(i / 2) + " " + std::to_string(i % 2) + " 0\n";
  std::string triangles = "0\n" + std::to_string(n - 2) + "\n",
              quads = "0\n" + std::to_string(n / 2 - 1) + "\n";
  for (int i = 0; i + 2 < n; ++i)
    triangles += "3 " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
  for (int i = 0; i + 3 < n; i += 2)
    quads += "4 " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 3) + " " +
             std::to_string(i + 2) + "\n";
  // Quads announce half their triangles; past the count the room doubles.
  const std::tuple<std::string, int, int> cases[] = {{triangles, n - 2, n - 2}, {quads, n - 2, 2 * (n - 2)}};
  for (const auto& [polygons, expected, room] : cases) {
    Part part;
    Text in("7\n" + points + polygons + "0\n");
    int status = 0;
    const auto* mesh = dynamic_cast<xTriMesh*>(xPdbUtil::ReadObject(in.get(), part.get(), 9, 9, status));
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(mesh->GetTriangleCount(), expected);
    auto& data = *const_cast<xTriMesh*>(mesh)->GetData();
    EXPECT_EQ(data.points.capacity(), static_cast<std::size_t>(n));
    EXPECT_LE(data.triangles.capacity(), static_cast<std::size_t>(room));
  }
}

TEST(TriMeshReader, WholeMeshesBuildAsPointByPointAndCornerByCorner) {
  const float xyz[] = {0, 0, 0, 1, 0, 0.5f, 1, 1, -0.0f, 0, 1, 2};
  // Entries are three times the point number; one triangle names a point
  // that does not exist and is left out.
  const unsigned entries[] = {0, 3, 6, 0, 6, 9, 3, 12, 6, 9, 6, 3};
  xPdbUtil::TriMeshReader single, whole;
  single.Start();
  single.SetPointCount(4);
  for (int i = 0; i < 4; ++i) single.AddPoint(xVector(xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]));
  single.SetPolygonCount(4);
  for (int t = 0; t < 4; ++t) {
    single.BeginPolygon();
    for (int k = 0; k < 3; ++k) single.AddVertex(static_cast<int>(entries[3 * t + k] / 3));
    single.EndPolygon();
  }
  whole.Start();
  whole.SetPointCount(4);
  whole.AddPoints(xyz, 4);
  whole.SetPolygonCount(4);
  whole.AddTriangles(entries, 4, 3);
  const std::unique_ptr<xTriMesh> a(static_cast<xTriMesh*>(single.Finish()));
  const std::unique_ptr<xTriMesh> b(static_cast<xTriMesh*>(whole.Finish()));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(Triangles(b.get()), "012,023,321");
  EXPECT_EQ(Triangles(a.get()), Triangles(b.get()));
  ASSERT_EQ(b->GetPointCount(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(std::memcmp(&a->GetPoint(i), &b->GetPoint(i), sizeof(xFVector)), 0) << i;
    EXPECT_EQ(b->GetPoint(i).z, xyz[3 * i + 2]);
  }
  xPdbUtil::TriMeshReader empty;
  empty.Start();
  empty.AddPoints(xyz, 4);
  empty.AddTriangles(entries + 6, 1, 3);  // only the one with a missing point
  EXPECT_EQ(empty.Finish(), nullptr);
}

TEST(ObjectReader, CountsOnShortInputReserveLittle) {
  // Edges, then points, that run out long before their counts.
  const std::pair<int, std::string> cases[] = {{14, "7\nx\n\n" + kTriangle + "0\n9999999\n0 1\n1 2\n"},
                                               {9, "7\n9999999\n0 0 0\n"}};
  for (const auto& [version, file] : cases) {
    Part part;
    Text in(file);
    int status = 0;
    parttest::LargestAllocation largest;
    xPdbUtil::ReadObject(in.get(), part.get(), version, version, status);
    EXPECT_EQ(status, -1005) << file;
    EXPECT_LT(largest.bytes(), 1u << 20) << file;  // never the 80 or 120 MB the counts announce
  }
}

}  // namespace
