#include <gtest/gtest.h>

#include "host/xpointset.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"
#include "writetest.h"

using namespace writetest;

namespace {

const std::string kSquareAndTrianglePoints = "5\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0.5 0\n";

TEST(LaterVersionHeaders, OnlyPolygonMeshesAreCounted) {
  xGeometry geometry;
  AddTriMesh(geometry, {{0, 0, 0}}, {});
  geometry.GetContainer()->AddSet(new xLineSet);
  geometry.GetContainer()->AddSet(new xCompactLineSet);
  geometry.GetContainer()->AddSet(new xPointSet);
  int r10 = -1, r11 = -1, r12 = -1, r14 = -1;
  EXPECT_EQ(Written<xPdb10>(geometry, &r10), "10\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb11>(geometry, &r11), "11\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb12>(geometry, &r12), "12\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb14>(geometry, &r14), "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n0\n");
  EXPECT_EQ(r10 | r11 | r12 | r14, 0);
}

TEST(LaterVersionObjects, Version10And11CloseTheVersion9Body) {
  xGeometry geometry;
  AddSquareAndTriangle(geometry, Named("RED"));
  const std::string body = "7\n" + kSquareAndTrianglePoints + "0\n2\n4 0 1 2 3 \n3 1 4 2 \n";
  EXPECT_EQ(Written<xPdb10>(geometry), "10\n0\n0\n0\n1\n" + body + "0\n");
  EXPECT_EQ(Written<xPdb11>(geometry), "11\n0\n0\n0\n1\n" + body + "0\n0\n");
  EXPECT_EQ(Written<xPdb11>(geometry).substr(9), Written<xPdb09>(geometry).substr(8) + "0\n");
}

TEST(LaterVersionObjects, PolygonMeshesOnlyInContainerOrder) {
  xGeometry geometry;
  AddPolyMesh(geometry, {{1, 0, 0}}, {}, Named("BLUE"));
  AddTriMesh(geometry, {{0, 0, 0}}, {}, Named("RED"));
  AddPolyMesh(geometry, {}, {});
  EXPECT_EQ(Written<xPdb11>(geometry), "11\n0\n0\n0\n2\n9\n1\n1 0 0\n0\n0\n0\n0\n-2\n0\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb12>(geometry),
            "12\n0\n0\n0\n2\n9\nobject1\n1\n1 0 0\n0\n0\n0\n0\n0\n-2\nobject2\n0\n0\n0\n0\n0\n0\n");
}

// Every undirected edge once, oriented as first walked; a polygon that walks
// an edge backwards refers to it negatively.
TEST(LaterVersionObjects, Version12And14WriteEdgesAndSignedRings) {
  xGeometry geometry;
  AddSquareAndTriangle(geometry, Named("RED"));
  const std::string body = "7\nobject1\n" + kSquareAndTrianglePoints +
                           "0\n"
                           "6\n0 1\n1 2\n2 3\n3 0\n1 4\n4 2\n"
                           "2\n4 1 2 3 4 \n3 5 6 -2 \n";
  EXPECT_EQ(Written<xPdb12>(geometry), "12\n0\n0\n0\n1\n" + body + "0\n0\n");
  EXPECT_EQ(Written<xPdb14>(geometry), "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n1\n" + body + "0\n0\n0\n");
}

TEST(LaterVersionObjects, DegeneratePolygonsAsRings) {
  xGeometry geometry;
  AddPolyMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{}, {0}, {0, 1}, {2, 1, 0, 1}});
  EXPECT_EQ(Written<xPdb12>(geometry),
            "12\n0\n0\n0\n1\n-2\nobject1\n3\n0 0 0\n1 0 0\n2 0 0\n0\n"
            "3\n0 0\n0 1\n2 1\n"
            "4\n0 \n1 1 \n2 2 -2 \n4 3 -2 2 -3 \n0\n0\n");
}

}  // namespace
