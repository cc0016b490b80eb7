#pragma once

// Status codes of a read; xPdbUtil::ExplainStatus gives their texts. A write
// answers kStatusOk or kStatusBrokenStream.
namespace xpdb {

enum ReadStatus : int {
  kStatusOk = 0,
  kStatusBrokenStream = -1,
  // What a read failed at, from -1012 up to -1001: each is one more than the one before.
  kStatusEdgeCount = -1012,
  kStatusPolygonVertexCount,
  kStatusPolygonCount,
  kStatusLineCount,
  kStatusPointCount,
  kStatusTessellation,
  kStatusTextures,
  kStatusTexts,
  kStatusLines,
  kStatusSurfaces,
  kStatusCurves,
  kStatusCoorsyses,
};

// Every exception raised during a read ends it with this status.
constexpr int kStatusException = kStatusPolygonCount;

}  // namespace xpdb
