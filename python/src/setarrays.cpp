#include "python/src/setarrays.h"

#include <pybind11/numpy.h>

#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "host/xmaterial.h"
#include "host/xsetkind.h"

namespace py = pybind11;

namespace {

static_assert(sizeof(xFVector) == 3 * sizeof(float));
static_assert(sizeof(xTriMeshData::xTriangle) == 3 * sizeof(std::uint32_t));

using Index = std::uint32_t;

py::array_t<float> Points(const std::vector<xFVector>& points) {
  py::array_t<float> array({static_cast<py::ssize_t>(points.size()), py::ssize_t{3}});
  if (!points.empty()) std::memcpy(array.mutable_data(), points.data(), points.size() * sizeof(xFVector));
  return array;
}

template <class T>
void Free(std::vector<T>& table) {
  std::vector<T>().swap(table);
}

py::array_t<Index> Pairs(std::size_t count) {
  return py::array_t<Index>({static_cast<py::ssize_t>(count), py::ssize_t{2}});
}

// Points of a linked list, with the position of each for the references to it.
template <class Point>
py::array_t<float> ListPoints(const xTDLinkList<Point>& list,
                              std::unordered_map<const Point*, Index>& positions) {
  std::size_t count = 0;
  for (const Point* p = list.GBegin(); p; p = xTDLinkList<Point>::GNext(p)) ++count;
  py::array_t<float> array({static_cast<py::ssize_t>(count), py::ssize_t{3}});
  float* out = array.mutable_data();
  positions.reserve(count);
  Index i = 0;
  for (const Point* p = list.GBegin(); p; p = xTDLinkList<Point>::GNext(p), ++i) {
    *out++ = static_cast<float>(p->x);
    *out++ = static_cast<float>(p->y);
    *out++ = static_cast<float>(p->z);
    positions.emplace(p, i);
  }
  return array;
}

// A flat index array and offsets into it, offsets[i]..offsets[i+1] for item i.
struct Ragged {
  std::vector<Index> indices;
  std::vector<Index> offsets{0};
  void Close() { offsets.push_back(static_cast<Index>(indices.size())); }
};

py::tuple RaggedToPython(const Ragged& ragged) {
  py::array_t<Index> indices(static_cast<py::ssize_t>(ragged.indices.size()));
  py::array_t<Index> offsets(static_cast<py::ssize_t>(ragged.offsets.size()));
  if (!ragged.indices.empty())
    std::memcpy(indices.mutable_data(), ragged.indices.data(), ragged.indices.size() * sizeof(Index));
  std::memcpy(offsets.mutable_data(), ragged.offsets.data(), ragged.offsets.size() * sizeof(Index));
  return py::make_tuple(indices, offsets);
}

// Not every name a file holds is UTF-8; the JSON summary replaces such bytes too.
py::str Text(const char* text) {
  PyObject* decoded = PyUnicode_DecodeUTF8(text, static_cast<Py_ssize_t>(std::strlen(text)), "replace");
  if (!decoded) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

void AddTriMesh(py::dict& d, xTriMesh& mesh) {
  xTriMeshData& data = *mesh.GetData();
  d["points"] = Points(data.points);
  Free(data.points);
  py::array_t<Index> triangles({static_cast<py::ssize_t>(data.triangles.size()), py::ssize_t{3}});
  if (!data.triangles.empty())
    std::memcpy(triangles.mutable_data(), data.triangles.data(),
                data.triangles.size() * sizeof(data.triangles[0]));
  Free(data.triangles);
  d["triangles"] = triangles;
}

// The points stay until the segments are walked: their count bounds them.
void AddCompactLineSet(py::dict& d, xCompactLineSet& set) {
  d["points"] = Points(set.GetData()->points);
  py::array_t<Index> segments = Pairs(static_cast<std::size_t>(set.GetSegmentCount()));
  Index* out = segments.mutable_data();
  set.ForEachSegment([&out](int a, int b) {
    *out++ = static_cast<Index>(a);
    *out++ = static_cast<Index>(b);
  });
  d["segments"] = segments;
  Ragged polylines;
  for (int line = 0; line < set.GetPolyLineCount(); ++line) {
    const xCompactLineSpan span = set.GetPolyLineSpan(line);
    for (int i = span.first; i < span.end; ++i) polylines.indices.push_back(static_cast<Index>(i));
    polylines.Close();
  }
  d["polylines"] = RaggedToPython(polylines);
  Free(set.GetData()->points);
}

void AddLineSet(py::dict& d, const xLineSet& set) {
  std::unordered_map<const xLinePoint*, Index> positions;
  d["points"] = ListPoints(set.GetPoints(), positions);
  Ragged polylines;
  std::vector<Index> segments;
  for (const xLine* line = set.GetLines().GBegin(); line; line = xTDLinkList<xLine>::GNext(line)) {
    for (int i = 0; i < line->GetPointCount(); ++i) {
      const auto found = positions.find(line->GetPoint(i));
      // A line point outside the set's list has no number to give.
      if (found == positions.end()) continue;
      if (polylines.indices.size() > polylines.offsets.back()) {
        segments.push_back(polylines.indices.back());
        segments.push_back(found->second);
      }
      polylines.indices.push_back(found->second);
    }
    polylines.Close();
  }
  py::array_t<Index> pairs = Pairs(segments.size() / 2);
  if (!segments.empty()) std::memcpy(pairs.mutable_data(), segments.data(), segments.size() * sizeof(Index));
  d["segments"] = pairs;
  d["polylines"] = RaggedToPython(polylines);
}

void AddPolyMesh(py::dict& d, const xPolyMesh& mesh) {
  std::unordered_map<const xPolyPoint*, Index> positions;
  d["points"] = ListPoints(mesh.GetPoints(), positions);
  Ragged polygons;
  for (const xPolygon* f = mesh.GetPolygons().GBegin(); f; f = xTDLinkList<xPolygon>::GNext(f)) {
    for (int i = 0; i < f->GetVertexCount(); ++i) {
      const auto found = positions.find(f->GetVertex(i));
      if (found != positions.end()) polygons.indices.push_back(found->second);
    }
    polygons.Close();
  }
  d["polygons"] = RaggedToPython(polygons);
}

void AddPointSet(py::dict& d, const xPointSet& set) {
  py::array_t<float> points({static_cast<py::ssize_t>(set.GetPointCount()), py::ssize_t{3}});
  float* out = points.mutable_data();
  for (int i = 0; i < set.GetPointCount(); ++i) {
    const xFVector& p = set.GetPoint(i);
    *out++ = p.x;
    *out++ = p.y;
    *out++ = p.z;
  }
  d["points"] = points;
}

void AddFrameSet(py::dict& d, const xFrameSet& set) {
  d["points"] = Points({});
  py::array_t<double> frames({static_cast<py::ssize_t>(set.GetFrameCount()), py::ssize_t{4}, py::ssize_t{4}});
  double* out = frames.mutable_data();
  for (int i = 0; i < set.GetFrameCount(); ++i)
    for (int row = 0; row < 4; ++row)
      for (int column = 0; column < 4; ++column) *out++ = set.GetFrame(i)->GetMatrix().At(row, column);
  d["frames"] = frames;
}

}  // namespace

py::dict SetToDict(xGeoSet& set) {
  py::dict d;
  d["kind"] = xGeoTypeName(set.GetType());
  const xMaterial* material = set.GetMaterial();
  d["material"] = material ? py::object(Text(material->GetName().c_str())) : py::object(py::none());
  d["material_mode"] = set.GetMaterialMode();
  if (material) {
    const float* diffuse = material->GetDiffuse();
    d["color"] = py::make_tuple(diffuse[0], diffuse[1], diffuse[2]);
  } else {
    d["color"] = py::none();
  }
  xVisitSet(set, xSetVisitor{
                     [&d](xTriMesh& s) { AddTriMesh(d, s); },
                     [&d](xCompactLineSet& s) { AddCompactLineSet(d, s); },
                     [&d](const xLineSet& s) { AddLineSet(d, s); },
                     [&d](const xPolyMesh& s) { AddPolyMesh(d, s); },
                     [&d](const xPointSet& s) { AddPointSet(d, s); },
                     [&d](const xFrameSet& s) { AddFrameSet(d, s); },
                     [&d](const xGeoSet&) { d["points"] = Points({}); },
                 });
  return d;
}
