#include "python/src/hostsets.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <string>

#include "host/xmaterial.h"
#include "host/xsetkind.h"

namespace py = pybind11;

namespace {

using Index = std::uint32_t;
template <class T>
using Array = py::array_t<T, py::array::c_style>;

// The array under `key`, exactly of type T in C order with `columns`
// columns (0: one dimension), else TypeError or ValueError.
template <class T>
Array<T> Take(const py::dict& set, const char* key, py::ssize_t columns) {
  const py::object value = set[key];
  if (!py::isinstance<Array<T>>(value) || !py::array(value).dtype().is(py::dtype::of<T>()) ||
      !(py::array(value).flags() & py::array::c_style))
    throw py::type_error(std::string(key) + " must be a C-ordered array of " +
                         py::str(py::dtype::of<T>()).cast<std::string>());
  Array<T> array = value.cast<Array<T>>();
  const bool shaped = columns == 0 ? array.ndim() == 1 : array.ndim() == 2 && array.shape(1) == columns;
  if (!shaped)
    throw py::value_error(std::string(key) + " must have the shape " +
                          (columns == 0 ? "(n,)" : "(n, " + std::to_string(columns) + ")"));
  return array;
}

void CheckIndices(const Array<Index>& indices, std::size_t points, const char* key) {
  const Index* data = indices.data();
  for (py::ssize_t i = 0; i < indices.size(); ++i)
    if (data[i] >= points)
      throw py::value_error(std::string(key) + " refers to point " + std::to_string(data[i]) + " of " +
                            std::to_string(points));
}

struct RaggedView {
  Array<Index> indices, offsets;
  py::ssize_t Count() const { return offsets.size() - 1; }
  Index Begin(py::ssize_t i) const { return offsets.data()[i]; }
  Index End(py::ssize_t i) const { return offsets.data()[i + 1]; }
};

RaggedView TakeRagged(const py::dict& set, const char* key, std::size_t points) {
  const py::object value = set[key];
  if (!py::isinstance<py::tuple>(value) || py::len(value) != 2)
    throw py::type_error(std::string(key) + " must be a pair of indices and offsets");
  py::dict parts;
  parts["indices"] = value.cast<py::tuple>()[0];
  parts["offsets"] = value.cast<py::tuple>()[1];
  RaggedView view{Take<Index>(parts, "indices", 0), Take<Index>(parts, "offsets", 0)};
  const Index* o = view.offsets.data();
  if (view.offsets.size() < 1 || o[0] != 0 || o[view.offsets.size() - 1] != view.indices.size())
    throw py::value_error(std::string(key) + ": offsets must start at 0 and end at the number of indices");
  for (py::ssize_t i = 1; i < view.offsets.size(); ++i)
    if (o[i] < o[i - 1]) throw py::value_error(std::string(key) + ": offsets must not decrease");
  CheckIndices(view.indices, points, key);
  return view;
}

const float* Point(const Array<float>& points, Index i) {
  return points.data() + 3 * static_cast<std::size_t>(i);
}

std::unique_ptr<xGeoSet> MakeTriMesh(const py::dict& d, const Array<float>& points) {
  const Array<Index> triangles = Take<Index>(d, "triangles", 3);
  CheckIndices(triangles, static_cast<std::size_t>(points.shape(0)), "triangles");
  auto mesh = std::make_unique<xTriMesh>();
  xTriMeshData& data = *mesh->GetData();
  const auto* p = reinterpret_cast<const xFVector*>(points.data());
  data.points.assign(p, p + points.shape(0));
  const auto* t = reinterpret_cast<const xTriMeshData::xTriangle*>(triangles.data());
  data.triangles.assign(t, t + triangles.shape(0));
  return mesh;
}

std::unique_ptr<xGeoSet> MakePolyMesh(const py::dict& d, const Array<float>& points) {
  const RaggedView polygons = TakeRagged(d, "polygons", static_cast<std::size_t>(points.shape(0)));
  auto mesh = std::make_unique<xPolyMesh>();
  std::vector<xPolyPoint*> made(static_cast<std::size_t>(points.shape(0)));
  for (py::ssize_t i = 0; i < points.shape(0); ++i) {
    const float* p = Point(points, static_cast<Index>(i));
    made[static_cast<std::size_t>(i)] = mesh->AddPoint(p[0], p[1], p[2], static_cast<int>(i));
  }
  for (py::ssize_t f = 0; f < polygons.Count(); ++f) {
    xPolygon* polygon = mesh->NewPolygon();
    for (Index k = polygons.Begin(f); k < polygons.End(f); ++k)
      if (!polygon->AddVertex(made[polygons.indices.data()[k]]))
        throw py::value_error("polygon " + std::to_string(f) + " has more corners than a polygon can hold");
  }
  mesh->RenumberPolygons();
  return mesh;
}

// Segments read from a line set end with those of its polylines; they are
// not written twice. Any others are two-point lines of their own.
py::ssize_t LoneSegments(const Array<Index>& segments, const RaggedView* polylines) {
  if (!polylines) return segments.shape(0);
  std::vector<Index> theirs;
  for (py::ssize_t l = 0; l < polylines->Count(); ++l)
    for (Index k = polylines->Begin(l); k + 1 < polylines->End(l); ++k) {
      theirs.push_back(polylines->indices.data()[k]);
      theirs.push_back(polylines->indices.data()[k + 1]);
    }
  const auto count = static_cast<py::ssize_t>(theirs.size() / 2);
  if (count > segments.shape(0)) return segments.shape(0);
  const Index* tail = segments.data() + 2 * (segments.shape(0) - count);
  return std::equal(theirs.begin(), theirs.end(), tail) ? segments.shape(0) - count : segments.shape(0);
}

std::unique_ptr<xGeoSet> MakeLines(const py::dict& d, const Array<float>& points, bool compact) {
  const auto n = static_cast<std::size_t>(points.shape(0));
  std::optional<Array<Index>> segments;
  std::optional<RaggedView> polylines;
  if (d.contains("segments") && !d["segments"].is_none()) {
    segments = Take<Index>(d, "segments", 2);
    CheckIndices(*segments, n, "segments");
  }
  if (d.contains("polylines") && !d["polylines"].is_none()) polylines = TakeRagged(d, "polylines", n);
  const py::ssize_t lone = segments ? LoneSegments(*segments, polylines ? &*polylines : nullptr) : 0;
  const Index* s = segments ? segments->data() : nullptr;

  if (compact) {
    auto set = std::make_unique<xCompactLineSet>();
    for (py::ssize_t i = 0; i < lone; ++i) {
      const float* a = Point(points, s[2 * i]);
      const float* b = Point(points, s[2 * i + 1]);
      set->AddLinePoints(a[0], a[1], a[2], b[0], b[1], b[2]);
    }
    for (py::ssize_t l = 0; polylines && l < polylines->Count(); ++l)
      for (Index k = polylines->Begin(l); k < polylines->End(l); ++k) {
        const float* p = Point(points, polylines->indices.data()[k]);
        set->AddPolyLinePoint(p[0], p[1], p[2], k == polylines->Begin(l));
      }
    set->Update();
    return set;
  }
  auto set = std::make_unique<xLineSet>();
  const auto add = [&set, &points](xLine* line, Index i) {
    const float* p = Point(points, i);
    line->AddPoint(xVector(p[0], p[1], p[2]));
  };
  for (py::ssize_t i = 0; i < lone; ++i) {
    xLine* line = set->NewLine();
    add(line, s[2 * i]);
    add(line, s[2 * i + 1]);
  }
  for (py::ssize_t l = 0; polylines && l < polylines->Count(); ++l) {
    xLine* line = set->NewLine();
    for (Index k = polylines->Begin(l); k < polylines->End(l); ++k) add(line, polylines->indices.data()[k]);
  }
  set->RenumberPoints();
  return set;
}

std::unique_ptr<xGeoSet> MakePointSet(const Array<float>& points) {
  auto set = std::make_unique<xPointSet>();
  for (py::ssize_t i = 0; i < points.shape(0); ++i) {
    const float* p = Point(points, static_cast<Index>(i));
    set->AddPoint(xFVector(p[0], p[1], p[2]));
  }
  return set;
}

std::unique_ptr<xGeoSet> MakeFrameSet(const py::dict& d) {
  const py::object value = d["frames"];
  if (!py::isinstance<Array<double>>(value) || !py::array(value).dtype().is(py::dtype::of<double>()) ||
      !(py::array(value).flags() & py::array::c_style))
    throw py::type_error("frames must be a C-ordered array of float64");
  const Array<double> frames = value.cast<Array<double>>();
  if (frames.ndim() != 3 || frames.shape(1) != 4 || frames.shape(2) != 4)
    throw py::value_error("frames must have the shape (n, 4, 4)");
  auto set = std::make_unique<xFrameSet>();
  for (py::ssize_t f = 0; f < frames.shape(0); ++f) {
    const double* m = frames.data() + 16 * f;
    xMatrix matrix;
    matrix.SetN(m[0], m[4], m[8]);
    matrix.SetO(m[1], m[5], m[9]);
    matrix.SetA(m[2], m[6], m[10]);
    matrix.SetPosition(m[3], m[7], m[11]);
    set->AddFrame(new xFrame(matrix));
  }
  return set;
}

xMaterial* Material(const py::dict& d, std::vector<std::unique_ptr<xMaterial>>& made) {
  const py::object name = d.contains("material") ? py::object(d["material"]) : py::object(py::none());
  const py::object color = d.contains("color") ? py::object(d["color"]) : py::object(py::none());
  if (name.is_none() && color.is_none()) return nullptr;
  const std::string text = name.is_none() ? std::string() : name.cast<std::string>();
  if (!text.empty())
    if (xMaterial* known = xMatReader::FindMaterial(text.c_str(), false)) return known;
  // The package finds the colour by name, else by the diffuse colour.
  auto material = std::make_unique<xMaterial>();
  material->SetName(text.c_str());
  if (!color.is_none()) {
    const auto rgb = color.cast<std::vector<float>>();
    if (rgb.size() != 3) throw py::value_error("color must be three floats (red, green, blue)");
    material->SetDiffuse(rgb[0], rgb[1], rgb[2], 1.0f);
  }
  made.push_back(std::move(material));
  return made.back().get();
}

}  // namespace

