#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/xmessage.h"
#include "host/xpointset.h"
#include "host/xtrimesh.h"
#include "package/qxm.h"

namespace {

const QXMGRCanHandleFn kCanHandle[] = {QXMM0GRCanHandle, QXMM1GRCanHandle, QXMM2GRCanHandle,
                                       QXMM3GRCanHandle, QXMM4GRCanHandle, QXMM5GRCanHandle};
const QXMGRCanWriteFn kCanWrite[] = {QXMM0GRCanWrite, QXMM1GRCanWrite, QXMM2GRCanWrite,
                                     QXMM3GRCanWrite, QXMM4GRCanWrite, QXMM5GRCanWrite};

// The modules that accept `sample`, in module order.
std::vector<int> Accepting(const char* sample) {
  const xTString<char> text(sample);
  std::vector<int> modules;
  for (int i = 0; i < QXMModuleCount; ++i)
    if (kCanHandle[i](text)) modules.push_back(i);
  return modules;
}

using Modules = std::vector<int>;

TEST(FileRecognition, EachVersionHeaderPicksItsModule) {
  EXPECT_EQ(Accepting("9\n0\n0\n0\n0\n"), Modules{0});
  EXPECT_EQ(Accepting("8\n0\n0\n"), Modules{1});
  EXPECT_EQ(Accepting("10\n0\n0\n0\n0\n"), Modules{2});
  EXPECT_EQ(Accepting("11\n0\n0\n0\n0\n"), Modules{3});
  EXPECT_EQ(Accepting("12\n0\n0\n0\n0\n"), Modules{4});
  EXPECT_EQ(Accepting("14 DENEB_PART_FILE"), Modules{5});
}

TEST(FileRecognition, OnlyTheLeadingDigitsCount) {
  EXPECT_EQ(Accepting("1010\n0 0 0 0\n"), Modules{2});
  EXPECT_EQ(Accepting("99999"), Modules{0});
  EXPECT_EQ(Accepting("9x"), Modules{0});
  EXPECT_EQ(Accepting("12 whatever"), Modules{4});
}

TEST(FileRecognition, OtherStartsAreRefused) {
  for (const char* sample : {"13\n", "1", "", " 9\n", "\n9\n", "\t8", "+9", "09", "7", "solid x", "1 0"})
    EXPECT_EQ(Accepting(sample), Modules{}) << '"' << sample << '"';
}

TEST(WriteSupport, NullGeometryOnlyModuleZero) {
  EXPECT_TRUE(QXMM0GRCanWrite(nullptr));
  for (int i = 1; i < QXMModuleCount; ++i) EXPECT_FALSE(kCanWrite[i](nullptr)) << i;
}

TEST(WriteSupport, EmptyGeometryOnlyModuleZero) {
  xGeometry geometry;
  EXPECT_TRUE(QXMM0GRCanWrite(&geometry));
  for (int i = 1; i < QXMModuleCount; ++i) EXPECT_FALSE(kCanWrite[i](&geometry)) << i;
}

TEST(WriteSupport, WritableSetsOnlyModuleZero) {
  xGeometry geometry;
  geometry.GetContainer()->AddSet(new xTriMesh);
  geometry.GetContainer()->AddSet(new xTriMesh);
  EXPECT_TRUE(QXMM0GRCanWrite(&geometry));
  for (int i = 1; i < QXMModuleCount; ++i) EXPECT_FALSE(kCanWrite[i](&geometry)) << i;
}

TEST(WriteSupport, APointSetAnywhereRefusesTheGeometry) {
  for (int position = 0; position < 3; ++position) {
    xGeometry geometry;
    for (int i = 0; i < 3; ++i) {
      if (i == position)
        geometry.GetContainer()->AddSet(new xPointSet);
      else
        geometry.GetContainer()->AddSet(new xTriMesh);
    }
    EXPECT_FALSE(QXMM0GRCanWrite(&geometry)) << position;
    for (int i = 1; i < QXMModuleCount; ++i) EXPECT_FALSE(kCanWrite[i](&geometry)) << i;
  }
}

TEST(WriteSupport, EmptyContainerReferenceThrowsInEveryModule) {
  xGeometry geometry;
  geometry.GetContainer().Reset();
  for (int i = 0; i < QXMModuleCount; ++i) EXPECT_THROW(kCanWrite[i](&geometry), xSmartPtrException) << i;
  // A null geometry has no container to look at.
  for (int i = 0; i < QXMModuleCount; ++i) EXPECT_NO_THROW(kCanWrite[i](nullptr)) << i;
}

}  // namespace
