#pragma once

#include <string>

#include "app/assimpexport.h"

// Binary STL written straight from the host's meshes: triangle meshes as
// they are, polygon meshes as fans, each facet with its own triangle's unit
// normal (zero for a degenerate one), streamed through a replacing file
// without a copy of the mesh. Other sets are left out and counted.
MeshExport ExportBinaryStl(xGeometry& geometry, const std::string& path, ProgressBar& progress);
