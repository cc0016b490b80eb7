#pragma once

#include <cstdint>
#include <string>

// Counts that a mesh file's header declares (PLY elements, OFF vertices and
// faces, binary STL triangles), checked against the bytes that follow
// before any importer trusts them. Empty when they are plausible or the
// file has no such header; else why the file cannot hold them.
// `extension` (any case, with the dot) tells binary STL, which has no mark.
std::string ImplausibleDeclaredCounts(const std::string& head, std::uint64_t fileSize,
                                      const std::string& extension);
