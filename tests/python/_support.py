"""Shared graph builders and assertion helpers for the Python test suite."""

import random
import re

import pytest

import dravik


# -- graph builders ---------------------------------------------------------

TRIANGLE = (3, [0, 2, 4, 6], [1, 2, 0, 2, 0, 1])


def triangle(**weights):
    return dravik.Graph(*TRIANGLE, **weights)


def csr_from_edges(n, edges):
    """Symmetric CSR arrays for an undirected edge list of (u, v, w) triples.

    Neighbours are stored in ascending order; returns (xadj, adjncy, adjwgt).
    """
    rows = [[] for _ in range(n)]
    for u, v, w in edges:
        rows[u].append((v, w))
        rows[v].append((u, w))
    xadj, adjncy, adjwgt = [0], [], []
    for row in rows:
        row.sort()
        adjncy.extend(v for v, _ in row)
        adjwgt.extend(w for _, w in row)
        xadj.append(len(adjncy))
    return xadj, adjncy, adjwgt


def grid_edges(rows, cols):
    def vid(r, c):
        return r * cols + c

    edges = []
    for r in range(rows):
        for c in range(cols):
            if c + 1 < cols:
                edges.append((vid(r, c), vid(r, c + 1), 1))
            if r + 1 < rows:
                edges.append((vid(r, c), vid(r + 1, c), 1))
    return edges


def grid_graph(rows, cols):
    n = rows * cols
    xadj, adjncy, _ = csr_from_edges(n, grid_edges(rows, cols))
    return dravik.Graph(n, xadj, adjncy)


def random_graph_arrays(seed):
    """A reproducible random undirected graph: (n, xadj, adjncy, adjwgt, vwgt).

    Weight vectors are None about half of the time; edge weights may be zero
    or negative, vertex weights are positive.
    """
    rng = random.Random(seed)
    n = rng.randint(21, 160)
    density = rng.choice([1.5, 3.0, 6.0])
    edges = {}
    for _ in range(int(n * density)):
        u, v = rng.randrange(n), rng.randrange(n)
        if u != v:
            edges[(min(u, v), max(u, v))] = rng.randint(-2, 9)
    # A spanning path keeps most instances connected.
    if rng.random() < 0.7:
        for u in range(n - 1):
            edges.setdefault((u, u + 1), rng.randint(1, 9))
    xadj, adjncy, adjwgt = csr_from_edges(n, [(u, v, w) for (u, v), w in edges.items()])
    if rng.random() < 0.5:
        adjwgt = None
    vwgt = [rng.randint(1, 6) for _ in range(n)] if rng.random() < 0.5 else None
    return n, xadj, adjncy, adjwgt, vwgt


def reference_edge_cut(xadj, adjncy, part, adjwgt=None):
    """Plain re-computation of the cut of a well-formed graph, for cross-checks."""
    total = 0
    for u in range(len(xadj) - 1):
        for e in range(xadj[u], xadj[u + 1]):
            if part[u] != part[adjncy[e]]:
                total += 1 if adjwgt is None else adjwgt[e]
    return -((-total) // 2) if total < 0 else total // 2


# -- assertion helpers ------------------------------------------------------

def note_for(param):
    return [f"while processing '{param}'"]


def assert_conversion_error(exc_type, param, call, message=None):
    """`call()` must raise exactly `exc_type` carrying the single note for `param`."""
    with pytest.raises(BaseException) as info:
        call()
    err = info.value
    assert type(err) is exc_type, f"expected {exc_type.__name__}, got {err!r}"
    assert getattr(err, "__notes__", None) == note_for(param)
    if message is not None:
        assert str(err) == message
    return err


def assert_plain_error(exc_type, message, call):
    """`call()` must raise exactly `exc_type` with `message` and no notes."""
    with pytest.raises(BaseException) as info:
        call()
    err = info.value
    assert type(err) is exc_type, f"expected {exc_type.__name__}, got {err!r}"
    assert str(err) == message
    assert not hasattr(err, "__notes__"), err.__notes__
    return err


def internal_failure(call):
    """Run `call`, which must end with the module's internal-failure exception.

    That exception derives directly from BaseException (so `except Exception`
    does not see it), is not exported, and carries its text as its only
    argument; bounds failures name an index and a length.
    """
    try:
        try:
            result = call()
        except Exception as err:  # the whole point: this handler must not fire
            raise AssertionError(f"internal failure was caught as Exception: {err!r}") from err
    except (KeyboardInterrupt, SystemExit, GeneratorExit):
        raise
    except AssertionError:
        raise
    except BaseException as err:
        cls = type(err)
        assert cls.__mro__[1] is BaseException, cls.__mro__
        assert not isinstance(err, Exception)
        assert cls.__name__ not in dravik.__all__
        assert len(err.args) == 1 and isinstance(err.args[0], str), err.args
        assert re.search(r"\d", err.args[0]), err.args[0]
        return err
    raise AssertionError(f"expected an internal failure, call returned {result!r}")


class Idx:
    """Not an int, but usable as one through the index protocol."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class MyInt(int):
    pass
