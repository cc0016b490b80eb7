#include "app/meshformat.h"

#include <assimp/Exporter.hpp>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

// Where Assimp 5.2 offers a binary and a text variant, the one that reads
// back is chosen: binary PLY writes vertex colours as floats under a header
// that announces bytes, and binary FBX lacks the null records that end
// nested lists. STL and 3MF get triangles only: their exporters write every
// face as a triangle whatever its corner count.
constexpr MeshFormat kCandidates[] = {
    {".obj", "obj", "Wavefront OBJ", true, true, false},
    {".stl", "stlb", "binary STL", false, false, false},
    {".ply", "ply", "PLY", true, true, true},
    {".glb", "glb2", "binary glTF 2", true, true, false},
    {".gltf", "gltf2", "glTF 2", true, true, false},
    {".dae", "collada", "COLLADA", true, false, false},
    {".3mf", "3mf", "3MF", false, false, false},
    {".x3d", "x3d", "X3D", true, true, false},
    {".fbx", "fbxa", "ASCII FBX", true, true, false},
};

std::string LowerExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

std::vector<MeshFormat> Available() {
  const Assimp::Exporter exporter;
  std::vector<MeshFormat> formats;
  for (const MeshFormat& format : kCandidates)
    for (std::size_t i = 0; i < exporter.GetExportFormatCount(); ++i)
      if (std::strcmp(exporter.GetExportFormatDescription(i)->id, format.exportId) == 0) {
        formats.push_back(format);
        break;
      }
  return formats;
}

}  // namespace

const std::vector<MeshFormat>& MeshFormats() {
  static const std::vector<MeshFormat> formats = Available();
  return formats;
}

const MeshFormat* MeshFormatFor(const std::string& path) {
  const std::string extension = LowerExtension(path);
  const auto& formats = MeshFormats();
  const auto found = std::find_if(formats.begin(), formats.end(),
                                  [&](const MeshFormat& f) { return extension == f.extension; });
  return found == formats.end() ? nullptr : &*found;
}

bool IsPdbPath(const std::string& path) { return LowerExtension(path) == ".pdb"; }

std::string OutputExtensions() {
  std::string text = ".pdb";
  for (const MeshFormat& format : MeshFormats()) text += std::string(", ") + format.extension;
  return text;
}
