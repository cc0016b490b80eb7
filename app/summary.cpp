#include "app/summary.h"

#include <charconv>
#include <cmath>

#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"

namespace {

// The shortest decimal that reads back as the float, as a double: a point
// stored as 0.1f is reported as 0.1, not 0.100000001490116.
double Decimal(float value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value);
  double result = value;
  std::from_chars(text, written.ptr, result);
  return result;
}

// The box of float points, kept in float: the decimal of a float is
// monotonic in it, so only the two corners need converting, not every point.
struct FloatBox {
  bool empty = true;
  float min[3] = {0, 0, 0};
  float max[3] = {0, 0, 0};

  void Add(const xFVector& point) {
    const float p[3] = {point.x, point.y, point.z};
    for (int i = 0; i < 3; ++i) {
      if (empty || p[i] < min[i]) min[i] = p[i];
      if (empty || p[i] > max[i]) max[i] = p[i];
    }
    empty = false;
  }
  void Into(Bounds& bounds) const {
    if (empty) return;
    bounds.Add(Decimal(min[0]), Decimal(min[1]), Decimal(min[2]));
    bounds.Add(Decimal(max[0]), Decimal(max[1]), Decimal(max[2]));
  }
};

double TriangleArea(const xFVector& a, const xFVector& b, const xFVector& c) {
  const double ux = double{b.x} - a.x, uy = double{b.y} - a.y, uz = double{b.z} - a.z;
  const double vx = double{c.x} - a.x, vy = double{c.y} - a.y, vz = double{c.z} - a.z;
  const double nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  return 0.5 * std::sqrt(nx * nx + ny * ny + nz * nz);
}

void SummariseTriMesh(const xTriMesh& mesh, SetSummary& s) {
  s.points = mesh.GetPointCount();
  s.triangles = mesh.GetTriangleCount();
  FloatBox box;
  for (int i = 0; i < s.points; ++i) box.Add(mesh.GetPoint(i));
  box.Into(s.bounds);
  const auto points = static_cast<unsigned>(s.points);
  for (int i = 0; i < s.triangles; ++i) {
    const auto& t = mesh.GetTriangle(i);
    if (t.a >= points || t.b >= points || t.c >= points) {
      ++s.brokenTriangles;
      continue;
    }
    s.area += TriangleArea(mesh.GetPoint(static_cast<int>(t.a)), mesh.GetPoint(static_cast<int>(t.b)),
                           mesh.GetPoint(static_cast<int>(t.c)));
  }
}

void SummariseCompactLineSet(const xCompactLineSet& set, SetSummary& s) {
  s.points = set.GetPointCount();
  s.polylines = set.GetPolyLineCount();
  FloatBox box;
  for (int i = 0; i < s.points; ++i) box.Add(set.GetPoint(i));
  box.Into(s.bounds);
  // Separate segments come first, two points each; the polylines follow.
  const int pairPoints = s.polylines > 0 ? set.GetPolyLineStart(0) : s.points;
  s.segments = pairPoints / 2;
  for (int i = 0; i < s.polylines; ++i) {
    const int size = set.GetPolyLineSize(i);
    if (size > 1) s.segments += size - 1;
  }
}

void SummariseLineSet(const xLineSet& set, SetSummary& s) {
  s.points = set.GetPoints().GCount();
  for (const xLinePoint* p = set.GetPoints().GBegin(); p; p = xTDLinkList<xLinePoint>::GNext(p))
    s.bounds.Add(p->x, p->y, p->z);
  s.lines = set.GetLines().GCount();
  for (const xLine* line = set.GetLines().GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    if (line->GetPointCount() > 1) s.segments += line->GetPointCount() - 1;
}

void SummarisePolyMesh(const xPolyMesh& mesh, SetSummary& s) {
  s.points = mesh.GetPoints().GCount();
  for (const xPolyPoint* p = mesh.GetPoints().GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p))
    s.bounds.Add(p->x, p->y, p->z);
  s.polygons = mesh.GetPolygons().GCount();
}

void SummarisePointSet(const xPointSet& set, SetSummary& s) {
  s.points = set.GetPointCount();
  FloatBox box;
  for (int i = 0; i < s.points; ++i) box.Add(set.GetPoint(i));
  box.Into(s.bounds);
}

void SummariseFrameSet(const xFrameSet& set, SetSummary& s) {
  s.frames = set.GetFrameCount();
  for (int i = 0; i < s.frames; ++i) {
    const xMatrix& m = set.GetFrame(i)->GetMatrix();
    s.bounds.Add(m.At(0, 3), m.At(1, 3), m.At(2, 3));
  }
}

// As "%g" writes it, without the cost of printf on a million sets.
std::string Number(double value) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
  return std::string(text, written.ptr);
}

std::string Counted(int count, const char* singular, const char* plural) {
  return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

}  // namespace

void Bounds::Add(double x, double y, double z) {
  const double p[3] = {x, y, z};
  for (int i = 0; i < 3; ++i) {
    if (empty || p[i] < min[i]) min[i] = p[i];
    if (empty || p[i] > max[i]) max[i] = p[i];
  }
  empty = false;
}

