#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "common/parttest.h"
#include "host/xtrimesh.h"
#include "pdb/read/readstatus.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"

namespace {

using namespace parttest;

template <class Version>
int ReadWith(xStream* in, xGeometry** geometry) {
  return Version().Read(in, geometry);
}

// A triangle object in the layout of versions 8 and 9, of version 11, and of versions 12 and 14 without the
// trailing integer of 14.
const std::string kTriangle9 = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n",
                  kTriangle11 = kTriangle9 + "0\n",
                  kTriangle12 = "7\nobject\n3\n0 0 0\n1 0 0\n0 1 0\n0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n0\n0\n";
// Read with its header number 1010, the polygon's negative count brings four lines.
const std::string k1010Object = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n-3 0 1 2\nx\ny\nz\n0\n";

TEST(ExplainStatus, EveryCodeHasItsTextInEveryVersion) {
  const std::pair<int, const char*> table[] = {{0, "OK"},
                                               {-1, "Broken Stream"},
                                               {-1001, "Error Reading Coorsyses"},
                                               {-1002, "Error Reading Curves"},
                                               {-1003, "Error Reading Surfaces"},
                                               {-1004, "Error Reading Lines"},
                                               {-1005, "Error Reading Texts"},
                                               {-1006, "Error Reading Textures"},
                                               {-1007, "Error Reading Tessellation"},
                                               {-1008, "Error Reading Point Count"},
                                               {-1009, "Error Reading Line Count"},
                                               {-1010, "Error Reading Polygon Count"},
                                               {-1011, "Error Reading Polygon Vertex Count"},
                                               {-1012, "Error Reading Edge Count"},
                                               {5, "Unknown Error"},
                                               {-2, "Unknown Error"},
                                               {-1000, "Unknown Error"},
                                               {-1013, "Unknown Error"},
                                               {INT_MIN, "Unknown Error"}};
  for (const auto& [status, text] : table)
    for (const char* explained :
         {xPdbUtil::ExplainStatus(status), xPdb08().Explain(status), xPdb09().Explain(status),
          xPdb10().Explain(status), xPdb11().Explain(status), xPdb12().Explain(status),
          xPdb14().Explain(status)})
      EXPECT_STREQ(explained, text) << status;
}

// Hosts see the numbers: a name moved in its declaration would change them.
TEST(ExplainStatus, NamedCodesKeepTheirNumbers) {
  using namespace xpdb;
  const std::pair<int, int> named[] = {{kStatusOk, 0},
                                       {kStatusBrokenStream, -1},
                                       {kStatusCoorsyses, -1001},
                                       {kStatusCurves, -1002},
                                       {kStatusSurfaces, -1003},
                                       {kStatusLines, -1004},
                                       {kStatusTexts, -1005},
                                       {kStatusTextures, -1006},
                                       {kStatusTessellation, -1007},
                                       {kStatusPointCount, -1008},
                                       {kStatusLineCount, -1009},
                                       {kStatusPolygonCount, -1010},
                                       {kStatusPolygonVertexCount, -1011},
                                       {kStatusEdgeCount, -1012},
                                       {kStatusException, -1010}};
  for (const auto& [code, number] : named) EXPECT_EQ(code, number) << number;
}

TEST(VersionReaders, WalkTheirLayoutAndStopAtTheFirstFailure) {
  const struct {
    int (*read)(xStream*, xGeometry**);
    std::string file;
    int status, sets, optimised;  // the version the optimiser was given, 0 when it was not called
  } cases[] = {
      {ReadWith<xPdb08>, "8 0 1\n" + kTriangle9, 0, 1, 8},
      {ReadWith<xPdb08>, "8 0 0 0 1\n" + kTriangle9, 0, 0, 8},   // no curves or surfaces: 0 objects
      {ReadWith<xPdb09>, "10 0 0 0 1\n" + kTriangle9, 0, 1, 9},  // the header number is not compared
      {ReadWith<xPdb10>, "1010 0 0 0 1\n" + k1010Object, 0, 1, 10},
      {ReadWith<xPdb10>, "10 0 0 0 1\n" + k1010Object, -1005, 0, 0},  // the extra lines become a text count
      {ReadWith<xPdb11>, "11 0 0 0 2\n" + kTriangle11 + kTriangle11, 0, 2, 11},
      {ReadWith<xPdb12>, "12 0 0 0 1\n" + kTriangle12, 0, 1, 12},
      // N + 1 items after N; a part may end after its objects.
      {ReadWith<xPdb14>, "14 DENEB_PART_FILE\n2 units mm inch\n0 0 0 1\n" + kTriangle12 + "0\n", 0, 1, 14},
      {ReadWith<xPdb14>, "14 DENEB_PART_FILE\n-3 x\n0 0 0 0\n0\n", 0, 0, 14},
      {ReadWith<xPdb14>, "14 T\n0 x\n0 0 0 0\n2\n3 body", -1007, 0, 0},
      {ReadWith<xPdb09>, "9 1 1 0 0", -1001, 0, 0},
      {ReadWith<xPdb08>, "8 x", -1001, 0, 0},
      {ReadWith<xPdb09>, "9 0 1 0 1 2 0 1", -1002, 0, 0},
      {ReadWith<xPdb11>, "11 0 0 1 0", -1003, 0, 0},
      {ReadWith<xPdb09>, "9 0 0 0 4\n" + kTriangle9 + kTriangle9 + "7\n-5\n" + kTriangle9, -1008, 2, 0},
      // Counts beyond the data end at the first failed block, not after them.
      {ReadWith<xPdb09>, "9 0 0 0 2000000000\n" + kTriangle9, -1005, 1, 0},
      {ReadWith<xPdb14>, "14 T\n1000000000 x\n", -1001, 0, 0}};
  for (const auto& c : cases) {
    Part part;
    Text in(c.file);
    EXPECT_EQ(c.read(in.get(), part.get()), c.status) << c.file;
    EXPECT_EQ(part.count(), c.sets) << c.file;
    const xOptimizerRecord record = xGeometryOptimizer::GetRecord();
    EXPECT_EQ(record.called ? record.version : 0, c.optimised) << c.file;
    EXPECT_EQ(record.called ? record.name : "xpdb", "xpdb") << c.file;
  }
}

TEST(VersionReaders, ObjectsPassTheOptimiserExceptionsBecomeAStatusAndVersion10KeepsItsHeader) {
  Part part;
  Text in("9 0 0 0 3\n" + kTriangle9 + "4 0 0 0 0\n" + kTriangle9);
  EXPECT_EQ(xPdb09().Read(in.get(), part.get()), 0);
  EXPECT_EQ(xGeometryOptimizer::GetRecord().meshesStarted, 3);  // the empty object too
  EXPECT_EQ(xGeometryOptimizer::GetRecord().meshesEnded, 3);
  xPdb10 reader;
  Text ten("1010 0 0 0 0");
  EXPECT_EQ(reader.Read(ten.get(), part.get()), 0);
  EXPECT_EQ(reader.fileVersion, 1010);
  part.DropContainer();
  Text nine("9 0 0 0 1\n" + kTriangle9), eight("8 0 1\n" + kTriangle9);
  EXPECT_EQ(xPdb09().Read(nine.get(), part.get()), -1010);
  EXPECT_EQ(xPdb08().Read(eight.get(), nullptr), -1010);
  EXPECT_EQ(xPdb09().Read(nullptr, part.get()), -1);
  EXPECT_EQ(xPdb14().Read(nullptr, part.get()), -1);
  EXPECT_EQ(reader.ReadObjects(nullptr, part.get()), -1);
}

struct Example {
  const char* file;
  int (*read)(xStream*, xGeometry**);
  int sets, firstTriangles;  // the triangles of the first mesh
  const char* firstMaterial;
};

void ExpectReadCleanly(const Example& e, const std::string& content) {
  SCOPED_TRACE(e.file);
  Part part;
  Text in(content);
  ASSERT_EQ(e.read(in.get(), part.get()), 0);
  EXPECT_EQ(xGlobalAssertCount(), 0);
  EXPECT_EQ(in.NextWord(), "");  // the whole file was read
  ASSERT_EQ(part.count(), e.sets);
  xTriMesh* first = nullptr;
  for (int i = 0; i < part.count() && !first; ++i) first = part.set<xTriMesh>(i);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetTriangleCount(), e.firstTriangles);
  EXPECT_STREQ(first->GetMaterial()->GetName().c_str(), e.firstMaterial);
}

