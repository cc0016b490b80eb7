// What other programs see in the mesh files that `convert` writes: normals,
// colours, units and axes, encodings. Files are read back with Assimp and
// lib3mf, not with our own code.
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>

#include <Model/COM/NMR_DLLInterfaces.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "app/commands.h"
#include "app/convert/assimpexport.h"
#include "app/convert/meshcolours.h"
#include "app/convert/meshformat.h"
#include "app/convert/meshnormals.h"
#include "app/defaults.h"
#include "app/files/progressbar.h"
#include "common/appcommands.h"
#include "host/xtrimesh.h"

namespace {

using namespace apptest;
using testing::HasSubstr;

constexpr double kDegree = M_PI / 180.0;

// A 2 x 3 x 4 box with its corner at (1, 1, 1), wound outwards, RED.
xTriMesh* Box() {
  auto* box = new xTriMesh;
  for (int i = 0; i < 8; ++i) box->AddPoint(1 + 2 * (i & 1), 1 + 3 * (i >> 1 & 1), 1 + 4 * (i >> 2 & 1));
  const unsigned faces[12][3] = {{0, 2, 1}, {1, 2, 3}, {4, 5, 6}, {5, 7, 6}, {0, 1, 4}, {1, 5, 4},
                                 {2, 6, 3}, {3, 6, 7}, {0, 4, 2}, {2, 4, 6}, {1, 3, 5}, {3, 7, 5}};
  for (const auto& f : faces) box->AddTriangle(f[0], f[1], f[2]);
  box->Refresh(true);
  box->SetMaterial(Colours().Material(7));
  box->SetMaterialMode(2);
  return box;
}

MeshExport Export(xGeometry& geometry, const std::string& path, Encoding encoding = Encoding::kDefault,
                  Frame frame = {}) {
  std::ostringstream quiet;
  ProgressBar bar(quiet, "", false);
  std::string why;
  const MeshFormat* format = MeshFormatFor(path, encoding, why);
  if (!format) throw std::runtime_error(path + ": " + why);
  return ExportMesh(geometry, *format, path, Colours(), frame, bar);
}

double Angle(const aiVector3D& a, const aiVector3D& b) {
  const double cosine = (a * b) / (a.Length() * b.Length());
  return std::acos(std::clamp(cosine, -1.0, 1.0));
}

aiVector3D Normal(const aiVector3D& a, const aiVector3D& b, const aiVector3D& c) { return (b - a) ^ (c - a); }

// Every triangle's corner normals against the normal of its winding; the
// largest angle in degrees, or 180 when a corner lacks a normal.
double WorstCornerAngle(const aiScene& scene) {
  double worst = 0;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3) continue;
      if (!mesh.HasNormals()) return 180;
      const aiVector3D n = Normal(mesh.mVertices[face.mIndices[0]], mesh.mVertices[face.mIndices[1]],
                                  mesh.mVertices[face.mIndices[2]]);
      if (n.Length() < 1e-6f) continue;
      for (unsigned k = 0; k < 3; ++k)
        worst = std::max(worst, Angle(n, mesh.mNormals[face.mIndices[k]]) / kDegree);
    }
  }
  return worst;
}

struct StlFacet {
  aiVector3D normal, corners[3];
};

std::vector<StlFacet> ReadBinaryStl(const std::string& bytes) {
  std::vector<StlFacet> facets;
  std::uint32_t count = 0;
  if (bytes.size() < 84) return facets;
  std::memcpy(&count, bytes.data() + 80, 4);
  EXPECT_EQ(bytes.size(), 84 + 50 * std::size_t{count});
  for (std::uint32_t i = 0; i < count && 84 + 50 * (i + 1) <= bytes.size(); ++i) {
    float v[12];
    std::memcpy(v, bytes.data() + 84 + 50 * i, sizeof v);
    facets.push_back({{v[0], v[1], v[2]}, {{v[3], v[4], v[5]}, {v[6], v[7], v[8]}, {v[9], v[10], v[11]}}});
  }
  return facets;
}

std::vector<std::string> Examples() {
  std::vector<std::string> parts;
  for (const auto& entry : std::filesystem::directory_iterator(XPDB_SOURCE_DIR "/examples"))
    if (entry.path().extension() == ".pdb") parts.push_back(entry.path().string());
  std::sort(parts.begin(), parts.end());
  return parts;
}

