#include <signal.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/convert/assimpimport.h"
#include "app/convert/declaredcounts.h"
#include "app/convert/importedmesh.h"
#include "app/convert/isolatedimport.h"
#include "app/convert/meshcolours.h"
#include "app/convert/weld.h"
#include "app/files/progressbar.h"
#include "common/appcommands.h"

namespace {

using apptest::Colours;
using apptest::Scratch;
using testing::HasSubstr;

using Triangle = std::array<float, 9>;

// A closed torus of rings x segments quads, two triangles each, every
// triangle with its own copy of its corners as STL keeps them.
std::vector<Triangle> Torus(int rings, int segments) {
  const auto at = [&](int i, int j) {
    const double u = 2 * M_PI * (i % rings) / rings, v = 2 * M_PI * (j % segments) / segments;
    return std::array<float, 3>{static_cast<float>((10 + 3 * std::cos(v)) * std::cos(u)),
                                static_cast<float>((10 + 3 * std::cos(v)) * std::sin(u)),
                                static_cast<float>(3 * std::sin(v))};
  };
  std::vector<Triangle> triangles;
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      const auto a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
      for (const auto& t : {std::array{a, b, c}, std::array{a, c, d}}) {
        Triangle corners;
        for (int k = 0; k < 3; ++k) std::copy(t[k].begin(), t[k].end(), corners.begin() + 3 * k);
        triangles.push_back(corners);
      }
    }
  return triangles;
}

// Each facet with a normal of its own, as exporters that smooth write them.
std::string BinaryStl(const std::vector<Triangle>& triangles, std::uint32_t declared) {
  std::string bytes(80, ' ');
  bytes.append(reinterpret_cast<const char*>(&declared), 4);
  for (std::size_t i = 0; i < triangles.size(); ++i) {
    const float normal[3] = {static_cast<float>(i % 3), 1, 0};
    bytes.append(reinterpret_cast<const char*>(normal), sizeof normal);
    bytes.append(reinterpret_cast<const char*>(triangles[i].data()), 36);
    bytes.append(2, '\0');
  }
  return bytes;
}

std::string AsciiStl(const std::vector<Triangle>& triangles) {
  std::string text = "solid torus\n";
  char line[128];
  for (const Triangle& t : triangles) {
    text += "facet normal 0 0 1\nouter loop\n";
    for (int k = 0; k < 3; ++k) {
      std::snprintf(line, sizeof line, "vertex %.9g %.9g %.9g\n", t[3 * k], t[3 * k + 1], t[3 * k + 2]);
      text += line;
    }
    text += "endloop\nendfacet\n";
  }
  return text + "endsolid torus\n";
}

MeshImport Import(const std::string& path, const MeshImportOptions& options = {}) {
  std::ostringstream quiet;
  ProgressBar bar(quiet, "", false);
  return ImportMesh(path, Colours(), options, bar);
}

std::vector<SetSummary> ImportedSets(const std::string& path) {
  MeshImport imported = Import(path);
  EXPECT_EQ(imported.failure, MeshImport::Failure::kNone) << imported.problem;
  return imported.geometry ? SummariseSets(*imported.geometry) : std::vector<SetSummary>();
}

TEST(PositionWeld, JoinsExactlyEqualPositionsOnly) {
  PositionWeld weld;
  EXPECT_EQ(weld.Add(1, 2, 3), 0u);
  EXPECT_EQ(weld.Add(0.0f, -0.0f, 0.0f), 1u);
  EXPECT_EQ(weld.Add(-0.0f, 0.0f, -0.0f), 1u) << "0 and -0 are one position";
  EXPECT_EQ(weld.Add(std::nextafter(1.0f, 2.0f), 2, 3), 2u) << "the nearest other float is another point";
  EXPECT_EQ(weld.Add(1, 2, 3), 0u);
  EXPECT_EQ(weld.Add(3, 2, 1), 3u) << "the order of the coordinates counts";
  EXPECT_EQ(weld.PointCount(), 4u);
  EXPECT_THAT(weld.Points(),
              testing::ElementsAre(1, 2, 3, 0, 0, 0, std::nextafter(1.0f, 2.0f), 2, 3, 3, 2, 1));
  EXPECT_FALSE(std::signbit(weld.Points()[4]));
}

