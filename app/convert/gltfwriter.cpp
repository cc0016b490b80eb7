#include "app/convert/gltfwriter.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "app/convert/meshtext.h"

namespace {

constexpr int kFloat = 5126, kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962, kElementArrayBuffer = 34963;

void Quoted(std::string& out, const char* text) {
  out += '"';
  for (const char* p = text; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

// Not a number and infinity have no JSON text; neither reaches here from a
// sound part, and the file stays valid JSON if one does.
void Real(std::string& out, float value) { meshtext::Number(out, std::isfinite(value) ? value : 0.0f); }

void Whole(std::string& out, std::size_t value) { out += std::to_string(value); }

void Triple(std::string& out, const aiVector3D& v) {
  out += '[';
  Real(out, v.x);
  out += ',';
  Real(out, v.y);
  out += ',';
  Real(out, v.z);
  out += ']';
}

void AppendFloats(std::string& buffer, const aiVector3D* v, unsigned count) {
  const std::size_t at = buffer.size();
  buffer.resize(at + std::size_t{count} * 12);
  for (unsigned i = 0; i < count; ++i) {
    const float xyz[3] = {v[i].x, v[i].y, v[i].z};
    std::memcpy(buffer.data() + at + std::size_t{i} * 12, xyz, 12);
  }
}

struct Layout {
  std::size_t positions = 0, normals = 0, indices = 0;  // byte offsets in their views
  std::size_t corners = 0;
};

const char* ModeOf(const aiMesh& mesh) {
  if (mesh.mPrimitiveTypes & aiPrimitiveType_POINT) return "0";
  if (mesh.mPrimitiveTypes & aiPrimitiveType_LINE) return "1";
  return "4";
}

}  // namespace

bool WriteGltf(const aiScene& scene, bool binary, const std::string& binName, GltfFiles& files,
               std::string& error) {
  // Vertex data (positions, then normals, mesh by mesh) in one view, the
  // corner indices in another.
  std::string vertexData, indexData;
  std::vector<Layout> layout(scene.mNumMeshes);
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    layout[m].positions = vertexData.size();
    AppendFloats(vertexData, mesh.mVertices, mesh.mNumVertices);
    if (mesh.HasNormals()) {
      layout[m].normals = vertexData.size();
      AppendFloats(vertexData, mesh.mNormals, mesh.mNumVertices);
    }
    layout[m].indices = indexData.size();
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      for (unsigned k = 0; k < face.mNumIndices; ++k)
        meshtext::Raw(indexData, std::uint32_t{face.mIndices[k]});
      layout[m].corners += face.mNumIndices;
    }
  }
  const bool hasData = !vertexData.empty();

