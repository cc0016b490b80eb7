#include "app/read/summary.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xlineset.h"
#include "host/xpointset.h"
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

  // An odd point at the end of the pairs is no segment, and a polyline
  // start beyond the points adds none.
  xCompactLineSet odd;
  for (int i = 0; i < 4; ++i) odd.GetData()->points.emplace_back(float(i), 0.0f, 0.0f);
  odd.GetData()->polyLineStarts = {3};
  EXPECT_EQ(Summary(odd)["segments"], 1);
  odd.GetData()->polyLineStarts = {9};
  EXPECT_EQ(Summary(odd)["segments"], 2);
  odd.GetData()->polyLineStarts = {1, 9};
  EXPECT_EQ(Summary(odd)["segments"], 2);
  EXPECT_EQ(Summary(odd)["polylines"], 2);

  xLineSet lines;
  xLine* first = lines.NewLine();
  for (const double x : {0.0, 1.0, 1.5}) first->AddPoint(xVector(x, -x, 0));
  lines.NewLine()->AddPoint(xVector(4, 4, 4));
  lines.NewLine();
  EXPECT_EQ(Summary(lines), Json::parse(R"({"type": "xLineSet", "points": 4, "lines": 3, "segments": 2,
      "material": null, "material_mode": 0, "bounds": [[0, -1.5, 0], [4, 4, 4]]})"));
}

// The bounds are the points' shortest decimals, printed as "%g" does, over
// every binade of float and at the ties of six-digit rounding, where the
// quick paths hand over to the general ones.
TEST(SetSummary, BoundsAreTheShortestDecimalsPrintedAsPrintfWould) {
  std::mt19937 random(12);
  std::vector<float> values = {0.1f, 1e-4f, 9.99999e-5f, 999999.0f, 999999.5f, 33555512.0f, 0.5f, 1.0f};
  for (int i = 0; i < 40000; ++i) {
    const std::uint32_t bits = random() & 0x7fffffffu;
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    if (std::isfinite(value)) values.push_back(value);
  }
  // Most coordinates lie where "%g" prints fixed digits, many of them short
  // decimals typed by a person.
  std::uniform_real_distribution<double> decade(-4.5, 6.5);
  for (int i = 0; i < 40000; ++i) values.push_back(static_cast<float>(std::pow(10.0, decade(random))));
  for (int k = 1; k < 40000; k += 7) values.push_back(static_cast<float>(k / 1000.0));
  for (int k = 100000; k < 1000000; k += 9973)
    for (const double unit : {1e-9, 1e-4, 0.01, 1.0}) values.push_back(static_cast<float>((k + 0.5) * unit));

  for (const float value : values) {
    char text[64];
    double shortest = 0;
    std::from_chars(text, std::to_chars(text, text + sizeof text, value).ptr, shortest);
    xPointSet set;
    set.AddPoint(xFVector(value, -value, 0));
    const SetSummary s = Summarise(set);
    ASSERT_EQ(s.bounds.max[0], shortest) << value;
    ASSERT_EQ(s.bounds.min[1], -shortest) << value;

    std::snprintf(text, sizeof text, "(%g %g 0) .. (%g %g 0)", -shortest, -shortest, shortest, shortest);
    Bounds square;
    square.Add(-shortest, -shortest, 0);
    square.Add(shortest, shortest, 0);
    ASSERT_EQ(DescribeBounds(square), text) << value;
  }
}

}  // namespace
