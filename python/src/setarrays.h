#pragma once

#include <pybind11/pybind11.h>

class xGeoSet;

// One host set as a dict of its kind, material and NumPy arrays, each
// allocated once at its final size and filled from the set.
pybind11::dict SetToDict(const xGeoSet& set);
