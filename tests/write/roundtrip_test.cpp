#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"
#include "pdb/xpdbutil.h"
#include "writetest.h"

using namespace writetest;

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
int ReadText(const std::string& text, xGeometry& geometry) {
  std::stringbuf buffer(text);
  xStream stream(&buffer);
  xGeometry* target = &geometry;
  return Version().Read(&stream, &target);
}

struct Version {
  int number;
  std::string (*write)(xGeometry&, int*);
  int (*read)(const std::string&, xGeometry&);
};
const Version kVersions[] = {
    {8, Written<xPdb08>, ReadText<xPdb08>},  {9, Written<xPdb09>, ReadText<xPdb09>},
    {10, Written<xPdb10>, ReadText<xPdb10>}, {11, Written<xPdb11>, ReadText<xPdb11>},
    {12, Written<xPdb12>, ReadText<xPdb12>}, {14, Written<xPdb14>, ReadText<xPdb14>}};
const Version& Of(int number) {
  return *std::find_if(std::begin(kVersions), std::end(kVersions),
                       [&](const Version& v) { return v.number == number; });
}

int ReadBack(int version, xGeometry& from, xGeometry& to) {
  return Of(version).read(Of(version).write(from, nullptr), to);
}

// Per set as a reader makes it: kind, colour index, points (line kinds:
// segments), triangles, area, then the bounds. Written line sets read back as
// compact ones, and sets without triangles or segments do not read back.
using Summary = std::vector<std::vector<double>>;

