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
    // Entries of one coarse vertex, merged by sorting while there are few
    // (the common case: no scattered writes), else through the accumulator.
    std::vector<std::pair<u64, i64>> local;
    constexpr std::size_t kSmall = 48;
    const bool ew = !g.adjwgt.empty();
    const u64* adj = g.adjncy.data();
    const u64* xadj = g.xadj.data();
    const u64* cmap_data = cmap.data();
    for (u64 cu = 0; cu < coarse_n; ++cu) {
        const u64 u0 = members[2 * cu];
        const u64 u1 = members[2 * cu + 1];
        u64 need = xadj[u0 + 1] - xadj[u0];
        if (u1 != kNone) need += xadj[u1 + 1] - xadj[u1];
        if (local.size() < need) local.resize(need);
        // Plain pointers in the gather loop: through the vector the compiler
        // must assume every store may change the arrays it reads.
        std::pair<u64, i64>* const first = local.data();
        std::pair<u64, i64>* out = first;
        i64 weight = 0;
        for (const u64 u : {u0, u1}) {
            if (u == kNone) continue;
            weight += g.vertex_weight(u);
            const u64 end = xadj[u + 1];
            if (ew) {
                const i64* w = g.adjwgt.data();
                for (u64 e = xadj[u]; e < end; ++e) {
                    const u64 cv = cmap_data[adj[e]];
                    if (cv != cu) *out++ = {cv, w[e]};
                }
            } else {
                for (u64 e = xadj[u]; e < end; ++e) {
                    const u64 cv = cmap_data[adj[e]];
                    if (cv != cu) *out++ = {cv, 1};
                }
            }
        }
        c.vwgt[cu] = weight;
        const std::size_t count = static_cast<std::size_t>(out - first);
        if (count <= kSmall) {
            // Insertion sort: short lists, often nearly sorted already.
            for (std::size_t a = 1; a < count; ++a) {
                const auto x = first[a];
                std::size_t b = a;
                while (b > 0 && first[b - 1].first > x.first) {
                    first[b] = first[b - 1];
                    --b;
                }
                first[b] = x;
            }
            for (std::size_t a = 0; a < count;) {
                const u64 cv = first[a].first;
                i64 sum = 0;
                for (; a < count && first[a].first == cv; ++a) sum += first[a].second;
                c.adjncy.push_back(cv);
                c.adjwgt.push_back(sum);
            }
        } else {
            for (std::size_t a = 0; a < count; ++a) acc.add(first[a].first, first[a].second);
            std::sort(acc.touched.begin(), acc.touched.end());
            for (const u64 cv : acc.touched) {
                c.adjncy.push_back(cv);
                c.adjwgt.push_back(acc.sum[cv]);
                acc.sum[cv] = 0;
                acc.seen[cv] = 0;
            }
            acc.touched.clear();
        }
        c.xadj[cu + 1] = c.adjncy.size();
    }
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

bool is_star(const Graph& g) {
    if (g.n < 2) return false;
    u64 last = 0;
    for (u64 e = g.xadj[0], end = g.xadj[1]; e < end; ++e) {
        if (g.adjncy[e] <= last) return false;  // ascending, distinct, no self loop
        last = g.adjncy[e];
    }
    for (u64 v = 1; v < g.n; ++v) {
        if (g.xadj[v + 1] - g.xadj[v] > 1) return false;
        if (g.xadj[v + 1] > g.xadj[v] && g.adjncy[g.xadj[v]] != 0) return false;
    }
    return true;
}

