#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

#include <gtest/gtest.h>

#include "app/render/image.h"
#include "app/render/render.h"
#include "app/render/renderer.h"
#include "common/apptest.h"
#include "common/png.h"
#include "host/xgeometry.h"
#include "host/xmaterial.h"
#include "host/xpointset.h"
#include "host/xtrimesh.h"

namespace {

namespace fs = std::filesystem;

using apptest::LoadedPackage;
using apptest::ReadPng;
using apptest::Scratch;

struct Rendered {
  int code = -1;
  std::string err;
  Image image;
};

Rendered Render(const std::string& file, const std::string& out, View view = View::kIso, int width = 400,
                int height = 300) {
  RenderRequest request;
  request.input.file = file;
  request.input.tolerance = 0.1;
  request.output = out;
  request.width = width;
  request.height = height;
  request.view = view;
  std::ostringstream stdOut, stdErr;
  Rendered r;
  r.code = RunRender(LoadedPackage(), request, stdOut, stdErr);
  r.err = stdErr.str();
  std::string error;
  if (r.code == 0 && !ReadPng(out, r.image, error)) ADD_FAILURE() << error;
  return r;
}

bool IsBackground(const std::uint8_t* p) { return std::equal(p, p + 3, kBackground); }

double CoveredShare(const Image& image) {
  long covered = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) covered += !IsBackground(image.Pixel(x, y));
  return static_cast<double>(covered) / (static_cast<double>(image.width) * image.height);
}

bool BorderIsBackground(const Image& image) {
  for (int x = 0; x < image.width; ++x)
    if (!IsBackground(image.Pixel(x, 0)) || !IsBackground(image.Pixel(x, image.height - 1))) return false;
  for (int y = 0; y < image.height; ++y)
    if (!IsBackground(image.Pixel(0, y)) || !IsBackground(image.Pixel(image.width - 1, y))) return false;
  return true;
}

// Hue in degrees and saturation of an RGB colour in 0..1.
std::pair<double, double> HueAndSaturation(double r, double g, double b) {
  const double high = std::max({r, g, b}), low = std::min({r, g, b}), range = high - low;
  if (range <= 0) return {0, 0};
  double hue = high == r   ? std::fmod((g - b) / range + 6, 6)
               : high == g ? (b - r) / range + 2
                           : (r - g) / range + 4;
  return {hue * 60, range / high};
}

// Share of pixels with the hue of the material's diffuse colour.
double ShareInHueOf(const Image& image, const char* material) {
  const xMaterial* m = xMatReader::FindMaterial(material, false);
  if (!m) return -1;
  const auto [hue, saturation] = HueAndSaturation(m->GetDiffuse()[0], m->GetDiffuse()[1], m->GetDiffuse()[2]);
  EXPECT_GT(saturation, 0.3) << material << " is no colour to look for";
  long found = 0;
  for (std::size_t i = 0; i < image.rgb.size(); i += 3) {
    const auto [h, s] = HueAndSaturation(image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]);
    const double apart = std::abs(h - hue);
    found += s > 0.3 && std::min(apart, 360 - apart) < 8;
  }
  return static_cast<double>(found) / (static_cast<double>(image.width) * image.height);
}

