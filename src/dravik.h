// The partitioning core's entry point: what the extension module uses.
#pragma once

#include <utility>
#include <vector>

#include "graph/graph.h"

namespace dravik {

// Splits the vertices of `g` into `nparts` parts; returns (edge cut, part).
std::pair<i64, std::vector<u64>> partition(const Graph& g, u64 nparts);

}  // namespace dravik
