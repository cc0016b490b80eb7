#pragma once

#include <vector>

namespace xpdb {

// Whether the closed trimming loops of one surface (u, v pairs one after the
// other; `loopEnds` gives each loop's end in pairs) touch or cross each other
// or themselves anywhere but where neighbouring edges of one loop meet. GLU
// crashes on such loops. Loops too intricate to check count as touching.
// `added`, one mark per point, names the points that LevelSideTurns added:
// the two edges beside such a level edge count as neighbours too.
bool TrimLoopsTouch(const float* uv, const std::vector<int>& loopEnds,
                    const std::vector<char>* added = nullptr);

// The loops as GLU is given them: every point where a loop turns back in u
// towards the inside of the trimmed region gains an edge of constant v beside
// it, `length` times the loops' extent long, or a quarter of the way to its
// neighbour where that is shorter. GLU cuts the region along v only at such
// turns that have a level edge; a part of the region left with two of them
// uncut can make GLU free memory twice. The added edges are far shorter than
// their neighbours, so the trimmed shape does not change visibly. `out`,
// `outEnds` and `added` (a mark for each point of `out` that was added) are
// replaced.
void LevelSideTurns(const float* uv, const std::vector<int>& loopEnds, std::vector<float>& out,
                    std::vector<int>& outEnds, std::vector<char>& added, double length = 1e-3);

}  // namespace xpdb
