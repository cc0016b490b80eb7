#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <utility>
#include <vector>

#include "pdb/read/trimloops.h"

namespace {

using Point = std::pair<float, float>;
using Loop = std::vector<Point>;

struct Loops {
  std::vector<float> uv;
  std::vector<int> ends;
  std::vector<char> added;
};

// Closed loops, each repeating its first point last, as the reader keeps them.
Loops Closed(const std::vector<Loop>& loops) {
  Loops out;
  for (const Loop& loop : loops) {
    for (const auto& [u, v] : loop) out.uv.insert(out.uv.end(), {u, v});
    out.uv.insert(out.uv.end(), {loop.front().first, loop.front().second});
    out.ends.push_back(static_cast<int>(out.uv.size() / 2));
  }
  return out;
}

Loops Levelled(const Loops& in) {
  Loops out;
  xpdb::LevelSideTurns(in.uv.data(), in.ends, out.uv, out.ends, out.added);
  return out;
}

std::vector<Loop> Split(const Loops& loops) {
  std::vector<Loop> out;
  int begin = 0;
  for (const int end : loops.ends) {
    Loop loop;
    for (int i = begin; i < end; ++i) loop.emplace_back(loops.uv[2 * i], loops.uv[2 * i + 1]);
    out.push_back(loop);
    begin = end;
  }
  return out;
}

double Cross(const Point& a, const Point& b, const Point& c) {
  return (double{b.first} - a.first) * (double{c.second} - b.second) -
         (double{b.second} - a.second) * (double{c.first} - b.first);
}

double Area(const Loop& closed) {
  double area = 0;
  for (std::size_t i = 0; i + 1 < closed.size(); ++i)
    area += double{closed[i].first} * closed[i + 1].second - double{closed[i + 1].first} * closed[i].second;
  return area / 2;
}

// The turns, ordered by u then v, that bend into the region on the loop's left
// and have no level edge beside them: where GLU leaves a cusp inside a part.
int UnlevelledTurns(const Loop& closed) {
  const std::size_t n = closed.size() - 1;
  int turns = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const Point a = closed[(k + n - 1) % n], b = closed[k], c = closed[k + 1];
    const bool side = (a > b && c > b) || (a < b && c < b);
    const bool level = a.second == b.second || c.second == b.second;
    if (side && !level && Cross(a, b, c) < 0) ++turns;
  }
  return turns;
}

// A clockwise n-gon, as a hole runs, starting at its rightmost point.
Loop Hole(float cx, float cy, float r, int n) {
  Loop loop;
  for (int i = 0; i < n; ++i) {
    const double a = -2 * std::numbers::pi * i / n;
    loop.emplace_back(static_cast<float>(cx + r * std::cos(a)), static_cast<float>(cy + r * std::sin(a)));
  }
  return loop;
}

const Loop kSquare = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// A hole whose leftmost point has both neighbours above it, and a second
// hole whose tip comes within a few ten-thousandths of its flatter edge.
const Loop kLopsided = {{0.5f, 0.5f}, {0.6f, 0.6f}, {0.7f, 0.575f}, {0.6f, 0.55f}};
const Loop kTip = {{0.5008f, 0.5002f}, {0.56f, 0.47f}, {0.52f, 0.42f}};

TEST(LevelSideTurns, AHoleGainsALevelEdgeAtItsLeftAndRightmostPointsOnly) {
  const Loops in = Closed({kSquare, Hole(0.5f, 0.5f, 0.2f, 12)});
  ASSERT_EQ(UnlevelledTurns(Split(in)[1]), 2);
  const std::vector<Loop> out = Split(Levelled(in));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], Split(in)[0]) << "the outer loop turns away from the region";
  const Loop& hole = out[1];
  EXPECT_EQ(hole.size(), Split(in)[1].size() + 2);
  EXPECT_EQ(UnlevelledTurns(hole), 0);
  EXPECT_EQ(hole.front(), hole.back());
  // Each added point sits on its turn's level, a thousandth of the extent
  // towards the neighbour.
  int added = 0;
  for (std::size_t i = 0; i + 1 < hole.size(); ++i)
    if (hole[i].second == hole[i + 1].second) {
      ++added;
      EXPECT_NEAR(std::fabs(hole[i + 1].first - hole[i].first), 1e-3, 1e-7);
      const float turn = std::fabs(hole[i].first - 0.5f) > std::fabs(hole[i + 1].first - 0.5f)
                             ? hole[i].first
                             : hole[i + 1].first;
      EXPECT_NEAR(std::fabs(turn - 0.5f), 0.2f, 1e-6f) << "at the hole's side";
    }
  EXPECT_EQ(added, 2);
  EXPECT_NEAR(Area(hole), Area(Split(in)[1]), 1e-3 * 0.4);
}