  std::string json = R"({"asset":{"version":"2.0","generator":"xpdb"},"scene":0,"scenes":[{"nodes":[0]}],)";
  json += R"("nodes":[{"name":"xpdb")";
  if (scene.mNumMeshes > 0) {
    json += R"(,"children":[)";
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
      if (m) json += ',';
      Whole(json, m + 1);
    }
    json += ']';
  }
  json += '}';
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    json += R"(,{"name":)";
    Quoted(json, scene.mMeshes[m]->mName.C_Str());
    json += R"(,"mesh":)";
    Whole(json, m);
    json += '}';
  }
  json += ']';

  if (scene.mNumMaterials > 0) {
    json += R"(,"materials":[)";
    for (unsigned i = 0; i < scene.mNumMaterials; ++i) {
      const aiMaterial& material = *scene.mMaterials[i];
      aiString name;
      material.Get(AI_MATKEY_NAME, name);
      aiColor4D diffuse(1, 1, 1, 1);
      material.Get(AI_MATKEY_COLOR_DIFFUSE, diffuse);
      json += i ? R"(,{"name":)" : R"({"name":)";
      Quoted(json, name.C_Str());
      json += R"(,"pbrMetallicRoughness":{"baseColorFactor":[)";
      for (const float c : {diffuse.r, diffuse.g, diffuse.b, diffuse.a}) {
        Real(json, std::clamp(c, 0.0f, 1.0f));
        json += ',';
      }
      json.back() = ']';
      json += R"(,"metallicFactor":0,"roughnessFactor":1}})";
    }
    json += ']';
  }

  // Accessors in mesh order: positions, normals where there are, indices.
  std::string meshes, accessors;
  std::size_t accessor = 0;
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh& mesh = *scene.mMeshes[m];
    aiVector3D low(0, 0, 0), high(0, 0, 0);
    for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
      const aiVector3D& p = mesh.mVertices[v];
      if (v == 0) low = high = p;
      low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
      high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
    }
    const auto vec3 = [&](std::size_t offset, bool bounds) {
      accessors += accessors.empty() ? "{" : ",{";
      accessors += R"("bufferView":0,"byteOffset":)";
      Whole(accessors, offset);
      accessors += R"(,"componentType":)" + std::to_string(kFloat) + R"(,"count":)";
      Whole(accessors, mesh.mNumVertices);
      accessors += R"(,"type":"VEC3")";
      if (bounds) {
        accessors += R"(,"min":)";
        Triple(accessors, low);
        accessors += R"(,"max":)";
        Triple(accessors, high);
      }
      accessors += '}';
      return accessor++;
    };
    meshes += m ? R"(,{"name":)" : R"({"name":)";
    Quoted(meshes, mesh.mName.C_Str());
    meshes += R"(,"primitives":[{"attributes":{"POSITION":)";
    Whole(meshes, vec3(layout[m].positions, true));
    if (mesh.HasNormals()) {
      meshes += R"(,"NORMAL":)";
      Whole(meshes, vec3(layout[m].normals, false));
    }
    accessors += R"(,{"bufferView":1,"byteOffset":)";
    Whole(accessors, layout[m].indices);
    accessors += R"(,"componentType":)" + std::to_string(kUnsignedInt) + R"(,"count":)";
    Whole(accessors, layout[m].corners);
    accessors += R"(,"type":"SCALAR"})";
    meshes += R"(},"indices":)";
    Whole(meshes, accessor++);
    if (mesh.mMaterialIndex < scene.mNumMaterials) {
      meshes += R"(,"material":)";
      Whole(meshes, mesh.mMaterialIndex);
    }
    meshes += R"(,"mode":)";
    meshes += ModeOf(mesh);
    meshes += "}]}";
  }
  if (!meshes.empty()) {
    json += R"(,"meshes":[)";
    json += meshes;
    json += ']';
  }
  meshes = std::string();
  if (hasData) {
    json += R"(,"accessors":[)";
    json += accessors;
    json += ']';
    accessors = std::string();
    json += R"(,"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":)";
    Whole(json, vertexData.size());
    json += R"(,"target":)" + std::to_string(kArrayBuffer) + "}";
    if (!indexData.empty()) {
      json += R"(,{"buffer":0,"byteOffset":)";
      Whole(json, vertexData.size());
      json += R"(,"byteLength":)";
      Whole(json, indexData.size());
      json += R"(,"target":)" + std::to_string(kElementArrayBuffer) + "}";
    }
    json += R"(],"buffers":[{"byteLength":)";
    Whole(json, vertexData.size() + indexData.size());
    if (!binary) {
      json += R"(,"uri":)";
      // As it is: the common readers, Assimp's among them, take a relative
      // URI by its letters and do not decode percent escapes.
      Quoted(json, binName.c_str());
    }
    json += "}]";
  }
  json += "}";

  if (!binary) {
    files.main = std::move(json);
    files.buffer = std::move(vertexData);
    files.buffer += indexData;
    return true;
  }
  // Chunks padded to four bytes: JSON with spaces, the buffer with zeros.
  json.resize((json.size() + 3) / 4 * 4, ' ');
  const std::size_t bufferBytes = (vertexData.size() + indexData.size() + 3) / 4 * 4;
  const std::size_t total = 12 + 8 + json.size() + (hasData ? 8 + bufferBytes : 0);
  if (total > std::numeric_limits<std::uint32_t>::max()) {
    error = "a binary glTF file holds at most 4 GiB; this one would take " + std::to_string(total) + " bytes";
    return false;
  }
  std::string& glb = files.main;
  glb.reserve(total);
  glb += "glTF";
  meshtext::Raw(glb, std::uint32_t{2});
  meshtext::Raw(glb, static_cast<std::uint32_t>(total));
  meshtext::Raw(glb, static_cast<std::uint32_t>(json.size()));
  glb += "JSON";
  glb += json;
  if (hasData) {
    meshtext::Raw(glb, static_cast<std::uint32_t>(bufferBytes));
    glb.append("BIN\0", 4);
    glb += vertexData;
    glb += indexData;
    glb.resize(total, '\0');
  }
  return true;
}
