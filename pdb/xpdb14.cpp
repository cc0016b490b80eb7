#include "pdb/xpdb14.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 14;
}

int xPdb14::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadPart(stream, geometry, kVersion, nullptr, [&] { return ReadObjects(stream, geometry); });
}

int xPdb14::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, kVersion);
}

int xPdb14::ReadTesselation(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadTessellation(stream, geometry);
}

const char* xPdb14::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