Summary Summarise(xGeometry& geometry) {
  Summary sets;
  xGeoContainer* container = geometry.GetContainer().GetPtr();
  for (int i = 0; i < container->GetSetCount(); ++i) {
    xGeoSet* set = container->GetSet(i);
    std::vector<xFVector> points;
    double kind = xGeoTypeTriMesh, count = 0, triangles = 0, area = 0;
    if (auto* mesh = dynamic_cast<xTriMesh*>(set)) {
      points = mesh->GetData()->points;
      count = double(points.size());
      for (const auto& t : mesh->GetData()->triangles) {
        const xFVector &a = points[t.a], &b = points[t.b], &c = points[t.c];
        const double u[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, v[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
        area +=
            0.5 * std::hypot(u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]);
        ++triangles;
      }
      if (triangles == 0) continue;
    } else {
      kind = xGeoTypeCompactLineSet;
      if (auto* compact = dynamic_cast<xCompactLineSet*>(set)) {
        points = compact->GetData()->points;
        count = compact->GetPolyLineCount() ? compact->GetPolyLineStart(0) / 2 : double(points.size() / 2);
        for (int k = 0; k < compact->GetPolyLineCount(); ++k)
          count += std::max(compact->GetPolyLineSize(k) - 1, 0);
      } else if (auto* lines = dynamic_cast<xLineSet*>(set)) {
        for (const xLine* l = lines->GetLines().GBegin(); l; l = xTDLinkList<xLine>::GNext(l)) {
          if (l->GetPointCount() < 2) continue;
          count += l->GetPointCount() - 1;
          for (int k = 0; k < l->GetPointCount(); ++k) {
            const xLinePoint* p = l->GetPoint(k);
            points.emplace_back(float(p->x), float(p->y), float(p->z));
          }
        }
      }
      if (count == 0) continue;
    }
    std::vector<double> s = {kind, double(xPdbUtil::GetDenebIndex(set->GetMaterial())), count, triangles,
                             area};
    for (int k = 0; k < 3; ++k) {
      auto axis = [k](const xFVector& p) { return k == 0 ? p.x : k == 1 ? p.y : p.z; };
      auto [lo, hi] =
          std::minmax_element(points.begin(), points.end(),
                              [&](const xFVector& a, const xFVector& b) { return axis(a) < axis(b); });
      s.push_back(axis(*lo));
      s.push_back(axis(*hi));
    }
    sets.push_back(s);
  }
  return sets;
}

void ExpectSame(const Summary& expected, const Summary& actual, double tolerance = 0) {
  ASSERT_EQ(expected.size(), actual.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    for (std::size_t k = 0; k < expected[i].size(); ++k)
      EXPECT_NEAR(expected[i][k], actual[i][k], tolerance * std::max(1.0, std::fabs(expected[i][k])))
          << "set " << i << ", field " << k;
}

// A coloured box, hole centres as line segments, an uncoloured tab with a
// text and a corner outside the part, and one more triangle.
const char* const kPlate =
    "9\n0\n0\n0\n4\n"
    "12\n8\n0 0 0\n120.5 0 0\n120.5 80.25 0\n0 80.25 0\n"
    "0 0 12.7\n120.5 0 12.7\n120.5 80.25 12.7\n0 80.25 12.7\n0\n"
    "6\n4 0 3 2 1\n4 4 5 6 7\n4 0 1 5 4\n4 1 2 6 5\n4 2 3 7 6\n4 3 0 4 7\n0\n"
    "7\n6\n10 10 12.7\n14 10 12.7\n10 14 12.7\n-0.00012 1e-05 3\n1234567 2 3\n5 5 5\n"
    "4\n0 1\n1 2\n2 0\n3 4\n0\n0\n"
    "-2\n4\n120.5 30 0\n140 30 0\n140 50 0\n120.5 50 0\n0\n"
    "2\n5 0 1 2 3 9\n2 0 1\n1\nTAB\n0 0 0\n1 0 0\n0 1 0\n1\n"
    "35\n3\n0.1 0.2 0.3\n0.4 0.5 0.6\n0.7 0.8 0.95\n0\n1\n3 2 1 0\n0\n";

TEST(RoundTrip, ReadWriteReadKeepsTheSets) {
  xGeometry first;
  ASSERT_EQ(ReadText<xPdb09>(kPlate, first), 0);
  const Summary read = Summarise(first);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[0][0], xGeoTypeTriMesh);
  EXPECT_EQ(read[1][0], xGeoTypeCompactLineSet);
  EXPECT_EQ(read[0][1], 12);
  EXPECT_EQ(read[1][1], 7);
  EXPECT_EQ(read[2][1], -2);
  EXPECT_EQ(read[3][1], 35);

  // 1234567 loses its seventh digit on the first write, and only then.
  xGeometry second, third;
  const std::string nine = Written<xPdb09>(first);
  ASSERT_EQ(ReadText<xPdb09>(nine, second), 0);
  const Summary reread = Summarise(second);
  ExpectSame(read, reread, 1e-5);
  EXPECT_EQ(Written<xPdb09>(second), nine);
  ASSERT_EQ(ReadBack(8, first, third), 0);
  ExpectSame(reread, Summarise(third));
}

// Through every version, a polygon mesh reads back as the fan triangulation
// of its polygons over the same points: shared edges walked both ways,
// repeated corners, and polygons of zero to two corners that add nothing.
TEST(RoundTrip, PolygonMeshesThroughEveryVersion) {
  const std::vector<std::vector<int>> polygons = {{0, 1, 2, 3}, {1, 4, 2},       {},        {3},
                                                  {0, 2},       {3, 2, 4, 1, 0}, {2, 2, 4}, {4, 1, 2}};
  std::vector<unsigned> fan;
  for (const auto& f : polygons)
    for (std::size_t j = 1; j + 1 < f.size(); ++j)
      fan.insert(fan.end(), {unsigned(f[0]), unsigned(f[j]), unsigned(f[j + 1])});

  for (const Version& version : kVersions) {
    SCOPED_TRACE("version " + std::to_string(version.number));
    xGeometry geometry, back;
    xPolyMesh* mesh =
        AddPolyMesh(geometry, {{0, 0, 0}, {1.5, 0, 0}, {1.5, 1.25, 0.5}, {0, 1.25, 0.5}, {3, 0.5, -1e-3}}, {},
                    xPdbUtil::GetDenebMaterial(23));
    for (const auto& f : polygons) {
      xPolygon* polygon = mesh->NewPolygon();
      for (int c : f) {
        xPolyPoint* p = mesh->GetPoints().GBegin();
        for (int k = 0; k < c; ++k) p = xTDLinkList<xPolyPoint>::GNext(p);
        polygon->AddVertex(p);
      }
    }
    AddPolyMesh(geometry, {{1, 1, 1}}, {}, xPdbUtil::GetDenebMaterial(4));  // no triangles, no set

    ASSERT_EQ(ReadBack(version.number, geometry, back), 0);
    ASSERT_EQ(back.GetContainer()->GetSetCount(), 1);
    auto* read = dynamic_cast<xTriMesh*>(back.GetContainer()->GetSet(0));
    ASSERT_NE(read, nullptr);
    std::vector<unsigned> corners;
    for (const auto& t : read->GetData()->triangles) corners.insert(corners.end(), {t.a, t.b, t.c});
    EXPECT_EQ(corners, fan);
    ASSERT_EQ(read->GetPointCount(), 5);
    EXPECT_FLOAT_EQ(read->GetPoint(4).z, -1e-3f);
    EXPECT_EQ(xPdbUtil::GetDenebIndex(read->GetMaterial()), 23);
  }
}

// Each example part, written as version 9 or 8 and read again, gives the
// sets that reading it gave.
TEST(RoundTrip, ExamplePartsThroughVersions9And8) {
  namespace fs = std::filesystem;
  int parts = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(XPDB_SOURCE_DIR) / "examples")) {
    if (entry.path().extension() != ".pdb") continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const int header = std::atoi(text.c_str());
    xGeometry original;
    ASSERT_EQ(Of(header == 1010 ? 10 : header).read(text, original), 0);
    const Summary expected = Summarise(original);
    EXPECT_FALSE(expected.empty());
    for (int version : {9, 8}) {
      xGeometry back;
      ASSERT_EQ(ReadBack(version, original, back), 0);
      ExpectSame(expected, Summarise(back), 1e-5);
    }
    ++parts;
  }
  RecordProperty("parts", parts);
  if (parts == 0) GTEST_SKIP() << "no example parts";
}

}  // namespace
