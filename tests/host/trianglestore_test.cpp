#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <vector>

#include "host/trianglestore.h"
#include "host/xrenderplatform.h"

namespace {

using V = std::array<float, 3>;

// The corner positions of every triangle of an indexed store.
std::vector<std::array<V, 3>> Triangles(const TriangleStoreIndexed& store) {
  std::vector<std::array<V, 3>> result;
  const float* v = store.getVertices();
  const unsigned* idx = store.getIndices();
  for (unsigned i = 0; i + 2 < store.size(); i += 3) {
    std::array<V, 3> t;
    for (int k = 0; k < 3; ++k) t[k] = {v[idx[i + k]], v[idx[i + k] + 1], v[idx[i + k] + 2]};
    result.push_back(t);
  }
  return result;
}

TEST(TriangleStoreIndexed, IndicesPointAtSharedVertices) {
  TriangleStoreIndexed store;
  const float a[] = {0, 0, 0}, b[] = {1, 0, 0}, c[] = {1, 1, 0}, d[] = {0, 1, 0};
  store.pushBack(a, b, c);
  store.pushBack(a, c, d);
  ASSERT_EQ(store.size(), 6u);
  EXPECT_EQ(store.vertexFloatCount(), 12u);  // four distinct vertices
  const unsigned* idx = store.getIndices();
  for (unsigned i = 0; i < store.size(); ++i) {
    EXPECT_EQ(idx[i] % 3, 0u);
    EXPECT_LT(idx[i], store.vertexFloatCount());
  }
  EXPECT_EQ(idx[0], idx[3]);
  EXPECT_EQ(idx[2], idx[4]);
  store.clear();
  EXPECT_EQ(store.size(), 0u);
  EXPECT_EQ(store.vertexFloatCount(), 0u);
  store.pushBack(d, c, b);
  EXPECT_EQ(store.getIndices()[0], 0u);  // nothing is shared with before the clear
}

TEST(TriangleStoreIndexed, SharesVerticesThroughGrowthAndClears) {
  TriangleStoreIndexed store;
  // A side x side grid as two triangles per cell: every inner vertex is
  // shared by six triangles, and the table grows several times.
  const auto grid = [&](int side, float z) {
    for (int j = 0; j + 1 < side; ++j)
      for (int i = 0; i + 1 < side; ++i) {
        const float a[] = {float(i), float(j), z}, b[] = {float(i + 1), float(j), z},
                    c[] = {float(i + 1), float(j + 1), z}, d[] = {float(i), float(j + 1), z};
        store.pushBack(a, b, c);
        store.pushBack(a, c, d);
      }
  };
  for (const int side : {120, 3, 120}) {
    store.clear();
    grid(side, 0.5f);
    EXPECT_EQ(store.vertexFloatCount(), 3u * side * side);
    ASSERT_EQ(store.size(), 6u * (side - 1) * (side - 1));
    const auto triangles = Triangles(store);
    EXPECT_EQ(triangles[1], (std::array<V, 3>{V{0, 0, 0.5f}, V{1, 1, 0.5f}, V{0, 1, 0.5f}}));
    EXPECT_EQ(triangles.back()[2], (V{float(side - 2), float(side - 1), 0.5f}));
  }
  const float zero[] = {0, 0, 0}, negativeZero[] = {-0.0f, 0, 0}, x[] = {1, 0, 0};
  store.clear();
  store.pushBack(zero, negativeZero, x);
  EXPECT_EQ(store.vertexFloatCount(), 9u);  // equal as numbers, not as bits
}

TEST(FanAdder, CoversTheFanAndRestartsAfterEnd) {
  TriangleStoreIndexed store;
  TriangleFanAdderWithPlanarCheck fan(&store);
  const V center{0, 0, 0}, p1{1, 0, 0}, p2{1, 1, 0}, p3{0, 1, 0}, p4{-1, 1, 0};
  for (const V& v : {center, p1, p2, p3, p4}) fan.pushVertex(v.data());
  fan.endPrimitive();
  fan.endPrimitive();  // a second end is harmless
  auto t = Triangles(store);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0][0], center);
  EXPECT_EQ(t[0][1], p1);
  EXPECT_EQ(t[2][2], p4);
  // A new primitive after the end starts from its own first vertex.
  for (const V& v : {p1, p2, p3}) fan.pushVertex(v.data());
  t = Triangles(store);
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[3][0], p1);
}

TEST(FanAdder, DropsTrianglesWithoutArea) {
  TriangleStoreIndexed store;
  TriangleFanAdderWithPlanarCheck fan(&store);
  const V a{0, 0, 0}, b{1, 0, 0}, c{2, 0, 0}, d{2, 1, 0};
  for (const V& v : {a, b, c, d}) fan.pushVertex(v.data());
  fan.endPrimitive();
  EXPECT_EQ(Triangles(store).size(), 1u);
}

TEST(QuadStripAdder, SplitsEachQuadIntoTwoTriangles) {
  TriangleStoreIndexed store;
  QuadStripAdderWithPlanarCheck strip(&store);
  // Strip vertices 0..5: two quads (0,1,3,2) and (2,3,5,4).
  const V s[] = {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}};
  for (const V& v : s) strip.pushVertex(v.data());
  strip.endPrimitive();
  const auto t = Triangles(store);
  ASSERT_EQ(t.size(), 4u);
  // Every triangle lies in its quad and the two of a quad cover it (area 1 each quad).
  double area = 0;
  for (const auto& tri : t) {
    const double ux = tri[1][0] - tri[0][0], uy = tri[1][1] - tri[0][1];
    const double vx = tri[2][0] - tri[0][0], vy = tri[2][1] - tri[0][1];
    area += 0.5 * std::abs(ux * vy - uy * vx);
  }
  EXPECT_DOUBLE_EQ(area, 2.0);
  EXPECT_LE(std::max({t[0][0][0], t[0][1][0], t[0][2][0]}), 1.0f);
  EXPECT_GE(std::min({t[3][0][0], t[3][1][0], t[3][2][0]}), 1.0f);
  // An odd vertex after the end begins a new strip rather than closing a quad.
  strip.pushVertex(s[0].data());
  EXPECT_EQ(Triangles(store).size(), 4u);
}

TEST(RenderPlatform, GivesAContextOrSaysWhyNot) {
  xRenderPlatform* platform = xRenderPlatform::GetPlatform();
  ASSERT_EQ(platform, xRenderPlatform::GetPlatform());
  if (!platform->IsAvailable()) {
    EXPECT_FALSE(platform->GetError().empty());
    EXPECT_FALSE(platform->Activate());
    GTEST_SKIP() << "no OpenGL context here: " << platform->GetError();
  }
  ASSERT_TRUE(platform->Activate());
  EXPECT_GT(platform->GetWidth(), 0);
  EXPECT_GT(platform->GetHeight(), 0);
  EXPECT_NE(glGetString(GL_VERSION), nullptr);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  platform->Deactivate();
}

}  // namespace
