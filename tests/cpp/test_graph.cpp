// Core graph behaviour that the Python surface cannot show directly.
#include <gtest/gtest.h>

#include <limits>

#include "dravik.h"
#include "graph/graph.h"

namespace {

using namespace dravik;

Graph triangle() { return new_graph(3, {0, 2, 4, 6}, {1, 2, 0, 2, 0, 1}); }

TEST(Graph, BuildersKeepAbsentWeightsAbsentAndReplacePresentOnes) {
    const Graph g = triangle();
    const Graph c = clone(g);
    EXPECT_TRUE(c.adjwgt.empty());
    EXPECT_TRUE(c.vwgt.empty());
    EXPECT_EQ(c.weighted_degree(1), 2);
    Graph w = with_vwgt(triangle(), {1, 2, 3});
    w = with_vwgt(std::move(w), {7, 8, 9});
    EXPECT_EQ(w.vwgt, (std::vector<i64>{7, 8, 9}));
    EXPECT_THROW(with_vwgt(triangle(), {1, 2}), InternalFailure);
    EXPECT_THROW(with_adjwgt(triangle(), {1}), InternalFailure);
    EXPECT_THROW(new_graph(std::numeric_limits<u64>::max(), {}, {}), InternalFailure);
}

TEST(Graph, DecreasingOffsetsGiveAHugeDegreeAndAFailingWalk) {
    const Graph g = new_graph(2, {0, 2, 1}, {1, 0});
    EXPECT_EQ(g.degree(1), std::numeric_limits<u64>::max());
    EXPECT_THROW(edge_cut(g, std::vector<u64>{0, 1}), InternalFailure);
}

TEST(Graph, EdgeCutHalvesTheSumOfEntriesWithoutWrapping) {
    const u64 big = u64(1) << 62;
    Graph g = with_adjwgt(new_graph(2, {0, 1, 2}, {1, 0}), {static_cast<i64>(big), static_cast<i64>(big)});
    EXPECT_EQ(edge_cut(g, std::vector<u64>{0, 1}), static_cast<i64>(big));
    // One-directional entries: the halving truncates toward zero.
    Graph one = with_adjwgt(new_graph(2, {0, 1, 1}, {1}), {-3});
    EXPECT_EQ(edge_cut(one, std::vector<u64>{0, 1}), -1);
}

TEST(Graph, ValidationNamesWhatIsWrong) {
    struct Case {
        const char* what;
        Graph g;
        const char* needle;
    };
    const i64 half = std::numeric_limits<i64>::max() / 2 + 1;
    Case cases[] = {
        {"neighbour id not below n", new_graph(3, {0, 1, 2, 2}, {1, 3}), "index 3"},
        {"range past the end", new_graph(3, {0, 1, 3, 3}, {1, 0}), "adjncy"},
        {"decreasing offsets", new_graph(3, {0, 2, 1, 2}, {1, 0}), "decreases"},
        {"edge weight sum", with_adjwgt(new_graph(3, {0, 1, 2, 2}, {1, 0}), {half, half}), "overflows"},
        {"vertex weight sum", with_vwgt(new_graph(3, {0, 0, 0, 0}, {}), {half, -half, 0}), "overflows"},
    };
    for (const Case& c : cases) {
        try {
            validate_for_partitioning(c.g);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const InternalFailure& e) {
            EXPECT_NE(std::string(e.what()).find(c.needle), std::string::npos) << c.what << ": " << e.what();
        }
        // The multilevel case refuses it too; the trivial cases never look.
        EXPECT_THROW(partition(c.g, 2), InternalFailure) << c.what;
        EXPECT_EQ(partition(c.g, 1).second, std::vector<u64>(c.g.n, 0)) << c.what;
    }
    // Empty ranges may point anywhere: they are never read.
    EXPECT_NO_THROW(validate_for_partitioning(new_graph(2, {7, 7, 7}, {})));
}

}  // namespace

namespace {

TEST(Graph, SymmetryTest) {
    struct Case {
        const char* what;
        Graph g;
        bool symmetric;
    };
    Case cases[] = {
        {"triangle", triangle(), true},
        {"one-sided entry", new_graph(2, {0, 1, 1}, {1}), false},
        {"self loop", new_graph(2, {0, 2, 3}, {0, 1, 0}), true},
        {"weights differ", with_adjwgt(new_graph(2, {0, 1, 2}, {1, 0}), {1, 2}), false},
        {"unsorted ranges", new_graph(3, {0, 2, 4, 6}, {2, 1, 2, 0, 1, 0}), true},
        {"repeated entries", new_graph(2, {0, 2, 4}, {1, 1, 0, 0}), true},
        {"repeated from one end only", new_graph(2, {0, 2, 3}, {1, 1, 0}), false},
        {"partner stored out of turn", new_graph(3, {0, 0, 1, 3}, {2, 0, 1}), false},
        {"entry to a lower vertex without partner", new_graph(2, {0, 0, 1}, {0}), false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_symmetric(c.g), c.symmetric) << c.what;
}

}  // namespace
