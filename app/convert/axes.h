#pragma once

#include <optional>
#include <string>

#include <assimp/matrix3x3.h>

struct aiScene;

enum class UpAxis { kZ, kY };

// What the coordinates of one side of a conversion mean. PDB parts are
// Z-up millimetres unless the user says otherwise.
struct Frame {
  double metresPerUnit = 0.001;
  UpAxis up = UpAxis::kZ;
};

// "mm", "cm", "m" or "in" in metres; none for anything else.
std::optional<double> ParseUnit(const std::string& text);
// "z" or "y".
std::optional<UpAxis> ParseUp(const std::string& text);

// The map from coordinates in `from` to the same places in `to`: a scale,
// and a quarter turn about X where the up axes differ (right-handed both).
aiMatrix3x3t<double> Conversion(const Frame& from, const Frame& to);

// The frame that a mesh file's coordinates are in once Assimp has read it,
// by its extension: glTF and X3D are Y-up metres by definition, Assimp turns
// COLLADA into Y-up metres by the file's own declaration, FBX declares its
// up axis and unit (centimetres times its scale factor), 3MF as `convert`
// writes it is Z-up millimetres. Other formats carry no convention: none.
std::optional<Frame> ImportedFrame(const aiScene& scene, const std::string& path);

// Puts an imported scene into the PDB side's frame through its root
// transform. Vertex normals are dropped: PDB keeps none, and they would keep
// apart corners that share a position.
void ToPdbFrame(aiScene& scene, const std::string& path, const Frame& pdb);
