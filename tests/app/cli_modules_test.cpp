#include <gtest/gtest.h>

#include "apptest.h"

namespace {

TEST(ModulesCommand, ListsThePackageAndItsSixModules) {
  const RunResult run = RunXpdb({"modules", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j["package"], (nlohmann::json{{"name", "xpdb"},
                                          {"version", "3.2.1"},
                                          {"description", "PDB file format package"},
                                          {"core_version", "3.5"}}));
  const std::vector<std::string> names = {"xpdb09", "xpdb08", "xpdb10", "xpdb11", "xpdb12", "xpdb14"};
  const std::vector<std::string> digits = {" 9", " 8", "10", "11", "12", "14"};
  ASSERT_EQ(j["modules"].size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const auto& m = j["modules"][i];
    EXPECT_EQ(m["name"], names[i]);
    EXPECT_EQ(m["description"], "PDB geometry version " + digits[i] + " loader");
    EXPECT_EQ(m["sample_size"], i == 5 ? 18 : 16);
    EXPECT_EQ(m["filter"], i == 0 ? "Igrip/Quest/VNC geometry (*.pdb,*.*)|*.pdb;*.*" : "");
    EXPECT_EQ(m["version"], "3.2.1");
    EXPECT_EQ(m["write_priority"], 1);
    EXPECT_EQ(m["type"], 5);
  }
}

TEST(ModulesCommand, AMissingPackageIsItsOwnFailure) {
  RunOptions options;
  options.environment = {{"XPDB_LIBRARY", "/nonexistent/libxpdb.so"}};
  const RunResult run = RunXpdb({"modules"}, options);
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("/nonexistent/libxpdb.so"), std::string::npos) << run.err;
}

TEST(DetectCommand, NamesTheFirstModuleThatAcceptsEachFile) {
  const TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {{"9\n0\n0\n0\n0\n", "xpdb09"},
                                                                  {"8\n0\n0\n", "xpdb08"},
                                                                  {"10\n0\n", "xpdb10"},
                                                                  {"1010\n0\n", "xpdb10"},
                                                                  {"11\n0\n", "xpdb11"},
                                                                  {"12\n0\n", "xpdb12"},
                                                                  {"14 DENEB_PART_FILE\n", "xpdb14"},
                                                                  {"13\n0\n", ""},
                                                                  {" 9\n", ""},
                                                                  {"", ""}};
  std::vector<std::string> args = {"detect", "--json"};
  for (std::size_t i = 0; i < cases.size(); ++i)
    args.push_back(dir.Write("case" + std::to_string(i) + ".pdb", cases[i].first));
  args.push_back(dir.File("missing.pdb"));

  const RunResult run = RunXpdb(args);
  EXPECT_EQ(run.exitCode, 2) << "unrecognised and unreadable files are no success";
  EXPECT_NE(run.err.find("missing.pdb"), std::string::npos) << run.err;
  const auto j = run.Json();
  ASSERT_EQ(j.size(), cases.size() + 1);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].first);
    EXPECT_EQ(j[i]["module"],
              cases[i].second.empty() ? nlohmann::json(nullptr) : nlohmann::json(cases[i].second));
    EXPECT_EQ(j[i]["accepted"].size(), cases[i].second.empty() ? 0u : 1u);
  }
  EXPECT_FALSE(j.back()["error"].is_null());

  const RunResult known = RunXpdb({"detect", args[2], args[8]});
  EXPECT_EQ(known.exitCode, 0) << known.err;
  EXPECT_NE(known.out.find("xpdb14 (module 5)"), std::string::npos) << known.out;
}

}  // namespace
