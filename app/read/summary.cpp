#include "app/read/summary.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "host/xcompactlineset.h"
#include "host/xframeset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xsetkind.h"
#include "host/xtriangle.h"
#include "host/xtrimesh.h"

namespace {

constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                              1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// A magnitude that "%g" prints in fixed notation, rounded to its six
// significant digits: digits / 10^decimals, trailing zeros kept. False near
// a rounding tie, where one exact scaling cannot decide, and outside the
// fixed range.
bool SixDigits(double magnitude, std::uint32_t& digits, int& decimals) {
  if (!(magnitude >= 1e-4 && magnitude < 999999.0)) return false;
  static constexpr double kLeading[] = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
  // The power of ten of the leading digit, from the binary exponent: 1233 /
  // 4096 is log10(2) a little short, so the estimate is the power or one
  // below it. A carry below corrects a power's rounding.
  std::uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const int binary = static_cast<int>(bits >> 52) - 1023;
  int exponent = (binary * 1233) >> 12;
  if (magnitude >= kLeading[exponent + 6]) ++exponent;
  // One rounding of a value below 2^20: off by at most 2^-33.
  const double scaled = magnitude * kPowers[5 - exponent];
  // Truncation is the floor of a positive value, without a call to floor.
  const auto whole = static_cast<std::uint32_t>(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) <= 1e-9) return false;
  digits = fraction > 0.5 ? whole + 1 : whole;
  if (digits == 1000000) {
    ++exponent;
    digits = 100000;
  }
  decimals = 5 - exponent;
  return true;
}

