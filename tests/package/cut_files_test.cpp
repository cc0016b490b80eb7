// Files cut short, and numbers that no section reports, read through the
// modules as a host reads them.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "common/modules.h"
#include "host/xcompactlineset.h"
#include "host/xenvironment.h"
#include "host/xlineset.h"
#include "host/xmessage.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"
#include "package/qxm.h"
#include "pdb/xpdb14.h"

namespace {

using moduletest::kCanHandle;
using moduletest::kPdbVersion;
using moduletest::kRead;
using moduletest::kSampleSize;
using moduletest::kWrite;

// The module that a host picks for `text`, from its first characters.
int ModuleOf(const std::string& text) {
  for (int i = 0; i < 6; ++i)
    if (kCanHandle[i](xTString<char>(text.substr(0, static_cast<std::size_t>(kSampleSize[i]())).c_str())))
      return i;
  return -1;
}

// "OK" with the number of sets read, or the text that the read threw.
std::string ReadThrough(int module, const std::string& text, int* sets = nullptr) {
  std::stringbuf buffer(text);
  xStream stream(&buffer);
  xGeometry geometry, *host = &geometry;
  try {
    kRead[module](&stream, &host);
  } catch (const xMessage& message) {
    return message.GetText();
  }
  if (sets) *sets = host->GetContainer()->GetSetCount();
  return "OK";
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Every place where a token ends and where the next one starts, up to the
// start of the last token.
std::vector<std::size_t> TokenBoundaries(const std::string& text) {
  std::size_t last = text.size();
  while (last > 0 && Blank(text[last - 1])) --last;
  while (last > 0 && !Blank(text[last - 1])) --last;
  std::vector<std::size_t> cuts;
  for (std::size_t p = 1; p <= last; ++p)
    if (Blank(text[p - 1]) != Blank(text[p])) cuts.push_back(p);
  return cuts;
}

// What follows the cut is one whole tessellation section and nothing more.
bool TessellationSectionFollows(const std::string& rest) {
  std::stringbuf buffer(rest);
  xStream stream(&buffer);
  xGeometry geometry, *host = &geometry;
  if (xPdb14().ReadTesselation(&stream, &host) != 0) return false;
  std::string more;
  static_cast<std::istream&>(stream) >> more;
  return more.empty();
}

// Cuts of one part at most. The plain build cuts every part here everywhere;
// under the sanitizers, where every read is several times slower, the larger
// parts are sampled evenly, as a far larger part added later would be.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t kMostCuts = 600;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr std::size_t kMostCuts = 600;
#else
constexpr std::size_t kMostCuts = 20000;
#endif
#else
constexpr std::size_t kMostCuts = 20000;
#endif

struct Sweep {
  int cuts = 0, ok = 0;
  bool sampled = false;
};

// Reads every cut of `text`; none may read as a success but a version-14
// part cut right before its tessellation section, which a part may lack.
Sweep CutEverywhere(const std::string& name, const std::string& text) {
  Sweep sweep;
  const int module = ModuleOf(text);
  EXPECT_GE(module, 0) << name;
  if (module < 0) return sweep;
  int whole = 0;
  EXPECT_EQ(ReadThrough(module, text, &whole), "OK") << name;
  const std::vector<std::size_t> cuts = TokenBoundaries(text);
  const std::size_t stride = cuts.size() / kMostCuts + 1;
  sweep.sampled = stride > 1;
  for (std::size_t i = 0; i < cuts.size(); i += stride) {
    const std::size_t cut = cuts[i];
    ++sweep.cuts;
    int sets = 0;
    const std::string result = ReadThrough(module, text.substr(0, cut), &sets);
    EXPECT_NE(result, "Unknown Error") << name << " cut at " << cut;
    if (result != "OK") continue;
    ++sweep.ok;
    EXPECT_TRUE(kPdbVersion[module] == 14 && TessellationSectionFollows(text.substr(cut)))
        << name << " cut at byte " << cut << " reads as a whole part with " << sets << " of " << whole
        << " sets";
  }
  return sweep;
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Surfaces are tessellated coarsely: the sweep is about the stream, and it
// reads the surfaces of a part once for nearly every cut.
class CutFiles : public ::testing::Test {
 protected:
  void SetUp() override { xEnvironment::GetGlobal()->SetDouble(kTolerance, 10.0); }
  void TearDown() override { xEnvironment::GetGlobal()->Remove(kTolerance); }
  static constexpr const char* kTolerance = "Render.NURBS.Tolerance";
};

TEST_F(CutFiles, NoCutOfAnExampleReadsAsAWholePart) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(XPDB_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".pdb") continue;
    ++files;
    const std::string name = entry.path().filename().string();
    const Sweep sweep = CutEverywhere(name, FileText(entry.path()));
    EXPECT_GT(sweep.cuts, 250) << name;
    // Both cuts at the end of the objects of a version-14 part, the one
    // before the line break and the one after it, are whole parts.
    const int ok = name.find("_v14") != std::string::npos ? 2 : 0;
    if (sweep.sampled)
      EXPECT_LE(sweep.ok, ok) << name;
    else
      EXPECT_EQ(sweep.ok, ok) << name;
  }
  EXPECT_GE(files, 10);
}

xPolyMesh* AddBox(xGeometry& geometry, double size) {
  auto* mesh = new xPolyMesh;
  std::vector<xPolyPoint*> points;
  for (int i = 0; i < 8; ++i)
    points.push_back(mesh->AddPoint(i & 1 ? size : 0, i & 2 ? size : 0, i & 4 ? size : 0, i));
  for (const auto& ring : {std::vector<int>{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {1, 3, 7, 5}}) {
    xPolygon* polygon = mesh->NewPolygon();
    for (int c : ring) polygon->AddVertex(points[static_cast<std::size_t>(c)]);
  }
  geometry.GetContainer()->AddSet(mesh);
  return mesh;
}

// Every set kind that some version writes: two polygon meshes, a triangle
// mesh, a line set and compact lines.
void AddEveryKind(xGeometry& geometry) {
  AddBox(geometry, 2.5);
  auto* triangles = new xTriMesh;
  for (int i = 0; i < 4; ++i) triangles->AddPoint(i, i * i, -1.5);
  triangles->AddTriangle({0, 1, 2});
  triangles->AddTriangle({0, 2, 3});
  geometry.GetContainer()->AddSet(triangles);
  auto* lines = new xLineSet;
  xLine* line = lines->NewLine();
  for (int i = 0; i < 3; ++i) line->AddPoint(xVector(i, 1, 2));
  geometry.GetContainer()->AddSet(lines);
  auto* compact = new xCompactLineSet;
  compact->AddLinePoints(0, 0, 0, 1, 1, 1);
  compact->Update();
  geometry.GetContainer()->AddSet(compact);
  AddBox(geometry, 1e-3);
}

// Parts that the modules write, of every version, and hand-made parts with
// the sections that neither the writers nor the examples hold: surfaces read
// past by versions 9 and 10 (with trimming loops in 10), a version-14 header
// of no items.
TEST_F(CutFiles, NoCutOfAGeneratedPartReadsAsAWholePart) {
  struct Part {
    std::string name, text;
    int ok = 0;  // cuts that read as whole parts
  };
  std::vector<Part> parts;
  for (int module = 0; module < 6; ++module) {
    for (const bool empty : {false, true}) {
      xGeometry geometry;
      if (!empty) AddEveryKind(geometry);
      std::stringbuf text;
      xStream stream(&text);
      ASSERT_EQ(kWrite[module](&stream, &geometry), 0) << module;
      // Version 14 writes no tessellation section: its last number belongs to the last object.
      parts.push_back({"written by module " + std::to_string(module) + (empty ? ", empty" : ""), text.str()});
    }
  }
  const std::string patch = "0 1 0 1\n1 1 1 1\n";
  const std::string knotsAndNet = "0 0 1 1\n0 0 1 1\n1 0 0 0\n1 0 1 0\n1 1 0 0\n1 1 1 0.5\n";
  const std::string object = "7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n";
  parts.push_back(
      {"version 9 with a surface", "9\n0\n0\n1\n" + patch + "0 0\n" + knotsAndNet + "7\n1\n" + object});
  parts.push_back({"version 10 with a trimmed surface",
                   "10\n0\n0\n1\n" + patch + "0 0\n" + knotsAndNet +
                       "0.5\n4\n0.1 0.1\n0.9 0.1\n0.9 0.9\n0.1 0.9\n1\n3\n0.4 0.4\n0.6 0.4\n0.5 0.6\n9\n1\n" +
                       object});
  parts.push_back(
      {"version 14 without header items",
       "14 DENEB_PART_FILE\n0 none\n0\n0\n0\n1\n7\nname\n3\n0 0 0\n1 0 0\n0 1 0\n0\n3\n0 1\n1 2\n2 "
       "0\n1\n3 1 2 3\n0\n0\n0\n1\n1 group\nbody\n1 meshes\nmesh 7\n3\n0 0 0\n1 0 0\n0 1 0\n3\n0 "
       "1\n1 2\n2 0\n1\n3 1 2 3\nend\n0 lines\nend\n",
       2});
  for (const Part& part : parts) {
    const Sweep sweep = CutEverywhere(part.name, part.text);
    EXPECT_GE(sweep.cuts, 4) << part.name;
    EXPECT_EQ(sweep.ok, part.ok) << part.name;
  }
}

// The header and empty sections of each module's version, before the object count.
std::string EmptySections(int module) {
  switch (kPdbVersion[module]) {
    case 8:
      return "8\n0\n";
    case 14:
      return "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n";
    default:
      return std::to_string(kPdbVersion[module]) + "\n0\n0\n0\n";
  }
}

TEST(UnreportedNumbers, AnObjectCountThatIsNoIntIsABrokenStream) {
  for (int module = 0; module < 6; ++module) {
    for (const char* count : {"x\n", "2147483648\n", "9223372036854775808\n", "", "\n", "-2147483649\n"})
      EXPECT_EQ(ReadThrough(module, EmptySections(module) + count), "Broken Stream")
          << module << " " << count;
    // A count of no objects is no failure.
    int sets = -1;
    for (const char* count : {"0\n", "-3\n", "-2147483648"}) {
      EXPECT_EQ(ReadThrough(module, EmptySections(module) + count, &sets), "OK") << module << " " << count;
      EXPECT_EQ(sets, 0);
    }
  }
}

TEST(UnreportedNumbers, TheNumberAfterAVersion14ObjectMustBeThere) {
  const std::string part =
      EmptySections(5) + "1\n7\nname\n3\n0 0 0\n1 0 0\n0 1 0\n0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\n0\n0\n";
  int sets = 0;
  EXPECT_EQ(ReadThrough(5, part + "0\n", &sets), "OK");
  EXPECT_EQ(sets, 1);
  EXPECT_EQ(ReadThrough(5, part), "Broken Stream");
  EXPECT_EQ(ReadThrough(5, part + "end\n"), "Broken Stream");
}

// Every line of a text or texture block ends with its line break: without
// one the end of the file cut it off.
TEST(UnreportedNumbers, TheLastLineOfATextBlockEndsWithItsLineBreak) {
  const std::string part =
      "9\n0\n0\n0\n1\n7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n1\nLABEL\n0 0 0\n1 0 0\n2.5\n";
  EXPECT_EQ(ReadThrough(0, part + "TEXT\n"), "OK");
  EXPECT_EQ(ReadThrough(0, part + "TEXT"), "Error Reading Texts");
  EXPECT_EQ(ReadThrough(0, part), "Error Reading Texts");
  const std::string textures = "11\n0\n0\n0\n1\n7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n1\n";
  EXPECT_EQ(ReadThrough(3, textures + "a.rgb 1 1 0 0\n"), "OK");
  EXPECT_EQ(ReadThrough(3, textures + "a.rgb 1 1 0 0"), "Error Reading Textures");
  // The last count itself may end the file without a line break.
  EXPECT_EQ(ReadThrough(0, "9\n0\n0\n0\n1\n7\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0"), "OK");
}

// A coordinate beyond the range of float is as malformed as a word would be
// in its place; the largest floats and what rounds to them still read.
TEST(UnreportedNumbers, CoordinatesBeyondTheRangeOfFloatAreMalformed) {
  const auto object = [](const std::string& x) {
    return "1\n7\n3\n" + x + " 0 0\n1 0 0\n0 1 0\n0\n1\n3 0 1 2\n0\n";
  };
  for (const char* x : {"1e39", "-1e39", "3.4028236e38", "1e308", "1e400"}) {
    EXPECT_EQ(ReadThrough(0, "9\n0\n0\n0\n" + object(x)), "Error Reading Texts") << x;
    EXPECT_EQ(ReadThrough(1, "8\n0\n" + object(x)), "Error Reading Texts") << x;
  }
  for (const char* x : {"3.4028234e38", "-3.40282356e38", "1e-50", "-0"})
    EXPECT_EQ(ReadThrough(0, "9\n0\n0\n0\n" + object(x)), "OK") << x;

  const auto tessellated = [](const std::string& meshPoint, const std::string& linePoint) {
    return EmptySections(5) + "0\n1\n0 group\nbody\n1 meshes\nmesh 7\n3\n" + meshPoint +
           " 0 0\n1 0 0\n0 1 0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\nend\n1 lines\nline 7\n2\n0 0 " + linePoint +
           "\n1 1 1\n1\n0 1\nend\nend\n";
  };
  int sets = 0;
  EXPECT_EQ(ReadThrough(5, tessellated("0", "0"), &sets), "OK");
  EXPECT_EQ(sets, 2);
  EXPECT_EQ(ReadThrough(5, tessellated("1e39", "0")), "Error Reading Tessellation");
  EXPECT_EQ(ReadThrough(5, tessellated("0", "-1e39")), "Error Reading Tessellation");
}

}  // namespace
