#include "app/summary.h"

#include <gtest/gtest.h>

#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xtrimesh.h"

namespace {

using Json = nlohmann::ordered_json;

TEST(SetSummary, TriangleAreaSkipsCornersOutsideThePoints) {
  xTriMesh mesh;
  mesh.AddPoint(0, 0, 0);
  mesh.AddPoint(2, 0, 0);
  mesh.AddPoint(2, 3, 0);
  mesh.AddPoint(-0.1, 0, 4);
  mesh.AddTriangle(0, 1, 2);
  mesh.AddTriangle(0, 1, 3);
  mesh.AddTriangle(0, 1, 4);
  const SetSummary s = Summarise(mesh);
  EXPECT_DOUBLE_EQ(s.area, 7.0);
  EXPECT_EQ(s.brokenTriangles, 1);
  // Single-precision points are shown as their shortest decimal.
  EXPECT_EQ(ToJson(s)["bounds"], (Json{{-0.1, 0, 0}, {2, 3, 4}}));
  EXPECT_EQ(ToJson(Summarise(xTriMesh()))["bounds"], Json(nullptr));
}

TEST(SetSummary, LineSetsCountSegmentsOfPairsAndPolylines) {
  xCompactLineSet compact;
  compact.AddLinePoints(0, 0, 0, 1, 0, 0);
  compact.AddLinePoints(0, 1, 0, 1, 1, 0);
  for (const float x : {5.0f, 6.0f, 7.0f}) compact.AddPolyLinePoint(x, 5, 5, x == 5.0f);
  compact.AddPolyLinePoint(-1, 0, 0, true);
  compact.AddPolyLinePoint(-1, 2, 0, false);
  compact.AddPolyLinePoint(9, 9, 9, true);
  const Json c = ToJson(Summarise(compact));
  EXPECT_EQ(c["points"], 10);
  EXPECT_EQ(c["polylines"], 3);
  EXPECT_EQ(c["segments"], 2 + 2 + 1);
  EXPECT_EQ(c["bounds"], (Json{{-1, 0, 0}, {9, 9, 9}}));

  xLineSet lines;
  xLine* first = lines.NewLine();
  for (const double x : {0.0, 1.0, 1.5}) first->AddPoint(xVector(x, -x, 0));
  lines.NewLine()->AddPoint(xVector(4, 4, 4));
  lines.NewLine();
  const Json l = ToJson(Summarise(lines));
  EXPECT_EQ(l["type"], "xLineSet");
  EXPECT_EQ(l["points"], 4);
  EXPECT_EQ(l["lines"], 3);
  EXPECT_EQ(l["segments"], 2);
}

TEST(SetSummary, FrameSetBoundsSpanTheFrameOrigins) {
  xFrameSet frames;
  xMatrix at;
  at.SetPosition(3, -4, 5);
  frames.AddFrame(new xFrame(at));
  frames.AddFrame(new xFrame(xMatrix()));
  const Json j = ToJson(Summarise(frames));
  EXPECT_EQ(j["frames"], 2);
  EXPECT_FALSE(j.contains("points"));
  EXPECT_EQ(j["bounds"], (Json{{0, -4, 0}, {3, 0, 5}}));
  EXPECT_EQ(j["material"], Json(nullptr));
  EXPECT_EQ(j["material_mode"], 0);
}

TEST(ReadReportJson, KeysComeInTheDocumentedOrder) {
  ReadReport report;
  report.error = "Error Reading Texts";
  xGeometry geometry;
  geometry.GetContainer()->AddSet(new xTriMesh);
  report.sets = SummariseSets(geometry);
  const Json j = ToJson(report);
  std::vector<std::string> keys;
  for (const auto& item : j.items()) keys.push_back(item.key());
  EXPECT_EQ(keys,
            (std::vector<std::string>{"file", "module", "ok", "error", "optimizer", "assertions", "sets"}));
  EXPECT_EQ(j["error"], "Error Reading Texts");
  EXPECT_EQ(j["sets"].size(), 1u);
}

}  // namespace
