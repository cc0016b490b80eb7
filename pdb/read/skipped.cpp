#include "pdb/xpdbutil.h"

#include "pdb/read/streamutil.h"
#include "pdb/read/versiontable.h"

namespace {

constexpr int kMaxLineIndexCount = 40000000;
constexpr int kMaxTextCount = 100000;
constexpr int kTextLines = 5;
constexpr int kLineBuffer = 80;

void SkipReals(xStream& stream, long long count) {
  double scratch = 0.0;
  for (long long i = 0; i < count && xpdb::StreamSound(stream); ++i) stream >> scratch;
}

// A count, the rest of its line, then count items of a fixed number of lines.
bool SkipLineBlock(xStream* stream, long long linesPerItem) {
  if (!stream) return false;
  int count = 0;
  *stream >> count;
  if (count < 0 || count > kMaxTextCount) return false;
  char line[kLineBuffer];
  xpdb::SkipRestOfLine(*stream, line, kLineBuffer);
  const long long lines = count * linesPerItem;
  for (long long i = 0; i < lines && xpdb::StreamSound(*stream); ++i)
    xpdb::SkipLine(*stream, line, kLineBuffer);
  // Without its line break the last line was cut off by the end of the file.
  return xpdb::StreamSound(*stream) && !(lines > 0 && stream->eof());
}

}  // namespace

bool xPdbUtil::SkipCurves(xStream* stream, int version) {
  if (!stream) return false;
  const bool reals = xpdb::LayoutOf(version).parameterReals;
  int count = 0;
  *stream >> count;
  for (int i = 0; i < count && xpdb::StreamSound(*stream); ++i) {
    double real = 0.0;
    int degree = 0, segments = 0, scratch = 0;
    *stream >> real >> real >> degree >> segments;
    if (reals)
      SkipReals(*stream, 3);
    else
      *stream >> scratch;
    const long long d = degree, s = segments;
    SkipReals(*stream, 2 * d + s + 1);
    SkipReals(*stream, 4 * (d + s));
    *stream >> scratch;
  }
  return xpdb::StreamSound(*stream);
}

bool xPdbUtil::SkipLines(xStream* stream) {
  if (!stream) return false;
  int count = 0;
  *stream >> count;
  if (count < 0 || count > kMaxLineIndexCount) return false;
  int scratch = 0;
  for (long long i = 0; i < 2LL * count && xpdb::StreamSound(*stream); ++i) *stream >> scratch;
  return xpdb::StreamSound(*stream);
}

bool xPdbUtil::SkipTexts(xStream* stream, int extraLines) {
  return SkipLineBlock(stream, static_cast<long long>(kTextLines) + extraLines);
}

bool xPdbUtil::SkipTextures(xStream* stream) { return SkipLineBlock(stream, 1); }
