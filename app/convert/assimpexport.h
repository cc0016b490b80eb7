#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/convert/meshformat.h"
#include "app/read/hostread.h"
#include "host/xgeometry.h"

class MeshColours;
class ProgressBar;

struct MeshExport {
  bool ok = true;                  // false: nothing written
  std::string problem;             // and why
  std::vector<std::string> files;  // the files written, `path` first
  int setsWritten = 0;
  // Sets the format cannot hold, by host class; "empty xTriMesh" and the
  // like for sets with nothing to draw.
  std::map<std::string, int> leftOut;
};

// Writes the geometry's sets as one mesh each (polygon meshes triangulated,
// line sets as line segments) in `format` to `path` and whatever files the
// format puts beside it, each through a temporary that replaces the file
// only when everything was written. A set's material becomes a material
// named after its Deneb colour, with the colour's base colour as diffuse
// colour; sets without a colour get "PDB_DEFAULT". `pdbFrame` is what the
// geometry's coordinates mean; the format's rule says what becomes of them.
MeshExport ExportMesh(xGeometry& geometry, const MeshFormat& format, const std::string& path,
                      const MeshColours& colours, const Frame& pdbFrame, ProgressBar& progress);