TEST(MeshNormals, StlFacetsCarryTheirOwnTrianglesNormal) {
  const Scratch dir;
  std::vector<std::string> parts = Examples();
  xGeometry box;
  box.GetContainer()->AddSet(Box());
  ASSERT_TRUE(Export(box, dir.File("box.stl")).ok);
  parts.insert(parts.begin(), "box");

  for (const std::string& part : parts) {
    const std::string stl = part == "box" ? dir.File("box.stl") : dir.File("part.stl");
    if (part != "box") {
      ASSERT_EQ(Convert(part, stl).code, 0);
    }
    const std::vector<StlFacet> facets = ReadBinaryStl(Slurp(stl));
    EXPECT_FALSE(facets.empty()) << part;
    for (const StlFacet& f : facets) {
      // In double precision: thin triangles lose their direction in float.
      const aiVector3t<double> n = FaceNormal(f.corners[0], f.corners[1], f.corners[2]);
      if (n.x == 0 && n.y == 0 && n.z == 0) continue;
      EXPECT_NEAR(f.normal.Length(), 1.0, 1e-6) << part;
      const aiVector3D& m = f.normal;
      const double cx = n.y * m.z - n.z * m.y, cy = n.z * m.x - n.x * m.z, cz = n.x * m.y - n.y * m.x;
      const double angle =
          std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), n.x * m.x + n.y * m.y + n.z * m.z);
      EXPECT_LT(angle, 0.001 * kDegree) << part;
    }
  }
  EXPECT_EQ(ReadBinaryStl(Slurp(dir.File("box.stl"))).size(), 12u);
}

// The normals each format carries, read by Assimp without any processing.
TEST(MeshNormals, VertexNormalsFollowTheFacesInEveryFormat) {
  const Scratch dir;
  for (const char* extension : {".obj", ".glb", ".ply", ".dae", ".fbx", ".x3d"}) {
    xGeometry box;
    box.GetContainer()->AddSet(Box());
    const std::string file = dir.File(std::string("box") + extension);
    ASSERT_TRUE(Export(box, file).ok) << extension;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, 0);
    ASSERT_TRUE(scene) << extension << ": " << importer.GetErrorString();
    // A box's corners are split three ways: each face's normal exactly.
    EXPECT_LT(WorstCornerAngle(*scene), 1e-3) << extension;

    for (const std::string& part : Examples()) {
      const std::string out = dir.File(std::filesystem::path(part).stem().string() + extension);
      ASSERT_EQ(Convert(part, out).code, 0) << out;
      const aiScene* read = importer.ReadFile(out, 0);
      ASSERT_TRUE(read) << out << ": " << importer.GetErrorString();
      EXPECT_LT(WorstCornerAngle(*read), 2 * kCreaseDegrees) << out;
    }
  }
}

// Around a cone's tip faces differ more than the crease angle; around a
// fine cylinder's rim they do not, and the wall's corners are shared.
TEST(MeshNormals, CornersSplitOnlyAtCreases) {
  std::vector<aiVector3D> points;
  std::vector<unsigned> corners;
  const int n = 24;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * M_PI * i / n;
    points.emplace_back(std::cos(a), std::sin(a), 0);
    points.emplace_back(std::cos(a), std::sin(a), 1);
  }
  for (unsigned i = 0; i < n; ++i) {
    const unsigned j = (i + 1) % n;
    corners.insert(corners.end(), {2 * i, 2 * j, 2 * j + 1, 2 * i, 2 * j + 1, 2 * i + 1});
  }
  const ShadedTriangles wall = SmoothNormals(points, corners);
  EXPECT_EQ(wall.vertices.size(), points.size());
  for (std::size_t v = 0; v < wall.vertices.size(); ++v) {
    const aiVector3D radial(wall.vertices[v].x, wall.vertices[v].y, 0);
    EXPECT_LT(Angle(radial, wall.normals[v]), 1e-4);
  }

  // A flat cap over the bottom ring: its corners split from the wall's.
  points.emplace_back(0, 0, 0);
  for (unsigned i = 0; i < n; ++i) corners.insert(corners.end(), {2 * n, 2 * ((i + 1) % n), 2 * i});
  // A triangle without area, which must not spoil its corners' normals.
  corners.insert(corners.end(), {0, 0, 2});
  const ShadedTriangles capped = SmoothNormals(points, corners);
  EXPECT_EQ(capped.vertices.size(), points.size() + n);
  for (std::size_t c = 0; c + 2 < capped.corners.size(); c += 3) {
    const aiVector3D face = Normal(capped.vertices[capped.corners[c]], capped.vertices[capped.corners[c + 1]],
                                   capped.vertices[capped.corners[c + 2]]);
    if (face.Length() == 0) continue;
    for (int k = 0; k < 3; ++k) EXPECT_LT(Angle(face, capped.normals[capped.corners[c + k]]), 8 * kDegree);
  }
}