std::unique_ptr<xGeoSet> DictToSet(const py::dict& d, std::vector<std::unique_ptr<xMaterial>>& made) {
  const std::string kind = d["kind"].cast<std::string>();
  const Array<float> points = Take<float>(d, "points", 3);
  if (points.shape(0) > static_cast<py::ssize_t>(UINT32_MAX))
    throw py::value_error("too many points for one set");
  std::unique_ptr<xGeoSet> set;
  if (kind == xGeoTypeName(xGeoTypeTriMesh))
    set = MakeTriMesh(d, points);
  else if (kind == xGeoTypeName(xGeoTypePolyMesh))
    set = MakePolyMesh(d, points);
  else if (kind == xGeoTypeName(xGeoTypeCompactLineSet))
    set = MakeLines(d, points, true);
  else if (kind == xGeoTypeName(xGeoTypeLineSet))
    set = MakeLines(d, points, false);
  else if (kind == xGeoTypeName(xGeoTypePointSet))
    set = MakePointSet(points);
  else if (kind == xGeoTypeName(xGeoTypeFrameSet))
    set = MakeFrameSet(d);
  else
    throw py::value_error("no set kind " + kind);
  set->SetMaterial(Material(d, made));
  if (d.contains("material_mode") && !d["material_mode"].is_none())
    set->SetMaterialMode(d["material_mode"].cast<int>());
  return set;
}
