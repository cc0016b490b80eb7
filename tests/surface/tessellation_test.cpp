#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "allocation.h"
#include "host/xlineset.h"
#include "pdb/xpdb14.h"
#include "pdb/xpdbutil.h"
#include "surfacetest.h"

namespace {

using surfacetest::Part;
using surfacetest::Text;

const std::string kSquarePoints = "4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n";
const std::string kSquareEdges = "4\n0 1\n1 2\n2 3\n3 0\n";

std::string MeshRecord(int colour, const std::string& points, const std::string& edges,
                       const std::string& polygons) {
  return "face " + std::to_string(colour) + "\n" + points + edges + polygons + "end_face\n";
}

std::string LineRecord(int colour, const std::string& points, const std::string& segments) {
  return "edge " + std::to_string(colour) + "\n" + points + segments + "end_edge\n";
}

std::string Group(const std::vector<std::string>& meshes, const std::vector<std::string>& lines) {
  std::string text = "3 body\ncover\n" + std::to_string(meshes.size()) + " FACES\n";
  for (const auto& m : meshes) text += m;
  text += std::to_string(lines.size()) + " EDGES\n";
  for (const auto& l : lines) text += l;
  return text + "end_body\n";
}

std::string Section(const std::vector<std::string>& groups) {
  std::string text = std::to_string(groups.size()) + "\n";
  for (const auto& g : groups) text += g;
  return text;
}

class Tessellation : public ::testing::Test {
 protected:
  int Read(const std::string& text) {
    Text in(text);
    const int result = xPdb14().ReadTesselation(in.get(), m_part.get());
    m_next = in.NextWord();
    return result;
  }
  xTriMesh* mesh(int i) { return m_part.set<xTriMesh>(i); }
  xLineSet* lines(int i) { return m_part.set<xLineSet>(i); }

  std::vector<std::array<unsigned, 3>> Triangles(int i) {
    std::vector<std::array<unsigned, 3>> result;
    const xTriMesh& m = *mesh(i);
    for (int t = 0; t < m.GetTriangleCount(); ++t)
      result.push_back({m.GetTriangle(t).a, m.GetTriangle(t).b, m.GetTriangle(t).c});
    return result;
  }