TEST(PositionWeld, GrowsBeyondItsGuessAndKeepsEveryIndex) {
  PositionWeld weld(4);
  constexpr int kPoints = 50000;
  for (int i = 0; i < kPoints; ++i) ASSERT_EQ(weld.Add(static_cast<float>(i), 0.5f, -1.0f * i), unsigned(i));
  for (int i = kPoints - 1; i >= 0; --i)
    ASSERT_EQ(weld.Add(static_cast<float>(i), 0.5f, -1.0f * i), unsigned(i));
  EXPECT_EQ(weld.TakePoints().size(), 3u * kPoints);
  EXPECT_EQ(weld.PointCount(), 0u);
}

TEST(MeshImport, StlCornersRepeatedPerFacetBecomeSharedPoints) {
  const Scratch dir;
  const std::vector<Triangle> torus = Torus(24, 16);  // 384 points, 768 triangles
  const auto count = static_cast<std::uint32_t>(torus.size());
  for (const auto& [name, bytes] : {std::pair{std::string("binary.stl"), BinaryStl(torus, count)},
                                    std::pair{std::string("ascii.stl"), AsciiStl(torus)}}) {
    const std::vector<SetSummary> sets = ImportedSets(dir.Write(name, bytes));
    ASSERT_EQ(sets.size(), 1u) << name;
    EXPECT_EQ(sets[0].points, 24 * 16) << name;
    EXPECT_EQ(sets[0].triangles, 768) << name;
    EXPECT_EQ(sets[0].brokenTriangles, 0) << name;
  }
  // Polygon meshes for the later PDB versions share their points alike.
  MeshImportOptions poly;
  poly.polyMeshes = true;
  MeshImport imported = Import(dir.File("binary.stl"), poly);
  ASSERT_EQ(imported.failure, MeshImport::Failure::kNone) << imported.problem;
  const std::vector<SetSummary> sets = SummariseSets(*imported.geometry);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].type, "xPolyMesh");
  EXPECT_EQ(sets[0].points, 24 * 16);
  EXPECT_EQ(sets[0].polygons, 768);
}

TEST(MeshImport, CornersApartByNormalsOrTextureAreOnePointInPdb) {
  const Scratch dir;
  // Two triangles sharing an edge, each corner with a normal and texture
  // coordinate of its own face.
  const std::string obj = dir.Write("part.obj",
                                    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\nvn 0 1 0\nvt 0 0\nvt 1 1\n"
                                    "f 1/1/1 2/1/1 3/1/1\nf 1/2/2 3/2/2 4/2/2\n");
  const std::vector<SetSummary> sets = ImportedSets(obj);
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].points, 4);
  EXPECT_EQ(sets[0].triangles, 2);
}

// Whatever the format, a file without colours gives sets without one.
TEST(MeshImport, UncolouredFilesGiveNoColourWhateverTheFormat) {
  const Scratch dir;
  const std::vector<Triangle> one = {{0, 0, 0, 1, 0, 0, 0, 1, 0}};
  const std::vector<std::string> files = {
      dir.Write("part.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"),
      dir.Write("part.off", "OFF\n3 1 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"),
      dir.Write("part.stl", BinaryStl(one, 1)), dir.Write("ascii.stl", AsciiStl(one)),
      dir.Write("part.ply",
                "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
                "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n")};
  for (const std::string& file : files) {
    const std::vector<SetSummary> sets = ImportedSets(file);
    ASSERT_EQ(sets.size(), 1u) << file;
    EXPECT_EQ(sets[0].material, std::nullopt) << file;
    EXPECT_EQ(sets[0].materialMode, 1) << file;
  }
}

