// Reference partitioner used only by the tests.
//
// Every routine here is a deliberately plain, step-by-step version of the
// corresponding production routine: full rescans instead of incremental
// bookkeeping, ordered maps instead of hash maps, fresh tables for every
// evaluation.  It is slow on purpose, so that it can be read line by line
// against the description of each algorithm, and so that the production code
// can be checked against it for bit-identical results.
//
// Every index read is bounds-tested and every signed weight sum is computed
// with checked arithmetic; both kinds of problem throw `Failure`, so the
// reference never has undefined behaviour, whatever graph it is given.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace dravik_ref {

// Internal failure: a failed bounds test (the text names what was indexed,
// the index and the length), a failed length requirement, or a signed 64-bit
// overflow of a weight sum (the text contains "overflow").
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Undirected graph in CSR form.  An empty `adjwgt` / `vwgt` means that every
// edge entry / vertex weighs 1.
struct Graph {
    uint64_t n = 0;
    std::vector<uint64_t> xadj;
    std::vector<uint64_t> adjncy;
    std::vector<int64_t> adjwgt;
    std::vector<int64_t> vwgt;
};

// Builders.  They test the length rules and throw Failure when one is broken.
Graph make_graph(uint64_t n, std::vector<uint64_t> xadj, std::vector<uint64_t> adjncy);
Graph with_adjwgt(Graph g, std::vector<int64_t> adjwgt);
Graph with_vwgt(Graph g, std::vector<int64_t> vwgt);
Graph clone(const Graph& g);

// Accessors.
uint64_t degree(const Graph& g, uint64_t u);
int64_t edge_weight(const Graph& g, uint64_t e);
int64_t vertex_weight(const Graph& g, uint64_t u);
int64_t weighted_degree(const Graph& g, uint64_t u);

// Total weight of the cut entries, halved (truncating toward zero).
int64_t edge_cut(const Graph& g, const std::vector<uint64_t>& part);

// One level of the coarsening hierarchy.
struct CoarsenLevel {
    Graph graph;
    std::vector<uint64_t> cmap;
    uint64_t coarse_n = 0;
};

CoarsenLevel coarsen_once(const Graph& g);
Graph build_coarse_graph(const Graph& g, const std::vector<uint64_t>& cmap, uint64_t coarse_n);
std::vector<CoarsenLevel> multilevel_coarsen(const Graph& g, uint64_t target);

// Seed vertices of the greedy bisection, ascending and without repeats.
// Exposed so that tests can look at the seed choice directly.
std::vector<uint64_t> bisection_seeds(const Graph& g);
std::vector<uint64_t> initial_bisection(const Graph& g);
Graph build_subgraph(const Graph& g, const std::vector<uint64_t>& vertices);
std::vector<uint64_t> initial_partition(const Graph& g, uint64_t nparts);

// Balance limit of the refinement: ceil((double)total * 1.05 / (double)nparts)
// converted to int64.  Exposed so that tests can check the rounding directly.
int64_t max_part_weight(int64_t total, uint64_t nparts);
void fm_refine(const Graph& g, std::vector<uint64_t>& part, uint64_t nparts, uint64_t max_passes);

std::pair<int64_t, std::vector<uint64_t>> part_kway(const Graph& g, uint64_t nparts);
std::pair<int64_t, std::vector<uint64_t>> partition(const Graph& g, uint64_t nparts);

}  // namespace dravik_ref
