#pragma once

#include <nlohmann/json.hpp>
#include <string>

// `xpdb convert` of an OBJ icosphere of 1 310 720 faces to binary STL against
// `assimp export -fstlb` of the same file: best wall time of `runs` turns
// each, peak memory, both printed with their targets beside them. The files
// go into `dir`. Returns the results for the report.
nlohmann::ordered_json CompareObjToStl(int runs, const std::string& dir);
