#include "pdb/xpdb12.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 12;
}

int xPdb12::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadPart(stream, geometry, kVersion, nullptr, [&] { return ReadObjects(stream, geometry); });
}

int xPdb12::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, kVersion);
}

const char* xPdb12::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
