#include "dravik.h"

#include "kway/part_kway.h"

namespace dravik {

std::pair<i64, std::vector<u64>> partition(const Graph& g, u64 nparts) { return part_kway(g, nparts); }

}  // namespace dravik
