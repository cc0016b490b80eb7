#include "app/convert/assimpimport.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>
#include <assimp/ProgressHandler.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "app/convert/assimpprogress.h"
#include "app/convert/axes.h"
#include "app/convert/declaredcounts.h"
#include "app/convert/importedmesh.h"
#include "app/convert/isolatedimport.h"
#include "app/convert/meshcolours.h"
#include "app/convert/plainobj.h"
#include "app/convert/plyfile.h"
#include "app/convert/weld.h"
#include "app/files/progressbar.h"
#include "host/xcompactlineset.h"
#include "host/xpointset.h"
#include "host/xpolymesh.h"
#include "host/xtrimesh.h"
#include "pdb/colour/denebcolours.h"

namespace {

using xpdb::kNoColour;

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
// `faceColours`, when it has a colour for each face, loses those of the
// dropped faces alike.
FacesDropped DropUnusableFaces(aiMesh& mesh, std::vector<int>& faceColours) {
  const bool colours = faceColours.size() == mesh.mNumFaces;
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
      if (colours) faceColours[kept] = faceColours[i];
    }
    ++kept;
  }
  mesh.mNumFaces = kept;
  if (colours) faceColours.resize(kept);
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

// Assimp's name for the material it makes up for files without any.
bool MadeUp(const std::string& name) { return name.empty() || name == "DefaultMaterial"; }

// The faces of one colour in one mesh, by kind.
struct ColourGroup {
  int colour = kNoColour;
  std::vector<unsigned> triangles, lines, points;  // corners, three, two or one a face
};

class FaceColours {
 public:
  explicit FaceColours(const MeshColours& colours) : m_colours(colours) {}

  // The Deneb colour of each face of the mesh; `given` holds the colours
  // that the file gives its faces, when it does.
  std::vector<int> Of(const aiScene& scene, const aiMesh& mesh, std::vector<int> given) {
    const aiMaterial* material =
        mesh.mMaterialIndex < scene.mNumMaterials ? scene.mMaterials[mesh.mMaterialIndex] : nullptr;
    aiString name;
    if (material) material->Get(AI_MATKEY_NAME, name);
    int colour = m_colours.IndexByName(name.C_Str());
    if (colour == kNoColour) colour = m_colours.IndexByName(WithoutIdPrefix(name.C_Str()));
    if (colour == kNoColour && given.size() == mesh.mNumFaces) return given;
    // "PDB_DEFAULT" is the name given to sets without a colour on the way
    // out; a material that the importer made up says nothing either.
    if (colour == kNoColour && Upper(name.C_Str()) != m_colours.Name(kNoColour)) {
      if (mesh.HasVertexColors(0)) return ByVertex(mesh);
      aiColor4D diffuse;
      if (material && !MadeUp(name.C_Str()) &&
          material->Get(AI_MATKEY_COLOR_DIFFUSE, diffuse) == AI_SUCCESS) {
        const float rgb[3] = {diffuse.r, diffuse.g, diffuse.b};
        colour = m_colours.Index(name.C_Str(), rgb);
      }
    }
    return std::vector<int>(mesh.mNumFaces, colour);
  }

  int ColourIndex(const float rgb[3]) {
    if (m_lastIndex != kUnknown && std::equal(rgb, rgb + 3, m_last)) return m_lastIndex;
    std::copy(rgb, rgb + 3, m_last);
    m_lastIndex = m_colours.Index("", rgb);
    return m_lastIndex;
  }

 private:
  // Each face takes the colour of its first corner.
  std::vector<int> ByVertex(const aiMesh& mesh) {
    std::vector<int> result(mesh.mNumFaces, kNoColour);
    for (unsigned i = 0; i < mesh.mNumFaces; ++i) {
      const aiFace& face = mesh.mFaces[i];
      if (face.mNumIndices > 0 && face.mIndices[0] < mesh.mNumVertices) {
        const aiColor4D& c = mesh.mColors[0][face.mIndices[0]];
        const float rgb[3] = {c.r, c.g, c.b};
        result[i] = ColourIndex(rgb);
      }
    }
    return result;
  }

  const MeshColours& m_colours;
  static constexpr int kUnknown = -1000;
  float m_last[3] = {0, 0, 0};
  int m_lastIndex = kUnknown;
};

