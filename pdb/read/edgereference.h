#pragma once

#include <cstddef>
#include <vector>

namespace xpdb {

// The point a signed edge reference names: +e the first end of edge e, -e its
// second end, edges counted from 1 and their ends stored two by two. -1 for a
// reference to no edge, 0 and the most negative int among them.
inline int EdgeReferencePoint(const std::vector<int>& ends, int reference) {
  const long long r = reference;
  const long long position = r > 0 ? 2 * r - 2 : -2 * r - 1;
  return r != 0 && position < static_cast<long long>(ends.size()) ? ends[static_cast<std::size_t>(position)]
                                                                  : -1;
}

}  // namespace xpdb
