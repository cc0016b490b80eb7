#include <gtest/gtest.h>

#include "common/parttest.h"
#include "host/xlineset.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb14.h"

namespace {

using namespace parttest;

const std::string kSquare = "4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n", kEdges = "4\n0 1\n1 2\n2 3\n3 0\n";

std::string Mesh(int colour, const std::string& edges, const std::string& polygons) {
  return "face " + std::to_string(colour) + "\n" + kSquare + edges + polygons + "end_face\n";
}
std::string Lines(int colour, const std::string& points, const std::string& segments) {
  return "edge " + std::to_string(colour) + "\n" + points + segments + "end_edge\n";
}
// A section of one group of mesh and line records.
std::string Section(const std::vector<std::string>& meshes, const std::vector<std::string>& lines) {
  std::string text = "1\n3 body\ncover\n" + std::to_string(meshes.size()) + " FACES\n";
  for (const auto& m : meshes) text += m;
  text += std::to_string(lines.size()) + " EDGES\n";
  for (const auto& l : lines) text += l;
  return text + "end_body\n";
}

int Read(const std::string& text, Part& part) {
  Text in(text);
  return xPdb14().ReadTesselation(in.get(), part.get());
}

TEST(StoredTessellation, MeshesAndPolylinesKeepOnlyWhatCanBeFollowed) {
  const struct {
    int colour;
    std::string edges, polygons, triangles;
  } meshes[] = {
      {-2, kEdges, "1\n4 1 2 3 4\n", "012 023 "},
      {4, kEdges, "1\n4 -4 -3 -2 -1\n", "032 021 "},  // backwards: the second end of each edge
      {7, kEdges, "1\n7 1 0 2 9 3 -9 4\n", "012 023 "},
      {7, "4\n0 1\n1 2\n2 4\n-3 0\n", "1\n5 1 2 -3 3 4\n", "012 "},
      {7, kEdges, "3\n2 1 2\n0\n3 1 2 3\n", "012 "},
      {7, "0\n", "0\n", ""},  // no polygons: still a mesh
  };
  std::vector<std::string> records;
  for (const auto& m : meshes) records.push_back(Mesh(m.colour, m.edges, m.polygons));
  const std::string line = "7\n0 0 0\n1 0 0\n2 0 0\n3 0 0\n4 0 0\n5 0 0\n6 0 0\n";
  // No segments: no line set.
  const std::vector<std::string> lines = {Lines(-2, line, "3\n0 1\n1 2\n5 6\n"), Lines(8, kSquare, "0\n"),
                                          Lines(4, kSquare, "4\n0 1\n1 4\n1 2\n-1 3\n")};
  Part part;
  ASSERT_EQ(Read(Section(records, lines), part), 0);
  ASSERT_EQ(part.count(), 8);
  for (int i = 0; i < 6; ++i) {
    const xTriMesh& mesh = *part.set<xTriMesh>(i);
    std::string triangles;
    for (int t = 0; t < mesh.GetTriangleCount(); ++t)
      for (unsigned corner : {mesh.GetTriangle(t).a, mesh.GetTriangle(t).b, mesh.GetTriangle(t).c, ~0u})
        triangles += corner == ~0u ? " " : std::to_string(corner);
    EXPECT_EQ(triangles, meshes[i].triangles) << i;
    EXPECT_EQ(mesh.GetPointCount(), 4);
    EXPECT_EQ(mesh.GetPoint(2).y, 1.0f);
    EXPECT_EQ(mesh.GetMaterial(), xPdbUtil::GetDenebMaterial(meshes[i].colour)) << i;
    EXPECT_EQ(mesh.GetMaterialMode(), meshes[i].colour == -2 ? 1 : 2) << i;
  }
  EXPECT_EQ(xGeometryOptimizer::GetRecord().meshesStarted, 6);
  EXPECT_EQ(xGeometryOptimizer::GetRecord().meshesEnded, 6);
  const char* polylines[] = {"012 56 ", "01 11 "};  // x of each point; a missing point breaks the chain
  for (int i = 0; i < 2; ++i) {
    const xLineSet& set = *part.set<xLineSet>(6 + i);
    std::string xs;
    for (const xLine* l = set.GetLines().GBegin(); l; l = set.GetLines().GNext(l), xs += " ")
      for (int k = 0; k < l->GetPointCount(); ++k) xs += std::to_string(int(l->GetPoint(k)->x));
    EXPECT_EQ(xs, polylines[i]);
    EXPECT_EQ(set.GetMaterial(), i == 0 ? nullptr : xPdbUtil::GetDenebMaterial(4));
    EXPECT_EQ(set.GetMaterialMode(), i == 0 ? 1 : 2);
  }
}

TEST(StoredTessellation, CleanEndReadsNothingAndBrokenSectionsFailKeepingWhatWasWhole) {
  Part part;
  EXPECT_EQ(xPdb14().ReadTesselation(nullptr, part.get()), -1);
  for (const char* empty : {"0 next", "", " \n\t\n"}) EXPECT_EQ(Read(empty, part), 0) << '"' << empty << '"';
  EXPECT_EQ(part.count(), 0);
  const std::string whole =
      Section({Mesh(7, kEdges, "1\n4 1 2 3 4\n"), Mesh(7, kEdges, "1\n4 1 2 3 4\n")}, {});
  EXPECT_NE(Read(whole.substr(0, whole.rfind("4 1 2 3 4")), part), 0);
  EXPECT_EQ(part.count(), 1);
  EXPECT_NE(Read("2 x", part), 0);
  EXPECT_NE(Read("garbage", part), 0);
  Text failed("7 0");  // a stream that failed before the section
  int number = 0;
  *failed.get() >> number >> number >> number;
  EXPECT_NE(xPdb14().ReadTesselation(failed.get(), part.get()), 0);
}

}  // namespace
