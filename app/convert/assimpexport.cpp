#include "app/convert/assimpexport.h"

#include <assimp/material.h>
#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unordered_map>
#include <utility>

#include "app/convert/assimpprogress.h"
#include "app/convert/gltfwriter.h"
#include "app/convert/meshcolours.h"
#include "app/convert/meshnormals.h"
#include "app/convert/plywriter.h"
#include "app/convert/stlwriter.h"
#include "app/convert/threemfwriter.h"
#include "app/files/outputfile.h"
#include "host/xcompactlineset.h"
#include "host/xlineset.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xsetkind.h"
#include "host/xtrimesh.h"

namespace {

// The exporter's output stays in memory until it has finished, since some
// exporters seek back to fill in sizes, and goes to disk only then.
class MemoryStream : public Assimp::IOStream {
 public:
  explicit MemoryStream(std::string& data) : m_data(data) {}
  size_t Read(void*, size_t, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    if (size == 0 || count == 0) return 0;
    if (count > (m_data.max_size() - m_position) / size) return 0;
    const size_t n = size * count;
    if (m_position + n > m_data.size()) m_data.resize(m_position + n);
    std::memcpy(m_data.data() + m_position, buffer, n);
    m_position += n;
    return count;
  }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    const size_t base = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? m_position : m_data.size();
    if (origin != aiOrigin_SET && origin != aiOrigin_CUR && origin != aiOrigin_END) return aiReturn_FAILURE;
    if (offset > m_data.max_size() - base) return aiReturn_FAILURE;
    m_position = base + offset;
    return aiReturn_SUCCESS;
  }
  size_t Tell() const override { return m_position; }
  size_t FileSize() const override { return m_data.size(); }
  void Flush() override {}

 private:
  std::string& m_data;
  size_t m_position = 0;
};

class MemoryFiles : public Assimp::IOSystem {
 public:
  bool Exists(const char* path) const override { return m_files.count(path) > 0; }
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* path, const char* mode = "rb") override {
    if (!mode || !std::strchr(mode, 'w')) return nullptr;
    auto [file, created] = m_files.try_emplace(path);
    if (created) m_order.emplace_back(path);
    file->second.clear();
    return new MemoryStream(file->second);
  }
  void Close(Assimp::IOStream* stream) override { delete stream; }

  const std::vector<std::string>& Paths() const { return m_order; }
  const std::string& Data(const std::string& path) const { return m_files.at(path); }

 private:
  std::unordered_map<std::string, std::string> m_files;
  std::vector<std::string> m_order;
};

// One set's primitives, all of one kind, over the points they use.
struct Primitives {
  unsigned corners = 3;  // per face: 3, 2 or 1
  std::vector<aiVector3D> vertices;
  std::vector<unsigned> faces;
  std::vector<aiVector3D> normals;  // per vertex, or none

  // Points are taken on first use, so that points no face uses stay out.
  template <class Key>
  void Corner(std::unordered_map<Key, unsigned>& used, Key key, const aiVector3D& position) {
    const auto [entry, added] = used.try_emplace(key, static_cast<unsigned>(vertices.size()));
    if (added) vertices.push_back(position);
    faces.push_back(entry->second);
  }
};

aiVector3D Position(const xFVector& p) { return {p.x, p.y, p.z}; }

Primitives FromTriMesh(const xTriMesh& mesh) {
  Primitives result;
  std::unordered_map<unsigned, unsigned> used;
  const auto points = static_cast<unsigned>(mesh.GetPointCount());
  for (int i = 0; i < mesh.GetTriangleCount(); ++i) {
    const auto& t = mesh.GetTriangle(i);
    if (t.a >= points || t.b >= points || t.c >= points) continue;
    for (const unsigned corner : {t.a, t.b, t.c})
      result.Corner(used, corner, Position(mesh.GetPoint(static_cast<int>(corner))));
  }
  return result;
}

// Fans, as the PDB readers triangulate polygons.
Primitives FromPolyMesh(const xPolyMesh& mesh) {
  Primitives result;
  std::unordered_map<const xPolyPoint*, unsigned> used;
  for (const xPolygon* polygon = mesh.GetPolygons().GBegin(); polygon;
       polygon = xTDLinkList<xPolygon>::GNext(polygon))
    for (int k = 1; k + 1 < polygon->GetVertexCount(); ++k)
      for (const int corner : {0, k, k + 1}) {
        const xPolyPoint* p = polygon->GetVertex(corner);
        result.Corner(
            used, p,
            aiVector3D(static_cast<ai_real>(p->x), static_cast<ai_real>(p->y), static_cast<ai_real>(p->z)));
      }
  return result;
}

