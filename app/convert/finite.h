#pragma once

#include <optional>

#include "host/xgeoset.h"

// A point that no output can hold: one coordinate at infinity, not a
// number, or beyond the range of float, which every format but PDB text
// stores and which the PDB readers refuse.
struct PointBeyondFloat {
  int index = 0;  // in the set's point list
  double x = 0, y = 0, z = 0;
};

// The first such point of the set; frames are not points and not looked at.
std::optional<PointBeyondFloat> FindPointBeyondFloat(const xGeoSet& set);
