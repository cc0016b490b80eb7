#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/xframeset.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"
#include "pdb/xpdbutil.h"

namespace {

// As in a real session, the host library holds one material per Deneb
// colour, so a colour read is the colour written.
struct DenebLibrary : testing::Environment {
  void SetUp() override {
    for (int index = 4; index <= 35; ++index) xMatReader::AddMaterial(xPdbUtil::NewMaterial(index));
  }
};
const auto* const kLibrary = testing::AddGlobalTestEnvironment(new DenebLibrary);

template <class Version>
std::string Written(xGeometry& geometry, int* result = nullptr) {
  std::stringbuf buffer;
  xStream stream(&buffer);
  const int r = Version().Write(&stream, &geometry);
  if (result) *result = r;
  return buffer.str();
}

template <class Version>
int ReadText(const std::string& text, xGeometry& geometry) {
  std::stringbuf buffer(text);
  xStream stream(&buffer);
  xGeometry* target = &geometry;
  return Version().Read(&stream, &target);
}

struct Version {
  std::string (*write)(xGeometry&, int*);
  int (*read)(const std::string&, xGeometry&);
};
const std::map<int, Version> kVersions = {
    {8, {Written<xPdb08>, ReadText<xPdb08>}},  {9, {Written<xPdb09>, ReadText<xPdb09>}},
    {10, {Written<xPdb10>, ReadText<xPdb10>}}, {11, {Written<xPdb11>, ReadText<xPdb11>}},
    {12, {Written<xPdb12>, ReadText<xPdb12>}}, {14, {Written<xPdb14>, ReadText<xPdb14>}}};

const std::string kHeader = "9\n0\n0\n0\n";

// The version-9 text; version 8 must write the same after its shorter header.
std::string Nine(xGeometry& geometry) {
  int results[2] = {-1, -1};
  const std::string nine = Written<xPdb09>(geometry, &results[0]);
  EXPECT_EQ(Written<xPdb08>(geometry, &results[1]),
            "8\n0\n" + nine.substr(std::min(nine.size(), kHeader.size())));
  EXPECT_EQ(results[0] | results[1], 0);
  return nine;
}

// The host library's material of a Deneb colour.
xMaterial* Colour(int index) { return xPdbUtil::GetDenebMaterial(index); }

template <class Set>
Set* Add(xGeometry& geometry, Set* set, xMaterial* material = nullptr) {
  set->SetMaterial(material);
  geometry.GetContainer()->AddSet(set);
  return set;
}

// Point identifiers are deliberately not positions, so renumbering shows.
xPolyMesh* AddPolyMesh(xGeometry& geometry, std::initializer_list<xVector> points,
                       std::initializer_list<std::vector<int>> polygons, xMaterial* material = nullptr) {
  auto* mesh = Add(geometry, new xPolyMesh, material);
  std::vector<xPolyPoint*> table;
  for (const xVector& p : points) table.push_back(mesh->AddPoint(p.x, p.y, p.z, 100 - int(table.size())));
  for (const auto& corners : polygons) {
    xPolygon* polygon = mesh->NewPolygon();
    for (int c : corners) polygon->AddVertex(table[std::size_t(c)]);
  }
  return mesh;
}

xTriMesh* AddTriMesh(xGeometry& geometry, std::initializer_list<xVector> points,
                     std::initializer_list<xTriMeshData::xTriangle> triangles) {
  auto* mesh = Add(geometry, new xTriMesh);
  for (const xVector& p : points) mesh->AddPoint(p.x, p.y, p.z);
  for (const auto& t : triangles) mesh->AddTriangle(t);
  return mesh;
}

xLineSet* AddLineSet(xGeometry& geometry, std::initializer_list<std::initializer_list<xVector>> lines) {
  auto* set = Add(geometry, new xLineSet);
  for (const auto& points : lines) {
    xLine* line = set->NewLine();
    for (const xVector& p : points) line->AddPoint(p)->SetId(-9);
  }
  return set;
}

// Points 0 0 0, 1 0 0, ... with the given polyline starts; and their text.
xCompactLineSet* AddCompact(xGeometry& geometry, int points, std::vector<int> starts) {
  auto* set = Add(geometry, new xCompactLineSet);
  for (int i = 0; i < points; ++i) set->GetData()->points.emplace_back(float(i), 0.0f, 0.0f);
  set->GetData()->polyLineStarts = std::move(starts);
  return set;
}
std::string CompactPoints(int n) {
  std::string text = std::to_string(n) + "\n";
  for (int i = 0; i < n; ++i) text += std::to_string(i) + " 0 0\n";
  return text;
}

// The unit square and a triangle on its right edge, sharing the edge 1-2.
xPolyMesh* AddSquareAndTriangle(xGeometry& geometry, xMaterial* material = nullptr) {
  return AddPolyMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0.5, 0}},
                     {{0, 1, 2, 3}, {1, 4, 2}}, material);
}
const std::string kSquareAndTriangle = "5\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0.5 0\n0\n2\n4 0 1 2 3 \n3 1 4 2 \n";

