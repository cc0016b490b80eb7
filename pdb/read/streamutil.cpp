#include "pdb/read/streamutil.h"

namespace xpdb {

void SkipRestOfLine(xStream& stream, char* buffer, int size) {
  if (!stream.fail() && (stream.eof() || stream.rdbuf()->sgetc() == std::char_traits<char>::eof())) return;
  stream.getline(buffer, size, '\n');
}

void SkipLine(xStream& stream, char* buffer, int size) { stream.getline(buffer, size, '\n'); }

xGeoContainer& ContainerOf(xGeometry** geometry) {
  if (!geometry || !*geometry) xSmartPtr::ThrowEmpty();
  return *(*geometry)->GetContainer();
}

}  // namespace xpdb
