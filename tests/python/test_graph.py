"""The Graph class: construction, argument binding and conversion, edge_cut."""

import array
import collections
import collections.abc
import pickle
import random
import weakref

import pytest

import dravik
from dravik import Graph
from _support import (
    TRIANGLE,
    assert_conversion_error,
    assert_plain_error,
    internal_failure,
    note_for,
    random_graph_arrays,
    reference_edge_cut,
    triangle,
    Idx,
    MyInt,
)

P2 = (2, [0, 1, 2], [1, 0])  # a single edge 0-1, stored both ways


# -- argument doubles -------------------------------------------------------

class IntWithIndex(int):
    """An int subclass: its own value counts, not what __index__ says."""

    def __index__(self):
        return 7


class OnlyInt:
    """Convertible with int() but not an index."""

    def __int__(self):
        return 1


class Boom(Exception):
    pass


class RaisingIndex:
    def __index__(self):
        raise Boom("index refused")


class NoteRefusingError(Exception):
    calls = []

    def add_note(self, note):
        NoteRefusingError.calls.append(note)
        raise RuntimeError("add_note refused")


class IndexFailsWithNoteRefusingError:
    def __index__(self):
        raise NoteRefusingError("index failed")


class Holder:
    class NotASequence:
        pass


class IterSeq(collections.abc.Sequence):
    """A Sequence whose values come from __iter__ only.

    __getitem__ answers 0 for every index and __len__ is configurable (it may
    raise or lie), so a conversion that indexes or trusts the length sees
    different data from one that iterates.
    """

    def __init__(self, values, length="true", fail_after=None):
        self._values = list(values)
        self._length = length
        self._fail_after = fail_after

    def __iter__(self):
        for i, v in enumerate(self._values):
            if self._fail_after is not None and i == self._fail_after:
                raise Boom("iteration broke")
            yield v

    def __getitem__(self, index):
        return 0

    def __len__(self):
        if self._length == "true":
            return len(self._values)
        if self._length == "raise":
            raise RuntimeError("no length today")
        return self._length


class GetItemOnly:
    """Old-style sequence: only __getitem__, iterated until IndexError."""

    def __init__(self, values):
        self._values = list(values)

    def __getitem__(self, index):
        return self._values[index]


# -- construction, repr, n --------------------------------------------------

@pytest.mark.parametrize(
    "args, kwargs, text",
    [
        ((0, [0], []), {}, "Graph(n=0, edges=0)"),
        (TRIANGLE, {}, "Graph(n=3, edges=6)"),
        (TRIANGLE, {"adjwgt": [5] * 6, "vwgt": [1, 2, 3]}, "Graph(n=3, edges=6)"),
        # Entries outside every vertex's range still count as stored entries.
        ((1, [0, 0], [5, 5, 5]), {}, "Graph(n=1, edges=3)"),
        ((0, [4], [9, 9]), {}, "Graph(n=0, edges=2)"),
        ((), {"adjncy": [], "xadj": [0], "n": 0}, "Graph(n=0, edges=0)"),
        ((), {"vwgt": None, "adjwgt": None, "adjncy": [1, 0], "xadj": [0, 1, 2], "n": 2},
         "Graph(n=2, edges=2)"),
    ],
    ids=["empty", "triangle", "weighted", "unreferenced-entries", "garbage-empty",
         "keywords", "keywords-none-weights"],
)
def test_repr_and_str(args, kwargs, text):
    g = Graph(*args, **kwargs)
    assert repr(g) == text
    assert str(g) == text


@pytest.mark.parametrize(
    "n_arg, expected",
    [(0, 0), (3, 3), (True, 1), (False, 0), (MyInt(2), 2), (IntWithIndex(1), 1), (Idx(2), 2)],
    ids=["0", "3", "True", "False", "int-subclass", "int-subclass-own-value", "index"],
)
def test_n_accepts_ints_and_index_objects(n_arg, expected):
    g = Graph(n_arg, [0] * (expected + 1), [])
    assert g.n == expected
    assert type(g.n) is int


def test_n_is_read_only():
    g = triangle()
    with pytest.raises(AttributeError):
        g.n = 5
    with pytest.raises(AttributeError):
        del g.n
    assert g.n == 3


