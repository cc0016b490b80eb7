// The Write operations of every version class. Versions 8 and 9 share their
// object text; versions 10 to 14 write polygon meshes only and differ in
// their header and object trailer.
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

}  // namespace

int xPdb09::Write(xStream* stream, xGeometry* geometry) {
  if (!stream || !geometry) return kNotWritten;
  xPdbObjectWriter out(stream);
  out.Literal("9\n0\n0\n0\n");
  out.Count(xPdbObjectWriter::CountSets(geometry, xPdbObjectWriter::IsObjectKind));
  xGeoContainer* container = geometry->GetContainer().GetPtr();
  for (int i = 0; i < container->GetSetCount(); ++i) {
    xGeoSet* set = container->GetSet(i);
    switch (set->GetType()) {
      case xGeoTypeLineSet:
        out.LineSet(static_cast<xLineSet*>(set));
        break;
      case xGeoTypePolyMesh:
        out.PolyMesh(static_cast<xPolyMesh*>(set));
        break;
      case xGeoTypeTriMesh:
        out.TriMesh(static_cast<xTriMesh*>(set));
        break;
      case xGeoTypeCompactLineSet:
        out.CompactLineSet(static_cast<xCompactLineSet*>(set));
        break;
      default:
        break;
    }
  }
  out.Flush();
  return Delivered(stream);
}

int xPdb08::Write(xStream* stream, xGeometry* geometry) {
  if (!stream || !geometry) return kNotWritten;
  xPdbObjectWriter out(stream);
  out.Literal("8\n0\n");
  out.Count(xPdbObjectWriter::CountSets(geometry, xPdbObjectWriter::IsObjectKind));
  out.Flush();  // each object goes through a writer of its own
  xGeoContainer* container = geometry->GetContainer().GetPtr();
  for (int i = 0; i < container->GetSetCount(); ++i) {
    xGeoSet* set = container->GetSet(i);
    switch (set->GetType()) {
      case xGeoTypePolyMesh:
        WritePolyMesh(stream, static_cast<xPolyMesh*>(set));
        break;
      case xGeoTypeLineSet:
        WriteLineSet(stream, static_cast<xLineSet*>(set));
        break;
      case xGeoTypeTriMesh:
        WriteTriMesh(stream, static_cast<xTriMesh*>(set));
        break;
      case xGeoTypeCompactLineSet:
        WriteCompactLineSet(stream, static_cast<xCompactLineSet*>(set));
        break;
      default:
        break;
    }
  }
  return Delivered(stream);
}

void xPdb08::WritePolyMesh(xStream* stream, xPolyMesh* mesh) {
  if (!stream || !mesh) return;
  xPdbObjectWriter out(stream);
  out.PolyMesh(mesh);
  out.Flush();
}

void xPdb08::WriteLineSet(xStream* stream, xLineSet* lines) {
  if (!stream || !lines) return;
  xPdbObjectWriter out(stream);
  out.LineSet(lines);
  out.Flush();
}

void xPdb08::WriteTriMesh(xStream* stream, xTriMesh* mesh) {
  if (!stream || !mesh) return;
  xPdbObjectWriter out(stream);
  out.TriMesh(mesh);
  out.Flush();
}

void xPdb08::WriteCompactLineSet(xStream* stream, xCompactLineSet* lines) {
  if (!stream || !lines) return;
  xPdbObjectWriter out(stream);
  out.CompactLineSet(lines);
  out.Flush();
}

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
