#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "allocation.h"
#include "host/xcompactlineset.h"
#include "host/xtrimesh.h"
#include "pdb/xpdbutil.h"
#include "readtest.h"

namespace {

using readtest::Part;
using readtest::Text;

using Triangles = std::vector<std::vector<unsigned>>;

Triangles TrianglesOf(const xTriMesh& mesh) {
  Triangles out;
  for (int i = 0; i < mesh.GetTriangleCount(); ++i) {
    const auto& t = mesh.GetTriangle(i);
    out.push_back({t.a, t.b, t.c});
  }
  return out;
}

class ObjectReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xMatReader::ClearLibrary();
    readtest::AddDenebLibrary();
  }
  void TearDown() override { xMatReader::ClearLibrary(); }

  xGeoSet* Read(const std::string& record, int version, int fileVersion = 0) {
    text = std::make_unique<Text>(record);
    return xPdbUtil::ReadObject(text->get(), part.get(), version, fileVersion ? fileVersion : version,
                                status);
  }

  Part part;
  std::unique_ptr<Text> text;
  int status = 99;
};

const char* kSquare = "4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n";

TEST_F(ObjectReaderTest, ColouredQuadBecomesTwoFanTriangles) {
  xGeoSet* result = Read(std::string("7\n") + kSquare + "0\n1\n4 0 1 2 3\n0\nNEXT", 9);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(part.count(), 1);
  auto* mesh = part.set<xTriMesh>(0);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(result, mesh);
  EXPECT_EQ(mesh->GetPointCount(), 4);
  EXPECT_EQ(TrianglesOf(*mesh), (Triangles{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(mesh->GetMaterialMode(), 2);
  ASSERT_NE(mesh->GetMaterial(), nullptr);
  EXPECT_STREQ(mesh->GetMaterial()->GetName().c_str(), "RED");
  EXPECT_FLOAT_EQ(mesh->GetPoint(2).x, 1.0f);
  EXPECT_FLOAT_EQ(mesh->GetPoint(2).y, 1.0f);
  EXPECT_EQ(text->NextWord(), "NEXT");
}

TEST_F(ObjectReaderTest, MaterialModeFollowsColour) {
  Read(std::string("-2\n") + kSquare + "0\n1\n4 0 1 2 3\n0\n", 9);
  EXPECT_EQ(part.set<xTriMesh>(0)->GetMaterialMode(), 1);
  EXPECT_EQ(part.set<xTriMesh>(0)->GetMaterial(), nullptr);
  Read(std::string("0\n") + kSquare + "0\n1\n4 0 1 2 3\n0\n", 9);
  EXPECT_EQ(part.set<xTriMesh>(1)->GetMaterialMode(), 2);
  EXPECT_EQ(part.set<xTriMesh>(1)->GetMaterial(), nullptr);
}

TEST_F(ObjectReaderTest, PolygonWithoutTrianglesAddsNoMesh) {
  EXPECT_EQ(Read("7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n2 0 1\n0\n", 9), nullptr);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(part.count(), 0);
  EXPECT_EQ(Read("7\n0\n0\n0\n0\n", 10), nullptr);  // empty version-10 object
  EXPECT_EQ(status, 0);
  EXPECT_EQ(part.count(), 0);
}

TEST_F(ObjectReaderTest, LinesWithoutPolygonsGiveOnlyALineSet) {
  xGeoSet* result = Read(std::string("8\n") + kSquare + "2\n0 1\n2 3\n0\n0\n", 9);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(part.count(), 1);
  auto* lines = part.set<xCompactLineSet>(0);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(result, lines);
  ASSERT_EQ(lines->GetPointCount(), 4);
  EXPECT_FLOAT_EQ(lines->GetPoint(1).x, 1.0f);
  EXPECT_FLOAT_EQ(lines->GetPoint(2).y, 1.0f);
  EXPECT_FLOAT_EQ(lines->GetPoint(3).x, 0.0f);
  EXPECT_EQ(lines->GetMaterialMode(), 2);
  EXPECT_STREQ(lines->GetMaterial()->GetName().c_str(), "GREEN");

  Read(std::string("-2\n") + kSquare + "1\n0 1\n0\n0\n", 9);
  EXPECT_EQ(part.set<xCompactLineSet>(1)->GetMaterialMode(), 0);  // no material, mode untouched
}

TEST_F(ObjectReaderTest, LinesAndMeshResultIsTheMesh) {
  xGeoSet* result = Read(std::string("9\n") + kSquare + "1\n0 2\n1\n3 0 1 2\n0\n", 9);
  ASSERT_EQ(part.count(), 2);
  EXPECT_NE(part.set<xCompactLineSet>(0), nullptr);
  EXPECT_EQ(result, part.set<xTriMesh>(1));
}

TEST_F(ObjectReaderTest, SegmentToMissingPointIsDroppedAndReported) {
  Read(std::string("7\n") + kSquare + "3\n0 1\n1 9\n-1 -1\n0\n0\n", 9);
  EXPECT_EQ(status, 0);
  auto* lines = part.set<xCompactLineSet>(0);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lines->GetPointCount(), 2);
  EXPECT_EQ(xGlobalAssertCount(), 2);  // once per dropped segment
}

TEST_F(ObjectReaderTest, ObjectWithoutPointsTreatsEveryIndexAsMissing) {
  xGeoSet* result = Read("7\n0\n2\n0 1\n1 0\n1\n3 0 1 2\n0\n", 9);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(part.count(), 1);
  auto* lines = part.set<xCompactLineSet>(0);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(result, lines);
  EXPECT_EQ(lines->GetPointCount(), 0);
  EXPECT_EQ(xGlobalAssertCount(), 2);
}

TEST_F(ObjectReaderTest, CornersOutsideThePointsAreLeftOut) {
  Read("7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n2\n4 0 1 7 2\n4 -1 0 1 2\n0\n", 9);
  EXPECT_EQ(TrianglesOf(*part.set<xTriMesh>(0)), (Triangles{{0, 1, 2}, {0, 1, 2}}));
  EXPECT_EQ(xGlobalAssertCount(), 0);
}

TEST_F(ObjectReaderTest, RepeatedCornersAreKept) {
  Read("7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n4 0 1 1 2\n0\n", 9);
  EXPECT_EQ(TrianglesOf(*part.set<xTriMesh>(0)), (Triangles{{0, 1, 1}, {0, 1, 2}}));
}

const char* kTriangleEdges = "3\n0 0 0\n1 0 0\n0 1 0\n0\n3\n0 1\n1 2\n2 0\n";

TEST_F(ObjectReaderTest, EdgeReferencesPickEdgeEnds) {
  const std::string head = std::string("7 colour line rest\nname line\n") + kTriangleEdges;
  Read(head + "3\n3 1 2 3\n3 -1 -2 -3\n5 1 0 2 4 3\n0\n0\nNEXT", 12);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(TrianglesOf(*part.set<xTriMesh>(0)), (Triangles{{0, 1, 2}, {1, 2, 0}, {0, 1, 2}}));
  EXPECT_EQ(text->NextWord(), "NEXT");
}

TEST_F(ObjectReaderTest, TrailingFieldsDependOnVersion) {
  const std::string head = std::string("7\nname\n") + kTriangleEdges + "1\n3 1 2 3\n0\n";
  Read(head + "0\n42 NEXT", 14);  // textures, then one integer
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text->NextWord(), "NEXT");
  Read(head + "0\n42 NEXT", 12);  // textures only
  EXPECT_EQ(text->NextWord(), "42");
  const std::string flat = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n";
  Read(flat + "0\nNEXT", 11);
  EXPECT_EQ(text->NextWord(), "NEXT");
  Read(flat + "0\nNEXT", 9);  // no texture block
  EXPECT_EQ(text->NextWord(), "0");
}

TEST_F(ObjectReaderTest, Version10NegativePointCountSkipsTwoLines) {
  Read("7\n-1 extra words\nanother line 1 2 3\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\nNEXT", 10);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(part.set<xTriMesh>(0)->GetPointCount(), 3);
  EXPECT_EQ(text->NextWord(), "NEXT");
}

TEST_F(ObjectReaderTest, Version10NegativeVertexCountSkipsLines) {
  const std::string head = "7\n4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0\n2\n-3 0 1 2 rest\nline\n";
  Read(head + "3 0 2 3\n0\nNEXT", 10, 10);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(TrianglesOf(*part.set<xTriMesh>(0)), (Triangles{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(text->NextWord(), "NEXT");
  Read(head + "more\nmore\n3 0 2 3\n0\nNEXT", 10, 1010);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(TrianglesOf(*part.set<xTriMesh>(1)), (Triangles{{0, 1, 2}, {0, 2, 3}}));
  EXPECT_EQ(text->NextWord(), "NEXT");
}

TEST_F(ObjectReaderTest, CountLimits) {
  Read("7\n10000000\n", 9);
  EXPECT_EQ(status, -1008);
  EXPECT_EQ(Read("7\n-1\n", 9), nullptr);
  EXPECT_EQ(status, -1008);
  Read("7\n0\n-1\n", 9);
  EXPECT_EQ(status, -1009);
  Read("7\n0\n10000000\n", 9);
  EXPECT_EQ(status, -1009);
  Read("7\n0\n0\n10000000\n", 9);
  EXPECT_EQ(status, -1010);
  Read("7\n0\n0\n1\n10000000\n", 9);
  EXPECT_EQ(status, -1011);
  Read("7\n0\n0\n1\n-10000000\n", 10);
  EXPECT_EQ(status, -1011);
  Read("7\n0\n0\n1\n-2147483648\n", 10);
  EXPECT_EQ(status, -1011);
  Read("7\nx\n0\n0\n-1\n1\n3 1 2 3\n", 12);
  EXPECT_EQ(status, -1012);
  EXPECT_EQ(text->NextWord(), "1");  // no polygon read
  EXPECT_EQ(part.count(), 0);
}

TEST_F(ObjectReaderTest, LargestCountIsAccepted) {
  // Accepted, then the points run out: the text block reports it.
  Read("7\n9999999\n0 0 0\n", 9);
  EXPECT_EQ(status, -1005);
}

TEST_F(ObjectReaderTest, FailureAfterLinesKeepsTheLineSet) {
  xGeoSet* result = Read(std::string("7\n") + kSquare + "1\n0 1\n10000000\n", 9);
  EXPECT_EQ(status, -1010);
  ASSERT_EQ(part.count(), 1);
  EXPECT_EQ(result, part.set<xCompactLineSet>(0));
}

TEST_F(ObjectReaderTest, BlockFailuresDiscardTheMesh) {
  const std::string body = std::string("7\n") + kSquare + "0\n1\n4 0 1 2 3\n";
  Read(body + "100001\n", 9);
  EXPECT_EQ(status, -1005);
  Read(body + "0\n-1\n", 11);
  EXPECT_EQ(status, -1006);
  Read(body + "1\nonly one line\n", 9);
  EXPECT_EQ(status, -1005);
  EXPECT_EQ(part.count(), 0);
}

TEST_F(ObjectReaderTest, CountsOnShortInputReserveLittle) {
  const std::string edges = "7\nx\n\n3\n0 0 0\n1 0 0\n0 1 0\n0\n9999999\n0 1\n1 2\n";
  const std::string points = "7\n9999999\n0 0 0\n";
  for (const std::string& file : {edges, points}) {
    readtest::LargestAllocation largest;
    Read(file, 14);
    EXPECT_EQ(status, -1005);
    EXPECT_LT(largest.bytes(), 16u << 20);  // never the 80 or 120 MB the counts announce
  }
  EXPECT_EQ(part.count(), 0);
}

TEST_F(ObjectReaderTest, TruncatedPointsEndWithTextStatus) {
  Read("7\n5000000\n0 0 0\n1 1 1\n", 9);
  EXPECT_EQ(status, -1005);
  Read("7\n3\n0 0 0\n1 0 0\n0 1 0\n2000000\n0 1\n", 9);
  EXPECT_EQ(status, -1005);
  ASSERT_EQ(part.count(), 1);  // the line set is complete and stays
  EXPECT_EQ(part.set<xCompactLineSet>(0)->GetPointCount(), 2);
}

TEST_F(ObjectReaderTest, ObjectAtEndOfFileWithoutLineBreak) {
  Read("7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0", 9);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(part.count(), 1);
  Read("7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n0", 11);
  EXPECT_EQ(status, 0);
  Read("7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0", 11);  // texture count missing
  EXPECT_EQ(status, -1006);
}

TEST_F(ObjectReaderTest, MissingContainerThrows) {
  part.DropContainer();
  EXPECT_ANY_THROW(Read(std::string("7\n") + kSquare + "0\n1\n4 0 1 2 3\n0\n", 9));
  EXPECT_ANY_THROW(Read(std::string("7\n") + kSquare + "1\n0 1\n0\n0\n", 9));
}

TEST_F(ObjectReaderTest, NullStream) {
  EXPECT_EQ(xPdbUtil::ReadObject(nullptr, part.get(), 9, 9, status), nullptr);
  EXPECT_EQ(status, -1);
}

}  // namespace