SetSummary Summarise(const xGeoSet& set) {
  SetSummary s;
  s.typeCode = set.GetType();
  if (const xMaterial* material = set.GetMaterial()) s.material = material->GetName().Str();
  s.materialMode = set.GetMaterialMode();
  if (const auto* mesh = dynamic_cast<const xTriMesh*>(&set)) {
    s.type = "xTriMesh";
    SummariseTriMesh(*mesh, s);
  } else if (const auto* compact = dynamic_cast<const xCompactLineSet*>(&set)) {
    s.type = "xCompactLineSet";
    SummariseCompactLineSet(*compact, s);
  } else if (const auto* lines = dynamic_cast<const xLineSet*>(&set)) {
    s.type = "xLineSet";
    SummariseLineSet(*lines, s);
  } else if (const auto* poly = dynamic_cast<const xPolyMesh*>(&set)) {
    s.type = "xPolyMesh";
    SummarisePolyMesh(*poly, s);
  } else if (const auto* points = dynamic_cast<const xPointSet*>(&set)) {
    s.type = "xPointSet";
    SummarisePointSet(*points, s);
  } else if (const auto* frames = dynamic_cast<const xFrameSet*>(&set)) {
    s.type = "xFrameSet";
    SummariseFrameSet(*frames, s);
  } else {
    s.type = "xGeoSet";
  }
  return s;
}

std::vector<SetSummary> SummariseSets(xGeometry& geometry) {
  std::vector<SetSummary> sets;
  if (geometry.GetContainer().IsEmpty()) return sets;
  const xGeoContainer& container = *geometry.GetContainer();
  for (int i = 0; i < container.GetSetCount(); ++i)
    if (const xGeoSet* set = container.GetSet(i)) sets.push_back(Summarise(*set));
  return sets;
}

nlohmann::ordered_json ToJson(const Bounds& bounds) {
  if (bounds.empty) return nullptr;
  return {{bounds.min[0], bounds.min[1], bounds.min[2]}, {bounds.max[0], bounds.max[1], bounds.max[2]}};
}

nlohmann::ordered_json ToJson(const SetSummary& s) {
  nlohmann::ordered_json j;
  j["type"] = s.type;
  if (s.type == "xTriMesh") {
    j["points"] = s.points;
    j["triangles"] = s.triangles;
    j["area"] = s.area;
  } else if (s.type == "xCompactLineSet") {
    j["points"] = s.points;
    j["segments"] = s.segments;
    j["polylines"] = s.polylines;
  } else if (s.type == "xLineSet") {
    j["points"] = s.points;
    j["lines"] = s.lines;
    j["segments"] = s.segments;
  } else if (s.type == "xPolyMesh") {
    j["points"] = s.points;
    j["polygons"] = s.polygons;
  } else if (s.type == "xPointSet") {
    j["points"] = s.points;
  } else if (s.type == "xFrameSet") {
    j["frames"] = s.frames;
  } else {
    j["code"] = s.typeCode;
  }
  j["material"] = s.material ? nlohmann::ordered_json(*s.material) : nlohmann::ordered_json(nullptr);
  j["material_mode"] = s.materialMode;
  j["bounds"] = ToJson(s.bounds);
  return j;
}

nlohmann::ordered_json ToJson(const ReadReport& report) {
  nlohmann::ordered_json j;
  j["file"] = report.file;
  // An imported mesh went through no module.
  j["module"] =
      report.module.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(report.module);
  j["ok"] = report.ok;
  j["error"] = report.ok ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(report.error);
  if (report.optimizer.called)
    j["optimizer"] = {{"name", report.optimizer.name}, {"version", report.optimizer.version}};
  else
    j["optimizer"] = nullptr;
  j["assertions"] = report.assertions;
  j["sets"] = nlohmann::ordered_json::array();
  for (const SetSummary& s : report.sets) j["sets"].push_back(ToJson(s));
  return j;
}

std::string DescribeContent(const SetSummary& s) {
  std::string text;
  if (s.type == "xFrameSet") return Counted(s.frames, "frame", "frames");
  text = Counted(s.points, "point", "points");
  if (s.type == "xTriMesh") {
    text += ", " + Counted(s.triangles, "triangle", "triangles") + ", area " + Number(s.area);
    if (s.brokenTriangles > 0) text += " (" + std::to_string(s.brokenTriangles) + " with bad corners)";
  } else if (s.type == "xCompactLineSet") {
    text += ", " + Counted(s.segments, "segment", "segments");
    if (s.polylines > 0) text += " in part on " + Counted(s.polylines, "polyline", "polylines");
  } else if (s.type == "xLineSet") {
    text += ", " + Counted(s.lines, "line", "lines") + ", " + Counted(s.segments, "segment", "segments");
  } else if (s.type == "xPolyMesh") {
    text += ", " + Counted(s.polygons, "polygon", "polygons");
  }
  return text;
}

std::string DescribeBounds(const Bounds& bounds) {
  if (bounds.empty) return "-";
  return "(" + Number(bounds.min[0]) + " " + Number(bounds.min[1]) + " " + Number(bounds.min[2]) + ") .. (" +
         Number(bounds.max[0]) + " " + Number(bounds.max[1]) + " " + Number(bounds.max[2]) + ")";
}
