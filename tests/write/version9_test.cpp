#include <gtest/gtest.h>

#include "host/xframeset.h"
#include "host/xpointset.h"
#include "pdb/xpdb09.h"
#include "writetest.h"

using namespace writetest;

namespace {

const std::string kHeader = "9\n0\n0\n0\n";

xLineSet* AddLineSet(xGeometry& geometry, std::initializer_list<std::initializer_list<Point3>> lines) {
  auto* set = new xLineSet;
  for (const auto& points : lines) {
    xLine* line = set->NewLine();
    for (const Point3& p : points) line->AddPoint(xVector(p.x, p.y, p.z))->SetId(-9);
  }
  geometry.GetContainer()->AddSet(set);
  return set;
}

// Points 0 0 0, 1 0 0, ... with the given polyline starts.
xCompactLineSet* AddCompact(xGeometry& geometry, int points, std::vector<int> starts) {
  auto* set = new xCompactLineSet;
  for (int i = 0; i < points; ++i) set->GetData()->points.emplace_back(float(i), 0.0f, 0.0f);
  set->GetData()->polyLineStarts = std::move(starts);
  geometry.GetContainer()->AddSet(set);
  return set;
}

std::string CompactPoints(int n) {
  std::string text = std::to_string(n) + "\n";
  for (int i = 0; i < n; ++i) text += std::to_string(i) + " 0 0\n";
  return text;
}

TEST(Version9File, OnlyTheFourKindsAreCountedAndWrittenInContainerOrder) {
  xGeometry geometry;
  int result = -1;
  EXPECT_EQ(Written<xPdb09>(geometry, &result), kHeader + "0\n");
  EXPECT_EQ(result, 0);

  geometry.GetContainer()->AddSet(new xPointSet);
  AddTriMesh(geometry, {{0, 0, 0}}, {}, Named("GREY"));
  geometry.GetContainer()->AddSet(new xFrameSet);
  AddLineSet(geometry, {{{1, 0, 0}, {2, 0, 0}}})->SetMaterial(Named("CYAN"));
  AddCompact(geometry, 2, {})->SetMaterial(Named("TAN"));
  AddPolyMesh(geometry, {{3, 0, 0}}, {}, Named("lime"));
  EXPECT_EQ(Written<xPdb09>(geometry), kHeader +
                                           "4\n"
                                           "5\n1\n0 0 0\n0\n0\n0\n"
                                           "11\n2\n1 0 0\n2 0 0\n1\n0 1\n0\n0\n"
                                           "19\n2\n0 0 0\n1 0 0\n1\n0 1\n0\n0\n"
                                           "18\n1\n3 0 0\n0\n0\n0\n");
}

TEST(Version9TriMesh, TrianglesAsStoredAndPointsWidened) {
  xGeometry geometry;
  AddTriMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, Named("WHITE"));
  EXPECT_EQ(Written<xPdb09>(geometry), kHeader + "1\n4\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n");

  xGeometry odd;
  xTriMesh* mesh = AddTriMesh(odd, {}, {{1, 0, 1}, {7, 0, 1}});
  mesh->AddPoint(xFVector(0.1f, 1.0f / 3.0f, -2.5e-7f));
  EXPECT_EQ(Written<xPdb09>(odd), kHeader + "1\n-2\n1\n0.1 0.333333 -2.5e-07\n0\n2\n3 1 0 1\n3 7 0 1\n0\n");
}

TEST(Version9PolyMesh, RenumberedPointsAndBlankEndedPolygonLines) {
  xGeometry geometry;
  xPolyMesh* mesh = AddSquareAndTriangle(geometry, Named("red"));
  AddPolyMesh(geometry, {{1, 2, 3}}, {{}, {0}});
  AddPolyMesh(geometry, {}, {});
  mesh->GetPolygons().GBegin()->SetId(40);
  EXPECT_EQ(Written<xPdb09>(geometry), kHeader + "3\n7\n" + kSquareAndTrianglePoints +
                                           "0\n2\n4 0 1 2 3 \n3 1 4 2 \n0\n"
                                           "-2\n1\n1 2 3\n0\n2\n0 \n1 0 \n0\n"
                                           "-2\n0\n0\n0\n0\n");
  int expected = 0;
  for (const xPolyPoint* p = mesh->GetPoints().GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p))
    EXPECT_EQ(p->GetId(), expected++);
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
  EXPECT_EQ(Written<xPdb09>(geometry), kHeader +
                                           "1\n-2\n4\n"
                                           "0.5 1234.57 100000\n"
                                           "0.0001 1.23457e+06 1e-05\n"
                                           "-2.5 -0.000123457 1e+20\n"
                                           "1e+06 123457 -0\n"
                                           "0\n0\n0\n");
}

TEST(Version9LineSet, OneSegmentPerNeighbourPairOfEachLine) {
  xGeometry geometry;
  AddLineSet(geometry, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{5, 5, 5}}, {}, {{2, 2, 2}, {3, 3, 3}}})
      ->SetMaterial(Named("GREEN"));
  AddLineSet(geometry, {});
  EXPECT_EQ(Written<xPdb09>(geometry), kHeader +
                                           "2\n8\n6\n0 0 0\n1 0 0\n1 1 0\n5 5 5\n2 2 2\n3 3 3\n"
                                           "3\n0 1\n1 2\n4 5\n0\n0\n"
                                           "-2\n0\n0\n0\n0\n");
}

TEST(Version9CompactLineSet, PairsThenPolylines) {
  xGeometry geometry;
  auto* set = new xCompactLineSet;
  set->AddLinePoints(0, 0, 0, 1, 0, 0);
  for (int i = 4; i <= 8; ++i) set->AddPolyLinePoint(float(i), 0, 0, i == 4 || i == 7);
  set->AddLinePoints(2, 0, 0, 3, 0, 0);
  geometry.GetContainer()->AddSet(set);
  AddCompact(geometry, 3, {});         // odd: the last point joins nothing
  AddCompact(geometry, 7, {5});        // odd before the polylines
  AddCompact(geometry, 5, {0, 2, 3});  // a one-point polyline is stepped over
  EXPECT_EQ(Written<xPdb09>(geometry), kHeader + "4\n-2\n" + CompactPoints(9) +
                                           "5\n0 1\n2 3\n4 5\n5 6\n7 8\n0\n0\n"
                                           "-2\n" +
                                           CompactPoints(3) + "1\n0 1\n0\n0\n-2\n" + CompactPoints(7) +
                                           "3\n0 1\n2 3\n5 6\n0\n0\n-2\n" + CompactPoints(5) +
                                           "2\n0 1\n3 4\n0\n0\n");
}

// Two polylines starting at one point: the first is empty. It must neither
// lower the count below the segments written nor shift the ones after it.
TEST(Version9CompactLineSet, EmptyPolylineKeepsCountAndSegmentsInStep) {
  xGeometry geometry;
  AddCompact(geometry, 4, {1, 1});
  EXPECT_EQ(Written<xPdb09>(geometry), kHeader + "1\n-2\n" + CompactPoints(4) + "2\n1 2\n2 3\n0\n0\n");
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
  EXPECT_THROW(xPdb09().Write(&stream, &meshes), xSmartPtrException);
  EXPECT_EQ(buffer.str(), kHeader + "2\n-2\n1\n0 0 0\n0\n0\n0\n-2\n");
}

}  // namespace
