#pragma once

#include <map>
#include <string>

#include "app/read/package.h"

// What one read in a child process reports: "seconds" (wall time of the read
// alone), "cpu_seconds" (user and system time of the same span), "points", "triangles", "sets", checksums of
// the arrays read, and for the clocked package "glu_seconds". Printed as "key value" lines.
using Measures = std::map<std::string, double>;

// Reads `file` through module `module` of the package at `library`, loaded
// with dlopen, through its exported GRRead into a host geometry, as a host
// would: a file stream, the colour materials installed, the default NURBS
// tolerance set; with `warmContext` the host's OpenGL context is made before
// the read, as a host that draws has it. Throws std::runtime_error when the
// read fails.
Measures ReadWithPackage(const std::string& library, int module, const std::string& file, bool warmContext);

// Loads the package at `library` into `package` as a host does before it
// reads (colour materials installed, the default NURBS tolerance set) and
// returns module `module`; throws std::runtime_error when either is missing.
const PackageModule& LoadForReading(Package& package, const std::string& library, int module);

// The practical limit: the whole file into one buffer, then one pass that
// parses the same version-9 records with fast_float and std::from_chars into
// exactly sized float and index arrays.
Measures ReadWithFastFloat(const std::string& file);

// The OBJ file through Assimp's importer (no post-processing) and through
// tinyobjloader (its default configuration).
Measures ReadWithAssimp(const std::string& file);
Measures ReadWithTinyObj(const std::string& file);

// User plus system CPU time of this process so far, in seconds.
double CpuSeconds();

// Resident set size of this process now, in bytes (VmRSS).
double CurrentRss();
