// The NURBS surface section: read past, or tessellated into triangle meshes.
#include "pdb/xpdbutil.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "host/xassert.h"
#include "pdb/colour/denebcolours.h"
#include "pdb/read/streamutil.h"
#include "pdb/read/surfacetesselator.h"
#include "pdb/read/trimloops.h"
#include "pdb/read/versiontable.h"

namespace {

using Tesselator = GluNurbsTesselator<TriangleStoreIndexed>;

// GLU crashes on order 1 and reports orders above 24 as unsupported.
constexpr int kMinOrder = 2;
constexpr int kMaxOrder = 24;
constexpr std::int64_t kMaxFloats = std::numeric_limits<int>::max();

// Tolerances are bounded by the size of the surface (the diagonal of its
// control-point box). Below about 1e-5 of it GLU loses itself in float
// round-off: empty output, or endless subdivision until the stack overflows
// (trimmed surfaces, strongly rational ones first). 1e-4 keeps a margin and is
// still far finer than a display needs; where the formula gives no usable
// number, 1e-3 of the size is a smooth yet light mesh.
constexpr double kMinRelativeTolerance = 1e-4;
constexpr double kFallbackRelativeTolerance = 1e-3;
// The triangles of one read are bounded by its surface records: a fixed
// allowance, and two more for every number of the records read so far. Each
// surface may make its own numbers' share and an even part of the rest of
// what is left; its sampling is coarsened until the estimate fits, and GLU's
// work on its patches counts as triangles too (see TriangleEstimate). At
// about two million triangles a second, and 2 bytes the shortest number, any
// file of 1 MiB then reads within two thirds of a second and 256 MiB.
constexpr double kReadAllowance = 250000;
constexpr double kTrianglesPerNumber = 2;
// GLU's own longest segment for path-length sampling, in object units.
constexpr double kGluPathLength = 50.0;

// One surface record as read: header, knots, control points, trimming loops.
struct Surface {
  double uStart = 0, uEnd = 0, vStart = 0, vEnd = 0;
  int uDegree = 0, vDegree = 0, uSegments = 0, vSegments = 0;
  xTQTable<float> uKnots{64}, vKnots{64}, points{256};  // points as x, y, z, w
  int holeCount = 0;
  xTQTable<float> trims{64};  // closed loops of u, v pairs, one after the other
  std::vector<int> loopEnds;  // end of each loop in pairs; the outer loop first
  int colour = 0;
  // The loops as GLU gets them, once checked: see LevelSideTurns.
  std::vector<float> levelled;
  std::vector<int> levelledEnds;
  std::vector<char> added;

