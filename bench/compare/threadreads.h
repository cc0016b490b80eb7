#pragma once

#include <string>

#include "readers.h"

// Two surface parts read through module `module` of the package at `library`
// as a host on two threads would: one thread reading both, one after the
// other, against two threads reading one each at the same time, taking turns
// for `rounds` rounds after one warm-up of each. Measures: "serial_seconds"
// and "parallel_seconds" (best wall times), "ratio" (parallel over serial),
// "serial_cpu_seconds", "parallel_cpu_seconds", "triangles" and "sets" of
// the two reads together, and "same" (1 when every run read the same meshes).
// Throws std::runtime_error when a read fails.
Measures ReadTwoOnThreads(const std::string& library, int module, const std::string& first,
                          const std::string& second, int rounds);
