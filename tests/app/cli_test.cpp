#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/defaults.h"
#include "common/apptest.h"
#include "xpdbversion.h"

namespace {

using apptest::Slurp;
using TempDir = apptest::Scratch;

struct RunResult {
  int exitCode = -1;  // -1 when it did not exit normally
  std::string out, err;
  nlohmann::json Json() const { return nlohmann::json::parse(out); }
};

// Runs build/bin/xpdb with `args` (no single quotes in them), in English and
// without the user's settings unless `env` ("NAME=VALUE ...") says otherwise;
// `blocks` > 0 limits the size of the files it writes, in blocks of 512 bytes.
RunResult RunXpdb(const std::vector<std::string>& args, const std::string& env = "", int blocks = 0) {
  const TempDir capture;
  const std::string home = "'" + capture.path.string() + "'";
  std::string command = (blocks > 0 ? "ulimit -f " + std::to_string(blocks) + " && " : "") +
                        "env -u LC_ALL -u LC_MESSAGES -u LANGUAGE -u LOCALEDIR -u XPDB_LIBRARY LANG=C " +
                        "XDG_CONFIG_HOME=" + home + " XDG_CONFIG_DIRS=" + home + " " + env +
                        " '" XPDB_BINARY_DIR "/bin/xpdb'";
  for (const std::string& arg : args) command += " '" + arg + "'";
  const int status = system((command + " >" + home + "/out 2>" + home + "/err").c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(capture.File("out")),
          Slurp(capture.File("err"))};
}

// A version-9 part of n objects: a header with empty sections, then the objects.
std::string Pdb9(int n, const std::string& body) { return "9\n0\n0\n0\n" + std::to_string(n) + "\n" + body; }
// Objects after their colour: a unit square, a triangle of area 2.5, two line segments.
const std::string kSquare = "\n4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0\n1\n4 0 1 2 3\n0\n";
const std::string kTriangle = "\n3\n0 0 0\n2 0 0\n0 1.5 2\n0\n1\n3 0 1 2\n0\n";
const std::string kLines = "\n3\n0 0 1\n2 0 1\n0 3 1\n2\n0 1\n1 2\n0\n0\n";

TEST(ModulesCommand, ListsThePackageAndItsModules) {
  const RunResult run = RunXpdb({"modules", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.Json()["package"], nlohmann::json::parse(R"({"name": "xpdb", "version": ")" XPDB_VERSION R"(",
      "description": "PDB file format package", "core_version": "3.5"})"));
  ASSERT_EQ(run.Json()["modules"].size(), 6u);
  EXPECT_EQ(run.Json()["modules"][5],
            nlohmann::json::parse(
                R"({"index": 5, "name": "xpdb14",
      "version": ")" XPDB_VERSION
                R"(", "description": "PDB geometry version 14 loader", "filter": "", "sample_size": 18,
      "write_priority": 1, "type": 5})"));
}

// The library's start-up takes LANG from the per-user settings, over the
// machine-wide ones and the environment's LANG=C, and without LOCALEDIR finds
// the catalogue beside itself.
TEST(ModulesCommand, ThePackageSpeaksTheLanguageOfTheSettings) {
  const TempDir dir;
  dir.Write("user/Qarvex/3.5.conf", "LANG=de_DE.UTF-8\n");
  dir.Write("machine/Qarvex/3.5.conf", "LANG=en_US.UTF-8\n");
  const RunResult run = RunXpdb({"modules", "--json"}, "XDG_CONFIG_HOME=" + dir.File("user") +
                                                           " XDG_CONFIG_DIRS=" + dir.File("machine"));
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.Json()["package"]["description"], "Paket für das PDB-Dateiformat");
  EXPECT_EQ(run.Json()["modules"][0]["description"], "PDB-Geometrie-Lader Version  9");
}

TEST(ModulesCommand, AMissingPackageIsItsOwnFailure) {
  const RunResult run = RunXpdb({"modules"}, "XPDB_LIBRARY=/nonexistent/libxpdb.so");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_NE(run.err.find("/nonexistent/libxpdb.so"), std::string::npos) << run.err;
}

// Files shorter than the sample are offered whole.
TEST(DetectCommand, NamesTheModuleThatAcceptsEachFile) {
  const TempDir dir;
  const RunResult run = RunXpdb({"detect", "--json", dir.Write("a", "14 DENEB_PART_FILE\n"),
                                 dir.Write("b", "8"), dir.Write("c", " 9\n"), dir.File("missing")});
  EXPECT_EQ(run.exitCode, 2) << "unrecognised and unreadable files are no success";
  EXPECT_NE(run.err.find("missing"), std::string::npos) << run.err;
  const auto j = run.Json();
  ASSERT_EQ(j.size(), 4u);
  EXPECT_EQ(j[0]["module"], "xpdb14");
  EXPECT_EQ(j[0]["accepted"].size(), 1u);
  EXPECT_EQ(j[1]["module"], "xpdb08");
  EXPECT_TRUE(j[2]["module"].is_null());
  EXPECT_FALSE(j[3]["error"].is_null());
}

TEST(ReadCommand, JsonDescribesEverySetWithItsMaterialAndBoundsInOrder) {
  const TempDir dir;
  const std::string file = dir.Write("part.pdb", Pdb9(3, "7" + kSquare + "-2" + kLines + "-2" + kTriangle));
  const RunResult run = RunXpdb({"read", file, "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // Keys in this order.
  EXPECT_EQ(nlohmann::ordered_json::parse(run.out),
            nlohmann::ordered_json::parse(R"({"file": ")" + file + R"(", "module": "xpdb09",
      "ok": true, "error": null, "optimizer": {"name": "xpdb", "version": 9}, "assertions": 0, "sets": [
      {"type": "xTriMesh", "points": 4, "triangles": 2, "area": 1.0, "material": "RED", "material_mode": 2,
       "bounds": [[0, 0, 0], [1, 1, 0]]},
      {"type": "xCompactLineSet", "points": 4, "segments": 2, "polylines": 0, "material": null,
       "material_mode": 0, "bounds": [[0, 0, 1], [2, 3, 1]]},
      {"type": "xTriMesh", "points": 3, "triangles": 1, "area": 2.5, "material": null,
       "material_mode": 1, "bounds": [[0, 0, 0], [2, 1.5, 2]]}]})"));
}

TEST(ReadCommand, AFailedReadKeepsTheSetsReadBeforeIt) {
  const TempDir dir;
  const std::string file = dir.Write("broken.pdb", Pdb9(4, "7" + kTriangle + "8" + kSquare + "9\n-5\n"));
  const RunResult run = RunXpdb({"read", file, "--json"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("Error Reading Point Count"), std::string::npos) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j["ok"], false);
  EXPECT_EQ(j["error"], "Error Reading Point Count");
  EXPECT_TRUE(j["optimizer"].is_null());
  ASSERT_EQ(j["sets"].size(), 2u);
  EXPECT_EQ(j["sets"][1]["material"], "GREEN");
}

TEST(ReadCommand, AFailedReadSaysWhereAfterItsUnchangedStatusText) {
  const TempDir dir;
  // The third object's second point has a malformed coordinate on line 27.
  const std::string bad = dir.Write("bad.pdb", Pdb9(4, "7" + kTriangle + "7" + kTriangle +
                                                           "7\n3\n0 0 0\n1 0 x\n0 1 0\n0\n1\n3 0 1 2\n0\n"));
  const std::string where = "object 3, byte " +
                            std::to_string(Pdb9(4, "7" + kTriangle + "7" + kTriangle).size() +
                                           std::string("7\n3\n0 0 0\n1 0 ").size()) +
                            ", line 27";
  const RunResult text = RunXpdb({"read", bad});
  EXPECT_EQ(text.exitCode, 1);
  EXPECT_NE(text.out.find("failed: Error Reading Texts (" + where + ")\n"), std::string::npos) << text.out;
  EXPECT_EQ(text.err, "xpdb: " + bad + ": Error Reading Texts (" + where + ")\n");
  const auto json = RunXpdb({"read", bad, "--json"}).Json();
  EXPECT_EQ(json["error"], "Error Reading Texts");
  EXPECT_EQ(json["error_detail"], where);

  // A section that fails names no object; CRLF line ends count as one line each.
  const std::string section = dir.Write("section.pdb", "9\r\n1\r\n1 0 0 0 1 0 0 0 1 0 0 oops\r\n");
  const auto sectionJson = RunXpdb({"read", section, "--json"}).Json();
  EXPECT_EQ(sectionJson["error"], "Error Reading Coorsyses");
  EXPECT_EQ(sectionJson["error_detail"], "byte 28, line 3");
}

// A version-11 part of two flat unit squares trimmed by their outer loops:
// colour 7 clockwise, which GLU refuses, colour 8 counter-clockwise.
std::string MisorientedSurfacePart() {
  const std::string patch =
      "0 1 0 1\n1 1 1 1\n0 0\n0 0 1 1\n0 0 1 1\n1 0 0 0\n1 0 1 0\n1 1 0 0\n1 1 1 0\n0.5\n";
  return "11\n0\n0\n2\n" + patch + "4\n0 0\n0 1\n1 1\n1 0\n0\n7\n" + patch +
         "4\n0 0\n1 0\n1 1\n0 1\n0\n8\n0\n";
}

TEST(ReadCommand, ASurfaceThatGluRefusesIsNamedAndLeftOut) {
  const TempDir dir;
  const std::string file = dir.Write("misoriented.pdb", MisorientedSurfacePart());
  const RunResult run = RunXpdb({"read", file, "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // GLU's own error, once; then the host's note that the surface gave no triangles.
  EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1),
            "Nurbs Error: intersecting or misoriented trim curves\n");
  EXPECT_EQ(run.err.find("Nurbs Error", 1), std::string::npos) << run.err;
  const auto j = run.Json();
  EXPECT_EQ(j["ok"], true);
  EXPECT_EQ(j["assertions"], 1);
  ASSERT_EQ(j["sets"].size(), 1u);
  EXPECT_EQ(j["sets"][0]["material"], "GREEN");
  EXPECT_DOUBLE_EQ(j["sets"][0]["area"].get<double>(), 1.0);
  const RunResult again = RunXpdb({"read", file, "--json"});
  EXPECT_EQ(std::tie(again.out, again.err), std::tie(run.out, run.err));
}

TEST(ReadCommand, ModuleOptionOverridesDetection) {
  const TempDir dir;
  // A version-10 header read by the version-9 module: the number is not compared.
  const std::string file = dir.Write("ten.pdb", "10\n0\n0\n0\n1\n9" + kTriangle);
  EXPECT_EQ(RunXpdb({"read", file, "--json"}).Json()["module"], "xpdb10");
  const RunResult forced = RunXpdb({"read", file, "--json", "--module", "0"});
  EXPECT_EQ(forced.Json()["module"], "xpdb09") << forced.err;
  EXPECT_EQ(forced.Json()["optimizer"]["version"], 9);
}

TEST(ReadCommand, BadArgumentsAndFilesThatCannotBeReadAreUsageErrors) {
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
      {{"read", dir.path.string()}, "directory"},
  };
  for (const auto& [args, message] : cases) {
    const RunResult run = RunXpdb(args);
    EXPECT_EQ(run.exitCode, 2) << testing::PrintToString(args);
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  EXPECT_EQ(RunXpdb({"read", file, "--tolerance", "0.25"}).exitCode, 0);
}

TEST(ReadCommand, ToleranceSetsTheSurfaceTessellationTolerance) {
  const auto triangles = [](const std::string& tolerance) {
    std::vector<std::string> args = {"read", XPDB_SOURCE_DIR "/examples/cylinder_shells_surfaces_v12.pdb",
                                     "--json"};
    if (!tolerance.empty()) args.insert(args.end(), {"--tolerance", tolerance});
    const nlohmann::json sets = RunXpdb(args).Json()["sets"];
    int count = 0;
    for (const auto& set : sets) count += set["triangles"].get<int>();
    return count;
  };
  const int fine = triangles("0.5"), coarse = triangles("20");
  EXPECT_GT(coarse, 0);
  EXPECT_GT(fine, 2 * coarse);
  EXPECT_EQ(triangles(""), triangles(std::to_string(kDefaultNurbsTolerance)));
}

// Without --tolerance, convert and render tessellate as with the default, not
// as a host that registers no tolerance.
TEST(SurfaceCommands, ConvertAndRenderUseTheDefaultToleranceWhenNoneIsGiven) {
  const TempDir dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/cylinder_shells_surfaces_v12.pdb";
  const std::string fixed = std::to_string(kDefaultNurbsTolerance);
  const auto output = [&](const std::vector<std::string>& command, const std::string& name,
                          const std::string& tolerance) {
    std::vector<std::string> args = command;
    if (!tolerance.empty()) args.insert(args.end(), {"--tolerance", tolerance});
    const RunResult run = RunXpdb(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const std::string bytes = Slurp(dir.File(name));
    std::filesystem::remove(dir.File(name));
    return bytes;
  };
  const std::vector<std::string> convert = {"convert", part, dir.File("out.pdb"), "--pdb-version", "9"};
  const std::string converted = output(convert, "out.pdb", "");
  EXPECT_FALSE(converted.empty());
  EXPECT_EQ(converted, output(convert, "out.pdb", fixed));
  EXPECT_NE(converted, output(convert, "out.pdb", "20"));

  const std::vector<std::string> render = {"render", part, "-o", dir.File("out.png"), "--size", "160x120"};
  const std::string rendered = output(render, "out.png", "");
  EXPECT_FALSE(rendered.empty());
  EXPECT_EQ(rendered, output(render, "out.png", fixed));
  EXPECT_NE(rendered, output(render, "out.png", "20"));
}

// A version-9 part read through the version-14 module fails, in render as in
// read; through its own module it renders.
TEST(RenderCommand, ModuleOptionOverridesDetection) {
  const TempDir dir;
  const std::string part = dir.Write("nine.pdb", Pdb9(1, "9" + kTriangle)), out = dir.File("out.png");
  const RunResult read = RunXpdb({"read", part, "--module", "5"});
  ASSERT_NE(read.exitCode, 0);
  const RunResult forced = RunXpdb({"render", part, "-o", out, "--module", "5"});
  EXPECT_EQ(forced.exitCode, read.exitCode) << forced.err;
  EXPECT_FALSE(std::filesystem::exists(out));
  const RunResult own = RunXpdb({"render", part, "-o", out, "--module", "0"});
  EXPECT_EQ(own.exitCode, 0) << own.err;
  EXPECT_TRUE(std::filesystem::exists(out));
}

// Every colour, colour -2 and a line set.
std::string ColourPart() {
  std::string body = "-2" + kLines;
  for (int colour = 4; colour <= 35; ++colour) body += std::to_string(colour) + kTriangle;
  return Pdb9(34, body + "-2" + kTriangle);
}

// Files in the directory; a temporary left behind shows here.
long Files(const TempDir& dir) { return std::distance(std::filesystem::directory_iterator(dir.path), {}); }

TEST(ConvertCommand, RoundTripKeepsGeometryAndEveryColour) {
  const TempDir dir;
  const std::string in = dir.Write("in.pdb", ColourPart()), out = dir.File("out.pdb");
  const nlohmann::json original = RunXpdb({"read", in, "--json"}).Json()["sets"];
  ASSERT_EQ(original.size(), 34u);
  for (const std::string version : {"9", "8"}) {
    std::vector<std::string> args = {"convert", in, out};
    if (version != "9") args.insert(args.end(), {"--pdb-version", version});
    const RunResult run = RunXpdb(args);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Slurp(out).substr(0, 2), version + "\n");
    EXPECT_EQ(RunXpdb({"read", out, "--json"}).Json()["sets"], original) << version;
  }
  // Later versions keep the meshes and name what they leave out.
  const RunResult later = RunXpdb({"convert", in, out, "--pdb-version", "11"});
  ASSERT_EQ(later.exitCode, 0) << later.err;
  EXPECT_EQ(later.err,
            "xpdb: warning: PDB version 11 cannot hold 1 xCompactLineSet (#0); left out of " + out + "\n");
  EXPECT_EQ(Slurp(out).substr(0, 3), "11\n");
  EXPECT_EQ(RunXpdb({"read", out, "--json"}).Json()["sets"].size(), 33u);
}

// The PDB side is millimetres unless --unit says otherwise; glTF holds
// metres, Y up. A triangle reaching 1 m along x, 2 m along y, 3 m along z.
TEST(ConvertCommand, UnitsSayWhatThePdbNumbersMeanInTheGltf) {
  const TempDir dir;
  const std::string in =
      dir.Write("in.pdb", "9\n0\n0\n0\n1\n7\n3\n1000 0 0\n0 2000 0\n0 0 3000\n0\n1\n3 0 1 2\n0\n");
  const auto positions = [&](const std::vector<std::string>& unit) {
    std::vector<std::string> args = {"convert", in, dir.File("out.gltf")};
    args.insert(args.end(), unit.begin(), unit.end());
    const RunResult run = RunXpdb(args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json gltf = nlohmann::json::parse(Slurp(dir.File("out.gltf")));
    for (const auto& accessor : gltf["accessors"])
      if (accessor.contains("min")) return std::make_pair(accessor["min"], accessor["max"]);
    return std::make_pair(nlohmann::json(), nlohmann::json());
  };
  const auto metres = std::make_pair(nlohmann::json{0.0, 0.0, -2.0}, nlohmann::json{1.0, 3.0, 0.0});
  EXPECT_EQ(positions({}), metres);
  EXPECT_EQ(positions({"--unit", "mm"}), metres);
  EXPECT_EQ(positions({"--unit", "cm"}),
            std::make_pair(nlohmann::json{0.0, 0.0, -20.0}, nlohmann::json{10.0, 30.0, 0.0}));
  EXPECT_EQ(positions({"--unit", "m", "--up", "y"}),
            std::make_pair(nlohmann::json{0.0, 0.0, 0.0}, nlohmann::json{1000.0, 2000.0, 3000.0}));
}

TEST(ConvertCommand, BadRequestsAndFailedReadsWriteNothing) {
  const TempDir dir;
  const std::string in = dir.Write("in.pdb", ColourPart());
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
      {{"convert", in, dir.File("out.xyz")}, 2, ".pdb"},
      {{"convert", in, dir.File("out")}, 2, ".pdb"},
      {{"convert", in, dir.File("x.pdb"), "--pdb-version", "13"}, 2, "--pdb-version"},
      {{"convert", dir.File("missing.pdb"), dir.File("x.pdb")}, 2, "missing.pdb"},
      {{"convert", dir.Write("broken.pdb", Pdb9(2, "7" + kTriangle + "7\n-5\n")), dir.File("x.pdb")},
       1,
       "Error Reading Point Count"},
      // Cut before its object count; a coordinate beyond float.
      {{"convert", dir.Write("cut.pdb", "9\n0\n0\n0\n"), dir.File("x.pdb")}, 1, "Broken Stream"},
      {{"convert", dir.Write("far.pdb", Pdb9(1, "7\n3\n0 0 0\n1e39 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n")),
        dir.File("x.pdb")},
       1,
       "Error Reading Texts"},
      {{"convert", in, dir.File("no/such/out.pdb")}, 1, "no/such"}};
  for (const auto& [args, exitCode, message] : cases) {
    const RunResult run = RunXpdb(args);
    EXPECT_EQ(run.exitCode, exitCode) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
  }
  EXPECT_EQ(Files(dir), 4);
}

TEST(ConvertCommand, AFailedWriteLeavesTheExistingOutputUntouched) {
  const TempDir dir;
  const std::string in = dir.Write("in.pdb", ColourPart()), out = dir.Write("out.pdb", "previous content\n");
  const RunResult run = RunXpdb({"convert", in, out}, "", 1);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
  EXPECT_EQ(Slurp(out), "previous content\n");
  EXPECT_EQ(Files(dir), 2);

  // A part far larger than the limit fails inside the module's write, which says so.
  std::string body;
  for (int i = 0; i < 3000; ++i) body += "7" + kSquare;
  const std::string large = dir.Write("large.pdb", Pdb9(3000, body));
  const RunResult failed = RunXpdb({"convert", large, out}, "", 64);
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.err.find("File too large"), std::string::npos) << failed.err;
  EXPECT_EQ(Slurp(out), "previous content\n");
  EXPECT_EQ(Files(dir), 3);

  // Without the limit it is replaced, keeping its permissions.
  std::filesystem::permissions(out, std::filesystem::perms(0640));
  ASSERT_EQ(RunXpdb({"convert", in, out}).exitCode, 0);
  EXPECT_EQ(Slurp(out).substr(0, 2), "9\n");
  EXPECT_EQ(std::filesystem::status(out).permissions(), std::filesystem::perms(0640));
}

}  // namespace