def test_absent_and_none_weights_are_the_same():
    part = [0, 0, 1]
    plain = triangle()
    for g in (triangle(adjwgt=None), triangle(vwgt=None), triangle(adjwgt=None, vwgt=None)):
        assert repr(g) == repr(plain)
        assert g.edge_cut(part) == plain.edge_cut(part) == 2


# -- argument binding -------------------------------------------------------

NEW = "Graph.__new__()"
EDGE_CUT = "Graph.edge_cut()"


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, f"{NEW} missing 3 required positional arguments: 'n', 'xadj', and 'adjncy'"),
        ((None,), {}, f"{NEW} missing 2 required positional arguments: 'xadj' and 'adjncy'"),
        ((0, [0]), {}, f"{NEW} missing 1 required positional argument: 'adjncy'"),
        ((), {"xadj": [0]}, f"{NEW} missing 2 required positional arguments: 'n' and 'adjncy'"),
        ((0,), {"adjncy": []}, f"{NEW} missing 1 required positional argument: 'xadj'"),
        ((), {"adjwgt": None, "vwgt": None},
         f"{NEW} missing 3 required positional arguments: 'n', 'xadj', and 'adjncy'"),
        ((0, [0], [], None, None, None), {},
         f"{NEW} takes from 3 to 5 positional arguments but 6 were given"),
        (("bad",) * 7, {}, f"{NEW} takes from 3 to 5 positional arguments but 7 were given"),
        ((0, [0], []), {"weights": []}, f"{NEW} got an unexpected keyword argument 'weights'"),
        ((0, [0], []), {"n": 0}, f"{NEW} got multiple values for argument 'n'"),
        ((0, [0], [], None), {"adjwgt": None}, f"{NEW} got multiple values for argument 'adjwgt'"),
    ],
    ids=["none", "one", "two", "kw-xadj-only", "kw-adjncy", "only-optionals",
         "six", "seven-unconverted", "unknown-kw", "dup-n", "dup-adjwgt"],
)
def test_constructor_binding_errors(args, kwargs, message):
    assert_plain_error(TypeError, message, lambda: Graph(*args, **kwargs))


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, f"{EDGE_CUT} missing 1 required positional argument: 'part'"),
        (([0, 1], [0, 1]), {}, f"{EDGE_CUT} takes 1 positional arguments but 2 were given"),
        (([0, 1],) * 3, {}, f"{EDGE_CUT} takes 1 positional arguments but 3 were given"),
        (([0, 1],), {"part": [0, 1]}, f"{EDGE_CUT} got multiple values for argument 'part'"),
        (([0, 1],), {"parts": [0, 1]}, f"{EDGE_CUT} got an unexpected keyword argument 'parts'"),
    ],
    ids=["missing", "two", "three", "dup-part", "unknown-kw"],
)
def test_edge_cut_binding_errors(args, kwargs, message):
    g = Graph(*P2)
    assert_plain_error(TypeError, message, lambda: g.edge_cut(*args, **kwargs))


def test_edge_cut_accepts_keyword():
    assert Graph(*P2).edge_cut(part=[0, 1]) == 1


# -- conversion errors ------------------------------------------------------

def seq_msg(type_name):
    return f"'{type_name}' object is not an instance of 'Sequence'"


NONE_SEQ = "'None' is not an instance of 'Sequence'"


