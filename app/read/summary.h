#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/xgeometryoptimizer.h"
#include "host/xsetkind.h"

class xGeoSet;
class xGeometry;

// Axis-aligned box of the points seen so far.
struct Bounds {
  bool empty = true;
  double min[3] = {0, 0, 0};
  double max[3] = {0, 0, 0};
  void Add(double x, double y, double z);
};

// What a host shows of one geometry set. Counts that do not apply to the
// set's kind stay 0.
struct SetSummary {
  std::string type;  // host class name, e.g. "xTriMesh"
  int typeCode = 0;
  std::optional<std::string> material;
  int materialMode = 0;
  Bounds bounds;
  int points = 0;
  int triangles = 0;
  double area = 0.0;
  int segments = 0;
  int polylines = 0;
  int lines = 0;
  int polygons = 0;
  int frames = 0;
  // Triangles whose corners lie outside the point table; they add no area.
  int brokenTriangles = 0;
};

// The counts that a set's kind reports, as `read --json` lists them: `count`
// with each whole number's key, `real` with a mesh's area after its
// triangles.
template <class Count, class Real>
void ListCounts(const SetSummary& s, Count&& count, Real&& real) {
  switch (s.typeCode) {
    case xGeoTypeTriMesh:
      count("points", s.points);
      count("triangles", s.triangles);
      real("area", s.area);
      return;
    case xGeoTypeCompactLineSet:
      count("points", s.points);
      count("segments", s.segments);
      count("polylines", s.polylines);
      return;
    case xGeoTypeLineSet:
      count("points", s.points);
      count("lines", s.lines);
      count("segments", s.segments);
      return;
    case xGeoTypePolyMesh:
      count("points", s.points);
      count("polygons", s.polygons);
      return;
    case xGeoTypePointSet:
      count("points", s.points);
      return;
    case xGeoTypeFrameSet:
      count("frames", s.frames);
      return;
    default:
      count("code", s.typeCode);
  }
}

// Without bounds, the points are not walked: a caller that only counts
// saves the dearest part.
SetSummary Summarise(const xGeoSet& set, bool withBounds = true);
std::vector<SetSummary> SummariseSets(xGeometry& geometry);

nlohmann::ordered_json ToJson(const SetSummary& set);
nlohmann::ordered_json ToJson(const Bounds& bounds);

// The outcome of one read, as `read --json` prints it.
struct ReadReport {
  std::string file;
  std::string module;  // empty for a mesh file read through the importer
  bool ok = false;
  std::string error;
  xOptimizerRecord optimizer;
  int assertions = 0;
  std::vector<SetSummary> sets;
  // Where a failed read stopped, as the package noted it ("object 3, byte
  // 120, line 9"); empty when it noted nothing.
  std::string errorDetail;
};

nlohmann::ordered_json ToJson(const ReadReport& report);

// The bounds as the table shows them: "(0 0 0) .. (1 2 3)", or "-".
std::string DescribeBounds(const Bounds& bounds);
// Short human text of a set's content, "4 points, 2 triangles, area 1",
// and the bounds' text, into reused strings for a table of a million rows.
void DescribeContent(const SetSummary& set, std::string& text);
void DescribeBounds(const Bounds& bounds, std::string& text);
