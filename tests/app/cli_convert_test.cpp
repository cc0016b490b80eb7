#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "apptest.h"

namespace {

const std::vector<std::vector<double>> kTriangle = {{0, 0, 0}, {1.5, 0, 0}, {0, 1, 0.25}};
const std::vector<std::vector<double>> kQuad = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const char* kLinesObject = "-2\n3\n0 0 1\n2 0 1\n0 3 1\n2\n0 1\n1 2\n0\n0\n";

std::vector<std::string> Names(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The summary of a read without the name of the file.
nlohmann::json Sets(const std::string& file) {
  const RunResult run = RunXpdb({"read", file, "--json"});
  EXPECT_EQ(run.exitCode, 0) << file << ": " << run.err;
  return run.Json()["sets"];
}

class ConvertTest : public testing::Test {
 protected:
  TempDir dir;
  std::string input =
      dir.Write("in.pdb", Pdb9(3, PolygonObject(7, kQuad) + kLinesObject + PolygonObject(12, kTriangle)));
};

TEST_F(ConvertTest, RoundTripKeepsTheGeometry) {
  for (const int version : {9, 8}) {
    SCOPED_TRACE(version);
    const std::string out = dir.File("out" + std::to_string(version) + ".pdb");
    const RunResult run = RunXpdb({"convert", input, out, "--pdb-version", std::to_string(version)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(run.err.empty()) << run.err;
    EXPECT_EQ(ReadFileText(out).substr(0, 2), std::to_string(version) + "\n");
    EXPECT_EQ(Sets(out), Sets(input));
  }
}

TEST_F(ConvertTest, WritesVersionNineByDefault) {
  const std::string out = dir.File("out.pdb");
  ASSERT_EQ(RunXpdb({"convert", input, out}).exitCode, 0);
  EXPECT_EQ(ReadFileText(out).substr(0, 8), "9\n0\n0\n0\n");
}

TEST_F(ConvertTest, KeepsEveryColourIndex) {
  std::string body;
  for (int colour = 4; colour <= 35; ++colour) body += PolygonObject(colour, kTriangle);
  body += PolygonObject(-2, kTriangle);
  const std::string colours = dir.Write("colours.pdb", Pdb9(33, body));
  const std::string out = dir.File("colours-out.pdb");
  ASSERT_EQ(RunXpdb({"convert", colours, out}).exitCode, 0);

  // Each object starts with its colour line, right after the previous
  // object's text count; compare the colour lines as written.
  std::istringstream in(ReadFileText(out));
  std::vector<int> written;
  int value = 0;
  for (int i = 0; i < 5 && in >> value; ++i) {
  }
  for (int object = 0; object < 33 && in >> value; ++object) {
    written.push_back(value);
    int points = 0, lines = 0, polygons = 0, texts = 0;
    double coordinate = 0;
    in >> points;
    for (int i = 0; i < 3 * points; ++i) in >> coordinate;
    in >> lines >> polygons;
    for (int i = 0; i < polygons; ++i) {
      int corners = 0, corner = 0;
      in >> corners;
      for (int k = 0; k < corners; ++k) in >> corner;
    }
    in >> texts;
  }
  std::vector<int> expected;
  for (int colour = 4; colour <= 35; ++colour) expected.push_back(colour);
  expected.push_back(-2);
  EXPECT_EQ(written, expected);
}

TEST_F(ConvertTest, LaterVersionsLeaveOutWhatTheyCannotHoldAndSaySo) {
  const std::string out = dir.File("out11.pdb");
  const RunResult run = RunXpdb({"convert", input, out, "--pdb-version", "11"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("2 xTriMesh"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("1 xCompactLineSet"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileText(out).substr(0, 3), "11\n");
}

TEST_F(ConvertTest, RefusesOutputThatIsNotPdb) {
  for (const std::string name : {"out.obj", "out", "pdb"}) {
    const RunResult run = RunXpdb({"convert", input, dir.File(name)});
    EXPECT_EQ(run.exitCode, 2) << name;
    EXPECT_NE(run.err.find(".pdb"), std::string::npos) << run.err;
  }
  EXPECT_EQ(RunXpdb({"convert", input, dir.File("x.pdb"), "--pdb-version", "13"}).exitCode, 2);
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"in.pdb"});
}

TEST_F(ConvertTest, AFailedReadWritesNothing) {
  const std::string broken = dir.Write("broken.pdb", Pdb9(2, PolygonObject(7, kTriangle) + "7\n-5\n"));
  const std::string out = dir.File("out.pdb");
  const RunResult run = RunXpdb({"convert", broken, out});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Error Reading Point Count"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(RunXpdb({"convert", dir.File("missing.pdb"), out}).exitCode, 2);
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
}

TEST_F(ConvertTest, ReplacesAnExistingOutputKeepingItsPermissions) {
  const std::string out = dir.Write("out.pdb", "previous content\n");
  std::filesystem::permissions(out, std::filesystem::perms(0640));
  ASSERT_EQ(RunXpdb({"convert", input, out}).exitCode, 0);
  EXPECT_EQ(ReadFileText(out).substr(0, 2), "9\n");
  EXPECT_EQ(std::filesystem::status(out).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"in.pdb", "out.pdb"}));
}

TEST_F(ConvertTest, AMissingOutputDirectoryIsReported) {
  const RunResult run = RunXpdb({"convert", input, dir.File("no/such/dir/out.pdb")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("no/such/dir"), std::string::npos) << run.err;
}

}  // namespace
