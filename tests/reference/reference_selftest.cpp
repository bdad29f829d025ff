// Self-test of the reference partitioner against small, hand-worked examples.
//
// The reference is the yardstick for the production code, so every expected
// value below was worked out by hand from the algorithm's rules, never by
// running the reference.

#include "reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

using dravik_ref::Failure;
using dravik_ref::Graph;
using Ids = std::vector<uint64_t>;
using Weights = std::vector<int64_t>;

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

// Graph from raw CSR arrays; weight vectors are attached only when non-empty.
Graph csr(Ids xadj, Ids adjncy, Weights adjwgt = {}, Weights vwgt = {}) {
    const uint64_t n = xadj.size() - 1;
    Graph g = dravik_ref::make_graph(n, std::move(xadj), std::move(adjncy));
    if (!adjwgt.empty()) g = dravik_ref::with_adjwgt(std::move(g), std::move(adjwgt));
    if (!vwgt.empty()) g = dravik_ref::with_vwgt(std::move(g), std::move(vwgt));
    return g;
}

struct Edge {
    uint64_t u;
    uint64_t v;
    int64_t w = 1;
};

// Symmetric graph from an edge list.  Each vertex lists its neighbours in the
// order in which its edges appear in the list.  Edge weights are attached
// only when `weighted` is set; vertex weights only when given.
Graph undirected(uint64_t n, const std::vector<Edge>& edges, bool weighted = false,
                 Weights vwgt = {}) {
    std::vector<std::vector<std::pair<uint64_t, int64_t>>> lists(n);
    for (const Edge& e : edges) {
        lists[e.u].push_back({e.v, e.w});
        lists[e.v].push_back({e.u, e.w});
    }
    Ids xadj{0};
    Ids adjncy;
    Weights adjwgt;
    for (const auto& list : lists) {
        for (const auto& [v, w] : list) {
            adjncy.push_back(v);
            adjwgt.push_back(w);
        }
        xadj.push_back(adjncy.size());
    }
    return csr(std::move(xadj), std::move(adjncy), weighted ? adjwgt : Weights{}, std::move(vwgt));
}

Graph path(uint64_t n) {
    std::vector<Edge> edges;
    for (uint64_t u = 0; u + 1 < n; ++u) edges.push_back({u, u + 1});
    return undirected(n, edges);
}

Graph star(uint64_t n) {
    std::vector<Edge> edges;
    for (uint64_t v = 1; v < n; ++v) edges.push_back({0, v});
    return undirected(n, edges);
}

Graph isolated(uint64_t n) { return undirected(n, {}); }

Graph triangle() { return undirected(3, {{0, 1}, {1, 2}, {0, 2}}); }

Graph two_triangles() { return undirected(6, {{0, 1}, {1, 2}, {0, 2}, {3, 4}, {4, 5}, {3, 5}}); }

Ids repeat(uint64_t count, uint64_t value) { return Ids(count, value); }

