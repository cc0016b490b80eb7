#include "pdb/xpdb10.h"

#include "pdb/read/partreader.h"
#include "pdb/xpdbutil.h"

namespace {
constexpr int kVersion = 10;
}

int xPdb10::Read(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadPart(stream, geometry, kVersion, &fileVersion,
                        [&] { return ReadObjects(stream, geometry); });
}

// The header number (1010 in some files) changes the polygon records.
int xPdb10::ReadObjects(xStream* stream, xGeometry** geometry) {
  return xpdb::ReadObjectList(stream, geometry, kVersion, fileVersion);
}

const char* xPdb10::Explain(int status) { return xPdbUtil::ExplainStatus(status); }
