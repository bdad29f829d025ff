#include "kway/part_kway.h"

#include <algorithm>

#include "coarsen/coarsen.h"
#include "partition/initial_partition.h"
#include "refine/fm_refine.h"
#include "refine/refiner.h"

namespace dravik {

namespace {
constexpr u64 kMaxPasses = 10;

// The levels of a star tail, coarsest first, without building them: the
// coarsest graph is built once for the initial partition, and one refinement
// state, over the ids of the star graph, is carried from level to level (each
// level differs from the next coarser one by a single leaf split off vertex
// 0, and ids keep their order, so every tie-break is the same). Returns the
// part vector of the star graph.
std::vector<u64> partition_star_tail(const Graph& star, const StarTail& tail, u64 nparts, bool symmetric) {
    std::vector<u64> part(star.n, 0);
    std::vector<unsigned char> present(star.n, 0);
    i64 hub_weight = 0;
    {
        std::vector<u64> ids;
        const Graph coarsest = merged_star(star, tail, tail.merged.size(), &ids);
        const std::vector<u64> initial = initial_partition(coarsest, nparts);
        for (u64 r = 0; r < ids.size(); ++r) {
            part[ids[r]] = initial[r];
            present[ids[r]] = 1;
        }
        hub_weight = coarsest.vwgt[0];
    }
    Refiner refiner(star, part, nparts, std::move(present), hub_weight, symmetric);
    refiner.refine(kMaxPasses);
    for (u64 t = tail.merged.size(); t-- > 0;) {
        refiner.split(tail.merged[t]);
        refiner.refine(kMaxPasses);
    }
    return part;
}

}  // namespace

std::pair<i64, std::vector<u64>> part_kway(const Graph& g, u64 nparts) {
    const u64 n = g.n;
    if (n == 0) return {0, {}};
    if (nparts < 2) return {0, std::vector<u64>(n, 0)};
    if (nparts >= n) {
        std::vector<u64> identity(n);
        for (u64 v = 0; v < n; ++v) identity[v] = v;
        const i64 cut = edge_cut(g, identity);
        return {cut, std::move(identity)};
    }
    validate_for_partitioning(g);
    // Coarse graphs of a symmetric graph are symmetric: one test here spares
    // the refinement of every level a transposed copy.
    const bool symmetric = is_symmetric(g);
    // nparts < n here, so 2 * nparts cannot wrap.
    const u64 target = std::max<u64>(20, 2 * nparts);
    Hierarchy hierarchy = coarsen_hierarchy(g, target);
    std::vector<CoarsenLevel>& levels = hierarchy.levels;
    const Graph& last = levels.empty() ? g : levels.back().graph;
    std::vector<u64> part;
    if (hierarchy.tail.merged.empty()) {
        part = initial_partition(last, nparts);
        Refiner(last, part, nparts, symmetric).refine(kMaxPasses);
    } else {
        part = partition_star_tail(last, hierarchy.tail, nparts, symmetric);
    }
    for (u64 i = levels.size(); i-- > 0;) {
        const Graph& finer = i == 0 ? g : levels[i - 1].graph;
        const std::vector<u64>& cmap = levels[i].cmap;
        if (cmap.size() < finer.n) fail_index("cmap", finer.n - 1, cmap.size());
        std::vector<u64> projected(finer.n);
        for (u64 v = 0; v < finer.n; ++v) projected[v] = at(part, cmap[v], "part");
        part = std::move(projected);
        // The level's graph is no longer needed once its parts are projected.
        levels[i].graph = Graph{};
        Refiner(finer, part, nparts, symmetric).refine(kMaxPasses);
    }
    const i64 cut = edge_cut(g, part);
    return {cut, std::move(part)};
}

}  // namespace dravik
