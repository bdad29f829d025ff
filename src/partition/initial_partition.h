// Initial partitioning of the coarsest graph: greedy bisection from several
// seeds, applied recursively to induced subgraphs.
#pragma once

#include <vector>

#include "graph/graph.h"

namespace dravik {

// Two sides, 0 (grown) and 1: side 0 grows from each of up to seven seeds by
// always taking the outside vertex most strongly connected to it (lowest id
// on ties) until it holds half the total vertex weight; the run with the
// lowest edge cut wins, ties keeping the earlier seed.
std::vector<u64> initial_bisection(const Graph& g);

// The subgraph induced by `vertices`; its vertex i is vertices[i]. Always
// carries explicit weights, ones where the source has none.
Graph build_subgraph(const Graph& g, const std::vector<u64>& vertices);

// Recursive bisection into `nparts` parts: side 0 gets floor(nparts / 2)
// parts, side 1 the rest, with its part ids shifted past side 0's.
std::vector<u64> initial_partition(const Graph& g, u64 nparts);

}  // namespace dravik
