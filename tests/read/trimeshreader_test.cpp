#include <gtest/gtest.h>

#include <memory>

#include "host/xassert.h"
#include "host/xtrimesh.h"
#include "pdb/xpdbutil.h"

namespace {

class TriMeshReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xGlobalAssertReset();
    reader.Start();
    reader.SetPointCount(4);
    for (double x : {0.0, 1.0, 2.0, 3.0}) reader.AddPoint(xVector(x, x * 10, 0.1));
  }
  void Polygon(std::initializer_list<int> corners) {
    reader.BeginPolygon();
    for (int c : corners) reader.AddVertex(c);
    reader.EndPolygon();
  }
  xPdbUtil::TriMeshReader reader;
};

TEST_F(TriMeshReaderTest, PointsAreStoredInSinglePrecision) {
  const xVector p = reader.GetPoint(3);
  EXPECT_DOUBLE_EQ(p.x, 3.0);
  EXPECT_DOUBLE_EQ(p.y, 30.0);
  EXPECT_DOUBLE_EQ(p.z, static_cast<double>(0.1f));
  EXPECT_EQ(xGlobalAssertCount(), 0);
}

TEST_F(TriMeshReaderTest, PointOutsideIsReportedAndDefault) {
  for (int index : {4, -1}) {
    const xVector p = reader.GetPoint(index);
    EXPECT_DOUBLE_EQ(p.x + p.y + p.z, 0.0);
  }
  EXPECT_EQ(xGlobalAssertCount(), 2);
}

TEST_F(TriMeshReaderTest, FanFromFirstCorner) {
  Polygon({3, 0, 1, 2});
  Polygon({0, 9, 1, -4, 2});  // out-of-range corners drop silently
  Polygon({1, 2});
  std::unique_ptr<xGeoSet> set(reader.Finish());
  auto* mesh = dynamic_cast<xTriMesh*>(set.get());
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->GetTriangleCount(), 3);
  EXPECT_EQ(mesh->GetTriangle(1).a, 3u);
  EXPECT_EQ(mesh->GetTriangle(1).b, 1u);
  EXPECT_EQ(mesh->GetTriangle(1).c, 2u);
  EXPECT_EQ(mesh->GetTriangle(2).a, 0u);
  EXPECT_EQ(mesh->GetTriangle(2).c, 2u);
  EXPECT_EQ(xGlobalAssertCount(), 0);
}

TEST_F(TriMeshReaderTest, FinishHandsTheMeshOverOnce) {
  Polygon({0, 1, 2});
  std::unique_ptr<xGeoSet> first(reader.Finish());
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(reader.Finish(), nullptr);
  reader.AddPoint(xVector(1, 1, 1));  // no mesh: ignored, no crash
  reader.AddVertex(0);
  reader.EndPolygon();
}

}  // namespace