TEST(LevelSideTurns, KeepsTurnsThatAreLevelAlreadyOrHaveNoRoomInFloat) {
  // A square hole: its extremes lie on level edges, which GLU cuts along anyway.
  const Loops square = Closed({kSquare, {{0.2f, 0.2f}, {0.2f, 0.4f}, {0.4f, 0.4f}, {0.4f, 0.2f}}});
  EXPECT_EQ(Levelled(square).uv, square.uv);
  // A sliver whose tip is one float step from its neighbours: no point fits
  // beside the tip, while the far turn still gains one.
  const float tip = 0.5f, next = std::nextafter(tip, 1.0f);
  const Loops sliver = Closed({kSquare, {{tip, 0.5f}, {next, 0.7f}, {0.9f, 0.6f}, {next, 0.3f}}});
  const Loop hole = Split(Levelled(sliver))[1];
  EXPECT_EQ(hole, (Loop{{tip, 0.5f}, {next, 0.7f}, {0.899f, 0.6f}, {0.9f, 0.6f}, {next, 0.3f}, {tip, 0.5f}}));
  // Open or degenerate loops pass through untouched.
  Loops open;
  open.uv = {0.1f, 0.1f, 0.5f, 0.9f, 0.9f, 0.1f};
  open.ends = {3};
  EXPECT_EQ(Levelled(open).uv, open.uv);
  EXPECT_EQ(Levelled(open).ends, open.ends);
}

TEST(LevelSideTurns, AVerticalEdgeAtATurnGetsItsLevelEdgeOnTheOtherSide) {
  // Ordered by u then v, the lower end of a vertical left edge is the turn.
  // Its level edge must run towards the slanted neighbour: run up the
  // vertical edge instead and it would make a new turn of its own.
  const Loop starts = {{0.3f, 0.3f}, {0.3f, 0.6f}, {0.6f, 0.7f}, {0.8f, 0.4f}};
  const Loop ends = {{0.3f, 0.6f}, {0.6f, 0.7f}, {0.8f, 0.4f}, {0.3f, 0.3f}};
  for (const Loop& hole : {starts, ends}) {
    const Loops in = Closed({kSquare, hole});
    const Loop out = Split(Levelled(in))[1];
    EXPECT_EQ(out.size(), hole.size() + 3) << "both sides, and the closing point";
    EXPECT_EQ(UnlevelledTurns(out), 0);
    EXPECT_EQ(out.front(), out.back());
    // No point of the result lies left of the vertical edge or right of the hole.
    for (const Point& p : out) EXPECT_TRUE(p.first >= 0.3f && p.first <= 0.8f);
  }
}

// Pairs of edges of one closed loop, neither neighbours nor sharing a
// point, that cross each other.
int Crossings(const Loop& closed) {
  const std::size_t n = closed.size() - 1;
  auto side = [](const Point& p, const Point& q, const Point& r) {
    const double c = Cross(p, q, r);
    return (c > 0) - (c < 0);
  };
  int crossings = 0;
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;
      const Point &a = closed[i], &b = closed[i + 1], &c = closed[j], &d = closed[j + 1];
      if (side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0) ++crossings;
    }
  return crossings;
}

TEST(LevelSideTurns, ALopsidedTurnGetsItsLevelEdgeBesideItsFlatterEdge) {
  // The leftmost point of this hole has both neighbours above it: a level
  // edge beside the steeper one would cross the flatter one.
  const Loop& lowFirst = kLopsided;
  const Loop lowLast = {{0.6f, 0.55f}, {0.5f, 0.5f}, {0.6f, 0.6f}, {0.7f, 0.575f}};
  const Loop highFirst = {{0.5f, 0.5f}, {0.6f, 0.9f}, {0.7f, 0.575f}, {0.6f, 0.55f}};
  for (const Loop& hole : {lowFirst, lowLast, highFirst}) {
    const Loop out = Split(Levelled(Closed({kSquare, hole})))[1];
    EXPECT_EQ(UnlevelledTurns(out), 0);
    EXPECT_EQ(Crossings(out), 0);
    EXPECT_EQ(out.front(), out.back());
    EXPECT_EQ(out.size(), hole.size() + 3);
  }
}

