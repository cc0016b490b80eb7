#pragma once

#include "api/xpdbapi.h"
#include "host/xcompactlineset.h"
#include "host/xgeometry.h"
#include "host/xlineset.h"
#include "host/xpolymesh.h"
#include "host/xstream.h"
#include "host/xtrimesh.h"

// PDB format version 8.
class XPDB_API xPdb08 {
 public:
  int Read(xStream* stream, xGeometry** geometry);
  int ReadObjects(xStream* stream, xGeometry** geometry);
  int Write(xStream* stream, xGeometry* geometry);
  const char* Explain(int status);
  // One object per kind of set, the same text as version 9 writes.
  void WritePolyMesh(xStream* stream, xPolyMesh* mesh);
  void WriteLineSet(xStream* stream, xLineSet* lines);
  void WriteTriMesh(xStream* stream, xTriMesh* mesh);
  void WriteCompactLineSet(xStream* stream, xCompactLineSet* lines);
};
