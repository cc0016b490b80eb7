#include "app/assimpimport.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>
#include <vector>

#include "app/assimpprogress.h"
#include "app/axes.h"
#include "app/meshcolours.h"
#include "app/progressbar.h"
#include "host/xcompactlineset.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"

namespace {

constexpr int kNoColour = -2;

struct FacesDropped {
  int withoutCorners = 0, nonFinite = 0;
};

bool Finite(const aiVector3D& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Whether any corner of the face lies at infinity or is not a number.
bool HasNonFiniteCorner(const aiMesh& mesh, const aiFace& face) {
  for (unsigned k = 0; k < face.mNumIndices; ++k)
    if (face.mIndices[k] < mesh.mNumVertices && !Finite(mesh.mVertices[face.mIndices[k]])) return true;
  return false;
}

// Assimp's triangulation aborts the process on a face without corners,
// which its validation lets through; a corner at infinity or not a number
// would be written as text that no reader takes back. Such faces are dropped
// beforehand, and the primitive types are made to match the faces that remain.
FacesDropped DropUnusableFaces(aiMesh& mesh) {
  FacesDropped dropped;
  unsigned kept = 0, types = 0;
  for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
    aiFace& face = mesh.mFaces[i];
    if (face.mNumIndices == 0) {
      ++dropped.withoutCorners;
      continue;
    }
    if (HasNonFiniteCorner(mesh, face)) {
      ++dropped.nonFinite;
      continue;
    }
    types |= face.mNumIndices == 1   ? aiPrimitiveType_POINT
             : face.mNumIndices == 2 ? aiPrimitiveType_LINE
             : face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE
                                     : aiPrimitiveType_POLYGON;
    if (kept != i) {
      std::swap(mesh.mFaces[kept].mNumIndices, face.mNumIndices);
      std::swap(mesh.mFaces[kept].mIndices, face.mIndices);
    }
    ++kept;
  }
  mesh.mNumFaces = kept;
  mesh.mPrimitiveTypes = types;
  return dropped;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// Assimp's 3MF importer names materials "id<group>_<name>".
std::string WithoutIdPrefix(const std::string& name) {
  std::size_t end = 2;
  while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
  const bool prefixed = name.compare(0, 2, "id") == 0 && end > 2 && end < name.size() && name[end] == '_';
  return prefixed ? name.substr(end + 1) : name;
}

// The faces of one colour in one mesh, by kind.
struct ColourGroup {
  int colour = kNoColour;
  std::vector<unsigned> triangles, lines, points;  // corners, three, two or one a face
};

class FaceColours {
 public:
  explicit FaceColours(const MeshColours& colours) : m_colours(colours) {}

  // The Deneb colour of each face of the mesh.
  std::vector<int> Of(const aiScene& scene, const aiMesh& mesh) {
    const aiMaterial* material =
        mesh.mMaterialIndex < scene.mNumMaterials ? scene.mMaterials[mesh.mMaterialIndex] : nullptr;
    aiString name;
    if (material) material->Get(AI_MATKEY_NAME, name);
    int colour = m_colours.IndexByName(name.C_Str());
    if (colour == kNoColour) colour = m_colours.IndexByName(WithoutIdPrefix(name.C_Str()));
    // "PDB_DEFAULT" is the name given to sets without a colour on the way out.
    if (colour == kNoColour && Upper(name.C_Str()) != m_colours.Name(kNoColour)) {
      if (mesh.HasVertexColors(0)) return ByVertex(mesh);
      aiColor4D diffuse;
      if (material && material->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse) == AI_SUCCESS) {
        const float rgb[3] = {diffuse.r, diffuse.g, diffuse.b};
        colour = m_colours.Index(name.C_Str(), rgb);
      }
    }
    return std::vector<int>(mesh.mNumFaces, colour);
  }

 private:
  // Each face takes the colour of its first corner.
  std::vector<int> ByVertex(const aiMesh& mesh) {
    std::vector<int> result(mesh.mNumFaces, kNoColour);
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
      const aiFace& face = mesh.mFaces[i];
      if (face.mNumIndices > 0 && face.mIndices[0] < mesh.mNumVertices)
        result[i] = ColourIndex(mesh.mColors[0][face.mIndices[0]]);
    }
    return result;
  }

  int ColourIndex(const aiColor4D& colour) {
    const float rgb[3] = {colour.r, colour.g, colour.b};
    if (m_lastIndex != kUnknown && std::equal(rgb, rgb + 3, m_last)) return m_lastIndex;
    std::copy(rgb, rgb + 3, m_last);
    m_lastIndex = m_colours.Index("", rgb);
    return m_lastIndex;
  }

