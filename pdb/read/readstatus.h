#pragma once

// Status codes of a read; xPdbUtil::ExplainStatus gives their texts. A write
// answers kStatusOk or kStatusBrokenStream.
namespace xpdb {

enum ReadStatus : int {
  kStatusOk = 0,
  kStatusBrokenStream = -1,
  kStatusCoorsyses = -1001,
  kStatusCurves = -1002,
  kStatusSurfaces = -1003,
  kStatusLines = -1004,
  kStatusTexts = -1005,
  kStatusTextures = -1006,
  kStatusTessellation = -1007,
  kStatusPointCount = -1008,
  kStatusLineCount = -1009,
  kStatusPolygonCount = -1010,
  kStatusPolygonVertexCount = -1011,
  kStatusEdgeCount = -1012,
};

// Every exception raised during a read ends it with this status.
constexpr int kStatusException = kStatusPolygonCount;

}  // namespace xpdb
