#include "kway/part_kway.h"

#include <algorithm>

#include "coarsen/coarsen.h"
#include "partition/initial_partition.h"
#include "refine/fm_refine.h"

namespace dravik {

namespace {
constexpr u64 kMaxPasses = 10;
}

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
    // nparts < n here, so 2 * nparts cannot wrap.
    const u64 target = std::max<u64>(20, 2 * nparts);
    std::vector<CoarsenLevel> levels = multilevel_coarsen(g, target);
    const Graph& coarsest = levels.empty() ? g : levels.back().graph;
    std::vector<u64> part = initial_partition(coarsest, nparts);
    fm_refine(coarsest, part, nparts, kMaxPasses);
    for (u64 i = levels.size(); i-- > 0;) {
        const Graph& finer = i == 0 ? g : levels[i - 1].graph;
        const std::vector<u64>& cmap = levels[i].cmap;
        if (cmap.size() < finer.n) fail_index("cmap", finer.n - 1, cmap.size());
        std::vector<u64> projected(finer.n);
        for (u64 v = 0; v < finer.n; ++v) projected[v] = at(part, cmap[v], "part");
        part = std::move(projected);
        // The level's graph is no longer needed once its parts are projected.
        levels[i].graph = Graph{};
        fm_refine(finer, part, nparts, kMaxPasses);
    }
    const i64 cut = edge_cut(g, part);
    return {cut, std::move(part)};
}

}  // namespace dravik
