#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "app/convert/axes.h"
#include "app/convert/meshformat.h"
#include "app/read/hostread.h"
#include "app/read/package.h"

// Each command prints its result on `out`, problems on `err`, and returns
// the process exit code.

int RunModules(const Package& package, bool json, std::ostream& out);

int RunDetect(const Package& package, const std::vector<std::string>& files, bool json, std::ostream& out,
              std::ostream& err);

// Reads a PDB file, or a mesh file through the importer, and prints what it
// holds. With `keep`, the geometry is handed there instead of taken apart: a
// program about to exit need not spend its time on a million destructors.
int RunRead(const Package& package, const ReadRequest& request, bool json, std::ostream& out,
            std::ostream& err, std::unique_ptr<xGeometry>* keep = nullptr);

// The program's version, and the package's when it is loaded.
int RunVersion(const Package* package, std::ostream& out);

struct ConvertRequest {
  ReadRequest input;
  std::string output;  // PDB or a mesh format, by its extension
  int version = 9;
  bool progress = false;                   // progress bars on `err` for mesh files
  bool strict = false;                     // leaving out any content fails the conversion
  Encoding encoding = Encoding::kDefault;  // of a mesh file written
  Frame pdbFrame;                          // what the PDB side's coordinates mean
};

int RunConvert(const Package& package, const ConvertRequest& request, std::ostream& out, std::ostream& err);