  void Clear() {
    uKnots.Clear();
    vKnots.Clear();
    points.Clear();
    trims.Clear();
    loopEnds.clear();
    holeCount = 0;
  }
  std::int64_t UCount() const { return std::int64_t{uDegree} + uSegments; }
  std::int64_t VCount() const { return std::int64_t{vDegree} + vSegments; }
};

std::int64_t KnotCount(int degree, int segments) { return 2 * std::int64_t{degree} + segments + 1; }

template <class T>
T Read(xStream& stream) {
  T value{};
  stream >> value;
  return value;
}

// Reals beyond the float range become infinite, which refuses their surface.
float Narrow(double value) {
  if (std::fabs(value) > std::numeric_limits<float>::max()) return std::copysign(HUGE_VALF, value);
  return static_cast<float>(value);
}

void ReadFloats(xStream& stream, std::int64_t count, xTQTable<float>& table) {
  for (std::int64_t i = 0; i < count && xpdb::StreamSound(stream); ++i)
    table.Append(Narrow(Read<double>(stream)));
}

// The crossing test compares each new point with every accepted edge, so its
// cost grows with the square of a loop's size. Real trimming loops are far
// smaller; a loop ends at this many points, as at a crossing, so that a
// hostile file cannot stall the read.
constexpr int kMaxLoopPoints = 2048;

// Reads k points of one loop and appends the accepted ones, closed, to the
// surface's trims. After the first rejected point the rest are read and
// dropped; so are all of them when the loop is not wanted.
void ReadLoop(xStream& stream, int count, bool outer, bool wanted, Surface& surface, xTQTable<float>& loop) {
  loop.Clear();
  bool rejected = !wanted;
  for (int i = 0; i < count && xpdb::StreamSound(stream); ++i) {
    const float u = Narrow(Read<double>(stream));
    const float v = Narrow(Read<double>(stream));
    if (rejected) continue;
    if (loop.Count() / 2 >= kMaxLoopPoints) {
      rejected = true;
      continue;
    }
    const bool valid =
        outer ? xPdbUtil::isValidOuterPoint(loop, u, v) : xPdbUtil::isValidInnerPoint(loop, u, v);
    if (!valid) {
      rejected = true;
      continue;
    }
    loop.Append(u);
    loop.Append(v);
  }
  if (loop.Count() > 0) {
    loop.Append(loop[0]);
    loop.Append(loop[1]);
  }
  for (int i = 0; i < loop.Count(); ++i) surface.trims.Append(loop[i]);
  surface.loopEnds.push_back(surface.trims.Count() / 2);
}

// Reads one record in file order up to and including its colour; the
// trimming loops only when `trims` is set.
void ReadRecord(xStream& stream, const xpdb::VersionLayout& layout, bool trims, Surface& s,
                xTQTable<float>& loop) {
  stream >> s.uStart >> s.uEnd >> s.vStart >> s.vEnd;
  stream >> s.uDegree >> s.vDegree >> s.uSegments >> s.vSegments;
  if (layout.parameterReals) {
    for (int i = 0; i < 3; ++i) Read<double>(stream);
  } else {
    Read<int>(stream);
    Read<int>(stream);
  }
  ReadFloats(stream, KnotCount(s.uDegree, s.uSegments), s.uKnots);
  ReadFloats(stream, KnotCount(s.vDegree, s.vSegments), s.vKnots);
  const std::int64_t nu = s.UCount(), nv = s.VCount();
  if (nu > 0 && nv > 0) {
    for (std::int64_t i = 0; i < nu * nv && xpdb::StreamSound(stream); ++i) {
      const double w = Read<double>(stream), x = Read<double>(stream), y = Read<double>(stream),
                   z = Read<double>(stream);
      s.points.Append(Narrow(x));
      s.points.Append(Narrow(y));
      s.points.Append(Narrow(z));
      s.points.Append(Narrow(w));
    }
  }
  if (!layout.surfaceTrims) {
    stream >> s.colour;
    return;
  }
  Read<double>(stream);
  const int outerCount = Read<int>(stream);
  if (outerCount > 0) {
    ReadLoop(stream, outerCount, true, trims, s, loop);
    s.holeCount = Read<int>(stream);
    for (int h = 0; h < s.holeCount && xpdb::StreamSound(stream); ++h)
      ReadLoop(stream, Read<int>(stream), false, trims, s, loop);
  }
  stream >> s.colour;
}

bool Finite(float value) { return std::isfinite(value); }

bool KnotsValid(const xTQTable<float>& knots, std::int64_t expected) {
  if (knots.Count() != expected) return false;
  for (int i = 0; i < knots.Count(); ++i) {
    if (!Finite(knots[i])) return false;
    if (i > 0 && knots[i] < knots[i - 1]) return false;
  }
  return true;
}

// The parameter domain of one direction: from the knot at the order to the
// one at the count of control points.
std::pair<double, double> Domain(const xTQTable<float>& knots, int degree, std::int64_t count) {
  return {knots[degree], knots[static_cast<int>(count)]};
}

// GLU samples every trimming edge along its whole length at the surface's
// rate, also where it runs outside the domain and trims nothing: a point far
// out makes it allocate and walk gigabytes. Loops may stray past the domain by
// at most its own size on each side (round-off and loops drawn around the
// whole patch), which keeps their cost within that of the domain itself.
bool TrimsInDomain(const Surface& s) {
  const auto [u0, u1] = Domain(s.uKnots, s.uDegree, s.UCount());
  const auto [v0, v1] = Domain(s.vKnots, s.vDegree, s.VCount());
  // GLU reports an empty domain itself.
  if (!(u1 > u0) || !(v1 > v0)) return true;
  const double du = u1 - u0, dv = v1 - v0;
  for (int i = 0; i + 1 < s.trims.Count(); i += 2) {
    if (s.trims[i] < u0 - du || s.trims[i] > u1 + du) return false;
    if (s.trims[i + 1] < v0 - dv || s.trims[i + 1] > v1 + dv) return false;
  }
  return true;
}

// Everything GLU is given must be in shape before it sees any of it.
bool Tessellatable(Surface& s) {
  if (s.uDegree + 1 < kMinOrder || s.uDegree + 1 > kMaxOrder) return false;
  if (s.vDegree + 1 < kMinOrder || s.vDegree + 1 > kMaxOrder) return false;
  if (s.uSegments < 1 || s.vSegments < 1) return false;
  const std::int64_t nu = s.UCount(), nv = s.VCount();
  if (nu * nv * 4 > kMaxFloats) return false;
  if (!KnotsValid(s.uKnots, KnotCount(s.uDegree, s.uSegments))) return false;
  if (!KnotsValid(s.vKnots, KnotCount(s.vDegree, s.vSegments))) return false;
  if (s.points.Count() != nu * nv * 4) return false;
  // Weights of one sign keep the surface free of poles.
  const bool positive = s.points[3] > 0.0f;
  for (int i = 0; i < s.points.Count(); i += 4) {
    for (int c = 0; c < 4; ++c)
      if (!Finite(s.points[i + c])) return false;
    const float w = s.points[i + 3];
    if (w == 0.0f || (w > 0.0f) != positive) return false;
  }
  for (int i = 0; i < s.trims.Count(); ++i)
    if (!Finite(s.trims[i])) return false;
  if (!TrimsInDomain(s)) return false;
  if (xpdb::TrimLoopsTouch(s.trims.Data(), s.loopEnds)) return false;
  const float trimKnots[] = {Narrow(s.uStart), Narrow(s.uEnd), Narrow(s.vStart), Narrow(s.vEnd)};
  if (!s.loopEnds.empty())
    for (float k : trimKnots)
      if (!Finite(k)) return false;
  // A level edge must not reach another loop: where one would, shorter ones are tried.
  for (const double length : {1e-3, 1e-5, 1e-7}) {
    xpdb::LevelSideTurns(s.trims.Data(), s.loopEnds, s.levelled, s.levelledEnds, s.added, length);
    if (!xpdb::TrimLoopsTouch(s.levelled.data(), s.levelledEnds, &s.added)) return true;
  }
  return false;
}

struct Point3 {
  double x = 0, y = 0, z = 0;
};

Point3 Euclidean(const Surface& s, std::int64_t i, std::int64_t j) {
  const float* p = &s.points[static_cast<std::size_t>((i * s.VCount() + j) * 4)];
  const double w = p[3];
  return {p[0] / w, p[1] / w, p[2] / w};
}

double Distance(const Point3& a, const Point3& b) { return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z); }

