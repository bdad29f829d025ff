#include "coarsen/coarsen.h"

#include <algorithm>
#include <limits>

namespace dravik {

namespace {

constexpr u64 kNone = std::numeric_limits<u64>::max();

// Dense accumulator over coarse ids, reset through the list of ids it
// touched, so merging the entries of one coarse vertex costs its entry count.
struct Accumulator {
    std::vector<i64> sum;
    std::vector<unsigned char> seen;
    std::vector<u64> touched;

    explicit Accumulator(u64 size) : sum(size, 0), seen(size, 0) {}

    void add(u64 key, i64 w) {
        if (!seen[key]) {
            seen[key] = 1;
            touched.push_back(key);
        }
        sum[key] += w;
    }
};

Graph contract(const Graph& g, const std::vector<u64>& cmap, u64 coarse_n,
               const std::vector<u64>& members) {
    Graph c;
    c.n = coarse_n;
    c.xadj.assign(coarse_n + 1, 0);
    c.vwgt.assign(coarse_n, 0);
    c.adjncy.reserve(g.adjncy.size() / 2);
    c.adjwgt.reserve(g.adjncy.size() / 2);
    Accumulator acc(coarse_n);
    const bool ew = !g.adjwgt.empty();
    for (u64 cu = 0; cu < coarse_n; ++cu) {
        for (int k = 0; k < 2; ++k) {
            const u64 u = members[2 * cu + k];
            if (u == kNone) continue;
            c.vwgt[cu] += g.vertex_weight(u);
            for (u64 e = g.xadj[u], end = g.xadj[u + 1]; e < end; ++e) {
                const u64 cv = cmap[g.adjncy[e]];
                if (cv != cu) acc.add(cv, ew ? g.adjwgt[e] : 1);
            }
        }
        std::sort(acc.touched.begin(), acc.touched.end());
        for (const u64 cv : acc.touched) {
            c.adjncy.push_back(cv);
            c.adjwgt.push_back(acc.sum[cv]);
            acc.sum[cv] = 0;
            acc.seen[cv] = 0;
        }
        acc.touched.clear();
        c.xadj[cu + 1] = c.adjncy.size();
    }
    c.adjncy.shrink_to_fit();
    c.adjwgt.shrink_to_fit();
    return c;
}

// Members of each coarse vertex (two slots each, kNone when single), in
// ascending fine id: the order in which contraction visits them.
std::vector<u64> members_of(const std::vector<u64>& cmap, u64 coarse_n) {
    std::vector<u64> members(2 * coarse_n, kNone);
    for (u64 u = 0; u < cmap.size(); ++u) {
        const u64 c = at(cmap, u, "cmap");
        u64* slot = &at(members, 2 * c, "coarse vertex");
        if (*slot == kNone) {
            *slot = u;
        } else if (slot[1] == kNone) {
            slot[1] = u;
        } else {
            throw InternalFailure("coarse vertex " + std::to_string(c) + " has more than two members");
        }
    }
    return members;
}

}  // namespace

Graph build_coarse_graph(const Graph& g, const std::vector<u64>& cmap, u64 coarse_n) {
    if (cmap.size() != g.n) fail_index("cmap", g.n, cmap.size());
    return contract(g, cmap, coarse_n, members_of(cmap, coarse_n));
}

CoarsenLevel coarsen_once(const Graph& g) {
    const u64 n = g.n;
    std::vector<unsigned char> matched(n, 0);
    std::vector<u64> cmap(n, 0);
    std::vector<u64> members;
    members.reserve(2 * n);
    const bool ew = !g.adjwgt.empty();
    u64 next = 0;
    for (u64 u = 0; u < n; ++u) {
        if (matched[u]) continue;
        i64 best = -1;
        u64 partner = kNone;
        for (u64 e = g.xadj[u], end = g.xadj[u + 1]; e < end; ++e) {
            const u64 v = g.adjncy[e];
            if (v == u || matched[v]) continue;
            const i64 w = ew ? g.adjwgt[e] : 1;
            if (w > best) {
                best = w;
                partner = v;
            }
        }
        cmap[u] = next;
        matched[u] = 1;
        members.push_back(u);
        members.push_back(partner);
        if (partner != kNone) {
            cmap[partner] = next;
            matched[partner] = 1;
        }
        ++next;
    }
    CoarsenLevel level;
    level.coarse_n = next;
    level.graph = contract(g, cmap, next, members);
    level.cmap = std::move(cmap);
    return level;
}

std::vector<CoarsenLevel> multilevel_coarsen(const Graph& g, u64 target) {
    std::vector<CoarsenLevel> levels;
    const Graph* current = &g;
    while (current->n > target) {
        CoarsenLevel level = coarsen_once(*current);
        if (level.coarse_n >= current->n) break;
        levels.push_back(std::move(level));
        current = &levels.back().graph;
    }
    return levels;
}

}  // namespace dravik
