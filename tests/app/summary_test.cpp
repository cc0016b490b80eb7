#include "app/summary.h"

#include <gtest/gtest.h>

#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xlineset.h"
#include "host/xtrimesh.h"

namespace {

using Json = nlohmann::json;

Json Summary(const xGeoSet& set) { return ToJson(Summarise(set)); }

TEST(SetSummary, TriangleAreaSkipsCornersOutsideThePoints) {
  xTriMesh mesh;
  for (const auto& p : {xFVector(0, 0, 0), xFVector(2, 0, 0), xFVector(2, 3, 0), xFVector(-0.1f, 0, 4)})
    mesh.AddPoint(p);
  for (const unsigned corner : {2u, 3u, 4u}) mesh.AddTriangle(0, 1, corner);
  const SetSummary s = Summarise(mesh);
  EXPECT_DOUBLE_EQ(s.area, 7.0);
  EXPECT_EQ(s.brokenTriangles, 1);
  // Single-precision points are shown as their shortest decimal.
  EXPECT_EQ(Json(ToJson(s)["bounds"]), Json::parse("[[-0.1, 0, 0], [2, 3, 4]]"));
  EXPECT_EQ(Summary(xTriMesh())["bounds"], Json(nullptr));
}

TEST(SetSummary, LineSetsCountSegmentsOfPairsAndPolylines) {
  xCompactLineSet compact;
  compact.AddLinePoints(0, 0, 0, 1, 0, 0);
  compact.AddLinePoints(0, 1, 0, 1, 1, 0);
  for (const float x : {5.0f, 6.0f, 7.0f}) compact.AddPolyLinePoint(x, 5, 5, x == 5.0f);
  compact.AddPolyLinePoint(-1, 0, 0, true);
  compact.AddPolyLinePoint(-1, 2, 0, false);
  compact.AddPolyLinePoint(9, 9, 9, true);
  EXPECT_EQ(Summary(compact), Json::parse(R"({"type": "xCompactLineSet", "points": 10,
      "segments": 5, "polylines": 3, "material": null, "material_mode": 0, "bounds": [[-1, 0, 0], [9, 9, 9]]})"));

  xLineSet lines;
  xLine* first = lines.NewLine();
  for (const double x : {0.0, 1.0, 1.5}) first->AddPoint(xVector(x, -x, 0));
  lines.NewLine()->AddPoint(xVector(4, 4, 4));
  lines.NewLine();
  EXPECT_EQ(Summary(lines), Json::parse(R"({"type": "xLineSet", "points": 4, "lines": 3, "segments": 2,
      "material": null, "material_mode": 0, "bounds": [[0, -1.5, 0], [4, 4, 4]]})"));
}

}  // namespace