  const MeshColours& m_colours;
  static constexpr int kUnknown = -1000;
  float m_last[3] = {0, 0, 0};
  int m_lastIndex = kUnknown;
};

class SceneBuilder {
 public:
  // `faceColours` holds the colour of each face of each mesh.
  SceneBuilder(const aiScene& scene, const std::vector<std::vector<int>>& faceColours,
               const MeshColours& colours, const MeshImportOptions& options, xGeoContainer& container)
      : m_scene(scene),
        m_faceColours(faceColours),
        m_colours(colours),
        m_options(options),
        m_container(container) {}

  void AddNode(const aiNode& node, const aiMatrix4x4& parent) {
    const aiMatrix4x4 transform = parent * node.mTransformation;
    for (unsigned i = 0; i < node.mNumMeshes; ++i)
      if (node.mMeshes[i] < m_scene.mNumMeshes) AddMesh(node.mMeshes[i], transform);
    for (unsigned i = 0; i < node.mNumChildren; ++i) AddNode(*node.mChildren[i], transform);
  }

  int PointsLeftOut() const { return m_pointsLeftOut; }

 private:
  void AddMesh(unsigned index, const aiMatrix4x4& transform) {
    const aiMesh& mesh = *m_scene.mMeshes[index];
    const std::vector<int>& faceColours = m_faceColours[index];
    std::vector<ColourGroup> groups;
    const auto group = [&groups](int colour) -> ColourGroup& {
      for (ColourGroup& g : groups)
        if (g.colour == colour) return g;
      groups.push_back({colour, {}, {}, {}});
      return groups.back();
    };
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
      const aiFace& face = mesh.mFaces[i];
      if (face.mNumIndices == 0 || face.mNumIndices > 3) continue;
      bool inside = true;
      for (unsigned k = 0; k < face.mNumIndices; ++k) inside = inside && face.mIndices[k] < mesh.mNumVertices;
      if (!inside) continue;
      ColourGroup& g = group(i < faceColours.size() ? faceColours[i] : kNoColour);
      auto& corners = face.mNumIndices == 3 ? g.triangles : face.mNumIndices == 2 ? g.lines : g.points;
      corners.insert(corners.end(), face.mIndices, face.mIndices + face.mNumIndices);
    }
    for (const ColourGroup& g : groups) {
      if (!g.triangles.empty()) {
        if (m_options.polyMeshes)
          AddPolyMesh(mesh, transform, g);
        else
          AddTriMesh(mesh, transform, g);
      }
      if (!g.lines.empty()) AddLines(mesh, transform, g);
      if (!g.points.empty()) {
        if (m_options.points)
          AddPoints(mesh, transform, g);
        else
          m_pointsLeftOut += static_cast<int>(g.points.size());
      }
    }
  }

  // Only the vertices that the group's triangles use become points of the set.
  template <class AddPointFn>
  std::vector<int> PlacePoints(const aiMesh& mesh, const aiMatrix4x4& transform,
                               const std::vector<unsigned>& corners, AddPointFn add) const {
    std::vector<int> position(mesh.mNumVertices, -1);
    int next = 0;
    for (const unsigned v : corners)
      if (position[v] < 0) {
        position[v] = next++;
        add(transform * mesh.mVertices[v]);
      }
    return position;
  }

  void AddTriMesh(const aiMesh& mesh, const aiMatrix4x4& transform, const ColourGroup& g) {
    auto set = std::make_unique<xTriMesh>();
    xTriMesh* tri = set.get();
    const std::vector<int> position = PlacePoints(
        mesh, transform, g.triangles, [tri](const aiVector3D& p) { tri->AddPoint(xFVector(p.x, p.y, p.z)); });
    for (std::size_t i = 0; i + 2 < g.triangles.size(); i += 3)
      tri->AddTriangle(static_cast<unsigned>(position[g.triangles[i]]),
                       static_cast<unsigned>(position[g.triangles[i + 1]]),
                       static_cast<unsigned>(position[g.triangles[i + 2]]));
    tri->Refresh(true);
    Add(std::move(set), g.colour);
  }

  void AddPolyMesh(const aiMesh& mesh, const aiMatrix4x4& transform, const ColourGroup& g) {
    auto set = std::make_unique<xPolyMesh>();
    xPolyMesh* poly = set.get();
    std::vector<xPolyPoint*> points;
    const std::vector<int> position = PlacePoints(mesh, transform, g.triangles, [&](const aiVector3D& p) {
      points.push_back(poly->AddPoint(p.x, p.y, p.z, static_cast<int>(points.size())));
    });
    for (std::size_t i = 0; i + 2 < g.triangles.size(); i += 3) {
      xPolygon* polygon = poly->NewPolygon();
      for (std::size_t k = i; k < i + 3; ++k)
        polygon->AddVertex(points[static_cast<std::size_t>(position[g.triangles[k]])]);
    }
    poly->RenumberPolygons();
    Add(std::move(set), g.colour);
  }

  void AddLines(const aiMesh& mesh, const aiMatrix4x4& transform, const ColourGroup& g) {
    auto set = std::make_unique<xCompactLineSet>();
    for (std::size_t i = 0; i + 1 < g.lines.size(); i += 2) {
      const aiVector3D a = transform * mesh.mVertices[g.lines[i]],
                       b = transform * mesh.mVertices[g.lines[i + 1]];
      set->AddLinePoints(a.x, a.y, a.z, b.x, b.y, b.z);
    }
    set->Update();
    Add(std::move(set), g.colour);
  }

  void AddPoints(const aiMesh& mesh, const aiMatrix4x4& transform, const ColourGroup& g) {
    auto set = std::make_unique<xPointSet>();
    for (const unsigned v : g.points) {
      const aiVector3D p = transform * mesh.mVertices[v];
      set->AddPoint(xFVector(p.x, p.y, p.z));
    }
    Add(std::move(set), g.colour);
  }

  // As the PDB readers attach colours: mode 1 for no colour, else 2.
  void Add(std::unique_ptr<xGeoSet> set, int colour) {
    set->SetMaterial(m_colours.Material(colour));
    set->SetMaterialMode(colour == kNoColour ? 1 : 2);
    m_container.AddSet(set.release());
  }

  const aiScene& m_scene;
  const std::vector<std::vector<int>>& m_faceColours;
  const MeshColours& m_colours;
  const MeshImportOptions& m_options;
  xGeoContainer& m_container;
  int m_pointsLeftOut = 0;
};

