#pragma once

#include "api/xpdbapi.h"
#include "host/xgeometry.h"
#include "host/xstream.h"

// PDB format version 12.
class XPDB_API xPdb12 {
 public:
  int Read(xStream* stream, xGeometry** geometry);
  int ReadObjects(xStream* stream, xGeometry** geometry);
  int Write(xStream* stream, xGeometry* geometry);
  const char* Explain(int status);
};
