#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

// What Assimp's PLY importer does not give: a sanity check of the counts
// that the header declares, and the colours that faces carry.

struct PlyProperty {
  std::string name;
  int size = 0;       // bytes of a value in binary files; 0 for unknown types
  char kind = 'i';    // 'i' signed, 'u' unsigned, 'f' floating
  int countSize = 0;  // a list's count, in bytes; 0 for a single value
  char countKind = 'u';
};

struct PlyElement {
  std::string name;
  std::uint64_t count = 0;
  std::vector<PlyProperty> properties;
};

struct PlyHeader {
  enum Format { kAscii, kBinaryLittle, kBinaryBig } format = kAscii;
  std::vector<PlyElement> elements;
  std::uint64_t bodyOffset = 0;  // the first byte after "end_header" and its line end
};

// Whether `head` (the start of a file) begins as a PLY file does.
bool LooksLikePly(const std::string& head);

// False with the reason in `error` when the header is malformed.
bool ParsePlyHeader(const std::string& head, PlyHeader& header, std::string& error);

// Empty when the elements that the header declares fit into `fileSize`
// bytes, at the least each takes; else why they cannot.
std::string ImplausiblePlyCounts(const PlyHeader& header, std::uint64_t fileSize);

// The red, green and blue (0..1) of each face, when the face element has
// such properties; empty when it has none or the body ends early.
std::vector<std::array<float, 3>> ReadPlyFaceColours(std::istream& in, const PlyHeader& header);
