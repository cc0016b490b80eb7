#include "app/convert/axes.h"

#include <assimp/scene.h>

#include <filesystem>

namespace {

std::string LowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

// Assimp's FBX importer stores the scale factor as a float, other
// importers may store a double.
double Number(const aiScene& scene, const char* key, double otherwise) {
  float f = 0;
  double d = 0;
  if (!scene.mMetaData) return otherwise;
  if (scene.mMetaData->Get(key, f)) return f;
  if (scene.mMetaData->Get(key, d)) return d;
  return otherwise;
}

int Whole(const aiScene& scene, const char* key, int otherwise) {
  int value = 0;
  return scene.mMetaData && scene.mMetaData->Get(key, value) ? value : otherwise;
}

}  // namespace

std::optional<double> ParseUnit(const std::string& text) {
  if (text == "mm") return 0.001;
  if (text == "cm") return 0.01;
  if (text == "m") return 1.0;
  if (text == "in") return 0.0254;
  return std::nullopt;
}

std::optional<UpAxis> ParseUp(const std::string& text) {
  if (text == "z") return UpAxis::kZ;
  if (text == "y") return UpAxis::kY;
  return std::nullopt;
}

aiMatrix3x3t<double> Conversion(const Frame& from, const Frame& to) {
  const double k = from.metresPerUnit / to.metresPerUnit;
  if (from.up == to.up) return {k, 0, 0, 0, k, 0, 0, 0, k};
  // Z-up to Y-up: (x, y, z) goes to (x, z, -y); the other way back.
  if (from.up == UpAxis::kZ) return {k, 0, 0, 0, 0, k, 0, -k, 0};
  return {k, 0, 0, 0, 0, -k, 0, k, 0};
}

std::optional<Frame> ImportedFrame(const aiScene& scene, const std::string& path) {
  const std::string extension = LowerExtension(path);
  if (extension == ".gltf" || extension == ".glb" || extension == ".x3d" || extension == ".dae")
    return Frame{1.0, UpAxis::kY};
  if (extension == ".3mf") return Frame{0.001, UpAxis::kZ};
  if (extension == ".fbx") {
    const double scale = Number(scene, "UnitScaleFactor", 1.0);
    const int up = Whole(scene, "UpAxis", 1);
    return Frame{0.01 * (scale > 0.0 ? scale : 1.0), up == 2 ? UpAxis::kZ : UpAxis::kY};
  }
  return std::nullopt;
}

void ToPdbFrame(aiScene& scene, const std::string& path, const Frame& pdb) {
  for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
    aiMesh& mesh = *scene.mMeshes[i];
    delete[] mesh.mNormals;
    delete[] mesh.mTangents;
    delete[] mesh.mBitangents;
    mesh.mNormals = mesh.mTangents = mesh.mBitangents = nullptr;
  }
  const std::optional<Frame> file = ImportedFrame(scene, path);
  if (!file || !scene.mRootNode) return;
  const aiMatrix3x3t<double> m = Conversion(*file, pdb);
  const aiMatrix4x4 turn(static_cast<ai_real>(m.a1), static_cast<ai_real>(m.a2), static_cast<ai_real>(m.a3),
                         0, static_cast<ai_real>(m.b1), static_cast<ai_real>(m.b2),
                         static_cast<ai_real>(m.b3), 0, static_cast<ai_real>(m.c1),
                         static_cast<ai_real>(m.c2), static_cast<ai_real>(m.c3), 0, 0, 0, 0, 1);
  scene.mRootNode->mTransformation = turn * scene.mRootNode->mTransformation;
}
