#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <sstream>
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

std::string Load(const std::string& name) {
  std::ifstream file(std::string(XPDB_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

template <class Version>
int ReadThrough(xStream* stream, xGeometry** geometry) {
  Version reader;
  return reader.Read(stream, geometry);
}

struct Example {
  const char* file;
  int version;
  std::function<int(xStream*, xGeometry**)> read;
  int sets;
  int firstTriangles;  // triangles of the first mesh
  const char* firstMaterial;
};

class Examples : public ::testing::TestWithParam<Example> {
 protected:
  void SetUp() override {
    xMatReader::ClearLibrary();
    readtest::AddDenebLibrary();
  }
  void TearDown() override { xMatReader::ClearLibrary(); }
};

TEST_P(Examples, ReadCleanlyThroughTheirVersion) {
  const Example& e = GetParam();
  const std::string content = Load(e.file);
  ASSERT_FALSE(content.empty()) << e.file;
  Text text(content);
  Part part;
  ASSERT_EQ(e.read(text.get(), part.get()), 0) << e.file;
  EXPECT_EQ(xGlobalAssertCount(), 0);
  EXPECT_EQ(xGeometryOptimizer::GetRecord().version, e.version);
  ASSERT_EQ(part.count(), e.sets);

  xTriMesh* first = nullptr;
  for (int i = 0; i < part.count() && !first; ++i) first = part.set<xTriMesh>(i);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetTriangleCount(), e.firstTriangles);
  ASSERT_NE(first->GetMaterial(), nullptr);
  EXPECT_STREQ(first->GetMaterial()->GetName().c_str(), e.firstMaterial);
  for (int i = 0; i < part.count(); ++i) {
    if (auto* lines = part.set<xCompactLineSet>(i)) {
      EXPECT_GT(lines->GetPointCount(), 0);
    }
    if (auto* mesh = part.set<xTriMesh>(i)) {
      EXPECT_GT(mesh->GetTriangleCount(), 0);
    }
  }
  if (e.version != 14) {
    EXPECT_EQ(text.NextWord(), "");  // the whole file was consumed
  }
}

TEST_P(Examples, TruncatedCopiesFailWithoutCrashing) {
  const Example& e = GetParam();
  const std::string content = Load(e.file);
  for (std::size_t cut :
       {content.size() / 7, content.size() / 3, content.size() / 2, content.size() * 5 / 6}) {
    Text text(content.substr(0, cut));
    Part part;
    EXPECT_NE(e.read(text.get(), part.get()), 0) << e.file << " cut at " << cut;
  }
}

TEST_P(Examples, CorruptedCopiesEndWithAKnownStatus) {
  const Example& e = GetParam();
  const std::string content = Load(e.file);
  ASSERT_FALSE(content.empty());
  std::mt19937 random(20240611);
  const std::string replacements = "0123456789-+.e \nx";
  std::uniform_int_distribution<std::size_t> where(0, content.size() - 1), what(0, replacements.size() - 1);
  for (int variant = 0; variant < 200; ++variant) {
    std::string corrupt = content;
    for (int n = 0; n < 1 + variant % 3; ++n) corrupt[where(random)] = replacements[what(random)];
    Text text(corrupt);
    Part part;
    const int status = e.read(text.get(), part.get());
    EXPECT_STRNE(xPdbUtil::ExplainStatus(status), "Unknown Error") << e.file << " variant " << variant;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Parts, Examples,
    ::testing::Values(Example{"fixture_plate_v8.pdb", 8, ReadThrough<xPdb08>, 4, 12, "LIGHT_BLUE"},
                      Example{"gripper_finger_v9.pdb", 9, ReadThrough<xPdb09>, 5, 24, "ORANGE"},
                      Example{"robot_base_flange_v10.pdb", 10, ReadThrough<xPdb10>, 3, 96, "PDB_COLOR19"},
                      Example{"sensor_bracket_v1010.pdb", 10, ReadThrough<xPdb10>, 2, 24, "YELLOW"},
                      Example{"conveyor_guide_rail_v11.pdb", 11, ReadThrough<xPdb11>, 3, 56, "GREY"},
                      Example{"weld_gun_bracket_v12.pdb", 12, ReadThrough<xPdb12>, 4, 12, "RED"},
                      Example{"pallet_locator_v14.pdb", 14, ReadThrough<xPdb14>, 4, 12, "TAN"}),
    [](const ::testing::TestParamInfo<Example>& param) {
      std::string name = param.param.file;
      return name.substr(0, name.find('.'));
    });

}  // namespace
