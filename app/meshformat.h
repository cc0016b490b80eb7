#pragma once

#include <string>
#include <vector>

// A mesh file format that `convert` writes through Assimp, chosen by the
// output file's extension.
struct MeshFormat {
  const char* extension;  // lower case, with the dot
  const char* exportId;   // Assimp's exporter id
  const char* name;
  bool lines;   // the format keeps line primitives
  bool points;  // the format keeps point primitives
  // The format has no materials: each vertex carries its set's colour.
  bool vertexColours;
};

// The formats that the installed Assimp can write, in the order of the table.
const std::vector<MeshFormat>& MeshFormats();

// The format written for `path`, by its extension in any case; null when
// there is none.
const MeshFormat* MeshFormatFor(const std::string& path);

bool IsPdbPath(const std::string& path);

// Every extension `convert` writes, ".pdb" first: ".pdb, .obj, .stl, ...".
std::string OutputExtensions();
