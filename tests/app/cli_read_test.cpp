#include <gtest/gtest.h>

#include <cmath>

#include "app/defaults.h"
#include "apptest.h"

namespace {

const std::vector<std::vector<double>> kUnitSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
const std::vector<std::vector<double>> kTriangle = {{0, 0, 0}, {2, 0, 0}, {0, 1, 0.5}};

// Colour -2, three points, two line segments and no polygon.
const char* kLinesObject = "-2\n3\n0 0 1\n2 0 1\n0 3 1\n2\n0 1\n1 2\n0\n0\n";

TEST(ReadJson, DescribesEverySetWithItsMaterialAndBounds) {
  const TempDir dir;
  const std::string file = dir.Write("part.pdb", Pdb9(2, PolygonObject(7, kUnitSquare) + kLinesObject));
  const RunResult run = RunXpdb({"read", file, "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j["file"], file);
  EXPECT_EQ(j["module"], "xpdb09");
  EXPECT_EQ(j["ok"], true);
  EXPECT_TRUE(j["error"].is_null());
  EXPECT_EQ(j["optimizer"], (nlohmann::json{{"name", "xpdb"}, {"version", 9}}));
  EXPECT_EQ(j["assertions"], 0);
  ASSERT_EQ(j["sets"].size(), 2u);

  const auto& lines = j["sets"][1];
  EXPECT_EQ(lines["type"], "xCompactLineSet");
  EXPECT_EQ(lines["points"], 4);
  EXPECT_EQ(lines["segments"], 2);
  EXPECT_EQ(lines["polylines"], 0);
  EXPECT_TRUE(lines["material"].is_null());
  EXPECT_EQ(lines["material_mode"], 0);
  EXPECT_EQ(lines["bounds"], (nlohmann::json{{0, 0, 1}, {2, 3, 1}}));

  const auto& mesh = j["sets"][0];
  EXPECT_EQ(mesh["type"], "xTriMesh");
  EXPECT_EQ(mesh["points"], 4);
  EXPECT_EQ(mesh["triangles"], 2);
  EXPECT_DOUBLE_EQ(mesh["area"].get<double>(), 1.0);
  EXPECT_EQ(mesh["material"], "RED");
  EXPECT_EQ(mesh["material_mode"], 2);
  EXPECT_EQ(mesh["bounds"], (nlohmann::json{{0, 0, 0}, {1, 1, 0}}));
}

TEST(ReadJson, TakesMaterialsFromTheColourLibrary) {
  const TempDir dir;
  std::string body;
  const std::vector<int> colours = {4, 6, 20, 35, -2, 0, 36};
  for (const int c : colours) body += PolygonObject(c, kTriangle);
  const RunResult run =
      RunXpdb({"read", dir.Write("c.pdb", Pdb9(static_cast<int>(colours.size()), body)), "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto sets = run.Json()["sets"];
  ASSERT_EQ(sets.size(), colours.size());
  EXPECT_EQ(sets[0]["material"], "WHITE");
  EXPECT_EQ(sets[1]["material"], "BLACK");
  EXPECT_EQ(sets[2]["material"], "PDB_COLOR17");
  EXPECT_EQ(sets[3]["material"], "PDB_COLOR32");
  for (std::size_t i = 4; i < colours.size(); ++i) EXPECT_TRUE(sets[i]["material"].is_null()) << i;
  EXPECT_EQ(sets[4]["material_mode"], 1);  // colour -2
  EXPECT_EQ(sets[5]["material_mode"], 2);
  EXPECT_DOUBLE_EQ(sets[0]["area"].get<double>(), 0.5 * std::sqrt(4 * 0.25 + 4));
}

TEST(ReadJson, ReportsAFailedReadWithTheSetsReadBeforeIt) {
  const TempDir dir;
  const std::string body = PolygonObject(7, kTriangle) + PolygonObject(8, kUnitSquare) + "9\n-5\n";
  const std::string file = dir.Write("broken.pdb", Pdb9(4, body));
  const RunResult run = RunXpdb({"read", file, "--json"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Error Reading Point Count"), std::string::npos) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j["ok"], false);
  EXPECT_EQ(j["error"], "Error Reading Point Count");
  EXPECT_TRUE(j["optimizer"].is_null());
  ASSERT_EQ(j["sets"].size(), 2u);
  EXPECT_EQ(j["sets"][0]["material"], "RED");
  EXPECT_EQ(j["sets"][1]["material"], "GREEN");
  EXPECT_EQ(j["sets"][1]["triangles"], 2);
}

TEST(ReadJson, ReportsTheFailingSectionOfAnyVersion) {
  const TempDir dir;
  // The coordinate-system count is read, then nothing follows.
  const RunResult run = RunXpdb({"read", dir.Write("v8.pdb", "8\n2\n"), "--json"});
  EXPECT_EQ(run.exitCode, 1);
  const auto j = run.Json();
  EXPECT_EQ(j["module"], "xpdb08");
  EXPECT_EQ(j["error"], "Error Reading Coorsyses");
  EXPECT_NE(run.err.find("Error Reading Coorsyses"), std::string::npos);
}

TEST(ReadJson, ModuleOptionOverridesDetection) {
  const TempDir dir;
  // A version-10 header read by the version-9 module: the number is not compared.
  const std::string file = dir.Write("ten.pdb", "10\n0\n0\n0\n1\n" + PolygonObject(9, kTriangle));
  const RunResult detected = RunXpdb({"read", file, "--json"});
  const RunResult forced = RunXpdb({"read", file, "--json", "--module", "0"});
  ASSERT_EQ(forced.exitCode, 0) << forced.err;
  EXPECT_EQ(detected.Json()["module"], "xpdb10");
  EXPECT_EQ(forced.Json()["module"], "xpdb09");
  EXPECT_EQ(forced.Json()["optimizer"]["version"], 9);
  EXPECT_EQ(forced.Json()["sets"][0]["material"], "BLUE");
}

TEST(ReadJson, AnEmptyPartHasNoSets) {
  const TempDir dir;
  const RunResult run = RunXpdb({"read", dir.Write("empty.pdb", "8\n0\n0\n"), "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto j = run.Json();
  EXPECT_TRUE(j["sets"].is_array());
  EXPECT_TRUE(j["sets"].empty());
  EXPECT_EQ(j["optimizer"]["version"], 8);
}

// Version 11 with one untrimmed biquadratic surface, a bump of height 20 over
// a 100 x 100 square, in colour 7.
std::string SurfacePart() {
  std::string text = "11\n0\n0\n1\n0 1 0 1\n2 2 1 1\n0 0\n0 0 0 1 1 1\n0 0 0 1 1 1\n";
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      text += "1 " + std::to_string(50 * i) + " " + std::to_string(50 * j) +
              (i == 1 && j == 1 ? " 80\n" : " 0\n");
  return text + "0\n0\n7\n0\n";
}

int Triangles(const RunResult& run) {
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const auto sets = run.Json()["sets"];
  EXPECT_EQ(sets.size(), 1u);
  return sets.empty() ? -1 : sets[0]["triangles"].get<int>();
}

TEST(ReadTolerance, SetsTheSurfaceTessellationTolerance) {
  const TempDir dir;
  const std::string file = dir.Write("surface.pdb", SurfacePart());
  const int fine = Triangles(RunXpdb({"read", file, "--json", "--tolerance", "0.5"}));
  const int coarse = Triangles(RunXpdb({"read", file, "--json", "--tolerance", "20"}));
  EXPECT_GT(fine, 2 * coarse);
  EXPECT_GT(coarse, 0);

  const RunResult byDefault = RunXpdb({"read", file, "--json"});
  EXPECT_EQ(
      Triangles(byDefault),
      Triangles(RunXpdb({"read", file, "--json", "--tolerance", std::to_string(kDefaultNurbsTolerance)})));
  const auto mesh = byDefault.Json()["sets"][0];
  EXPECT_EQ(mesh["material"], "RED");
  EXPECT_NEAR(mesh["bounds"][1][2].get<double>(), 20.0, 0.5);
  EXPECT_NEAR(mesh["area"].get<double>(), 11100.0, 150.0);
}

TEST(ReadExitCodes, UnreadableOrUnrecognisedFilesAreUsageErrors) {
  const TempDir dir;
  const std::string missing = dir.File("missing.pdb");
  const RunResult noFile = RunXpdb({"read", missing, "--json"});
  EXPECT_EQ(noFile.exitCode, 2);
  EXPECT_NE(noFile.err.find(missing), std::string::npos) << noFile.err;
  EXPECT_TRUE(noFile.out.empty());

  const RunResult text = RunXpdb({"read", dir.Write("notes.txt", "hello world\n")});
  EXPECT_EQ(text.exitCode, 2);
  EXPECT_NE(text.err.find("hello world"), std::string::npos) << text.err;

  const RunResult directory = RunXpdb({"read", dir.Path().string()});
  EXPECT_EQ(directory.exitCode, 2);
  EXPECT_NE(directory.err.find("directory"), std::string::npos) << directory.err;
}

TEST(ReadExitCodes, BadArgumentsAreUsageErrors) {
  const TempDir dir;
  const std::string file = dir.Write("part.pdb", Pdb9(0, ""));
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"read"},
           {"read", file, "--module", "6"},
           {"read", file, "--module", "x"},
           {"read", file, "--tolerance", "0"},
           {"read", file, "--tolerance", "-1"},
           {"read", file, "--tolerance", "nan"},
           {"frobnicate", file},
       }) {
    const RunResult run = RunXpdb(args);
    EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(args) << run.err;
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_EQ(RunXpdb({"read", file, "--tolerance", "0.25"}).exitCode, 0);
  EXPECT_EQ(RunXpdb({"--help"}).exitCode, 0);
}

TEST(ReadText, SummarisesTheReadInAlignedLines) {
  const TempDir dir;
  const std::string file = dir.Write("part.pdb", Pdb9(2, PolygonObject(7, kUnitSquare) + kLinesObject));
  const RunResult run = RunXpdb({"read", file});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("xpdb09 (module 0)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("xpdb, version 9"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("4 points, 2 triangles, area 1"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(0 0 0) .. (1 1 0)"), std::string::npos) << run.out;
  const auto lineSet = run.out.find("xCompactLineSet"), mesh = run.out.find("xTriMesh");
  ASSERT_NE(lineSet, std::string::npos);
  ASSERT_NE(mesh, std::string::npos);
  EXPECT_EQ(lineSet - run.out.rfind('\n', lineSet), mesh - run.out.rfind('\n', mesh));
}

}  // namespace
