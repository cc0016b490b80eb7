// Tessellation on several threads: each has its own tessellator, and GLU's
// errors, which carry no user data, reach the tessellator of their thread.
#include <barrier>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "pdb/read/surfacetesselator.h"

namespace {

using Tesselator = GluNurbsTesselator<TriangleStoreIndexed>;

// A flat bilinear patch over the unit square.
void Patch(Tesselator& t) {
  float knots[] = {0, 0, 1, 1};
  float points[] = {0, 0, 0, 1, 0, 1, 0, 1, 1, 0, 0, 1, 1, 1, 0, 1};
  t.init(0.01f);
  t.beginSurface();
  t.nurbsSurface(4, knots, 4, knots, 8, 4, points, 2, 2);
  t.endSurface();
}

// gluEndTrim without gluBeginTrim: GLU reports it through the error callback.
void Misuse(Tesselator& t) {
  t.init(0.01f);
  t.beginSurface();
  t.endTrim();
}

TEST(SurfaceThreads, EachThreadTessellatesWithItsOwnAndGetsItsOwnErrors) {
  Tesselator* here = &xSurfaceTesselator();
  EXPECT_EQ(&xSurfaceTesselator(), here);
  Tesselator* there = nullptr;
  std::thread([&] { there = &xSurfaceTesselator(); }).join();
  EXPECT_NE(there, here);

  Patch(*here);
  ASSERT_FALSE(here->hasError());
  const unsigned entries = here->size();
  ASSERT_GT(entries, 0u);
  Misuse(*here);
  ASSERT_TRUE(here->hasError());

  // Half the threads make errors, the others clean patches, at the same time
  // (a route shared between threads shows under ThreadSanitizer at once).
  constexpr int kThreads = 4, kRounds = 400;
  std::vector<int> wrong(kThreads);
  std::barrier start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      Tesselator& mine = xSurfaceTesselator();
      start.arrive_and_wait();
      for (int round = 0; round < kRounds; ++round) {
        if (t % 2) {
          Misuse(mine);
          wrong[static_cast<std::size_t>(t)] += !mine.hasError();
        } else {
          Patch(mine);
          wrong[static_cast<std::size_t>(t)] += mine.hasError() || mine.size() != entries;
        }
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(kThreads, 0));
}

}  // namespace