// Assimp's message without the full stop that some of them end in.
std::string ErrorText(const Assimp::Importer& importer) {
  std::string text = importer.GetErrorString();
  while (!text.empty() && (text.back() == '.' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text.empty() ? "unknown error" : text;
}

bool ExtensionImportable(const Assimp::Importer& importer, const std::string& path) {
  const std::string extension = std::filesystem::path(path).extension().string();
  return !extension.empty() && importer.IsExtensionSupported(extension);
}

}  // namespace

MeshImport ImportMesh(const std::string& path, const MeshColours& colours, const MeshImportOptions& options,
                      ProgressBar& progress) {
  MeshImport result;
  Assimp::Importer importer;
  auto* handler = new AssimpProgress(progress);
  importer.SetProgressHandler(handler);  // the importer owns it

  handler->Phase(0.0, 0.7);
  const aiScene* scene = importer.ReadFile(path, aiProcess_ValidateDataStructure);
  if (!scene) {
    if (ExtensionImportable(importer, path)) {
      result.code = kExitFailed;
      result.problem = path + ": cannot be imported: " + ErrorText(importer);
    } else {
      result.code = kExitUsage;
      result.problem = path +
                       ": neither a PDB file that a module accepts nor a mesh file that can be imported (" +
                       ErrorText(importer) + ")";
    }
    return result;
  }
  // The importer hands out its scene as constant but lets its owner change it.
  aiScene* editable = const_cast<aiScene*>(scene);
  ToPdbFrame(*editable, path, options.pdbFrame);
  for (unsigned i = 0; i < editable->mNumMeshes; ++i) {
    const FacesDropped dropped = DropUnusableFaces(*editable->mMeshes[i]);
    result.facesWithoutCorners += dropped.withoutCorners;
    result.facesNotFinite += dropped.nonFinite;
  }

  handler->Phase(0.7, 0.85);
  scene = importer.ApplyPostProcessing(aiProcess_Triangulate);
  // Colours are taken before identical vertices are joined: the join
  // ignores vertex colours, while it keeps the faces in their order.
  std::vector<std::vector<int>> faceColours;
  if (scene) {
    FaceColours colouring(colours);
    for (unsigned i = 0; i < scene->mNumMeshes; ++i)
      faceColours.push_back(colouring.Of(*scene, *scene->mMeshes[i]));
    handler->Phase(0.85, 1.0);
    scene = importer.ApplyPostProcessing(aiProcess_JoinIdenticalVertices);
  }
  if (!scene || !scene->mRootNode) {
    result.code = kExitFailed;
    result.problem = path + ": cannot be imported: " + ErrorText(importer);
    return result;
  }

  result.geometry = std::make_unique<xGeometry>();
  SceneBuilder builder(*scene, faceColours, colours, options, *result.geometry->GetContainer());
  builder.AddNode(*scene->mRootNode, aiMatrix4x4());
  result.pointsLeftOut = builder.PointsLeftOut();
  progress.Done();
  return result;
}