// ply ascii or binary with two properties before the colour of each face.
std::string ColouredFacesPly(bool binary) {
  std::string text = std::string("ply\nformat ") + (binary ? "binary_little_endian" : "ascii") +
                     " 1.0\nelement vertex 5\nproperty float x\nproperty float y\nproperty float z\n"
                     "element face 3\nproperty list uchar int vertex_indices\nproperty int flags\n"
                     "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";
  const float points[] = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 5, 5, 5};
  // A red quad (two triangles), a blue triangle and a green one.
  const std::vector<std::vector<int>> faces = {{0, 1, 2, 3}, {1, 4, 2}, {0, 4, 1}};
  const unsigned char colours[][3] = {{255, 0, 0}, {0, 0, 255}, {0, 255, 0}};
  if (!binary) {
    text += "0 0 0\n1 0 0\n1 1 0\n0 1 0\n5 5 5\n4 0 1 2 3 7 255 0 0\n3 1 4 2 7 0 0 255\n3 0 4 1 7 0 255 0\n";
    return text;
  }
  text.append(reinterpret_cast<const char*>(points), sizeof points);
  for (std::size_t f = 0; f < faces.size(); ++f) {
    text += static_cast<char>(faces[f].size());
    for (const int v : faces[f]) text.append(reinterpret_cast<const char*>(&v), 4);
    const int flags = 7;
    text.append(reinterpret_cast<const char*>(&flags), 4);
    text.append(reinterpret_cast<const char*>(colours[f]), 3);
  }
  return text;
}

TEST(MeshImport, PlyFaceColoursAreKept) {
  const Scratch dir;
  for (const bool binary : {false, true}) {
    const std::vector<SetSummary> sets = ImportedSets(dir.Write("part.ply", ColouredFacesPly(binary)));
    std::map<std::string, int> triangles;
    for (const SetSummary& s : sets) triangles[s.material.value_or("none")] += s.triangles;
    EXPECT_EQ(triangles, (std::map<std::string, int>{{"BLUE", 1}, {"GREEN", 1}, {"RED", 2}}))
        << (binary ? "binary" : "ascii");
  }
}

struct Hostile {
  std::string name, bytes, message;
};

// Headers that declare far more than their files hold, and files that lead
// the importer astray, end as failures of the import that say why.
TEST(MeshImport, HostileFilesFailClearlyWithinBoundedMemory) {
  const Scratch dir;
  const std::vector<Triangle> one = {{0, 0, 0, 1, 0, 0, 0, 1, 0}};
  const std::string plyHead =
      "element vertex 2000000000\nproperty float x\nproperty float y\n"
      "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
      "end_header\n";
  const std::vector<Hostile> cases = {
      {"ascii.ply", "ply\nformat ascii 1.0\n" + plyHead + "0 0 0\n",
       "PLY header declares 2000000000 vertex elements, more than the 6 bytes after it can hold"},
      {"binary.ply", "ply\nformat binary_little_endian 1.0\n" + plyHead + std::string(12, '\0'),
       "PLY header declares 2000000000 vertex elements"},
      {"count.ply", "ply\nformat ascii 1.0\nelement vertex -5\nend_header\n", "needs a name and a count"},
      {"part.stl", BinaryStl(one, 2000000000u), "binary STL declares 2000000000 triangles"},
      {"part.off", "OFF\n# comment\n2000000000 2000000000 0\n0 0 0\n",
       "OFF header declares 2000000000 vertices"},
      {"part.gltf",
       R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
          "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
          "accessors": [{"bufferView": 0, "componentType": 5126, "count": 2000000000, "type": "VEC3",
                         "min": [0, 0, 0], "max": [1, 1, 0]}],
          "bufferViews": [{"buffer": 0, "byteLength": 24000000000}],
          "buffers": [{"byteLength": 24000000000, "uri": "data:application/octet-stream;base64,AAAA"}]})",
       "cannot be imported: "},
      {"part.obj", "v 0 0 0\nv 1 0 0\nf 1 2 2000000000\nf -2000000000 1 2\n", "cannot be imported: "},
      // A face that claims four thousand million corners.
      {"list.ply",
       "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
       "element face 1\nproperty list uint int vertex_indices\nend_header\n0 0 0\n1 0 0\n0 1 0\n"
       "4000000000 0 1 2\n",
       "cannot be imported: "},
  };
  for (const Hostile& c : cases) {
    const MeshImport imported = Import(dir.Write(c.name, c.bytes));
    EXPECT_EQ(imported.failure, MeshImport::Failure::kFailed) << c.name;
    EXPECT_THAT(imported.problem, HasSubstr(c.message)) << c.name;
    EXPECT_EQ(imported.geometry, nullptr) << c.name;
  }
}

