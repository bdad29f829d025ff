#include "random_graphs.h"

#include <algorithm>
#include <sstream>
#include <utility>

namespace dravik_test {

namespace {

using u64 = std::uint64_t;
using i64 = std::int64_t;

struct Edge {
    u64 u, v;
    i64 w;
};

enum class Weights { none, positive, wide, signed_small };

i64 draw_weight(Rng& rng, Weights kind) {
    switch (kind) {
        case Weights::none: return 1;
        case Weights::positive: return rng.range(1, 9);
        case Weights::wide: return rng.range(1, 1'000'000'000'000);
        case Weights::signed_small: return rng.range(-3, 5);
    }
    return 1;
}

std::vector<std::pair<u64, u64>> family_edges(Rng& rng, u64 n) {
    std::vector<std::pair<u64, u64>> e;
    if (n < 2) return e;
    switch (rng.range(0, 10)) {
        case 0: {  // sparse random
            const u64 m = static_cast<u64>(rng.range(0, static_cast<i64>(3 * n)));
            for (u64 i = 0; i < m; ++i) e.push_back({rng.next() % n, rng.next() % n});
            break;
        }
        case 1:  // path
            for (u64 i = 0; i + 1 < n; ++i) e.push_back({i, i + 1});
            break;
        case 2: {  // star around a random centre
            const u64 c = rng.next() % n;
            for (u64 i = 0; i < n; ++i)
                if (i != c) e.push_back({c, i});
            break;
        }
        case 3: {  // grid
            u64 w = 1;
            while (w * w < n) ++w;
            for (u64 i = 0; i < n; ++i) {
                if ((i + 1) % w != 0 && i + 1 < n) e.push_back({i, i + 1});
                if (i + w < n) e.push_back({i, i + w});
            }
            break;
        }
        case 4:  // random tree
            for (u64 i = 1; i < n; ++i) e.push_back({i, rng.next() % i});
            break;
        case 5: {  // dense clusters joined by a few edges
            const u64 k = static_cast<u64>(rng.range(1, 5));
            for (u64 a = 0; a < n; ++a)
                for (u64 b = a + 1; b < n; ++b)
                    if (a % k == b % k ? rng.chance(60) : rng.chance(2)) e.push_back({a, b});
            break;
        }
        case 6: {  // dense random
            for (u64 a = 0; a < n; ++a)
                for (u64 b = a + 1; b < n; ++b)
                    if (rng.chance(30)) e.push_back({a, b});
            break;
        }
        case 7: {  // several components of paths and cycles
            u64 start = 0;
            while (start < n) {
                const u64 len = std::min<u64>(n - start, static_cast<u64>(rng.range(1, 12)));
                for (u64 i = 0; i + 1 < len; ++i) e.push_back({start + i, start + i + 1});
                if (len > 2 && rng.chance(50)) e.push_back({start, start + len - 1});
                start += len;
            }
            break;
        }
        case 8:
        case 9: {  // a small dense core with pendant vertices: stalls into a star
            const u64 core = std::min<u64>(n, static_cast<u64>(rng.range(1, 6)));
            for (u64 a = 0; a < core; ++a)
                for (u64 b = a + 1; b < core; ++b)
                    if (rng.chance(70)) e.push_back({a, b});
            for (u64 v = core; v < n; ++v) {
                e.push_back({v, rng.next() % core});
                if (rng.chance(5)) e.push_back({v, core + rng.next() % (n - core)});
            }
            break;
        }
        default:  // no edges at all
            break;
    }
    return e;
}

}  // namespace

Csr random_graph(Rng& rng, u64 max_n) {
    const u64 n = static_cast<u64>(rng.range(0, static_cast<i64>(max_n)));
    const Weights ew = static_cast<Weights>(rng.range(0, 3));
    const Weights vw = static_cast<Weights>(rng.range(0, 3));
    const bool self_loops = rng.chance(15);
    const bool repeats = rng.chance(15);
    const bool one_sided = rng.chance(10);
    std::vector<std::vector<std::pair<u64, i64>>> adj(n);
    for (const auto& [a, b] : family_edges(rng, n)) {
        if (a == b && !self_loops) continue;
        const i64 w = draw_weight(rng, ew);
        const int copies = repeats && rng.chance(20) ? 2 : 1;
        for (int c = 0; c < copies; ++c) {
            const bool drop_back = one_sided && rng.chance(20);
            adj[a].push_back({b, w});
            if (a != b && !drop_back) adj[b].push_back({a, w});
        }
    }
    if (self_loops)
        for (u64 u = 0; u < n; ++u)
            if (rng.chance(10)) adj[u].push_back({u, draw_weight(rng, ew)});
    // Storage order: sorted by neighbour or shuffled, both occur in practice.
    const bool shuffle = rng.chance(40);
    Csr g;
    g.n = n;
    g.xadj.assign(n + 1, 0);
    for (u64 u = 0; u < n; ++u) {
        auto& list = adj[u];
        if (shuffle) {
            for (u64 i = list.size(); i > 1; --i) std::swap(list[i - 1], list[rng.next() % i]);
        } else {
            std::stable_sort(list.begin(), list.end(), [](auto& x, auto& y) { return x.first < y.first; });
        }
        for (const auto& [v, w] : list) {
            g.adjncy.push_back(v);
            g.adjwgt.push_back(w);
        }
        g.xadj[u + 1] = g.adjncy.size();
    }
    if (ew == Weights::none && rng.chance(70)) g.adjwgt.clear();
    if (vw != Weights::none || rng.chance(30)) {
        for (u64 u = 0; u < n; ++u) g.vwgt.push_back(draw_weight(rng, vw == Weights::signed_small && rng.chance(70) ? Weights::positive : vw));
    }
    return g;
}

std::string describe(const Csr& g) {
    std::ostringstream out;
    auto list = [&](const auto& v) {
        out << '[';
        for (std::size_t i = 0; i < v.size(); ++i) out << (i ? ", " : "") << v[i];
        out << ']';
    };
    out << "n=" << g.n << " xadj=";
    list(g.xadj);
    out << " adjncy=";
    list(g.adjncy);
    out << " adjwgt=";
    list(g.adjwgt);
    out << " vwgt=";
    list(g.vwgt);
    return out.str();
}

namespace {

Csr without_vertex(const Csr& g, u64 x) {
    Csr r;
    r.n = g.n - 1;
    r.xadj.assign(1, 0);
    for (u64 u = 0; u < g.n; ++u) {
        if (u == x) continue;
        for (u64 e = g.xadj[u]; e < g.xadj[u + 1]; ++e) {
            const u64 v = g.adjncy[e];
            if (v == x) continue;
            r.adjncy.push_back(v > x ? v - 1 : v);
            if (!g.adjwgt.empty()) r.adjwgt.push_back(g.adjwgt[e]);
        }
        r.xadj.push_back(r.adjncy.size());
        if (!g.vwgt.empty()) r.vwgt.push_back(g.vwgt[u]);
    }
    return r;
}

Csr without_entry(const Csr& g, u64 e) {
    Csr r = g;
    r.adjncy.erase(r.adjncy.begin() + static_cast<std::ptrdiff_t>(e));
    if (!r.adjwgt.empty()) r.adjwgt.erase(r.adjwgt.begin() + static_cast<std::ptrdiff_t>(e));
    for (u64 u = 1; u <= r.n; ++u)
        if (r.xadj[u] > e) --r.xadj[u];
    return r;
}

}  // namespace

Csr shrink(Csr g, const std::function<bool(const Csr&)>& fails) {
    bool progress = true;
    int budget = 4000;
    while (progress && budget > 0) {
        progress = false;
        for (u64 x = g.n; x-- > 0 && budget > 0;) {
            --budget;
            Csr c = without_vertex(g, x);
            if (fails(c)) {
                g = std::move(c);
                progress = true;
            }
        }
        for (u64 e = g.adjncy.size(); e-- > 0 && budget > 0;) {
            --budget;
            Csr c = without_entry(g, e);
            if (fails(c)) {
                g = std::move(c);
                progress = true;
            }
        }
        if (!g.adjwgt.empty()) {
            Csr c = g;
            c.adjwgt.clear();
            if (fails(c)) g = std::move(c), progress = true;
        }
        if (!g.vwgt.empty()) {
            Csr c = g;
            c.vwgt.clear();
            if (fails(c)) g = std::move(c), progress = true;
        }
    }
    return g;
}

}  // namespace dravik_test