// lib3mf reads the package: every colour is the exact colour of the table.
TEST(ThreeMf, EveryMaterialKeepsItsColour) {
  xGeometry geometry;
  for (int colour = 4; colour <= 35; ++colour) {
    xTriMesh* box = Box();
    box->SetMaterial(Colours().Material(colour));
    geometry.GetContainer()->AddSet(box);
  }
  const Scratch dir;
  const MeshExport written = Export(geometry, dir.File("colours.3mf"));
  ASSERT_TRUE(written.ok) << written.problem;
  EXPECT_EQ(written.setsWritten, 32);

  NMR::PLib3MFModel* model = nullptr;
  ASSERT_EQ(NMR::lib3mf_createmodel(&model), LIB3MF_OK);
  NMR::PLib3MFModelReader* reader = nullptr;
  ASSERT_EQ(NMR::lib3mf_model_queryreader(model, "3mf", &reader), LIB3MF_OK);
  ASSERT_EQ(NMR::lib3mf_reader_readfromfileutf8(reader, dir.File("colours.3mf").c_str()), LIB3MF_OK);
  DWORD unit = 99;
  NMR::lib3mf_model_getunit(model, &unit);
  EXPECT_EQ(unit, NMR::MODELUNIT_MILLIMETER);

  NMR::PLib3MFModelResourceIterator* objects = nullptr;
  ASSERT_EQ(NMR::lib3mf_model_getmeshobjects(model, &objects), LIB3MF_OK);
  int colour = 4;
  BOOL more = false;
  while (NMR::lib3mf_resourceiterator_movenext(objects, &more) == LIB3MF_OK && more) {
    NMR::PLib3MFModelResource* object = nullptr;
    ASSERT_EQ(NMR::lib3mf_resourceiterator_getcurrent(objects, &object), LIB3MF_OK);
    NMR::PLib3MFPropertyHandler* properties = nullptr;
    ASSERT_EQ(NMR::lib3mf_meshobject_createpropertyhandler(object, &properties), LIB3MF_OK);
    DWORD triangles = 0;
    NMR::lib3mf_meshobject_gettrianglecount(object, &triangles);
    EXPECT_EQ(triangles, 12u);
    float expected[3];
    Colours().BaseColour(colour, expected);
    for (DWORD t = 0; t < triangles; ++t) {
      DWORD group = 0, index = 0;
      ASSERT_EQ(NMR::lib3mf_propertyhandler_getbasematerial(properties, t, &group, &index), LIB3MF_OK);
      NMR::PLib3MFModelBaseMaterial* materials = nullptr;
      ASSERT_EQ(NMR::lib3mf_model_getbasematerialbyid(model, group, &materials), LIB3MF_OK);
      BYTE rgba[4];
      NMR::lib3mf_basematerial_getdisplaycolor(materials, index, &rgba[0], &rgba[1], &rgba[2], &rgba[3]);
      char name[64] = "";
      ULONG needed = 0;
      NMR::lib3mf_basematerial_getnameutf8(materials, index, name, sizeof name, &needed);
      EXPECT_STREQ(name, Colours().Name(colour));
      for (int k = 0; k < 3; ++k)
        EXPECT_EQ(rgba[k], std::lround(expected[k] * 255)) << name << " channel " << k;
      EXPECT_EQ(rgba[3], 255);
      NMR::lib3mf_release(materials);
    }
    NMR::lib3mf_release(properties);
    NMR::lib3mf_release(object);
    ++colour;
  }
  EXPECT_EQ(colour, 36);
  NMR::lib3mf_release(objects);
  NMR::lib3mf_release(reader);
  NMR::lib3mf_release(model);
}

