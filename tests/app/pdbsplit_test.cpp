// Cutting sets that PDB files cannot hold in one object, with a small limit
// in place of the readers' own; every file is written and read back through
// the package.
#include <array>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "app/convert/pdbsplit.h"
#include "app/read/hostread.h"
#include "common/apptest.h"
#include "host/xcompactlineset.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpolymesh.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"

namespace {

using apptest::LoadedPackage;
using apptest::Scratch;

constexpr int kLimit = 5;

using Corner = std::tuple<float, float, float>;
using Triangle = std::array<Corner, 3>;
using Segment = std::array<Corner, 2>;

// An n by 1 strip of unit squares, two triangles each, plus one point that
// no triangle uses.
std::unique_ptr<xTriMesh> Strip(int n) {
  auto mesh = std::make_unique<xTriMesh>();
  for (int i = 0; i <= n; ++i) {
    mesh->AddPoint(i, 0, 0);
    mesh->AddPoint(i, 1, 0);
  }
  for (unsigned i = 0; i < static_cast<unsigned>(n); ++i) {
    mesh->AddTriangle(2 * i, 2 * i + 2, 2 * i + 3);
    mesh->AddTriangle(2 * i, 2 * i + 3, 2 * i + 1);
  }
  mesh->AddPoint(-7, -7, -7);
  return mesh;
}

// The host's material of Deneb colour 7, installed with the package.
xMaterial* Red() {
  LoadedPackage();
  return xMatReader::FindMaterial("RED", false);
}

std::multiset<Triangle> TrianglesOf(const xTriMesh& mesh) {
  std::multiset<Triangle> result;
  for (int i = 0; i < mesh.GetTriangleCount(); ++i) {
    const auto& t = mesh.GetTriangle(i);
    Triangle corners;
    int k = 0;
    for (const unsigned c : {t.a, t.b, t.c}) {
      const xFVector& p = mesh.GetPoint(static_cast<int>(c));
      corners[static_cast<std::size_t>(k++)] = {p.x, p.y, p.z};
    }
    result.insert(corners);
  }
  return result;
}

// Writes through the package's writer of `version` and reads the file back.
ReadResult WriteAndRead(const Scratch& dir, xGeometry& geometry, int version) {
  const std::string path = dir.File("part" + std::to_string(version) + ".pdb");
  {
    std::filebuf file;
    file.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
    xStream stream(&file);
    const PackageModule* writer = LoadedPackage().ModuleForVersion(version);
    EXPECT_EQ(writer->write(&stream, &geometry), 0);
  }
  ReadRequest request;
  request.file = path;
  request.tolerance = 0.5;
  ReadResult read = ReadThroughPackage(LoadedPackage(), request);
  EXPECT_TRUE(read.report.ok) << version << ": " << read.report.error;
  return read;
}

xGeoSet* SetOf(const xGeometry& geometry, int i) { return geometry.GetContainer()->GetSet(i); }

TEST(PdbSplit, SetsWithinTheLimitGoToVersion9AsTheyAre) {
  xGeometry geometry;
  geometry.GetContainer()->AddSet(Strip(1).release());
  const PdbGeometry prepared = PrepareForPdb(geometry, 9, kLimit);
  EXPECT_EQ(prepared.geometry, nullptr);
  EXPECT_EQ(prepared.objects, 1);
  EXPECT_EQ(static_cast<xTriMesh*>(SetOf(geometry, 0))->GetPointCount(), 5);
}

TEST(PdbSplit, ALargeTriangleMeshBecomesPiecesWithinTheLimitThatReadBack) {
  const Scratch dir;
  for (const int version : {8, 9, 10, 11, 12, 14}) {
    xGeometry geometry;
    std::unique_ptr<xTriMesh> strip = Strip(6);
    strip->SetMaterial(Red());
    strip->SetMaterialMode(2);
    const std::multiset<Triangle> original = TrianglesOf(*strip);
    geometry.GetContainer()->AddSet(strip.release());

    PdbGeometry prepared = PrepareForPdb(geometry, version, kLimit);
    ASSERT_NE(prepared.geometry, nullptr) << version;
    EXPECT_EQ(prepared.split, 1);
    const xGeoContainer& pieces = *prepared.geometry->GetContainer();
    EXPECT_EQ(prepared.objects, pieces.GetSetCount());
    int points = 0;
    for (int i = 0; i < pieces.GetSetCount(); ++i) {
      const xGeoSet& piece = *pieces.GetSet(i);
      EXPECT_EQ(piece.GetMaterial(), Red());
      EXPECT_EQ(piece.GetMaterialMode(), 2);
      EXPECT_EQ(piece.GetType(), version > 9 ? xGeoTypePolyMesh : xGeoTypeTriMesh) << version;
      if (const auto* tri = dynamic_cast<const xTriMesh*>(&piece)) {
        EXPECT_LE(tri->GetPointCount(), kLimit);
        EXPECT_LE(tri->GetTriangleCount(), kLimit);
        points += tri->GetPointCount();
      }
      if (const auto* poly = dynamic_cast<const xPolyMesh*>(&piece)) {
        EXPECT_LE(poly->GetPoints().GCount(), kLimit);
        EXPECT_LE(poly->GetPolygons().GCount(), kLimit);
        points += poly->GetPoints().GCount();
      }
    }
    // The unused point is kept as well.
    EXPECT_GE(points, 15);

    const ReadResult read = WriteAndRead(dir, *prepared.geometry, version);
    std::multiset<Triangle> back;
    for (int i = 0; i < read.geometry->GetContainer()->GetSetCount(); ++i) {
      const auto* mesh = dynamic_cast<const xTriMesh*>(SetOf(*read.geometry, i));
      ASSERT_NE(mesh, nullptr);
      EXPECT_EQ(read.report.sets[static_cast<std::size_t>(i)].material, "RED");
      const std::multiset<Triangle> some = TrianglesOf(*mesh);
      back.insert(some.begin(), some.end());
    }
    EXPECT_EQ(back, original) << version;
  }
}

// Versions 12 and 14 number the edges of each object; a closed strip has
// fewer edges than corners, and the cut counts the real ones.
TEST(PdbSplit, EdgesStayWithinTheLimitInTheVersionsThatNumberThem) {
  const Scratch dir;
  xGeometry geometry;
  auto mesh = std::make_unique<xPolyMesh>();
  std::vector<xPolyPoint*> points;
  for (int i = 0; i < 8; ++i) points.push_back(mesh->AddPoint(i % 2, i / 2, 0, i));
  // Three quads in a row: 10 edges, 12 corners.
  for (int q = 0; q < 3; ++q) {
    xPolygon* f = mesh->NewPolygon();
    for (const int k : {0, 1, 3, 2}) f->AddVertex(points[static_cast<std::size_t>(2 * q + k)]);
  }
  geometry.GetContainer()->AddSet(mesh.release());
  for (const int version : {12, 14}) {
    const PdbGeometry within = PrepareForPdb(geometry, version, 10);
    ASSERT_NE(within.geometry, nullptr);
    EXPECT_EQ(within.objects, 1) << "ten edges fit a limit of ten";
    const PdbGeometry cut = PrepareForPdb(geometry, version, 9);
    ASSERT_NE(cut.geometry, nullptr);
    EXPECT_EQ(cut.objects, 2);
    const ReadResult read = WriteAndRead(dir, *cut.geometry, version);
    double area = 0;
    for (const SetSummary& s : read.report.sets) area += s.area;
    EXPECT_DOUBLE_EQ(area, 3.0);
  }
}

TEST(PdbSplit, APolygonOfMoreCornersThanTheLimitIsCutIntoTheFanTheReadersMake) {
  const Scratch dir;
  xGeometry geometry;
  auto mesh = std::make_unique<xPolyMesh>();
  xPolygon* f = mesh->NewPolygon();
  // A regular octagon of circumradius 1.
  for (int i = 0; i < 8; ++i) {
    const double angle = i * 3.14159265358979323846 / 4;
    f->AddVertex(mesh->AddPoint(std::cos(angle), std::sin(angle), 0, i));
  }
  geometry.GetContainer()->AddSet(mesh.release());
  const PdbGeometry prepared = PrepareForPdb(geometry, 9, kLimit);
  ASSERT_NE(prepared.geometry, nullptr);
  EXPECT_GE(prepared.objects, 2);
  const ReadResult read = WriteAndRead(dir, *prepared.geometry, 9);
  double area = 0;
  int triangles = 0;
  for (const SetSummary& s : read.report.sets) area += s.area, triangles += s.triangles;
  EXPECT_EQ(triangles, 6);
  EXPECT_NEAR(area, 2 * std::sqrt(2.0), 1e-5);
}

std::multiset<Segment> SegmentsOf(const xCompactLineSet& set) {
  std::multiset<Segment> result;
  const auto corner = [&set](int i) {
    const xFVector& p = set.GetPoint(i);
    return Corner{p.x, p.y, p.z};
  };
  const int polylines = set.GetPolyLineCount();
  const int pairs = polylines > 0 ? set.GetPolyLineStart(0) : set.GetPointCount();
  for (int i = 0; i + 1 < pairs; i += 2) result.insert({corner(i), corner(i + 1)});
  for (int l = 0; l < polylines; ++l)
    for (int i = 0; i + 1 < set.GetPolyLineSize(l); ++i)
      result.insert({corner(set.GetPolyLineStart(l) + i), corner(set.GetPolyLineStart(l) + i + 1)});
  return result;
}

TEST(PdbSplit, LongLinesContinueInTheNextPieceWithoutLosingASegment) {
  const Scratch dir;
  for (const int version : {8, 9}) {
    xGeometry geometry;
    auto compact = std::make_unique<xCompactLineSet>();
    compact->AddLinePoints(0, 0, 0, 1, 0, 0);
    compact->AddLinePoints(0, 1, 0, 1, 1, 0);
    for (int i = 0; i < 12; ++i) compact->AddPolyLinePoint(static_cast<float>(i), 5, 0, i == 0);
    compact->AddPolyLinePoint(9, 9, 9, true);  // a polyline of one point, no segment
    const std::multiset<Segment> original = SegmentsOf(*compact);
    ASSERT_EQ(original.size(), 13u);
    geometry.GetContainer()->AddSet(compact.release());
    // A line set of one polyline of 9 points goes over as compact lines.
    auto lines = std::make_unique<xLineSet>();
    xLine* line = lines->NewLine();
    for (int i = 0; i < 9; ++i) line->AddPoint(xVector(i, 0, 3));
    geometry.GetContainer()->AddSet(lines.release());

    const PdbGeometry prepared = PrepareForPdb(geometry, version, kLimit);
    ASSERT_NE(prepared.geometry, nullptr);
    EXPECT_EQ(prepared.split, 2);
    std::multiset<Segment> cut;
    int lineSegments = 0;
    for (int i = 0; i < prepared.geometry->GetContainer()->GetSetCount(); ++i) {
      const auto* piece = dynamic_cast<const xCompactLineSet*>(SetOf(*prepared.geometry, i));
      ASSERT_NE(piece, nullptr);
      EXPECT_LE(piece->GetPointCount(), kLimit);
      const std::multiset<Segment> some = SegmentsOf(*piece);
      for (const Segment& s : some) (std::get<2>(s[0]) == 3 ? lineSegments += 1 : (cut.insert(s), 0));
    }
    EXPECT_EQ(cut, original);
    EXPECT_EQ(lineSegments, 8);

    const ReadResult read = WriteAndRead(dir, *prepared.geometry, version);
    int segments = 0;
    for (const SetSummary& s : read.report.sets) segments += s.segments;
    EXPECT_EQ(segments, 13 + 8);
  }
}

// Versions after 9 hold polygon meshes only: a triangle mesh goes over as
// one, every point in its place.
TEST(PdbSplit, TriangleMeshesBecomePolygonMeshesForLaterVersions) {
  xGeometry geometry;
  geometry.GetContainer()->AddSet(Strip(2).release());
  geometry.GetContainer()->AddSet(new xCompactLineSet);
  const PdbGeometry prepared = PrepareForPdb(geometry, 11, kLimit + 10);
  ASSERT_NE(prepared.geometry, nullptr);
  EXPECT_EQ(prepared.objects, 1);
  EXPECT_EQ(prepared.split, 0);
  ASSERT_EQ(prepared.geometry->GetContainer()->GetSetCount(), 1);
  const auto* poly = dynamic_cast<const xPolyMesh*>(SetOf(*prepared.geometry, 0));
  ASSERT_NE(poly, nullptr);
  ASSERT_EQ(poly->GetPoints().GCount(), 7);
  EXPECT_EQ(poly->GetPolygons().GCount(), 4);
  const xPolyPoint* last = poly->GetPoints().GBegin();
  for (int i = 0; i < 6; ++i) last = xTDLinkList<xPolyPoint>::GNext(last);
  EXPECT_EQ(last->x, -7);
}

// The limit is the readers' own: one more point fails the read, while
// the limit itself is taken and fails only on the missing points.
TEST(PdbSplit, TheLimitIsTheReadersOwn) {
  const Scratch dir;
  const auto read = [&dir](int count) {
    const std::string path =
        dir.Write("count.pdb", "9\n0\n0\n0\n1\n7\n" + std::to_string(count) + "\n0 0 0\n");
    ReadRequest request;
    request.file = path;
    request.tolerance = 0.5;
    return ReadThroughPackage(LoadedPackage(), request).report.error;
  };
  EXPECT_EQ(read(kPdbCountLimit + 1), "Error Reading Point Count");
  const std::string atLimit = read(kPdbCountLimit);
  EXPECT_NE(atLimit, "Error Reading Point Count");
  EXPECT_NE(atLimit, "");
}

}  // namespace
