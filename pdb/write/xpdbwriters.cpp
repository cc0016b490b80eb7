// The Write operations of every version class. Versions 8 and 9 share their
// object text; versions 10 to 14 write polygon meshes only and differ in
// their header and object trailer.
#include "host/xsetkind.h"
#include "pdb/read/readstatus.h"
#include "pdb/write/xpdbobjectwriter.h"
#include "pdb/xpdb08.h"
#include "pdb/xpdb09.h"
#include "pdb/xpdb10.h"
#include "pdb/xpdb11.h"
#include "pdb/xpdb12.h"
#include "pdb/xpdb14.h"

namespace {

constexpr int kWritten = xpdb::kStatusOk;
constexpr int kNotWritten = xpdb::kStatusBrokenStream;

// The text is whole only when the stream took all of it, its final flush included.
int Delivered(xStream* stream) {
  stream->flush();
  return stream->fail() ? kNotWritten : kWritten;
}

struct Layout {
  const char* header;
  const char* trailer;
  bool edges;  // edge block and signed edge rings instead of point indices
};

int WritePolyMeshes(xStream* stream, xGeometry* geometry, const Layout& layout) {
  if (!stream || !geometry) return kNotWritten;
  xPdbObjectWriter out(stream);
  out.Literal(layout.header);
  out.Count(xPdbObjectWriter::CountSets(geometry, xPdbObjectWriter::IsPolyMesh));
  xGeoContainer* container = geometry->GetContainer().GetPtr();
  int number = 0;
  for (int i = 0; i < container->GetSetCount(); ++i) {
    xGeoSet* set = container->GetSet(i);
    if (set->GetType() == xGeoTypePolyMesh)
      out.PolyMeshObject(static_cast<xPolyMesh*>(set), layout.edges, layout.trailer, ++number);
  }
  out.Flush();
  return Delivered(stream);
}

// Calls `write` with each set that versions 8 and 9 write as an object, as
// its own kind, in container order; IsObjectKind names the same kinds.
template <class Write>
void EachObject(xGeometry* geometry, Write write) {
  xGeoContainer* container = geometry->GetContainer().GetPtr();
  for (int i = 0; i < container->GetSetCount(); ++i)
    xVisitSet(*container->GetSet(i), xSetVisitor{
                                         [&](xPolyMesh& set) { write(&set); },
                                         [&](xLineSet& set) { write(&set); },
                                         [&](xTriMesh& set) { write(&set); },
                                         [&](xCompactLineSet& set) { write(&set); },
                                         [](xGeoSet&) {},
                                     });
}

// Version 8 hands each object to the stream through a writer of its own.
template <class Set>
void WriteAlone(xStream* stream, Set* set) {
  if (!stream || !set) return;
  xPdbObjectWriter out(stream);
  out.Object(set);
  out.Flush();
}

}  // namespace

int xPdb09::Write(xStream* stream, xGeometry* geometry) {
  if (!stream || !geometry) return kNotWritten;
  xPdbObjectWriter out(stream);
  out.Literal("9\n0\n0\n0\n");
  out.Count(xPdbObjectWriter::CountSets(geometry, xPdbObjectWriter::IsObjectKind));
  EachObject(geometry, [&out](auto* set) { out.Object(set); });
  out.Flush();
  return Delivered(stream);
}

int xPdb08::Write(xStream* stream, xGeometry* geometry) {
  if (!stream || !geometry) return kNotWritten;
  xPdbObjectWriter out(stream);
  out.Literal("8\n0\n");
  out.Count(xPdbObjectWriter::CountSets(geometry, xPdbObjectWriter::IsObjectKind));
  out.Flush();
  EachObject(geometry, [stream](auto* set) { WriteAlone(stream, set); });
  return Delivered(stream);
}

void xPdb08::WritePolyMesh(xStream* stream, xPolyMesh* mesh) { WriteAlone(stream, mesh); }

void xPdb08::WriteLineSet(xStream* stream, xLineSet* lines) { WriteAlone(stream, lines); }

void xPdb08::WriteTriMesh(xStream* stream, xTriMesh* mesh) { WriteAlone(stream, mesh); }

void xPdb08::WriteCompactLineSet(xStream* stream, xCompactLineSet* lines) { WriteAlone(stream, lines); }

int xPdb10::Write(xStream* stream, xGeometry* geometry) {
  return WritePolyMeshes(stream, geometry, {"10\n0\n0\n0\n", "0\n", false});
}

int xPdb11::Write(xStream* stream, xGeometry* geometry) {
  return WritePolyMeshes(stream, geometry, {"11\n0\n0\n0\n", "0\n0\n", false});
}

int xPdb12::Write(xStream* stream, xGeometry* geometry) {
  return WritePolyMeshes(stream, geometry, {"12\n0\n0\n0\n", "0\n0\n", true});
}

// The five zeros are read as the header count N, the one word after N, and
// the three section counts; the object count follows them.
int xPdb14::Write(xStream* stream, xGeometry* geometry) {
  return WritePolyMeshes(stream, geometry, {"14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n", "0\n0\n0\n", true});
}
