// The multilevel k-way driver.
#pragma once

#include <utility>
#include <vector>

#include "graph/graph.h"

namespace dravik {

// (edge cut, part vector). Trivial cases first: no vertices gives (0, []);
// nparts below 2 puts everything into part 0; nparts of at least n gives
// vertex v part v. Otherwise: coarsen, recursively bisect the coarsest graph,
// refine it, and project the parts back level by level, refining each time.
std::pair<i64, std::vector<u64>> part_kway(const Graph& g, u64 nparts);

}  // namespace dravik
