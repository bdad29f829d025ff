// Seeded random graphs of many shapes for the differential tests, and a
// shrinker that reduces a failing graph to a small one that still fails.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dravik_test {

// splitmix64: tiny, and the same sequence on every platform and library.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi], inclusive.
    std::int64_t range(std::int64_t lo, std::int64_t hi) {
        const std::uint64_t span = static_cast<std::uint64_t>(hi - lo) + 1;
        return lo + static_cast<std::int64_t>(span == 0 ? next() : next() % span);
    }
    bool chance(int percent) { return range(0, 99) < percent; }

private:
    std::uint64_t state_;
};

// The five CSR fields, independent of either implementation's own type.
struct Csr {
    std::uint64_t n = 0;
    std::vector<std::uint64_t> xadj{0};
    std::vector<std::uint64_t> adjncy;
    std::vector<std::int64_t> adjwgt;
    std::vector<std::int64_t> vwgt;
};

std::string describe(const Csr& g);

// The same fields as either implementation's graph type.
template <class G>
G to_graph(const Csr& c) {
    G g;
    g.n = c.n;
    g.xadj = c.xadj;
    g.adjncy = c.adjncy;
    g.adjwgt = c.adjwgt;
    g.vwgt = c.vwgt;
    return g;
}

// A graph drawn from one of several families (random, path, star, grid,
// tree, clusters, empty of edges...), with optional edge and vertex weights
// (positive, zero, negative), self loops, repeated and one-directional
// entries. Always structurally valid (offsets, ranges and ids in bounds).
Csr random_graph(Rng& rng, std::uint64_t max_n);

// Greedily removes vertices and entries and simplifies weights while `fails`
// still holds; returns the smallest graph found.
Csr shrink(Csr g, const std::function<bool(const Csr&)>& fails);

}  // namespace dravik_test