@pytest.mark.parametrize(
    "args, kwargs, exc_type, param, message",
    [
        # n
        ((2.0, [0, 1, 2], [1, 0]), {}, TypeError, "n", None),
        (("3", [0, 0, 0, 0], []), {}, TypeError, "n", None),
        ((None, [0], []), {}, TypeError, "n", None),
        ((OnlyInt(), [0, 0], []), {}, TypeError, "n", None),
        ((Idx(1.5), [0, 0], []), {}, TypeError, "n", None),
        ((-1, [0], []), {}, OverflowError, "n", None),
        ((2**64, [0], []), {}, OverflowError, "n", None),
        ((Idx(-1), [0], []), {}, OverflowError, "n", None),
        ((RaisingIndex(), [0], []), {}, Boom, "n", "index refused"),
        # xadj: the sequence test
        ((1, None, []), {}, TypeError, "xadj", NONE_SEQ),
        ((1, {0, 1}, []), {}, TypeError, "xadj", seq_msg("set")),
        ((1, frozenset({0, 1}), []), {}, TypeError, "xadj", seq_msg("frozenset")),
        ((1, {0: 0, 1: 0}, []), {}, TypeError, "xadj", seq_msg("dict")),
        ((1, collections.OrderedDict(a=0, b=0), []), {}, TypeError, "xadj", seq_msg("OrderedDict")),
        ((1, iter([0, 0]), []), {}, TypeError, "xadj", seq_msg("list_iterator")),
        ((1, (x for x in [0, 0]), []), {}, TypeError, "xadj", seq_msg("generator")),
        ((1, 5, []), {}, TypeError, "xadj", seq_msg("int")),
        ((1, Holder.NotASequence(), []), {}, TypeError, "xadj", seq_msg("Holder.NotASequence")),
        # xadj: elements
        ((1, [0, 1.0], []), {}, TypeError, "xadj", None),
        ((1, [0, None], []), {}, TypeError, "xadj", None),
        ((1, [0, "1"], []), {}, TypeError, "xadj", None),
        ((1, [0, OnlyInt()], []), {}, TypeError, "xadj", None),
        ((1, [0, -1], []), {}, OverflowError, "xadj", None),
        ((1, [0, 2**64], []), {}, OverflowError, "xadj", None),
        ((1, [0, Idx(2**64)], []), {}, OverflowError, "xadj", None),
        ((1, [0, RaisingIndex()], []), {}, Boom, "xadj", "index refused"),
        ((1, IterSeq([0, 0], fail_after=1), []), {}, Boom, "xadj", "iteration broke"),
        # adjncy
        ((2, [0, 1, 2], [1, -1]), {}, OverflowError, "adjncy", None),
        ((2, [0, 1, 2], [1, 0.0]), {}, TypeError, "adjncy", None),
        ((1, [0, 0], None), {}, TypeError, "adjncy", NONE_SEQ),
        ((1, [0, 0], {1: 2}), {}, TypeError, "adjncy", seq_msg("dict")),
        # adjwgt
        (P2, {"adjwgt": [1.0, 1.0]}, TypeError, "adjwgt", None),
        (P2, {"adjwgt": [OnlyInt(), 1]}, TypeError, "adjwgt", None),
        (P2, {"adjwgt": [2**63, 1]}, OverflowError, "adjwgt", None),
        (P2, {"adjwgt": [-2**63 - 1, 1]}, OverflowError, "adjwgt", None),
        (P2, {"adjwgt": [Idx(2**63), 1]}, OverflowError, "adjwgt", None),
        (P2, {"adjwgt": {1, 2}}, TypeError, "adjwgt", seq_msg("set")),
        (P2, {"adjwgt": iter([1, 1])}, TypeError, "adjwgt", seq_msg("list_iterator")),
        # vwgt
        (P2, {"vwgt": [1.5, 1]}, TypeError, "vwgt", None),
        (P2, {"vwgt": [2**63, 1]}, OverflowError, "vwgt", None),
        (P2, {"vwgt": 7}, TypeError, "vwgt", seq_msg("int")),
        # parameter order decides which error wins, keywords included ...
        ((-1, None, "x"), {}, OverflowError, "n", None),
        ((1, None, "x"), {}, TypeError, "xadj", NONE_SEQ),
        ((1, [0, 0], None), {"adjwgt": "x"}, TypeError, "adjncy", NONE_SEQ),
        ((1, [0, 0], []), {"adjwgt": [1.0], "vwgt": [1.0]}, TypeError, "adjwgt", None),
        ((), {"vwgt": [1.0], "adjwgt": [1.0], "adjncy": [], "xadj": [0, 0], "n": 1},
         TypeError, "adjwgt", None),
        # ... and every conversion comes before the length checks.
        ((3, [0, 1], []), {"vwgt": [1.0]}, TypeError, "vwgt", None),
        (P2, {"adjwgt": [1], "vwgt": {1}}, TypeError, "vwgt", seq_msg("set")),
        ((3, [0, 1], [-1]), {}, OverflowError, "adjncy", None),
    ],
)
def test_constructor_conversion_errors(args, kwargs, exc_type, param, message):
    assert_conversion_error(exc_type, param, lambda: Graph(*args, **kwargs), message)


