#include <gtest/gtest.h>

#include <string>

#include "host/xcompactlineset.h"
#include "host/xtrimesh.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"
#include "pdb/xpdbutil.h"
#include "readtest.h"

namespace {

using readtest::Part;
using readtest::Text;

template <class Version>
int ReadWith(Version& reader, const std::string& file, Part& part) {
  Text text(file);
  return reader.Read(text.get(), part.get());
}

template <class Version>
int ReadAs(const std::string& file, Part& part) {
  Version reader;
  return ReadWith(reader, file, part);
}

// A triangle object in the layout of each version.
const char* kTriangle9 = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n";
const char* kTriangle11 = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n0\n";
const char* kTriangle12 = "7\nobject\n3\n0 0 0\n1 0 0\n0 1 0\n0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n0\n0\n";
const char* kTriangle14 = "7\nobject\n3\n0 0 0\n1 0 0\n0 1 0\n0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n0\n0\n0\n";

TEST(ExplainStatus, EveryCodeHasItsText) {
  const std::pair<int, const char*> table[] = {
      {0, "OK"},
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
      {-1013, "Unknown Error"},
      {-1000, "Unknown Error"},
  };
  for (const auto& [status, explanation] : table) EXPECT_STREQ(xPdbUtil::ExplainStatus(status), explanation);
  EXPECT_STREQ(xPdb08().Explain(-1008), "Error Reading Point Count");
  EXPECT_STREQ(xPdb09().Explain(0), "OK");
  EXPECT_STREQ(xPdb10().Explain(-1011), "Error Reading Polygon Vertex Count");
  EXPECT_STREQ(xPdb11().Explain(-1003), "Error Reading Surfaces");
  EXPECT_STREQ(xPdb12().Explain(-1012), "Error Reading Edge Count");
  EXPECT_STREQ(xPdb14().Explain(-1007), "Error Reading Tessellation");
}

TEST(VersionReaders, EmptyPartsReadWithTheirOwnVersion) {
  struct Case {
    int version;
    std::string file;
  };
  const Case cases[] = {
      {8, "8 0 0"},       {9, "9\n0\n0\n0\n0\n"}, {10, "10 0 0 0 0"},
      {11, "11 0 0 0 0"}, {12, "12 0 0 0 0"},     {14, "14 DENEB_PART_FILE\n0 header\n0 0 0 0\n"},
  };
  for (const Case& c : cases) {
    Part part;
    int status = -99;
    switch (c.version) {
      case 8:
        status = ReadAs<xPdb08>(c.file, part);
        break;
      case 9:
        status = ReadAs<xPdb09>(c.file, part);
        break;
      case 10:
        status = ReadAs<xPdb10>(c.file, part);
        break;
      case 11:
        status = ReadAs<xPdb11>(c.file, part);
        break;
      case 12:
        status = ReadAs<xPdb12>(c.file, part);
        break;
      case 14:
        status = ReadAs<xPdb14>(c.file, part);
        break;
    }
    EXPECT_EQ(status, 0) << c.version;
    EXPECT_EQ(part.count(), 0);
    const xOptimizerRecord record = xGeometryOptimizer::GetRecord();
    EXPECT_TRUE(record.called) << c.version;
    EXPECT_EQ(record.name, "xpdb");
    EXPECT_EQ(record.version, c.version);
  }
}

TEST(VersionReaders, SectionCountsBeforeObjectsDifferByVersion) {
  Part eight;
  EXPECT_EQ(ReadAs<xPdb08>(std::string("8 0 1\n") + kTriangle9, eight), 0);
  EXPECT_EQ(eight.count(), 1);
  // Version 8 has no curves or surfaces: the second 0 is its object count.
  Part eightOfNine;
  EXPECT_EQ(ReadAs<xPdb08>(std::string("8 0 0 0 1\n") + kTriangle9, eightOfNine), 0);
  EXPECT_EQ(eightOfNine.count(), 0);
  Part nine;
  EXPECT_EQ(ReadAs<xPdb09>(std::string("9 0 0 0 1\n") + kTriangle9, nine), 0);
  EXPECT_EQ(nine.count(), 1);
}

TEST(VersionReaders, HeaderNumberIsNotCompared) {
  Part part;
  EXPECT_EQ(ReadAs<xPdb09>(std::string("10 0 0 0 1\n") + kTriangle9, part), 0);
  EXPECT_EQ(part.count(), 1);
  EXPECT_EQ(xGeometryOptimizer::GetRecord().version, 9);
}

TEST(VersionReaders, Version10KeepsItsHeaderNumber) {
  xPdb10 reader;
  Part part;
  const std::string object = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n-3 0 1 2\nx\ny\nz\n0\nNEXT";
  EXPECT_EQ(ReadWith(reader, "1010 0 0 0 1\n" + object, part), 0);
  EXPECT_EQ(reader.fileVersion, 1010);
  EXPECT_EQ(xGeometryOptimizer::GetRecord().version, 10);
  ASSERT_EQ(part.count(), 1);

  // Read as a plain version-10 file, the two extra lines are a text count.
  Part plain;
  EXPECT_EQ(ReadWith(reader, "10 0 0 0 1\n" + object, plain), -1005);
  EXPECT_EQ(reader.fileVersion, 10);
}

TEST(VersionReaders, Version14HeaderReadsNPlusOneItems) {
  Part part;
  EXPECT_EQ(ReadAs<xPdb14>(
                std::string("14 DENEB_PART_FILE\n2 units mm inch\n0 0 0 1\n") + kTriangle14 + "0\n", part),
            0);
  EXPECT_EQ(part.count(), 1);
  Part none;
  EXPECT_EQ(ReadAs<xPdb14>("14 DENEB_PART_FILE\n-3 x\n0 0 0 0\n0\n", none), 0);
}

TEST(VersionReaders, LaterVersionsReadTheirObjectLayouts) {
  Part eleven, twelve;
  EXPECT_EQ(ReadAs<xPdb11>(std::string("11 0 0 0 2\n") + kTriangle11 + kTriangle11, eleven), 0);
  EXPECT_EQ(eleven.count(), 2);
  EXPECT_EQ(ReadAs<xPdb12>(std::string("12 0 0 0 1\n") + kTriangle12, twelve), 0);
  ASSERT_EQ(twelve.count(), 1);
  EXPECT_EQ(twelve.set<xTriMesh>(0)->GetTriangleCount(), 1);
}

TEST(VersionReaders, SectionFailuresHaveFixedStatus) {
  Part part;
  EXPECT_EQ(ReadAs<xPdb09>("9 1 1 0 0", part), -1001);
  EXPECT_EQ(ReadAs<xPdb09>("9 0 1 0 1 2 0 1", part), -1002);
  EXPECT_EQ(ReadAs<xPdb08>("8 x", part), -1001);
  EXPECT_FALSE(xGeometryOptimizer::GetRecord().called);
}

TEST(VersionReaders, FailingObjectStopsTheList) {
  Part part;
  const std::string file = std::string("9 0 0 0 4\n") + kTriangle9 + kTriangle9 + "7\n-5\n" + kTriangle9;
  EXPECT_EQ(ReadAs<xPdb09>(file, part), -1008);
  EXPECT_EQ(part.count(), 2);
  EXPECT_FALSE(xGeometryOptimizer::GetRecord().called);
}

TEST(VersionReaders, EveryObjectPassesThroughTheOptimiser) {
  Part part;
  EXPECT_EQ(ReadAs<xPdb09>(std::string("9 0 0 0 3\n") + kTriangle9 + "4 0 0 0 0\n" + kTriangle9, part), 0);
  const xOptimizerRecord record = xGeometryOptimizer::GetRecord();
  EXPECT_EQ(record.meshesStarted, 3);  // the empty object too
  EXPECT_EQ(record.meshesEnded, 3);
}

TEST(VersionReaders, TruncatedObjectListFailsWithoutSpinning) {
  Part part;
  EXPECT_EQ(ReadAs<xPdb09>(std::string("9 0 0 0 2000000000\n") + kTriangle9, part), -1005);
  EXPECT_EQ(part.count(), 1);
  Part fourteen;
  EXPECT_EQ(ReadAs<xPdb14>("14 T\n1000000000 x\n", fourteen), -1001);
}

TEST(VersionReaders, ExceptionsBecomePolygonCountStatus) {
  Part part;
  part.DropContainer();
  EXPECT_EQ(ReadAs<xPdb09>(std::string("9 0 0 0 1\n") + kTriangle9, part), -1010);
  EXPECT_EQ(ReadAs<xPdb12>(std::string("12 0 0 0 1\n") + kTriangle12, part), -1010);
  xGeometry** none = nullptr;
  Text text(std::string("8 0 1\n") + kTriangle9);
  EXPECT_EQ(xPdb08().Read(text.get(), none), -1010);
}

TEST(VersionReaders, NullStream) {
  Part part;
  EXPECT_EQ(xPdb09().Read(nullptr, part.get()), -1);
  EXPECT_EQ(xPdb14().Read(nullptr, part.get()), -1);
  EXPECT_EQ(xPdb10().ReadObjects(nullptr, part.get()), -1);
  EXPECT_EQ(xPdb12().ReadObjects(nullptr, part.get()), -1);
}

TEST(VersionReaders, ReadObjectsAloneReadsCountAndObjects) {
  Part part;
  Text text(std::string("2\n") + kTriangle11 + kTriangle11 + "NEXT");
  EXPECT_EQ(xPdb11().ReadObjects(text.get(), part.get()), 0);
  EXPECT_EQ(part.count(), 2);
  EXPECT_EQ(text.NextWord(), "NEXT");
}

}  // namespace
