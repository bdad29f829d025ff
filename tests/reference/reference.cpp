// Reference partitioner: see reference.h for what it is for.
//
// The code follows the algorithms step by step, in the order in which they
// are described, and keeps their quadratic shape.  Where a faster program
// would cache or update something incrementally, this one recomputes it.

#include "reference.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <new>
#include <string>

namespace dravik_ref {

namespace {

// ---------------------------------------------------------------------------
// Checked primitives
// ---------------------------------------------------------------------------

[[noreturn]] void fail_index(const char* what, uint64_t index, uint64_t length) {
    throw Failure(std::string("index out of range: ") + what + "[" + std::to_string(index) +
                  "] with length " + std::to_string(length));
}

template <typename T>
const T& at(const std::vector<T>& vec, uint64_t i, const char* what) {
    if (i >= vec.size()) fail_index(what, i, vec.size());
    return vec[i];
}

template <typename T>
T& at(std::vector<T>& vec, uint64_t i, const char* what) {
    if (i >= vec.size()) fail_index(what, i, vec.size());
    return vec[i];
}

int64_t add(int64_t a, int64_t b, const char* what) {
    int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r)) {
        throw Failure(std::string("signed 64-bit overflow in ") + what + ": " + std::to_string(a) +
                      " + " + std::to_string(b));
    }
    return r;
}

int64_t sub(int64_t a, int64_t b, const char* what) {
    int64_t r = 0;
    if (__builtin_sub_overflow(a, b, &r)) {
        throw Failure(std::string("signed 64-bit overflow in ") + what + ": " + std::to_string(a) +
                      " - " + std::to_string(b));
    }
    return r;
}

// n + 1 for a vector length; n = 2^64 - 1 would wrap to 0.
uint64_t plus_one(uint64_t n, const char* what) {
    uint64_t r = 0;
    if (__builtin_add_overflow(n, uint64_t{1}, &r)) {
        throw Failure(std::string("unsigned 64-bit overflow in ") + what + ": " + std::to_string(n) +
                      " + 1");
    }
    return r;
}

// Position of the i-th adjacency entry of a vertex whose range starts at s.
// A walk stops at the first failing read of adjncy, which always comes
// before the position could wrap, but the test keeps the reference honest.
uint64_t entry_position(uint64_t s, uint64_t i) {
    uint64_t e = 0;
    if (__builtin_add_overflow(s, i, &e)) {
        throw Failure("unsigned 64-bit overflow in adjacency position: " + std::to_string(s) +
                      " + " + std::to_string(i));
    }
    return e;
}

// The refinement sizes two tables by nparts.  A part count far beyond any
// memory is refused up front instead of asking the allocator for it.
constexpr uint64_t kMaxTableEntries = uint64_t{1} << 40;

