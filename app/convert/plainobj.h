#pragma once

#include <functional>
#include <string>

#include "app/convert/importedmesh.h"

// A quick reader for the plain OBJ that most meshes are exported as:
// vertices and triangles of one object, with texture coordinates, normals,
// the object's name and smoothing groups passed over, since PDB keeps none
// of them. The
// triangles become one part without a colour over the vertices they use,
// welded by position. False, with `scene` untouched, for anything beyond
// that (materials, several objects or groups, lines, points, polygons,
// vertex colours, a malformed or non-finite number, an index outside the
// vertices, no triangle at all), which Assimp then reads.
// `progress` gets the fraction of the file read.
bool ReadPlainObj(const std::string& path, ImportedScene& scene, const std::function<void(double)>& progress);