// The placed meshes as plain parts: one per kind and colour of each mesh,
// triangles over points welded by position.
class SceneFlattener {
 public:
  // `faceColours` holds the colour of each face of each mesh.
  SceneFlattener(const aiScene& scene, const std::vector<std::vector<int>>& faceColours,
                 ImportedScene& result)
      : m_scene(scene), m_faceColours(faceColours), m_result(result) {}

  void AddNode(const aiNode& node, const aiMatrix4x4& parent) {
    const aiMatrix4x4 transform = parent * node.mTransformation;
    for (unsigned i = 0; i < node.mNumMeshes; ++i)
      if (node.mMeshes[i] < m_scene.mNumMeshes) AddMesh(node.mMeshes[i], transform);
    for (unsigned i = 0; i < node.mNumChildren; ++i) AddNode(*node.mChildren[i], transform);
  }

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
    const bool identity = transform.IsIdentity();
    const auto place = [&](unsigned v) {
      return identity ? mesh.mVertices[v] : transform * mesh.mVertices[v];
    };
    for (ColourGroup& g : groups) {
      if (!g.triangles.empty()) {
        ImportedPart& part = NewPart(ImportedPart::kTriangles, g.colour);
        PositionWeld weld(g.triangles.size());
        part.corners.reserve(g.triangles.size());
        for (const unsigned v : g.triangles) {
          const aiVector3D p = place(v);
          part.corners.push_back(weld.Add(p.x, p.y, p.z));
        }
        part.points = weld.TakePoints();
        std::vector<unsigned>().swap(g.triangles);
      }
      for (const auto& [kind, corners] :
           {std::pair{ImportedPart::kSegments, &g.lines}, std::pair{ImportedPart::kPoints, &g.points}}) {
        if (corners->empty()) continue;
        ImportedPart& part = NewPart(kind, g.colour);
        part.points.reserve(3 * corners->size());
        for (const unsigned v : *corners) {
          const aiVector3D p = place(v);
          part.points.insert(part.points.end(), {p.x, p.y, p.z});
        }
      }
    }
  }

  ImportedPart& NewPart(ImportedPart::Kind kind, int colour) {
    m_result.parts.emplace_back();
    m_result.parts.back().kind = kind;
    m_result.parts.back().colour = colour;
    return m_result.parts.back();
  }

  const aiScene& m_scene;
  const std::vector<std::vector<int>>& m_faceColours;
  ImportedScene& m_result;
};

// Turns the parts into host sets, each with its colour's material.
class SetBuilder {
 public:
  SetBuilder(const MeshColours& colours, const MeshImportOptions& options, xGeoContainer& container)
      : m_colours(colours), m_options(options), m_container(container) {}

  void Add(ImportedPart& part) {
    switch (part.kind) {
      case ImportedPart::kTriangles:
        if (m_options.polyMeshes)
          AddPolyMesh(part);
        else
          AddTriMesh(part);
        break;
      case ImportedPart::kSegments:
        AddSegments(part);
        break;
      case ImportedPart::kPoints:
        if (m_options.points)
          AddPoints(part);
        else
          m_pointsLeftOut += static_cast<int>(part.points.size() / 3);
        break;
    }
    part = {};
  }

  int PointsLeftOut() const { return m_pointsLeftOut; }

 private:
  void AddTriMesh(const ImportedPart& part) {
    auto set = std::make_unique<xTriMesh>();
    for (std::size_t i = 0; i < part.points.size(); i += 3)
      set->AddPoint(xFVector(part.points[i], part.points[i + 1], part.points[i + 2]));
    for (std::size_t i = 0; i + 2 < part.corners.size(); i += 3)
      set->AddTriangle(part.corners[i], part.corners[i + 1], part.corners[i + 2]);
    set->Refresh(true);
    Attach(std::move(set), part.colour);
  }

  void AddPolyMesh(const ImportedPart& part) {
    auto set = std::make_unique<xPolyMesh>();
    std::vector<xPolyPoint*> points;
    points.reserve(part.points.size() / 3);
    for (std::size_t i = 0; i < part.points.size(); i += 3)
      points.push_back(set->AddPoint(part.points[i], part.points[i + 1], part.points[i + 2],
                                     static_cast<int>(points.size())));
    for (std::size_t i = 0; i + 2 < part.corners.size(); i += 3) {
      xPolygon* polygon = set->NewPolygon();
      for (std::size_t k = i; k < i + 3; ++k) polygon->AddVertex(points[part.corners[k]]);
    }
    set->RenumberPolygons();
    Attach(std::move(set), part.colour);
  }