// The shortest decimal that reads back as the float, as a double: a point
// stored as 0.1f is reported as 0.1, not 0.100000001490116. Most floats
// have a decimal of at most six digits, which their six-digit rounding
// finds; the others take the full shortest conversion. A decimal's at most
// nine digits and a power of ten up to 1e22 are exact doubles, so one
// multiplication or division rounds as a full parse would.
double Decimal(float value) {
  if (!std::isfinite(value) || value == 0) return value;
  std::uint32_t six = 0;
  int sixDecimals = 0;
  if (SixDigits(std::fabs(double{value}), six, sixDecimals)) {
    const double candidate = static_cast<double>(six) / kPowers[sixDecimals];
    // It is the float's decimal when it rounds back to the float, unless it
    // lies on a midpoint between two floats, where a double's rounding to
    // float need not be the decimal's.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &candidate, sizeof bits);
    constexpr std::uint64_t kBelowFloat = (std::uint64_t{1} << 29) - 1;
    if (static_cast<float>(candidate) == std::fabs(value) && (bits & kBelowFloat) != (kBelowFloat + 1) / 2)
      return value < 0 ? -candidate : candidate;
  }
  char text[32];
  const char* end = std::to_chars(text, text + sizeof text, value).ptr;
  const bool negative = text[0] == '-';
  // "ddd.ddde+xx" (each part optional): the digits as a whole number, and
  // the power of ten of the last.
  std::int64_t digits = 0;
  int power = 0;
  bool fraction = false;
  const char* c = text + (negative ? 1 : 0);
  for (; c < end && *c != 'e'; ++c) {
    if (*c == '.') {
      fraction = true;
    } else {
      digits = digits * 10 + (*c - '0');
      if (fraction) --power;
    }
  }
  if (c < end) {
    int exponent = 0;
    std::from_chars(c + (c[1] == '+' ? 2 : 1), end, exponent);
    power += exponent;
  }
  double magnitude = 0;
  if (power >= 0 && power <= 22) {
    magnitude = static_cast<double>(digits) * kPowers[power];
  } else if (power < 0 && power >= -22) {
    magnitude = static_cast<double>(digits) / kPowers[-power];
  } else {
    double parsed = value;
    std::from_chars(text, end, parsed);
    return parsed;
  }
  return negative ? -magnitude : magnitude;
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

// The box of a set's first `count` float points.
template <class Set>
void AddPointBox(const Set& set, int count, Bounds& bounds) {
  FloatBox box;
  for (int i = 0; i < count; ++i) box.Add(set.GetPoint(i));
  box.Into(bounds);
}

double TriangleArea(const xFVector& a, const xFVector& b, const xFVector& c) {
  return xTriangleArea({double{b.x} - a.x, double{b.y} - a.y, double{b.z} - a.z},
                       {double{c.x} - a.x, double{c.y} - a.y, double{c.z} - a.z});
}

void SummariseTriMesh(const xTriMesh& mesh, SetSummary& s, bool withBounds) {
  s.points = mesh.GetPointCount();
  s.triangles = mesh.GetTriangleCount();
  if (withBounds) AddPointBox(mesh, s.points, s.bounds);
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

void SummariseCompactLineSet(const xCompactLineSet& set, SetSummary& s, bool withBounds) {
  s.points = set.GetPointCount();
  s.polylines = set.GetPolyLineCount();
  if (withBounds) AddPointBox(set, s.points, s.bounds);
  s.segments = set.GetSegmentCount();
}

// The box of a linked list of double points.
template <class Point>
void AddListBox(const xTDLinkList<Point>& points, Bounds& bounds) {
  for (const Point* p = points.GBegin(); p; p = xTDLinkList<Point>::GNext(p)) bounds.Add(p->x, p->y, p->z);
}

void SummariseLineSet(const xLineSet& set, SetSummary& s, bool withBounds) {
  s.points = set.GetPoints().GCount();
  if (withBounds) AddListBox(set.GetPoints(), s.bounds);
  s.lines = set.GetLines().GCount();
  for (const xLine* line = set.GetLines().GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    if (line->GetPointCount() > 1) s.segments += line->GetPointCount() - 1;
}

void SummarisePolyMesh(const xPolyMesh& mesh, SetSummary& s, bool withBounds) {
  s.points = mesh.GetPoints().GCount();
  if (withBounds) AddListBox(mesh.GetPoints(), s.bounds);
  s.polygons = mesh.GetPolygons().GCount();
}

void SummarisePointSet(const xPointSet& set, SetSummary& s, bool withBounds) {
  s.points = set.GetPointCount();
  if (withBounds) AddPointBox(set, s.points, s.bounds);
}

void SummariseFrameSet(const xFrameSet& set, SetSummary& s, bool withBounds) {
  s.frames = set.GetFrameCount();
  if (!withBounds) return;
  for (int i = 0; i < s.frames; ++i) {
    const xMatrix& m = set.GetFrame(i)->GetMatrix();
    s.bounds.Add(m.At(0, 3), m.At(1, 3), m.At(2, 3));
  }
}

// As "%g" writes it, without the cost of printf on a million sets, at `p`
// (room for 32 characters); returns the end. Most values print in fixed
// notation, and their six digits come from one exact scaling; a value near
// a rounding tie, or printed with an exponent, goes the general way.
char* WriteNumber(char* p, double value) {
  if (value == 0) {
    if (std::signbit(value)) *p++ = '-';
    *p++ = '0';
    return p;
  }
  std::uint32_t digits = 0;
  int decimals = 0;
  if (!SixDigits(std::fabs(value), digits, decimals))
    return std::to_chars(p, p + 32, value, std::chars_format::general, 6).ptr;
  while (decimals > 0 && digits % 10 == 0) {
    digits /= 10;
    --decimals;
  }
  char buffer[16];
  char* end = buffer + sizeof buffer;
  char* q = end;
  for (int i = 0; i < decimals; ++i) {
    *--q = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  if (decimals > 0) *--q = '.';
  do {
    *--q = static_cast<char>('0' + digits % 10);
    digits /= 10;
  } while (digits > 0);
  if (value < 0) *--q = '-';
  std::memcpy(p, q, static_cast<std::size_t>(end - q));
  return p + (end - q);
}

template <std::size_t N>
char* WriteText(char* p, const char (&text)[N]) {
  std::memcpy(p, text, N - 1);
  return p + N - 1;
}

// "1 point", "2 points": at most 10 digits, a blank and the longer word.
template <std::size_t S, std::size_t P>
char* WriteCounted(char* p, int count, const char (&singular)[S], const char (&plural)[P]) {
  p = std::to_chars(p, p + 12, count).ptr;
  *p++ = ' ';
  return count == 1 ? WriteText(p, singular) : WriteText(p, plural);
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

SetSummary Summarise(const xGeoSet& set, bool withBounds) {
  SetSummary s;
  s.typeCode = set.GetType();
  if (const xMaterial* material = set.GetMaterial()) s.material = material->GetName().Str();
  s.materialMode = set.GetMaterialMode();
  s.type = xGeoTypeName(s.typeCode);
  xVisitSet(set, xSetVisitor{
                     [&](const xTriMesh& mesh) { SummariseTriMesh(mesh, s, withBounds); },
                     [&](const xCompactLineSet& compact) { SummariseCompactLineSet(compact, s, withBounds); },
                     [&](const xLineSet& lines) { SummariseLineSet(lines, s, withBounds); },
                     [&](const xPolyMesh& poly) { SummarisePolyMesh(poly, s, withBounds); },
                     [&](const xPointSet& points) { SummarisePointSet(points, s, withBounds); },
                     [&](const xFrameSet& frames) { SummariseFrameSet(frames, s, withBounds); },
                     [](const xGeoSet&) {},
                 });
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
  ListCounts(
      s, [&j](const char* key, int value) { j[key] = value; },
      [&j](const char* key, double value) { j[key] = value; });
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
  if (!report.ok && !report.errorDetail.empty()) j["error_detail"] = report.errorDetail;
  if (report.optimizer.called)
    j["optimizer"] = {{"name", report.optimizer.name}, {"version", report.optimizer.version}};
  else
    j["optimizer"] = nullptr;
  j["assertions"] = report.assertions;
  j["sets"] = nlohmann::ordered_json::array();
  for (const SetSummary& s : report.sets) j["sets"].push_back(ToJson(s));
  return j;
}

void DescribeContent(const SetSummary& s, std::string& text) {
  // The longest: four counts with their words and punctuation, and a number.
  char buffer[192];
  char* p = buffer;
  if (s.typeCode == xGeoTypeFrameSet) {
    p = WriteCounted(p, s.frames, "frame", "frames");
    text.assign(buffer, p);
    return;
  }
  p = WriteCounted(p, s.points, "point", "points");
  if (s.typeCode == xGeoTypeTriMesh) {
    p = WriteText(p, ", ");
    p = WriteCounted(p, s.triangles, "triangle", "triangles");
    p = WriteText(p, ", area ");
    p = WriteNumber(p, s.area);
    if (s.brokenTriangles > 0) {
      p = WriteText(p, " (");
      p = std::to_chars(p, p + 12, s.brokenTriangles).ptr;
      p = WriteText(p, " with bad corners)");
    }
  } else if (s.typeCode == xGeoTypeCompactLineSet) {
    p = WriteText(p, ", ");
    p = WriteCounted(p, s.segments, "segment", "segments");
    if (s.polylines > 0) {
      p = WriteText(p, " in part on ");
      p = WriteCounted(p, s.polylines, "polyline", "polylines");
    }
  } else if (s.typeCode == xGeoTypeLineSet) {
    p = WriteText(p, ", ");
    p = WriteCounted(p, s.lines, "line", "lines");
    p = WriteText(p, ", ");
    p = WriteCounted(p, s.segments, "segment", "segments");
  } else if (s.typeCode == xGeoTypePolyMesh) {
    p = WriteText(p, ", ");
    p = WriteCounted(p, s.polygons, "polygon", "polygons");
  }
  text.assign(buffer, p);
}

void DescribeBounds(const Bounds& bounds, std::string& text) {
  if (bounds.empty) {
    text.assign("-");
    return;
  }
  // Six numbers of at most 32 characters and their punctuation.
  char buffer[6 * 32 + 16];
  char* p = buffer;
  for (const double* corner : {bounds.min, bounds.max}) {
    p = corner == bounds.min ? WriteText(p, "(") : WriteText(p, ") .. (");
    for (int i = 0; i < 3; ++i) {
      if (i > 0) *p++ = ' ';
      p = WriteNumber(p, corner[i]);
    }
  }
  *p++ = ')';
  text.assign(buffer, p);
}

std::string DescribeBounds(const Bounds& bounds) {
  std::string text;
  DescribeBounds(bounds, text);
  return text;
}
