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

// On irregular graphs coarsening ends up with one heavy vertex 0 that every
// other vertex hangs off (a "star": vertex 0's entries name distinct vertices
// in ascending order, and every other vertex's entries name only vertex 0).
// From then on each pass merges exactly one leaf into vertex 0: the one its
// heaviest entry names (lowest id on ties, weight at least 0), and no weight
// of any other entry changes. So the rest of the hierarchy is fixed by one
// sort of vertex 0's entries, and those levels are kept as that merge order
// instead of as thousands of graphs.
struct StarTail {
    std::vector<u64> merged;  // ids of the star graph, in merge order
};

struct Hierarchy {
    std::vector<CoarsenLevel> levels;  // explicit levels, finest first
    StarTail tail;                     // levels after the last explicit one
};

// The hierarchy of multilevel_coarsen, with the star levels kept as a tail.
Hierarchy coarsen_hierarchy(const Graph& g, u64 target);

// True when g has the star shape described above.
bool is_star(const Graph& g);

// The star graph after its first `count` tail merges, as coarsening would
// build it (ids renumbered in order, explicit weights). If `ids` is given it
// receives, for each vertex of the result, its id in the star graph.
Graph merged_star(const Graph& star, const StarTail& tail, u64 count, std::vector<u64>* ids);

}  // namespace dravik