  void AddSegments(const ImportedPart& part) {
    auto set = std::make_unique<xCompactLineSet>();
    const std::vector<float>& p = part.points;
    for (std::size_t i = 0; i + 5 < p.size(); i += 6)
      set->AddLinePoints(p[i], p[i + 1], p[i + 2], p[i + 3], p[i + 4], p[i + 5]);
    set->Update();
    Attach(std::move(set), part.colour);
  }

  void AddPoints(const ImportedPart& part) {
    auto set = std::make_unique<xPointSet>();
    for (std::size_t i = 0; i < part.points.size(); i += 3)
      set->AddPoint(xFVector(part.points[i], part.points[i + 1], part.points[i + 2]));
    Attach(std::move(set), part.colour);
  }

  // As the PDB readers attach colours: mode 1 for no colour, else 2.
  void Attach(std::unique_ptr<xGeoSet> set, int colour) {
    set->SetMaterial(m_colours.Material(colour));
    set->SetMaterialMode(xpdb::MaterialModeOf(colour));
    m_container.AddSet(set.release());
  }

  const MeshColours& m_colours;
  const MeshImportOptions& m_options;
  xGeoContainer& m_container;
  int m_pointsLeftOut = 0;
};

// Assimp's progress reports, sent to the parent as parts of the whole.
class ChannelProgress : public Assimp::ProgressHandler {
 public:
  explicit ChannelProgress(ChildChannel& channel) : m_channel(channel) {}
  void Phase(double from, double to) {
    m_from = from;
    m_to = to;
    m_channel.Progress(from);
  }
  bool Update(float fraction) override {
    if (fraction >= 0.0f && fraction <= 1.0f) m_channel.Progress(m_from + (m_to - m_from) * fraction);
    return true;
  }

 private:
  ChildChannel& m_channel;
  double m_from = 0.0, m_to = 1.0;
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

// The colours that a PLY file gives its faces, which Assimp leaves out, as
// Deneb colours; empty when it gives none.
std::vector<int> PlyFaceColours(const std::string& path, FaceColours& colouring) {
  std::ifstream in(path, std::ios::binary);
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  PlyHeader header;
  std::string error;
  std::vector<int> result;
  if (!LooksLikePly(head) || !ParsePlyHeader(head, header, error)) return result;
  const std::vector<std::array<float, 3>> rgb = ReadPlyFaceColours(in, header);
  result.reserve(rgb.size());
  for (const auto& c : rgb) result.push_back(colouring.ColourIndex(c.data()));
  return result;
}

// How many triangles each face becomes when Assimp triangulates it, in order.
std::vector<int> TrianglesPerFace(const aiMesh& mesh) {
  std::vector<int> result(mesh.mNumFaces);
  for (unsigned i = 0; i < mesh.mNumFaces; ++i)
    result[i] = mesh.mFaces[i].mNumIndices > 3 ? static_cast<int>(mesh.mFaces[i].mNumIndices) - 2 : 1;
  return result;
}

// The colours of the faces before triangulation, for the triangles after it;
// empty when the counts do not agree.
std::vector<int> Spread(const std::vector<int>& colours, const std::vector<int>& perFace, unsigned faces) {
  std::vector<int> result;
  if (colours.size() != perFace.size()) return result;
  result.reserve(faces);
  for (std::size_t i = 0; i < colours.size(); ++i) result.insert(result.end(), perFace[i], colours[i]);
  if (result.size() != faces) result.clear();
  return result;
}

std::uint64_t RegularFileSize(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size)
                                                                 : 0;
}

