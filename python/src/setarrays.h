#pragma once

#include <pybind11/pybind11.h>

class xGeoSet;

// One host set as a dict of its kind, material and NumPy arrays, each
// allocated once at its final size and filled from the set. The point and
// triangle tables of the set are freed as soon as they are copied, so that
// the process never holds the host's copy and Python's of all of them.
pybind11::dict SetToDict(xGeoSet& set);