// Pairs first, then each polyline's neighbouring points.
Primitives FromCompactLineSet(const xCompactLineSet& set) {
  Primitives result;
  result.corners = 2;
  std::unordered_map<int, unsigned> used;
  const auto segment = [&](int a, int b) {
    result.Corner(used, a, Position(set.GetPoint(a)));
    result.Corner(used, b, Position(set.GetPoint(b)));
  };
  set.ForEachSegment(segment);
  return result;
}

Primitives FromLineSet(const xLineSet& set) {
  Primitives result;
  result.corners = 2;
  std::unordered_map<const xLinePoint*, unsigned> used;
  const auto corner = [&](const xLinePoint* p) {
    result.Corner(
        used, p,
        aiVector3D(static_cast<ai_real>(p->x), static_cast<ai_real>(p->y), static_cast<ai_real>(p->z)));
  };
  for (const xLine* line = set.GetLines().GBegin(); line; line = xTDLinkList<xLine>::GNext(line))
    for (int i = 0; i + 1 < line->GetPointCount(); ++i) {
      corner(line->GetPoint(i));
      corner(line->GetPoint(i + 1));
    }
  return result;
}

Primitives FromPointSet(const xPointSet& set) {
  Primitives result;
  result.corners = 1;
  for (int i = 0; i < set.GetPointCount(); ++i) {
    result.faces.push_back(static_cast<unsigned>(result.vertices.size()));
    result.vertices.push_back(Position(set.GetPoint(i)));
  }
  return result;
}

aiMatrix4x4 Widen(const aiMatrix3x3t<double>& m) {
  const auto f = [](double x) { return static_cast<ai_real>(x); };
  return {f(m.a1), f(m.a2), f(m.a3), 0, f(m.b1), f(m.b2), f(m.b3), 0,
          f(m.c1), f(m.c2), f(m.c3), 0, 0,       0,       0,       1};
}

class SceneMaker {
 public:
  SceneMaker(const MeshFormat& format, const MeshColours& colours, const Frame& pdbFrame)
      : m_format(format), m_colours(colours), m_pdbFrame(pdbFrame) {
    if (format.frameRule == FrameRule::kConvert) {
      m_toFile = Conversion(pdbFrame, format.frame);
      m_convert = !(m_toFile == aiMatrix3x3t<double>());
    }
  }

  // False when the format cannot hold the set or it has nothing to draw.
  bool Add(xGeoSet& set, int position, std::map<std::string, int>& leftOut) {
    using Maybe = std::optional<Primitives>;
    const bool lines = m_format.lines, points = m_format.points;
    Maybe primitives =
        xVisitSet(std::as_const(set), xSetVisitor{
                                          [](const xTriMesh& tri) -> Maybe { return FromTriMesh(tri); },
                                          [](const xPolyMesh& poly) -> Maybe { return FromPolyMesh(poly); },
                                          [lines](const xCompactLineSet& compact) -> Maybe {
                                            return lines ? Maybe(FromCompactLineSet(compact)) : Maybe();
                                          },
                                          [lines](const xLineSet& lineSet) -> Maybe {
                                            return lines ? Maybe(FromLineSet(lineSet)) : Maybe();
                                          },
                                          [points](const xPointSet& pointSet) -> Maybe {
                                            return points ? Maybe(FromPointSet(pointSet)) : Maybe();
                                          },
                                          [](const auto&) -> Maybe { return std::nullopt; },
                                      });
    const char* kind = xGeoTypeName(set.GetType());
    if (!primitives) {
      ++leftOut[kind];
      return false;
    }
    if (primitives->faces.empty()) {
      ++leftOut[std::string("empty ") + kind];
      return false;
    }
    if (m_convert) ToFileFrame(primitives->vertices);
    if (primitives->corners == 3 && m_format.normals) {
      ShadedTriangles shaded = SmoothNormals(primitives->vertices, primitives->faces);
      primitives->vertices = std::move(shaded.vertices);
      primitives->faces = std::move(shaded.corners);
      primitives->normals = std::move(shaded.normals);
    }
    const std::string name = "set" + std::to_string(position);
    m_meshes.push_back(MakeMesh(*primitives, m_colours.Index(set.GetMaterial()), name));
    m_names.push_back(name);
    return true;
  }

