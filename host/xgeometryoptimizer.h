#pragma once

#include <string>

#include "xhostapi.h"
#include "xstring.h"

class xGeometry;
class xGeoSet;

// What the last AnalyzeAndOptimizeGeometry call on the calling thread
// received, for the host to show; each thread has its own record.
struct xOptimizerRecord {
  bool called = false;
  std::string name;
  int version = 0;
  int meshesStarted = 0;  // StartMesh calls on the thread since the last reset
  int meshesEnded = 0;
};

class XHOST_API xGeometryOptimizer {
 public:
  xGeometryOptimizer();
  ~xGeometryOptimizer();

  void StartMesh(xGeoSet* set);
  void EndMesh(xGeoSet* set);
  // Refreshes every set of the geometry and records the call.
  void AnalyzeAndOptimizeGeometry(xGeometry** geometry, xTString<char> name, int version);

  static xOptimizerRecord GetRecord();
  static void ResetRecord();
};
