#include "refine/fm_refine.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "refine/refiner.h"

namespace dravik {

i64 max_part_weight(i64 total, u64 nparts) {
    const double limit = std::ceil(static_cast<double>(total) * 1.05 / static_cast<double>(nparts));
    return static_cast<i64>(limit);
}

Refiner::Refiner(const Graph& g, std::vector<u64>& part, u64 nparts, bool symmetric)
    : g_(g), part_(part), nparts_(nparts), n_(g.n), n_present_(g.n), symmetric_(symmetric) {}

Refiner::Refiner(const Graph& g, std::vector<u64>& part, u64 nparts, std::vector<unsigned char> present,
                 i64 hub_weight, bool symmetric)
    : g_(g),
      part_(part),
      nparts_(nparts),
      n_(g.n),
      present_(std::move(present)),
      hub_weight_(hub_weight),
      symmetric_(symmetric) {
    n_present_ = 0;
    for (const unsigned char p : present_) n_present_ += p != 0;
}

void Refiner::build() {
    try {
        pw_.assign(nparts_, 0);
        waiting_.resize(nparts_);
    } catch (const std::bad_alloc&) {
        throw InternalFailure("part count " + std::to_string(nparts_) + " is too large for a part weight table");
    } catch (const std::length_error&) {
        throw InternalFailure("part count " + std::to_string(nparts_) + " is too large for a part weight table");
    }
    if (part_.size() < n_) fail_index("part", n_ - 1, part_.size());
    i64 total = 0;
    for (u64 v = 0; v < n_; ++v) {
        if (!here(v)) continue;
        const u64 p = part_[v];
        if (p >= nparts_) fail_index("part weights", p, nparts_);
        pw_[p] += vw(v);
        total += vw(v);
    }
    maxw_ = max_part_weight(total, nparts_);

    // Connection tables, built per vertex through a dense part -> slot map.
    tstart_.resize(n_ + 1);
    tcount_.assign(n_, 0);
    npos_.assign(n_, 0);
    moved_.assign(n_, 0);
    tstart_[0] = 0;
    for (u64 v = 0; v < n_; ++v) tstart_[v + 1] = tstart_[v] + (g_.xadj[v + 1] - g_.xadj[v]);
    slots_.resize(tstart_[n_]);
    std::vector<u64> slot_of(nparts_, ~u64(0));
    const bool ew = !g_.adjwgt.empty();
    for (u64 v = 0; v < n_; ++v) {
        if (!here(v)) continue;
        Slot* s = slots_.data() + tstart_[v];
        u64 c = 0;
        for (u64 e = g_.xadj[v], end = g_.xadj[v + 1]; e < end; ++e) {
            const u64 u = g_.adjncy[e];
            if (!here(u)) continue;
            const u64 k = at(part_, u, "part");
            const i64 w = ew ? g_.adjwgt[e] : 1;
            if (slot_of[k] == ~u64(0)) {
                slot_of[k] = c;
                s[c++] = {k, 0};
            }
            s[slot_of[k]].conn += w;
        }
        u64 kept = 0;
        for (u64 i = 0; i < c; ++i) {
            slot_of[s[i].part] = ~u64(0);
            if (s[i].conn != 0) s[kept++] = s[i];
        }
        tcount_[v] = kept;
        recount_positive(v);
    }

    // Moving u changes the connections of every vertex whose entry names u.
    if (symmetric_) {
        rstart_ = g_.xadj.data();
        rfrom_ = g_.adjncy.data();
        rweight_ = ew ? g_.adjwgt.data() : nullptr;
    } else {
        own_reverse_ = reverse_entries(g_);
        rstart_ = own_reverse_.start.data();
        rfrom_ = own_reverse_.from.data();
        rweight_ = own_reverse_.weight.data();
    }
    for (u64 v = 0; v < n_; ++v) {
        if (here(v)) push_all(v);
    }
    built_ = true;
}

bool Refiner::select(Move& best) {
    while (!heap_.empty()) {
        const Move m = heap_.top();
        heap_.pop();
        if (!valid(m)) continue;
        if (fits(m.v, m.to)) {
            best = m;
            return true;
        }
        std::vector<Waiting>& w = waiting_[m.to];
        w.push_back({vw(m.v), m.v, m.gain});
        std::push_heap(w.begin(), w.end());
    }
    return false;
}

// x's entry of weight w names a vertex that went from part `from` to part
// `to` (from == to: a vertex that just appeared in `to`, nothing to take off).
void Refiner::touch(u64 x, u64 from, u64 to, i64 w) {
    if (w == 0) return;
    const u64 before = npos_[x];
    const u64 px = part_[x];
    if (from != to) add_conn(x, from, -w);
    add_conn(x, to, w);
    if (moved_[x] || npos_[x] == 0) return;
    if (px == from || px == to || before == 0) {
        push_all(x);
    } else {
        const i64 internal = conn(x, px);
        push_candidate(x, from, conn(x, from), internal);
        push_candidate(x, to, conn(x, to), internal);
    }
}

void Refiner::apply(const Move& m) {
    const u64 u = m.v;
    const u64 from = part_[u];
    const u64 to = m.to;
    pw_[from] -= vw(u);
    pw_[to] += vw(u);
    part_[u] = to;
    moved_[u] = 1;
    for (u64 i = rstart_[u], end = rstart_[u + 1]; i < end; ++i) {
        if (here(rfrom_[i])) touch(rfrom_[i], from, to, rweight_ ? rweight_[i] : 1);
    }
    recount_positive(u);
    // The part that got lighter may now take waiting candidates: the giving
    // part, or the receiving one when the vertex weighs less than zero.
    release_waiting(vw(u) < 0 ? to : from);
}

void Refiner::split(u64 leaf) {
    const u64 p = part_[0];
    const i64 w = g_.vertex_weight(leaf);
    present_[leaf] = 1;
    ++n_present_;
    part_[leaf] = p;
    // The hub gets lighter by what the leaf takes with it; part weights and
    // so the limit stay as they are.
    hub_weight_ -= w;
    const bool ew = !g_.adjwgt.empty();
    for (u64 e = g_.xadj[leaf], end = g_.xadj[leaf + 1]; e < end; ++e) {
        const u64 u = g_.adjncy[e];
        if (here(u)) add_conn(leaf, part_[u], ew ? g_.adjwgt[e] : 1);
    }
    push_all(leaf);
    for (u64 i = rstart_[leaf], end = rstart_[leaf + 1]; i < end; ++i) {
        const u64 x = rfrom_[i];
        if (x != leaf && here(x)) touch(x, p, p, rweight_ ? rweight_[i] : 1);
    }
    // A lighter hub may fit where it did not.
    push_all(0);
}

void Refiner::refine(u64 max_passes) {
    if (!built_) build();
    for (u64 pass = 0; pass < max_passes; ++pass) {
        // Vertices moved in the previous pass (of this call or the one
        // before) may move again.
        for (const u64 v : moved_list_) moved_[v] = 0;
        for (const u64 v : moved_list_) push_all(v);
        moved_list_.clear();
        Move m{};
        while (moved_list_.size() < n_present_ && select(m)) {
            apply(m);
            moved_list_.push_back(m.v);
        }
        if (moved_list_.empty()) break;
    }
}

void fm_refine(const Graph& g, std::vector<u64>& part, u64 nparts, u64 max_passes) {
    if (max_passes == 0 || nparts < 2 || g.n == 0) return;
    Refiner(g, part, nparts).refine(max_passes);
}

}  // namespace dravik
