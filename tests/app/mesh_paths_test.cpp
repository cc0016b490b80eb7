#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/convert/plainobj.h"
#include "common/apptest.h"

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

}  // namespace
