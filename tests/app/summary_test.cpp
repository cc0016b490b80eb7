#include "app/summary.h"

#include <gtest/gtest.h>

#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"

namespace {

TEST(SetSummary, TriangleMeshAreaSumsItsTriangles) {
  xTriMesh mesh;
  mesh.AddPoint(0, 0, 0);
  mesh.AddPoint(2, 0, 0);
  mesh.AddPoint(2, 3, 0);
  mesh.AddPoint(0, 0, 4);
  mesh.AddTriangle(0, 1, 2);  // 3
  mesh.AddTriangle(0, 1, 3);  // 4
  mesh.AddTriangle(0, 0, 1);  // degenerate
  const SetSummary s = Summarise(mesh);
  EXPECT_EQ(s.type, "xTriMesh");
  EXPECT_EQ(s.points, 4);
  EXPECT_EQ(s.triangles, 3);
  EXPECT_DOUBLE_EQ(s.area, 7.0);
  EXPECT_EQ(ToJson(s.bounds), (nlohmann::ordered_json{{0, 0, 0}, {2, 3, 4}}));
}

TEST(SetSummary, TrianglesWithCornersOutsideThePointsAddNoArea) {
  xTriMesh mesh;
  mesh.AddPoint(0, 0, 0);
  mesh.AddPoint(1, 0, 0);
  mesh.AddPoint(0, 1, 0);
  mesh.AddTriangle(0, 1, 2);
  mesh.AddTriangle(0, 1, 3);
  mesh.AddTriangle(4000000000u, 1, 2);
  const SetSummary s = Summarise(mesh);
  EXPECT_EQ(s.triangles, 3);
  EXPECT_EQ(s.brokenTriangles, 2);
  EXPECT_DOUBLE_EQ(s.area, 0.5);
  EXPECT_NE(DescribeContent(s).find("2 with bad corners"), std::string::npos);
}

TEST(SetSummary, BoundsShowSinglePrecisionPointsAsTheirShortestDecimal) {
  xTriMesh mesh;
  mesh.AddPoint(0.1, -2.5, 1e-3);
  mesh.AddPoint(0.3, 7.25, 1e6);
  const auto bounds = ToJson(Summarise(mesh).bounds);
  EXPECT_EQ(bounds[0][0].get<double>(), 0.1);
  EXPECT_EQ(bounds[1][0].get<double>(), 0.3);
  EXPECT_EQ(bounds[0][2].get<double>(), 1e-3);
  EXPECT_EQ(bounds[0][1].get<double>(), -2.5);
  EXPECT_EQ(bounds[1][1].get<double>(), 7.25);
}

TEST(SetSummary, CompactLineSetCountsPairsAndPolylineSegments) {
  xCompactLineSet set;
  set.AddLinePoints(0, 0, 0, 1, 0, 0);
  set.AddLinePoints(0, 1, 0, 1, 1, 0);
  set.AddPolyLinePoint(5, 5, 5, true);
  set.AddPolyLinePoint(6, 5, 5, false);
  set.AddPolyLinePoint(7, 5, 5, false);
  set.AddPolyLinePoint(-1, 0, 0, true);
  set.AddPolyLinePoint(-1, 2, 0, false);
  set.AddPolyLinePoint(9, 9, 9, true);  // a single point: no segment
  const SetSummary s = Summarise(set);
  EXPECT_EQ(s.points, 10);
  EXPECT_EQ(s.polylines, 3);
  EXPECT_EQ(s.segments, 2 + 2 + 1);
  EXPECT_EQ(ToJson(s)["segments"], 5);
  EXPECT_EQ(ToJson(s.bounds), (nlohmann::ordered_json{{-1, 0, 0}, {9, 9, 9}}));
}

TEST(SetSummary, CompactLineSetWithAnOddPointHasNoSegmentForIt) {
  xCompactLineSet set;
  set.AddLinePoints(0, 0, 0, 1, 0, 0);
  set.GetData()->points.emplace_back(3, 3, 3);
  EXPECT_EQ(Summarise(set).segments, 1);
}

TEST(SetSummary, LineSetCountsLinesAndSegments) {
  xLineSet set;
  xLine* first = set.NewLine();
  first->AddPoint(xVector(0, 0, 0));
  first->AddPoint(xVector(1, 0, 0));
  first->AddPoint(xVector(1, -1, 0));
  set.NewLine()->AddPoint(xVector(4, 4, 4));
  set.NewLine();
  const SetSummary s = Summarise(set);
  EXPECT_EQ(s.type, "xLineSet");
  EXPECT_EQ(s.points, 4);
  EXPECT_EQ(s.lines, 3);
  EXPECT_EQ(s.segments, 2);
  const auto j = ToJson(s);
  EXPECT_EQ(j["lines"], 3);
  EXPECT_EQ(j["segments"], 2);
  EXPECT_EQ(j["bounds"], (nlohmann::ordered_json{{0, -1, 0}, {4, 4, 4}}));
}

TEST(SetSummary, PolyMeshPointSetAndFrameSet) {
  xPolyMesh poly;
  xPolygon* polygon = poly.NewPolygon();
  polygon->AddVertex(poly.AddPoint(0, 0, 0, 0));
  polygon->AddVertex(poly.AddPoint(1, 2, 3, 1));
  poly.NewPolygon();
  const auto polyJson = ToJson(Summarise(poly));
  EXPECT_EQ(polyJson["type"], "xPolyMesh");
  EXPECT_EQ(polyJson["points"], 2);
  EXPECT_EQ(polyJson["polygons"], 2);

  xPointSet points;
  points.AddPoint(xFVector(1, 1, 1));
  const auto pointJson = ToJson(Summarise(points));
  EXPECT_EQ(pointJson["type"], "xPointSet");
  EXPECT_EQ(pointJson["points"], 1);
  EXPECT_EQ(pointJson["bounds"], (nlohmann::ordered_json{{1, 1, 1}, {1, 1, 1}}));

  xFrameSet frames;
  xMatrix at;
  at.SetPosition(3, -4, 5);
  frames.AddFrame(new xFrame(at));
  frames.AddFrame(new xFrame(xMatrix()));
  const auto frameJson = ToJson(Summarise(frames));
  EXPECT_EQ(frameJson["type"], "xFrameSet");
  EXPECT_EQ(frameJson["frames"], 2);
  EXPECT_FALSE(frameJson.contains("points"));
  EXPECT_EQ(frameJson["bounds"], (nlohmann::ordered_json{{0, -4, 0}, {3, 0, 5}}));
}

TEST(SetSummary, EverySetCarriesMaterialModeAndBounds) {
  xMaterial red;
  red.SetName("RED");
  xPointSet empty;
  empty.SetMaterial(&red);
  empty.SetMaterialMode(2);
  const auto j = ToJson(Summarise(empty));
  EXPECT_EQ(j["material"], "RED");
  EXPECT_EQ(j["material_mode"], 2);
  EXPECT_TRUE(j["bounds"].is_null());

  xTriMesh bare;
  const auto b = ToJson(Summarise(bare));
  EXPECT_TRUE(b["material"].is_null());
  EXPECT_EQ(b["material_mode"], 0);
  EXPECT_TRUE(b["bounds"].is_null());
  EXPECT_EQ(b["area"], 0.0);
}

TEST(ReadReportJson, KeepsTheKeysInContractOrder) {
  ReadReport report;
  report.file = "a.pdb";
  report.module = "xpdb09";
  report.ok = false;
  report.error = "Error Reading Texts";
  report.assertions = 2;
  xGeometry geometry;
  geometry.GetContainer()->AddSet(new xTriMesh);
  report.sets = SummariseSets(geometry);
  const auto j = ToJson(report);
  std::vector<std::string> keys;
  for (const auto& item : j.items()) keys.push_back(item.key());
  EXPECT_EQ(keys,
            (std::vector<std::string>{"file", "module", "ok", "error", "optimizer", "assertions", "sets"}));
  EXPECT_EQ(j["error"], "Error Reading Texts");
  EXPECT_TRUE(j["optimizer"].is_null());
  EXPECT_EQ(j["sets"].size(), 1u);

  report.ok = true;
  report.optimizer.called = true;
  report.optimizer.name = "xpdb";
  report.optimizer.version = 14;
  const auto ok = ToJson(report);
  EXPECT_TRUE(ok["error"].is_null());
  EXPECT_EQ(ok["optimizer"], (nlohmann::ordered_json{{"name", "xpdb"}, {"version", 14}}));
}

}  // namespace