// Point and frame sets are neither counted nor written. Triangles are written
// as stored, without a range check. A line adds a segment per neighbour pair.
// Polygon meshes are renumbered, and each polygon line ends in a blank. Reals
// keep six significant digits.
TEST(Version9, EveryKindInContainerOrder) {
  xGeometry geometry;
  EXPECT_EQ(Nine(geometry), kHeader + "0\n");
  Add(geometry, new xPointSet);
  AddTriMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})->SetMaterial(Colour(4));
  Add(geometry, new xFrameSet);
  AddTriMesh(geometry, {}, {{1, 0, 1}, {7, 0, 1}})->AddPoint(xFVector(0.1f, 1.0f / 3.0f, -2.5e-7f));
  AddLineSet(geometry, {{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{5, 5, 5}}, {}, {{2, 2, 2}, {3, 3, 3}}})
      ->SetMaterial(Colour(8));
  AddLineSet(geometry, {});
  xPolyMesh* mesh = AddSquareAndTriangle(geometry, Colour(7));
  mesh->GetPolygons().GBegin()->SetId(40);
  AddPolyMesh(geometry,
              {{0.5, 1234.5678, 1e5},
               {1e-4, 1234567.0, 1e-5},
               {-2.5, -0.000123456789, 1e20},
               {999999.5, 123456.7, -0.0}},
              {{}, {0}});
  AddPolyMesh(geometry, {}, {});
  EXPECT_EQ(Nine(geometry),
            kHeader + "7\n" + "4\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n" +
                "-2\n1\n0.1 0.333333 -2.5e-07\n0\n2\n3 1 0 1\n3 7 0 1\n0\n" +
                "8\n6\n0 0 0\n1 0 0\n1 1 0\n5 5 5\n2 2 2\n3 3 3\n3\n0 1\n1 2\n4 5\n0\n0\n" +
                "-2\n0\n0\n0\n0\n" + "7\n" + kSquareAndTriangle + "0\n" +
                "-2\n4\n0.5 1234.57 100000\n0.0001 1.23457e+06 1e-05\n-2.5 -0.000123457 1e+20\n" +
                "1e+06 123457 -0\n0\n2\n0 \n1 0 \n0\n" + "-2\n0\n0\n0\n0\n");
  int expected = 0;
  for (const xPolyPoint* p = mesh->GetPoints().GBegin(); p; p = xTDLinkList<xPolyPoint>::GNext(p))
    EXPECT_EQ(p->GetId(), expected++);
  EXPECT_EQ(mesh->GetPolygons().GBegin()->GetId(), 0);
}

// Pairs, then the polylines. An odd last point joins nothing, a one-point
// polyline is stepped over, and an empty polyline (two starting at one point)
// neither lowers the count below the segments written nor shifts the others.
TEST(Version9, CompactLineSet) {
  xGeometry geometry;
  AddCompact(geometry, 9, {4, 7});
  AddCompact(geometry, 3, {});
  AddCompact(geometry, 7, {5});
  AddCompact(geometry, 5, {0, 2, 3});
  AddCompact(geometry, 4, {1, 1});
  // Starts beyond the points name no point outside the table.
  AddCompact(geometry, 3, {7});
  AddCompact(geometry, 3, {1, 8});
  EXPECT_EQ(Nine(geometry), kHeader + "7\n-2\n" + CompactPoints(9) + "5\n0 1\n2 3\n4 5\n5 6\n7 8\n0\n0\n" +
                                "-2\n" + CompactPoints(3) + "1\n0 1\n0\n0\n" + "-2\n" + CompactPoints(7) +
                                "3\n0 1\n2 3\n5 6\n0\n0\n" + "-2\n" + CompactPoints(5) +
                                "2\n0 1\n3 4\n0\n0\n" + "-2\n" + CompactPoints(4) + "2\n1 2\n2 3\n0\n0\n" +
                                "-2\n" + CompactPoints(3) + "1\n0 1\n0\n0\n" + "-2\n" + CompactPoints(3) +
                                "1\n1 2\n0\n0\n");
}

