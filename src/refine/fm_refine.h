// Refinement of a k-way part vector by greedy single-vertex moves.
#pragma once

#include <vector>

#include "graph/graph.h"

namespace dravik {

// Improves `part` in place. Each pass repeatedly makes the best move over the
// vertices not yet moved in that pass: largest gain (decrease of the edge
// cut), then lowest vertex id, then lowest target part, among moves of
// positive gain by vertices with a positive connection to another part,
// towards parts they are connected to (connection other than 0) whose weight
// after the move stays within ceil(1.05 * total weight / nparts). Moves stay
// made; the call ends after a pass without moves or after `max_passes`.
//
// Expects a graph that passed validate_for_partitioning; `part` is checked.
void fm_refine(const Graph& g, std::vector<u64>& part, u64 nparts, u64 max_passes);

// ceil(1.05 * total / nparts), computed in double precision in that order.
i64 max_part_weight(i64 total, u64 nparts);

}  // namespace dravik
