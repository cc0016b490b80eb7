#include "pdb/xpdb14.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 14;
}

int xPdb14::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::GuardedRead([&] {
    if (!stream) return static_cast<int>(xpdb::kStatusBrokenStream);
    xpdb::ReadHeader(*stream, kVersion);
    if (const int status = xpdb::ReadSections(*stream, geometry, kVersion)) return status;
    if (const int status = ReadObjects(stream, geometry)) return status;
    if (ReadTesselation(stream, geometry) != 0) return static_cast<int>(xpdb::kStatusTessellation);
    return xpdb::Optimise(geometry, kVersion);
  });
}

int xPdb14::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, kVersion);
}

const char* xPdb14::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
