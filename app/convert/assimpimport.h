#pragma once

#include <memory>
#include <string>

#include "app/convert/axes.h"
#include "app/convert/isolatedimport.h"
#include "app/read/hostread.h"
#include "host/xgeometry.h"

class MeshColours;
class ProgressBar;

struct MeshImportOptions {
  // Triangles as polygon meshes, the only kind that PDB versions after 9 hold.
  bool polyMeshes = false;
  // Point primitives as point sets; else they are counted and left out.
  bool points = true;
  Frame pdbFrame;  // what the geometry's coordinates are to mean
};

struct MeshImport {
  // Why nothing was imported: not at all, a file of no kind the importer
  // knows, or one that it could not import.
  enum class Failure { kNone, kUnrecognised, kFailed };
  Failure failure = Failure::kNone;
  std::string problem;  // why nothing was imported
  std::unique_ptr<xGeometry> geometry;
  int pointsLeftOut = 0;
  int facesWithoutCorners = 0;
  int facesNotFinite = 0;  // with a corner at infinity or not a number
};

// Reads a file that Assimp imports (STL, OBJ, PLY, glTF, ...) into host
// geometry. Each mesh, placed by its nodes, becomes one set per kind of
// primitive and colour: triangles, line segments (pairs of a compact line
// set) and points. A material's name gives the Deneb colour, else its diffuse
// colour does, or per face the first corner's colour when the mesh carries
// colours per vertex; the set gets the host's material of that colour.
// Files without colours give sets without a colour ("PDB_DEFAULT"), whatever
// the format: a material that the importer makes up for them is not one.
// Corners at exactly the same position become one point of a mesh.
// The importer runs in a child process under limits in proportion to the
// file's size; headers that declare more than the file can hold are
// refused before it starts.
MeshImport ImportMesh(const std::string& path, const MeshColours& colours, const MeshImportOptions& options,
                      ProgressBar& progress);
// The same under the limits given.
MeshImport ImportMesh(const std::string& path, const MeshColours& colours, const MeshImportOptions& options,
                      ProgressBar& progress, const IsolationLimits& limits);