double BoxDiagonal(const Surface& s) {
  Point3 lo{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
            std::numeric_limits<double>::max()};
  Point3 hi{-lo.x, -lo.y, -lo.z};
  for (std::int64_t i = 0; i < s.UCount(); ++i)
    for (std::int64_t j = 0; j < s.VCount(); ++j) {
      const Point3 p = Euclidean(s, i, j);
      lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
      hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
  return Distance(lo, hi);
}

// How many triangles GLU will make of a surface. GLU cuts the surface into
// its Bezier patches and samples each on a grid whose steps follow from
// bounds on the patch's partial derivatives: a chord error t takes
// sqrt((ss + st sqrt(tt / ss)) / 4t) steps per unit of s, ss, st and tt
// bounding the second partials; a path length l takes 2 ms / l, ms bounding
// the first. The derivatives of a B-spline are B-splines whose control points
// bound them on every span, Bezier nets included, so the same steps from
// those control points are at least GLU's. A rational net's projection
// can swing further, by up to the spread of its weights.
// A trimming loop adds a vertex where each of its edges ends and where it
// crosses a grid line, and a few triangles for each.
class TriangleEstimate {
 public:
  explicit TriangleEstimate(const Surface& s) {
    const int nu = static_cast<int>(s.UCount()), nv = static_cast<int>(s.VCount());
    const int p = s.uDegree, q = s.vDegree;
    const std::vector<int> uSpans = Spans(s.uKnots, p, nu), vSpans = Spans(s.vKnots, q, nv);
    // Partial-derivative control points, as norms: one direction's first and
    // second differences over the knots, and the mixed one.
    Grid du(nu - 1, nv), dv(nu, nv - 1), duu(nu - 2, nv), dvv(nu, nv - 2), duv(nu - 1, nv - 1);
    const double spread = WeightSpread(s);
    std::vector<Point3> first;
    for (int l = 0; l < nv; ++l) {
      Derivatives(
          p, s.uKnots, nu, [&](int i) { return Euclidean(s, i, l); }, first, du, duu, l, true);
    }
    for (int i = 0; i < nu; ++i) {
      Derivatives(
          q, s.vKnots, nv, [&](int l) { return Euclidean(s, i, l); }, first, dv, dvv, i, false);
    }
    for (int i = 0; i + 1 < nu; ++i)
      for (int l = 0; l + 1 < nv; ++l) {
        const double a = Gap(s.uKnots, i + 1, i + p + 1), b = Gap(s.vKnots, l + 1, l + q + 1);
        if (a <= 0.0 || b <= 0.0) continue;
        const Point3 twist =
            Combine(Euclidean(s, i + 1, l + 1), 1, Euclidean(s, i + 1, l), -1, Euclidean(s, i, l + 1), -1);
        duv.at(i, l) = Norm(Combine(twist, 1, Euclidean(s, i, l), 1, Point3{}, 0)) * p * q / (a * b);
      }
    // The largest of each within the control points that act on a patch.
    const std::vector<double> ss = duu.PatchMax(uSpans, p, 2, vSpans, q, 0);
    const std::vector<double> tt = dvv.PatchMax(uSpans, p, 0, vSpans, q, 2);
    const std::vector<double> st = duv.PatchMax(uSpans, p, 1, vSpans, q, 1);
    const std::vector<double> ms = du.PatchMax(uSpans, p, 1, vSpans, q, 0);
    const std::vector<double> mt = dv.PatchMax(uSpans, p, 0, vSpans, q, 1);
    std::size_t n = 0;
    for (const int j : uSpans)
      for (const int k : vSpans) {
        Patch patch;
        patch.rangeU = double{s.uKnots[j + 1]} - s.uKnots[j];
        patch.rangeV = double{s.vKnots[k + 1]} - s.vKnots[k];
        patch.ss = spread * ss[n], patch.tt = spread * tt[n], patch.st = spread * st[n];
        patch.ms = spread * ms[n], patch.mt = spread * mt[n];
        m_patches.push_back(patch);
        ++n;
      }
    const auto patches = static_cast<double>(m_patches.size());
    m_patchWork =
        patches * (kWorkPerPatch + (p + 1) * (q + 1) * kWorkPerBezierPoint + 2.0 * std::log2(1.0 + patches));
    MeasureTrims(s);
  }
  // What GLU spends on the patches themselves, whatever the sampling.
  double PatchWork() const { return m_patchWork; }

  double AtTolerance(double tolerance) const {
    return Triangles([tolerance](const Patch& patch) { return patch.ChordSteps(tolerance); });
  }
  double AtPathLength(double length) const {
    return Triangles([length](const Patch& patch) { return patch.LengthSteps(length); });
  }
  // The chord error at which every patch is one step in both directions.
  double CoarsestTolerance() const {
    double coarsest = 0.0;
    for (const Patch& patch : m_patches) {
      // One step once 4t reaches what a full range of the partials bends.
      const double bend =
          std::max({patch.ss * patch.rangeU * patch.rangeU, patch.tt * patch.rangeV * patch.rangeV,
                    patch.st * patch.rangeU * patch.rangeV});
      coarsest = std::max(coarsest, bend);
    }
    return coarsest;
  }

 private:
  // Norms laid out by control-point index; reads outside are 0.
  class Grid {
   public:
    Grid(int rows, int cols) : m_rows(std::max(rows, 0)), m_cols(std::max(cols, 0)) {
      m_values.assign(static_cast<std::size_t>(m_rows) * static_cast<std::size_t>(m_cols), 0.0);
    }
    double& at(int i, int l) { return m_values[static_cast<std::size_t>(i) * m_cols + l]; }
    // For each patch (u span j, v span k, in that order): the largest value in
    // rows j - uBack .. j - uEnd and columns k - vBack .. k - vEnd, as far as
    // they exist. Rows first, then columns, so that high degrees stay cheap.
    std::vector<double> PatchMax(const std::vector<int>& uSpans, int uBack, int uEnd,
                                 const std::vector<int>& vSpans, int vBack, int vEnd) const {
      std::vector<double> rows(static_cast<std::size_t>(m_rows) * vSpans.size(), 0.0);
      for (int i = 0; i < m_rows; ++i)
        for (std::size_t k = 0; k < vSpans.size(); ++k) {
          double largest = 0.0;
          for (int l = std::max(vSpans[k] - vBack, 0); l <= std::min(vSpans[k] - vEnd, m_cols - 1); ++l)
            largest = std::max(largest, m_values[static_cast<std::size_t>(i) * m_cols + l]);
          rows[i * vSpans.size() + k] = largest;
        }
      std::vector<double> patches;
      patches.reserve(uSpans.size() * vSpans.size());
      for (const int j : uSpans)
        for (std::size_t k = 0; k < vSpans.size(); ++k) {
          double largest = 0.0;
          for (int i = std::max(j - uBack, 0); i <= std::min(j - uEnd, m_rows - 1); ++i)
            largest = std::max(largest, rows[i * vSpans.size() + k]);
          patches.push_back(largest);
        }
      return patches;
    }

   private:
    int m_rows, m_cols;
    std::vector<double> m_values;
  };

  struct Patch {
    double rangeU = 0, rangeV = 0, ss = 0, tt = 0, st = 0, ms = 0, mt = 0;

    std::pair<double, double> ChordSteps(double t) const {
      double stepsU = 1.0, stepsV = 1.0;
      if (ss > 0.0 && tt > 0.0) {
        stepsU = rangeU * std::sqrt((ss + st * std::sqrt(tt / ss)) / (4.0 * t));
        stepsV = rangeV * std::sqrt((tt + st * std::sqrt(ss / tt)) / (4.0 * t));
      } else if (ss > 0.0) {
        const double x = rangeV * st;
        stepsU = rangeU * ss / (std::sqrt(x * x + 8.0 * t * ss) - x);
      } else if (tt > 0.0) {
        const double x = rangeU * st;
        stepsV = rangeV * tt / (std::sqrt(x * x + 8.0 * t * tt) - x);
      } else if (4.0 * t <= st * rangeU * rangeV) {
        stepsU = stepsV = std::sqrt(st * rangeU * rangeV / (4.0 * t));
      }
      return {Steps(stepsU), Steps(stepsV)};
    }
    std::pair<double, double> LengthSteps(double l) const {
      return {Steps(rangeU * 2.0 * ms / l), Steps(rangeV * 2.0 * mt / l)};
    }
    static double Steps(double steps) {
      return std::isfinite(steps) ? std::max(1.0, std::ceil(steps)) : 1e300;
    }
  };

  // Knot spans i (knots i to i + 1) of the domain that have a length.
  static std::vector<int> Spans(const xTQTable<float>& knots, int degree, int count) {
    std::vector<int> spans;
    for (int i = degree; i < count; ++i)
      if (knots[i + 1] > knots[i]) spans.push_back(i);
    return spans;
  }
  static double Gap(const xTQTable<float>& knots, int a, int b) { return double{knots[b]} - knots[a]; }

  // First and second derivative control points of one row or column.
  template <class PointAt>
  static void Derivatives(int degree, const xTQTable<float>& knots, int count, PointAt point,
                          std::vector<Point3>& first, Grid& d1, Grid& d2, int line, bool alongU) {
    first.assign(static_cast<std::size_t>(std::max(count - 1, 0)), Point3{});
    for (int i = 0; i + 1 < count; ++i) {
      const double gap = Gap(knots, i + 1, i + degree + 1);
      if (gap <= 0.0) continue;
      first[i] = Combine(point(i + 1), degree / gap, point(i), -degree / gap, Point3{}, 0);
      (alongU ? d1.at(i, line) : d1.at(line, i)) = Norm(first[i]);
    }
    for (int i = 0; i + 2 < count; ++i) {
      const double gap = Gap(knots, i + 2, i + degree + 1);
      if (gap <= 0.0) continue;
      const double norm = Norm(Combine(first[i + 1], 1, first[i], -1, Point3{}, 0)) * (degree - 1) / gap;
      (alongU ? d2.at(i, line) : d2.at(line, i)) = norm;
    }
  }

  template <class StepsOf>
  double Triangles(StepsOf stepsOf) const {
    double triangles = 0.0;
    // Steps across the whole domain: the most of any patch in each column or row of patches.
    double acrossU = 0.0, acrossV = 0.0;
    for (const Patch& patch : m_patches) {
      const auto [u, v] = stepsOf(patch);
      triangles += 2.0 * u * v;
      acrossU = std::max(acrossU, u);
      acrossV = std::max(acrossV, v);
    }
    acrossU *= m_spansU;
    acrossV *= m_spansV;
    const double trimSamples = m_trimEdges + m_trimU * acrossU + m_trimV * acrossV;
    return kPatchMargin * triangles + kTrianglesPerTrimSample * trimSamples + m_patchWork;
  }
  // Sums the trimming edges' extents, in domain widths.
  void MeasureTrims(const Surface& s) {
    m_spansU = static_cast<double>(Spans(s.uKnots, s.uDegree, static_cast<int>(s.UCount())).size());
    m_spansV = static_cast<double>(Spans(s.vKnots, s.vDegree, static_cast<int>(s.VCount())).size());
    if (s.loopEnds.empty()) return;
    const auto [u0, u1] = Domain(s.uKnots, s.uDegree, s.UCount());
    const auto [v0, v1] = Domain(s.vKnots, s.vDegree, s.VCount());
    if (!(u1 > u0) || !(v1 > v0)) return;
    int begin = 0;
    for (const int end : s.loopEnds) {
      for (int i = begin; i + 1 < end; ++i) {
        const std::size_t a = static_cast<std::size_t>(i) * 2;
        m_trimU += std::fabs(double{s.trims[a + 2]} - s.trims[a]) / (u1 - u0);
        m_trimV += std::fabs(double{s.trims[a + 3]} - s.trims[a + 1]) / (v1 - v0);
        m_trimEdges += 1.0;
      }
      begin = end;
    }
  }

  static double Norm(const Point3& a) { return std::hypot(a.x, a.y, a.z); }
  static Point3 Combine(const Point3& a, double fa, const Point3& b, double fb, const Point3& c, double fc) {
    return {fa * a.x + fb * b.x + fc * c.x, fa * a.y + fb * b.y + fc * c.y, fa * a.z + fb * b.z + fc * c.z};
  }
  static double WeightSpread(const Surface& s) {
    double low = std::numeric_limits<double>::max(), high = 0.0;
    for (int i = 3; i < s.points.Count(); i += 4) {
      low = std::min(low, std::fabs(double{s.points[i]}));
      high = std::max(high, std::fabs(double{s.points[i]}));
    }
    return high / low;
  }

  // GLU makes up to a quarter more than the steps say (it rounds steps up
  // and splits patches whose steps fall below its minimum), and up to four
  // triangles around each trimming sample.
  static constexpr double kPatchMargin = 1.25;
  static constexpr double kTrianglesPerTrimSample = 4.0;
  // GLU converts every patch to a Bezier net of its own and builds its grid
  // and boundaries: in time and memory, like a couple of triangles a patch,
  // one for every two points of its net, and more the more patches the
  // surface has (measured: 4 us a bicubic patch of a 25-patch surface, 16 us
  // of a 25 000-patch one and 22 us of a 100 000-patch one, about 2 kB
  // each; 170 us and 19 kB a patch of degree 23).
  static constexpr double kWorkPerPatch = 2.0;
  static constexpr double kWorkPerBezierPoint = 0.5;

  std::vector<Patch> m_patches;
  double m_spansU = 0, m_spansV = 0;
  double m_trimEdges = 0, m_trimU = 0, m_trimV = 0;
  double m_patchWork = 0;
};

// What one surface may make: its share, as far as its sampling can be
// coarsened, and at most the limit.
struct Share {
  double share = 0, limit = 0;
};

// How finely GLU samples one surface.
struct Sampling {
  float tolerance = 0;      // chord error
  bool pathLength = false;  // GLU's path-length sampling, for more than two holes
  double triangles = 0;     // estimated, with GLU's work on the patches
  double patchWork = 0;     // of which that work
};

// The sampling of one surface within its share of triangles, or nothing when
// the surface has no size or not even its coarsest mesh fits the limit.
std::optional<Sampling> SurfaceSampling(const Surface& s, float base, const Share& budget) {
  const double diagonal = BoxDiagonal(s);
  if (!std::isfinite(diagonal) || diagonal <= 0.0) return std::nullopt;
  const TriangleEstimate estimate(s);
  // Beyond this every span is one step: a larger tolerance changes nothing.
  const double coarsest = std::max(diagonal, estimate.CoarsestTolerance());
  // Too many patches or trimming edges for even the coarsest sampling.
  if (estimate.AtTolerance(coarsest) > budget.limit) return std::nullopt;
  const double ratio =
      std::sqrt((s.uEnd - s.uStart) * (s.vEnd - s.vStart)) / (static_cast<double>(s.UCount()) * s.VCount());
  double tolerance = base * Narrow(ratio);
  // A huge setting overflows to infinity, which means coarsest, not unusable.
  if (tolerance == HUGE_VAL) tolerance = coarsest;
  if (!std::isfinite(tolerance) || tolerance <= 0.0) tolerance = diagonal * kFallbackRelativeTolerance;
  tolerance = std::clamp(tolerance, diagonal * kMinRelativeTolerance, coarsest);
  while (estimate.AtTolerance(tolerance) > budget.share && tolerance < coarsest)
    tolerance = std::min(tolerance * std::numbers::sqrt2, coarsest);
  Sampling sampling;
  sampling.triangles = estimate.AtTolerance(tolerance);
  sampling.patchWork = estimate.PatchWork();
  sampling.tolerance = Narrow(tolerance);
  if (!std::isnormal(sampling.tolerance)) return std::nullopt;
  // Path-length sampling ignores the tolerance: where it would not fit the
  // surface keeps its chord-error sampling.
  const double byLength = estimate.AtPathLength(kGluPathLength);
  if (s.holeCount > 2 && byLength <= budget.share) {
    sampling.pathLength = true;
    sampling.triangles = byLength;
  }
  return sampling;
}

// What a read's surfaces may still make (see kReadAllowance).
class TriangleBudget {
 public:
  // The share of a surface whose record held `numbers` numbers, with
  // `remaining` surfaces (this one included) still to come as the section
  // declares: its own numbers' share, and an even part of the rest of what
  // is left, so that the allowance goes to all surfaces of a part alike.
  // A surface whose coarsest mesh does not fit that share may still take
  // all that is left.
  Share Grant(std::int64_t numbers, std::int64_t remaining) {
    m_numbers += static_cast<double>(numbers);
    const double own = kTrianglesPerNumber * static_cast<double>(numbers);
    const double left = std::max(kReadAllowance + kTrianglesPerNumber * m_numbers - m_spent, own);
    return {own + (left - own) / static_cast<double>(std::max<std::int64_t>(remaining, 1)), left};
  }
  void Spend(double triangles) { m_spent += triangles; }

 private:
  double m_numbers = 0, m_spent = 0;
};

// The numbers of a record as far as tessellation uses them.
std::int64_t Numbers(const Surface& s) {
  constexpr int kHeader = 12;  // parameter range, degrees, segments, two more, r, colour
  return kHeader + s.uKnots.Count() + s.vKnots.Count() + s.points.Count() + s.trims.Count() +
         static_cast<std::int64_t>(s.loopEnds.size());
}

void EmitLoop(Tesselator& tesselator, const Surface& s, float* uv, int begin, int end) {
  // A loop without pieces would make GLU drop the whole surface.
  if (end - begin < 2) return;
  float uKnots[] = {Narrow(s.uStart), Narrow(s.uStart), Narrow(s.uEnd), Narrow(s.uEnd)};
  float vKnots[] = {Narrow(s.vStart), Narrow(s.vStart), Narrow(s.vEnd), Narrow(s.vEnd)};
  tesselator.beginTrim();
  for (int i = begin; i + 1 < end; ++i) {
    const bool even = (i - begin) % 2 == 0;
    tesselator.nurbsCurve(4, even ? uKnots : vKnots, 2, &uv[static_cast<std::size_t>(i) * 2], 2);
  }
  tesselator.endTrim();
}

void Tessellate(Tesselator& tesselator, Surface& s, const Sampling& sampling) {
  const int nv = static_cast<int>(s.VCount());
  tesselator.init(sampling.tolerance);
  tesselator.beginSurface();
  tesselator.nurbsSurface(s.uKnots.Count(), s.uKnots.Data(), s.vKnots.Count(), s.vKnots.Data(), 4 * nv, 4,
                          s.points.Data(), s.uDegree + 1, s.vDegree + 1);
  int begin = 0;
  for (std::size_t loop = 0; loop < s.levelledEnds.size(); ++loop) {
    if (loop == 1 && sampling.pathLength) tesselator.changeTesselationAlgorithm();
    EmitLoop(tesselator, s, s.levelled.data(), begin, s.levelledEnds[loop]);
    begin = s.levelledEnds[loop];
  }
  tesselator.endSurface();
}

// Copies the tessellator's indexed triangles into a new mesh, or null.
xGeoSet* BuildMesh(const Tesselator& tesselator, xPdbUtil::TriMeshReader& reader) {
  reader.Start();
  const unsigned floats = tesselator.vertexFloatCount();
  xGlobalAssert(floats != 0, "xpdbutil", __LINE__);
  reader.SetPointCount(static_cast<int>(floats / 3));
  reader.AddPoints(tesselator.getVertices(), static_cast<int>(floats / 3));
  const unsigned entries = tesselator.size();
  reader.SetPolygonCount(static_cast<int>(entries / 3));
  reader.AddTriangles(tesselator.getIndices(), static_cast<int>(entries / 3), 3);
  return reader.Finish();
}

void AddMesh(xGeometry** geometry, std::unique_ptr<xGeoSet> mesh, int colour) {
  xpdb::ColourSet(*mesh, colour);
  xGeoContainer& container = xpdb::ContainerOf(geometry);
  container.AddSet(mesh.release());
}

}  // namespace