std::vector<int64_t> part_table(uint64_t nparts, const char* what) {
    if (nparts > kMaxTableEntries) {
        throw Failure(std::string("cannot size ") + what + " for " + std::to_string(nparts) +
                      " parts");
    }
    try {
        return std::vector<int64_t>(nparts, 0);
    } catch (const std::bad_alloc&) {
        throw Failure(std::string("cannot allocate ") + what + " for " + std::to_string(nparts) +
                      " parts");
    } catch (const std::length_error&) {
        throw Failure(std::string("cannot allocate ") + what + " for " + std::to_string(nparts) +
                      " parts");
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// CSR graph
// ---------------------------------------------------------------------------

Graph make_graph(uint64_t n, std::vector<uint64_t> xadj, std::vector<uint64_t> adjncy) {
    // Compare without forming n + 1, which wraps for n = 2^64 - 1.
    if (n == std::numeric_limits<uint64_t>::max() || xadj.size() != n + 1) {
        throw Failure("length of xadj must be n + 1: n = " + std::to_string(n) +
                      ", length of xadj = " + std::to_string(xadj.size()));
    }
    Graph g;
    g.n = n;
    g.xadj = std::move(xadj);
    g.adjncy = std::move(adjncy);
    return g;
}

Graph with_adjwgt(Graph g, std::vector<int64_t> adjwgt) {
    if (adjwgt.size() != g.adjncy.size()) {
        throw Failure("length of adjwgt must equal length of adjncy: " +
                      std::to_string(adjwgt.size()) + " != " + std::to_string(g.adjncy.size()));
    }
    g.adjwgt = std::move(adjwgt);
    return g;
}

Graph with_vwgt(Graph g, std::vector<int64_t> vwgt) {
    if (vwgt.size() != g.n) {
        throw Failure("length of vwgt must equal n: " + std::to_string(vwgt.size()) +
                      " != " + std::to_string(g.n));
    }
    g.vwgt = std::move(vwgt);
    return g;
}

Graph clone(const Graph& g) {
    Graph c;
    c.n = g.n;
    c.xadj = g.xadj;
    c.adjncy = g.adjncy;
    c.adjwgt = g.adjwgt;
    c.vwgt = g.vwgt;
    return c;
}

uint64_t degree(const Graph& g, uint64_t u) {
    const uint64_t s = at(g.xadj, u, "xadj");
    const uint64_t t = at(g.xadj, u + 1, "xadj");  // u < len(xadj), so u + 1 cannot wrap
    // Wrapping on purpose: a decreasing pair gives a huge count, and the walk
    // then runs until a read of adjncy fails.
    return t - s;
}

int64_t edge_weight(const Graph& g, uint64_t e) {
    if (g.adjwgt.empty()) return 1;
    return at(g.adjwgt, e, "adjwgt");
}

int64_t vertex_weight(const Graph& g, uint64_t u) {
    if (g.vwgt.empty()) return 1;
    return at(g.vwgt, u, "vwgt");
}

int64_t weighted_degree(const Graph& g, uint64_t u) {
    const uint64_t s = at(g.xadj, u, "xadj");
    const uint64_t t = at(g.xadj, u + 1, "xadj");
    if (g.adjwgt.empty()) {
        // t - s reinterpreted as a signed value (two's complement, so a
        // decreasing pair gives a negative count).
        return static_cast<int64_t>(t - s);
    }
    if (s > t) {
        throw Failure("decreasing adjacency range in weighted_degree: xadj[" + std::to_string(u) +
                      "] = " + std::to_string(s) + " > xadj[" + std::to_string(u + 1) +
                      "] = " + std::to_string(t));
    }
    if (t > g.adjwgt.size()) fail_index("adjwgt", t - 1, g.adjwgt.size());
    int64_t sum = 0;
    for (uint64_t e = s; e < t; ++e) sum = add(sum, at(g.adjwgt, e, "adjwgt"), "weighted degree");
    return sum;
}

int64_t edge_cut(const Graph& g, const std::vector<uint64_t>& part) {
    if (g.n == 0) return 0;
    int64_t sum = 0;
    for (uint64_t u = 0; u < g.n; ++u) {
        const uint64_t d = degree(g, u);
        const uint64_t s = at(g.xadj, u, "xadj");
        for (uint64_t i = 0; i < d; ++i) {
            const uint64_t e = entry_position(s, i);
            const uint64_t v = at(g.adjncy, e, "adjncy");
            // part[u] is read only once u has an entry: empty ranges never touch it.
            if (at(part, u, "part") != at(part, v, "part")) {
                sum = add(sum, edge_weight(g, e), "edge cut");
            }
        }
    }
    return sum / 2;  // signed division truncates toward zero
}

// ---------------------------------------------------------------------------
// Matching and contraction
// ---------------------------------------------------------------------------

CoarsenLevel coarsen_once(const Graph& g) {
    const uint64_t n = g.n;
    std::vector<uint8_t> matched(n, 0);
    std::vector<uint64_t> cmap(n, 0);
    uint64_t next_id = 0;

    for (uint64_t u = 0; u < n; ++u) {
        if (at(matched, u, "matched")) continue;

        // Heaviest eligible edge; only a strictly heavier entry replaces the
        // candidate, so ties keep the earliest entry in storage order, and
        // starting at -1 means weights of -1 or less never form a pair.
        int64_t best_weight = -1;
        bool have_candidate = false;
        uint64_t candidate = 0;
        const uint64_t d = degree(g, u);
        const uint64_t s = at(g.xadj, u, "xadj");
        for (uint64_t i = 0; i < d; ++i) {
            const uint64_t e = entry_position(s, i);
            const uint64_t v = at(g.adjncy, e, "adjncy");
            if (v == u) continue;
            if (at(matched, v, "matched")) continue;
            const int64_t w = edge_weight(g, e);
            if (w > best_weight) {
                candidate = v;
                best_weight = w;
                have_candidate = true;
            }
        }

        at(cmap, u, "cmap") = next_id;
        at(matched, u, "matched") = 1;
        if (have_candidate) {
            at(cmap, candidate, "cmap") = next_id;
            at(matched, candidate, "matched") = 1;
        }
        next_id += 1;
    }

    CoarsenLevel level;
    level.graph = build_coarse_graph(g, cmap, next_id);
    level.cmap = std::move(cmap);
    level.coarse_n = next_id;
    return level;
}

Graph build_coarse_graph(const Graph& g, const std::vector<uint64_t>& cmap, uint64_t coarse_n) {
    // 1. Vertex weights.
    std::vector<int64_t> cvwgt(coarse_n, 0);
    for (uint64_t u = 0; u < g.n; ++u) {
        int64_t& slot = at(cvwgt, at(cmap, u, "cmap"), "coarse vwgt");
        slot = add(slot, vertex_weight(g, u), "coarse vertex weight");
    }

    // 2. Edge weights, merged per coarse vertex.  An ordered map keeps the
    //    reference free of any hash order.
    std::vector<std::map<uint64_t, int64_t>> merge(coarse_n);
    for (uint64_t u = 0; u < g.n; ++u) {
        const uint64_t d = degree(g, u);
        const uint64_t s = at(g.xadj, u, "xadj");
        for (uint64_t i = 0; i < d; ++i) {
            const uint64_t e = entry_position(s, i);
            const uint64_t cu = at(cmap, u, "cmap");
            const uint64_t cv = at(cmap, at(g.adjncy, e, "adjncy"), "cmap");
            if (cu == cv) continue;  // self loop, or the edge inside a pair
            std::map<uint64_t, int64_t>& m = at(merge, cu, "coarse merge maps");
            int64_t& slot = m[cv];  // created as 0 first
            slot = add(slot, edge_weight(g, e), "coarse edge weight");
        }
    }

    // 3. Assembly, each coarse list sorted by neighbour id.
    Graph cg;
    cg.n = coarse_n;
    cg.xadj.assign(plus_one(coarse_n, "coarse xadj length"), 0);
    for (uint64_t c = 0; c < coarse_n; ++c) {
        std::vector<std::pair<uint64_t, int64_t>> list(merge[c].begin(), merge[c].end());
        std::sort(list.begin(), list.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [nb, w] : list) {
            cg.adjncy.push_back(nb);
            cg.adjwgt.push_back(w);
        }
        at(cg.xadj, c + 1, "coarse xadj") = cg.adjncy.size();
    }

    // 4. Vertex weights go in as they are; both weight vectors are always filled.
    cg.vwgt = std::move(cvwgt);
    return cg;
}

// ---------------------------------------------------------------------------
// Coarsening loop
// ---------------------------------------------------------------------------

std::vector<CoarsenLevel> multilevel_coarsen(const Graph& g, uint64_t target) {
    std::vector<CoarsenLevel> levels;
    Graph current = clone(g);
    while (current.n > target) {
        CoarsenLevel level = coarsen_once(current);
        if (!(level.coarse_n < current.n)) break;  // no pair formed: discard the level
        current = clone(level.graph);
        levels.push_back(std::move(level));
    }
    return levels;
}

// ---------------------------------------------------------------------------
// Initial bisection
// ---------------------------------------------------------------------------

std::vector<uint64_t> bisection_seeds(const Graph& g) {
    const uint64_t n = g.n;
    if (n == 0) return {};

    // 1. The two ends and the middle of the id range.
    std::vector<uint64_t> seeds = {0, n / 2, n - 1};

    // 2. All vertices by non-increasing weighted degree; the stable sort of the
    //    ascending id list keeps equal degrees in ascending id order.  Every
    //    comparison computes both weighted degrees afresh.
    std::vector<uint64_t> order(n);
    for (uint64_t v = 0; v < n; ++v) order[v] = v;
    std::stable_sort(order.begin(), order.end(), [&g](uint64_t a, uint64_t b) {
        return weighted_degree(g, a) > weighted_degree(g, b);
    });

    // 3. The first min(4, n) of that order.
    const uint64_t take = std::min<uint64_t>(4, n);
    for (uint64_t i = 0; i < take; ++i) seeds.push_back(order[i]);

    // 4. Ascending, without repeats.
    std::sort(seeds.begin(), seeds.end());
    seeds.erase(std::unique(seeds.begin(), seeds.end()), seeds.end());
    return seeds;
}

namespace {

// One growth run from seed s: side 0 is grown greedily until it carries
// half of the total vertex weight.
std::vector<uint64_t> grow_from(const Graph& g, uint64_t s) {
    const uint64_t n = g.n;

    // 1. Everything starts on side 1.
    std::vector<uint64_t> side(n, 1);
    std::vector<uint8_t> in_side0(n, 0);

    // 2. Half of the total weight, truncated toward zero.
    int64_t total = 0;
    for (uint64_t v = 0; v < n; ++v) total = add(total, vertex_weight(g, v), "total vertex weight");
    const int64_t target = total / 2;

    // 3. The seed.
    at(in_side0, s, "side-0 flags") = 1;
    at(side, s, "part") = 0;
    int64_t weight0 = vertex_weight(g, s);

    // 4. Grow while strictly below the target.
    while (weight0 < target) {
        int64_t best_conn = -1;
        bool chosen = false;
        uint64_t choice = 0;
        for (uint64_t v = 0; v < n; ++v) {
            if (at(in_side0, v, "side-0 flags")) continue;
            // Connection: every entry into side 0 counts, repeated ones too.
            int64_t conn = 0;
            const uint64_t d = degree(g, v);
            const uint64_t start = at(g.xadj, v, "xadj");
            for (uint64_t i = 0; i < d; ++i) {
                const uint64_t e = entry_position(start, i);
                const uint64_t nb = at(g.adjncy, e, "adjncy");
                if (at(in_side0, nb, "side-0 flags")) conn = add(conn, edge_weight(g, e), "connection");
            }
            // The first visited vertex is taken on equality with the starting
            // value -1; after that only a strictly greater connection wins, so
            // ties go to the lowest id.
            if (conn > best_conn || (conn == best_conn && !chosen)) {
                choice = v;
                best_conn = conn;
                chosen = true;
            }
        }
        if (!chosen) break;  // every outside vertex is below -1
        at(in_side0, choice, "side-0 flags") = 1;
        at(side, choice, "part") = 0;
        weight0 = add(weight0, vertex_weight(g, choice), "side-0 weight");
    }
    return side;
}

}  // namespace

std::vector<uint64_t> initial_bisection(const Graph& g) {
    const uint64_t n = g.n;
    if (n == 0) return {};
    if (n == 1) return {0};

    const std::vector<uint64_t> seeds = bisection_seeds(g);

    std::vector<uint64_t> best(n, 0);
    int64_t best_cut = std::numeric_limits<int64_t>::max();
    for (uint64_t s : seeds) {
        std::vector<uint64_t> run = grow_from(g, s);
        const int64_t cut = edge_cut(g, run);
        if (cut < best_cut) {  // equal cuts keep the earlier seed
            best = std::move(run);
            best_cut = cut;
        }
    }
    return best;
}

// ---------------------------------------------------------------------------
// Recursive bisection
// ---------------------------------------------------------------------------

Graph build_subgraph(const Graph& g, const std::vector<uint64_t>& vertices) {
    Graph sub;
    if (vertices.empty()) {
        sub.n = 0;
        sub.xadj = {0};
        return sub;
    }

    const uint64_t len = vertices.size();

    // Source id -> position in the list.
    std::map<uint64_t, uint64_t> id_map;
    for (uint64_t i = 0; i < len; ++i) id_map[at(vertices, i, "vertices")] = i;

    sub.n = len;
    sub.xadj.assign(plus_one(len, "subgraph xadj length"), 0);
    for (uint64_t i = 0; i < len; ++i) {
        const uint64_t v = at(vertices, i, "vertices");
        sub.vwgt.push_back(vertex_weight(g, v));
        const uint64_t d = degree(g, v);
        const uint64_t s = at(g.xadj, v, "xadj");
        for (uint64_t k = 0; k < d; ++k) {
            const uint64_t e = entry_position(s, k);
            const auto found = id_map.find(at(g.adjncy, e, "adjncy"));
            if (found == id_map.end()) continue;  // neighbour outside the list
            sub.adjncy.push_back(found->second);
            sub.adjwgt.push_back(edge_weight(g, e));
        }
        at(sub.xadj, i + 1, "subgraph xadj") = sub.adjncy.size();
    }
    return sub;
}

std::vector<uint64_t> initial_partition(const Graph& g, uint64_t nparts) {
    const uint64_t n = g.n;
    if (nparts < 2 || n == 0) return std::vector<uint64_t>(n, 0);

    std::vector<uint64_t> bis = initial_bisection(g);
    if (nparts == 2) return bis;

    std::vector<uint64_t> side0;
    std::vector<uint64_t> side1;
    for (uint64_t v = 0; v < n; ++v) {
        if (at(bis, v, "bisection") == 0) side0.push_back(v);
    }
    for (uint64_t v = 0; v < n; ++v) {
        if (at(bis, v, "bisection") == 1) side1.push_back(v);
    }

    // Both subgraphs are built before either recursive call.
    const Graph g0 = build_subgraph(g, side0);
    const Graph g1 = build_subgraph(g, side1);

    // An odd part count gives the extra part to side 1.
    const uint64_t k0 = nparts / 2;
    const uint64_t k1 = nparts - k0;

    const std::vector<uint64_t> p0 = initial_partition(g0, k0);
    const std::vector<uint64_t> p1 = initial_partition(g1, k1);

    std::vector<uint64_t> merged(n, 0);
    for (uint64_t i = 0; i < side0.size(); ++i) {
        at(merged, at(side0, i, "side 0"), "part") = at(p0, i, "side-0 part");
    }
    for (uint64_t i = 0; i < side1.size(); ++i) {
        at(merged, at(side1, i, "side 1"), "part") = k0 + at(p1, i, "side-1 part");
    }
    return merged;
}

// ---------------------------------------------------------------------------
// Refinement
// ---------------------------------------------------------------------------

int64_t max_part_weight(int64_t total, uint64_t nparts) {
    // In double precision, in exactly this order.
    const double t = static_cast<double>(total);
    const double scaled = t * 1.05;
    const double share = scaled / static_cast<double>(nparts);
    const double limit = std::ceil(share);
    if (!(limit >= -9223372036854775808.0 && limit < 9223372036854775808.0)) {
        throw Failure("overflow converting the maximum part weight to a signed 64-bit integer");
    }
    return static_cast<int64_t>(limit);
}

namespace {

// One pass of single-vertex moves; returns whether anything moved.
bool refine_pass(const Graph& g, std::vector<uint64_t>& part, uint64_t nparts) {
    const uint64_t n = g.n;

    // 3. Part weights, rebuilt from scratch.
    std::vector<int64_t> part_weight = part_table(nparts, "part weight table");
    for (uint64_t v = 0; v < n; ++v) {
        int64_t& slot = at(part_weight, at(part, v, "part"), "part weight table");
        slot = add(slot, vertex_weight(g, v), "part weight");
    }

    // 4. Balance limit, from the total of the table.
    int64_t total = 0;
    for (uint64_t k = 0; k < nparts; ++k) total = add(total, part_weight[k], "total part weight");
    const int64_t max_weight = max_part_weight(total, nparts);

    // 5. Selection steps.
    std::vector<uint8_t> moved(n, 0);
    bool moved_any = false;
    uint64_t moves = 0;
    for (;;) {
        int64_t best_gain = std::numeric_limits<int64_t>::min();
        bool found = false;
        uint64_t best_v = 0;
        uint64_t best_k = 0;

        for (uint64_t v = 0; v < n; ++v) {
            if (at(moved, v, "moved flags")) continue;

            const uint64_t from = at(part, v, "part");
            std::vector<int64_t> conn = part_table(nparts, "connection table");
            int64_t internal = 0;
            const uint64_t d = degree(g, v);
            const uint64_t s = at(g.xadj, v, "xadj");
            for (uint64_t i = 0; i < d; ++i) {
                const uint64_t e = entry_position(s, i);
                const uint64_t u = at(g.adjncy, e, "adjncy");
                const int64_t w = edge_weight(g, e);
                const uint64_t pu = at(part, u, "part");
                if (pu == from) {
                    internal = add(internal, w, "internal weight");  // self loops land here too
                } else {
                    int64_t& slot = at(conn, pu, "connection table");
                    slot = add(slot, w, "connection");
                }
            }

            // Boundary test: some connection strictly positive.
            bool boundary = false;
            for (uint64_t k = 0; k < nparts; ++k) {
                if (conn[k] > 0) boundary = true;
            }
            if (!boundary) continue;

            for (uint64_t k = 0; k < nparts; ++k) {
                if (k == from) continue;
                if (conn[k] == 0) continue;  // non-zero, negative entries included
                const int64_t after = add(part_weight[k], vertex_weight(g, v),
                                          "part weight + vertex weight");
                if (after > max_weight) continue;  // reaching the limit exactly is allowed
                const int64_t gain = sub(conn[k], internal, "gain");
                if (gain > best_gain) {  // ties keep the lowest vertex, then the lowest part
                    best_gain = gain;
                    best_v = v;
                    best_k = k;
                    found = true;
                }
            }
        }

        if (!found || best_gain <= 0) break;

        // Apply the move at once; later steps see it.
        const uint64_t from = at(part, best_v, "part");
        const int64_t w = vertex_weight(g, best_v);
        int64_t& from_weight = at(part_weight, from, "part weight table");
        from_weight = sub(from_weight, w, "part weight");
        int64_t& to_weight = at(part_weight, best_k, "part weight table");
        to_weight = add(to_weight, w, "part weight");
        at(part, best_v, "part") = best_k;
        at(moved, best_v, "moved flags") = 1;
        moved_any = true;
        moves += 1;
        if (moves == n) break;  // every vertex has moved
    }
    return moved_any;
}

}  // namespace

void fm_refine(const Graph& g, std::vector<uint64_t>& part, uint64_t nparts, uint64_t max_passes) {
    if (max_passes == 0 || nparts < 2 || g.n == 0) return;
    uint64_t passes = 0;
    for (;;) {
        const bool moved_any = refine_pass(g, part, nparts);
        passes += 1;
        if (!moved_any || passes >= max_passes) break;
    }
}

// ---------------------------------------------------------------------------
// Multilevel k-way driver
// ---------------------------------------------------------------------------

std::pair<int64_t, std::vector<uint64_t>> part_kway(const Graph& g, uint64_t nparts) {
    const uint64_t n = g.n;
    if (n == 0) return {0, {}};
    if (nparts < 2) return {0, std::vector<uint64_t>(n, 0)};
    if (nparts >= n) {
        std::vector<uint64_t> identity(n);
        for (uint64_t v = 0; v < n; ++v) identity[v] = v;
        const int64_t cut = edge_cut(g, identity);
        return {cut, std::move(identity)};
    }

    // Only a hand-assembled graph with a huge n can get here with a part count
    // whose double wraps; refuse it rather than coarsen towards a wrapped target.
    uint64_t twice = 0;
    if (__builtin_mul_overflow(nparts, uint64_t{2}, &twice)) {
        throw Failure("unsigned 64-bit overflow in the coarsening target: 2 * " +
                      std::to_string(nparts));
    }
    const uint64_t target = std::max<uint64_t>(20, twice);
    std::vector<CoarsenLevel> levels = multilevel_coarsen(g, target);
    const uint64_t count = levels.size();

    const Graph coarsest = clone(count == 0 ? g : levels[count - 1].graph);
    std::vector<uint64_t> part = initial_partition(coarsest, nparts);
    fm_refine(coarsest, part, nparts, 10);

    for (uint64_t i = count; i-- > 0;) {
        const Graph finer = clone(i == 0 ? g : levels[i - 1].graph);
        const std::vector<uint64_t>& cmap = levels[i].cmap;
        std::vector<uint64_t> projected(finer.n, 0);
        for (uint64_t v = 0; v < finer.n; ++v) {
            projected[v] = at(part, at(cmap, v, "cmap"), "coarser part");
        }
        fm_refine(finer, projected, nparts, 10);
        part = std::move(projected);
    }

    const int64_t cut = edge_cut(g, part);
    return {cut, std::move(part)};
}

std::pair<int64_t, std::vector<uint64_t>> partition(const Graph& g, uint64_t nparts) {
    return part_kway(g, nparts);
}

}  // namespace dravik_ref
