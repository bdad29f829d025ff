"""dravik.partition: binding, conversion, trivial answers and the multilevel path."""

import threading

import pytest

import dravik
from dravik import Graph, partition
from _support import (
    TRIANGLE,
    assert_conversion_error,
    assert_plain_error,
    csr_from_edges,
    grid_edges,
    grid_graph,
    internal_failure,
    random_graph_arrays,
    triangle,
    Idx,
    MyInt,
)


class Holder:
    class Thing:
        pass


def check_result(g, result, nparts, context=""):
    """Shape and consistency of any partition result for graph g."""
    assert type(result) is tuple and len(result) == 2, context
    cut, part = result
    assert type(cut) is int, context
    assert type(part) is list and len(part) == g.n, context
    assert all(type(p) is int and p >= 0 for p in part), context
    if nparts >= 1:
        assert all(p < nparts for p in part), context
    assert cut == g.edge_cut(part), context


# -- binding and conversion -------------------------------------------------

G = triangle()


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "partition() missing 2 required positional arguments: 'graph' and 'nparts'"),
        ((G,), {}, "partition() missing 1 required positional argument: 'nparts'"),
        ((), {"nparts": 2}, "partition() missing 1 required positional argument: 'graph'"),
        ((G, 2, 3), {}, "partition() takes 2 positional arguments but 3 were given"),
        ((None, None, None, None), {}, "partition() takes 2 positional arguments but 4 were given"),
        ((G, 2), {"k": 1}, "partition() got an unexpected keyword argument 'k'"),
        ((G, 2), {"graph": G}, "partition() got multiple values for argument 'graph'"),
        ((G, 2), {"nparts": 2}, "partition() got multiple values for argument 'nparts'"),
    ],
    ids=["none", "no-nparts", "no-graph", "three", "four-unconverted", "unknown-kw",
         "dup-graph", "dup-nparts"],
)
def test_binding_errors(args, kwargs, message):
    assert_plain_error(TypeError, message, lambda: partition(*args, **kwargs))


def test_keywords_in_any_order():
    assert partition(nparts=3, graph=G) == partition(G, 3) == (3, [0, 1, 2])
    assert partition(G, nparts=3) == (3, [0, 1, 2])


@pytest.mark.parametrize(
    "graph, nparts, exc_type, param, message",
    [
        ([0, 1], 2, TypeError, "graph", "'list' object is not an instance of 'Graph'"),
        (None, 2, TypeError, "graph", "'None' is not an instance of 'Graph'"),
        (3, 2, TypeError, "graph", "'int' object is not an instance of 'Graph'"),
        (Graph, 2, TypeError, "graph", "'type' object is not an instance of 'Graph'"),
        (Holder.Thing(), 2, TypeError, "graph", "'Holder.Thing' object is not an instance of 'Graph'"),
        (None, -1, TypeError, "graph", "'None' is not an instance of 'Graph'"),  # graph first
        (G, -1, OverflowError, "nparts", None),
        (G, 2**64, OverflowError, "nparts", None),
        (G, Idx(-5), OverflowError, "nparts", None),
        (G, 2.0, TypeError, "nparts", None),
        (G, "2", TypeError, "nparts", None),
        (G, None, TypeError, "nparts", None),
        (G, [2], TypeError, "nparts", None),
    ],
    ids=["list", "None", "int", "class", "qualname", "graph-wins", "negative", "2**64",
         "negative-index", "float", "str", "nparts-None", "nparts-list"],
)
def test_conversion_errors(graph, nparts, exc_type, param, message):
    assert_conversion_error(exc_type, param, lambda: partition(graph, nparts), message)


@pytest.mark.parametrize(
    "nparts, expected",
    [
        (True, (0, [0, 0, 0])),
        (False, (0, [0, 0, 0])),
        (Idx(3), (3, [0, 1, 2])),
        (MyInt(7), (3, [0, 1, 2])),
    ],
    ids=["True", "False", "index", "int-subclass"],
)
def test_nparts_forms(nparts, expected):
    assert partition(G, nparts) == expected


def test_numpy_nparts(np):
    assert partition(G, np.uint64(2**64 - 1)) == (3, [0, 1, 2])
    assert partition(G, np.int8(1)) == (0, [0, 0, 0])
    assert_conversion_error(OverflowError, "nparts", lambda: partition(G, np.int64(-1)))
    assert_conversion_error(TypeError, "nparts", lambda: partition(G, np.float64(2.0)))


# -- trivial cases ----------------------------------------------------------

