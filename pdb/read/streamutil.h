#pragma once

#include <cmath>

#include "host/xgeometry.h"
#include "host/xstream.h"

// Small stream and container helpers shared by the section and object readers.
namespace xpdb {

// Neither failed nor bad; reaching the end of the file alone is no failure.
inline bool StreamSound(const xStream& stream) { return !stream.fail(); }

// Consumes the rest of the current line. The last count of a file may stand
// without a line break after it, so a clean end of file here is no failure.
void SkipRestOfLine(xStream& stream, char* buffer, int size);

// Consumes one whole line of at most size - 1 characters, which must be
// there. Either way a CR right before the line feed is part of the line end.
void SkipLine(xStream& stream, char* buffer, int size);

// The container of the geometry; throws xSmartPtrException when there is none.
xGeoContainer& ContainerOf(xGeometry** geometry);

// Halfway between the largest float and 2^128: from here on a real rounds to
// an infinite float.
constexpr double kFloatOverflow = 0x1.ffffffp127;

// Reads the x, y and z of a point. Points end up in single precision, so a
// coordinate beyond the range of float is a malformed number, as it would be
// to a stream that reads floats: the stream fails and no point is at infinity.
inline bool ReadPoint(xStream& stream, double& x, double& y, double& z) {
  stream >> x >> y >> z;
  if (std::fabs(x) >= kFloatOverflow || std::fabs(y) >= kFloatOverflow || std::fabs(z) >= kFloatOverflow)
    stream.setstate(std::ios::failbit);
  return !stream.fail();
}

}  // namespace xpdb
