#pragma once

#include <string>
#include <vector>

#include "readers.h"

// One measurement in a fresh process: this program run again with `args`.
// The child prints its measures as "key value" lines; the parent adds
// "peak_rss" (bytes, ru_maxrss of the child from wait4). Throws
// std::runtime_error when the child fails.
Measures RunChild(const std::vector<std::string>& args);

// The child side: runs the task named by args[0] and prints its measures.
// Returns the exit code.
int ChildMain(const std::vector<std::string>& args);
