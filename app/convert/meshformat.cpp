#include "app/convert/meshformat.h"

#include <assimp/Exporter.hpp>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

constexpr Frame kMetresYUp{1.0, UpAxis::kY};
// As Assimp's FBX exporter declares every file: Y up, centimetres.
constexpr Frame kFbxFrame{0.01, UpAxis::kY};
constexpr Frame kMillimetresZUp{0.001, UpAxis::kZ};

// STL and PLY are written by our own writers: Assimp 5.2 averages shared
// vertex normals into STL facet normals, and its binary PLY writes vertex
// colours as floats under a header that announces bytes. 3MF too, whose
// colours Assimp writes as hex digits without their leading zeros, and
// glTF, whose buffer Assimp grows by exactly each mesh's bytes, copying it
// whole every time: quadratic in the number of sets. Its
// binary FBX lacks the null records that end nested lists, so that no
// reader (Assimp's own included) takes it back: FBX is text only. STL and
// 3MF hold triangles only.
constexpr MeshFormat kCandidates[] = {
    {".obj",
     "obj",
     "Wavefront OBJ",
     MeshWriter::kAssimp,
     false,
     true,
     true,
     true,
     false,
     true,
     FrameRule::kAsHeld,
     {}},
    {".stl",
     nullptr,
     "binary STL",
     MeshWriter::kStl,
     true,
     true,
     false,
     false,
     false,
     false,
     FrameRule::kAsHeld,
     {}},
    {".stl",
     nullptr,
     "ASCII STL",
     MeshWriter::kStl,
     false,
     false,
     false,
     false,
     false,
     false,
     FrameRule::kAsHeld,
     {}},
    {".ply",
     nullptr,
     "binary PLY",
     MeshWriter::kPly,
     true,
     true,
     true,
     true,
     true,
     true,
     FrameRule::kAsHeld,
     {}},
    {".ply",
     nullptr,
     "ASCII PLY",
     MeshWriter::kPly,
     false,
     false,
     true,
     true,
     true,
     true,
     FrameRule::kAsHeld,
     {}},
    {".glb", nullptr, "binary glTF 2", MeshWriter::kGltf, true, true, true, true, false, true,
     FrameRule::kConvert, kMetresYUp},
    {".gltf", nullptr, "glTF 2", MeshWriter::kGltf, false, true, true, true, false, true, FrameRule::kConvert,
     kMetresYUp},
    {".dae",
     "collada",
     "COLLADA",
     MeshWriter::kAssimp,
     false,
     true,
     true,
     false,
     false,
     true,
     FrameRule::kDeclare,
     {}},
    {".3mf", nullptr, "3MF", MeshWriter::k3mf, true, true, false, false, false, false, FrameRule::kConvert,
     kMillimetresZUp},
    {".x3d", "x3d", "X3D", MeshWriter::kAssimp, false, true, true, true, false, true, FrameRule::kConvert,
     kMetresYUp},
    {".fbx", "fbxa", "ASCII FBX", MeshWriter::kAssimp, false, true, true, true, false, true,
     FrameRule::kConvert, kFbxFrame},
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
  for (const MeshFormat& format : kCandidates) {
    bool available = format.writer != MeshWriter::kAssimp;
    for (std::size_t i = 0; !available && i < exporter.GetExportFormatCount(); ++i)
      available = std::strcmp(exporter.GetExportFormatDescription(i)->id, format.exportId) == 0;
    if (available) formats.push_back(format);
  }
  return formats;
}

}  // namespace

const std::vector<MeshFormat>& MeshFormats() {
  static const std::vector<MeshFormat> formats = Available();
  return formats;
}

const MeshFormat* MeshFormatFor(const std::string& path, Encoding encoding, std::string& why) {
  const std::string extension = LowerExtension(path);
  const MeshFormat* known = nullptr;
  for (const MeshFormat& format : MeshFormats()) {
    if (extension != format.extension) continue;
    known = &format;
    const bool wanted = encoding == Encoding::kDefault  ? format.byDefault
                        : encoding == Encoding::kBinary ? format.binary
                                                        : !format.binary;
    if (wanted) return &format;
  }
  if (known)
    why = std::string(known->extension) + " is written as " + known->name + " only" +
          (extension == ".fbx" ? " (binary FBX as Assimp writes it reads back nowhere)" : "");
  return nullptr;
}

const MeshFormat* MeshFormatFor(const std::string& path) {
  std::string why;
  return MeshFormatFor(path, Encoding::kDefault, why);
}

bool IsPdbPath(const std::string& path) { return LowerExtension(path) == ".pdb"; }

std::string OutputExtensions() {
  std::string text = ".pdb";
  for (const MeshFormat& format : MeshFormats())
    if (format.byDefault) text += std::string(", ") + format.extension;
  return text;
}
