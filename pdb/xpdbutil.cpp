#include "pdb/xpdbutil.h"

#include <iterator>

#include "pdb/read/readstatus.h"

namespace {

// In the order of the codes, from xpdb::kStatusEdgeCount up.
constexpr const char* kFailures[] = {
    "Error Reading Edge Count",    "Error Reading Polygon Vertex Count",
    "Error Reading Polygon Count", "Error Reading Line Count",
    "Error Reading Point Count",   "Error Reading Tessellation",
    "Error Reading Textures",      "Error Reading Texts",
    "Error Reading Lines",         "Error Reading Surfaces",
    "Error Reading Curves",        "Error Reading Coorsyses",
};
static_assert(std::size(kFailures) == std::size_t{xpdb::kStatusCoorsyses - xpdb::kStatusEdgeCount + 1});

}  // namespace

const char* xPdbUtil::ExplainStatus(int status) {
  if (status == xpdb::kStatusOk) return "OK";
  if (status == xpdb::kStatusBrokenStream) return "Broken Stream";
  if (status < xpdb::kStatusEdgeCount || status > xpdb::kStatusCoorsyses) return "Unknown Error";
  return kFailures[status - xpdb::kStatusEdgeCount];
}
