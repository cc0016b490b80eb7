#include <gtest/gtest.h>

#include "host/xpointset.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "writetest.h"

using namespace writetest;

namespace {

TEST(Version8File, IsTheVersion9FileWithTheShortHeaderObjectByObject) {
  xGeometry geometry;
  geometry.GetContainer()->AddSet(new xPointSet);
  EXPECT_EQ(Written<xPdb08>(geometry), "8\n0\n0\n");

  AddSquareAndTriangle(geometry, Named("ORANGE"));
  AddTriMesh(geometry, {{0.25, 0, 1e-5}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, Named("PDB_COLOR17"));
  auto* lines = new xLineSet;
  xLine* line = lines->NewLine();
  line->AddPoint(xVector(0, 0, 0));
  line->AddPoint(xVector(0, 0, 12345678));
  geometry.GetContainer()->AddSet(lines);
  auto* compact = new xCompactLineSet;
  compact->AddLinePoints(0, 0, 0, 1, 1, 1);
  compact->AddPolyLinePoint(2, 2, 2, true);
  compact->AddPolyLinePoint(3, 3, 3, false);
  geometry.GetContainer()->AddSet(compact);

  const std::string nine = Written<xPdb09>(geometry);
  int result = -1;
  const std::string eight = Written<xPdb08>(geometry, &result);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(nine.substr(0, 8), "9\n0\n0\n0\n");
  EXPECT_EQ(eight, "8\n0\n" + nine.substr(8));

  // The per-kind operations each write one object of that text.
  std::stringbuf buffer;
  xStream stream(&buffer);
  xPdb08 writer;
  xGeoContainer* sets = geometry.GetContainer().GetPtr();
  writer.WritePolyMesh(&stream, static_cast<xPolyMesh*>(sets->GetSet(1)));
  EXPECT_EQ(buffer.str(), "13\n" + std::string(kSquareAndTrianglePoints) + "0\n2\n4 0 1 2 3 \n3 1 4 2 \n0\n");
  writer.WriteTriMesh(&stream, static_cast<xTriMesh*>(sets->GetSet(2)));
  writer.WriteLineSet(&stream, static_cast<xLineSet*>(sets->GetSet(3)));
  writer.WriteCompactLineSet(&stream, static_cast<xCompactLineSet*>(sets->GetSet(4)));
  EXPECT_EQ("8\n0\n4\n" + buffer.str(), eight);
  EXPECT_NE(eight.find("\n20\n3\n0.25 0 1e-05\n"), std::string::npos);
  EXPECT_NE(eight.find("\n0 0 1.23457e+07\n1\n0 1\n0\n0\n-2\n4\n"), std::string::npos);
}

}  // namespace
