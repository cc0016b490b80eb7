#pragma once

#include "api/xpdbapi.h"
#include "host/xgeometry.h"
#include "host/xstream.h"

// PDB format version 14.
class XPDB_API xPdb14 {
 public:
  int Read(xStream* stream, xGeometry** geometry);
  int ReadObjects(xStream* stream, xGeometry** geometry);
  int Write(xStream* stream, xGeometry* geometry);
  const char* Explain(int status);
  // The stored tessellations that follow the objects; 0 on success.
  int ReadTesselation(xStream* stream, xGeometry** geometry);
};
