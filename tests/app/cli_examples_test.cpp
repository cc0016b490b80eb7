#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "apptest.h"

namespace {

std::vector<std::string> Examples() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(XPDB_SOURCE_DIR "/examples")) {
    const std::string name = entry.path().filename();
    if (entry.path().extension() == ".pdb" && name.find("broken") == std::string::npos)
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Line sets of every kind are written as segments and read back as compact
// line sets; triangle meshes stay triangle meshes. Coordinates keep six
// significant digits.
TEST(Examples, EveryExampleSurvivesAVersionNineRoundTrip) {
  const std::vector<std::string> examples = Examples();
  if (examples.empty()) GTEST_SKIP() << "no examples";
  const TempDir dir;
  for (const std::string& example : examples) {
    SCOPED_TRACE(example);
    const RunResult original = RunXpdb({"read", example, "--json"});
    ASSERT_EQ(original.exitCode, 0) << original.err;
    const std::string copy = dir.File(std::filesystem::path(example).filename());
    const RunResult convert = RunXpdb({"convert", example, copy});
    ASSERT_EQ(convert.exitCode, 0) << convert.err;
    const RunResult again = RunXpdb({"read", copy, "--json"});
    ASSERT_EQ(again.exitCode, 0) << again.err;

    const auto before = original.Json()["sets"], after = again.Json()["sets"];
    ASSERT_EQ(before.size(), after.size());
    EXPECT_GT(before.size(), 0u);
    for (std::size_t i = 0; i < before.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(before[i]["material"], after[i]["material"]);
      if (before[i]["type"] == "xTriMesh") {
        ASSERT_EQ(after[i]["type"], "xTriMesh");
        EXPECT_EQ(before[i]["points"], after[i]["points"]);
        EXPECT_EQ(before[i]["triangles"], after[i]["triangles"]);
        const double area = before[i]["area"];
        EXPECT_NEAR(after[i]["area"].get<double>(), area, 1e-4 * area + 1e-6);
      } else {
        ASSERT_EQ(after[i]["type"], "xCompactLineSet");
        EXPECT_EQ(before[i]["segments"], after[i]["segments"]);
      }
    }
  }
}

}  // namespace