// Bounds of everything Assimp reads, placed by the nodes.
void Bounds(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, aiVector3D& low,
            aiVector3D& high) {
  const aiMatrix4x4 t = parent * node.mTransformation;
  for (unsigned i = 0; i < node.mNumMeshes; ++i) {
    const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
      const aiVector3D p = t * mesh.mVertices[v];
      low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
  }
  for (unsigned i = 0; i < node.mNumChildren; ++i) Bounds(scene, *node.mChildren[i], t, low, high);
}

std::pair<aiVector3D, aiVector3D> AssimpBounds(const std::string& file) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(file, 0);
  aiVector3D low(1e30f, 1e30f, 1e30f), high(-1e30f, -1e30f, -1e30f);
  if (!scene) {
    ADD_FAILURE() << file << ": " << importer.GetErrorString();
    return {low, high};
  }
  Bounds(*scene, *scene->mRootNode, aiMatrix4x4(), low, high);
  return {low, high};
}

void ExpectNear(const aiVector3D& a, const aiVector3D& b, double tolerance, const std::string& where) {
  EXPECT_NEAR(a.x, b.x, tolerance) << where;
  EXPECT_NEAR(a.y, b.y, tolerance) << where;
  EXPECT_NEAR(a.z, b.z, tolerance) << where;
}

// The box spans (1, 1, 1) to (3, 4, 5) on the PDB side; each format holds
// it in its own frame, as a reader of that format sees it.
TEST(UnitsAndAxes, EachFormatHoldsThePartInItsOwnFrame) {
  const Scratch dir;
  const Frame mm{0.001, UpAxis::kZ}, inchesYUp{0.0254, UpAxis::kY};
  struct Case {
    const char* extension;
    Frame pdb;
    aiVector3D low, high;
  };
  const Case cases[] = {
      // Y-up metres: z goes to y, y to -z.
      {".glb", mm, {0.001f, 0.001f, -0.004f}, {0.003f, 0.005f, -0.001f}},
      {".gltf", mm, {0.001f, 0.001f, -0.004f}, {0.003f, 0.005f, -0.001f}},
      {".x3d", mm, {0.001f, 0.001f, -0.004f}, {0.003f, 0.005f, -0.001f}},
      {".glb", inchesYUp, {0.0254f, 0.0254f, 0.0254f}, {0.0762f, 0.1016f, 0.127f}},
      // Declared: Assimp applies the declaration, which gives Y-up metres.
      {".dae", mm, {0.001f, 0.001f, -0.004f}, {0.003f, 0.005f, -0.001f}},
      {".dae", inchesYUp, {0.0254f, 0.0254f, 0.0254f}, {0.0762f, 0.1016f, 0.127f}},
      // Y-up centimetres, as the FBX header says.
      {".fbx", mm, {0.1f, 0.1f, -0.4f}, {0.3f, 0.5f, -0.1f}},
      // Z-up millimetres.
      {".3mf", inchesYUp, {25.4f, -127.0f, 25.4f}, {76.2f, -25.4f, 101.6f}},
      // No convention: as held.
      {".obj", inchesYUp, {1, 1, 1}, {3, 4, 5}},
  };
  for (const Case& c : cases) {
    xGeometry geometry;
    geometry.GetContainer()->AddSet(Box());
    const std::string file = dir.File(std::string("box") + c.extension);
    ASSERT_TRUE(Export(geometry, file, Encoding::kDefault, c.pdb).ok) << file;
    const auto [low, high] = AssimpBounds(file);
    const std::string where = std::string(c.extension) + " at " + std::to_string(c.pdb.metresPerUnit);
    ExpectNear(low, c.low, 1e-6 * c.high.Length(), where);
    ExpectNear(high, c.high, 1e-6 * c.high.Length(), where);
  }
  const std::string dae = Slurp(dir.File("box.dae"));
  EXPECT_THAT(dae, HasSubstr("<up_axis>Y_UP</up_axis>"));
  EXPECT_THAT(dae, HasSubstr("meter=\"0.02539999"));  // as a float holds it
}