@pytest.mark.parametrize(
    "part, exc_type, message",
    [
        (None, TypeError, NONE_SEQ),
        ({0, 1}, TypeError, seq_msg("set")),
        (iter([0, 1]), TypeError, seq_msg("list_iterator")),
        (1, TypeError, seq_msg("int")),
        ([0, -1], OverflowError, None),  # conversion fails before the short part is read
        ([0, 2**64], OverflowError, None),
        ([0, 1.0], TypeError, None),
        ([0, RaisingIndex()], Boom, "index refused"),
    ],
    ids=["None", "set", "iterator", "int", "negative", "too-big", "float", "index-raises"],
)
def test_edge_cut_conversion_errors(part, exc_type, message):
    g = triangle()
    assert_conversion_error(exc_type, "part", lambda: g.edge_cut(part), message)


STRING_CALLS = {
    "xadj": lambda s: Graph(1, s, []),
    "adjncy": lambda s: Graph(3, [0, 1], s),  # also wins over the xadj length error
    "adjwgt": lambda s: Graph(*P2, adjwgt=s),
    "vwgt": lambda s: Graph(*P2, vwgt=s),
    "part": lambda s: Graph(*P2).edge_cut(s),
}


class MyStr(str):
    pass


@pytest.mark.parametrize("param", sorted(STRING_CALLS))
@pytest.mark.parametrize("text", ["x", "", MyStr("01")], ids=["str", "empty-str", "str-subclass"])
def test_strings_are_refused_as_vectors(param, text):
    err = assert_conversion_error(TypeError, param, lambda: STRING_CALLS[param](text))
    assert "str" in str(err).lower()


def test_failed_add_note_still_raises_the_conversion_error():
    NoteRefusingError.calls.clear()
    with pytest.raises(NoteRefusingError) as info:
        Graph(IndexFailsWithNoteRefusingError(), [0], [])
    assert info.value.args == ("index failed",)
    assert NoteRefusingError.calls == ["while processing 'n'"]


# -- length rules -----------------------------------------------------------

@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((3, [0, 1], []), {}, "xadj must have length n + 1 (4), got 2"),
        ((0, [], []), {}, "xadj must have length n + 1 (1), got 0"),
        ((1, [0, 0, 0], []), {}, "xadj must have length n + 1 (2), got 3"),
        ((2**64 - 1, [], []), {}, "xadj must have length n + 1 (18446744073709551616), got 0"),
        ((2**64 - 2, [0], []), {}, "xadj must have length n + 1 (18446744073709551615), got 1"),
        (P2, {"adjwgt": [1]}, "adjwgt must have the same length as adjncy (2), got 1"),
        (P2, {"adjwgt": []}, "adjwgt must have the same length as adjncy (2), got 0"),
        (P2, {"adjwgt": [1, 1, 1]}, "adjwgt must have the same length as adjncy (2), got 3"),
        ((0, [0], [1, 2]), {"adjwgt": [1]}, "adjwgt must have the same length as adjncy (2), got 1"),
        (P2, {"adjwgt": [1, 1], "vwgt": [1, 2, 3]}, "vwgt must have length n (2), got 3"),
        (P2, {"vwgt": []}, "vwgt must have length n (2), got 0"),
        ((0, [0], []), {"vwgt": [1]}, "vwgt must have length n (0), got 1"),
        # first violation wins: xadj, then adjwgt, then vwgt
        (P2, {"adjwgt": [1], "vwgt": [1, 2, 3]}, "adjwgt must have the same length as adjncy (2), got 1"),
        ((2, [0, 1], [1, 0]), {"adjwgt": [1], "vwgt": [1]}, "xadj must have length n + 1 (3), got 2"),
    ],
    ids=["xadj-short", "xadj-empty", "xadj-long", "n-max-no-wrap", "n-max-minus-one",
         "adjwgt-short", "adjwgt-empty", "adjwgt-long", "adjwgt-unreferenced",
         "vwgt-long", "vwgt-empty", "vwgt-empty-graph", "adjwgt-before-vwgt", "xadj-first"],
)
def test_length_errors(args, kwargs, message):
    assert_plain_error(ValueError, message, lambda: Graph(*args, **kwargs))


# -- accepted vector forms --------------------------------------------------

VECTOR_FORMS = {
    "list": list,
    "tuple": tuple,
    "bytes": bytes,
    "bytearray": bytearray,
    "memoryview": lambda v: memoryview(bytes(v)),
    "array-q": lambda v: array.array("q", v),
    "array-B": lambda v: array.array("B", v),
    "deque": collections.deque,
    "getitem-only": GetItemOnly,
    "sequence-subclass": IterSeq,
    "index-objects": lambda v: [Idx(x) for x in v],
    "int-subclass": lambda v: [MyInt(x) for x in v],
}


