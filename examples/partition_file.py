"""Partition a graph file in the common plain-text adjacency format.

    python examples/partition_file.py GRAPH_FILE NPARTS

The format: '%' lines are comments; the first other line is `n m [fmt]`
(fmt 1: edge weights, 10: vertex weights, 11: both); then one line per
vertex listing its 1-based neighbours (with fmt 1x the vertex weight first,
with fmt x1 each neighbour followed by the edge weight). An empty line is a
vertex without neighbours. Files ending in .gz are read through gzip.
"""

import gzip
import sys
import time

import dravik


def read_graph(path):
    """Returns (n, xadj, adjncy, adjwgt or None, vwgt or None)."""
    opener = gzip.open if str(path).endswith(".gz") else open
    with opener(path, "rt") as f:
        lines = (line.rstrip("\n") for line in f)
        header = next(line for line in lines if not line.startswith("%"))
        fields = header.split()
        n = int(fields[0])
        fmt = fields[2] if len(fields) > 2 else "0"
        fmt = fmt.zfill(3)
        has_vwgt, has_ewgt = fmt[1] == "1", fmt[2] == "1"
        xadj = [0]
        adjncy = []
        adjwgt = [] if has_ewgt else None
        vwgt = [] if has_vwgt else None
        for line in lines:
            if line.startswith("%"):
                continue
            values = [int(t) for t in line.split()]
            if has_vwgt:
                vwgt.append(values[0])
                values = values[1:]
            if has_ewgt:
                adjncy.extend(v - 1 for v in values[0::2])
                adjwgt.extend(values[1::2])
            else:
                adjncy.extend(v - 1 for v in values)
            xadj.append(len(adjncy))
            if len(xadj) == n + 1:
                break
    if len(xadj) != n + 1:
        raise ValueError(f"{path}: expected {n} vertex lines, found {len(xadj) - 1}")
    return n, xadj, adjncy, adjwgt, vwgt


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    path, nparts = argv[1], int(argv[2])
    n, xadj, adjncy, adjwgt, vwgt = read_graph(path)
    graph = dravik.Graph(n, xadj, adjncy, adjwgt=adjwgt, vwgt=vwgt)
    start = time.perf_counter()
    cut, part = dravik.partition(graph, nparts)
    seconds = time.perf_counter() - start
    weights = [0] * max(nparts, 1)
    for v, p in enumerate(part):
        weights[p] += vwgt[v] if vwgt is not None else 1
    print(f"{graph!r} into {nparts} parts: edge cut {cut} in {seconds:.3f} s")
    print(f"part weights: min {min(weights)}, max {max(weights)}, average {sum(weights) / len(weights):.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
