// The incremental refinement engine behind fm_refine, also used directly by
// the driver to carry refinement state through the levels of a star tail.
#pragma once

#include <queue>
#include <vector>

#include "graph/graph.h"

namespace dravik {

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
    // Refines `part` as a part vector of the whole of g.
    // `symmetric` promises is_symmetric(g), which spares the transposition.
    Refiner(const Graph& g, std::vector<u64>& part, u64 nparts, bool symmetric = false);

    // Refines the graph of a star tail: the star g with only the vertices
    // flagged in `present`, vertex 0 weighing `hub_weight` (it holds the
    // merged leaves). Entries towards absent vertices do not exist.
    Refiner(const Graph& g, std::vector<u64>& part, u64 nparts, std::vector<unsigned char> present,
            i64 hub_weight, bool symmetric);

    // One refinement call of at most max_passes passes. The state carries
    // over to the next call, so a call costs what changes, not the graph.
    void refine(u64 max_passes);

    // Undoes one star merge: `leaf` leaves vertex 0 and joins the graph in
    // vertex 0's part, as projecting the parts onto the finer level does.
    void split(u64 leaf);

private:
    const Graph& g_;
    std::vector<u64>& part_;
    const u64 nparts_;
    const u64 n_;
    std::vector<unsigned char> present_;  // empty: every vertex is present
    i64 hub_weight_ = 0;
    u64 n_present_;
    bool built_ = false;
    std::vector<u64> moved_list_;

    std::vector<i64> pw_;
    i64 maxw_ = 0;
    std::vector<u64> tstart_;
    std::vector<u64> tcount_;
    std::vector<Slot> slots_;
    std::vector<u64> npos_;  // slots of other parts with positive connection
    std::vector<unsigned char> moved_;
    // Reverse entries: the graph's own entries when it is symmetric, else
    // a transposed copy.
    Reverse own_reverse_;
    const u64* rstart_ = nullptr;
    const u64* rfrom_ = nullptr;
    const i64* rweight_ = nullptr;  // nullptr: every weight is 1
    bool symmetric_ = false;
    std::priority_queue<Move> heap_;
    std::vector<std::vector<Waiting>> waiting_;

    bool here(u64 v) const { return present_.empty() || present_[v]; }
    i64 vw(u64 v) const { return !present_.empty() && v == 0 ? hub_weight_ : g_.vertex_weight(v); }

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
    void touch(u64 x, u64 from, u64 to, i64 w);
};


}  // namespace dravik
