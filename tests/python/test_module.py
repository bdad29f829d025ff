"""The dravik module object: attributes, the partition function object, loading."""

import importlib.machinery
import importlib.util
import subprocess
import sys
import textwrap
import types

import pytest

import dravik
from _support import TRIANGLE, internal_failure


def test_module_attributes():
    assert dravik.__all__ == ["Graph", "partition"]
    assert dravik.__doc__ == ""
    assert dravik.__name__ == "dravik"
    assert isinstance(dravik.Graph, type)
    assert dravik.__file__.endswith(tuple(importlib.machinery.EXTENSION_SUFFIXES))


@pytest.mark.parametrize(
    "attr, expected",
    [
        ("__name__", "partition"),
        ("__qualname__", "partition"),
        ("__module__", "dravik"),
        ("__text_signature__", "(graph, nparts)"),
        ("__doc__",
         "partition(graph, nparts) -> (edge_cut, part)\n\n"
         "Partitions `graph` into `nparts` parts. `part[u]` is the 0-based part\n"
         "ID assigned to vertex `u`."),
    ],
)
def test_partition_function_metadata(attr, expected):
    assert getattr(dravik.partition, attr) == expected


def test_partition_is_a_builtin_bound_to_the_module():
    assert type(dravik.partition) is types.BuiltinFunctionType
    assert dravik.partition.__self__ is dravik


def test_internal_failure_class_is_shared_and_not_exported():
    g = dravik.Graph(*TRIANGLE)
    from_method = internal_failure(lambda: g.edge_cut([0]))
    bad = dravik.Graph(4, [0, 1, 2, 3, 4], [1, 0, 3, 9])
    from_function = internal_failure(lambda: dravik.partition(bad, 2))
    assert type(from_method) is type(from_function)
    assert type(from_method) not in (getattr(dravik, name) for name in dravik.__all__)


def test_second_module_object_reuses_the_class():
    found = importlib.util.find_spec("dravik")
    other = importlib.util.module_from_spec(found)
    found.loader.exec_module(other)
    assert other is not dravik
    assert other.__all__ == ["Graph", "partition"]
    assert other.Graph is dravik.Graph
    assert other.partition.__self__ is other
    assert other.partition(dravik.Graph(*TRIANGLE), 3) == (3, [0, 1, 2])


IMPORT_IN_THREADS = textwrap.dedent(
    """
    import sys, threading

    THREADS = 8
    barrier = threading.Barrier(THREADS)
    seen, errors = [], []

    def work():
        try:
            barrier.wait()
            import dravik
            g = dravik.Graph(3, [0, 2, 4, 6], [1, 2, 0, 2, 0, 1])
            seen.append((id(dravik), id(dravik.Graph), tuple(dravik.__all__),
                         dravik.partition(g, 3), g.edge_cut([0, 0, 1])))
        except BaseException as err:
            errors.append(repr(err))

    threads = [threading.Thread(target=work) for _ in range(THREADS)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if errors:
        sys.exit("errors: %r" % errors)
    if len(seen) != THREADS or len(set(map(repr, seen))) != 1:
        sys.exit("disagreement: %r" % seen)
    mod_id, cls_id, names, result, cut = seen[0]
    if names != ("Graph", "partition") or result != (3, [0, 1, 2]) or cut != 2:
        sys.exit("wrong values: %r" % (seen[0],))
    print("ok")
    """
)


def test_import_from_several_threads_at_once():
    proc = subprocess.run([sys.executable, "-c", IMPORT_IN_THREADS],
                          capture_output=True, text=True, timeout=120)
    assert proc.returncode == 0, proc.stderr + proc.stdout
    assert proc.stdout.strip() == "ok"
