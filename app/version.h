#pragma once

#include "xpdbversion.h"

// The program's own version, the project's; the package reports its own.
inline constexpr const char* kProgramVersion = XPDB_VERSION;
