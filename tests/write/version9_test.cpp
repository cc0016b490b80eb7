#include <gtest/gtest.h>

#include "host/xframeset.h"
#include "host/xpointset.h"
#include "pdb/xpdb09.h"
#include "writetest.h"

using namespace writetest;

namespace {

constexpr const char* kHeader = "9\n0\n0\n0\n";

TEST(Version9Header, GeometryWithoutWritableSetsIsHeaderAndZeroCount) {
  xGeometry geometry;
  int result = -1;
  EXPECT_EQ(Written<xPdb09>(geometry, &result), std::string(kHeader) + "0\n");
  EXPECT_EQ(result, 0);

  auto* points = new xPointSet;
  points->AddPoint(xFVector(1, 2, 3));
  geometry.GetContainer()->AddSet(points);
  auto* frames = new xFrameSet;
  frames->AddFrame(new xFrame(xMatrix()));
  geometry.GetContainer()->AddSet(frames);
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) + "0\n");
}

TEST(Version9Header, PointAndFrameSetsAreNeitherCountedNorWritten) {
  xGeometry geometry;
  geometry.GetContainer()->AddSet(new xPointSet);
  AddTriMesh(geometry, {{0, 0, 0}}, {}, Named("RED"));
  geometry.GetContainer()->AddSet(new xFrameSet);
  AddTriMesh(geometry, {}, {}, Named("BLUE"));
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) +
                                           "2\n"
                                           "7\n1\n0 0 0\n0\n0\n0\n"
                                           "9\n0\n0\n0\n0\n");
}

TEST(Version9TriMesh, OneTriangle) {
  xGeometry geometry;
  AddTriMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, Named("WHITE"));
  EXPECT_EQ(Written<xPdb09>(geometry), "9\n0\n0\n0\n1\n4\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n");
}

TEST(Version9TriMesh, IndicesAreWrittenAsStoredWithoutRangeCheck) {
  xGeometry geometry;
  AddTriMesh(geometry, {{0, 0, 0}, {1, 0, 0}}, {{1, 0, 1}, {7, 0, 1}});
  EXPECT_EQ(Written<xPdb09>(geometry),
            std::string(kHeader) + "1\n-2\n2\n0 0 0\n1 0 0\n0\n2\n3 1 0 1\n3 7 0 1\n0\n");
}

TEST(Version9TriMesh, SinglePrecisionIsWidenedBeforeFormatting) {
  xGeometry geometry;
  auto* mesh = new xTriMesh;
  mesh->AddPoint(xFVector(0.1f, 1.0f / 3.0f, -2.5e-7f));
  geometry.GetContainer()->AddSet(mesh);
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) + "1\n-2\n1\n0.1 0.333333 -2.5e-07\n0\n0\n0\n");
}

TEST(Version9PolyMesh, PolygonLinesEndInABlankAndPointsAreRenumbered) {
  xGeometry geometry;
  AddSquareAndTriangle(geometry, Named("red"));
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) +
                                           "1\n7\n5\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0.5 0\n"
                                           "0\n2\n4 0 1 2 3 \n3 1 4 2 \n0\n");
}

TEST(Version9PolyMesh, EmptyPolygonsAndMeshes) {
  xGeometry geometry;
  AddPolyMesh(geometry, {{1, 2, 3}}, {{}, {0}});
  AddPolyMesh(geometry, {{1, 2, 3}}, {});
  AddPolyMesh(geometry, {}, {});
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) +
                                           "3\n"
                                           "-2\n1\n1 2 3\n0\n2\n0 \n1 0 \n0\n"
                                           "-2\n1\n1 2 3\n0\n0\n0\n"
                                           "-2\n0\n0\n0\n0\n");
}

TEST(Version9PolyMesh, RenumberingIsLeftOnTheMesh) {
  xGeometry geometry;
  xPolyMesh* mesh = AddSquareAndTriangle(geometry);
  Written<xPdb09>(geometry);
  int expected = 0;
  for (const xPolyPoint* p = mesh->GetPoints().GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p))
    EXPECT_EQ(p->GetId(), expected++);
  mesh->GetPolygons().GBegin()->SetId(40);
  Written<xPdb09>(geometry);
  EXPECT_EQ(mesh->GetPolygons().GBegin()->GetId(), 0);
}

TEST(Version9Reals, SixSignificantDigitsAndExponentForm) {
  xGeometry geometry;
  AddPolyMesh(geometry,
              {{0.5, 1234.5678, 100000.0},
               {0.0001, 1234567.0, 0.00001},
               {-2.5, -0.000123456789, 1e20},
               {999999.5, 123456.7, -0.0}},
              {});
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) +
                                           "1\n-2\n4\n"
                                           "0.5 1234.57 100000\n"
                                           "0.0001 1.23457e+06 1e-05\n"
                                           "-2.5 -0.000123457 1e+20\n"
                                           "1e+06 123457 -0\n"
                                           "0\n0\n0\n");
}

xLineSet* AddLineSet(xGeometry& geometry, std::initializer_list<std::initializer_list<Point3>> lines) {
  auto* set = new xLineSet;
  for (const auto& points : lines) {
    xLine* line = set->NewLine();
    for (const Point3& p : points) line->AddPoint(xVector(p.x, p.y, p.z))->SetId(-9);
  }
  geometry.GetContainer()->AddSet(set);
  return set;
}