int RunProgram(const std::string& arguments, const std::string& environment = "") {
  const int status = system(
      (environment + " EGL_LOG_LEVEL=fatal '" XPDB_BINARY_DIR "/bin/xpdb' " + arguments + " >/dev/null 2>&1")
          .c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RenderExamples, EveryViewOfEveryExampleIsFramedAndTheViewsDiffer) {
  const Scratch dir;
  int examples = 0;
  for (const auto& entry : fs::directory_iterator(XPDB_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".pdb") continue;
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    const std::string out = dir.File(name + ".png");
    if (name.find("broken") != std::string::npos) {
      EXPECT_EQ(Render(entry.path(), out).code, 1);
      EXPECT_FALSE(fs::exists(out));
      continue;
    }
    ++examples;
    const Rendered iso = Render(entry.path(), out, View::kIso, 360, 240);
    ASSERT_EQ(iso.code, 0) << iso.err;
    EXPECT_EQ(iso.image.width, 360);
    EXPECT_EQ(iso.image.height, 240);
    EXPECT_GT(CoveredShare(iso.image), 0.05);
    EXPECT_LT(CoveredShare(iso.image), 0.95);
    EXPECT_TRUE(BorderIsBackground(iso.image));
    for (const View view : {View::kFront, View::kTop, View::kSide}) {
      const Rendered other = Render(entry.path(), out, view, 360, 240);
      ASSERT_EQ(other.code, 0) << ViewName(view) << ": " << other.err;
      EXPECT_GT(CoveredShare(other.image), 0.005) << ViewName(view);
      EXPECT_TRUE(BorderIsBackground(other.image)) << ViewName(view);
      EXPECT_NE(other.image.rgb, iso.image.rgb) << ViewName(view);
    }
  }
  EXPECT_GE(examples, 8);
}

TEST(RenderExamples, ShowTheirMaterialColours) {
  const Scratch dir;
  const std::pair<const char*, std::vector<const char*>> parts[] = {
      {"weld_gun_bracket_v12", {"RED", "CYAN"}},
      {"mounting_plate_surfaces_v11", {"LIGHT_BLUE", "RED"}},
      {"pallet_locator_v14", {"GREEN"}},
  };
  for (const auto& [part, materials] : parts) {
    const Rendered r = Render(XPDB_SOURCE_DIR "/examples/" + std::string(part) + ".pdb", dir.File("out.png"));
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* material : materials)
      EXPECT_GT(ShareInHueOf(r.image, material), 0.01) << part << " " << material;
  }
}

TEST(RenderImage, ASetWithoutMaterialIsGreyAndAPartOfOnePointStillShows) {
  const Scratch dir;
  // One unit square without a colour.
  const Rendered square =
      Render(dir.Write("grey.pdb", "9\n0\n0\n0\n1\n-2\n4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0\n1\n4 0 1 2 3\n0\n"),
             dir.File("grey.png"), View::kTop);
  ASSERT_EQ(square.code, 0) << square.err;
  const std::uint8_t* centre = square.image.Pixel(200, 150);
  EXPECT_FALSE(IsBackground(centre));
  EXPECT_EQ(centre[0], centre[1]);
  EXPECT_EQ(centre[1], centre[2]);
  EXPECT_GT(CoveredShare(square.image), 0.5) << "a flat square seen from above fills its frame";

  xGeometry geometry;
  auto* points = new xPointSet;
  points->AddPoint(xFVector(5, 5, 5));
  geometry.GetContainer()->AddSet(points);
  const DrawList list = CollectDrawList(geometry);
  Image image;
  std::string error;
  ASSERT_EQ(RenderImage(Project(list, View::kIso, 64, 48), 64, 48, image, error), RenderStatus::kOk) << error;
  EXPECT_FALSE(IsBackground(image.Pixel(32, 24)));
  EXPECT_TRUE(BorderIsBackground(image));
}

// Two triangles over a shared edge, folded by `degrees`, the second wound the other way.
DrawList Fold(double degrees) {
  xGeometry geometry;
  auto* mesh = new xTriMesh;
  const double a = degrees * std::numbers::pi / 180;
  for (const auto& p : {xFVector(0, 0, 0), xFVector(0, 1, 0), xFVector(-1, 0.5f, 0),
                        xFVector(static_cast<float>(std::cos(a)), 0.5f, static_cast<float>(std::sin(a)))})
    mesh->AddPoint(p);
  mesh->AddTriangle(0, 1, 2);
  mesh->AddTriangle(0, 1, 3);
  geometry.GetContainer()->AddSet(mesh);
  return CollectDrawList(geometry);
}

TEST(RenderNormals, AreSharedAcrossShallowFoldsOfEitherWindingAndSharpAcrossSteepOnes) {
  const DrawList shallow = Fold(10), steep = Fold(90);
  ASSERT_EQ(shallow.triangles.size(), 6u);
  ASSERT_EQ(steep.triangles.size(), 6u);
  // The shared edge's corners: 0 and 1 of each face.
  for (int k = 0; k < 2; ++k) {
    const Vec3 first = shallow.triangles[k].normal, second = shallow.triangles[3 + k].normal;
    EXPECT_NEAR(std::abs(first[0] * second[0] + first[1] * second[1] + first[2] * second[2]), 1.0, 1e-9);
    EXPECT_NEAR(std::abs(steep.triangles[k].normal[2]), 1.0, 1e-9) << "the flat face keeps its own normal";
  }
  EXPECT_NEAR(std::abs(shallow.triangles[2].normal[2]), 1.0, 1e-9) << "corners off the fold stay flat";
}

