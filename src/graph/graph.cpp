#include "graph/graph.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace dravik {

void fail_index(const char* what, u64 index, u64 length) {
    throw InternalFailure("index " + std::to_string(index) + " out of range for " + what +
                          " of length " + std::to_string(length));
}

void fail_overflow(const char* what) {
    throw InternalFailure(std::string(what) + " overflows the signed 64-bit range");
}

std::string n_plus_one_text(u64 n) {
    if (n == std::numeric_limits<u64>::max()) return "18446744073709551616";
    return std::to_string(n + 1);
}

i64 Graph::weighted_degree(u64 u) const {
    const u64 s = at(xadj, u, "xadj");
    const u64 t = at(xadj, u + 1, "xadj");
    if (adjwgt.empty()) return static_cast<i64>(t - s);
    if (s > t || t > adjwgt.size()) {
        throw InternalFailure("adjacency range [" + std::to_string(s) + ", " + std::to_string(t) +
                              ") of vertex " + std::to_string(u) + " does not fit adjwgt of length " +
                              std::to_string(adjwgt.size()));
    }
    i64 sum = 0;
    for (u64 e = s; e < t; ++e) sum = add_checked(sum, adjwgt[e], "weighted degree");
    return sum;
}

Graph new_graph(u64 n, std::vector<u64> xadj, std::vector<u64> adjncy) {
    if (n == std::numeric_limits<u64>::max() || xadj.size() != n + 1) {
        throw InternalFailure("xadj must have length n + 1 (" + n_plus_one_text(n) + "), got " +
                              std::to_string(xadj.size()));
    }
    Graph g;
    g.n = n;
    g.xadj = std::move(xadj);
    g.adjncy = std::move(adjncy);
    return g;
}

Graph with_adjwgt(Graph g, std::vector<i64> adjwgt) {
    if (adjwgt.size() != g.adjncy.size()) {
        throw InternalFailure("adjwgt must have the same length as adjncy (" +
                              std::to_string(g.adjncy.size()) + "), got " +
                              std::to_string(adjwgt.size()));
    }
    g.adjwgt = std::move(adjwgt);
    return g;
}

Graph with_vwgt(Graph g, std::vector<i64> vwgt) {
    if (vwgt.size() != g.n) {
        throw InternalFailure("vwgt must have length n (" + std::to_string(g.n) + "), got " +
                              std::to_string(vwgt.size()));
    }
    g.vwgt = std::move(vwgt);
    return g;
}

Graph clone(const Graph& g) { return g; }

i64 edge_cut(const Graph& g, std::span<const u64> part) {
    // Summed in 128 bits: only the halved total has to fit in 64 bits, so a
    // cut of 2^62 made of two entries of 2^62 each is measured, not refused.
    __int128 sum = 0;
    for (u64 u = 0; u < g.n; ++u) {
        const u64 deg = g.degree(u);
        if (deg == 0) continue;
        const u64 base = g.xadj[u];
        for (u64 i = 0; i < deg; ++i) {
            const u64 e = base + i;
            const u64 v = at(g.adjncy, e, "adjncy");
            if (at(part, u, "part") != at(part, v, "part")) {
                sum += g.edge_weight(e);
            }
        }
    }
    const __int128 half = sum / 2;
    if (half > std::numeric_limits<i64>::max() || half < std::numeric_limits<i64>::min()) {
        fail_overflow("edge cut");
    }
    return static_cast<i64>(half);
}

Reverse reverse_entries(const Graph& g) {
    Reverse r;
    r.start.assign(g.n + 1, 0);
    for (u64 v = 0; v < g.n; ++v) {
        for (u64 e = g.xadj[v], end = g.xadj[v + 1]; e < end; ++e) ++r.start[g.adjncy[e] + 1];
    }
    for (u64 x = 0; x < g.n; ++x) r.start[x + 1] += r.start[x];
    r.from.resize(r.start[g.n]);
    r.weight.resize(r.start[g.n]);
    std::vector<u64> fill(r.start.begin(), r.start.end() - 1);
    for (u64 v = 0; v < g.n; ++v) {
        for (u64 e = g.xadj[v], end = g.xadj[v + 1]; e < end; ++e) {
            const u64 slot = fill[g.adjncy[e]]++;
            r.from[slot] = v;
            r.weight[slot] = g.edge_weight(e);
        }
    }
    return r;
}

