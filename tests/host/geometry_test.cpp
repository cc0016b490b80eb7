#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "host/xassert.h"
#include "host/xcompactlineset.h"
#include "host/xenvironment.h"
#include "host/xgeometry.h"
#include "host/xgeometryoptimizer.h"
#include "host/xlineset.h"
#include "host/xpolymesh.h"
#include "host/xsetkind.h"
#include "host/xtrimesh.h"

namespace {

struct CountedSet : xGeoSet {
  explicit CountedSet(int* alive) : m_alive(alive) { ++*m_alive; }
  ~CountedSet() override { --*m_alive; }
  int GetType() const override { return 77; }
  int* m_alive;
};

TEST(GeoContainer, OwnsItsSetsInOrder) {
  int alive = 0;
  {
    xGeometry geometry;
    xGeoContainer* container = geometry.GetContainer().GetPtr();
    auto* first = new CountedSet(&alive);
    auto* second = new CountedSet(&alive);
    container->AddSet(first);
    container->AddSet(nullptr);
    container->AddSet(second);
    ASSERT_EQ(container->GetSetCount(), 2);
    EXPECT_EQ(container->GetSet(0), first);
    EXPECT_EQ(container->GetSet(1), second);
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 0);
}

TEST(SmartReference, EmptyReferenceThrowsWithItsText) {
  xGeometry geometry;
  geometry.GetContainer().Reset();
  try {
    geometry.GetContainer()->GetSetCount();
    FAIL() << "no exception";
  } catch (const xException& e) {
    EXPECT_STREQ(e.GetText(), "Illegal smart pointer access");
    EXPECT_NE(dynamic_cast<const xSmartPtrException*>(&e), nullptr);
  }
  xTriMesh mesh;
  mesh.GetData().Reset();
  EXPECT_THROW(mesh.AddPoint(1, 2, 3), xSmartPtrException);
}

TEST(GlobalAssert, ReportsCountsAndReturns) {
  const int before = xGlobalAssertCount();
  xGlobalAssert(true, "file.cpp", 1);
  EXPECT_EQ(xGlobalAssertCount(), before);
  testing::internal::CaptureStderr();
  xGlobalAssert(false, "xpdbutil", 42);
  const std::string report = testing::internal::GetCapturedStderr();
  EXPECT_EQ(xGlobalAssertCount(), before + 1);
  EXPECT_NE(report.find("xpdbutil:42"), std::string::npos);
}

TEST(Environment, DoubleSettingsByName) {
  xEnvironment* env = xEnvironment::GetGlobal();
  ASSERT_EQ(env, xEnvironment::GetGlobal());
  env->Remove("Test.Value");
  int index = 5;
  env->GetMutex().Lock();
  EXPECT_EQ(env->GetPtr("Test.Value", 0, index), nullptr);
  env->GetMutex().Unlock();
  EXPECT_EQ(index, -1);
  env->SetDouble("Test.Value", 0.25);
  env->SetDouble("Test.Value", 0.75);
  env->GetMutex().Lock();
  auto* setting = dynamic_cast<xEnvironment::TSetting<xStoreDouble>*>(env->GetPtr("Test.Value", 0, index));
  env->GetMutex().Unlock();
  ASSERT_NE(setting, nullptr);
  EXPECT_DOUBLE_EQ(setting->store.value, 0.75);
  EXPECT_GE(index, 0);
  env->Remove("Test.Value");
}

TEST(CompactLineSet, PairsStayInFrontOfPolylines) {
  xCompactLineSet lines;
  lines.AddPolyLinePoint(10, 0, 0, true);
  lines.AddPolyLinePoint(11, 0, 0, false);
  lines.AddPolyLinePoint(12, 0, 0, false);
  lines.AddPolyLinePoint(20, 0, 0, true);
  lines.AddPolyLinePoint(21, 0, 0, false);
  lines.AddLinePoints(0, 0, 0, 1, 0, 0);
  lines.Update();
  ASSERT_EQ(lines.GetPointCount(), 7);
  EXPECT_FLOAT_EQ(lines.GetPoint(1).x, 1.0f);
  EXPECT_FLOAT_EQ(lines.GetPoint(2).x, 10.0f);
  ASSERT_EQ(lines.GetPolyLineCount(), 2);
  EXPECT_EQ(lines.GetPolyLineStart(0), 2);
  EXPECT_EQ(lines.GetPolyLineSize(0), 3);
  EXPECT_EQ(lines.GetPolyLineSize(1), 2);
  EXPECT_EQ(lines.GetPolyLineSize(2), 0);
  EXPECT_EQ(lines.GetType(), 9);
}

// Points 0 0 0, 1 0 0, ... with the given polyline starts, and the segments
// the walk visits.
std::unique_ptr<xCompactLineSet> Compact(int points, std::vector<int> starts) {
  auto set = std::make_unique<xCompactLineSet>();
  for (int i = 0; i < points; ++i) set->GetData()->points.emplace_back(float(i), 0.0f, 0.0f);
  set->GetData()->polyLineStarts = std::move(starts);
  return set;
}
std::vector<std::pair<int, int>> Segments(const xCompactLineSet& set) {
  std::vector<std::pair<int, int>> segments;
  set.ForEachSegment([&](int a, int b) { segments.emplace_back(a, b); });
  return segments;
}
using Pairs = std::vector<std::pair<int, int>>;

TEST(CompactLineSet, WalkLeavesAnOddPairPointOut) {
  const auto set = Compact(8, {5});
  EXPECT_EQ(set->GetPairPointCount(), 5);
  EXPECT_EQ(Segments(*set), (Pairs{{0, 1}, {2, 3}, {5, 6}, {6, 7}}));
  EXPECT_EQ(set->GetSegmentCount(), 4);
  const auto pairsOnly = Compact(5, {});
  EXPECT_EQ(Segments(*pairsOnly), (Pairs{{0, 1}, {2, 3}}));
  EXPECT_EQ(pairsOnly->GetSegmentCount(), 2);
}

// Starts that the readers never make still keep every segment inside the
// point table, and the count agrees with the segments walked.
TEST(CompactLineSet, WalkStaysInsideThePointsWhateverTheStarts) {
  struct Case {
    int points;
    std::vector<int> starts;
    Pairs segments;
  };
  const Case cases[] = {
      {4, {9}, {{0, 1}, {2, 3}}},          {4, {1, 9}, {{1, 2}, {2, 3}}},
      {4, {-3}, {{0, 1}, {1, 2}, {2, 3}}}, {5, {3, 1}, {{0, 1}, {1, 2}, {2, 3}, {3, 4}}},
      {3, {0, 0, 2, 2}, {{0, 1}}},         {0, {0, 4}, {}},
  };
  for (const Case& c : cases) {
    const auto set = Compact(c.points, c.starts);
    EXPECT_EQ(Segments(*set), c.segments) << c.points << " points, " << c.starts.size() << " starts";
    EXPECT_EQ(set->GetSegmentCount(), static_cast<int>(c.segments.size()));
  }
  const xCompactLineSpan beyond = Compact(4, {1, 9})->GetPolyLineSpan(1);
  EXPECT_EQ(beyond.first, 4);
  EXPECT_EQ(beyond.end, 4);
}

// Each set reaches the overload of its own class, by its type code; a code
// no class has reaches the one for any set.
TEST(SetKind, VisitsTheClassOfTheTypeCode) {
  int alive = 0;
  std::vector<std::unique_ptr<xGeoSet>> sets;
  sets.push_back(std::make_unique<xTriMesh>());
  sets.push_back(std::make_unique<xPolyMesh>());
  sets.push_back(std::make_unique<xCompactLineSet>());
  sets.push_back(std::make_unique<xLineSet>());
  sets.push_back(std::make_unique<xPointSet>());
  sets.push_back(std::make_unique<xFrameSet>());
  sets.push_back(std::make_unique<CountedSet>(&alive));
  const auto name = xSetVisitor{
      [](const xTriMesh&) { return std::string("tri"); },
      [](const xPolyMesh&) { return std::string("poly"); },
      [](const xCompactLineSet&) { return std::string("compact"); },
      [](const xLineSet&) { return std::string("lines"); },
      [](const xPointSet&) { return std::string("points"); },
      [](const xFrameSet&) { return std::string("frames"); },
      [](const xGeoSet& set) { return "code " + std::to_string(set.GetType()); },
  };
  std::vector<std::string> names, typeNames;
  for (const auto& set : sets) {
    names.push_back(xVisitSet(std::as_const(*set), name));
    typeNames.push_back(xGeoTypeName(set->GetType()));
  }
  EXPECT_EQ(names,
            (std::vector<std::string>{"tri", "poly", "compact", "lines", "points", "frames", "code 77"}));
  EXPECT_EQ(typeNames, (std::vector<std::string>{"xTriMesh", "xPolyMesh", "xCompactLineSet", "xLineSet",
                                                 "xPointSet", "xFrameSet", "xGeoSet"}));

  // A set that may be changed arrives as one that may be changed.
  xVisitSet(*sets[2], xSetVisitor{[](xCompactLineSet& lines) { lines.AddLinePoints(0, 0, 0, 1, 1, 1); },
                                  [](xGeoSet&) {}});
  EXPECT_EQ(static_cast<xCompactLineSet&>(*sets[2]).GetPointCount(), 2);
}

TEST(PolyMesh, RenumbersPointsAndPolygonsByPosition) {
  xPolyMesh mesh;
  xPolyPoint* a = mesh.AddPoint(0, 0, 0, 40);
  xPolyPoint* b = mesh.AddPoint(1, 0, 0, 7);
  xPolyPoint* c = mesh.AddPoint(0, 1, 0, 7);
  xPolygon* p = mesh.NewPolygon();
  p->AddVertex(a), p->AddVertex(b), p->AddVertex(c);
  p->SetId(99);
  mesh.RenumberPoints();
  mesh.RenumberPolygons();
  EXPECT_EQ(a->GetId(), 0);
  EXPECT_EQ(b->GetId(), 1);
  EXPECT_EQ(c->GetId(), 2);
  EXPECT_EQ(p->GetId(), 0);
  EXPECT_EQ(mesh.GetPoints().GCount(), 3);
  EXPECT_EQ(mesh.GetPolygons().GBegin()->GetVertex(2), c);
  EXPECT_EQ(mesh.GetType(), 1);
}

TEST(GeometryOptimizer, RecordsTheFinalCall) {
  xGeometryOptimizer::ResetRecord();
  EXPECT_FALSE(xGeometryOptimizer::GetRecord().called);
  xGeometry geometry;
  xGeometry* g = &geometry;
  {
    xGeometryOptimizer optimizer;
    optimizer.StartMesh(nullptr);
    optimizer.EndMesh(nullptr);
    optimizer.AnalyzeAndOptimizeGeometry(&g, "xpdb", 14);
  }
  const xOptimizerRecord record = xGeometryOptimizer::GetRecord();
  EXPECT_TRUE(record.called);
  EXPECT_EQ(record.name, "xpdb");
  EXPECT_EQ(record.version, 14);
  EXPECT_EQ(record.meshesStarted, 1);
  EXPECT_EQ(record.meshesEnded, 1);
  EXPECT_EQ(g, &geometry);
}

}  // namespace
