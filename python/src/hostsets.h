#pragma once

#include <memory>
#include <vector>

#include <pybind11/pybind11.h>

class xGeoSet;
class xMaterial;

// A host set made from a dict as SetToDict gives it: "kind", "points" and
// the arrays of that kind, "material", "color", "material_mode". The arrays
// arrive checked and converted by the Python layer (float32 points, uint32
// indices, float64 frames, C order); shapes and index ranges are checked
// again here, so that no call can reach the host with bad numbers. Raises
// ValueError or TypeError. Materials made for names the host does not know
// are kept in `made` for as long as the set is used.
std::unique_ptr<xGeoSet> DictToSet(const pybind11::dict& set, std::vector<std::unique_ptr<xMaterial>>& made);
