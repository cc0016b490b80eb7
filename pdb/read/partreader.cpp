#include "pdb/read/partreader.h"

#include <ios>
#include <string>

#include "host/xgeometryoptimizer.h"
#include "pdb/read/streamutil.h"
#include "pdb/xpdbutil.h"

namespace xpdb {

int ReadHeader(xStream& stream, const VersionLayout& layout) {
  int number = 0;
  stream >> number;
  if (layout.headerItems) {
    // The file tag, then N and one item, then N items; none of them matters here.
    xTString<char> scratch;
    int count = 0;
    stream >> scratch >> count >> scratch;
    for (int i = 0; i < count && StreamSound(stream); ++i) stream >> scratch;
  }
  return number;
}

int ReadSections(xStream& stream, xGeometry** geometry, const VersionLayout& layout) {
  if (!xPdbUtil::SkipCoorsyses(&stream, layout.version)) return kStatusCoorsyses;
  if (!layout.curvesAndSurfaces) return kStatusOk;
  if (!xPdbUtil::SkipCurves(&stream, layout.version)) return kStatusCurves;
  if (!xPdbUtil::SkipSurfaces(&stream, layout.version, layout.surfacesBuilt ? geometry : nullptr))
    return kStatusSurfaces;
  return kStatusOk;
}

int ReadAfterObjects(xStream* stream, xGeometry** geometry, const VersionLayout& layout) {
  // Whatever the tessellation section answers, its failure has one status.
  if (layout.tessellation && ReadTessellation(stream, geometry) != kStatusOk) return kStatusTessellation;
  return kStatusOk;
}

int ReadObjectList(xStream* stream, xGeometry** geometry, int version, int fileVersion) {
  if (!stream) return kStatusBrokenStream;
  xGeometryOptimizer optimizer;
  int count = 0;
  *stream >> count;
  // No section reports the count itself; 0 or less is no objects.
  if (!StreamSound(*stream)) return kStatusBrokenStream;
  int status = kStatusOk;
  // A failed stream makes the next object fail in its text block, so the
  // loop ends with that status rather than running out a huge count.
  for (int i = 0; i < count; ++i) {
    xGeoSet* set = xPdbUtil::ReadObject(stream, geometry, version, fileVersion, status);
    optimizer.StartMesh(set);
    optimizer.EndMesh(set);
    if (status != kStatusOk) {
      NoteObject(*stream, i + 1);
      break;
    }
  }
  return status;
}

void NoteObject(xStream& stream, int object) {
  xMessageContext::AddDebug(&stream, ("object " + std::to_string(object)).c_str());
}

void NoteOffset(xStream& stream) {
  // The buffer answers the query whatever the stream's state; one that
  // cannot tell its position answers -1.
  std::streambuf* buffer = stream.rdbuf();
  const std::streamoff offset =
      buffer ? static_cast<std::streamoff>(buffer->pubseekoff(0, std::ios::cur, std::ios::in)) : -1;
  if (offset >= 0) xMessageContext::AddDebug(&stream, ("byte " + std::to_string(offset)).c_str());
}

int Optimise(xGeometry** geometry, int version) {
  xGeometryOptimizer optimizer;
  optimizer.AnalyzeAndOptimizeGeometry(geometry, "xpdb", version);
  return kStatusOk;
}

}  // namespace xpdb
