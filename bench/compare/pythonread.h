#pragma once

#include <string>

// The child side of the Python read: replaces this process with the Python
// interpreter, which imports the module from `moduleDir`, reads `file`
// through module 0 into NumPy arrays and prints the measures of ReadWith-
// Package ("seconds", "cpu_seconds", "rss_before", "points", "triangles")
// and "array_bytes". Returns only when the interpreter cannot be started.
int ExecPythonRead(const std::string& moduleDir, const std::string& file);

// <directory of this program>/../python, where the build puts the module.
std::string BuildPythonDirectory();