TEST(ExampleParts, ReadCleanlyAndTheirDamagedCopiesEndWithAKnownStatus) {
  const Example examples[] = {{"fixture_plate_v8.pdb", ReadWith<xPdb08>, 4, 12, "LIGHT_BLUE"},
                              {"gripper_finger_v9.pdb", ReadWith<xPdb09>, 5, 24, "ORANGE"},
                              {"robot_base_flange_v10.pdb", ReadWith<xPdb10>, 3, 96, "PDB_COLOR19"},
                              {"sensor_bracket_v1010.pdb", ReadWith<xPdb10>, 2, 24, "YELLOW"},
                              {"conveyor_guide_rail_v11.pdb", ReadWith<xPdb11>, 3, 56, "GREY"},
                              {"weld_gun_bracket_v12.pdb", ReadWith<xPdb12>, 4, 12, "RED"},
                              {"pallet_locator_v14.pdb", ReadWith<xPdb14>, 4, 12, "TAN"}};
  const std::string replacements = "0123456789-+.e \nx";
  std::mt19937 random(20240611);
  for (const Example& e : examples) {
    const std::string content = parttest::Example(e.file);
    parttest::AddDenebLibrary();
    ExpectReadCleanly(e, content);
    xMatReader::ClearLibrary();
    for (std::size_t cut :
         {content.size() / 7, content.size() / 3, content.size() / 2, content.size() * 5 / 6}) {
      Part part;
      Text in(content.substr(0, cut));
      EXPECT_NE(e.read(in.get(), part.get()), 0) << e.file << " cut at " << cut;
    }
    std::uniform_int_distribution<std::size_t> where(0, content.size() - 1), what(0, replacements.size() - 1);
    for (int variant = 0; variant < 200; ++variant) {
      std::string corrupt = content;
      for (int n = 0; n <= variant % 3; ++n) corrupt[where(random)] = replacements[what(random)];
      Part part;
      Text in(corrupt);
      EXPECT_STRNE(xPdbUtil::ExplainStatus(e.read(in.get(), part.get())), "Unknown Error")
          << e.file << " variant " << variant;
    }
  }
}

}  // namespace