  Part m_part;
  std::string m_next;
};

using Triangle = std::array<unsigned, 3>;

TEST_F(Tessellation, NoGroupsOrNoSectionReadNothing) {
  EXPECT_EQ(xPdb14().ReadTesselation(nullptr, m_part.get()), -1);
  EXPECT_EQ(Read("0 next"), 0);
  EXPECT_EQ(m_next, "next");
  // A part that ends after its objects, as our writer leaves it.
  EXPECT_EQ(Read(""), 0);
  EXPECT_EQ(Read(" \n\t\n"), 0);
  EXPECT_EQ(m_part.count(), 0);
}

TEST_F(Tessellation, RingsTakeTheFirstPointOfForwardEdgesAndTheSecondOfBackwardOnes) {
  ASSERT_EQ(Read(Section({Group({MeshRecord(7, kSquarePoints, kSquareEdges, "1\n4 1 2 3 4\n"),
                                 MeshRecord(7, kSquarePoints, kSquareEdges, "1\n4 -4 -3 -2 -1\n")},
                                {})})),
            0);
  ASSERT_EQ(m_part.count(), 2);
  EXPECT_EQ(Triangles(0), (std::vector<Triangle>{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(Triangles(1), (std::vector<Triangle>{{0, 3, 2}, {0, 2, 1}}));
  EXPECT_EQ(mesh(0)->GetPointCount(), 4);
  EXPECT_EQ(mesh(0)->GetPoint(2).x, 1.0f);
  EXPECT_EQ(mesh(0)->GetPoint(2).y, 1.0f);
}

TEST_F(Tessellation, CornersThatCannotBeFollowedAreLeftOut) {
  const std::string toMissingPoint = "4\n0 1\n1 2\n2 99\n-3 0\n";
  ASSERT_EQ(Read(Section({Group({MeshRecord(7, kSquarePoints, kSquareEdges, "1\n7 1 0 2 9 3 -9 4\n"),
                                 MeshRecord(7, kSquarePoints, toMissingPoint, "1\n4 1 2 3 4\n"),
                                 MeshRecord(7, kSquarePoints, kSquareEdges, "3\n2 1 2\n0\n3 1 2 3\n")},
                                {})})),
            0);
  EXPECT_EQ(Triangles(0), (std::vector<Triangle>{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(Triangles(1), (std::vector<Triangle>{{0, 1, 2}}));
  EXPECT_EQ(Triangles(2), (std::vector<Triangle>{{0, 1, 2}}));
}

TEST_F(Tessellation, MeshWithoutPolygonsIsAddedButLinesWithoutSegmentsAreNot) {
  ASSERT_EQ(Read(Section({Group({MeshRecord(7, kSquarePoints, "0\n", "0\n")},
                                {LineRecord(8, kSquarePoints, "0\n")})}) +
                 "next"),
            0);
  ASSERT_EQ(m_part.count(), 1);
  EXPECT_EQ(mesh(0)->GetTriangleCount(), 0);
  EXPECT_EQ(mesh(0)->GetPointCount(), 4);
  EXPECT_EQ(m_next, "next");
}

TEST_F(Tessellation, ColourGivesMaterialAndMode) {
  const std::string square = "1\n4 1 2 3 4\n";
  ASSERT_EQ(Read(Section({Group(
                {MeshRecord(-2, kSquarePoints, kSquareEdges, square),
                 MeshRecord(4, kSquarePoints, kSquareEdges, square)},
                {LineRecord(-2, kSquarePoints, "1\n0 1\n"), LineRecord(4, kSquarePoints, "1\n0 1\n")})})),
            0);
  ASSERT_EQ(m_part.count(), 4);
  EXPECT_EQ(mesh(0)->GetMaterialMode(), 1);
  EXPECT_EQ(mesh(0)->GetMaterial(), nullptr);
  EXPECT_EQ(mesh(1)->GetMaterialMode(), 2);
  EXPECT_NE(mesh(1)->GetMaterial(), nullptr);
  EXPECT_EQ(mesh(1)->GetMaterial(), xPdbUtil::GetDenebMaterial(4));
  EXPECT_EQ(lines(2)->GetMaterialMode(), 1);
  EXPECT_EQ(lines(2)->GetMaterial(), nullptr);
  EXPECT_EQ(lines(3)->GetMaterialMode(), 2);
  EXPECT_EQ(lines(3)->GetMaterial(), xPdbUtil::GetDenebMaterial(4));
}

TEST_F(Tessellation, OptimiserBracketsEveryMesh) {
  const std::string square = "1\n4 1 2 3 4\n";
  const std::string group = Group({MeshRecord(7, kSquarePoints, kSquareEdges, square)}, {});
  ASSERT_EQ(Read(Section({group, group})), 0);
  EXPECT_EQ(m_part.count(), 2);
  const xOptimizerRecord record = xGeometryOptimizer::GetRecord();
  EXPECT_EQ(record.meshesStarted, 2);
  EXPECT_EQ(record.meshesEnded, 2);
}

TEST_F(Tessellation, SegmentsChainIntoPolylines) {
  const std::string points = "7\n0 0 0\n1 0 0\n2 0 0\n3 0 0\n4 0 0\n5 0 0\n6 0 0\n";
  ASSERT_EQ(Read(Section({Group({}, {LineRecord(8, points, "3\n0 1\n1 2\n5 6\n")})})), 0);
  ASSERT_EQ(m_part.count(), 1);
  const auto& polylines = lines(0)->GetLines();
  ASSERT_EQ(polylines.GCount(), 2);
  const xLine* first = polylines.GBegin();
  ASSERT_EQ(first->GetPointCount(), 3);
  EXPECT_EQ(first->GetPoint(0)->x, 0.0);
  EXPECT_EQ(first->GetPoint(2)->x, 2.0);
  const xLine* second = polylines.GNext(first);
  ASSERT_EQ(second->GetPointCount(), 2);
  EXPECT_EQ(second->GetPoint(0)->x, 5.0);
  EXPECT_EQ(second->GetPoint(1)->x, 6.0);
}

TEST_F(Tessellation, SegmentToAMissingPointIsDroppedAndBreaksTheChain) {
  ASSERT_EQ(Read(Section({Group({}, {LineRecord(8, kSquarePoints, "4\n0 1\n1 7\n1 2\n-1 3\n")})})), 0);
  const auto& polylines = lines(0)->GetLines();
  ASSERT_EQ(polylines.GCount(), 2);
  EXPECT_EQ(polylines.GBegin()->GetPointCount(), 2);
  EXPECT_EQ(polylines.GNext(polylines.GBegin())->GetPointCount(), 2);
}

TEST_F(Tessellation, TruncatedSectionFailsAndKeepsWhatWasWhole) {
  const std::string square = "1\n4 1 2 3 4\n";
  const std::string whole = Section({Group({MeshRecord(7, kSquarePoints, kSquareEdges, square),
                                            MeshRecord(7, kSquarePoints, kSquareEdges, square)},
                                           {})});
  const std::string cut = whole.substr(0, whole.rfind("4 1 2 3 4"));
  EXPECT_NE(Read(cut), 0);
  EXPECT_EQ(m_part.count(), 1);
  EXPECT_NE(Read("2 x"), 0);
  EXPECT_NE(Read("garbage"), 0);
  // A stream that failed before the section.
  Text in("7 0");
  int number = 0;
  *in.get() >> number >> number >> number;
  EXPECT_NE(xPdb14().ReadTesselation(in.get(), m_part.get()), 0);
}

TEST_F(Tessellation, HugeCountsAllocateOnlyWhatTheDataFills) {
  surfacetest::LargestAllocation largest;
  EXPECT_NE(Read("1 3 body cover 1 FACES face 7 2000000000 0 0 0"), 0);
  EXPECT_NE(Read("1 3 body cover 1 FACES face 7 3 0 0 0 1 0 0 0 1 0 2000000000 0 1"), 0);
  EXPECT_NE(Read("1 3 body cover 1 FACES face 7 0 0 2000000000 2000000000 1"), 0);
  EXPECT_NE(Read("2000000000 3 body cover 0 FACES 0 EDGES end"), 0);
  EXPECT_LT(largest.bytes(), 1u << 20);
}

TEST_F(Tessellation, MissingContainerThrows) {
  m_part.DropContainer();
  Text in(Section({Group({MeshRecord(7, kSquarePoints, kSquareEdges, "0\n")}, {})}));
  EXPECT_THROW(xPdb14().ReadTesselation(in.get(), m_part.get()), xSmartPtrException);
}

TEST(PolygonIndex, SignedReferencesPickTheEnds) {
  int e1[] = {10, 11}, e2[] = {12, 13};
  int* edges[] = {e1, e2};
  int ring[] = {1, -1, 2, -2, 0};
  int* polygons[] = {ring};
  EXPECT_EQ(xPdbUtil::GetPolygonIndex(edges, polygons, 0, 0), 10);
  EXPECT_EQ(xPdbUtil::GetPolygonIndex(edges, polygons, 0, 1), 11);
  EXPECT_EQ(xPdbUtil::GetPolygonIndex(edges, polygons, 0, 2), 12);
  EXPECT_EQ(xPdbUtil::GetPolygonIndex(edges, polygons, 0, 3), 13);
  EXPECT_EQ(xPdbUtil::GetPolygonIndex(edges, polygons, 0, 4), -1);
}

// Through the version-14 reader.

const std::string kEmptyPart = "14 DENEB_PART_FILE\n0 UNITS\n0\n0\n0\n0\n";

TEST(Version14Tessellation, SectionAddsToThePartAndMayBeAbsent) {
  Part part;
  Text in(kEmptyPart + Section({Group({MeshRecord(7, kSquarePoints, kSquareEdges, "1\n4 1 2 3 4\n")},
                                      {LineRecord(7, kSquarePoints, "2\n0 1\n1 2\n")})}));
  EXPECT_EQ(xPdb14().Read(in.get(), part.get()), 0);
  EXPECT_EQ(part.count(), 2);
  EXPECT_TRUE(xGeometryOptimizer::GetRecord().called);
  Part empty;
  Text none(kEmptyPart);
  EXPECT_EQ(xPdb14().Read(none.get(), empty.get()), 0);
}

TEST(Version14Tessellation, BrokenSectionEndsTheReadKeepingItsMeshes) {
  Part part;
  Text in(kEmptyPart + "2\n" + Group({MeshRecord(7, kSquarePoints, kSquareEdges, "1\n4 1 2 3 4\n")}, {}) +
          "3 body");
  EXPECT_EQ(xPdb14().Read(in.get(), part.get()), -1007);
  EXPECT_STREQ(xPdb14().Explain(-1007), "Error Reading Tessellation");
  EXPECT_EQ(part.count(), 1);
}

}  // namespace
