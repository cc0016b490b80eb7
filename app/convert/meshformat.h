#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/convert/axes.h"

// Who writes a format: Assimp's exporter, or our own writer where Assimp's
// output is wrong for other programs.
enum class MeshWriter { kAssimp, kStl, kPly, k3mf, kGltf };

// How a format's coordinates relate to the PDB side's frame.
enum class FrameRule {
  kAsHeld,   // no convention: written as the PDB side holds them
  kConvert,  // converted into the format's fixed frame, `frame`
  kDeclare,  // kept, with the unit and up axis declared beside them
};

// A mesh file format in one encoding that `convert` writes, chosen by the
// output file's extension and --binary/--ascii.
struct MeshFormat {
  const char* extension;  // lower case, with the dot
  const char* exportId;   // Assimp's exporter id, for kAssimp
  const char* name;
  MeshWriter writer;
  bool binary;
  bool byDefault;  // the encoding written without --binary/--ascii
  bool lines;      // the format keeps line primitives
  bool points;     // the format keeps point primitives
  // The format has no materials: each vertex carries its set's colour.
  bool vertexColours;
  bool normals;  // vertex normals, split at creases
  FrameRule frameRule;
  Frame frame;  // for kConvert
};

enum class Encoding { kDefault, kBinary, kAscii };

// The formats that can be written, in the order of the table.
const std::vector<MeshFormat>& MeshFormats();

// The format written for `path`, by its extension in any case, in the
// encoding asked for; null when there is none, with the reason in `why`
// when the extension is known but not the encoding.
const MeshFormat* MeshFormatFor(const std::string& path, Encoding encoding, std::string& why);
const MeshFormat* MeshFormatFor(const std::string& path);

bool IsPdbPath(const std::string& path);

// Every extension `convert` writes, ".pdb" first: ".pdb, .obj, .stl, ...".
std::string OutputExtensions();
