#include "partition/initial_partition.h"

#include <algorithm>
#include <limits>
#include <queue>

namespace dravik {

namespace {

constexpr u64 kNone = std::numeric_limits<u64>::max();

std::vector<u64> seed_list(const Graph& g) {
    const u64 n = g.n;
    std::vector<i64> wdeg(n);
    for (u64 v = 0; v < n; ++v) wdeg[v] = g.weighted_degree(v);
    // Stable order by non-increasing weighted degree: equal keys keep
    // ascending ids, so (key desc, id asc) is a strict order and a partial
    // sort picks exactly the stable sort's first entries.
    std::vector<u64> order(n);
    for (u64 v = 0; v < n; ++v) order[v] = v;
    const u64 take = std::min<u64>(4, n);
    std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(take), order.end(),
                      [&](u64 a, u64 b) { return wdeg[a] != wdeg[b] ? wdeg[a] > wdeg[b] : a < b; });
    std::vector<u64> seeds = {0, n / 2, n - 1};
    seeds.insert(seeds.end(), order.begin(), order.begin() + static_cast<std::ptrdiff_t>(take));
    std::sort(seeds.begin(), seeds.end());
    seeds.erase(std::unique(seeds.begin(), seeds.end()), seeds.end());
    return seeds;
}

struct Candidate {
    i64 conn;
    u64 v;
    // Max-heap order: greater connection first, then lower id.
    bool operator<(const Candidate& o) const { return conn != o.conn ? conn < o.conn : v > o.v; }
};

// One growth run from `seed`; writes the sides into `part`.
void grow(const Graph& g, const Reverse& rev, u64 seed, i64 target, std::vector<u64>& part,
          std::vector<i64>& conn, std::vector<unsigned char>& inside) {
    const u64 n = g.n;
    std::fill(part.begin(), part.end(), 1);
    std::fill(conn.begin(), conn.end(), 0);
    std::fill(inside.begin(), inside.end(), 0);
    std::vector<Candidate> heap_store;
    heap_store.reserve(n);
    for (u64 v = 0; v < n; ++v) {
        if (v != seed) heap_store.push_back({0, v});
    }
    std::priority_queue<Candidate> heap(std::less<Candidate>(), std::move(heap_store));
    auto join = [&](u64 x) {
        inside[x] = 1;
        part[x] = 0;
        for (u64 i = rev.start[x], end = rev.start[x + 1]; i < end; ++i) {
            const u64 v = rev.from[i];
            if (inside[v]) continue;
            conn[v] += rev.weight[i];
            heap.push({conn[v], v});
        }
    };
    i64 weight = g.vertex_weight(seed);
    join(seed);
    while (weight < target) {
        // Drop entries made stale by a later change of the same vertex.
        while (!heap.empty() && (inside[heap.top().v] || heap.top().conn != conn[heap.top().v])) {
            heap.pop();
        }
        if (heap.empty() || heap.top().conn < -1) break;
        const u64 chosen = heap.top().v;
        heap.pop();
        weight += g.vertex_weight(chosen);
        join(chosen);
    }
}

}  // namespace

std::vector<u64> initial_bisection(const Graph& g) {
    const u64 n = g.n;
    if (n == 0) return {};
    if (n == 1) return {0};
    i64 total = 0;
    for (u64 v = 0; v < n; ++v) total += g.vertex_weight(v);
    const i64 target = total / 2;
    const std::vector<u64> seeds = seed_list(g);
    const Reverse rev = reverse_entries(g);
    std::vector<u64> best(n, 0);
    i64 best_cut = std::numeric_limits<i64>::max();
    std::vector<u64> part(n);
    std::vector<i64> conn(n);
    std::vector<unsigned char> inside(n);
    for (const u64 seed : seeds) {
        grow(g, rev, seed, target, part, conn, inside);
        const i64 cut = edge_cut(g, part);
        if (cut < best_cut) {
            best_cut = cut;
            best.swap(part);
        }
    }
    return best;
}

Graph build_subgraph(const Graph& g, const std::vector<u64>& vertices) {
    Graph s;
    const u64 len = vertices.size();
    s.n = len;
    s.xadj.assign(len + 1, 0);
    if (len == 0) return s;
    std::vector<u64> pos(g.n, kNone);
    for (u64 i = 0; i < len; ++i) at(pos, vertices[i], "vertex") = i;
    s.vwgt.reserve(len);
    for (u64 i = 0; i < len; ++i) {
        const u64 v = vertices[i];
        s.vwgt.push_back(g.vertex_weight(v));
        for (u64 e = g.xadj[v], end = g.xadj[v + 1]; e < end; ++e) {
            const u64 j = pos[g.adjncy[e]];
            if (j == kNone) continue;
            s.adjncy.push_back(j);
            s.adjwgt.push_back(g.edge_weight(e));
        }
        s.xadj[i + 1] = s.adjncy.size();
    }
    return s;
}

std::vector<u64> initial_partition(const Graph& g, u64 nparts) {
    const u64 n = g.n;
    if (nparts < 2 || n == 0) return std::vector<u64>(n, 0);
    std::vector<u64> bis = initial_bisection(g);
    if (nparts == 2) return bis;
    std::vector<u64> side0, side1;
    for (u64 v = 0; v < n; ++v) (bis[v] == 0 ? side0 : side1).push_back(v);
    bis = {};
    const u64 k0 = nparts / 2;
    const u64 k1 = nparts - k0;
    std::vector<u64> merged(n, 0);
    // One subgraph at a time: the result does not depend on both existing at
    // once, and this halves the memory held across the recursion.
    {
        const Graph g0 = build_subgraph(g, side0);
        const std::vector<u64> p0 = initial_partition(g0, k0);
        for (u64 i = 0; i < side0.size(); ++i) merged[side0[i]] = at(p0, i, "part");
    }
    {
        const Graph g1 = build_subgraph(g, side1);
        const std::vector<u64> p1 = initial_partition(g1, k1);
        for (u64 i = 0; i < side1.size(); ++i) merged[side1[i]] = k0 + at(p1, i, "part");
    }
    return merged;
}

}  // namespace dravik
