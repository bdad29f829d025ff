#include "refine/fm_refine.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <queue>

namespace dravik {

i64 max_part_weight(i64 total, u64 nparts) {
    const double limit = std::ceil(static_cast<double>(total) * 1.05 / static_cast<double>(nparts));
    return static_cast<i64>(limit);
}

namespace {

// The full-scan selection of the plain algorithm, made incremental:
//
// * every vertex keeps its connection to each part it touches (the sum of the
//   weights of its entries into that part), sparse: parts with connection 0
//   are dropped, so a vertex never holds more slots than it has entries;
// * a max-heap holds candidate moves (gain, vertex, target) ordered exactly
//   like the scan (gain desc, vertex asc, target asc). Entries are pushed
//   whenever a candidate's gain may have changed and checked against the
//   current state when they reach the top, so stale ones are skipped;
// * a candidate that is valid but does not fit into its target part is set
//   aside in that part's waiting list (lightest first) and returned to the
//   heap when a vertex leaves the part and frees room.
// Only moves of positive gain are ever made, so only those are kept.
struct Slot {
    u64 part;
    i64 conn;
};

struct Move {
    i64 gain;
    u64 v;
    u64 to;
    bool operator<(const Move& o) const {
        if (gain != o.gain) return gain < o.gain;
        if (v != o.v) return v > o.v;
        return to > o.to;
    }
};

struct Waiting {
    i64 weight;
    u64 v;
    i64 gain;
    bool operator<(const Waiting& o) const {  // min-heap by weight
        if (weight != o.weight) return weight > o.weight;
        return v > o.v;
    }
};

class Refiner {
public:
    Refiner(const Graph& g, std::vector<u64>& part, u64 nparts)
        : g_(g), part_(part), nparts_(nparts), n_(g.n) {}

    void run(u64 max_passes);

private:
    const Graph& g_;
    std::vector<u64>& part_;
    const u64 nparts_;
    const u64 n_;

    std::vector<i64> pw_;
    i64 maxw_ = 0;
    std::vector<u64> tstart_;
    std::vector<u64> tcount_;
    std::vector<Slot> slots_;
    std::vector<u64> npos_;  // slots of other parts with positive connection
    std::vector<unsigned char> moved_;
    std::vector<u64> rstart_, rfrom_;
    std::vector<i64> rweight_;
    std::priority_queue<Move> heap_;
    std::vector<std::vector<Waiting>> waiting_;

    i64 vw(u64 v) const { return g_.vertex_weight(v); }

    i64 conn(u64 v, u64 k) const {
        const Slot* s = slots_.data() + tstart_[v];
        for (u64 i = 0, c = tcount_[v]; i < c; ++i) {
            if (s[i].part == k) return s[i].conn;
        }
        return 0;
    }

    // Adds w to v's connection towards part k, keeping npos_ current.
    void add_conn(u64 v, u64 k, i64 w) {
        if (w == 0) return;
        Slot* s = slots_.data() + tstart_[v];
        u64& c = tcount_[v];
        u64 i = 0;
        while (i < c && s[i].part != k) ++i;
        const i64 before = i < c ? s[i].conn : 0;
        const i64 after = before + w;
        if (i == c) {
            s[c++] = {k, after};
        } else if (after == 0) {
            s[i] = s[--c];
        } else {
            s[i].conn = after;
        }
        if (k != part_[v]) npos_[v] += static_cast<u64>(after > 0) - static_cast<u64>(before > 0);
    }

    void recount_positive(u64 v) {
        u64 cnt = 0;
        const Slot* s = slots_.data() + tstart_[v];
        for (u64 i = 0, c = tcount_[v]; i < c; ++i) cnt += s[i].part != part_[v] && s[i].conn > 0;
        npos_[v] = cnt;
    }

    void push_candidate(u64 v, u64 k, i64 c, i64 internal) {
        if (k == part_[v] || c == 0) return;
        const i64 gain = c - internal;
        if (gain > 0) heap_.push({gain, v, k});
    }

    void push_all(u64 v) {
        if (moved_[v] || npos_[v] == 0) return;
        const i64 internal = conn(v, part_[v]);
        const Slot* s = slots_.data() + tstart_[v];
        for (u64 i = 0, c = tcount_[v]; i < c; ++i) push_candidate(v, s[i].part, s[i].conn, internal);
    }

