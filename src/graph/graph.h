// The CSR graph that every stage of the partitioner reads.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace dravik {

using u64 = std::uint64_t;
using i64 = std::int64_t;

// Raised for every failed bounds test, failed length requirement and weight
// sum that leaves the signed 64-bit range. It aborts the whole operation; the
// extension module turns it into its internal-failure exception.
class InternalFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail_index(const char* what, u64 index, u64 length);
[[noreturn]] void fail_overflow(const char* what);

// Bounds-tested element read: the failure text names the array, the index and
// the length.
template <class T>
inline const T& at(const std::vector<T>& v, u64 i, const char* what) {
    if (i >= v.size()) fail_index(what, i, v.size());
    return v[i];
}
template <class T>
inline T& at(std::vector<T>& v, u64 i, const char* what) {
    if (i >= v.size()) fail_index(what, i, v.size());
    return v[i];
}
template <class T>
inline const T& at(std::span<const T> v, u64 i, const char* what) {
    if (i >= v.size()) fail_index(what, i, v.size());
    return v[i];
}

inline i64 add_checked(i64 a, i64 b, const char* what) {
    i64 r;
    if (__builtin_add_overflow(a, b, &r)) fail_overflow(what);
    return r;
}
inline i64 sub_checked(i64 a, i64 b, const char* what) {
    i64 r;
    if (__builtin_sub_overflow(a, b, &r)) fail_overflow(what);
    return r;
}

struct Graph {
    u64 n = 0;
    std::vector<u64> xadj;    // n + 1 offsets into adjncy / adjwgt
    std::vector<u64> adjncy;  // neighbour of each adjacency entry
    std::vector<i64> adjwgt;  // empty, or one weight per adjacency entry
    std::vector<i64> vwgt;    // empty, or one weight per vertex

    // Entry count of u's range. Wrapping on purpose: a decreasing pair of
    // offsets gives a huge count, and the walk over it then fails on a read.
    u64 degree(u64 u) const {
        return at(xadj, u + 1, "xadj") - at(xadj, u, "xadj");
    }
    i64 edge_weight(u64 e) const { return adjwgt.empty() ? 1 : at(adjwgt, e, "adjwgt"); }
    i64 vertex_weight(u64 u) const { return vwgt.empty() ? 1 : at(vwgt, u, "vwgt"); }
    i64 weighted_degree(u64 u) const;
};

// Builders: take ownership of the vectors (no copy) and test the length rules.
// `new` is reserved in C++, hence the name.
Graph new_graph(u64 n, std::vector<u64> xadj, std::vector<u64> adjncy);
Graph with_adjwgt(Graph g, std::vector<i64> adjwgt);
Graph with_vwgt(Graph g, std::vector<i64> vwgt);
Graph clone(const Graph& g);

// Total weight of the adjacency entries whose ends lie in different parts,
// halved (every symmetric cut edge is met from both ends).
i64 edge_cut(const Graph& g, std::span<const u64> part);

// Checks, in one sweep, everything the fast stages rely on so that their inner
// loops can index without tests: offsets non-decreasing, every non-empty range
// inside adjncy (and adjwgt when present), every neighbour below n, vwgt
// empty or n long, and the absolute weight sums inside the signed 64-bit
// range (so that no partial sum of any stage can overflow). Fails with an
// internal failure naming what is wrong.
void validate_for_partitioning(const Graph& g);

// The entries seen from the vertex they name: for each vertex x, the vertices
// whose entries name x (ascending, each as often as it has such entries) and
// those entries' weights. Stages that update the neighbours of a vertex need
// it, since entries need not be stored from both ends.
struct Reverse {
    std::vector<u64> start;  // n + 1 offsets
    std::vector<u64> from;
    std::vector<i64> weight;
};
Reverse reverse_entries(const Graph& g);

// True when every entry u -> v of weight w is matched by an entry v -> u of
// the same weight (as multisets). Then the entries of a vertex are its
// reverse entries too, and coarse graphs built from g are symmetric as well.
bool is_symmetric(const Graph& g);

// Decimal text of n + 1 without wrapping (n = 2^64 - 1 gives 2^64).
std::string n_plus_one_text(u64 n);

}  // namespace dravik
