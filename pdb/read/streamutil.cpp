#include "pdb/read/streamutil.h"

#include <cmath>

namespace xpdb {

void SkipRestOfLine(xStream& stream, char* buffer, int size) {
  if (!stream.fail() && (stream.eof() || stream.rdbuf()->sgetc() == std::char_traits<char>::eof())) return;
  stream.getline(buffer, size, '\n');
}

void SkipLine(xStream& stream, char* buffer, int size) { stream.getline(buffer, size, '\n'); }

xGeoContainer& ContainerOf(xGeometry** geometry) {
  if (!geometry || !*geometry) xSmartPtr::ThrowEmpty();
  return *(*geometry)->GetContainer();
}

namespace {
// Halfway between the largest float and 2^128: from here on a real rounds to
// an infinite float.
constexpr double kFloatOverflow = 0x1.ffffffp127;
}  // namespace

bool ReadPoint(xStream& stream, double& x, double& y, double& z) {
  stream >> x >> y >> z;
  if (std::fabs(x) >= kFloatOverflow || std::fabs(y) >= kFloatOverflow || std::fabs(z) >= kFloatOverflow)
    stream.setstate(std::ios::failbit);
  return !stream.fail();
}

}  // namespace xpdb
