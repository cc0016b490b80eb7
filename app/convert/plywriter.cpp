#include "app/convert/plywriter.h"

#include <assimp/scene.h>

#include <cmath>
#include <cstdint>

#include "app/convert/meshtext.h"

namespace {

std::uint8_t Byte(float channel) {
  if (!(channel > 0.0f)) return 0;
  if (channel >= 1.0f) return 255;
  return static_cast<std::uint8_t>(std::lround(channel * 255.0f));
}

}  // namespace

std::string WritePly(const aiScene& scene, bool binary) {
  std::size_t vertexCount = 0, faceCount = 0;
  bool normals = false;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    vertexCount += scene.mMeshes[m]->mNumVertices;
    faceCount += scene.mMeshes[m]->mNumFaces;
    normals = normals || scene.mMeshes[m]->HasNormals();
  }
  std::string out = "ply\nformat ";
  out += binary ? "binary_little_endian 1.0\n" : "ascii 1.0\n";
  out += "comment written by xpdb\nelement vertex " + std::to_string(vertexCount) +
         "\nproperty float x\nproperty float y\nproperty float z\n";
  if (normals) out += "property float nx\nproperty float ny\nproperty float nz\n";
  out += "property uchar red\nproperty uchar green\nproperty uchar blue\nelement face " +
         std::to_string(faceCount) + "\nproperty list uchar uint vertex_indices\nend_header\n";

  const auto number = [&out, binary](float x, char after) {
    if (binary) {
      meshtext::Raw(out, x);
    } else {
      meshtext::Number(out, x);
      out += after;
    }
  };
  const auto byte = [&out, binary](std::uint8_t b, char after) {
    if (binary) {
      out += static_cast<char>(b);
    } else {
      meshtext::Number(out, unsigned{b});
      out += after;
    }
  };
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
      const aiVector3D& p = mesh.mVertices[v];
      for (const float x : {p.x, p.y, p.z}) number(x, ' ');
      if (normals) {
        const aiVector3D n = mesh.HasNormals() ? mesh.mNormals[v] : aiVector3D();
        for (const float x : {n.x, n.y, n.z}) number(x, ' ');
      }
      const aiColor4D c = mesh.HasVertexColors(0) ? mesh.mColors[0][v] : aiColor4D(1, 1, 1, 1);
      byte(Byte(c.r), ' ');
      byte(Byte(c.g), ' ');
      byte(Byte(c.b), '\n');
    }
  }
  std::uint32_t offset = 0;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      byte(static_cast<std::uint8_t>(face.mNumIndices), ' ');
      for (unsigned k = 0; k < face.mNumIndices; ++k) {
        const std::uint32_t index = offset + face.mIndices[k];
        if (binary) {
          meshtext::Raw(out, index);
        } else {
          meshtext::Number(out, unsigned{index});
          out += k + 1 < face.mNumIndices ? ' ' : '\n';
        }
      }
    }
    offset += mesh.mNumVertices;
  }
  return out;
}
