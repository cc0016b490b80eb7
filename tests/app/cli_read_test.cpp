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
  const std::string body = PolygonObject(7, kUnitSquare) + kLinesObject + PolygonObject(35, kTriangle) +
                           PolygonObject(-2, kTriangle) + PolygonObject(0, kTriangle);
  const std::string file = dir.Write("part.pdb", Pdb9(5, body));
  const RunResult run = RunXpdb({"read", file, "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j["file"], file);
  EXPECT_EQ(j["module"], "xpdb09");
  EXPECT_EQ(j["ok"], true);
  EXPECT_TRUE(j["error"].is_null());
  EXPECT_EQ(j["optimizer"], (nlohmann::json{{"name", "xpdb"}, {"version", 9}}));
  EXPECT_EQ(j["assertions"], 0);
  ASSERT_EQ(j["sets"].size(), 5u);

  const auto& mesh = j["sets"][0];
  EXPECT_EQ(mesh, (nlohmann::json{{"type", "xTriMesh"},
                                  {"points", 4},
                                  {"triangles", 2},
                                  {"area", 1.0},
                                  {"material", "RED"},
                                  {"material_mode", 2},
                                  {"bounds", {{0, 0, 0}, {1, 1, 0}}}}));
  const auto& lines = j["sets"][1];
  EXPECT_EQ(lines, (nlohmann::json{{"type", "xCompactLineSet"},
                                   {"points", 4},
                                   {"segments", 2},
                                   {"polylines", 0},
                                   {"material", nullptr},
                                   {"material_mode", 0},
                                   {"bounds", {{0, 0, 1}, {2, 3, 1}}}}));
  EXPECT_EQ(j["sets"][2]["material"], "PDB_COLOR32");
  EXPECT_DOUBLE_EQ(j["sets"][2]["area"].get<double>(), 0.5 * std::sqrt(5.0));
  EXPECT_TRUE(j["sets"][3]["material"].is_null());
  EXPECT_EQ(j["sets"][3]["material_mode"], 1);
  EXPECT_TRUE(j["sets"][4]["material"].is_null());
  EXPECT_EQ(j["sets"][4]["material_mode"], 2);
}

TEST(ReadJson, AFailedReadKeepsTheSetsReadBeforeIt) {
  const TempDir dir;
  const std::string body = PolygonObject(7, kTriangle) + PolygonObject(8, kUnitSquare) + "9\n-5\n";
  const std::string file = dir.Write("broken.pdb", Pdb9(4, body));
  for (const bool json : {true, false}) {
    const RunResult run = json ? RunXpdb({"read", file, "--json"}) : RunXpdb({"read", file});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error Reading Point Count"), std::string::npos) << run.err;
    if (!json) {
      EXPECT_NE(run.out.find("failed: Error Reading Point Count"), std::string::npos) << run.out;
      continue;
    }
    const auto j = run.Json();
    EXPECT_EQ(j["ok"], false);
    EXPECT_EQ(j["error"], "Error Reading Point Count");
    EXPECT_TRUE(j["optimizer"].is_null());
    ASSERT_EQ(j["sets"].size(), 2u);
    EXPECT_EQ(j["sets"][1]["material"], "GREEN");
    EXPECT_EQ(j["sets"][1]["triangles"], 2);
  }
}

TEST(ReadJson, ModuleOptionOverridesDetection) {
  const TempDir dir;
  // A version-10 header read by the version-9 module: the number is not compared.
  const std::string file = dir.Write("ten.pdb", "10\n0\n0\n0\n1\n" + PolygonObject(9, kTriangle));
  EXPECT_EQ(RunXpdb({"read", file, "--json"}).Json()["module"], "xpdb10");
  const RunResult forced = RunXpdb({"read", file, "--json", "--module", "0"});
  ASSERT_EQ(forced.exitCode, 0) << forced.err;
  EXPECT_EQ(forced.Json()["module"], "xpdb09");
  EXPECT_EQ(forced.Json()["optimizer"]["version"], 9);
  EXPECT_EQ(forced.Json()["sets"][0]["material"], "BLUE");
}

TEST(ReadExitCodes, BadArgumentsAndFilesThatCannotBeReadAreUsageErrors) {
  const TempDir dir;
  const std::string file = dir.Write("part.pdb", Pdb9(0, ""));
  const std::string missing = dir.File("missing.pdb"), text = dir.Write("notes.txt", "hello world\n");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "subcommand"},
      {{"read"}, "required"},
      {{"read", file, "--module", "6"}, "--module"},
      {{"read", file, "--tolerance", "0"}, "--tolerance"},
      {{"read", file, "--tolerance", "nan"}, "--tolerance"},
      {{"read", missing, "--json"}, missing},
      {{"read", text}, "hello world"},
      {{"read", dir.Path().string()}, "directory"},
  };
  for (const auto& [args, message] : cases) {
    const RunResult run = RunXpdb(args);
    EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(args);
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  EXPECT_EQ(RunXpdb({"read", file, "--tolerance", "0.25"}).exitCode, 0);
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

}  // namespace