// Through every format and back, with the frame stated both ways: the
// PDB text is the same as a direct copy's.
TEST(UnitsAndAxes, RoundTripsAreExactToThePdbText) {
  const Scratch dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb";
  ASSERT_EQ(Convert(part, dir.File("direct.pdb")).code, 0);
  const std::string direct = Slurp(dir.File("direct.pdb"));
  for (const Frame frame : {Frame{0.001, UpAxis::kZ}, Frame{0.0254, UpAxis::kY}, Frame{1.0, UpAxis::kZ}})
    for (const char* extension : {".glb", ".gltf", ".dae", ".fbx", ".x3d", ".3mf", ".ply"}) {
      const std::string mesh = dir.File(std::string("part") + extension), back = dir.File("back.pdb");
      const Outcome out = Convert(part, mesh, Encoding::kDefault, frame);
      ASSERT_EQ(out.code, 0) << out.err;
      const Outcome in = Convert(mesh, back, Encoding::kDefault, frame);
      ASSERT_EQ(in.code, 0) << in.err;
      const ReadResult read = Read(back);
      ASSERT_TRUE(read.report.ok);
      ASSERT_FALSE(read.report.sets.empty());
      // Bounds survive to the digits that PDB text keeps.
      const ReadResult first = Read(part);
      double low = 1e30, high = -1e30, lowBack = 1e30, highBack = -1e30;
      for (const SetSummary& s : first.report.sets)
        if (s.triangles > 0) low = std::min(low, s.bounds.min[2]), high = std::max(high, s.bounds.max[2]);
      for (const SetSummary& s : read.report.sets)
        if (s.triangles > 0)
          lowBack = std::min(lowBack, s.bounds.min[2]), highBack = std::max(highBack, s.bounds.max[2]);
      EXPECT_NEAR(lowBack, low, 1e-5 * std::abs(high)) << extension << " " << frame.metresPerUnit;
      EXPECT_NEAR(highBack, high, 1e-5 * std::abs(high)) << extension << " " << frame.metresPerUnit;
    }
}

TEST(Encodings, EachFormatHasItsDefaultAndTheOtherOnRequest) {
  const Scratch dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb";
  struct Case {
    const char* file;
    Encoding encoding;
    const char* head;
    const char* name;
  };
  const Case cases[] = {
      {"a.stl", Encoding::kDefault, "binary STL", "binary STL"},
      {"b.stl", Encoding::kAscii, "solid ", "ASCII STL"},
      {"c.ply", Encoding::kDefault, "ply\nformat binary_little_endian 1.0\n", "binary PLY"},
      {"d.ply", Encoding::kAscii, "ply\nformat ascii 1.0\n", "ASCII PLY"},
      {"e.fbx", Encoding::kAscii, "; FBX", "ASCII FBX"},
  };
  for (const Case& c : cases) {
    const Outcome run = Convert(part, dir.File(c.file), c.encoding);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr(std::string("sets written as ") + c.name)) << c.file;
    EXPECT_EQ(Slurp(dir.File(c.file)).rfind(c.head, 0), 0u) << c.file;
  }
  for (const auto& [file, encoding, why] :
       {std::tuple{"f.fbx", Encoding::kBinary, "written as ASCII FBX only"},
        {"g.glb", Encoding::kAscii, "written as binary glTF 2 only"},
        {"h.obj", Encoding::kBinary, "written as Wavefront OBJ only"}}) {
    const Outcome run = Convert(part, dir.File(file), encoding);
    EXPECT_EQ(run.code, 2) << file;
    EXPECT_THAT(run.err, HasSubstr(why));
    EXPECT_FALSE(std::filesystem::exists(dir.File(file)));
  }
}

// Both PLY encodings keep every colour, as another reader sees them.
TEST(Encodings, PlyVertexColoursReadBackInBothEncodings) {
  const Scratch dir;
  xGeometry geometry;
  for (const int colour : {5, 13, 19, 24}) {
    xTriMesh* box = Box();
    box->SetMaterial(Colours().Material(colour));
    geometry.GetContainer()->AddSet(box);
  }
  for (const Encoding encoding : {Encoding::kBinary, Encoding::kAscii}) {
    const std::string file = dir.File(encoding == Encoding::kBinary ? "b.ply" : "a.ply");
    ASSERT_TRUE(Export(geometry, file, encoding).ok);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, 0);
    ASSERT_TRUE(scene) << importer.GetErrorString();
    ASSERT_EQ(scene->mNumMeshes, 1u);
    const aiMesh& mesh = *scene->mMeshes[0];
    ASSERT_EQ(mesh.mNumVertices, 4u * 24u);
    ASSERT_TRUE(mesh.HasVertexColors(0));
    int index = 0;
    for (const int colour : {5, 13, 19, 24}) {
      float rgb[3];
      Colours().BaseColour(colour, rgb);
      for (int v = 0; v < 24; ++v, ++index) {
        const aiColor4D& c = mesh.mColors[0][index];
        // To the nearest byte, and 0.5 may round up.
        EXPECT_NEAR(c.r, rgb[0], 0.5 / 255 + 1e-6) << colour;
        EXPECT_NEAR(c.g, rgb[1], 0.5 / 255 + 1e-6) << colour;
        EXPECT_NEAR(c.b, rgb[2], 0.5 / 255 + 1e-6) << colour;
      }
    }
  }
}