@pytest.mark.parametrize("form", sorted(VECTOR_FORMS))
def test_vector_forms_for_unsigned_vectors(form):
    conv = VECTOR_FORMS[form]
    g = Graph(3, conv(TRIANGLE[1]), conv(TRIANGLE[2]))
    assert repr(g) == "Graph(n=3, edges=6)"
    assert g.edge_cut(conv([0, 0, 1])) == 2
    assert g.edge_cut(conv([0, 1, 2])) == 3


def test_range_and_bool_vectors():
    g = Graph(3, range(0, 7, 2), TRIANGLE[2])
    assert g.edge_cut(range(3)) == 3
    assert g.edge_cut([False, False, True]) == 2
    assert Graph(1, [False, True], [False]).edge_cut([True]) == 0


@pytest.mark.parametrize(
    "adjwgt, cut",
    [
        ([3, 5], 4),
        ((3, 5), 4),
        (range(3, 6, 2), 4),
        (bytes([3, 5]), 4),
        (array.array("q", [3, 5]), 4),
        ([Idx(3), Idx(5)], 4),
        ([True, True], 1),
        ([MyInt(-3), -5], -4),
        ([-2**63, 2**63 - 1], 0),
        (IterSeq([3, 5], length="raise"), 4),
    ],
    ids=["list", "tuple", "range", "bytes", "array", "index", "bool", "negative",
         "int64-limits", "sequence-subclass"],
)
def test_edge_weight_forms(adjwgt, cut):
    # P2 with part [0, 1] cuts both entries: the result is their sum halved.
    assert Graph(*P2, adjwgt=adjwgt).edge_cut([0, 1]) == cut


@pytest.mark.parametrize(
    "vwgt",
    [[1, 2], (0, -7), range(2), bytes([1, 2]), [Idx(4), True], [-2**63, 2**63 - 1]],
    ids=["list", "tuple", "range", "bytes", "index-bool", "int64-limits"],
)
def test_vertex_weight_forms_do_not_change_the_cut(vwgt):
    g = Graph(*P2, vwgt=vwgt)
    assert repr(g) == "Graph(n=2, edges=2)"
    assert g.edge_cut([0, 1]) == 1


@pytest.mark.parametrize(
    "length", ["true", "raise", 0, 1000, -1], ids=["true", "raises", "zero", "too-big", "negative"]
)
def test_vectors_are_read_by_iteration_and_length_is_only_a_hint(length):
    # __getitem__ of IterSeq answers 0 everywhere: a graph read by index would
    # have no edges (or cut nothing); iterating gives the triangle.
    g = Graph(3, IterSeq(TRIANGLE[1], length), IterSeq(TRIANGLE[2], length),
              adjwgt=IterSeq([2] * 6, length), vwgt=IterSeq([1, 1, 1], length))
    assert repr(g) == "Graph(n=3, edges=6)"
    assert g.edge_cut(IterSeq([0, 0, 1], length)) == 4


# -- edge_cut ---------------------------------------------------------------