Ids concat(Ids a, const Ids& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Runs `f`, which must throw Failure, and returns the failure text.
std::string failure_text(const std::function<void()>& f) {
    try {
        f();
    } catch (const Failure& failure) {
        return failure.what();
    }
    ADD_FAILURE() << "no Failure was thrown";
    return {};
}

// ---------------------------------------------------------------------------
// CSR graph
// ---------------------------------------------------------------------------

TEST(GraphModel, BuildersEnforceLengthRules) {
    using dravik_ref::make_graph;
    using dravik_ref::with_adjwgt;
    using dravik_ref::with_vwgt;

    EXPECT_NO_THROW(make_graph(0, {0}, {}));
    EXPECT_THROW(make_graph(3, {0, 1}, {}), Failure);
    EXPECT_THROW(make_graph(1, {0, 1, 1}, {}), Failure);
    // n + 1 would wrap to 0 and match an empty xadj.
    EXPECT_THROW(make_graph(std::numeric_limits<uint64_t>::max(), {}, {}), Failure);

    EXPECT_THROW(with_adjwgt(make_graph(2, {0, 1, 2}, {1, 0}), {1}), Failure);
    EXPECT_THROW(with_vwgt(make_graph(2, {0, 1, 2}, {1, 0}), {1, 2, 3}), Failure);

    // A second with_vwgt replaces the first, under the same length rule.
    Graph g = with_vwgt(make_graph(2, {0, 1, 2}, {1, 0}), {4, 5});
    g = with_vwgt(std::move(g), {7, 8});
    EXPECT_EQ(g.vwgt, (Weights{7, 8}));
    EXPECT_THROW(with_vwgt(std::move(g), {1}), Failure);
}

TEST(GraphModel, CloneIsDeepAndKeepsAbsentWeightsAbsent) {
    const Graph plain = path(3);
    const Graph copy = dravik_ref::clone(plain);
    EXPECT_EQ(copy.n, 3u);
    EXPECT_EQ(copy.xadj, plain.xadj);
    EXPECT_EQ(copy.adjncy, plain.adjncy);
    EXPECT_TRUE(copy.adjwgt.empty());
    EXPECT_TRUE(copy.vwgt.empty());

    const Graph weighted = undirected(2, {{0, 1, 9}}, true, {3, 4});
    Graph deep = dravik_ref::clone(weighted);
    deep.adjwgt[0] = 0;
    deep.vwgt[0] = 0;
    EXPECT_EQ(weighted.adjwgt[0], 9);
    EXPECT_EQ(weighted.vwgt[0], 3);
}

TEST(GraphModel, AccessorsSubstituteUnitWeightsAndWrapOnDecreasingOffsets) {
    const Graph plain = path(3);
    EXPECT_EQ(dravik_ref::degree(plain, 1), 2u);
    EXPECT_EQ(dravik_ref::edge_weight(plain, 3), 1);
    EXPECT_EQ(dravik_ref::vertex_weight(plain, 2), 1);
    EXPECT_EQ(dravik_ref::weighted_degree(plain, 1), 2);

    const Graph weighted = undirected(3, {{0, 1, 4}, {1, 2, -9}}, true, {5, 6, 7});
    EXPECT_EQ(dravik_ref::edge_weight(weighted, 2), -9);
    EXPECT_EQ(dravik_ref::vertex_weight(weighted, 2), 7);
    EXPECT_EQ(dravik_ref::weighted_degree(weighted, 1), -5);

    // Offsets 3 then 1: the count wraps, and without edge weights the
    // weighted degree is the same difference read as a signed value.
    const Graph decreasing = csr({0, 3, 1}, {1, 1, 1});
    EXPECT_EQ(dravik_ref::degree(decreasing, 1), std::numeric_limits<uint64_t>::max() - 1);
    EXPECT_EQ(dravik_ref::weighted_degree(decreasing, 1), -2);
    // With edge weights the range must be increasing and inside adjwgt.
    const Graph decreasing_w = csr({0, 3, 1}, {1, 1, 1}, {1, 1, 1});
    EXPECT_THROW(dravik_ref::weighted_degree(decreasing_w, 1), Failure);
    Graph short_w = csr({0, 1, 3}, {1, 0, 0}, {1, 1, 1});
    short_w.adjwgt.pop_back();
    EXPECT_THROW(dravik_ref::weighted_degree(short_w, 1), Failure);

    EXPECT_THROW(dravik_ref::degree(plain, 3), Failure);
    EXPECT_THROW(dravik_ref::vertex_weight(weighted, 3), Failure);
    EXPECT_THROW(dravik_ref::edge_weight(weighted, 4), Failure);
}

TEST(GraphModel, EdgeCut) {
    struct Case {
        const char* name;
        Graph graph;
        Ids part;
        int64_t cut;
    };
    Graph tri5 = undirected(3, {{0, 1, 5}, {1, 2, 5}, {0, 2, 5}}, true);
    const std::vector<Case> cases = {
        {"empty graph, empty part", isolated(0), {}, 0},
        {"empty graph, any part", isolated(0), {3}, 0},
        {"triangle", triangle(), {0, 0, 1}, 2},
        {"triangle, weights 5", tri5, {0, 0, 1}, 10},
        {"part longer than n", triangle(), {0, 0, 1, 9, 9}, 2},
        {"part shorter, uncovered vertex isolated", undirected(3, {{0, 1}}), {0, 1}, 1},
        // Entries 0->0 (weight 7), 0->1, 1->0: the loop never counts.
        {"self loop", csr({0, 2, 3}, {0, 1, 0}, {7, 1, 1}), {0, 1}, 1},
        {"one-directional entry, halved", csr({0, 1, 1}, {1}, {3}), {0, 1}, 1},
        {"negative total truncates toward zero", csr({0, 1, 1}, {1}, {-3}), {0, 1}, -1},
        {"zero and negative weights summed",
         undirected(3, {{0, 1, 0}, {1, 2, -4}, {0, 2, 6}}, true), {0, 1, 2}, 2},
        // xadj[0] = 1 and xadj[n] < len(adjncy): the 9s are never read.
        {"positions outside every range", csr({1, 2, 3}, {9, 1, 0, 9}), {0, 1}, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dravik_ref::edge_cut(c.graph, c.part), c.cut) << c.name;
    }
}

TEST(GraphModel, BoundsFailuresNameTheVectorIndexAndLength) {
    struct Case {
        const char* name;
        std::function<void()> call;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"part too short for a vertex with entries",
         [] { dravik_ref::edge_cut(path(2), {0}); }, "part[1] with length 1"},
        {"neighbour beyond part",
         [] { dravik_ref::edge_cut(csr({0, 1, 1}, {5}), {0, 0}); }, "part[5] with length 2"},
        {"decreasing offsets run off adjncy",
         [] { dravik_ref::edge_cut(csr({0, 2, 1}, {1, 0}), {0, 1}); }, "adjncy[2] with length 2"},
        {"edge weights shorter than a position read",
         [] {
             Graph g = path(2);
             g.adjwgt = {1};
             dravik_ref::edge_cut(g, {0, 1});
         },
         "adjwgt[1] with length 1"},
        {"coarsening meets a neighbour id beyond n",
         [] { dravik_ref::coarsen_once(csr({0, 1, 2}, {5, 0})); }, "[5] with length 2"},
        {"bisection with a short vertex-weight vector",
         [] {
             Graph g = isolated(3);
             g.vwgt = {1, 1};
             dravik_ref::initial_bisection(g);
         },
         "vwgt[2] with length 2"},
        {"subgraph of a vertex that is not in the graph",
         [] { dravik_ref::build_subgraph(path(3), {0, 7}); }, "xadj[7] with length 4"},
        {"refinement with a short part vector",
         [] {
             Ids part{0, 1, 0};
             dravik_ref::fm_refine(path(4), part, 2, 10);
         },
         "part[3] with length 3"},
        {"refinement with a part id not below nparts",
         [] {
             Ids part{0, 1, 0, 2};
             dravik_ref::fm_refine(path(4), part, 2, 10);
         },
         "[2] with length 2"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(failure_text(c.call).find(c.text), std::string::npos) << c.name;
    }
}

TEST(GraphModel, SignedOverflowIsAFailure) {
    struct Case {
        const char* name;
        std::function<void()> call;
    };
    const std::vector<Case> cases = {
        {"edge cut sum",
         [] { dravik_ref::edge_cut(undirected(2, {{0, 1, kMax}}, true), {0, 1}); }},
        {"weighted degree",
         [] { dravik_ref::weighted_degree(csr({0, 2, 2}, {1, 1}, {kMax, 1}), 0); }},
        {"coarse vertex weight",
         [] { dravik_ref::coarsen_once(undirected(2, {{0, 1}}, false, {kMax, 1})); }},
        // 0 pairs with 1; the entries 0->2 and 1->2 merge into one coarse entry.
        {"coarse edge weight",
         [] {
             dravik_ref::coarsen_once(
                 undirected(3, {{0, 1, kMax}, {0, 2, kMax}, {1, 2, kMax}}, true));
         }},
        {"bisection total weight",
         [] { dravik_ref::initial_bisection(undirected(2, {{0, 1}}, false, {kMax, kMax})); }},
        {"refinement total part weight",
         [] {
             Ids part{0, 1};
             dravik_ref::fm_refine(undirected(2, {{0, 1}}, false, {kMax, 1}), part, 2, 1);
         }},
        // Vertex 2 (weight 5) wants part 0, which already weighs kMax.
        {"part weight plus vertex weight",
         [] {
             Ids part{0, 1, 1};
             dravik_ref::fm_refine(undirected(3, {{0, 2}}, false, {kMax, -5, 5}), part, 2, 1);
         }},
        // Connection kMax minus internal weight -1 (a self loop).
        {"gain",
         [] {
             Ids part{0, 1};
             dravik_ref::fm_refine(csr({0, 2, 3}, {1, 0, 0}, {kMax, -1, kMax}), part, 2, 1);
         }},
    };
    for (const Case& c : cases) {
        EXPECT_NE(failure_text(c.call).find("overflow"), std::string::npos) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Matching and contraction
// ---------------------------------------------------------------------------

TEST(Coarsening, CoarsenOnce) {
    struct Case {
        const char* name;
        Graph graph;
        Ids cmap;
        Weights vwgt;
        Ids xadj;
        Ids adjncy;
        Weights adjwgt;
    };
    const std::vector<Case> cases = {
        {"empty graph", isolated(0), {}, {}, {0}, {}, {}},
        {"no edges keeps every vertex and its weight", undirected(3, {}, false, {4, 5, 6}),
         {0, 1, 2}, {4, 5, 6}, {0, 0, 0, 0}, {}, {}},
        {"path of five", path(5), {0, 0, 1, 1, 2}, {2, 2, 1}, {0, 1, 3, 4}, {1, 0, 2, 1},
         {1, 1, 1, 1}},
        // Entries of 0 towards 3 (5), 1 (5), 2 (2): the earlier of the tied entries wins.
        {"tie goes to the earliest entry, not the lowest id",
         undirected(4, {{0, 3, 5}, {0, 1, 5}, {0, 2, 2}}, true), {0, 1, 2, 0}, {2, 1, 1},
         {0, 2, 3, 4}, {1, 2, 0, 0}, {5, 2, 5, 2}},
        {"weight -1 never pairs", undirected(2, {{0, 1, -1}}, true), {0, 1}, {1, 1}, {0, 1, 2},
         {1, 0}, {-1, -1}},
        {"weight 0 pairs", undirected(2, {{0, 1, 0}}, true), {0, 0}, {2}, {0, 0}, {}, {}},
        // Entries 0->0, 0->1, 1->0.
        {"self loop is skipped and dropped", csr({0, 2, 3}, {0, 1, 0}), {0, 0}, {2}, {0, 0}, {},
         {}},
        // Entries towards 1 weigh 2 and 3 separately; 2 wins with 4.
        {"repeated entries are compared one by one",
         undirected(3, {{0, 1, 2}, {0, 1, 3}, {0, 2, 4}}, true), {0, 1, 0}, {2, 1}, {0, 1, 2},
         {1, 0}, {5, 5}},
        // Square 0-1-2-3-0 without weights: two entries join the two pairs.
        {"unweighted input gets merged explicit weights",
         undirected(4, {{0, 1}, {1, 2}, {2, 3}, {3, 0}}), {0, 0, 1, 1}, {2, 2}, {0, 1, 2},
         {1, 0}, {2, 2}},
        // Centre 0 lists 3, 2, 1: it pairs with 3 and meets coarse 2 before 1.
        {"coarse lists come out ascending", csr({0, 3, 4, 5, 6}, {3, 2, 1, 0, 0, 0}),
         {0, 1, 2, 0}, {2, 1, 1}, {0, 2, 3, 4}, {1, 2, 0, 0}, {1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        const dravik_ref::CoarsenLevel level = dravik_ref::coarsen_once(c.graph);
        EXPECT_EQ(level.cmap, c.cmap) << c.name;
        EXPECT_EQ(level.coarse_n, c.vwgt.size()) << c.name;
        EXPECT_EQ(level.graph.n, c.vwgt.size()) << c.name;
        EXPECT_EQ(level.graph.vwgt, c.vwgt) << c.name;
        EXPECT_EQ(level.graph.xadj, c.xadj) << c.name;
        EXPECT_EQ(level.graph.adjncy, c.adjncy) << c.name;
        EXPECT_EQ(level.graph.adjwgt, c.adjwgt) << c.name;
    }
}

TEST(Coarsening, MultilevelCoarsen) {
    struct Case {
        const char* name;
        Graph graph;
        uint64_t target;
        Ids coarse_ns;
    };
    const std::vector<Case> cases = {
        {"empty graph", isolated(0), 20, {}},
        {"already at the target", path(20), 20, {}},
        {"no pair can be formed", isolated(25), 20, {}},
        {"star loses one vertex per pass", star(30), 20, {29, 28, 27, 26, 25, 24, 23, 22, 21, 20}},
        {"one pass may jump below the target", path(21), 20, {11}},
        {"path of four down to one vertex", path(4), 1, {2, 1}},
    };
    for (const Case& c : cases) {
        const std::vector<dravik_ref::CoarsenLevel> levels =
            dravik_ref::multilevel_coarsen(c.graph, c.target);
        Ids coarse_ns;
        uint64_t finer_n = c.graph.n;
        for (const dravik_ref::CoarsenLevel& level : levels) {
            coarse_ns.push_back(level.coarse_n);
            EXPECT_EQ(level.cmap.size(), finer_n) << c.name;  // chained finest first
            finer_n = level.coarse_n;
        }
        EXPECT_EQ(coarse_ns, c.coarse_ns) << c.name;
    }

    const auto four = dravik_ref::multilevel_coarsen(path(4), 1);
    ASSERT_EQ(four.size(), 2u);
    EXPECT_EQ(four[0].cmap, (Ids{0, 0, 1, 1}));
    EXPECT_EQ(four[1].cmap, (Ids{0, 0}));

    // The centre of the star absorbs one leaf per pass.
    const auto stars = dravik_ref::multilevel_coarsen(star(30), 20);
    ASSERT_EQ(stars.size(), 10u);
    EXPECT_EQ(stars.back().graph.vwgt[0], 11);
    EXPECT_EQ(stars.back().graph.adjwgt, Weights(38, 1));
}

// ---------------------------------------------------------------------------
// Initial bisection
// ---------------------------------------------------------------------------

TEST(Bisection, SeedChoice) {
    struct Case {
        const char* name;
        Graph graph;
        Ids seeds;
    };
    const std::vector<Case> cases = {
        {"two vertices", path(2), {0, 1}},
        {"no edges: ends, middle and the lowest ids", isolated(3), {0, 1, 2}},
        // Inner vertices tie at 2 and come in ascending id order: 1, 2, 3, 4.
        {"seven seeds at most", path(10), {0, 1, 2, 3, 4, 5, 9}},
        // Long enough that an unstable sort would reorder the tied inner vertices.
        {"ties keep ascending ids", path(40), {0, 1, 2, 3, 4, 20, 39}},
        // The hub 6 comes first, then leaves 0, 1, 2 in id order.
        {"highest weighted degree outside the fixed seeds",
         undirected(9, {{6, 0}, {6, 1}, {6, 2}, {6, 3}, {6, 4}, {6, 5}, {6, 7}, {6, 8}}),
         {0, 1, 2, 4, 6, 8}},
        // Weighted degrees -5, -5, 0, 0, 0: signed comparison puts 2, 3, 4 first.
        {"negative weighted degrees sort last", undirected(5, {{0, 1, -5}}, true), {0, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dravik_ref::bisection_seeds(c.graph), c.seeds) << c.name;
    }
}

TEST(Bisection, InitialBisection) {
    struct Case {
        const char* name;
        Graph graph;
        Ids part;
    };
    // Coarse path of 11 vertices weighing 2 each but the last (weight 1).
    Weights coarse_vwgt(11, 2);
    coarse_vwgt[10] = 1;
    std::vector<Edge> coarse_edges;
    for (uint64_t u = 0; u < 10; ++u) coarse_edges.push_back({u, u + 1});
    const std::vector<Case> cases = {
        {"no vertices", isolated(0), {}},
        {"one vertex", isolated(1), {0}},
        {"one edge: equal cuts keep seed 0", path(2), {0, 1}},
        {"path of three", path(3), {0, 1, 1}},
        {"no edges: connection 0 still grows by lowest id", isolated(4), {0, 0, 1, 1}},
        {"two triangles", two_triangles(), {0, 0, 0, 1, 1, 1}},
        {"heavy vertex pulled in, side 1 empty", undirected(2, {{0, 1}}, false, {1, 10}), {0, 0}},
        // Triangles {0,2,4} and {1,3,5} joined by 0-1: seeds 0 and 1 cut 4,
        // seed 2 cuts 1, seed 3 also cuts 1 but does not replace it.
        {"a later seed wins only on a strictly lower cut",
         undirected(6, {{0, 2}, {2, 4}, {0, 4}, {1, 3}, {3, 5}, {1, 5}, {0, 1}}),
         {0, 1, 0, 1, 0, 1}},
        // K4 with weights -2: every outside connection is -2 < -1, so each run
        // keeps the seed alone (cut -6), and seed 0 is kept.
        {"negative weights stop the growth early",
         undirected(4, {{0, 1, -2}, {0, 2, -2}, {0, 3, -2}, {1, 2, -2}, {1, 3, -2}, {2, 3, -2}},
                    true),
         {0, 1, 1, 1}},
        // K4 with weights -1: connection -1 equals the starting best, which the
        // first visited vertex may take.
        {"connection -1 is still eligible",
         undirected(4, {{0, 1, -1}, {0, 2, -1}, {0, 3, -1}, {1, 2, -1}, {1, 3, -1}, {2, 3, -1}},
                    true),
         {0, 0, 1, 1}},
        {"weighted path: growth stops at half the total",
         undirected(11, coarse_edges, false, coarse_vwgt), concat(repeat(5, 0), repeat(6, 1))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dravik_ref::initial_bisection(c.graph), c.part) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Recursive bisection
// ---------------------------------------------------------------------------

TEST(RecursiveBisection, BuildSubgraph) {
    // Path 0-1-2-3-4, edge {u, u+1} weighing u + 1, vertex u weighing 10 + u.
    const Graph weighted =
        undirected(5, {{0, 1, 1}, {1, 2, 2}, {2, 3, 3}, {3, 4, 4}}, true, {10, 11, 12, 13, 14});

    const Graph empty = dravik_ref::build_subgraph(weighted, {});
    EXPECT_EQ(empty.n, 0u);
    EXPECT_EQ(empty.xadj, (Ids{0}));
    EXPECT_TRUE(empty.adjncy.empty() && empty.adjwgt.empty() && empty.vwgt.empty());

    // Every vertex in ascending order reproduces the graph, with explicit unit weights.
    const Graph plain = path(5);
    const Graph whole = dravik_ref::build_subgraph(plain, {0, 1, 2, 3, 4});
    EXPECT_EQ(whole.n, 5u);
    EXPECT_EQ(whole.xadj, plain.xadj);
    EXPECT_EQ(whole.adjncy, plain.adjncy);
    EXPECT_EQ(whole.adjwgt, Weights(plain.adjncy.size(), 1));
    EXPECT_EQ(whole.vwgt, Weights(5, 1));

    // Non-ascending list: subgraph ids follow list order (3->0, 1->1, 2->2),
    // edges leaving the list are dropped, kept entries stay in source order.
    const Graph sub = dravik_ref::build_subgraph(weighted, {3, 1, 2});
    EXPECT_EQ(sub.n, 3u);
    EXPECT_EQ(sub.xadj, (Ids{0, 1, 2, 4}));
    EXPECT_EQ(sub.adjncy, (Ids{2, 2, 1, 0}));
    EXPECT_EQ(sub.adjwgt, (Weights{3, 2, 2, 3}));
    EXPECT_EQ(sub.vwgt, (Weights{13, 11, 12}));

    // Self loops and repeated entries survive when their ends are kept.
    const Graph odd = csr({0, 3, 4, 5}, {0, 1, 1, 0, 0}, {7, 2, 3, 5, 1});
    const Graph kept = dravik_ref::build_subgraph(odd, {0, 1});
    EXPECT_EQ(kept.xadj, (Ids{0, 3, 4}));
    EXPECT_EQ(kept.adjncy, (Ids{0, 1, 1, 0}));
    EXPECT_EQ(kept.adjwgt, (Weights{7, 2, 3, 5}));
}

TEST(RecursiveBisection, InitialPartition) {
    struct Case {
        const char* name;
        Graph graph;
        uint64_t nparts;
        Ids part;
    };
    const std::vector<Case> cases = {
        {"nparts 0", path(3), 0, {0, 0, 0}},
        {"nparts 1", path(3), 1, {0, 0, 0}},
        {"no vertices", isolated(0), 5, {}},
        {"nparts 2 is the bisection", path(3), 2, {0, 1, 1}},
        // Side 1 {2, 3} gets two parts and is bisected into [0, 1].
        {"odd count gives side 1 the extra part", isolated(4), 3, {0, 0, 1, 2}},
        {"four parts", isolated(8), 4, {0, 0, 1, 1, 2, 2, 3, 3}},
        {"five parts", isolated(8), 5, {0, 0, 1, 1, 2, 2, 3, 4}},
        // Both vertices land on side 0; side 1's subgraph is empty.
        {"empty side leaves ids unused", undirected(2, {{0, 1}}, false, {1, 10}), 4, {0, 0}},
        {"two triangles, three parts", two_triangles(), 3, {0, 0, 0, 1, 2, 2}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dravik_ref::initial_partition(c.graph, c.nparts), c.part) << c.name;
    }
}

// ---------------------------------------------------------------------------
// Refinement
// ---------------------------------------------------------------------------

TEST(Refinement, MaxPartWeightRoundsInDoublePrecision) {
    struct Case {
        int64_t total;
        uint64_t nparts;
        int64_t limit;
    };
    const std::vector<Case> cases = {
        {10, 2, 6},  {100, 4, 27}, {40, 2, 21}, {7, 2, 4}, {1, 2, 1}, {0, 2, 0}, {4, 2, 3},
        {20, 2, 11}, {5, 3, 2},    {-10, 2, -5},
        // T is first rounded to a double (2^60); exact arithmetic would give
        // 605283789918594663.
        {(int64_t{1} << 60) + 1, 2, 605283789918594688},
        // Each of these comes out one lower (or higher) in exact, extended or
        // integer-scaled arithmetic; only this order of double operations gives it.
        {(int64_t{1} << 53) + 1, 2, 4728779608739021},
        {9007199254741001, 7, 1351079888211150},
        {1125899906842642, 2, 591097451092388},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dravik_ref::max_part_weight(c.total, c.nparts), c.limit)
            << "T = " << c.total << ", nparts = " << c.nparts;
    }
}

TEST(Refinement, FmRefine) {
    struct Case {
        const char* name;
        Graph graph;
        Ids part;
        uint64_t nparts;
        uint64_t max_passes;
        Ids expected;
    };
    const Graph mover =
        undirected(6, {{0, 1, 2}, {0, 2, 2}, {0, 4, 1}, {1, 4, 2}, {3, 5, 2}}, true);
    const std::vector<Case> cases = {
        {"no passes", path(4), {0, 1, 0, 1}, 2, 0, {0, 1, 0, 1}},
        {"nparts 1", path(4), {0, 1, 0, 1}, 1, 10, {0, 1, 0, 1}},
        {"nparts 0", path(4), {0, 1, 0, 1}, 0, 10, {0, 1, 0, 1}},
        {"no vertices", isolated(0), {5}, 2, 10, {5}},
        {"no edges", isolated(4), {0, 1, 0, 1}, 2, 10, {0, 1, 0, 1}},
        {"one part only", path(4), {0, 0, 0, 0}, 2, 10, {0, 0, 0, 0}},
        // Limit 3: vertex 1 wins the tie with 2; the zero-gain move of 2 is not made.
        {"path of four", path(4), {0, 1, 0, 1}, 2, 10, {0, 0, 0, 1}},
        {"entries past n are left alone", path(4), {0, 1, 0, 1, 7}, 2, 10, {0, 0, 0, 1, 7}},
        // T = 10, limit 6: vertex 0 (weight 2) brings part 1 from 4 to exactly 6.
        {"reaching the limit exactly is allowed", undirected(3, {{0, 1}}, false, {2, 4, 4}),
         {0, 1, 0}, 2, 10, {1, 1, 0}},
        // Same, vertex 0 weighs 3: 7 > 6, and vertex 1 cannot enter part 0 either.
        {"one unit over the limit is refused",
         undirected(3, {{0, 1, 100}}, true, {3, 4, 3}), {0, 1, 0}, 2, 10, {0, 1, 0}},
        // Without a loop vertex 0 ties with vertex 1 at gain 2 and wins on id.
        {"no self loop", csr({0, 1, 2}, {1, 0}, {2, 2}), {0, 1}, 2, 10, {1, 1}},
        // A loop of weight 1 at 0 lowers its gain to 1, so vertex 1 moves instead.
        {"self loop counts as internal", csr({0, 2, 3}, {1, 0, 0}, {2, 1, 2}), {0, 1}, 2, 10,
         {0, 0}},
        // Vertex 0: internal -3, connection -1 to part 1; gain would be 2, but
        // no connection is positive, so it is never considered.
        {"boundary test needs a positive connection",
         undirected(3, {{0, 1, -3}, {0, 2, -1}}, true), {0, 0, 1}, 2, 10, {0, 0, 1}},
        // Vertex 0: connection 1 to the full part 1, -1 to part 2, internal -3:
        // the negative connection is a candidate with gain 2.
        {"negative connection is a candidate once on the boundary",
         undirected(4, {{0, 1, 1}, {0, 2, -1}, {0, 3, -3}}, true, {1, 2, 1, 1}), {0, 1, 2, 0}, 3,
         10, {2, 1, 2, 0}},
        // T = 2, limit 2: vertex 0 (weight 0) enters part 1, which is at the limit.
        // Limit 3.  Pass 1: 0 -> part 2 (gain 2), then 3 -> part 0 (gain 2); 0 would
        // now gain 1 towards part 1 but has moved already.  Pass 2 moves it.
        {"a moved vertex waits for the next pass", mover, {0, 1, 2, 1, 1, 0}, 3, 1,
         {2, 1, 2, 0, 1, 0}},
        {"a moved vertex waits for the next pass (pass 2)", mover, {0, 1, 2, 1, 1, 0}, 3, 10,
         {1, 1, 2, 0, 1, 0}},
        // Self loops of -3 at 0 and 2, limit 2: vertex 2 moves (gain 3), then
        // 0 (gain 2), then 1 (gain 1); the pass ends with its n-th move.
        {"every vertex moves once in a pass",
         csr({0, 3, 5, 8}, {0, 1, 2, 0, 2, 0, 1, 2}, {-3, 1, 2, 1, 2, 2, 2, -3}), {1, 0, 0}, 2,
         1, {0, 1, 1}},
        {"weight-0 vertex enters a part at the limit", undirected(3, {{0, 1}}, false, {0, 1, 1}),
         {0, 1, 1}, 2, 10, {1, 1, 1}},
    };
    for (const Case& c : cases) {
        Ids part = c.part;
        dravik_ref::fm_refine(c.graph, part, c.nparts, c.max_passes);
        EXPECT_EQ(part, c.expected) << c.name;
    }
}

TEST(Refinement, HugePartCountFailsBeforeAnyVertexIsRead) {
    Ids part{0, 1, 0, 1};
    EXPECT_THROW(dravik_ref::fm_refine(path(4), part, uint64_t{1} << 62, 10), Failure);
    EXPECT_THROW(dravik_ref::fm_refine(path(4), part, std::numeric_limits<uint64_t>::max(), 10),
                 Failure);
    EXPECT_EQ(part, (Ids{0, 1, 0, 1}));
}

// ---------------------------------------------------------------------------
// Multilevel k-way driver
// ---------------------------------------------------------------------------

TEST(Driver, TrivialCases) {
    struct Case {
        const char* name;
        Graph graph;
        uint64_t nparts;
        int64_t cut;
        Ids part;
    };
    const std::vector<Case> cases = {
        {"no vertices, nparts 0", isolated(0), 0, 0, {}},
        {"no vertices, nparts 7", isolated(0), 7, 0, {}},
        {"nparts 0", path(4), 0, 0, {0, 0, 0, 0}},
        {"nparts 1", path(4), 1, 0, {0, 0, 0, 0}},
        {"triangle, nparts = n", triangle(), 3, 3, {0, 1, 2}},
        {"triangle, nparts > n", triangle(), 7, 3, {0, 1, 2}},
        {"weighted triangle: every edge is cut",
         undirected(3, {{0, 1, 2}, {1, 2, 3}, {0, 2, 4}}, true), 3, 9, {0, 1, 2}},
        // Entries 0->0 (weight 10), 0->1, 1->0: the loop is never cut.
        {"self loop is not cut by the identity", csr({0, 2, 3}, {0, 1, 0}, {10, 1, 1}), 2, 1,
         {0, 1}},
    };
    for (const Case& c : cases) {
        const auto [cut, part] = dravik_ref::partition(c.graph, c.nparts);
        EXPECT_EQ(cut, c.cut) << c.name;
        EXPECT_EQ(part, c.part) << c.name;
    }
}

TEST(Driver, PathOfTwentyOneThroughOneLevel) {
    // One level of 11 coarse vertices; the coarse bisection from seed 0 takes
    // coarse 0..4 (weight 10 of 21); no move has a positive gain on either
    // level, so fine vertices 0..9 end in part 0.
    const auto [cut, part] = dravik_ref::part_kway(path(21), 2);
    EXPECT_EQ(cut, 1);
    EXPECT_EQ(part, concat(repeat(10, 0), repeat(11, 1)));
}

TEST(Driver, WithoutLevelsTheInputIsPartitionedAndRefinedOnce) {
    // 20 vertices never exceed the target 20; 22 vertices with nparts 11 do
    // not exceed the target 2 * 11 = 22.
    std::vector<Edge> grid;
    for (uint64_t r = 0; r < 4; ++r) {
        for (uint64_t c = 0; c < 5; ++c) {
            if (c + 1 < 5) grid.push_back({r * 5 + c, r * 5 + c + 1});
            if (r + 1 < 4) grid.push_back({r * 5 + c, (r + 1) * 5 + c});
        }
    }
    struct Case {
        const char* name;
        Graph graph;
        uint64_t nparts;
    };
    const std::vector<Case> cases = {
        {"grid of 20, nparts 2", undirected(20, grid), 2},
        {"path of 22, nparts 11", path(22), 11},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(dravik_ref::multilevel_coarsen(c.graph, std::max<uint64_t>(20, 2 * c.nparts))
                        .empty())
            << c.name;
        Ids expected = dravik_ref::initial_partition(c.graph, c.nparts);
        dravik_ref::fm_refine(c.graph, expected, c.nparts, 10);
        const auto [cut, part] = dravik_ref::part_kway(c.graph, c.nparts);
        EXPECT_EQ(part, expected) << c.name;
        EXPECT_EQ(cut, dravik_ref::edge_cut(c.graph, expected)) << c.name;
    }
}

TEST(Driver, ResultIsAValidDeterministicPartition) {
    // A 9 x 9 grid with varied weights, and a deterministic pseudo-random graph.
    std::vector<Edge> grid;
    Weights grid_vwgt;
    for (uint64_t r = 0; r < 9; ++r) {
        for (uint64_t c = 0; c < 9; ++c) {
            const uint64_t v = r * 9 + c;
            grid_vwgt.push_back(static_cast<int64_t>(1 + (v * 7) % 5));
            if (c + 1 < 9) grid.push_back({v, v + 1, static_cast<int64_t>(1 + (v * 3) % 4)});
            if (r + 1 < 9) grid.push_back({v, v + 9, static_cast<int64_t>(1 + (v * 5) % 3)});
        }
    }
    std::vector<Edge> sparse;
    uint64_t state = 12345;
    for (int i = 0; i < 160; ++i) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const uint64_t u = (state >> 33) % 70;
        const uint64_t v = (state >> 17) % 70;
        if (u != v) sparse.push_back({u, v, static_cast<int64_t>(1 + (state >> 50) % 6)});
    }
    const std::vector<Graph> graphs = {undirected(81, grid, true, grid_vwgt),
                                       undirected(70, sparse, true), path(45)};
    for (const Graph& g : graphs) {
        for (uint64_t nparts : {2, 3, 5, 8, 13}) {
            const auto [cut, part] = dravik_ref::part_kway(g, nparts);
            ASSERT_EQ(part.size(), g.n);
            for (uint64_t p : part) EXPECT_LT(p, nparts);
            EXPECT_EQ(cut, dravik_ref::edge_cut(g, part));
            EXPECT_EQ(dravik_ref::partition(g, nparts), std::make_pair(cut, part));
        }
    }
}

}  // namespace