namespace {

// The merge order of a star: vertex 0's entries of weight at least 0, by
// weight descending and then by id (= storage order) ascending; as many as
// the passes that run before at most `target` vertices remain.
StarTail star_tail(const Graph& star, u64 target) {
    StarTail tail;
    std::vector<std::pair<i64, u64>> order;
    const bool ew = !star.adjwgt.empty();
    for (u64 e = star.xadj[0], end = star.xadj[1]; e < end; ++e) {
        const i64 w = ew ? star.adjwgt[e] : 1;
        if (w >= 0) order.push_back({w, star.adjncy[e]});
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
    const u64 passes = star.n > target ? std::min<u64>(order.size(), star.n - target) : 0;
    tail.merged.reserve(passes);
    for (u64 i = 0; i < passes; ++i) tail.merged.push_back(order[i].second);
    return tail;
}

// A pass forms few pairs once coarsening stalls; only then is the star shape
// worth testing for.
bool stalling(u64 finer_n, u64 coarse_n) { return (finer_n - coarse_n) * 16 < finer_n; }

}  // namespace

Hierarchy coarsen_hierarchy(const Graph& g, u64 target) {
    Hierarchy h;
    const Graph* current = &g;
    bool check = true;  // the input itself may be a star
    while (current->n > target) {
        if (check && is_star(*current)) {
            h.tail = star_tail(*current, target);
            break;
        }
        CoarsenLevel level = coarsen_once(*current);
        if (level.coarse_n >= current->n) break;
        check = stalling(current->n, level.coarse_n);
        h.levels.push_back(std::move(level));
        current = &h.levels.back().graph;
    }
    return h;
}

Graph merged_star(const Graph& star, const StarTail& tail, u64 count, std::vector<u64>* ids) {
    std::vector<unsigned char> gone(star.n, 0);
    i64 hub_weight = star.vertex_weight(0);
    for (u64 i = 0; i < count; ++i) {
        const u64 leaf = at(tail.merged, i, "merge order");
        gone[leaf] = 1;
        hub_weight += star.vertex_weight(leaf);
    }
    std::vector<u64> rank(star.n, 0);
    Graph c;
    c.n = star.n - count;
    if (ids != nullptr) ids->clear();
    for (u64 v = 0, r = 0; v < star.n; ++v) {
        if (gone[v]) continue;
        rank[v] = r++;
        if (ids != nullptr) ids->push_back(v);
    }
    c.xadj.assign(1, 0);
    c.xadj.reserve(c.n + 1);
    c.vwgt.reserve(c.n);
    for (u64 v = 0; v < star.n; ++v) {
        if (gone[v]) continue;
        c.vwgt.push_back(v == 0 ? hub_weight : star.vertex_weight(v));
        for (u64 e = star.xadj[v], end = star.xadj[v + 1]; e < end; ++e) {
            const u64 u = star.adjncy[e];
            if (gone[u]) continue;
            c.adjncy.push_back(rank[u]);
            c.adjwgt.push_back(star.edge_weight(e));
        }
        c.xadj.push_back(c.adjncy.size());
    }
    return c;
}

std::vector<CoarsenLevel> multilevel_coarsen(const Graph& g, u64 target) {
    Hierarchy h = coarsen_hierarchy(g, target);
    if (h.tail.merged.empty()) return std::move(h.levels);
    // Spell the tail out as explicit levels (for callers that want them all).
    const Graph star = h.levels.empty() ? clone(g) : clone(h.levels.back().graph);
    std::vector<u64> finer_ids, coarse_ids;
    merged_star(star, h.tail, 0, &finer_ids);
    for (u64 t = 1; t <= h.tail.merged.size(); ++t) {
        CoarsenLevel level;
        level.graph = merged_star(star, h.tail, t, &coarse_ids);
        level.coarse_n = level.graph.n;
        std::vector<u64> rank(star.n, 0);
        for (u64 r = 0; r < coarse_ids.size(); ++r) rank[coarse_ids[r]] = r;
        const u64 leaf = h.tail.merged[t - 1];
        level.cmap.resize(finer_ids.size());
        for (u64 i = 0; i < finer_ids.size(); ++i) level.cmap[i] = finer_ids[i] == leaf ? 0 : rank[finer_ids[i]];
        h.levels.push_back(std::move(level));
        finer_ids.swap(coarse_ids);
    }
    return std::move(h.levels);
}

}  // namespace dravik