bool xPdbUtil::SkipSurfaces(xStream* stream, int version, xGeometry** geometry) {
  if (!stream) return false;
  const int count = Read<int>(*stream);
  if (count == 0) return xpdb::StreamSound(*stream);

  // Some versions are only read past; so is any section without a geometry.
  const xpdb::VersionLayout& layout = xpdb::LayoutOf(version);
  const bool build = geometry && layout.surfacesBuilt;
  std::optional<xNurbsGlBracket> bracket;
  Tesselator* tesselator = nullptr;
  float base = 0.0f;
  if (build) {
    bracket.emplace();
    tesselator = &xSurfaceTesselator();
    base = xNurbsBaseTolerance();
  }
  TriMeshReader reader;
  TriangleBudget budget;
  Surface surface;
  xTQTable<float> loop(64);
  for (int i = 0; i < count && xpdb::StreamSound(*stream); ++i) {
    surface.Clear();
    ReadRecord(*stream, layout, build, surface, loop);
    if (!xpdb::StreamSound(*stream)) break;
    if (build) {
      const Share granted = budget.Grant(Numbers(surface), std::int64_t{count} - i);
      std::optional<Sampling> sampling;
      if (Tessellatable(surface)) sampling = SurfaceSampling(surface, base, granted);
      if (sampling)
        Tessellate(*tesselator, surface, *sampling);
      else
        tesselator->clear();  // refused: nothing of an earlier surface may show up as this one
      if (sampling) budget.Spend(tesselator->size() / 3.0 + sampling->patchWork);
      std::unique_ptr<xGeoSet> mesh(BuildMesh(*tesselator, reader));
      if (mesh) AddMesh(geometry, std::move(mesh), surface.colour);
    }
    if (layout.surfaceObject) ReadSurfaceObject(stream, nullptr, surface.colour);
  }
  return xpdb::StreamSound(*stream);
}

