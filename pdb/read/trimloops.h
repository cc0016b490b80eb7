#pragma once

#include <vector>

namespace xpdb {

// Whether the closed trimming loops of one surface (u, v pairs one after the
// other; `loopEnds` gives each loop's end in pairs) touch or cross each other
// or themselves anywhere but where neighbouring edges of one loop meet. GLU
// crashes on such loops. Loops too intricate to check count as touching.
bool TrimLoopsTouch(const float* uv, const std::vector<int>& loopEnds);

}  // namespace xpdb
