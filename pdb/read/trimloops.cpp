#include "pdb/read/trimloops.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>

namespace xpdb {
namespace {

// The same margin as the crossing test of a loop's own points.
constexpr double kMargin = 1e-4;
constexpr int kMaxGrid = 512;
constexpr std::int64_t kMaxCellEntries = 4'000'000;
constexpr std::int64_t kMaxPairTests = 40'000'000;

struct Edge {
  double ax, ay, bx, by;
  int loop, index, count;   // position in its loop of `count` edges
  bool levelAfter = false;  // the next edge is one that LevelSideTurns added
};

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

// Float coordinates squared stay far inside the range of double, so the
// plain root is exact enough, and several times cheaper than std::hypot.
double Length(double x, double y) { return std::sqrt(x * x + y * y); }

bool Neighbours(const Edge& a, const Edge& b) {
  if (a.loop != b.loop) return false;
  const int d = std::abs(a.index - b.index);
  if (d == 1 || d == a.count - 1) return true;
  // The edges on either side of an added level edge meet at its short gap.
  // In a loop of four edges both middle edges lie between them.
  return (a.levelAfter && (a.index + 2) % a.count == b.index) ||
         (b.levelAfter && (b.index + 2) % b.count == a.index);
}

bool Touch(const Edge& e, const Edge& f) {
  const double d1x = e.bx - e.ax, d1y = e.by - e.ay;
  const double d2x = f.bx - f.ax, d2y = f.by - f.ay;
  const double cx = f.ax - e.ax, cy = f.ay - e.ay;
  const double l1 = Length(d1x, d1y), l2 = Length(d2x, d2y);
  const double denom = Cross(d1x, d1y, d2x, d2y);
  if (std::fabs(denom) > 1e-12 * l1 * l2) {
    const double t = Cross(cx, cy, d2x, d2y) / denom;
    const double s = Cross(cx, cy, d1x, d1y) / denom;
    return t >= -kMargin && t <= 1 + kMargin && s >= -kMargin && s <= 1 + kMargin;
  }
  // Parallel: they touch only when on one line and overlapping.
  if (std::fabs(Cross(cx, cy, d1x, d1y)) > kMargin * l1 * std::max(l1, l2)) return false;
  const double ll = l1 * l1;
  const double t0 = (cx * d1x + cy * d1y) / ll;
  const double t1 = ((f.bx - e.ax) * d1x + (f.by - e.ay) * d1y) / ll;
  return std::max(std::min(t0, t1), 0.0) <= std::min(std::max(t0, t1), 1.0) + kMargin;
}

}  // namespace

bool TrimLoopsTouch(const float* uv, const std::vector<int>& loopEnds, const std::vector<char>* added) {
  std::vector<Edge> edges;
  std::vector<std::pair<double, double>> points;
  std::vector<char> marks;
  int begin = 0;
  for (std::size_t loop = 0; loop < loopEnds.size(); ++loop) {
    // Repeated points make zero-length edges, which neither cross nor separate neighbours.
    points.clear();
    marks.clear();
    for (int i = begin; i < loopEnds[loop]; ++i) {
      const std::pair<double, double> p{uv[2 * i], uv[2 * i + 1]};
      const char mark = added ? (*added)[static_cast<std::size_t>(i)] : 0;
      if (!points.empty() && points.back() == p) {
        marks.back() = static_cast<char>(marks.back() | mark);
        continue;
      }
      points.push_back(p);
      marks.push_back(mark);
    }
    begin = loopEnds[loop];
    const int count = static_cast<int>(points.size()) - 1;
    const std::size_t first = edges.size();
    for (int k = 0; k < count; ++k)
      edges.push_back({points[k].first, points[k].second, points[k + 1].first, points[k + 1].second,
                       static_cast<int>(loop), k, count});
    for (int k = 0; k < count; ++k) {
      const int next = (k + 1) % count;
      const bool level = points[next].second == points[next + 1].second && (marks[next] || marks[next + 1]);
      edges[first + static_cast<std::size_t>(k)].levelAfter = level;
    }
  }
  if (edges.size() < 2) return false;

  double minX = edges[0].ax, maxX = minX, minY = edges[0].ay, maxY = minY;
  for (const Edge& e : edges) {
    minX = std::min({minX, e.ax, e.bx}), maxX = std::max({maxX, e.ax, e.bx});
    minY = std::min({minY, e.ay, e.by}), maxY = std::max({maxY, e.ay, e.by});
  }
  const double width = std::max(maxX - minX, 1e-30), height = std::max(maxY - minY, 1e-30);
  // About one edge per cell, the cells as square as the box allows: a long
  // thin loop in square-count cells would put a whole row of edges in each.
  const double edgeCount = static_cast<double>(edges.size());
  const double aspect = std::clamp(width / height, 1.0 / edgeCount, edgeCount);
  const int gridX = std::clamp(static_cast<int>(std::ceil(std::sqrt(edgeCount * aspect))), 1, kMaxGrid);
  const int gridY = std::clamp(static_cast<int>(std::ceil(std::sqrt(edgeCount / aspect))), 1, kMaxGrid);
  // Clamped before the conversion: a padded end of a tiny box may lie far out.
  auto cell = [](double value, double low, double size, int grid) {
    return static_cast<int>(std::clamp(std::floor((value - low) / size * grid), 0.0, grid - 1.0));
  };

  // Each edge goes into every cell that its box, widened by the margin, overlaps.
  std::vector<std::vector<int>> cells(static_cast<std::size_t>(gridX) * gridY);
  std::int64_t entries = 0;
  for (std::size_t i = 0; i < edges.size(); ++i) {
    const Edge& e = edges[i];
    const double pad = kMargin * Length(e.bx - e.ax, e.by - e.ay) + 1e-12 * std::max(width, height);
    const int x0 = cell(std::min(e.ax, e.bx) - pad, minX, width, gridX),
              x1 = cell(std::max(e.ax, e.bx) + pad, minX, width, gridX);
    const int y0 = cell(std::min(e.ay, e.by) - pad, minY, height, gridY),
              y1 = cell(std::max(e.ay, e.by) + pad, minY, height, gridY);
    entries += std::int64_t{x1 - x0 + 1} * (y1 - y0 + 1);
    if (entries > kMaxCellEntries) return true;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        cells[static_cast<std::size_t>(y) * gridX + x].push_back(static_cast<int>(i));
  }
  std::int64_t tests = 0;
  for (const auto& members : cells) {
    for (std::size_t a = 0; a < members.size(); ++a)
      for (std::size_t b = a + 1; b < members.size(); ++b) {
        if (++tests > kMaxPairTests) return true;
        const Edge& e = edges[static_cast<std::size_t>(members[a])];
        const Edge& f = edges[static_cast<std::size_t>(members[b])];
        if (!Neighbours(e, f) && Touch(e, f)) return true;
      }
  }
  return false;
}

void LevelSideTurns(const float* uv, const std::vector<int>& loopEnds, std::vector<float>& out,
                    std::vector<int>& outEnds, std::vector<char>& added, double length) {
  out.clear();
  outEnds.clear();
  added.clear();
  using Point = std::pair<float, float>;
  // Level edges a thousandth of the loops' extent long keep their points
  // apart in the mesh, yet stay far below what a viewer shows.
  float low[2] = {HUGE_VALF, HUGE_VALF}, high[2] = {-HUGE_VALF, -HUGE_VALF};
  const int total = loopEnds.empty() ? 0 : loopEnds.back();
  for (int i = 0; i < 2 * total; ++i) {
    low[i % 2] = std::min(low[i % 2], uv[i]);
    high[i % 2] = std::max(high[i % 2], uv[i]);
  }
  const double longest = length * std::max(double{high[0]} - low[0], double{high[1]} - low[1]);
  std::vector<Point> points;
  int begin = 0;
  for (const int end : loopEnds) {
    points.clear();
    for (int i = begin; i < end; ++i) {
      const Point p{uv[2 * i], uv[2 * i + 1]};
      if (points.empty() || points.back() != p) points.push_back(p);
    }
    begin = end;
    // A closed loop repeats its first point last; its turns are looked for on the rest.
    const bool closed = points.size() > 3 && points.front() == points.back();
    const std::size_t n = closed ? points.size() - 1 : 0;
    auto push = [&](const Point& p, char mark = 0) {
      out.push_back(p.first);
      out.push_back(p.second);
      added.push_back(mark);
    };
    // A level point that belongs before the first point goes before the closing one.
    std::optional<Point> beforeClose;
    for (std::size_t k = 0; k < points.size(); ++k) {
      const Point b = points[k];
      if (k >= n) {
        if (beforeClose) push(*beforeClose, 1);
        push(b);
        continue;
      }
      const Point a = points[(k + n - 1) % n], c = points[k + 1];
      // Ordered by u, then v, the way GLU finds its cusps.
      const bool leftmost = a > b && c > b, rightmost = a < b && c < b;
      const bool level = a.second == b.second || c.second == b.second;  // GLU cuts there already
      const double turn = Cross(double{b.first} - a.first, double{b.second} - a.second,
                                double{c.first} - b.first, double{c.second} - b.second);
      // Only a turn into the region (on the loop's left) leaves a cusp inside it.
      if ((!leftmost && !rightmost) || level || turn >= 0.0) {
        push(b);
        continue;
      }
      // The level edge runs towards the neighbour whose edge lies closer to
      // level, so that the sliver it cuts off lies between level and that
      // edge, clear of the other one; never up or down a vertical edge.
      const double da = std::fabs(double{a.first} - b.first), dc = std::fabs(double{c.first} - b.first);
      const bool towardsNext = dc != 0.0 && (da == 0.0 || std::fabs(double{c.second} - b.second) * da <=
                                                              std::fabs(double{a.second} - b.second) * dc);
      const Point& side = towardsNext ? c : a;
      const double room = std::fabs(double{side.first} - b.first);
      const double step = std::min(longest, room / 4.0);
      auto u = static_cast<float>(b.first + (leftmost ? step : -step));
      if (u == b.first) u = std::nextafter(b.first, leftmost ? HUGE_VALF : -HUGE_VALF);
      if (room == 0.0 || std::fabs(double{u} - b.first) * 2.0 > room) {
        push(b);  // no room for a separate point in float
        continue;
      }
      if (!towardsNext && k == 0)
        beforeClose = Point{u, b.second};
      else if (!towardsNext)
        push({u, b.second}, 1);
      push(b);
      if (towardsNext) push({u, b.second}, 1);
    }
    outEnds.push_back(static_cast<int>(out.size() / 2));
  }
}

}  // namespace xpdb
