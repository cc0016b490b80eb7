#include "pdb/xpdbutil.h"

#include "pdb/read/readstatus.h"

const char* xPdbUtil::ExplainStatus(int status) {
  switch (status) {
    case xpdb::kStatusOk:
      return "OK";
    case xpdb::kStatusBrokenStream:
      return "Broken Stream";
    case xpdb::kStatusCoorsyses:
      return "Error Reading Coorsyses";
    case xpdb::kStatusCurves:
      return "Error Reading Curves";
    case xpdb::kStatusSurfaces:
      return "Error Reading Surfaces";
    case xpdb::kStatusLines:
      return "Error Reading Lines";
    case xpdb::kStatusTexts:
      return "Error Reading Texts";
    case xpdb::kStatusTextures:
      return "Error Reading Textures";
    case xpdb::kStatusTessellation:
      return "Error Reading Tessellation";
    case xpdb::kStatusPointCount:
      return "Error Reading Point Count";
    case xpdb::kStatusLineCount:
      return "Error Reading Line Count";
    case xpdb::kStatusPolygonCount:
      return "Error Reading Polygon Count";
    case xpdb::kStatusPolygonVertexCount:
      return "Error Reading Polygon Vertex Count";
    case xpdb::kStatusEdgeCount:
      return "Error Reading Edge Count";
    default:
      return "Unknown Error";
  }
}
