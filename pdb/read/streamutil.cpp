#include "pdb/read/streamutil.h"

namespace xpdb {

namespace {

// A line of at most size - 1 characters and its line feed. Files made on
// Windows end their lines with CR LF; a CR right before the line feed belongs
// to the line end and is not counted against the limit, anywhere else it is
// an ordinary character.
void GetLine(xStream& stream, char* buffer, int size) {
  stream.getline(buffer, size, '\n');
  // getline fails on a full buffer when the line goes on.
  if (!stream.fail() || stream.eof() || stream.gcount() != size - 1) return;
  std::streambuf* text = stream.rdbuf();
  if (text->sgetc() != '\r' || text->snextc() != '\n') return;
  text->sbumpc();
  stream.clear(stream.rdstate() & ~std::ios::failbit);
}

}  // namespace

void SkipRestOfLine(xStream& stream, char* buffer, int size) {
  if (!stream.fail() && (stream.eof() || stream.rdbuf()->sgetc() == std::char_traits<char>::eof())) return;
  GetLine(stream, buffer, size);
}

void SkipLine(xStream& stream, char* buffer, int size) { GetLine(stream, buffer, size); }

xGeoContainer& ContainerOf(xGeometry** geometry) {
  if (!geometry || !*geometry) xSmartPtr::ThrowEmpty();
  return *(*geometry)->GetContainer();
}

}  // namespace xpdb
