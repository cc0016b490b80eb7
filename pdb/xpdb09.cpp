#include "pdb/xpdb09.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 9;
}

int xPdb09::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadPart(stream, geometry, kVersion, nullptr, [&] { return ReadObjects(stream, geometry); });
}

int xPdb09::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, kVersion);
}

const char* xPdb09::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