    bool fits(u64 v, u64 k) const { return pw_[k] + vw(v) <= maxw_; }

    bool valid(const Move& m) const {
        if (moved_[m.v] || npos_[m.v] == 0 || m.to == part_[m.v]) return false;
        const i64 c = conn(m.v, m.to);
        return c != 0 && c - conn(m.v, part_[m.v]) == m.gain;
    }

    void release_waiting(u64 k) {
        std::vector<Waiting>& w = waiting_[k];
        while (!w.empty() && pw_[k] + w.front().weight <= maxw_) {
            heap_.push({w.front().gain, w.front().v, k});
            std::pop_heap(w.begin(), w.end());
            w.pop_back();
        }
    }

    void build();
    bool select(Move& best);
    void apply(const Move& m);
};

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
        Slot* s = slots_.data() + tstart_[v];
        u64 c = 0;
        for (u64 e = g_.xadj[v], end = g_.xadj[v + 1]; e < end; ++e) {
            const u64 k = at(part_, g_.adjncy[e], "part");
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

    // Reverse entries: moving u changes the connections of every vertex
    // whose entry names u, and entries need not be stored from both ends.
    rstart_.assign(n_ + 1, 0);
    for (u64 v = 0; v < n_; ++v) {
        for (u64 e = g_.xadj[v], end = g_.xadj[v + 1]; e < end; ++e) ++rstart_[g_.adjncy[e] + 1];
    }
    for (u64 x = 0; x < n_; ++x) rstart_[x + 1] += rstart_[x];
    rfrom_.resize(rstart_[n_]);
    rweight_.resize(rstart_[n_]);
    std::vector<u64> fill(rstart_.begin(), rstart_.end() - 1);
    for (u64 v = 0; v < n_; ++v) {
        for (u64 e = g_.xadj[v], end = g_.xadj[v + 1]; e < end; ++e) {
            const u64 slot = fill[g_.adjncy[e]]++;
            rfrom_[slot] = v;
            rweight_[slot] = ew ? g_.adjwgt[e] : 1;
        }
    }
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

void Refiner::apply(const Move& m) {
    const u64 u = m.v;
    const u64 from = part_[u];
    const u64 to = m.to;
    pw_[from] -= vw(u);
    pw_[to] += vw(u);
    part_[u] = to;
    moved_[u] = 1;
    for (u64 i = rstart_[u], end = rstart_[u + 1]; i < end; ++i) {
        const u64 x = rfrom_[i];
        const i64 w = rweight_[i];
        if (w == 0) continue;
        const u64 before = npos_[x];
        add_conn(x, from, -w);
        add_conn(x, to, w);
        if (moved_[x] || npos_[x] == 0) continue;
        const u64 px = part_[x];
        if (px == from || px == to || before == 0) {
            push_all(x);
        } else {
            const i64 internal = conn(x, px);
            push_candidate(x, from, conn(x, from), internal);
            push_candidate(x, to, conn(x, to), internal);
        }
    }
    recount_positive(u);
    // The part that got lighter may now take waiting candidates: the giving
    // part, or the receiving one when the vertex weighs less than zero.
    release_waiting(vw(u) < 0 ? to : from);
}

void Refiner::run(u64 max_passes) {
    build();
    for (u64 v = 0; v < n_; ++v) push_all(v);
    std::vector<u64> moved_list;
    for (u64 pass = 0; pass < max_passes; ++pass) {
        for (const u64 v : moved_list) moved_[v] = 0;
        for (const u64 v : moved_list) push_all(v);
        moved_list.clear();
        Move m{};
        while (moved_list.size() < n_ && select(m)) {
            apply(m);
            moved_list.push_back(m.v);
        }
        if (moved_list.empty()) break;
    }
}

}  // namespace

void fm_refine(const Graph& g, std::vector<u64>& part, u64 nparts, u64 max_passes) {
    if (max_passes == 0 || nparts < 2 || g.n == 0) return;
    Refiner(g, part, nparts).run(max_passes);
}

}  // namespace dravik
