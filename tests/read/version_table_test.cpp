#include <gtest/gtest.h>

#include "common/parttest.h"
#include "host/xtrimesh.h"

namespace {

using namespace parttest;

const std::string kTriangle = "3\n0 0 0\n1 0 0\n0 1 0\n";

// The section and object readers are exported with a version argument. A
// number that no version has must read one version's layout whole rather
// than a mix of its neighbours': the closest version below it, or the first.
TEST(VersionNumbers, BetweenOrBeyondTheKnownOnesReadAsTheClosestBelow) {
  const struct {
    int version;
    std::string record;
    int triangles;
    std::string next;
  } objects[] = {
      // 13 as 12: two lines after the colour, then an edge block and rings of edges.
      {13, "7 rest\nline\n" + kTriangle + "0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n0\n0\nNEXT", 1, "NEXT"},
      // 15 and beyond as 14: one more number after the textures.
      {15, "7\nname\n" + kTriangle + "0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n0\n0\n42 NEXT", 1, "NEXT"},
      {1010, "7\nname\n" + kTriangle + "0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n0\n0\n42 NEXT", 1, "NEXT"},
      // Below 8 as 8: point indices, no texture block.
      {0, "7\n" + kTriangle + "0\n1\n3 0 1 2\n0\nNEXT", 1, "NEXT"},
      {-14, "7\n" + kTriangle + "0\n1\n3 0 1 2\n0\nNEXT", 1, "NEXT"}};
  for (const auto& c : objects) {
    Part part;
    Text in(c.record);
    int status = 99;
    xPdbUtil::ReadObject(in.get(), part.get(), c.version, c.version, status);
    EXPECT_EQ(status, 0) << c.version;
    const auto* mesh = part.set<xTriMesh>(part.count() - 1);
    EXPECT_EQ(mesh ? mesh->GetTriangleCount() : -1, c.triangles) << c.version;
    EXPECT_EQ(in.NextWord(), c.next) << c.version;
  }

  // A curve of 13 holds three reals after its counts, as one of 12 does.
  Text curve("1\n0 1 3 1 1.5 2.5 3.5\n0 0 0 0 1 1 1 1\n1 2 3 1\n1 2 3 1\n1 2 3 1\n1 2 3 1\n7\nNEXT");
  EXPECT_TRUE(xPdbUtil::SkipCurves(curve.get(), 13));
  EXPECT_EQ(curve.NextWord(), "NEXT");
  // A frame of 20 ends in the items of a version-14 frame.
  Text frame("1\n1 0 0  0 1 0  0 0 1  10 20 30\n1 base tool\nNEXT");
  EXPECT_TRUE(xPdbUtil::SkipCoorsyses(frame.get(), 20));
  EXPECT_EQ(frame.NextWord(), "NEXT");
}

}  // namespace