TEST(MeshImport, AnImporterThatHangsOnACompanionFileIsStopped) {
  const Scratch dir;
  const std::string fifo = dir.File("part.mtl");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string obj = dir.Write("part.obj", "mtllib part.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  std::ostringstream quiet;
  ProgressBar bar(quiet, "", false);
  const MeshImport imported = ImportMesh(obj, Colours(), {}, bar, {256u << 20, 1.0, 1.0});
  EXPECT_EQ(imported.failure, MeshImport::Failure::kFailed);
  EXPECT_EQ(imported.problem, obj + ": cannot be imported: the importer did not finish within 1 s");
}

IsolatedOutcome Isolated(const std::function<void(ChildChannel&)>& work,
                         IsolationLimits limits = {64u << 20, 1.0, 10.0}) {
  return RunIsolated(limits, work, [](double) {});
}

TEST(IsolatedRun, HandsBackResultsAndFailures) {
  std::string big(3 << 20, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  std::vector<double> reported;
  const IsolatedOutcome ok = RunIsolated(
      {64u << 20, 5.0, 10.0},
      [&](ChildChannel& c) {
        c.Progress(0.25);
        c.Progress(0.251);  // too small a step to send
        c.Progress(0.5);
        c.Result(big);
      },
      [&](double f) { reported.push_back(f); });
  EXPECT_TRUE(ok.ok) << ok.error;
  EXPECT_TRUE(ok.result == big);
  EXPECT_EQ(reported, (std::vector<double>{0.25, 0.5}));

  const IsolatedOutcome failed = Isolated([](ChildChannel& c) { c.Failure("no such format", true); });
  EXPECT_FALSE(failed.ok);
  EXPECT_TRUE(failed.unrecognised);
  EXPECT_EQ(failed.error, "no such format");

  const IsolatedOutcome thrown = Isolated([](ChildChannel&) { throw std::runtime_error("bad file"); });
  EXPECT_EQ(thrown.error, "bad file");
  const IsolatedOutcome silent = Isolated([](ChildChannel&) {});
  EXPECT_EQ(silent.error, "the importer ended without a result");
}

TEST(IsolatedRun, CrashesHangsAndRunawayMemoryEndAsFailures) {
  const IsolatedOutcome crashed = Isolated([](ChildChannel&) { raise(SIGABRT); });
  EXPECT_FALSE(crashed.ok);
  EXPECT_EQ(crashed.error, "the importer crashed (Aborted)");

  const IsolatedOutcome spinning = Isolated([](ChildChannel&) {
    volatile unsigned long turns = 0;
    for (;;) turns = turns + 1;
  });
  EXPECT_EQ(spinning.error,
            "the importer used more than the 1 s of processor time allowed for an input of this size");

  const IsolatedOutcome sleeping = Isolated(
      [](ChildChannel&) { std::this_thread::sleep_for(std::chrono::hours(1)); }, {64u << 20, 5.0, 0.5});
  EXPECT_EQ(sleeping.error, "the importer did not finish within 0.5 s");

  const IsolatedOutcome greedy = Isolated([](ChildChannel&) {
    std::vector<std::vector<char>> held;
    for (;;) held.emplace_back(1 << 20, 'x');
  });
  EXPECT_EQ(greedy.error,
            "the importer needed more than the 64 MiB of memory allowed for an input of this size");
}

TEST(IsolatedRun, LimitsGrowWithTheInputFromSaneFloors) {
  const IsolationLimits tiny = LimitsForInput(160), large = LimitsForInput(100u << 20);
  EXPECT_GE(tiny.memoryBytes, 256u << 20);
  EXPECT_GE(tiny.cpuSeconds, 5.0);
  EXPECT_GT(large.memoryBytes, tiny.memoryBytes + (1000u << 20));
  EXPECT_GT(large.cpuSeconds, tiny.cpuSeconds);
  EXPECT_GT(tiny.wallSeconds, tiny.cpuSeconds);
}

TEST(ImportedScene, RoundTripsAndRefusesDamage) {
  ImportedScene scene;
  scene.facesNotFinite = 3;
  scene.parts.push_back({ImportedPart::kTriangles, 7, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}});
  scene.parts.push_back({ImportedPart::kSegments, -2, {0, 0, 0, 1, 1, 1}, {}});
  const std::string bytes = EncodeScene(scene);
  ImportedScene back;
  std::string error;
  ASSERT_TRUE(DecodeScene(bytes, back, error)) << error;
  ASSERT_EQ(back.parts.size(), 2u);
  EXPECT_EQ(back.facesNotFinite, 3);
  EXPECT_EQ(back.parts[0].colour, 7);
  EXPECT_EQ(back.parts[0].corners, scene.parts[0].corners);
  EXPECT_EQ(back.parts[1].points, scene.parts[1].points);

  EXPECT_FALSE(DecodeScene(bytes.substr(0, bytes.size() - 1), back, error));
  EXPECT_FALSE(DecodeScene(bytes + "x", back, error));
  scene.parts[0].corners[2] = 3;  // beyond the part's points
  EXPECT_FALSE(DecodeScene(EncodeScene(scene), back, error));
  EXPECT_EQ(error, "the importing process handed over a damaged mesh");
}

TEST(DeclaredCounts, PlausibleHeadersAndOtherFilesPass) {
  const std::string ply =
      "ply\r\nformat ascii 1.0\r\ncomment x\r\nelement vertex 1\r\nproperty float x\r\nend_header\r\n1\n";
  EXPECT_EQ(ImplausibleDeclaredCounts(ply, ply.size(), ".ply"), "");
  EXPECT_EQ(ImplausibleDeclaredCounts(ply, ply.size() - 2, ".ply"),
            "PLY header declares 1 vertex elements, more than the 0 bytes after it can hold");
  const std::string bare = "ply\nformat ascii 1.0\nelement marker 1000\nend_header\n";
  EXPECT_THAT(ImplausibleDeclaredCounts(bare, bare.size() + 999, ".ply"), HasSubstr("1000 marker elements"))
      << "a text element takes its line even without properties";
  const std::string off = "OFF\n1 1 0\n0 0 0\n1 0\n";
  EXPECT_EQ(ImplausibleDeclaredCounts(off, off.size(), ".off"), "");
  // An ASCII STL says "solid"; other formats have no count at byte 80.
  const std::string solid = "solid x\n" + std::string(100, 'x');
  EXPECT_EQ(ImplausibleDeclaredCounts(solid, solid.size(), ".STL"), "");
  EXPECT_EQ(ImplausibleDeclaredCounts(std::string(100, 'x'), 100, ".obj"), "");
  EXPECT_THAT(ImplausibleDeclaredCounts(std::string(100, 'x'), 100, ".STL"),
              HasSubstr("binary STL declares"));
}

}  // namespace