// The container as other readers check it: the header's length is the
// file's, chunks are four-byte aligned, every accessor lies inside its
// view and positions carry their bounds; no array is empty.
TEST(Gltf, BinaryContainerHoldsWhatItsHeaderAndAccessorsSay) {
  const Scratch dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/weld_gun_bracket_v12.pdb";
  ASSERT_EQ(Convert(part, dir.File("part.glb")).code, 0);
  const std::string glb = Slurp(dir.File("part.glb"));
  ASSERT_GE(glb.size(), 28u);
  std::uint32_t header[5];
  std::memcpy(header, glb.data(), sizeof header);
  EXPECT_EQ(glb.compare(0, 4, "glTF"), 0);
  EXPECT_EQ(header[1], 2u);
  EXPECT_EQ(header[2], glb.size());
  const std::uint32_t jsonBytes = header[3];
  EXPECT_EQ(jsonBytes % 4, 0u);
  EXPECT_EQ(glb.compare(16, 4, "JSON"), 0);
  const auto json = nlohmann::json::parse(glb.substr(20, jsonBytes));
  std::uint32_t bin[2];
  std::memcpy(bin, glb.data() + 20 + jsonBytes, sizeof bin);
  EXPECT_EQ(bin[0] % 4, 0u);
  EXPECT_EQ(20 + jsonBytes + 8 + bin[0], glb.size());
  EXPECT_EQ((json["buffers"][0]["byteLength"].get<std::size_t>() + 3) / 4 * 4, bin[0]);

  for (const auto& [key, value] : json.items()) {
    if (value.is_array()) {
      EXPECT_FALSE(value.empty()) << key;
    }
  }
  const auto& views = json["bufferViews"];
  for (const auto& accessor : json["accessors"]) {
    const auto& view = views[accessor["bufferView"].get<std::size_t>()];
    const std::size_t size = accessor["type"] == "VEC3" ? 12 : 4;
    EXPECT_LE(accessor["byteOffset"].get<std::size_t>() + size * accessor["count"].get<std::size_t>(),
              view["byteLength"].get<std::size_t>());
  }
  for (const auto& mesh : json["meshes"]) {
    const auto& position =
        json["accessors"][mesh["primitives"][0]["attributes"]["POSITION"].get<std::size_t>()];
    EXPECT_EQ(position["min"].size(), 3u);
    EXPECT_EQ(position["max"].size(), 3u);
  }
  EXPECT_EQ(json["nodes"][0]["children"].size(), json["meshes"].size());
}

// A text glTF names its buffer file as it is; a name with a space reads back.
TEST(Gltf, TextGltfReadsBackWhateverItsName) {
  const Scratch dir;
  const std::string part = XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb";
  const Outcome out = Convert(part, dir.File("my part #1.gltf"));
  ASSERT_EQ(out.code, 0) << out.err;
  EXPECT_THAT(out.out, HasSubstr("(with " + dir.File("my part #1.bin") + ")"));
  const Outcome back = Convert(dir.File("my part #1.gltf"), dir.File("back.pdb"));
  EXPECT_EQ(back.code, 0) << back.err;
  EXPECT_THAT(back.out, HasSubstr("5 of 5 sets"));
}

