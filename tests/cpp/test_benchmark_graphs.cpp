// Production against the reference on the real graphs shipped beside the
// repository, where the reference finishes in seconds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "dravik.h"
#include "reference.h"
#include "refine/fm_refine.h"
#include "random_graphs.h"

namespace {

using u64 = std::uint64_t;
using i64 = std::int64_t;

// The plain-text adjacency format: '%' comments, a header "n m [fmt]", then
// one line per vertex (an empty line is a vertex without neighbours).
dravik_test::Csr read_graph_file(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::string line;
    dravik_test::Csr g;
    u64 n = 0;
    std::string fmt = "000";
    bool header = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '%') continue;
        std::istringstream s(line);
        if (!header) {
            u64 m;
            std::string f;
            s >> n >> m;
            if (s >> f) fmt = std::string(3 - std::min<std::size_t>(3, f.size()), '0') + f;
            header = true;
            g.n = n;
            continue;
        }
        const bool vw = fmt[1] == '1', ew = fmt[2] == '1';
        i64 x;
        if (vw && s >> x) g.vwgt.push_back(x);
        while (s >> x) {
            g.adjncy.push_back(static_cast<u64>(x - 1));
            if (ew && s >> x) g.adjwgt.push_back(x);
        }
        g.xadj.push_back(g.adjncy.size());
        if (g.xadj.size() == n + 1) break;
    }
    return g;
}

TEST(BenchmarkGraphs, PartitionAndRefinementMatchReference) {
    const std::filesystem::path dir = DRAVIK_SHARED_GRAPHS;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no graphs at " << dir;
    u64 compared = 0;
    std::vector<const char*> names = {"example_weighted.graph", "add20.graph", "data.graph", "rome99.graph",
                                      "3elt.graph", "uk.graph", "PGPgiantcompo.graph"};
    // A minute more of the quadratic reference, for runs that can afford it.
    const char* large = std::getenv("DRAVIK_DIFF_LARGE");
    if (large != nullptr && *large == '1') names.insert(names.end(), {"4elt.graph", "delaunay_n15.graph"});
    for (const char* name : names) {
        const auto path = dir / name;
        if (!std::filesystem::exists(path)) continue;
        const dravik_test::Csr c = read_graph_file(path);
        ASSERT_EQ(c.xadj.size(), c.n + 1) << name;
        const auto prod = dravik_test::to_graph<dravik::Graph>(c);
        const auto ref = dravik_test::to_graph<dravik_ref::Graph>(c);
        for (const u64 k : {2, 3, 8}) {
            EXPECT_EQ(dravik::partition(prod, k), dravik_ref::partition(ref, k)) << name << " nparts " << k;
            ++compared;
        }
        // Refinement from scattered starting parts makes many more moves
        // than the driver ever asks of it. Seeded: the seed is the vertex
        // count, printed with any mismatch.
        dravik_test::Rng rng(c.n);
        std::vector<u64> start(c.n);
        for (auto& p : start) p = rng.next() % 5;
        auto a = start, b = start;
        dravik::fm_refine(prod, a, 5, 10);
        dravik_ref::fm_refine(ref, b, 5, 10);
        EXPECT_EQ(a, b) << name << " refinement from random parts, seed " << c.n;
        ++compared;
    }
    std::cout << "[ compared ] " << compared << " runs on benchmark graphs" << std::endl;
}

}  // namespace