@pytest.mark.parametrize("nparts", [0, 1, 2, 5, 2**64 - 1])
@pytest.mark.parametrize("args", [(0, [0], []), (0, [4], [9, 9])], ids=["empty", "garbage-entries"])
def test_empty_graph(args, nparts):
    assert partition(Graph(*args), nparts) == (0, [])


@pytest.mark.parametrize("nparts", [0, 1])
@pytest.mark.parametrize(
    "args",
    [
        TRIANGLE,
        (1, [0, 0], []),
        (40, list(range(41)), [(u + 1) % 40 for u in range(40)]),
        # Malformed graphs too: with fewer than two parts nothing is measured.
        (2, [0, 1, 2], [1, 5]),
        (3, [0, 3, 1, 9], [1]),
    ],
    ids=["triangle", "single", "ring40-one-way", "neighbour-ge-n", "broken-xadj"],
)
def test_fewer_than_two_parts_puts_everything_in_part_zero(args, nparts):
    assert partition(Graph(*args), nparts) == (0, [0] * args[0])


@pytest.mark.parametrize(
    "args, kwargs, nparts, cut",
    [
        (TRIANGLE, {}, 3, 3),
        (TRIANGLE, {}, 7, 3),
        (TRIANGLE, {}, 2**64 - 1, 3),
        (TRIANGLE, {"adjwgt": [5] * 6}, 3, 15),
        (TRIANGLE, {"adjwgt": [1, -4, 1, 2, -4, 2]}, 3, -1),
        ((1, [0, 0], []), {}, 2, 0),
        ((2, [0, 1, 2], [1, 0]), {}, 2, 1),
        ((2, [0, 2, 3], [0, 1, 0]), {}, 2, 1),   # the self-loop is never cut
        ((4, [0, 1, 3, 5, 6], [1, 0, 2, 1, 3, 2]), {}, 4, 3),
        ((5, [0] * 6, []), {}, 5, 0),
    ],
    ids=["triangle-3", "triangle-7", "triangle-max", "weighted", "negative-weights",
         "single", "edge", "self-loop", "path4", "no-edges"],
)
def test_at_least_n_parts_gives_identity(args, kwargs, nparts, cut):
    g = Graph(*args, **kwargs)
    assert partition(g, nparts) == (cut, list(range(args[0])))


# -- the multilevel path ----------------------------------------------------

@pytest.mark.parametrize("seed", range(16))
def test_random_graphs_give_consistent_partitions(seed):
    n, xadj, adjncy, adjwgt, vwgt = random_graph_arrays(seed)
    g = Graph(n, xadj, adjncy, adjwgt, vwgt)
    twin = Graph(n, list(xadj), list(adjncy), adjwgt, vwgt)
    for nparts in (2, 3, 4, 7, 11, n - 1):
        context = f"seed={seed} n={n} nparts={nparts}"
        result = partition(g, nparts)
        check_result(g, result, nparts, context)
        # Only the input decides the result.
        assert partition(g, nparts) == result, context
        assert partition(twin, nparts) == result, context


def test_repeated_calls_return_fresh_equal_results_and_leave_the_graph_alone():
    g = grid_graph(10, 10)
    probe = [v % 3 for v in range(100)]
    before = (repr(g), g.n, g.edge_cut(probe))
    first, second = partition(g, 4), partition(g, 4)
    assert first == second
    assert first[1] is not second[1]
    first[1][0] = 99  # the caller owns the list
    assert partition(g, 4) == second
    assert (repr(g), g.n, g.edge_cut(probe)) == before


def test_graph_without_edges():
    g = Graph(30, [0] * 31, [])
    result = partition(g, 3)
    check_result(g, result, 3)
    assert result[0] == 0


def test_disjoint_triangles_split_along_components():
    xadj, adjncy, _ = csr_from_edges(6, [(0, 1, 1), (1, 2, 1), (0, 2, 1),
                                         (3, 4, 1), (4, 5, 1), (3, 5, 1)])
    cut, part = partition(Graph(6, xadj, adjncy), 2)
    assert cut == 0
    assert part[0] == part[1] == part[2] != part[3] == part[4] == part[5]


def test_two_cliques_joined_by_a_bridge():
    edges = [(u, v, 1) for base in (0, 10) for u in range(base, base + 10)
             for v in range(u + 1, base + 10)]
    edges.append((9, 10, 1))
    xadj, adjncy, _ = csr_from_edges(20, edges)
    g = Graph(20, xadj, adjncy)
    cut, part = partition(g, 2)
    assert cut == 1
    assert len(set(part[:10])) == 1 and len(set(part[10:])) == 1 and part[0] != part[10]


