#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "apptest.h"

namespace {

const std::vector<std::vector<double>> kTriangle = {{0, 0, 0}, {1.5, 0, 0}, {0, 1, 0.25}};
const char* kLinesObject = "-2\n3\n0 0 1\n2 0 1\n0 3 1\n2\n0 1\n1 2\n0\n0\n";

std::vector<std::string> Names(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

nlohmann::json Sets(const std::string& file) {
  const RunResult run = RunXpdb({"read", file, "--json"});
  EXPECT_EQ(run.exitCode, 0) << file << ": " << run.err;
  return run.Json()["sets"];
}

class ConvertTest : public testing::Test {
 protected:
  // Every colour, colour -2 and a line set.
  static std::string Part() {
    std::string body = kLinesObject;
    for (int colour = 4; colour <= 35; ++colour) body += PolygonObject(colour, kTriangle);
    return Pdb9(34, body + PolygonObject(-2, kTriangle));
  }
  TempDir dir;
  std::string input = dir.Write("in.pdb", Part());
};

TEST_F(ConvertTest, RoundTripKeepsGeometryAndEveryColour) {
  const nlohmann::json original = Sets(input);
  ASSERT_EQ(original.size(), 34u);
  for (const std::string version : {"9", "8"}) {
    SCOPED_TRACE(version);
    const std::string out = dir.File("out" + version + ".pdb");
    const RunResult run = version == "9" ? RunXpdb({"convert", input, out})
                                         : RunXpdb({"convert", input, out, "--pdb-version", version});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_EQ(ReadFileText(out).substr(0, 2), version + "\n");
    EXPECT_EQ(Sets(out), original);
  }
}

TEST_F(ConvertTest, LaterVersionsSayWhatTheyLeaveOut) {
  const RunResult run = RunXpdb({"convert", input, dir.File("out.pdb"), "--pdb-version", "11"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("1 xCompactLineSet, 33 xTriMesh"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileText(dir.File("out.pdb")).substr(0, 3), "11\n");
}

TEST_F(ConvertTest, BadRequestsAndFailedReadsWriteNothing) {
  for (const std::string name : {"out.obj", "out", "pdb"}) {
    const RunResult run = RunXpdb({"convert", input, dir.File(name)});
    EXPECT_EQ(run.exitCode, 2) << name;
    EXPECT_NE(run.err.find(".pdb"), std::string::npos) << run.err;
  }
  EXPECT_EQ(RunXpdb({"convert", input, dir.File("x.pdb"), "--pdb-version", "13"}).exitCode, 2);
  EXPECT_EQ(RunXpdb({"convert", dir.File("missing.pdb"), dir.File("x.pdb")}).exitCode, 2);

  const std::string broken = dir.Write("broken.pdb", Pdb9(2, PolygonObject(7, kTriangle) + "7\n-5\n"));
  const RunResult run = RunXpdb({"convert", broken, dir.File("x.pdb")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Error Reading Point Count"), std::string::npos) << run.err;
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"broken.pdb", "in.pdb"}));

  const RunResult noDirectory = RunXpdb({"convert", input, dir.File("no/such/out.pdb")});
  EXPECT_EQ(noDirectory.exitCode, 1);
  EXPECT_NE(noDirectory.err.find("no/such"), std::string::npos) << noDirectory.err;
}

TEST_F(ConvertTest, AFailedWriteLeavesTheExistingOutputUntouched) {
  const std::string out = dir.Write("out.pdb", "previous content\n");
  RunOptions limited;
  limited.fileSizeLimit = 64;
  const RunResult run = RunXpdb({"convert", input, out}, limited);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileText(out), "previous content\n");
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"in.pdb", "out.pdb"})) << "no temporary left";

  // Without the limit it is replaced, keeping its permissions.
  std::filesystem::permissions(out, std::filesystem::perms(0640));
  ASSERT_EQ(RunXpdb({"convert", input, out}).exitCode, 0);
  EXPECT_EQ(ReadFileText(out).substr(0, 2), "9\n");
  EXPECT_EQ(std::filesystem::status(out).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"in.pdb", "out.pdb"}));
}

}  // namespace
