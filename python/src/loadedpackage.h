#pragma once

#include "app/read/package.h"

// The package as this interpreter uses it: loaded on first use, once, with
// the host's colour materials installed. Throws std::runtime_error when it
// cannot be loaded.
const Package& LoadedPackage();

// Where the package library is looked for: $XPDB_LIBRARY, else beside this
// module as it lies in a wheel, a build tree or an installed prefix.
std::string PackageLibraryPath();
