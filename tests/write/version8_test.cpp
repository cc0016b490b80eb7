#include <gtest/gtest.h>

#include "host/xpointset.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "writetest.h"

using namespace writetest;

namespace {

void FillMixed(xGeometry& geometry) {
  AddSquareAndTriangle(geometry, Named("ORANGE"));
  geometry.GetContainer()->AddSet(new xPointSet);
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
}

TEST(Version8File, IsTheVersion9FileWithTheShortHeader) {
  xGeometry geometry;
  FillMixed(geometry);
  const std::string nine = Written<xPdb09>(geometry);
  int result = -1;
  const std::string eight = Written<xPdb08>(geometry, &result);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(nine.substr(0, 8), "9\n0\n0\n0\n");
  EXPECT_EQ(eight, "8\n0\n" + nine.substr(8));
  EXPECT_EQ(eight.substr(0, 6), "8\n0\n4\n");
}

TEST(Version8File, WithoutWritableSets) {
  xGeometry geometry;
  geometry.GetContainer()->AddSet(new xPointSet);
  EXPECT_EQ(Written<xPdb08>(geometry), "8\n0\n0\n");
}

// Each per-kind operation writes one object: together they give the body of
// the file that follows the object count.
TEST(Version8Objects, PerKindOperationsWriteTheObjectText) {
  xGeometry geometry;
  FillMixed(geometry);
  const std::string file = Written<xPdb08>(geometry);

  std::stringbuf buffer;
  xStream stream(&buffer);
  xPdb08 writer;
  xGeoContainer* container = geometry.GetContainer().GetPtr();
  writer.WritePolyMesh(&stream, static_cast<xPolyMesh*>(container->GetSet(0)));
  const std::size_t polyEnd = buffer.str().size();
  writer.WriteTriMesh(&stream, static_cast<xTriMesh*>(container->GetSet(2)));
  writer.WriteLineSet(&stream, static_cast<xLineSet*>(container->GetSet(3)));
  writer.WriteCompactLineSet(&stream, static_cast<xCompactLineSet*>(container->GetSet(4)));
  EXPECT_EQ("8\n0\n4\n" + buffer.str(), file);
  EXPECT_EQ(buffer.str().substr(0, polyEnd),
            "13\n5\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0.5 0\n0\n2\n4 0 1 2 3 \n3 1 4 2 \n0\n");
  EXPECT_NE(file.find("\n20\n3\n0.25 0 1e-05\n"), std::string::npos);
  const std::string tail =
      "-2\n2\n0 0 0\n0 0 1.23457e+07\n1\n0 1\n0\n0\n"
      "-2\n4\n0 0 0\n1 1 1\n2 2 2\n3 3 3\n2\n0 1\n2 3\n0\n0\n";
  ASSERT_GE(file.size(), tail.size());
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
}

}  // namespace