namespace {

// Every range strictly ascending: then each entry has at most one partner
// entry, found by binary search, and symmetry needs no extra memory.
bool strictly_ascending(const Graph& g) {
    for (u64 u = 0; u < g.n; ++u) {
        for (u64 e = g.xadj[u] + 1; e < g.xadj[u + 1]; ++e) {
            if (g.adjncy[e - 1] >= g.adjncy[e]) return false;
        }
    }
    return true;
}

// With ascending ranges the partner of entry u -> v (v > u) is the first
// entry of v not yet matched: going through u in increasing order consumes
// v's entries towards lower vertices in their own order. One cursor per
// vertex, no copy of the graph.
bool symmetric_ascending(const Graph& g) {
    std::vector<u64> cursor(g.xadj.begin(), g.xadj.end() - 1);
    for (u64 u = 0; u < g.n; ++u) {
        const u64 end = g.xadj[u + 1];
        // Entries towards lower vertices must all have been matched already.
        u64 e = cursor[u];
        if (e < end && g.adjncy[e] < u) return false;
        for (; e < end; ++e) {
            const u64 v = g.adjncy[e];
            if (v == u) continue;  // a self loop is its own partner
            const u64 c = cursor[v];
            if (c >= g.xadj[v + 1] || g.adjncy[c] != u || g.edge_weight(c) != g.edge_weight(e)) return false;
            cursor[v] = c + 1;
        }
    }
    return true;
}

}  // namespace

bool is_symmetric(const Graph& g) {
    if (strictly_ascending(g)) return symmetric_ascending(g);
    const Reverse r = reverse_entries(g);
    std::vector<std::pair<u64, i64>> forward, backward;
    for (u64 x = 0; x < g.n; ++x) {
        const u64 s = g.xadj[x], t = g.xadj[x + 1];
        if (t - s != r.start[x + 1] - r.start[x]) return false;
        forward.clear();
        backward.clear();
        for (u64 e = s; e < t; ++e) forward.push_back({g.adjncy[e], g.edge_weight(e)});
        for (u64 i = r.start[x]; i < r.start[x + 1]; ++i) backward.push_back({r.from[i], r.weight[i]});
        std::sort(forward.begin(), forward.end());
        std::sort(backward.begin(), backward.end());
        if (forward != backward) return false;
    }
    return true;
}

void validate_for_partitioning(const Graph& g) {
    if (g.n == std::numeric_limits<u64>::max() || g.xadj.size() != g.n + 1) {
        throw InternalFailure("xadj must have length n + 1 (" + n_plus_one_text(g.n) + "), got " +
                              std::to_string(g.xadj.size()));
    }
    if (!g.vwgt.empty() && g.vwgt.size() < g.n) fail_index("vwgt", g.vwgt.size(), g.vwgt.size());
    const u64 m = g.adjncy.size();
    const bool weighted = !g.adjwgt.empty();
    // Sum of absolute values: if it fits, so does every partial sum any stage
    // can form (part weights, connections, gains, coarse weights, cuts).
    u64 abs_edges = 0;
    constexpr u64 limit = static_cast<u64>(std::numeric_limits<i64>::max());
    for (u64 u = 0; u < g.n; ++u) {
        const u64 s = g.xadj[u];
        const u64 t = g.xadj[u + 1];
        if (s == t) continue;
        if (s > t) {
            throw InternalFailure("xadj decreases at vertex " + std::to_string(u) + " (" +
                                  std::to_string(s) + " > " + std::to_string(t) + ")");
        }
        if (t > m) fail_index("adjncy", m, m);
        if (weighted && t > g.adjwgt.size()) fail_index("adjwgt", g.adjwgt.size(), g.adjwgt.size());
        for (u64 e = s; e < t; ++e) {
            if (g.adjncy[e] >= g.n) fail_index("vertex", g.adjncy[e], g.n);
            if (weighted) {
                const i64 w = g.adjwgt[e];
                const u64 a = w < 0 ? u64(0) - static_cast<u64>(w) : static_cast<u64>(w);
                if (a > limit - abs_edges) fail_overflow("sum of edge weights");
                abs_edges += a;
            }
        }
        if (!weighted && t - s > limit - abs_edges) fail_overflow("sum of edge weights");
        if (!weighted) abs_edges += t - s;
    }
    if (!g.vwgt.empty()) {
        u64 abs_vertices = 0;
        for (u64 u = 0; u < g.n; ++u) {
            const i64 w = g.vwgt[u];
            const u64 a = w < 0 ? u64(0) - static_cast<u64>(w) : static_cast<u64>(w);
            if (a > limit - abs_vertices) fail_overflow("sum of vertex weights");
            abs_vertices += a;
        }
    }
}

}  // namespace dravik
