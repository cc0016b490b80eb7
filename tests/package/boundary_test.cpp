#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "host/xgeometryoptimizer.h"
#include "host/xmessage.h"
#include "package/qxm.h"
#include "packagetest.h"

namespace {

struct Module {
  int number;
  int pdbVersion;
  QXMGRReadFn read;
  QXMGRWriteFn write;
  QXMGRCanHandleFn canHandle;
  // A file of the version without any content, and its header alone.
  const char* emptyPart;
  const char* header;
};

const Module kModules[] = {
    {0, 9, QXMM0GRRead, QXMM0GRWrite, QXMM0GRCanHandle, "9\n0\n0\n0\n0\n", "9\n"},
    {1, 8, QXMM1GRRead, QXMM1GRWrite, QXMM1GRCanHandle, "8\n0\n0\n", "8\n"},
    {2, 10, QXMM2GRRead, QXMM2GRWrite, QXMM2GRCanHandle, "10\n0\n0\n0\n0\n", "10\n"},
    {3, 11, QXMM3GRRead, QXMM3GRWrite, QXMM3GRCanHandle, "11\n0\n0\n0\n0\n", "11\n"},
    {4, 12, QXMM4GRRead, QXMM4GRWrite, QXMM4GRCanHandle, "12\n0\n0\n0\n0\n", "12\n"},
    {5, 14, QXMM5GRRead, QXMM5GRWrite, QXMM5GRCanHandle, "14 DENEB_PART_FILE\n0 tag\n0\n0\n0\n0\n0\n",
     "14 DENEB_PART_FILE\n0 tag\n"},
};

class Boundary : public ::testing::TestWithParam<Module> {
 protected:
  void SetUp() override {
    env.Set("LANG", "C");
    env.Unset("LC_ALL");
    env.Unset("LC_MESSAGES");
    env.Unset("LANGUAGE");
    xGeometryOptimizer::ResetRecord();
  }
  ScopedEnv env;
};

TEST_P(Boundary, ReadOfAnEmptyPartReachesTheModulesVersion) {
  const Module& m = GetParam();
  std::stringbuf text(m.emptyPart);
  xStream stream(&text);
  xGeometry geometry;
  xGeometry* host = &geometry;
  EXPECT_EQ(m.read(&stream, &host), 0);

  const xOptimizerRecord record = xGeometryOptimizer::GetRecord();
  EXPECT_TRUE(record.called);
  EXPECT_EQ(record.name, "xpdb");
  EXPECT_EQ(record.version, m.pdbVersion);
  ASSERT_EQ(stream.GetMessageContext().Notes().size(), 1u);
  EXPECT_EQ(stream.GetMessageContext().Notes()[0], "PDB " + std::to_string(m.pdbVersion) + " format");
}

TEST_P(Boundary, ReadFailureIsThrownWithTheStatusText) {
  const Module& m = GetParam();
  // Two coordinate systems announced, none there.
  std::stringbuf text(std::string(m.header) + "2\n");
  xStream stream(&text);
  xGeometry geometry;
  xGeometry* host = &geometry;
  try {
    m.read(&stream, &host);
    ADD_FAILURE() << "a failed read returned instead of throwing";
  } catch (xMessage message) {
    EXPECT_STREQ(message.GetText(), "Error Reading Coorsyses");
    EXPECT_FALSE(message.IsWarning());
  }
  EXPECT_FALSE(xGeometryOptimizer::GetRecord().called);
}

TEST_P(Boundary, WriteGoesToTheSameVersionAsRead) {
  const Module& m = GetParam();
  xGeometry empty;
  std::stringbuf out;
  xStream writer(&out);
  EXPECT_EQ(m.write(&writer, &empty), 0);
  const std::string written = out.str();
  EXPECT_TRUE(m.canHandle(xTString<char>(written.c_str()))) << written;

  std::stringbuf in(written);
  xStream reader(&in);
  xGeometry geometry;
  xGeometry* host = &geometry;
  EXPECT_EQ(m.read(&reader, &host), 0) << written;
  EXPECT_EQ(xGeometryOptimizer::GetRecord().version, m.pdbVersion);
  EXPECT_EQ(geometry.GetContainer()->GetSetCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modules, Boundary, ::testing::ValuesIn(kModules),
                         [](const ::testing::TestParamInfo<Module>& module) {
                           return "Module" + std::to_string(module.param.number);
                         });

}  // namespace