  // The scene owns everything made so far from here on.
  std::unique_ptr<aiScene> Finish() {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("xpdb");
    // COLLADA's exporter declares the unit and up axis that this transform
    // from the PDB frame to Y-up metres amounts to, and writes the
    // coordinates as they are.
    if (m_format.frameRule == FrameRule::kDeclare)
      scene->mRootNode->mTransformation = Widen(Conversion(m_pdbFrame, Frame{1.0, UpAxis::kY}));
    scene->mMaterials = new aiMaterial*[m_materials.size()];
    for (auto& material : m_materials) scene->mMaterials[scene->mNumMaterials++] = material.release();
    scene->mMeshes = new aiMesh*[m_meshes.size()];
    aiNode& root = *scene->mRootNode;
    // Our own writers take the meshes in order; a node (a kilobyte with its
    // name) per set only for Assimp's exporters.
    const bool nodes = m_format.writer == MeshWriter::kAssimp;
    if (nodes) root.mChildren = new aiNode*[m_meshes.size()];
    for (auto& mesh : m_meshes) {
      if (nodes) {
        auto* node = new aiNode(m_names[scene->mNumMeshes]);
        node->mParent = &root;
        node->mMeshes = new unsigned[1]{scene->mNumMeshes};
        node->mNumMeshes = 1;
        root.mChildren[root.mNumChildren++] = node;
      }
      scene->mMeshes[scene->mNumMeshes++] = mesh.release();
    }
    m_materials.clear();
    m_meshes.clear();
    return scene;
  }

 private:
  // In double precision, so that a conversion back in float is exact to
  // float precision.
  void ToFileFrame(std::vector<aiVector3D>& vertices) const {
    const aiMatrix3x3t<double>& m = m_toFile;
    for (aiVector3D& v : vertices) {
      const double x = v.x, y = v.y, z = v.z;
      v = aiVector3D(static_cast<ai_real>(m.a1 * x + m.a2 * y + m.a3 * z),
                     static_cast<ai_real>(m.b1 * x + m.b2 * y + m.b3 * z),
                     static_cast<ai_real>(m.c1 * x + m.c2 * y + m.c3 * z));
    }
  }

  unsigned MaterialFor(int colour) {
    const auto found = std::find(m_materialColours.begin(), m_materialColours.end(), colour);
    if (found != m_materialColours.end()) return static_cast<unsigned>(found - m_materialColours.begin());
    auto material = std::make_unique<aiMaterial>();
    const aiString name(m_colours.Name(colour));
    material->AddProperty(&name, AI_MATKEY_NAME);
    const aiColor4D diffuse = BaseColour(colour);
    material->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
    m_materials.push_back(std::move(material));
    m_materialColours.push_back(colour);
    return static_cast<unsigned>(m_materials.size() - 1);
  }

  aiColor4D BaseColour(int colour) const {
    float rgb[3];
    m_colours.BaseColour(colour, rgb);
    return {rgb[0], rgb[1], rgb[2], 1.0f};
  }

  std::unique_ptr<aiMesh> MakeMesh(const Primitives& primitives, int colour, const std::string& name) {
    auto mesh = std::make_unique<aiMesh>();
    mesh->mName = name;
    mesh->mMaterialIndex = MaterialFor(colour);
    mesh->mPrimitiveTypes = primitives.corners == 3   ? aiPrimitiveType_TRIANGLE
                            : primitives.corners == 2 ? aiPrimitiveType_LINE
                                                      : aiPrimitiveType_POINT;
    mesh->mVertices = new aiVector3D[primitives.vertices.size()];
    mesh->mNumVertices = static_cast<unsigned>(primitives.vertices.size());
    std::copy(primitives.vertices.begin(), primitives.vertices.end(), mesh->mVertices);
    if (!primitives.normals.empty()) {
      mesh->mNormals = new aiVector3D[primitives.normals.size()];
      std::copy(primitives.normals.begin(), primitives.normals.end(), mesh->mNormals);
    }
    if (m_format.vertexColours) {
      mesh->mColors[0] = new aiColor4D[primitives.vertices.size()];
      std::fill_n(mesh->mColors[0], primitives.vertices.size(), BaseColour(colour));
    }
    const std::size_t faceCount = primitives.faces.size() / primitives.corners;
    mesh->mFaces = new aiFace[faceCount];
    for (std::size_t i = 0; i < faceCount; ++i) {
      aiFace& face = mesh->mFaces[i];
      face.mIndices = new unsigned[primitives.corners];
      face.mNumIndices = primitives.corners;
      std::copy_n(primitives.faces.begin() + static_cast<std::ptrdiff_t>(i * primitives.corners),
                  primitives.corners, face.mIndices);
      ++mesh->mNumFaces;
    }
    return mesh;
  }

