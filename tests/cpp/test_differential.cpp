// Production stages against the plain reference transcription, on seeded
// random graphs. A mismatch reports the seed and a shrunken graph.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <sstream>

#include "coarsen/coarsen.h"
#include "dravik.h"
#include "partition/initial_partition.h"
#include "random_graphs.h"
#include "reference.h"
#include "refine/fm_refine.h"

namespace {

using dravik_test::Csr;
using dravik_test::Rng;
using u64 = std::uint64_t;
using i64 = std::int64_t;

dravik::Graph prod_graph(const Csr& c) { return dravik_test::to_graph<dravik::Graph>(c); }
dravik_ref::Graph ref_graph(const Csr& c) { return dravik_test::to_graph<dravik_ref::Graph>(c); }

template <class G>
bool same_graph(const dravik::Graph& a, const G& b) {
    return a.n == b.n && a.xadj == b.xadj && a.adjncy == b.adjncy && a.adjwgt == b.adjwgt && a.vwgt == b.vwgt;
}

std::string show(const std::vector<u64>& v) {
    std::ostringstream out;
    out << '[';
    for (std::size_t i = 0; i < v.size(); ++i) out << (i ? ", " : "") << v[i];
    out << ']';
    return out.str();
}
std::string show(const std::pair<i64, std::vector<u64>>& r) {
    std::ostringstream out;
    out << '(' << r.first << ", " << show(r.second) << ')';
    return out.str();
}
template <class T>
std::string show(const T&) {
    return "(not shown)";
}

// Runs both sides; nullopt when they agree (equal results, or both failed).
template <class P, class R, class Eq>
std::optional<std::string> compare(P prod, R ref, Eq equal) {
    std::optional<decltype(prod())> p;
    std::optional<decltype(ref())> r;
    std::string pe, re;
    try {
        p = prod();
    } catch (const dravik::InternalFailure& e) {
        pe = e.what();
    }
    try {
        r = ref();
    } catch (const dravik_ref::Failure& e) {
        re = e.what();
    }
    if (!p && !r) return std::nullopt;
    if (!p) return "production failed (" + pe + "), reference did not";
    if (!r) return "reference failed (" + re + "), production did not";
    if (!equal(*p, *r)) return "results differ: production " + show(*p) + ", reference " + show(*r);
    return std::nullopt;
}

// Part ids for refinement inputs that depend only on (seed, vertex), so the
// shrinker can redraw them for smaller graphs.
std::vector<u64> part_vector(u64 seed, u64 n, u64 nparts) {
    std::vector<u64> part(n);
    for (u64 v = 0; v < n; ++v) {
        Rng r(seed * 1000003 + v);
        // Mostly blocks of consecutive vertices, like a projected partition.
        part[v] = r.chance(80) ? (v * nparts / std::max<u64>(n, 1)) : r.next() % nparts;
    }
    return part;
}

struct Stage {
    const char* name;
    // Returns a mismatch description for graph g under the stage parameters
    // drawn from `param` (a seed of its own).
    std::function<std::optional<std::string>(const Csr&, u64 param)> check;
};

u64 draw_nparts(u64 param, u64 n) {
    Rng r(param);
    switch (r.range(0, 5)) {
        case 0: return static_cast<u64>(r.range(0, 3));
        case 1: return n + static_cast<u64>(r.range(0, 3));
        case 2: return std::max<u64>(2, n / 2);
        default: return static_cast<u64>(r.range(2, 12));
    }
}

const std::vector<Stage>& stages() {
    static const std::vector<Stage> all = {
        {"coarsen_once",
         [](const Csr& c, u64) {
             return compare([&] { return dravik::coarsen_once(prod_graph(c)); },
                            [&] { return dravik_ref::coarsen_once(ref_graph(c)); },
                            [](const auto& a, const auto& b) {
                                return a.coarse_n == b.coarse_n && a.cmap == b.cmap && same_graph(a.graph, b.graph);
                            });
         }},
        {"multilevel_coarsen",
         [](const Csr& c, u64 param) {
             const u64 target = Rng(param).next() % 24;
             return compare([&] { return dravik::multilevel_coarsen(prod_graph(c), target); },
                            [&] { return dravik_ref::multilevel_coarsen(ref_graph(c), target); },
                            [](const auto& a, const auto& b) {
                                if (a.size() != b.size()) return false;
                                for (std::size_t i = 0; i < a.size(); ++i) {
                                    if (a[i].coarse_n != b[i].coarse_n || a[i].cmap != b[i].cmap ||
                                        !same_graph(a[i].graph, b[i].graph))
                                        return false;
                                }
                                return true;
                            });
         }},
        {"initial_bisection",
         [](const Csr& c, u64) {
             return compare([&] { return dravik::initial_bisection(prod_graph(c)); },
                            [&] { return dravik_ref::initial_bisection(ref_graph(c)); },
                            [](const auto& a, const auto& b) { return a == b; });
         }},
        {"initial_partition",
         [](const Csr& c, u64 param) {
             const u64 nparts = draw_nparts(param, c.n);
             return compare([&] { return dravik::initial_partition(prod_graph(c), nparts); },
                            [&] { return dravik_ref::initial_partition(ref_graph(c), nparts); },
                            [](const auto& a, const auto& b) { return a == b; });
         }},
        {"fm_refine",
         [](const Csr& c, u64 param) {
             Rng r(param);
             const u64 nparts = static_cast<u64>(r.range(2, 9));
             const u64 passes = static_cast<u64>(r.range(0, 10));
             const std::vector<u64> start = part_vector(param, c.n, nparts);
             return compare(
                 [&] {
                     auto p = start;
                     dravik::fm_refine(prod_graph(c), p, nparts, passes);
                     return p;
                 },
                 [&] {
                     auto p = start;
                     dravik_ref::fm_refine(ref_graph(c), p, nparts, passes);
                     return p;
                 },
                 [](const auto& a, const auto& b) { return a == b; });
         }},
        {"partition",
         [](const Csr& c, u64 param) {
             const u64 nparts = draw_nparts(param, c.n);
             return compare([&] { return dravik::partition(prod_graph(c), nparts); },
                            [&] { return dravik_ref::partition(ref_graph(c), nparts); },
                            [](const auto& a, const auto& b) { return a.first == b.first && a.second == b.second; });
         }},
    };
    return all;
}

u64 env_or(const char* name, u64 fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::strtoull(v, nullptr, 10) : fallback;
}

// Graph sizes: mostly small (where corner cases live), some up to a few
// hundred vertices, a few up to thousands.
u64 max_n_for(u64 seed) {
    if (seed % 1000 == 0) return 3000;
    if (seed % 50 == 0) return 400;
    if (seed % 10 == 0) return 120;
    return 40;
}

TEST(Differential, StagesAndPipelineMatchReference) {
    const u64 seeds = env_or("DRAVIK_DIFF_SEEDS", 10000);
    const u64 first = env_or("DRAVIK_DIFF_FIRST_SEED", 1);
    u64 compared = 0, largest = 0, star_tails = 0;
    for (u64 seed = first; seed < first + seeds; ++seed) {
        Rng rng(seed);
        const Csr g = dravik_test::random_graph(rng, max_n_for(seed));
        largest = std::max(largest, g.n);
        star_tails += !dravik::coarsen_hierarchy(prod_graph(g), 20).tail.merged.empty();
        for (const Stage& stage : stages()) {
            const u64 param = seed * 7919 + 17;
            const auto mismatch = stage.check(g, param);
            ++compared;
            if (!mismatch) continue;
            const Csr small = dravik_test::shrink(g, [&](const Csr& c) { return stage.check(c, param).has_value(); });
            FAIL() << "stage " << stage.name << ", seed " << seed << ": " << *stage.check(small, param)
                   << "\nsmallest graph: " << dravik_test::describe(small)
                   << "\nrerun: DRAVIK_DIFF_FIRST_SEED=" << seed << " DRAVIK_DIFF_SEEDS=1";
        }
    }
    std::cout << "[ compared ] " << seeds << " graphs, " << compared << " stage runs, largest n = " << largest
              << ", " << star_tails << " graphs coarsen into a star tail" << std::endl;
}

}  // namespace