@pytest.mark.parametrize(
    "args, kwargs, part, cut",
    [
        ((0, [0], []), {}, [], 0),
        ((0, [0], []), {}, [1, 2, 3], 0),
        ((0, [4], [9, 9]), {}, [], 0),                     # n = 0: nothing is read
        (TRIANGLE, {}, [0, 0, 0], 0),
        (TRIANGLE, {}, [0, 0, 1], 2),
        (TRIANGLE, {}, [0, 1, 2], 3),
        (TRIANGLE, {"adjwgt": [5] * 6}, [0, 0, 1], 10),
        (TRIANGLE, {"vwgt": [5, 6, 7]}, [0, 0, 1], 2),
        (TRIANGLE, {}, [0, 0, 1, 7, 7], 2),                # extra ids are ignored
        (TRIANGLE, {}, [2**64 - 1, 2**64 - 1, 0], 2),      # ids are only compared
        ((3, [0, 1, 2, 2], [1, 0]), {}, [0, 1], 1),        # short part, vertex 2 isolated
        ((1, [0, 1], [0]), {}, [0], 0),                    # self-loop
        ((2, [0, 2, 3], [0, 1, 0]), {}, [0, 1], 1),        # self-loop beside a real edge
        ((2, [0, 2, 3], [1, 1, 0]), {}, [0, 1], 1),        # repeated entry: 3 halved
        ((2, [0, 1, 1], [1]), {"adjwgt": [3]}, [0, 1], 1),  # one-directional, 3 halved
        ((2, [0, 1, 1], [1]), {"adjwgt": [-3]}, [0, 1], -1),  # truncates toward zero
        ((2, [0, 1, 1], [1]), {"adjwgt": [2**63 - 1]}, [0, 1], 2**62 - 1),
        ((2, [0, 1, 1], [1]), {"adjwgt": [-2**63]}, [0, 1], -2**62),
        (TRIANGLE, {"adjwgt": [1, -4, 1, 2, -4, 2]}, [0, 0, 1], -2),
        (TRIANGLE, {"adjwgt": [0] * 6}, [0, 1, 2], 0),
        ((2, [2, 3, 4], [9, 9, 1, 0]), {}, [0, 1], 1),     # xadj[0] need not be 0
        ((2, [0, 1, 2], [1, 5]), {}, [0, 1, 0, 0, 0, 0], 1),  # neighbour >= n, part long enough
    ],
)
def test_edge_cut_values(args, kwargs, part, cut):
    result = Graph(*args, **kwargs).edge_cut(part)
    assert type(result) is int
    assert result == cut


@pytest.mark.parametrize("seed", range(8))
def test_edge_cut_matches_a_recount_on_random_graphs(seed):
    n, xadj, adjncy, adjwgt, vwgt = random_graph_arrays(seed)
    g = Graph(n, xadj, adjncy, adjwgt, vwgt)
    rng = random.Random(seed)
    for k in (1, 2, 5, n):
        part = [rng.randrange(k) for _ in range(n)]
        assert g.edge_cut(part) == reference_edge_cut(xadj, adjncy, part, adjwgt), (
            f"seed={seed} k={k}")


@pytest.mark.parametrize(
    "args, part",
    [
        (TRIANGLE, [0, 1]),                   # vertex 2 has a range but no part id
        (TRIANGLE, []),
        (P2, [0]),                            # neighbour 1 is past the part vector
        ((2, [0, 1, 2], [1, 5]), [0, 1]),     # neighbour id >= n
        ((2, [0, 2, 1], [1, 0]), [0, 1]),     # decreasing xadj pair
        ((1, [0, 3], [0]), [0]),              # range runs past the end of adjncy
        ((1, [5, 6], [0]), [0]),              # range starts past the end of adjncy
    ],
    ids=["part-short", "part-empty", "neighbour-past-part", "neighbour-ge-n",
         "decreasing-xadj", "range-past-end", "range-outside"],
)
def test_edge_cut_internal_failures(args, part):
    g = Graph(*args)
    first = internal_failure(lambda: g.edge_cut(part))
    # Nothing of the failed call lingers: the graph is unchanged and a second
    # call fails the same way.
    again = internal_failure(lambda: g.edge_cut(part))
    assert type(again) is type(first) and again.args == first.args
    assert repr(g) == f"Graph(n={args[0]}, edges={len(args[2])})"


# -- the class itself -------------------------------------------------------

def test_class_identity():
    assert Graph.__name__ == "Graph"
    assert Graph.__qualname__ == "Graph"
    assert Graph.__module__ == "dravik"
    assert Graph.__bases__ == (object,)
    assert Graph is dravik.Graph


@pytest.mark.parametrize(
    "get, expected",
    [
        (lambda: Graph.__doc__,
         "A graph in Compressed Sparse Row (CSR) format, ready for partitioning."),
        (lambda: Graph.__text_signature__, "(n, xadj, adjncy, adjwgt=None, vwgt=None)"),
        (lambda: Graph.edge_cut.__doc__,
         "Total weight of edges crossing the given partition assignment."),
        (lambda: Graph.edge_cut.__text_signature__, "($self, part)"),
        (lambda: Graph.n.__doc__, None),
    ],
    ids=["class-doc", "class-signature", "edge_cut-doc", "edge_cut-signature", "n-doc"],
)
def test_docstrings(get, expected):
    assert get() == expected


