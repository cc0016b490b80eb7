#include "pdb/xpdb08.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 8;
}

int xPdb08::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadPart(stream, geometry, kVersion, nullptr, [&] { return ReadObjects(stream, geometry); });
}

int xPdb08::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, kVersion);
}

const char* xPdb08::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
