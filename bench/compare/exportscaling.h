#pragma once

#include <string>

#include <nlohmann/json.hpp>

// `xpdb convert` of a part of many small sets to .glb, at two sizes of ten
// times the sets apart, each run as its own process; the measures go into
// json["glb_export_scaling"]. Returns the time ratio over the set ratio:
// at most 1.1 for ten times the sets within eleven times the time.
double CompareGlbExport(int runs, const std::string& dir, nlohmann::ordered_json& json);
