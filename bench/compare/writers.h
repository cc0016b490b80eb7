#pragma once

#include <memory>
#include <string>

#include "host/xgeometry.h"
#include "mesh.h"

class Package;
struct aiScene;

// The mesh as the host holds it: one xTriMesh with the material of `colour`
// from the host's library (installed by the package).
std::unique_ptr<xGeometry> HostGeometry(const GridMesh& mesh, const char* materialName);

// Each writes the whole file at `path` and returns the wall time in seconds,
// or throws std::runtime_error.
double WriteWithPackage(const Package& package, xGeometry* geometry, const std::string& path);
double WriteWithToChars(const GridMesh& mesh, int colour, const std::string& path);
double WriteWithAssimp(const aiScene& scene, const std::string& path);

// The mesh as an Assimp scene, as an importer would have left it.
struct SceneDeleter {
  void operator()(aiScene* scene) const;
};
std::unique_ptr<aiScene, SceneDeleter> AssimpScene(const GridMesh& mesh);