TEST(RenderDrawList, LeavesOutTrianglesOutsideThePointsWithoutAreaOrAtInfinity) {
  xGeometry geometry;
  auto* mesh = new xTriMesh;
  for (const auto& p : {xFVector(0, 0, 0), xFVector(1, 0, 0), xFVector(0, 1, 0), xFVector(INFINITY, 0, 0)})
    mesh->AddPoint(p);
  for (const unsigned corner : {2u, 9u, 3u, 1u}) mesh->AddTriangle(0, 1, corner);
  geometry.GetContainer()->AddSet(mesh);
  const DrawList list = CollectDrawList(geometry);
  EXPECT_EQ(list.triangles.size(), 3u);
  EXPECT_EQ(list.bounds.max[0], 1.0);
  EXPECT_EQ(list.setsDrawn, 1);
}

TEST(RenderCommand, RefusesBadArgumentsAndWritesNothingOnFailure) {
  const Scratch dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/sensor_bracket_v1010.pdb";
  for (const char* size :
       {"0x600", "800", "800x", "x600", "-5x5", "+5x5", "9000x10", "800x600x3", "8OOx600"}) {
    int width = 1, height = 1;
    EXPECT_FALSE(ParseImageSize(size, width, height)) << size;
    EXPECT_EQ(width + height, 2) << size;
  }
  int width = 0, height = 0;
  EXPECT_TRUE(ParseImageSize("1x8192", width, height));
  EXPECT_EQ(width * 10000 + height, 18192);

  const std::string out = dir.File("out.png");
  EXPECT_EQ(RunProgram("render '" + part + "' -o '" + out + "' --size 12x"), 2);
  EXPECT_EQ(RunProgram("render '" + part + "' -o '" + out + "' --view back"), 2);
  EXPECT_EQ(RunProgram("render '" + part + "' -o '" + dir.File("missing/out.png") + "'"), 1)
      << "a failed write, as for convert";
  EXPECT_EQ(RunProgram("render '" + part + "' -o '" + dir.File("out.jpg") + "'"), 2)
      << "PNG data under another format's name";
  EXPECT_EQ(Render(dir.File("missing.pdb"), out).code, 2);
  EXPECT_EQ(Render(part, dir.path.string()).code, 2) << "a directory is no place for the image";
  EXPECT_EQ(Render(dir.Write("none.pdb", "9\n0\n0\n0\n0\n"), out).code, 1) << "nothing to draw";
  EXPECT_EQ(Render(dir.Write("cut.pdb", "9\n0\n0\n0\n1\n7\n4\n0 0 0\n1 0"), out).code, 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2)
      << "only the two inputs; no image and no temporary";

  // Without an EGL driver there is no context to draw in.
  EXPECT_EQ(RunProgram("render '" + part + "' -o '" + out + "'",
                       "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent.json"),
            1);
  EXPECT_FALSE(fs::exists(out));

  ASSERT_EQ(RunProgram("render '" + part + "' -o '" + out + "' --size 120x90 --view side"), 0);
  Image image;
  std::string error;
  ASSERT_TRUE(ReadPng(out, image, error)) << error;
  EXPECT_EQ(image.width, 120);
  EXPECT_EQ(image.height, 90);
}

TEST(RenderViews, EachNameParsesToItsViewAndNoOtherWordDoes) {
  const std::pair<const char*, View> named[] = {
      {"iso", View::kIso}, {"front", View::kFront}, {"top", View::kTop}, {"side", View::kSide}};
  for (const auto& [name, view] : named) {
    View parsed = view == View::kIso ? View::kSide : View::kIso;
    EXPECT_TRUE(ParseView(name, parsed)) << name;
    EXPECT_EQ(parsed, view) << name;
    EXPECT_STREQ(ViewName(view), name);
  }
  View untouched = View::kTop;
  for (const char* word : {"", "ISO", "Front", "back", "iso ", "sid", "sides"})
    EXPECT_FALSE(ParseView(word, untouched)) << word;
  EXPECT_EQ(untouched, View::kTop);
}

}  // namespace
