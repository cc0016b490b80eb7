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

TEST(LaterVersions, OnlyPolygonMeshesAreCountedAndWritten) {
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

  AddPolyMesh(geometry, {}, {}, Named("BLUE"));
  EXPECT_EQ(Written<xPdb11>(geometry), "11\n0\n0\n0\n1\n9\n0\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb14>(geometry),
            "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n1\n9\nobject1\n0\n0\n0\n0\n0\n0\n0\n");
}

TEST(LaterVersions, Version10And11CloseTheVersion9Body) {
  xGeometry geometry;
  AddSquareAndTriangle(geometry, Named("RED"));
  AddPolyMesh(geometry, {{1, 0, 0}}, {{0}});
  const std::string body = "7\n" + std::string(kSquareAndTrianglePoints) + "0\n2\n4 0 1 2 3 \n3 1 4 2 \n";
  const std::string second = "-2\n1\n1 0 0\n0\n1\n1 0 \n";
  EXPECT_EQ(Written<xPdb10>(geometry), "10\n0\n0\n0\n2\n" + body + "0\n" + second + "0\n");
  EXPECT_EQ(Written<xPdb11>(geometry), "11\n0\n0\n0\n2\n" + body + "0\n0\n" + second + "0\n0\n");
}

// Every undirected edge once, oriented as first walked; a polygon that walks
// an edge backwards refers to it negatively. Polygons of zero, one and two
// corners and repeated corners keep their rings.
TEST(LaterVersions, Version12And14WriteAnEdgeBlockAndSignedRings) {
  xGeometry geometry;
  AddSquareAndTriangle(geometry, Named("RED"));
  AddPolyMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{}, {0}, {0, 1}, {2, 1, 0, 1}});
  const std::string first = "7\nobject1\n" + std::string(kSquareAndTrianglePoints) +
                            "0\n6\n0 1\n1 2\n2 3\n3 0\n1 4\n4 2\n2\n4 1 2 3 4 \n3 5 6 -2 \n";
  const std::string second =
      "-2\nobject2\n3\n0 0 0\n1 0 0\n2 0 0\n0\n3\n0 0\n0 1\n2 1\n4\n0 \n1 1 \n2 2 -2 \n4 3 -2 2 -3 \n";
  EXPECT_EQ(Written<xPdb12>(geometry), "12\n0\n0\n0\n2\n" + first + "0\n0\n" + second + "0\n0\n");
  EXPECT_EQ(Written<xPdb14>(geometry),
            "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n2\n" + first + "0\n0\n0\n" + second + "0\n0\n0\n");
}

}  // namespace
