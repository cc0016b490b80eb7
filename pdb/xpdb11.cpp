#include "pdb/xpdb11.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 11;
}

int xPdb11::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::GuardedRead([&] {
    if (!stream) return static_cast<int>(xpdb::kStatusBrokenStream);
    xpdb::ReadHeader(*stream, kVersion);
    if (const int status = xpdb::ReadSections(*stream, geometry, kVersion)) return status;
    if (const int status = ReadObjects(stream, geometry)) return status;
    return xpdb::Optimise(geometry, kVersion);
  });
}

int xPdb11::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, kVersion);
}

const char* xPdb11::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