def test_cannot_be_subclassed():
    with pytest.raises(TypeError):
        class Sub(Graph):
            pass


def test_instances_have_no_dict_and_no_weakrefs():
    g = triangle()
    assert not hasattr(g, "__dict__")
    with pytest.raises(AttributeError):
        g.extra = 1
    with pytest.raises(TypeError):
        weakref.ref(g)


def test_no_behaviour_beyond_identity():
    a, b = triangle(), triangle()
    assert a == a and a != b
    for op in (lambda: a < b, lambda: len(a), lambda: a[0], lambda: pickle.dumps(a)):
        with pytest.raises(TypeError):
            op()


def test_type_object_is_mutable():
    Graph._probe_attribute = 1
    try:
        assert triangle()._probe_attribute == 1
    finally:
        del Graph._probe_attribute
    assert not hasattr(Graph, "_probe_attribute")


# -- numpy arrays -----------------------------------------------------------

INT_DTYPES = ["int8", "int16", "int32", "int64", "uint8", "uint16", "uint32", "uint64",
              ">i2", ">i4", ">i8", ">u4", ">u8", "<i4"]


@pytest.mark.parametrize("dtype", INT_DTYPES)
def test_numpy_int_arrays(np, dtype):
    arr = lambda v: np.array(v, dtype=dtype)
    g = Graph(np.int64(3), arr(TRIANGLE[1]), arr(TRIANGLE[2]),
              adjwgt=arr([5] * 6), vwgt=arr([1, 2, 3]))
    assert repr(g) == "Graph(n=3, edges=6)"
    assert g.n == 3
    assert g.edge_cut(arr([0, 0, 1])) == 10


@pytest.mark.parametrize(
    "view",
    ["strided", "reversed", "column", "fortran-column"],
)
def test_numpy_non_contiguous_views(np, view):
    def make(values):
        values = np.asarray(values, dtype=np.int64)
        if view == "strided":
            out = np.zeros(2 * len(values), dtype=np.int64) + 99
            out[::2] = values
            return out[::2]
        if view == "reversed":
            return values[::-1].copy()[::-1]
        if view == "column":
            return np.stack([values + 50, values], axis=1)[:, 1]
        return np.asfortranarray(np.stack([values, values + 50]))[0]

    arrays = [make(v) for v in (TRIANGLE[1], TRIANGLE[2], [0, 0, 1])]
    assert not any(a.flags["C_CONTIGUOUS"] for a in arrays)
    g = Graph(3, arrays[0], arrays[1])
    assert g.edge_cut(arrays[2]) == 2


@pytest.mark.parametrize(
    "build, exc_type, param",
    [
        (lambda np: Graph(1, np.array([0, -1]), []), OverflowError, "xadj"),
        (lambda np: Graph(2, [0, 1, 2], np.array([1, -1], dtype=">i8")), OverflowError, "adjncy"),
        (lambda np: Graph(*P2).edge_cut(np.array([0, -1], dtype=np.int8)), OverflowError, "part"),
        (lambda np: Graph(*P2, adjwgt=np.array([2**63, 1], dtype=np.uint64)), OverflowError, "adjwgt"),
        (lambda np: Graph(1, np.array([0.0, 0.0]), []), TypeError, "xadj"),
        (lambda np: Graph(*P2, vwgt=np.array([1.0, 2.0], dtype=np.float32)), TypeError, "vwgt"),
        (lambda np: Graph(np.int64(-1), [0], []), OverflowError, "n"),
        (lambda np: Graph(np.float64(1.0), [0, 0], []), TypeError, "n"),
    ],
    ids=["negative-xadj", "negative-adjncy-big-endian", "negative-part", "adjwgt-too-big",
         "float-xadj", "float32-vwgt", "negative-n-scalar", "float-n-scalar"],
)
def test_numpy_conversion_errors(np, build, exc_type, param):
    assert_conversion_error(exc_type, param, lambda: build(np))


def test_numpy_value_limits(np):
    g = triangle()
    assert g.edge_cut(np.array([2**64 - 1, 2**64 - 1, 0], dtype=np.uint64)) == 2
    w = Graph(2, [0, 1, 1], [1], adjwgt=np.array([-2**63], dtype=np.int64))
    assert w.edge_cut(np.array([0, 1])) == -2**62
    assert Graph(np.array(2), np.zeros(3, dtype=np.uint8), []).n == 2