TEST(Version9LineSet, EachLineGivesOneSegmentPerNeighbourPair) {
  xGeometry geometry;
  xLineSet* set =
      AddLineSet(geometry, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{5, 5, 5}}, {}, {{2, 2, 2}, {3, 3, 3}}});
  set->SetMaterial(Named("GREEN"));
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) +
                                           "1\n8\n6\n0 0 0\n1 0 0\n1 1 0\n5 5 5\n2 2 2\n3 3 3\n"
                                           "3\n0 1\n1 2\n4 5\n0\n0\n");
}

TEST(Version9LineSet, WithoutLinesOrPoints) {
  xGeometry geometry;
  AddLineSet(geometry, {});
  AddLineSet(geometry, {{{1, 1, 1}}, {}});
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) +
                                           "2\n"
                                           "-2\n0\n0\n0\n0\n"
                                           "-2\n1\n1 1 1\n0\n0\n0\n");
}

xCompactLineSet* AddCompact(xGeometry& geometry, int points, std::vector<int> starts) {
  auto* set = new xCompactLineSet;
  for (int i = 0; i < points; ++i) set->GetData()->points.emplace_back(static_cast<float>(i), 0.0f, 0.0f);
  set->GetData()->polyLineStarts = std::move(starts);
  geometry.GetContainer()->AddSet(set);
  return set;
}

std::string CompactPoints(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::to_string(i) + " 0 0\n";
  return text;
}

TEST(Version9CompactLineSet, PairsThenPolylines) {
  xGeometry geometry;
  auto* set = new xCompactLineSet;
  set->AddLinePoints(0, 0, 0, 1, 0, 0);
  set->AddPolyLinePoint(4, 0, 0, true);
  set->AddPolyLinePoint(5, 0, 0, false);
  set->AddPolyLinePoint(6, 0, 0, false);
  set->AddPolyLinePoint(7, 0, 0, true);
  set->AddPolyLinePoint(8, 0, 0, false);
  set->AddLinePoints(2, 0, 0, 3, 0, 0);
  set->SetMaterial(Named("PDB_COLOR32"));
  geometry.GetContainer()->AddSet(set);
  EXPECT_EQ(Written<xPdb09>(geometry),
            std::string(kHeader) + "1\n35\n9\n" + CompactPoints(9) + "5\n0 1\n2 3\n4 5\n5 6\n7 8\n0\n0\n");
}

TEST(Version9CompactLineSet, OddPointCountLeavesTheLastPointUnjoined) {
  xGeometry geometry;
  AddCompact(geometry, 3, {});
  AddCompact(geometry, 7, {5});
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) + "2\n" + "-2\n3\n" + CompactPoints(3) +
                                           "1\n0 1\n0\n0\n" + "-2\n7\n" + CompactPoints(7) +
                                           "3\n0 1\n2 3\n5 6\n0\n0\n");
}

TEST(Version9CompactLineSet, SinglePointPolylinesAreSteppedOver) {
  xGeometry geometry;
  AddCompact(geometry, 5, {0, 2, 3});
  EXPECT_EQ(Written<xPdb09>(geometry),
            std::string(kHeader) + "1\n-2\n5\n" + CompactPoints(5) + "2\n0 1\n3 4\n0\n0\n");
}

// Two polylines starting at the same point: the first is empty. It must not
// lower the segment count below the segments written, nor shift the rest.
TEST(Version9CompactLineSet, EmptyPolylineKeepsCountAndSegmentsInStep) {
  xGeometry geometry;
  AddCompact(geometry, 4, {1, 1});
  EXPECT_EQ(Written<xPdb09>(geometry),
            std::string(kHeader) + "1\n-2\n4\n" + CompactPoints(4) + "2\n1 2\n2 3\n0\n0\n");
}

TEST(Version9Objects, MixedSetsInContainerOrder) {
  xGeometry geometry;
  AddTriMesh(geometry, {{0, 0, 0}}, {}, Named("GREY"));
  geometry.GetContainer()->AddSet(new xPointSet);
  AddLineSet(geometry, {{{1, 0, 0}, {2, 0, 0}}})->SetMaterial(Named("CYAN"));
  AddCompact(geometry, 2, {})->SetMaterial(Named("TAN"));
  AddPolyMesh(geometry, {{3, 0, 0}}, {}, Named("LIME"));
  EXPECT_EQ(Written<xPdb09>(geometry), std::string(kHeader) +
                                           "4\n"
                                           "5\n1\n0 0 0\n0\n0\n0\n"
                                           "11\n2\n1 0 0\n2 0 0\n1\n0 1\n0\n0\n"
                                           "19\n2\n0 0 0\n1 0 0\n1\n0 1\n0\n0\n"
                                           "18\n1\n3 0 0\n0\n0\n0\n");
}

TEST(Version9Failure, EmptySmartReferencesThrowAfterTheTextSoFar) {
  xGeometry geometry;
  geometry.GetContainer().Reset();
  EXPECT_THROW(Written<xPdb09>(geometry), xSmartPtrException);

  xGeometry meshes;
  AddTriMesh(meshes, {{0, 0, 0}}, {});
  AddTriMesh(meshes, {}, {})->GetData().Reset();
  std::stringbuf buffer;
  xStream stream(&buffer);
  xPdb09 writer;
  EXPECT_THROW(writer.Write(&stream, &meshes), xSmartPtrException);
  EXPECT_EQ(buffer.str(), std::string(kHeader) + "2\n-2\n1\n0 0 0\n0\n0\n0\n-2\n");
}

}  // namespace
