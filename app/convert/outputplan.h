#pragma once

#include <string>
#include <vector>

#include "host/xgeometry.h"

struct MeshFormat;

// What an output does with one set of the input.
enum class SetFate {
  kKept,
  kDropped,  // the output cannot hold it, and it has something to draw
  kEmpty,    // left out with nothing to draw
};

struct OutputPlan {
  std::vector<SetFate> fates;  // one for each set, in container order
  int kept = 0;
  int dropped = 0;
  int empty = 0;
};

// What the PDB writer of `version` keeps: versions 8 and 9 hold meshes and
// line sets, empty or not, and the later versions meshes only.
OutputPlan PlanPdb(const xGeometry& geometry, int version);

// What the mesh exporter keeps: sets of the kinds the format holds, when
// they have something to draw.
OutputPlan PlanMesh(const xGeometry& geometry, const MeshFormat& format);

// The sets left out, by kind, each named by its position (as `read` numbers
// them) and material: "2 xCompactLineSet (#3 RED, #4), 1 empty xTriMesh (#7)".
std::string LeftOutText(const xGeometry& geometry, const OutputPlan& plan);
