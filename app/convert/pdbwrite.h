#pragma once

#include <string>

#include "app/read/package.h"
#include "host/xgeometry.h"

struct PdbWriteResult {
  bool ok = false;
  std::string error;  // why nothing was written, for the user as it stands
  int objects = 0;    // objects the writer wrote
  int split = 0;      // sets that became more than one object
};

// Writes `geometry` as PDB `version` through `writer` into `path`, which is
// replaced as a whole or not at all. `source` names where the geometry came
// from, for the message of a writer that refuses it. Sets that the version
// cannot hold are left to the writer; PlanPdb tells which.
PdbWriteResult WritePdbFile(const PackageModule& writer, int version, xGeometry* geometry,
                            const std::string& path, const std::string& source);
