#include "app/convert/stlwriter.h"

#include <assimp/scene.h>

#include <cstdint>

#include "app/convert/meshnormals.h"
#include "app/convert/meshtext.h"

namespace {

template <class Visit>
void ForEachTriangle(const aiScene& scene, Visit visit) {
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mNumIndices != 3) continue;
      const aiVector3D &a = mesh.mVertices[face.mIndices[0]], &b = mesh.mVertices[face.mIndices[1]],
                       &c = mesh.mVertices[face.mIndices[2]];
      const aiVector3t<double> n = FaceNormal(a, b, c);
      visit(aiVector3D(static_cast<ai_real>(n.x), static_cast<ai_real>(n.y), static_cast<ai_real>(n.z)), a, b,
            c);
    }
  }
}

void Triple(std::string& out, const char* keyword, const aiVector3D& v) {
  out += keyword;
  for (const float x : {v.x, v.y, v.z}) {
    out += ' ';
    meshtext::Number(out, x);
  }
  out += '\n';
}

}  // namespace

std::string WriteStl(const aiScene& scene, bool binary) {
  std::size_t faces = 0;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) faces += scene.mMeshes[m]->mNumFaces;
  std::string out;
  out.reserve(binary ? 84 + 50 * faces : 16 + 200 * faces);
  if (!binary) {
    out += "solid xpdb\n";
    ForEachTriangle(
        scene, [&out](const aiVector3D& n, const aiVector3D& a, const aiVector3D& b, const aiVector3D& c) {
          Triple(out, " facet normal", n);
          out += "  outer loop\n";
          for (const aiVector3D* p : {&a, &b, &c}) Triple(out, "   vertex", *p);
          out += "  endloop\n endfacet\n";
        });
    out += "endsolid xpdb\n";
    return out;
  }
  std::string header = "binary STL written by xpdb";
  header.resize(80, ' ');
  out = header;
  out.append(4, '\0');  // the count, once known
  std::uint32_t count = 0;
  ForEachTriangle(scene,
                  [&](const aiVector3D& n, const aiVector3D& a, const aiVector3D& b, const aiVector3D& c) {
                    for (const aiVector3D* v : {&n, &a, &b, &c})
                      for (const float x : {v->x, v->y, v->z}) meshtext::Raw(out, x);
                    meshtext::Raw(out, std::uint16_t{0});
                    ++count;
                  });
  std::string bytes;
  meshtext::Raw(bytes, count);
  out.replace(80, 4, bytes);
  return out;
}
