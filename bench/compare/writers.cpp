#include "writers.h"

#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "app/read/package.h"
#include "host/xmaterial.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

std::unique_ptr<xGeometry> HostGeometry(const GridMesh& mesh, const char* materialName) {
  auto geometry = std::make_unique<xGeometry>();
  auto* set = new xTriMesh;
  set->SetPointCount(static_cast<int>(mesh.PointCount()), false);
  for (std::size_t i = 0; i < mesh.points.size(); i += 3)
    set->AddPoint(xFVector(mesh.points[i], mesh.points[i + 1], mesh.points[i + 2]));
  set->SetTriangleCount(static_cast<int>(mesh.TriangleCount()), false);
  for (std::size_t i = 0; i < mesh.triangles.size(); i += 3)
    set->AddTriangle(mesh.triangles[i], mesh.triangles[i + 1], mesh.triangles[i + 2]);
  set->SetMaterial(xMatReader::FindMaterial(materialName, false));
  set->SetMaterialMode(2);
  geometry->GetContainer()->AddSet(set);
  return geometry;
}

double WriteWithPackage(const Package& package, xGeometry* geometry, const std::string& path) {
  const PackageModule* module = package.ModuleForVersion(9);
  if (!module) throw std::runtime_error("the package has no version-9 module");
  const auto start = Clock::now();
  std::filebuf buffer;
  if (!buffer.open(path, std::ios::out | std::ios::binary | std::ios::trunc))
    throw std::runtime_error("cannot create " + path);
  {
    xStream stream(&buffer);
    if (module->write(&stream, geometry) != 0) throw std::runtime_error("GRWrite did not return 0");
  }
  if (!buffer.close()) throw std::runtime_error("cannot write " + path);
  return Since(start);
}

double WriteWithToChars(const GridMesh& mesh, int colour, const std::string& path) {
  const auto start = Clock::now();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::runtime_error("cannot create " + path);
  const bool written = WritePdb9(file, mesh, colour);
  if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write " + path);
  return Since(start);
}

double WriteWithAssimp(const aiScene& scene, const std::string& path) {
  Assimp::Exporter exporter;
  const auto start = Clock::now();
  if (exporter.Export(&scene, "obj", path) != aiReturn_SUCCESS)
    throw std::runtime_error(std::string("Assimp export: ") + exporter.GetErrorString());
  return Since(start);
}

void SceneDeleter::operator()(aiScene* scene) const { delete scene; }

std::unique_ptr<aiScene, SceneDeleter> AssimpScene(const GridMesh& mesh) {
  std::unique_ptr<aiScene, SceneDeleter> scene(new aiScene);
  scene->mRootNode = new aiNode("grid");
  scene->mRootNode->mNumMeshes = 1;
  scene->mRootNode->mMeshes = new unsigned[1]{0};
  scene->mNumMaterials = 1;
  scene->mMaterials = new aiMaterial* [1] { new aiMaterial };
  auto* m = new aiMesh;
  scene->mNumMeshes = 1;
  scene->mMeshes = new aiMesh* [1] { m };
  m->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  m->mMaterialIndex = 0;
  m->mNumVertices = static_cast<unsigned>(mesh.PointCount());
  m->mVertices = new aiVector3D[m->mNumVertices];
  for (unsigned i = 0; i < m->mNumVertices; ++i)
    m->mVertices[i] = aiVector3D(mesh.points[3 * i], mesh.points[3 * i + 1], mesh.points[3 * i + 2]);
  m->mNumFaces = static_cast<unsigned>(mesh.TriangleCount());
  m->mFaces = new aiFace[m->mNumFaces];
  for (unsigned f = 0; f < m->mNumFaces; ++f) {
    m->mFaces[f].mNumIndices = 3;
    m->mFaces[f].mIndices =
        new unsigned[3]{mesh.triangles[3 * f], mesh.triangles[3 * f + 1], mesh.triangles[3 * f + 2]};
  }
  return scene;
}