@pytest.mark.parametrize("nparts, max_cut", [(2, 120), (4, 240), (8, 400)])
def test_grid_partitions_are_sensible(nparts, max_cut):
    # A 30 x 30 grid has 1740 edges; a good split into 2 cuts about 30 of them,
    # a random assignment about 870. The bounds are deliberately loose.
    g = grid_graph(30, 30)
    cut, part = partition(g, nparts)
    check_result(g, (cut, part), nparts)
    assert 0 < cut <= max_cut
    sizes = [part.count(p) for p in range(nparts)]
    assert all(s > 0 for s in sizes), sizes
    assert max(sizes) <= min(0.75 * 900, 2 * 900 / nparts), sizes


# -- internal failures ------------------------------------------------------

MALFORMED = {
    "neighbour-ge-n": (4, [0, 1, 2, 3, 4], [1, 0, 3, 9]),
    "decreasing-xadj": (4, [0, 1, 3, 2, 4], [1, 0, 3, 2]),
    "range-past-end": (4, [0, 1, 2, 3, 9], [1, 0, 3, 2]),
    "ranges-outside": (4, [7, 8, 9, 10, 11], [1, 0, 3, 2]),
}


@pytest.mark.parametrize("nparts", [2, 3, 4, 2**64 - 1])
@pytest.mark.parametrize("kind", sorted(MALFORMED))
def test_malformed_graphs_fail_inside_the_core(kind, nparts):
    g = Graph(*MALFORMED[kind])
    first = internal_failure(lambda: partition(g, nparts))
    again = internal_failure(lambda: partition(g, nparts))
    assert type(again) is type(first) and again.args == first.args


def test_malformed_larger_graph_fails_on_the_multilevel_path():
    # Big enough to coarsen: a 10 x 10 grid whose last entry points past n.
    xadj, adjncy, _ = csr_from_edges(100, grid_edges(10, 10))
    adjncy[-1] = 100
    internal_failure(lambda: partition(Graph(100, xadj, adjncy), 4))


# -- threads ----------------------------------------------------------------

def test_concurrent_calls_on_a_shared_graph_agree():
    rows = cols = 12
    n = rows * cols
    xadj, adjncy, adjwgt = csr_from_edges(n, grid_edges(rows, cols))
    shared = Graph(n, xadj, adjncy, adjwgt)
    counts = (2, 3, 5, 1, n)
    expected = {k: partition(shared, k) for k in counts}
    threads_n, rounds = 6, 4
    barrier = threading.Barrier(threads_n)
    errors, outcomes = [], [None] * threads_n

    def worker(slot):
        try:
            barrier.wait()
            seen = []
            for _ in range(rounds):
                for k in counts:
                    own = Graph(n, xadj, adjncy, adjwgt)
                    shared_result = partition(shared, k)
                    seen.append((k, shared_result, partition(own, k),
                                 shared.edge_cut(shared_result[1])))
            outcomes[slot] = seen
        except BaseException as err:  # reported below, on the main thread
            errors.append(err)

    threads = [threading.Thread(target=worker, args=(i,)) for i in range(threads_n)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not errors, errors
    for seen in outcomes:
        assert len(seen) == rounds * len(counts)
        for k, shared_result, own_result, cut in seen:
            assert shared_result == own_result == expected[k]
            assert cut == expected[k][0]


# Weight sums beyond the signed 64-bit range are refused, not wrapped; sums
# that fit go through, and the edge cut measures what fits after halving.
PATH4 = (4, [0, 1, 3, 5, 6], [1, 0, 2, 1, 3, 2])


@pytest.mark.parametrize(
    "kwargs, fits",
    [
        ({"adjwgt": [2**62] * 6}, False),
        ({"adjwgt": [2**60] * 6}, True),
        ({"adjwgt": [2**62, 2**62, -(2**62), -(2**62), 1, 1]}, False),
        ({"vwgt": [2**62, 2**62, 1, 1]}, False),
        ({"vwgt": [2**61, 2**61, 2**61, 1]}, True),
    ],
)
def test_weight_sums_outside_64_bits_raise_instead_of_wrapping(kwargs, fits):
    g = dravik.Graph(*PATH4, **kwargs)
    if fits:
        cut, part = dravik.partition(g, 2)
        assert cut == g.edge_cut(part)
    else:
        err = internal_failure(lambda: dravik.partition(g, 2))
        assert "overflow" in err.args[0]
    # The trivial cases never sum weights.
    assert dravik.partition(g, 1) == (0, [0, 0, 0, 0])


def test_edge_cut_of_two_entries_of_2_to_62_is_2_to_62():
    g = dravik.Graph(*PATH4, adjwgt=[2**62] * 6)
    assert g.edge_cut([0, 0, 1, 1]) == 2**62