bool xPdbUtil::isValidOuterPoint(xTQTable<float>& loop, float u, float v) {
  const int points = loop.Count() / 2;
  if (points < 3) return true;
  const float lx = loop[static_cast<std::size_t>(points - 1) * 2];
  const float ly = loop[static_cast<std::size_t>(points - 1) * 2 + 1];
  const float d2x = u - lx, d2y = v - ly;
  // Every accepted edge but the last one, which ends where the new one starts.
  for (int k = 0; k + 2 < points; ++k) {
    const float ax = loop[static_cast<std::size_t>(k) * 2], ay = loop[static_cast<std::size_t>(k) * 2 + 1];
    const float d1x = loop[static_cast<std::size_t>(k + 1) * 2] - ax;
    const float d1y = loop[static_cast<std::size_t>(k + 1) * 2 + 1] - ay;
    const float d = d1x * d2y - d2x * d1y;
    if (d == 0.0f) continue;
    const auto t = static_cast<float>((d1x * (ay - ly) - d1y * (ax - lx)) / d);
    const auto s = static_cast<float>((d2x * (ay - ly) - d2y * (ax - lx)) / d);
    if (t >= -0.0001 && t <= 1.0001 && s >= -0.0001 && s <= 1.0001) return false;
  }
  return true;
}

bool xPdbUtil::isValidInnerPoint(xTQTable<float>& loop, float u, float v) {
  return isValidOuterPoint(loop, u, v);
}

int xPdbUtil::ReadSurfaceObject(xStream* stream, xGeometry**, const int) {
  if (!stream) return -1;
  xStream& in = *stream;
  const int points = Read<int>(in);
  for (int i = 0; i < points && xpdb::StreamSound(in); ++i)
    for (int c = 0; c < 3; ++c) Read<double>(in);
  const int edges = Read<int>(in);
  for (int i = 0; i < edges && xpdb::StreamSound(in); ++i) {
    Read<int>(in);
    Read<int>(in);
  }
  const int polygons = Read<int>(in);
  for (int i = 0; i < polygons && xpdb::StreamSound(in); ++i) {
    const int ring = Read<int>(in);
    for (int j = 0; j < ring && xpdb::StreamSound(in); ++j) Read<int>(in);
    for (int c = 0; c < 4; ++c) Read<double>(in);
  }
  return 0;
}
