#include <gtest/gtest.h>

#include <sstream>

#include "apptest.h"

namespace {

TEST(ModulesCommand, ListsThePackageAndItsSixModules) {
  const RunResult run = RunXpdb({"modules", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j["package"]["name"], "xpdb");
  EXPECT_EQ(j["package"]["version"], "3.2.1");
  EXPECT_EQ(j["package"]["description"], "PDB file format package");
  EXPECT_EQ(j["package"]["core_version"], "3.5");

  const std::vector<std::string> names = {"xpdb09", "xpdb08", "xpdb10", "xpdb11", "xpdb12", "xpdb14"};
  const std::vector<std::string> digits = {" 9", " 8", "10", "11", "12", "14"};
  ASSERT_EQ(j["modules"].size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto& m = j["modules"][i];
    EXPECT_EQ(m["index"], i);
    EXPECT_EQ(m["name"], names[i]);
    EXPECT_EQ(m["version"], "3.2.1");
    EXPECT_EQ(m["description"], "PDB geometry version " + digits[i] + " loader");
    EXPECT_EQ(m["sample_size"], i == 5 ? 18 : 16);
    EXPECT_EQ(m["write_priority"], 1);
    EXPECT_EQ(m["type"], 5);
    EXPECT_EQ(m["filter"], i == 0 ? "Igrip/Quest/VNC geometry (*.pdb,*.*)|*.pdb;*.*" : "");
  }
}

TEST(ModulesCommand, PlainOutputHasOneAlignedRowPerModule) {
  const RunResult run = RunXpdb({"modules"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::istringstream lines(run.out);
  std::string line;
  std::vector<std::string> rows;
  while (std::getline(lines, line))
    if (line.find("PDB geometry version") != std::string::npos) rows.push_back(line);
  ASSERT_EQ(rows.size(), 6u);
  for (const std::string& row : rows) EXPECT_EQ(row.find("3.2.1"), rows[0].find("3.2.1")) << row;
}

TEST(PackageLoading, ReportsALibraryThatCannotBeLoaded) {
  RunOptions options;
  options.environment = {{"XPDB_LIBRARY", "/nonexistent/libxpdb.so"}};
  const RunResult run = RunXpdb({"modules"}, options);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("/nonexistent/libxpdb.so"), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty());
}

TEST(PackageLoading, TakesTheLibraryNamedInTheEnvironment) {
  RunOptions options;
  options.environment = {{"XPDB_LIBRARY", XPDB_BINARY_DIR "/lib/libxpdb.so"}};
  const RunResult run = RunXpdb({"modules", "--json"}, options);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.Json()["modules"].size(), 6u);
}

struct DetectCase {
  const char* text;
  const char* module;  // null: no module accepts it
};

TEST(DetectCommand, NamesTheFirstModuleThatAcceptsEachFile) {
  const TempDir dir;
  const std::vector<DetectCase> cases = {
      {"9\n0\n0\n0\n0\n", "xpdb09"},
      {"8\n0\n0\n", "xpdb08"},
      {"10\n0\n0\n0\n0\n", "xpdb10"},
      {"1010\n0\n", "xpdb10"},
      {"11\n0\n", "xpdb11"},
      {"12\n0\n", "xpdb12"},
      {"14 DENEB_PART_FILE\n0\n", "xpdb14"},
      {"13\n0\n", nullptr},
      {" 9\n0\n", nullptr},
      {"\n9\n", nullptr},
      {"", nullptr},
  };
  std::vector<std::string> args = {"detect", "--json"};
  for (std::size_t i = 0; i < cases.size(); ++i)
    args.push_back(dir.Write("case" + std::to_string(i) + ".pdb", cases[i].text));

  const RunResult run = RunXpdb(args);
  EXPECT_EQ(run.exitCode, 2) << "unrecognised files are not a success";
  const auto j = run.Json();
  ASSERT_EQ(j.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].text);
    EXPECT_EQ(j[i]["file"], args[i + 2]);
    if (cases[i].module) {
      EXPECT_EQ(j[i]["module"], cases[i].module);
      EXPECT_EQ(j[i]["accepted"], nlohmann::json::array({cases[i].module}));
    } else {
      EXPECT_TRUE(j[i]["module"].is_null());
      EXPECT_TRUE(j[i]["accepted"].empty());
    }
    EXPECT_TRUE(j[i]["error"].is_null());
  }
}

TEST(DetectCommand, SucceedsWhenEveryFileIsRecognised) {
  const TempDir dir;
  const RunResult run =
      RunXpdb({"detect", dir.Write("a.pdb", "9\n0\n0\n0\n0\n"), dir.Write("b.pdb", "14 DENEB_PART_FILE\n")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("xpdb09 (module 0)"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("xpdb14 (module 5)"), std::string::npos) << run.out;
}

TEST(DetectCommand, ReportsAFileThatCannotBeOpened) {
  const TempDir dir;
  const std::string missing = dir.File("missing.pdb");
  const RunResult run = RunXpdb({"detect", "--json", dir.Write("a.pdb", "9\n"), missing});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j[0]["module"], "xpdb09");
  EXPECT_FALSE(j[1]["error"].is_null());
}

}  // namespace
