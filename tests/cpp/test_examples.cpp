// The worked examples that pin down tie-breaks and orders, on the production
// stages.
#include <gtest/gtest.h>

#include "coarsen/coarsen.h"
#include "dravik.h"
#include "partition/initial_partition.h"
#include "refine/fm_refine.h"

namespace {

using namespace dravik;
using Ids = std::vector<u64>;
using Weights = std::vector<i64>;

struct Edge {
    u64 u, v;
    i64 w = 1;
};

// Symmetric graph; each vertex lists its edges in list order.
Graph undirected(u64 n, const std::vector<Edge>& edges, bool weighted = false, Weights vwgt = {}) {
    std::vector<std::vector<std::pair<u64, i64>>> lists(n);
    for (const Edge& e : edges) {
        lists[e.u].push_back({e.v, e.w});
        lists[e.v].push_back({e.u, e.w});
    }
    Ids xadj{0}, adjncy;
    Weights adjwgt;
    for (const auto& list : lists) {
        for (const auto& [v, w] : list) adjncy.push_back(v), adjwgt.push_back(w);
        xadj.push_back(adjncy.size());
    }
    Graph g = new_graph(n, std::move(xadj), std::move(adjncy));
    if (weighted) g = with_adjwgt(std::move(g), std::move(adjwgt));
    if (!vwgt.empty()) g = with_vwgt(std::move(g), std::move(vwgt));
    return g;
}

Graph path(u64 n) {
    std::vector<Edge> e;
    for (u64 i = 0; i + 1 < n; ++i) e.push_back({i, i + 1});
    return undirected(n, e);
}

TEST(Examples, CoarseningOrdersAndTies) {
    const CoarsenLevel p = coarsen_once(path(5));
    EXPECT_EQ(p.cmap, (Ids{0, 0, 1, 1, 2}));
    EXPECT_EQ(p.graph.vwgt, (Weights{2, 2, 1}));
    EXPECT_EQ(p.graph.xadj, (Ids{0, 1, 3, 4}));
    EXPECT_EQ(p.graph.adjncy, (Ids{1, 0, 2, 1}));
    EXPECT_EQ(p.graph.adjwgt, (Weights{1, 1, 1, 1}));
    // Equal weights: the earliest entry in storage order wins, not the lowest id.
    EXPECT_EQ(coarsen_once(undirected(4, {{0, 3, 5}, {0, 1, 5}, {0, 2, 2}}, true)).cmap, (Ids{0, 1, 2, 0}));
    // Entries towards the same neighbour are compared one by one.
    const CoarsenLevel r = coarsen_once(undirected(3, {{0, 1, 2}, {0, 1, 3}, {0, 2, 4}}, true));
    EXPECT_EQ(r.cmap, (Ids{0, 1, 0}));
    EXPECT_EQ(r.graph.adjwgt, (Weights{5, 5}));
    // Weight -1 never pairs, weight 0 does.
    EXPECT_EQ(coarsen_once(undirected(2, {{0, 1, -1}}, true)).coarse_n, 2u);
    EXPECT_EQ(coarsen_once(undirected(2, {{0, 1, 0}}, true)).coarse_n, 1u);
}

TEST(Examples, CoarseningLoop) {
    std::vector<Edge> star;
    for (u64 v = 1; v < 30; ++v) star.push_back({0, v});
    const auto levels = multilevel_coarsen(undirected(30, star), 20);
    ASSERT_EQ(levels.size(), 10u);
    for (u64 i = 0; i < 10; ++i) EXPECT_EQ(levels[i].coarse_n, 29 - i);
    const auto p21 = multilevel_coarsen(path(21), 20);
    ASSERT_EQ(p21.size(), 1u);
    EXPECT_EQ(p21[0].coarse_n, 11u);
    const auto p4 = multilevel_coarsen(path(4), 1);
    ASSERT_EQ(p4.size(), 2u);
    EXPECT_EQ(p4[0].cmap, (Ids{0, 0, 1, 1}));
    EXPECT_EQ(p4[1].cmap, (Ids{0, 0}));
}

TEST(Examples, BisectionSeedsAndTies) {
    struct Case {
        const char* what;
        Graph g;
        Ids expected;
    };
    Case cases[] = {
        {"one edge: both seeds cut 1, the earlier wins", path(2), {0, 1}},
        {"path: seeds 0, 1, 2 cut 1, 2, 1", path(3), {0, 1, 1}},
        {"no edges: connection 0 still takes the lowest id", new_graph(4, {0, 0, 0, 0, 0}, {}), {0, 0, 1, 1}},
        {"two triangles", undirected(6, {{0, 1}, {1, 2}, {0, 2}, {3, 4}, {4, 5}, {3, 5}}), {0, 0, 0, 1, 1, 1}},
        {"a heavy vertex joins side 0", undirected(2, {{0, 1}}, false, {1, 10}), {0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(initial_bisection(c.g), c.expected) << c.what;
    EXPECT_EQ(initial_partition(new_graph(4, {0, 0, 0, 0, 0}, {}), 3), (Ids{0, 0, 1, 2}));
    EXPECT_EQ(initial_partition(undirected(2, {{0, 1}}, false, {1, 10}), 4), (Ids{0, 0}));
}

TEST(Examples, RefinementRefusesTheZeroGainMove) {
    const Graph g = path(4);
    Ids part{0, 1, 0, 1};
    fm_refine(g, part, 2, 10);
    EXPECT_EQ(part, (Ids{0, 0, 0, 1}));
    EXPECT_EQ(edge_cut(g, part), 1);
    struct Limit {
        i64 total;
        u64 nparts;
        i64 expected;
    };
    for (const Limit& l : {Limit{10, 2, 6}, {100, 4, 27}, {40, 2, 21}, {7, 2, 4}, {1, 2, 1}, {0, 2, 0}}) {
        EXPECT_EQ(max_part_weight(l.total, l.nparts), l.expected) << l.total << " / " << l.nparts;
    }
}

TEST(Examples, TrivialCasesOfTheDriver) {
    const Graph triangle = undirected(3, {{0, 1}, {1, 2}, {0, 2}});
    EXPECT_EQ(partition(triangle, 3), (std::pair<i64, Ids>{3, {0, 1, 2}}));
    EXPECT_EQ(partition(triangle, 7), (std::pair<i64, Ids>{3, {0, 1, 2}}));
    EXPECT_EQ(partition(triangle, 0), (std::pair<i64, Ids>{0, {0, 0, 0}}));
    EXPECT_EQ(partition(new_graph(0, {0}, {}), 5), (std::pair<i64, Ids>{0, {}}));
}

}  // namespace
