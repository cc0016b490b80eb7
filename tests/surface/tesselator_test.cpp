#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "host/xrenderplatform.h"
#include "surfacetest.h"

namespace {

using surfacetest::StoreArea;
using Tesselator = GluNurbsTesselator<TriangleStoreIndexed>;

// A surface as GLU takes it: x, y, z, w per control point, u-major.
struct Patch {
  std::vector<float> uKnots, vKnots, points;
  int uOrder = 2, vOrder = 2, vCount = 2;
};

Patch UnitSquare() { return {{0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 1, 1, 0, 1}}; }

Patch QuarterCylinder(float r, float length) {
  const float w = std::sqrt(0.5f);
  return {{0, 0, 0, 1, 1, 1},
          {0, 0, 1, 1},
          {r,     0,     0,          1, r, 0, length, 1, r * w, r * w, 0,      w,
           r * w, r * w, length * w, w, 0, r, 0,      1, 0,     r,     length, 1},
          3,
          2,
          2};
}

void Surface(Tesselator& t, Patch& p) {
  t.nurbsSurface(static_cast<int>(p.uKnots.size()), p.uKnots.data(), static_cast<int>(p.vKnots.size()),
                 p.vKnots.data(), 4 * p.vCount, 4, p.points.data(), p.uOrder, p.vOrder);
}

// A closed polygon as linear trimming pieces.
void Loop(Tesselator& t, std::vector<float> uv) {
  uv.push_back(uv[0]);
  uv.push_back(uv[1]);
  float knots[] = {0, 0, 1, 1};
  t.beginTrim();
  for (std::size_t i = 0; i + 3 < uv.size(); i += 2) t.nurbsCurve(4, knots, 2, &uv[i], 2);
  t.endTrim();
}

void Tessellate(Tesselator& t, Patch p, float tolerance, const std::vector<std::vector<float>>& loops = {}) {
  t.init(tolerance);
  t.beginSurface();
  Surface(t, p);
  for (const auto& loop : loops) Loop(t, loop);
  t.endSurface();
}

const std::vector<float> kUnitLoop = {0, 0, 1, 0, 1, 1, 0, 1};

TEST(TesselatorArea, QuarterCylinderFollowsItsRadius) {
  const float r = 2.0f, length = 3.0f, tolerance = 0.001f;
  Tesselator t;
  Tessellate(t, QuarterCylinder(r, length), tolerance);
  ASSERT_GT(t.size(), 0u);
  // Chords lie inside the arc, so the area falls short by a little.
  const double exact = std::numbers::pi / 2 * r * length;
  EXPECT_NEAR(StoreArea(t), exact, exact * 2e-3);
  EXPECT_LT(StoreArea(t), exact);
  for (unsigned i = 0; i < t.vertexFloatCount(); i += 3) {
    const float* v = t.getVertices() + i;
    EXPECT_NEAR(std::hypot(v[0], v[1]), r, 1e-4);
    EXPECT_GE(v[2], -1e-5f);
    EXPECT_LE(v[2], length + 1e-5f);
  }
  // Each index entry is the position of a vertex's x.
  ASSERT_EQ(t.size() % 3, 0u);
  for (unsigned i = 0; i < t.size(); ++i) {
    EXPECT_EQ(t.getIndices()[i] % 3, 0u);
    EXPECT_LT(t.getIndices()[i], t.vertexFloatCount());
  }
}

TEST(TesselatorStore, SecondSurfaceDoesNotShareTheFirstOnesTriangles) {
  Tesselator alone;
  Patch shifted = UnitSquare();
  for (std::size_t i = 0; i < shifted.points.size(); i += 4) shifted.points[i] += 10.0f;
  Tessellate(alone, shifted, 0.01f);

  Tesselator t;
  Tessellate(t, QuarterCylinder(1, 1), 0.001f);
  ASSERT_GT(t.size(), alone.size());
  Tessellate(t, shifted, 0.01f);
  EXPECT_EQ(t.size(), alone.size());
  EXPECT_EQ(t.vertexFloatCount(), alone.vertexFloatCount());
  for (unsigned i = 0; i < t.vertexFloatCount(); i += 3) EXPECT_GE(t.getVertices()[i], 10.0f);
}

TEST(TesselatorErrors, RejectedSurfacePrintsItsErrorAndTheNextOneTessellates) {
  Tesselator t;
  Patch bad = UnitSquare();
  bad.uKnots = {0, 1, 0.5f, 1};  // decreasing
  testing::internal::CaptureStderr();
  Tessellate(t, bad, 0.01f, {kUnitLoop});
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(t.hasError());
  // GLU's own text, one line per error.
  EXPECT_EQ(printed.rfind("Nurbs Error: ", 0), 0u) << printed;
  EXPECT_GT(printed.find('\n'), std::string("Nurbs Error: ").size() + 3);
  EXPECT_EQ(t.size(), 0u);
  t.init(0.01f);
  EXPECT_TRUE(t.hasError());  // only beginSurface clears it

  testing::internal::CaptureStderr();
  Tessellate(t, UnitSquare(), 0.01f, {kUnitLoop});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(t.hasError());
  EXPECT_NEAR(StoreArea(t), 1.0, 1e-5);
}

TEST(TesselatorErrors, ErrorsReachTheTesselatorThatMadeTheCall) {
  Tesselator first, second;
  first.init(0.01f);
  second.init(0.01f);
  Patch bad = UnitSquare();
  bad.uKnots = {0, 1, 0.5f, 1};
  testing::internal::CaptureStderr();
  second.beginSurface();
  Surface(second, bad);
  second.endSurface();
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(second.hasError());
  EXPECT_FALSE(first.hasError());
}

TEST(TesselatorCallbacks, WithoutRendererOrOfUnknownKindTheyAreReported) {
  Tesselator t;
  xGlobalAssertReset();
  t._begin(GL_TRIANGLE_FAN);  // no renderer yet
  EXPECT_EQ(xGlobalAssertCount(), 1);
  t.init(0.01f);
  t.beginSurface();
  xGlobalAssertReset();
  const float a[] = {0, 0, 0}, b[] = {1, 0, 0}, c[] = {0, 1, 0};
  t._begin(GL_TRIANGLES);
  EXPECT_EQ(xGlobalAssertCount(), 1);
  t._addGlVertex(a);
  t._addGlVertex(b);
  t._addGlVertex(c);
  t._end();
  EXPECT_EQ(t.size(), 0u);

  t._begin(GL_TRIANGLE_FAN);
  t._addGlVertex(a);
  t._addGlVertex(b);
  t._addGlVertex(c);
  t._end();
  EXPECT_EQ(t.size(), 3u);
  EXPECT_EQ(xGlobalAssertCount(), 1);
}

TEST(TesselatorSampling, PathLengthLastsOnlyUntilTheNextInit) {
  const std::vector<std::vector<float>> loops = {kUnitLoop};
  Tesselator reference;
  Tessellate(reference, QuarterCylinder(1, 1), 0.0005f, loops);

  Tesselator t;
  t.init(0.0005f);
  t.changeTesselationAlgorithm();
  t.beginSurface();
  Patch p = QuarterCylinder(1, 1);
  Surface(t, p);
  Loop(t, kUnitLoop);
  t.endSurface();
  EXPECT_NE(t.size(), reference.size());

  Tessellate(t, QuarterCylinder(1, 1), 0.0005f, loops);
  EXPECT_EQ(t.size(), reference.size());
}

TEST(BaseTolerance, ComesFromTheHostSettingAndIsZeroWithout) {
  xEnvironment::GetGlobal()->Remove(surfacetest::ToleranceSetting::kName);
  EXPECT_EQ(xNurbsBaseTolerance(), 0.0f);
  surfacetest::ToleranceSetting setting(0.1);
  EXPECT_EQ(xNurbsBaseTolerance(), 0.1f);
  xEnvironment::GetGlobal()->SetDouble(surfacetest::ToleranceSetting::kName, 1e300);
  EXPECT_EQ(xNurbsBaseTolerance(), HUGE_VALF);
}

TEST(GlBracket, SetsUpAViewAndRestoresTheMatrixStack) {
  xRenderPlatform* platform = xRenderPlatform::GetPlatform();
  const bool available = platform->IsAvailable();
  {
    xNurbsGlBracket bracket;
    EXPECT_EQ(bracket.IsActive(), available);
    if (!available) GTEST_SKIP() << "no OpenGL context: " << platform->GetError();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], platform->GetWidth());
    EXPECT_EQ(viewport[3], platform->GetHeight());
    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_EQ(depth, 2);
    // A tessellation inside the bracket works as outside it.
    Tesselator t;
    Tessellate(t, UnitSquare(), 0.01f, {kUnitLoop});
    EXPECT_NEAR(StoreArea(t), 1.0, 1e-5);
  }
  ASSERT_TRUE(platform->Activate());
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  EXPECT_EQ(depth, 1);
  platform->Deactivate();
}

}  // namespace