// The importing process's whole job: Assimp's scene, flattened into parts.
void ImportInChild(const std::string& path, const MeshColours& colours, const Frame& pdbFrame,
                   ChildChannel& channel) {
  ImportedScene imported;
  Assimp::Importer importer;
  auto* handler = new ChannelProgress(channel);
  importer.SetProgressHandler(handler);  // the importer owns it
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // A pipe is read once, by Assimp.
  const bool regular = RegularFileSize(path) > 0;
  if (regular && extension == ".obj" && ReadPlainObj(path, imported, [&](double f) { channel.Progress(f); }))
    channel.Result(EncodeScene(imported));
  FaceColours colouring(colours);
  std::vector<int> fileFaceColours = regular ? PlyFaceColours(path, colouring) : std::vector<int>();

  handler->Phase(0.0, 0.7);
  const aiScene* scene = importer.ReadFile(path, aiProcess_ValidateDataStructure);
  if (!scene) {
    if (ExtensionImportable(importer, path))
      channel.Failure(path + ": cannot be imported: " + ErrorText(importer));
    channel.Failure(path +
                        ": neither a PDB file that a module accepts nor a mesh file that can be imported (" +
                        ErrorText(importer) + ")",
                    true);
  }
  // Face colours from the file are Assimp's single mesh's, face by face.
  if (scene->mNumMeshes != 1) fileFaceColours.clear();
  // The importer hands out its scene as constant but lets its owner change it.
  aiScene* editable = const_cast<aiScene*>(scene);
  std::vector<int> perFace;
  ToPdbFrame(*editable, path, pdbFrame);
  for (unsigned i = 0; i < editable->mNumMeshes; ++i) {
    const FacesDropped dropped = DropUnusableFaces(*editable->mMeshes[i], fileFaceColours);
    imported.facesWithoutCorners += dropped.withoutCorners;
    imported.facesNotFinite += dropped.nonFinite;
  }
  if (!fileFaceColours.empty()) perFace = TrianglesPerFace(*editable->mMeshes[0]);

  handler->Phase(0.7, 0.85);
  scene = importer.ApplyPostProcessing(aiProcess_Triangulate);
  if (!scene || !scene->mRootNode) channel.Failure(path + ": cannot be imported: " + ErrorText(importer));
  std::vector<std::vector<int>> faceColours;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i)
    faceColours.push_back(colouring.Of(
        *scene, *scene->mMeshes[i],
        i == 0 ? Spread(fileFaceColours, perFace, scene->mMeshes[0]->mNumFaces) : std::vector<int>()));
  handler->Phase(0.85, 1.0);
  SceneFlattener flattener(*scene, faceColours, imported);
  flattener.AddNode(*scene->mRootNode, aiMatrix4x4());
  importer.FreeScene();
  channel.Result(EncodeScene(imported));
}

// The counts that the file's header declares, checked before any importer
// trusts them; empty when they are plausible.
std::string CheckDeclaredCounts(const std::string& path, std::uint64_t size) {
  if (size == 0) return "";
  std::ifstream in(path, std::ios::binary);
  std::string head(64 * 1024, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return ImplausibleDeclaredCounts(head, size, std::filesystem::path(path).extension().string());
}

}  // namespace

MeshImport ImportMesh(const std::string& path, const MeshColours& colours, const MeshImportOptions& options,
                      ProgressBar& progress) {
  return ImportMesh(path, colours, options, progress, LimitsForInput(RegularFileSize(path)));
}

MeshImport ImportMesh(const std::string& path, const MeshColours& colours, const MeshImportOptions& options,
                      ProgressBar& progress, const IsolationLimits& limits) {
  MeshImport result;
  const std::string implausible = CheckDeclaredCounts(path, RegularFileSize(path));
  if (!implausible.empty()) {
    result.failure = MeshImport::Failure::kFailed;
    result.problem = path + ": cannot be imported: " + implausible;
    return result;
  }
  IsolatedOutcome outcome = RunIsolated(
      limits, [&](ChildChannel& channel) { ImportInChild(path, colours, options.pdbFrame, channel); },
      [&](double fraction) { progress.Update(0.9 * fraction); });
  ImportedScene scene;
  std::string error;
  if (outcome.ok && !DecodeScene(outcome.result, scene, error)) {
    outcome.ok = false;
    outcome.error = path + ": cannot be imported: " + error;
  }
  if (!outcome.ok) {
    result.failure = outcome.unrecognised ? MeshImport::Failure::kUnrecognised : MeshImport::Failure::kFailed;
    result.problem = outcome.error.rfind(path + ": ", 0) == 0
                         ? outcome.error
                         : path + ": cannot be imported: " + outcome.error;
    return result;
  }
  std::string().swap(outcome.result);
  result.facesWithoutCorners = static_cast<int>(scene.facesWithoutCorners);
  result.facesNotFinite = static_cast<int>(scene.facesNotFinite);
  result.geometry = std::make_unique<xGeometry>();
  SetBuilder builder(colours, options, *result.geometry->GetContainer());
  for (ImportedPart& part : scene.parts) builder.Add(part);
  result.pointsLeftOut = builder.PointsLeftOut();
  progress.Done();
  return result;
}
