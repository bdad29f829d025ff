// Coarsening: heavy-edge matching and contraction, and the loop that builds
// the hierarchy of levels.
#pragma once

#include <vector>

#include "graph/graph.h"

namespace dravik {

// One level of the hierarchy: the coarse graph, and for every vertex of the
// next finer graph the coarse vertex that contains it.
struct CoarsenLevel {
    Graph graph;
    std::vector<u64> cmap;
    u64 coarse_n = 0;
};

// The stages below expect a graph that passed validate_for_partitioning (the
// driver validates once; coarse graphs are valid by construction) and index
// it without further tests.

// One pass: match each unmatched vertex, in id order, with the unmatched
// neighbour across its heaviest entry (first such entry in storage order,
// weight at least 0), then contract.
CoarsenLevel coarsen_once(const Graph& g);

// Contraction of a finished matching: coarse vertex weights are member sums,
// coarse entries merge all entries between two coarse vertices, listed in
// ascending neighbour order, without self loops.
Graph build_coarse_graph(const Graph& g, const std::vector<u64>& cmap, u64 coarse_n);

// Passes until at most `target` vertices remain or a pass forms no pair.
// Levels are returned finest first.
std::vector<CoarsenLevel> multilevel_coarsen(const Graph& g, u64 target);

}  // namespace dravik
