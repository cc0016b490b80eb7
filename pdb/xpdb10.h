#pragma once

#include "api/xpdbapi.h"
#include "host/xgeometry.h"
#include "host/xstream.h"

// PDB format version 10.
class XPDB_API xPdb10 {
 public:
  int Read(xStream* stream, xGeometry** geometry);
  int ReadObjects(xStream* stream, xGeometry** geometry);
  int Write(xStream* stream, xGeometry* geometry);
  const char* Explain(int status);

  // The version number as written in the file header (10, or 1010).
  int fileVersion = 0;
};
