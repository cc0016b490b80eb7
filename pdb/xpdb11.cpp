#include "pdb/xpdb11.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 11;
}

int xPdb11::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadPart(stream, geometry, kVersion, nullptr, [&] { return ReadObjects(stream, geometry); });
}

int xPdb11::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, kVersion);
}

const char* xPdb11::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
