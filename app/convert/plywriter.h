#pragma once

#include <string>

struct aiScene;

// The scene's meshes as one PLY vertex list and one face list (triangles,
// segments and single points as faces of three, two and one corners), with
// each vertex's colour in bytes, and its normal when any mesh has normals
// (zero where its mesh has none).
std::string WritePly(const aiScene& scene, bool binary);
