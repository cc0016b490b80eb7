#pragma once

#include <iosfwd>

#include "app/read/hostread.h"

// Reads a PDB file through the package, or any other file through the mesh
// importer that `convert` uses, so that what a conversion wrote can be
// inspected as well. Warnings of the import go to `err`; the result is
// that of ReadThroughPackage, with `module` null and `report.module` empty
// for an imported mesh.
ReadResult ReadAnyFile(const Package& package, const ReadRequest& request, std::ostream& err);