  const MeshFormat& m_format;
  const MeshColours& m_colours;
  const Frame m_pdbFrame;
  aiMatrix3x3t<double> m_toFile;
  bool m_convert = false;
  std::vector<std::unique_ptr<aiMesh>> m_meshes;
  std::vector<std::string> m_names;
  std::vector<std::unique_ptr<aiMaterial>> m_materials;
  std::vector<int> m_materialColours;
};

// Puts every file in place only when all of them were written in full.
using FileData = std::vector<std::pair<std::string, const std::string*>>;

bool WriteFiles(const FileData& files, std::string& error) {
  ReplacingFileSet outputs;
  for (const auto& [path, bytes] : files) {
    ReplacingFile* file = outputs.Add(path, error);
    if (!file) return false;
    const std::string& data = *bytes;
    const auto size = static_cast<std::streamsize>(data.size());
    if (file->sputn(data.data(), size) != size) {
      error = file->WriteError();
      if (error.empty()) error = "cannot write " + path;
      return false;
    }
  }
  return outputs.Commit(error);
}

// Through Assimp's exporter into `files`, which the exporter owns; the main
// file first, the others in the order the exporter made them.
bool ExportThroughAssimp(Assimp::Exporter& exporter, const aiScene& scene, const MeshFormat& format,
                         const std::string& path, ProgressBar& progress, FileData& data,
                         std::string& problem) {
  auto* files = new MemoryFiles;
  exporter.SetIOHandler(files);
  auto* handler = new AssimpProgress(progress);
  exporter.SetProgressHandler(handler);
  // Assimp reports its export steps as 0 to one half.
  handler->Phase(0.5, 1.0, 0.5);
  if (exporter.Export(&scene, format.exportId, path) != aiReturn_SUCCESS) {
    problem = "cannot write " + path + " as " + format.name + ": " + exporter.GetErrorString();
    return false;
  }
  std::vector<std::string> paths = files->Paths();
  std::stable_partition(paths.begin(), paths.end(), [&](const std::string& p) { return p == path; });
  for (const std::string& p : paths) data.emplace_back(p, &files->Data(p));
  return true;
}

}  // namespace

MeshExport ExportMesh(xGeometry& geometry, const MeshFormat& format, const std::string& path,
                      const MeshColours& colours, const Frame& pdbFrame, ProgressBar& progress) {
  MeshExport result;
  SceneMaker maker(format, colours, pdbFrame);
  xGeoContainer& container = *geometry.GetContainer();
  const int count = container.GetSetCount();
  for (int i = 0; i < count; ++i) {
    if (maker.Add(*container.GetSet(i), i + 1, result.leftOut)) ++result.setsWritten;
    progress.Update(0.5 * (i + 1) / count);
  }
  const std::unique_ptr<aiScene> scene = maker.Finish();

  std::string bytes;
  GltfFiles gltf;
  Assimp::Exporter exporter;  // holds the files it writes until the end
  FileData data;
  bool written = true;
  switch (format.writer) {
    case MeshWriter::kStl:
      bytes = WriteStl(*scene, format.binary);
      break;
    case MeshWriter::kPly:
      bytes = WritePly(*scene, format.binary);
      break;
    case MeshWriter::k3mf:
      written = Write3mf(*scene, bytes, result.problem);
      if (!written) result.problem = "cannot write " + path + " as " + format.name + ": " + result.problem;
      break;
    case MeshWriter::kGltf: {
      const std::string bin = std::filesystem::path(path).replace_extension(".bin").string();
      written = WriteGltf(*scene, format.binary, std::filesystem::path(bin).filename().string(), gltf,
                          result.problem);
      if (!written) result.problem = "cannot write " + path + " as " + format.name + ": " + result.problem;
      if (written && !format.binary) {
        data.emplace_back(path, &gltf.main);
        data.emplace_back(bin, &gltf.buffer);
      }
      break;
    }
    case MeshWriter::kAssimp:
      written = ExportThroughAssimp(exporter, *scene, format, path, progress, data, result.problem);
      break;
  }
  if (!written) {
    result.ok = false;
    return result;
  }
  if (format.writer == MeshWriter::kGltf && format.binary) data.emplace_back(path, &gltf.main);
  if (format.writer != MeshWriter::kAssimp && format.writer != MeshWriter::kGltf)
    data.emplace_back(path, &bytes);
  if (!WriteFiles(data, result.problem)) {
    result.ok = false;
    return result;
  }
  for (const auto& entry : data) result.files.push_back(entry.first);
  progress.Done();
  return result;
}