TEST(Version9, EmptySmartReferencesThrowAfterTheTextSoFar) {
  xGeometry geometry;
  AddTriMesh(geometry, {{0, 0, 0}}, {});
  AddTriMesh(geometry, {}, {})->GetData().Reset();
  std::stringbuf buffer;
  xStream stream(&buffer);
  EXPECT_THROW(xPdb09().Write(&stream, &geometry), xSmartPtrException);
  EXPECT_EQ(buffer.str(), kHeader + "2\n-2\n1\n0 0 0\n0\n0\n0\n-2\n");
  geometry.GetContainer().Reset();
  EXPECT_THROW(Written<xPdb09>(geometry), xSmartPtrException);
}

TEST(Version8, PerKindOperationsWriteTheObjectsOfTheFile) {
  xGeometry geometry;
  std::stringbuf buffer;
  xStream stream(&buffer);
  xPdb08 writer;
  writer.WritePolyMesh(&stream, AddSquareAndTriangle(geometry, Colour(13)));
  writer.WriteTriMesh(&stream, AddTriMesh(geometry, {{0.25, 0, 1e-5}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
  writer.WriteLineSet(&stream, AddLineSet(geometry, {{{0, 0, 0}, {0, 0, 12345678}}}));
  writer.WriteCompactLineSet(&stream, AddCompact(geometry, 4, {2}));
  EXPECT_EQ("8\n0\n4\n" + buffer.str(), Written<xPdb08>(geometry));
}

// Only polygon meshes are written: 10 and 11 close the version-9 object with
// their trailers; 12 and 14 name each object, write every undirected edge
// once, oriented as first walked, and rings of signed edge references.
TEST(LaterVersions, PolygonMeshesOnly) {
  xGeometry geometry;
  AddTriMesh(geometry, {{0, 0, 0}}, {});
  AddLineSet(geometry, {{{0, 0, 0}, {1, 0, 0}}});
  AddCompact(geometry, 2, {});
  Add(geometry, new xPointSet);
  int r10 = -1, r11 = -1, r12 = -1, r14 = -1;
  EXPECT_EQ(Written<xPdb10>(geometry, &r10), "10\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb11>(geometry, &r11), "11\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb12>(geometry, &r12), "12\n0\n0\n0\n0\n");
  EXPECT_EQ(Written<xPdb14>(geometry, &r14), "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n0\n");
  EXPECT_EQ(r10 | r11 | r12 | r14, 0);

  AddSquareAndTriangle(geometry, Colour(7));
  AddPolyMesh(geometry, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, {{}, {0}, {0, 1}, {2, 1, 0, 1}});
  AddPolyMesh(geometry, {}, {}, Colour(9));
  const std::string first = "7\n" + kSquareAndTriangle, third = "9\n0\n0\n0\n";
  const std::string second = "-2\n3\n0 0 0\n1 0 0\n2 0 0\n0\n4\n0 \n1 0 \n2 0 1 \n4 2 1 0 1 \n";
  EXPECT_EQ(Written<xPdb10>(geometry), "10\n0\n0\n0\n3\n" + first + "0\n" + second + "0\n" + third + "0\n");
  EXPECT_EQ(Written<xPdb11>(geometry),
            "11\n0\n0\n0\n3\n" + first + "0\n0\n" + second + "0\n0\n" + third + "0\n0\n");
  const std::string named[] = {
      "7\nobject1\n5\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n2 0.5 0\n0\n6\n0 1\n1 2\n2 3\n3 0\n1 4\n4 2\n"
      "2\n4 1 2 3 4 \n3 5 6 -2 \n",
      "-2\nobject2\n3\n0 0 0\n1 0 0\n2 0 0\n0\n3\n0 0\n0 1\n2 1\n4\n0 \n1 1 \n2 2 -2 \n4 3 -2 2 -3 \n",
      "9\nobject3\n0\n0\n0\n0\n"};
  EXPECT_EQ(Written<xPdb12>(geometry),
            "12\n0\n0\n0\n3\n" + named[0] + "0\n0\n" + named[1] + "0\n0\n" + named[2] + "0\n0\n");
  EXPECT_EQ(Written<xPdb14>(geometry), "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n3\n" + named[0] + "0\n0\n0\n" +
                                           named[1] + "0\n0\n0\n" + named[2] + "0\n0\n0\n");
}

// A coloured box, hole centres as line segments, an uncoloured tab with a
// text and a corner outside the part, and one more triangle.
const char* const kPlate =
    "9\n0\n0\n0\n4\n12\n8\n0 0 0\n120.5 0 0\n120.5 80.25 0\n0 80.25 0\n0 0 12.7\n120.5 0 12.7\n"
    "120.5 80.25 12.7\n0 80.25 12.7\n0\n6\n4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n"
    "4 3 0 4 7\n0\n7\n6\n10 10 12.7\n14 10 12.7\n10 14 12.7\n-0.00012 1e-05 3\n1234567 2 3\n5 5 5\n"
    "4\n0 1\n1 2\n2 0\n3 4\n0\n0\n-2\n4\n120.5 30 0\n140 30 0\n140 50 0\n120.5 50 0\n0\n"
    "2\n5 0 1 2 3 9\n2 0 1\n1\nTAB\n0 0 0\n1 0 0\n0 1 0\n1\n"
    "35\n3\n0.1 0.2 0.3\n0.4 0.5 0.6\n0.7 0.8 0.95\n0\n1\n3 2 1 0\n0\n";

// Per set: triangle mesh or line kind, colour index, triangles.
std::vector<std::vector<int>> Sets(xGeometry& geometry) {
  std::vector<std::vector<int>> sets;
  xGeoContainer* container = geometry.GetContainer().GetPtr();
  for (int i = 0; i < container->GetSetCount(); ++i) {
    auto* mesh = dynamic_cast<xTriMesh*>(container->GetSet(i));
    sets.push_back({mesh != nullptr, xPdbUtil::GetDenebIndex(container->GetSet(i)->GetMaterial()),
                    mesh ? int(mesh->GetData()->triangles.size()) : 0});
  }
  return sets;
}

// A part written as version 9 reads back with the same sets (polylines come
// back as separate segments); from then on it reads back as it was written,
// through version 9 or 8. The plate keeps its text from the first write on:
// 1234567 loses its seventh digit then, and only then.
TEST(RoundTrip, PlateAndExamplePartsThroughVersions9And8) {
  std::vector<std::pair<std::string, std::string>> parts = {{"plate", kPlate}};
  for (const auto& entry : std::filesystem::directory_iterator(XPDB_SOURCE_DIR "/examples"))
    if (entry.path().extension() == ".pdb") {
      std::ifstream file(entry.path(), std::ios::binary);
      parts.emplace_back(entry.path().filename(), std::string(std::istreambuf_iterator<char>(file), {}));
    }
  for (const auto& [name, text] : parts) {
    SCOPED_TRACE(name);
    const int header = std::atoi(text.c_str());
    const Version& version = kVersions.at(header == 1010 ? 10 : header);
    xGeometry original, first;
    ASSERT_EQ(version.read(text, original), 0);
    ASSERT_EQ(ReadText<xPdb09>(Written<xPdb09>(original), first), 0);
    EXPECT_EQ(Sets(first), Sets(original));
    EXPECT_FALSE(Sets(first).empty());
    const std::string nine = Written<xPdb09>(first);
    // Polylines of a compact line set come back as pairs, so only a part
    // without them (the plate) gives its final text at the first write.
    if (name == "plate") {
      EXPECT_EQ(nine, Written<xPdb09>(original));
    }
    for (const int through : {9, 8}) {
      xGeometry back;
      ASSERT_EQ(kVersions.at(through).read(kVersions.at(through).write(first, nullptr), back), 0);
      EXPECT_EQ(Written<xPdb09>(back), nine) << "through version " << through;
    }
  }
}

// Through every version, a polygon mesh reads back as the fan triangulation
// of its polygons over the same points: shared edges walked both ways,
// repeated corners, and polygons of zero to two corners that add nothing. A
// mesh without triangles does not read back.
TEST(RoundTrip, PolygonMeshesThroughEveryVersion) {
  xGeometry geometry;
  AddPolyMesh(geometry, {{0, 0, 0}, {1.5, 0, 0}, {1.5, 1.25, 0.5}, {0, 1.25, 0.5}, {3, 0.5, -1e-3}},
              {{0, 1, 2, 3}, {1, 4, 2}, {}, {3}, {0, 2}, {3, 2, 4, 1, 0}, {2, 2, 4}, {4, 1, 2}}, Colour(23));
  AddPolyMesh(geometry, {{1, 1, 1}}, {}, Colour(4));
  for (const auto& [number, version] : kVersions) {
    xGeometry back;
    ASSERT_EQ(version.read(version.write(geometry, nullptr), back), 0) << number;
    EXPECT_EQ(Written<xPdb09>(back),
              kHeader + "1\n23\n5\n0 0 0\n1.5 0 0\n1.5 1.25 0.5\n0 1.25 0.5\n3 0.5 -0.001\n0\n8\n" +
                  "3 0 1 2\n3 0 2 3\n3 1 4 2\n3 3 2 4\n3 3 4 1\n3 3 1 0\n3 2 2 4\n3 4 1 2\n0\n")
        << number;
  }
}

}  // namespace
