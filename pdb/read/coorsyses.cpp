#include "pdb/xpdbutil.h"

#include <memory>

#include "host/xframeset.h"
#include "pdb/read/streamutil.h"
#include "pdb/read/versiontable.h"

namespace {

// The items that end a coordinate system in some versions: a count k, one
// string item and k more string items.
void SkipFrameTail(xStream& stream, xTString<char>& scratch) {
  int count = 0;
  stream >> count;
  stream >> scratch;
  for (int i = 0; i < count && xpdb::StreamSound(stream); ++i) stream >> scratch;
}

}  // namespace

bool xPdbUtil::SkipCoorsyses(xStream* stream, int version) {
  if (!stream) return false;
  int count = 0;
  *stream >> count;
  const bool items = xpdb::LayoutOf(version).frameItems;
  double scratch = 0.0;
  xTString<char> text;
  for (int i = 0; i < count && xpdb::StreamSound(*stream); ++i) {
    for (int value = 0; value < 12; ++value) *stream >> scratch;
    if (items) SkipFrameTail(*stream, text);
  }
  return xpdb::StreamSound(*stream);
}

bool xPdbUtil::ReadCoorsyses(xStream* stream, xGeometry** geometry, int version) {
  if (!stream) return false;
  int count = 0;
  *stream >> count;
  if (count <= 0) return xpdb::StreamSound(*stream);

  const bool items = xpdb::LayoutOf(version).frameItems;
  auto frames = std::make_unique<xFrameSet>();
  frames->SetLayer(xLayerControl::FindLayer("FrameFeatures"));
  xTString<char> text;
  for (int i = 0; i < count && xpdb::StreamSound(*stream); ++i) {
    double x = 0.0, y = 0.0, z = 0.0;
    xMatrix matrix;
    *stream >> x >> y >> z;
    matrix.SetN(x, y, z);
    *stream >> x >> y >> z;
    matrix.SetO(x, y, z);
    *stream >> x >> y >> z;
    matrix.SetA(x, y, z);
    *stream >> x >> y >> z;
    matrix.SetPosition(x, y, z);
    frames->AddFrame(new xFrame(matrix));
    if (items) SkipFrameTail(*stream, text);
  }
  xpdb::ContainerOf(geometry).AddSet(frames.release());
  return xpdb::StreamSound(*stream);
}
