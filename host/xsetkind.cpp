#include "xsetkind.h"

const char* xGeoTypeName(int type) {
  switch (type) {
    case xGeoTypePolyMesh:
      return "xPolyMesh";
    case xGeoTypeLineSet:
      return "xLineSet";
    case xGeoTypePointSet:
      return "xPointSet";
    case xGeoTypeFrameSet:
      return "xFrameSet";
    case xGeoTypeTriMesh:
      return "xTriMesh";
    case xGeoTypeCompactLineSet:
      return "xCompactLineSet";
    default:
      return "xGeoSet";
  }
}