TEST(TrimLoopsTouch, CountsTheEdgesBesideALevelEdgeAsNeighboursAndNothingElse) {
  const Loops in = Closed({kSquare, kLopsided, kTip});
  ASSERT_FALSE(xpdb::TrimLoopsTouch(in.uv.data(), in.ends));
  // A thousandth of the extent reaches past the tip; a hundred-thousandth does not.
  Loops coarse, fine;
  xpdb::LevelSideTurns(in.uv.data(), in.ends, coarse.uv, coarse.ends, coarse.added, 1e-3);
  xpdb::LevelSideTurns(in.uv.data(), in.ends, fine.uv, fine.ends, fine.added, 1e-5);
  EXPECT_TRUE(xpdb::TrimLoopsTouch(coarse.uv.data(), coarse.ends, &coarse.added));
  EXPECT_FALSE(xpdb::TrimLoopsTouch(fine.uv.data(), fine.ends, &fine.added));
  // Unmarked, the edges beside the short level edge come within the margin.
  EXPECT_TRUE(xpdb::TrimLoopsTouch(fine.uv.data(), fine.ends));
  // A hole of four edges after levelling: the level edge is the last one, so
  // its neighbours are the first and the third.
  const Loops triangle = Closed({kSquare, {{0.2f, 0.5f}, {0.3f, 0.7f}, {0.6f, 0.7f}}});
  Loops four;
  xpdb::LevelSideTurns(triangle.uv.data(), triangle.ends, four.uv, four.ends, four.added, 1e-5);
  ASSERT_EQ(Split(four)[1].size(), 5u);
  EXPECT_FALSE(xpdb::TrimLoopsTouch(four.uv.data(), four.ends, &four.added));
}

// Long thin loops, in both directions: every crossing is still found, and a
// loop without one is not refused (nor stopped by the test's work limit).
TEST(TrimLoopsTouch, FindsCrossingsInLongThinCombs) {
  for (const bool wide : {true, false}) {
    auto comb = [wide](int crossingTooth) {
      Loop loop;
      const int teeth = 3000;
      for (int i = 0; i < teeth; ++i) loop.push_back({2.0f * i + 1, i % 2 ? 3.0f : 1.0f});
      for (int i = teeth - 1; i >= 0; --i) loop.push_back({2.0f * i + 1, i % 2 ? 7.0f : 5.0f});
      // One tooth of the lower edge reaching past the upper one.
      if (crossingTooth >= 0) loop[static_cast<std::size_t>(crossingTooth)].second = 9.0f;
      if (!wide)
        for (auto& [u, v] : loop) std::swap(u, v);
      return Closed({loop});
    };
    const Loops clean = comb(-1), crossed = comb(1777);
    EXPECT_FALSE(xpdb::TrimLoopsTouch(clean.uv.data(), clean.ends)) << wide;
    EXPECT_TRUE(xpdb::TrimLoopsTouch(crossed.uv.data(), crossed.ends)) << wide;
  }
}

TEST(LevelSideTurns, RandomStarHolesKeepTheirShapeAndLoseEveryCusp) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> radius(0.02f, 0.12f);
  for (int plate = 0; plate < 200; ++plate) {
    std::vector<Loop> loops = {kSquare};
    for (int h = 0; h < 4; ++h) {
      Loop star;
      const int n = 5 + plate % 40;
      const float cx = 0.15f + 0.23f * h, cy = 0.5f;
      for (int i = 0; i < n; ++i) {
        const double a = -2 * std::numbers::pi * i / n;
        const float r = radius(random);
        star.emplace_back(static_cast<float>(cx + r * std::cos(a)), static_cast<float>(cy + r * std::sin(a)));
      }
      loops.push_back(star);
    }
    const Loops in = Closed(loops);
    const std::vector<Loop> before = Split(in), after = Split(Levelled(in));
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t l = 0; l < after.size(); ++l) {
      EXPECT_EQ(UnlevelledTurns(after[l]), 0) << plate << ' ' << l;
      EXPECT_EQ(Crossings(after[l]), 0) << plate << ' ' << l;
      // Each added point shifts its turn's edge by at most a thousandth of
      // the extent (here 1) along at most the loop's height.
      double low = 1, high = 0;
      for (const Point& p : before[l])
        low = std::min<double>(low, p.second), high = std::max<double>(high, p.second);
      EXPECT_NEAR(Area(after[l]), Area(before[l]), 1e-3 * (high - low)) << plate << ' ' << l;
    }
  }
}

}  // namespace