// A file's own declaration decides: an FBX in decimetres with Z up.
TEST(UnitsAndAxes, FbxImportFollowsTheFilesHeader) {
  const Scratch dir;
  xGeometry geometry;
  geometry.GetContainer()->AddSet(Box());
  ASSERT_TRUE(Export(geometry, dir.File("box.fbx")).ok);
  std::string text = Slurp(dir.File("box.fbx"));
  // Written in Y-up centimetres: the box's y of 1 to 4 mm is z of -0.4 to -0.1.
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"\"UnitScaleFactor\", \"double\", \"Number\", \"\", 1",
                                            "\"UnitScaleFactor\", \"double\", \"Number\", \"\", 10"},
        {"P: \"UpAxis\", \"int\", \"Integer\", \"\", 1", "P: \"UpAxis\", \"int\", \"Integer\", \"\", 2"}}) {
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }
  dir.Write("declared.fbx", text);
  const Outcome run = Convert(dir.File("declared.fbx"), dir.File("declared.pdb"));
  ASSERT_EQ(run.code, 0) << run.err;
  const ReadResult read = Read(dir.File("declared.pdb"));
  ASSERT_EQ(read.report.sets.size(), 1u);
  // Now read as Z-up with 100 mm to the unit: the numbers stay in their axes.
  const auto& bounds = read.report.sets[0].bounds;
  EXPECT_NEAR(bounds.min[0], 10, 1e-4);
  EXPECT_NEAR(bounds.max[0], 30, 1e-4);
  EXPECT_NEAR(bounds.min[1], 10, 1e-4);
  EXPECT_NEAR(bounds.max[1], 50, 1e-4);
  EXPECT_NEAR(bounds.min[2], -40, 1e-4);
  EXPECT_NEAR(bounds.max[2], -10, 1e-4);
}

// Why FBX is text only: the binary that Assimp writes does not read back,
// not even into Assimp. Should a later Assimp fix that, this fails, and
// --binary can be offered for FBX.
TEST(Encodings, AssimpsBinaryFbxDoesNotReadBack) {
  aiScene scene;
  scene.mRootNode = new aiNode("root");
  scene.mMaterials = new aiMaterial* [1] { new aiMaterial };
  scene.mNumMaterials = 1;
  auto* mesh = new aiMesh;
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mVertices = new aiVector3D[3]{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh->mNumVertices = 3;
  mesh->mFaces = new aiFace[1];
  mesh->mFaces[0].mIndices = new unsigned[3]{0, 1, 2};
  mesh->mFaces[0].mNumIndices = 3;
  mesh->mNumFaces = 1;
  scene.mMeshes = new aiMesh* [1] { mesh };
  scene.mNumMeshes = 1;
  auto* node = new aiNode("mesh");
  node->mParent = scene.mRootNode;
  node->mMeshes = new unsigned[1]{0};
  node->mNumMeshes = 1;
  scene.mRootNode->addChildren(1, &node);

  for (const auto& [id, readsBack] : {std::pair{"fbx", false}, {"fbxa", true}}) {
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(&scene, id);
    ASSERT_TRUE(blob) << id;
    Assimp::Importer importer;
    const aiScene* read = importer.ReadFileFromMemory(blob->data, blob->size, 0, "fbx");
    EXPECT_EQ(read != nullptr, readsBack) << id << ": " << importer.GetErrorString();
  }
}

// The options as the program takes them.
TEST(ConvertOptions, UnitUpAndEncodingReachTheWriters) {
  const Scratch dir;
  const std::string program = XPDB_BINARY_DIR "/bin/xpdb",
                    part = XPDB_SOURCE_DIR "/examples/gripper_finger_v9.pdb";
  const auto run = [&](const std::string& args) {
    const int status = std::system((program + " convert " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  // Metres with Y up are glTF's own frame: the coordinates go through as they are.
  ASSERT_EQ(run(part + " " + dir.File("held.glb") + " --unit m --up y"), 0);
  ASSERT_EQ(run(part + " " + dir.File("held.obj")), 0);
  const auto glb = AssimpBounds(dir.File("held.glb")), obj = AssimpBounds(dir.File("held.obj"));
  ExpectNear(glb.first, obj.first, 1e-4, "low");
  ExpectNear(glb.second, obj.second, 1e-4, "high");

  ASSERT_EQ(run(part + " " + dir.File("text.stl") + " --ascii"), 0);
  EXPECT_EQ(Slurp(dir.File("text.stl")).rfind("solid ", 0), 0u);
  for (const char* bad : {" --binary --ascii", " --unit km", " --up x", " --binary"})
    EXPECT_EQ(run(part + " " + dir.File("bad.gltf") + bad), 2) << bad;
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad.gltf")));
}

}  // namespace
