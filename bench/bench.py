#!/usr/bin/env python3
"""Benchmark of dravik.partition: speed, quality, balance and peak memory,
with Scotch (the Debian `scotch` package: gcv, scotch_gpart) as the peer.

    python bench/bench.py [--quick] [--graphs NAME,...] [--nparts 2,8]
                          [--no-scotch] [--timeout SECONDS]

Prints one Markdown table of partition measurements on stdout, followed by a
small table of Graph construction times; progress goes to stderr. See
bench/README.md for what every column means.

Every (graph, nparts) measurement runs in a fresh child process (this script,
started again with a hidden flag) so that its peak memory can be read from the
kernel, and so that a slow case can be killed after --timeout seconds.
"""

import argparse
import ctypes
import gzip
import json
import math
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

HERE = Path(__file__).resolve().parent
REPO = HERE.parent
DEFAULT_SHARED = Path(__file__).resolve().parents[2] / "shared" / "graphs"

DEFAULT_NPARTS = (2, 8, 32, 64, 1024)
PARTITION_RUNS = 3        # partition calls per (graph, nparts); the median is reported
SWEEP_RUNS = 5            # g.edge_cut(part) calls per (graph, nparts); the median is reported
CONSTRUCT_RUNS = 3        # Graph(...) calls per input kind
SCOTCH_CHEAP_SECONDS = 5.0  # a Scotch run faster than this (wall clock, with I/O) is repeated to 3 runs
IMBALANCE = "0.05"        # Scotch's -b option, the same 5 % that dravik's limit allows

# Generated graphs, by name. Quick runs use only the small ones.
GENERATED_DEFAULT = ("grid_100x100", "grid_1000x1000", "grid_2000x2000", "empty_1M")
GENERATED_QUICK = ("grid_100x100", "empty_10k")
QUICK_SHARED_MAX_N = 5000
CONSTRUCT_GRAPH_DEFAULT = "grid_1000x1000"
CONSTRUCT_GRAPH_QUICK = "grid_100x100"


# --------------------------------------------------------------------------
# Memory probes (Linux /proc)

def _status_kib(*keys):
    values = {}
    with open("/proc/self/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in keys:
                values[key] = int(rest.split()[0])
    return values


_LIBC = None


def _trim_heap():
    """Hands free malloc memory back to the kernel, so that memory freed before
    a measurement is not silently reused by the measured call (which would hide
    part of its footprint from VmHWM)."""
    global _LIBC
    try:
        if _LIBC is None:
            _LIBC = ctypes.CDLL("libc.so.6")
        _LIBC.malloc_trim(0)
    except (OSError, AttributeError):
        pass


def reset_peak():
    """Resets VmHWM to the current VmRSS; returns VmRSS in KiB."""
    _trim_heap()
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")
    return _status_kib("VmRSS")["VmRSS"]


def peak_kib():
    return _status_kib("VmHWM")["VmHWM"]


def clear_refs_works():
    """Checks in this process that writing 5 to clear_refs lowers VmHWM."""
    try:
        block = np.ones(64 * 1024 * 1024 // 8)  # 64 MiB, touched
        del block
        _trim_heap()
        before = _status_kib("VmHWM", "VmRSS")
        with open("/proc/self/clear_refs", "w") as f:
            f.write("5")
        after = _status_kib("VmHWM", "VmRSS")
        return after["VmHWM"] < before["VmHWM"] and after["VmHWM"] <= after["VmRSS"] + 1024
    except OSError:
        return False


class SamplingPeak:
    """Fallback when clear_refs is unavailable: samples VmRSS every millisecond
    in a thread (misses spikes shorter than that)."""

    def __init__(self):
        import threading
        self._stop = threading.Event()
        self.peak = _status_kib("VmRSS")["VmRSS"]
        self._thread = threading.Thread(target=self._run, daemon=True)

    def _run(self):
        while not self._stop.is_set():
            self.peak = max(self.peak, _status_kib("VmRSS")["VmRSS"])
            self._stop.wait(0.001)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        self.peak = max(self.peak, _status_kib("VmRSS")["VmRSS"])


class PeakProbe:
    """with PeakProbe(use_clear_refs) as p: ...; then p.kib = peak growth."""

    def __init__(self, use_clear_refs):
        self.use_clear_refs = use_clear_refs
        self.kib = None

    def __enter__(self):
        if self.use_clear_refs:
            self.before = reset_peak()
        else:
            _trim_heap()
            self.before = _status_kib("VmRSS")["VmRSS"]
            self.sampler = SamplingPeak().__enter__()
        return self

    def __exit__(self, *exc):
        if self.use_clear_refs:
            self.kib = peak_kib() - self.before
        else:
            self.sampler.__exit__(*exc)
            self.kib = self.sampler.peak - self.before


# --------------------------------------------------------------------------
# Graphs

def grid_graph(width, height):
    """4-neighbour grid, vertex r*width+c, neighbours in ascending order."""
    n = width * height
    v = np.arange(n, dtype=np.int64)
    r, c = np.divmod(v, width)
    cand = np.stack([v - width, v - 1, v + 1, v + width], axis=1)
    mask = np.stack([r > 0, c > 0, c < width - 1, r < height - 1], axis=1)
    deg = mask.sum(axis=1, dtype=np.int64)
    xadj = np.zeros(n + 1, dtype=np.int64)
    np.cumsum(deg, out=xadj[1:])
    adjncy = cand[mask]
    return n, xadj, adjncy, None, None


def empty_graph(n):
    return n, np.zeros(n + 1, dtype=np.int64), np.zeros(0, dtype=np.int64), None, None


def parse_count(text):
    m = re.fullmatch(r"(\d+)([kKmM]?)", text)
    if not m:
        raise ValueError(text)
    scale = {"": 1, "k": 1000, "K": 1000, "m": 1000 ** 2, "M": 1000 ** 2}[m.group(2)]
    return int(m.group(1)) * scale


def generated_loader(name):
    """Returns a loader for grid_WxH or empty_N (N may end in k or M), or None."""
    m = re.fullmatch(r"grid_(\d+)x(\d+)", name)
    if m:
        w, h = int(m.group(1)), int(m.group(2))
        return lambda: grid_graph(w, h)
    m = re.fullmatch(r"empty_(\d+[kKmM]?)", name)
    if m:
        n = parse_count(m.group(1))
        return lambda: empty_graph(n)
    return None


def shared_name(path):
    name = path.name
    for suffix in (".gz", ".graph"):
        if name.endswith(suffix):
            name = name[: -len(suffix)]
    return name


def shared_files(shared_dir):
    if not shared_dir.is_dir():
        return []
    return sorted(p for p in shared_dir.iterdir()
                  if p.name.endswith((".graph", ".graph.gz")) and p.is_file())


def file_vertex_count(path):
    opener = gzip.open if str(path).endswith(".gz") else open
    with opener(path, "rt") as f:
        for line in f:
            if not line.startswith("%") and line.strip():
                return int(line.split()[0])
    return 0


def read_shared(path):
    """Reads a graph file with the project's own reader (examples/)."""
    sys.path.insert(0, str(REPO / "examples"))
    try:
        from partition_file import read_graph
    finally:
        sys.path.pop(0)
    n, xadj, adjncy, adjwgt, vwgt = read_graph(path)
    as64 = lambda a: None if a is None else np.asarray(a, dtype=np.int64)
    return n, as64(xadj), as64(adjncy), as64(adjwgt), as64(vwgt)


def save_cache(directory, graph):
    n, xadj, adjncy, adjwgt, vwgt = graph
    directory.mkdir(parents=True, exist_ok=True)
    (directory / "n.txt").write_text(str(n))
    for key, arr in (("xadj", xadj), ("adjncy", adjncy), ("adjwgt", adjwgt), ("vwgt", vwgt)):
        if arr is not None:
            np.save(directory / f"{key}.npy", np.ascontiguousarray(arr, dtype=np.int64))


def load_cache(directory):
    n = int((directory / "n.txt").read_text())
    arrays = []
    for key in ("xadj", "adjncy", "adjwgt", "vwgt"):
        p = directory / f"{key}.npy"
        arrays.append(np.load(p) if p.exists() else None)
    return (n, *arrays)


def graph_memory_bytes(n, adjncy, adjwgt, vwgt):
    """What the core keeps for an input Graph: 64-bit vectors."""
    return 8 * ((n + 1) + len(adjncy) + (0 if adjwgt is None else len(adjwgt))
                + (0 if vwgt is None else len(vwgt)))


def write_plain_graph(path, n, xadj, adjncy):
    """Writes an unweighted graph in the common plain-text format, vectorised:
    line v lists the 1-based neighbours of v separated by spaces; a vertex
    without neighbours gets an empty line."""
    m2 = len(adjncy)
    values = adjncy + 1
    ndig = np.ones(m2, dtype=np.int64)
    bound = 10
    while m2 and bound <= values.max():
        ndig += values >= bound
        bound *= 10
    deg = np.diff(xadj)
    empty = deg == 0
    empty_before = np.cumsum(empty) - empty                   # empty rows before row v
    entry_len = ndig + 1                                       # digits + separator
    excl = np.zeros(m2 + 1, dtype=np.int64)
    np.cumsum(entry_len, out=excl[1:])
    row = np.repeat(np.arange(n, dtype=np.int64), deg)
    start = excl[:-1] + empty_before[row]
    total = int(excl[-1] + empty.sum())
    buf = np.full(total, ord(" "), dtype=np.uint8)
    power = np.ones(m2, dtype=np.int64)
    for d in range(int(ndig.max()) if m2 else 0):
        has = ndig > d
        pos = start[has] + ndig[has] - 1 - d
        buf[pos] = (ord("0") + (values[has] // power[has]) % 10).astype(np.uint8)
        power *= 10
    last = xadj[1:][~empty] - 1                                # last entry of each non-empty row
    buf[start[last] + ndig[last]] = ord("\n")
    buf[excl[xadj[:-1][empty]] + empty_before[empty]] = ord("\n")
    with open(path, "wb") as f:
        f.write(f"{n} {m2 // 2}\n".encode())
        f.write(buf.tobytes())


# --------------------------------------------------------------------------
# Child processes

def child_partition(cache_dir, nparts, out_path, use_clear_refs):
    """One (graph, nparts) measurement; writes one JSON line per stage to
    out_path so that a timed-out run still reports what it finished."""
    import dravik

    out = open(out_path, "w")

    def emit(**kw):
        out.write(json.dumps(kw) + "\n")
        out.flush()

    n, xadj, adjncy, adjwgt, vwgt = load_cache(Path(cache_dir))
    g = dravik.Graph(n, xadj, adjncy, adjwgt=adjwgt, vwgt=vwgt)
    emit(stage="graph", graph_bytes=graph_memory_bytes(n, adjncy, adjwgt, vwgt))

    with PeakProbe(use_clear_refs) as probe:
        t0 = time.perf_counter()
        cut, part = dravik.partition(g, nparts)
        seconds = time.perf_counter() - t0
    emit(stage="run", seconds=seconds, peak_kib=probe.kib, cut=cut)

    part_np = np.asarray(part, dtype=np.int64)
    del part
    sweeps = []
    for _ in range(SWEEP_RUNS):
        t0 = time.perf_counter()
        g.edge_cut(part_np)
        sweeps.append(time.perf_counter() - t0)
    emit(stage="sweep", seconds=statistics.median(sweeps))

    # Independent check of the result and the balance, with NumPy.
    bad_range = bool(n and (part_np.min() < 0 or part_np.max() >= max(nparts, 1)))
    weights = np.ones(n, dtype=np.int64) if vwgt is None else vwgt
    if bad_range:
        max_over_avg, check_cut = float("nan"), None
    else:
        loads = np.bincount(part_np, weights=weights, minlength=max(nparts, 1))
        avg = weights.sum() / max(nparts, 1)
        max_over_avg = float(loads.max() / avg) if avg else float("nan")
        src = np.repeat(np.arange(n, dtype=np.int64), np.diff(xadj))
        crossing = part_np[src] != part_np[adjncy]
        del src
        check_cut = int((adjwgt[crossing].sum() if adjwgt is not None else crossing.sum()) // 2)
    emit(stage="check", max_over_avg=max_over_avg, check_cut=check_cut, bad_range=bad_range)
    del part_np

    for _ in range(PARTITION_RUNS - 1):
        t0 = time.perf_counter()
        result = dravik.partition(g, nparts)
        emit(stage="run", seconds=time.perf_counter() - t0, cut=result[0])
        del result
    out.close()


def child_construct(cache_dir, out_path, use_clear_refs):
    import dravik

    n, xadj, adjncy, adjwgt, vwgt = load_cache(Path(cache_dir))
    lists = (xadj.tolist(), adjncy.tolist())
    out = open(out_path, "w")
    for kind, (x, a) in (("NumPy int64 arrays", (xadj, adjncy)), ("Python lists", lists)):
        times, peak = [], None
        for i in range(CONSTRUCT_RUNS):
            with PeakProbe(use_clear_refs) as probe:
                t0 = time.perf_counter()
                g = dravik.Graph(n, x, a)
                times.append(time.perf_counter() - t0)
            if i == 0:
                peak = probe.kib
            del g
        out.write(json.dumps(dict(kind=kind, n=n, entries=len(adjncy), seconds=statistics.median(times),
                                  peak_kib=peak,
                                  graph_bytes=graph_memory_bytes(n, adjncy, None, None))) + "\n")
        out.flush()
    out.close()


def child_rss_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def run_child(args_list, timeout, max_rss_kib):
    """Runs this script as a child, stopping it after `timeout` seconds or when
    its resident memory passes `max_rss_kib`. Returns (status, JSON records);
    status is ok, error, timeout or memory."""
    fd, out_path = tempfile.mkstemp(prefix="dravik-bench-", suffix=".jsonl")
    os.close(fd)
    try:
        return _run_child(args_list, timeout, max_rss_kib, out_path)
    finally:
        os.unlink(out_path)


def _run_child(args_list, timeout, max_rss_kib, out_path):
    err_file = tempfile.TemporaryFile()
    cmd = [sys.executable, str(Path(__file__).resolve()), *args_list, out_path]
    proc = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err_file)
    status = "ok"
    started = time.monotonic()
    deadline = started + timeout
    try:
        while proc.poll() is None:
            if time.monotonic() > deadline:
                status = "timeout"
            elif max_rss_kib and child_rss_kib(proc.pid) > max_rss_kib:
                status = "memory"
            if status != "ok":
                proc.kill()
                print(f"    child stopped ({status}) after {time.monotonic() - started:.1f} s", file=sys.stderr)
                break
            time.sleep(0.02)
    finally:
        if proc.poll() is None:
            proc.kill()
        proc.wait()
    if status == "ok" and proc.returncode != 0:
        status = "error"
        err_file.seek(0)
        tail = err_file.read().decode(errors="replace").strip().splitlines()[-3:]
        print("    child failed (exit %d): %s" % (proc.returncode, " | ".join(tail)), file=sys.stderr)
    err_file.close()
    records = []
    with open(out_path) as f:
        for line in f:
            if line.endswith("\n"):
                records.append(json.loads(line))
    return status, records


# --------------------------------------------------------------------------
# Scotch

def scotch_available():
    return shutil.which("gcv") is not None and shutil.which("scotch_gpart") is not None


def scotch_convert(plain_path, grf_path, timeout):
    subprocess.run(["gcv", "-ic", str(plain_path), str(grf_path)], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=timeout)
    with open(grf_path) as f:
        f.readline()
        vertnbr, edgenbr = (int(t) for t in f.readline().split())
        baseval = int(f.readline().split()[0])
    return vertnbr, edgenbr, baseval


def scotch_once(grf_path, baseval, n, nparts, workdir, timeout):
    map_path = Path(workdir) / "out.map"
    t0 = time.perf_counter()
    proc = subprocess.run(["scotch_gpart", str(nparts), str(grf_path), str(map_path),
                           "-b" + IMBALANCE, "-vmt"],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout, check=True)
    wall = time.perf_counter() - t0
    text = proc.stdout.decode(errors="replace")
    m = re.search(r"^T\s+Mapping\s+(\S+)", text, re.MULTILINE)
    seconds = float(m.group(1)) if m else float("nan")
    raw = np.loadtxt(map_path, dtype=np.int64, skiprows=1, ndmin=2)
    part = np.zeros(n, dtype=np.int64)
    if raw.size:
        part[raw[:, 0] - baseval] = raw[:, 1]
    map_path.unlink()
    return seconds, wall, part


def scotch_measure(grf_path, baseval, graph, nparts, workdir, timeout):
    n, xadj, adjncy, adjwgt, vwgt = graph
    runs = []
    try:
        runs.append(scotch_once(grf_path, baseval, n, nparts, workdir, timeout))
        if runs[0][1] < SCOTCH_CHEAP_SECONDS:
            for _ in range(2):
                runs.append(scotch_once(grf_path, baseval, n, nparts, workdir, timeout))
    except subprocess.TimeoutExpired:
        return {"status": "timeout"}
    except subprocess.CalledProcessError as exc:
        print("    scotch_gpart failed: %s" % exc.stdout.decode(errors="replace").strip()[-200:],
              file=sys.stderr)
        return {"status": "error"}
    runs.sort(key=lambda r: r[0])
    seconds, _, part = runs[len(runs) // 2]
    src = np.repeat(np.arange(n, dtype=np.int64), np.diff(xadj))
    crossing = part[src] != part[adjncy]
    del src
    cut = int((adjwgt[crossing].sum() if adjwgt is not None else crossing.sum()) // 2)
    weights = np.ones(n, dtype=np.int64) if vwgt is None else vwgt
    loads = np.bincount(part, weights=weights, minlength=nparts)
    avg = weights.sum() / nparts
    return {"status": "ok", "seconds": seconds, "cut": cut, "runs": len(runs),
            "max_over_avg": float(loads.max() / avg) if avg else float("nan")}


# --------------------------------------------------------------------------
# Formatting

def fmt_sig(x, digits=3):
    if x is None or (isinstance(x, float) and math.isnan(x)):
        return "-"
    if x == 0:
        return "0"
    decimals = max(0, digits - 1 - int(math.floor(math.log10(abs(x)))))
    return f"{x:.{decimals}f}"


def fmt_fixed(x, decimals):
    if x is None or (isinstance(x, float) and math.isnan(x)):
        return "-"
    return f"{x:.{decimals}f}"


def markdown_table(header, rows, right):
    widths = [max(len(str(c)) for c in col) for col in zip(header, *rows)]
    def line(cells):
        out = []
        for c, w, r in zip(cells, widths, right):
            out.append(str(c).rjust(w) if r else str(c).ljust(w))
        return "| " + " | ".join(out) + " |"
    sep = "|" + "|".join(("-" * (w + 1) + ":") if r else (":" + "-" * (w + 1)) for w, r in zip(widths, right)) + "|"
    return "\n".join([line(header), sep] + [line(r) for r in rows])


# --------------------------------------------------------------------------
# Main

def parse_args(argv):
    p = argparse.ArgumentParser(description="Benchmark dravik.partition (and Scotch as the peer).")
    p.add_argument("--quick", action="store_true",
                   help="only small graphs (completes in well under a minute)")
    p.add_argument("--graphs", help="comma-separated graph names (grid_WxH, empty_N, or a shared file's name "
                                    "without .graph/.graph.gz, e.g. 3elt,wave)")
    p.add_argument("--nparts", help="comma-separated part counts (default 2,8,32,64,1024); "
                                    "a count k is used only where n > 2k")
    p.add_argument("--no-scotch", action="store_true", help="skip the Scotch columns")
    p.add_argument("--timeout", type=float, default=300.0,
                   help="seconds allowed for each child measurement and each Scotch run (default 300)")
    p.add_argument("--max-memory", type=float, default=None,
                   help="GiB of resident memory allowed for each child measurement; a child above it is "
                        "stopped and its row shows 'memory' (default: half of MemAvailable at start)")
    p.add_argument("--shared-dir", type=Path, default=DEFAULT_SHARED,
                   help="directory of shared graph files (default: <repo>/../shared/graphs)")
    p.add_argument("--no-construction", action="store_true", help="skip the Graph construction table")
    p.add_argument("--_child", nargs=3, help=argparse.SUPPRESS)
    p.add_argument("--_construct", nargs=2, help=argparse.SUPPRESS)
    return p.parse_args(argv)


def select_graphs(args, notes):
    """Returns a list of (name, kind, source) with kind 'gen' or 'file'."""
    files = shared_files(args.shared_dir)
    by_name = {shared_name(p): p for p in files}
    if not files and not args.graphs:
        notes.append(f"shared graphs skipped: {args.shared_dir} not found or empty")
    chosen = []
    if args.graphs:
        for name in (s.strip() for s in args.graphs.split(",") if s.strip()):
            if generated_loader(name):
                chosen.append((name, "gen", name))
            elif name in by_name:
                chosen.append((name, "file", by_name[name]))
            else:
                sys.exit(f"unknown graph {name!r}; known: grid_WxH, empty_N, " + ", ".join(sorted(by_name)))
        return chosen
    for name in (GENERATED_QUICK if args.quick else GENERATED_DEFAULT):
        chosen.append((name, "gen", name))
    sized = sorted((file_vertex_count(p), shared_name(p), p) for p in files)
    for n, name, p in sized:
        if args.quick and n > QUICK_SHARED_MAX_N:
            continue
        chosen.append((name, "file", p))
    return chosen


def main(argv):
    args = parse_args(argv)
    if args._child:
        cache_dir, nparts, out_path = args._child
        child_partition(cache_dir, int(nparts), out_path, clear_refs_works())
        return 0
    if args._construct:
        cache_dir, out_path = args._construct
        child_construct(cache_dir, out_path, clear_refs_works())
        return 0

    signal.signal(signal.SIGTERM, _terminate)
    notes = []
    if args.max_memory is None:
        args.max_memory = mem_available_kib() / 2 / 1024 ** 2
    max_rss_kib = int(args.max_memory * 1024 ** 2)
    args.max_rss_kib = max_rss_kib
    nparts_list = ([int(s) for s in args.nparts.split(",") if s.strip()] if args.nparts
                   else list(DEFAULT_NPARTS))
    use_scotch = not args.no_scotch and scotch_available()
    if not args.no_scotch and not use_scotch:
        notes.append("Scotch columns skipped: gcv / scotch_gpart not found (Debian package `scotch`)")
    if not clear_refs_works():
        notes.append("peak memory sampled by a thread every 1 ms (clear_refs unavailable here)")
    graphs = select_graphs(args, notes)

    workdir = Path(tempfile.mkdtemp(prefix="dravik-bench-"))
    rows = []
    construct_rows = []
    partial = False
    try:
        t_start = time.perf_counter()
        for name, kind, source in graphs:
            rows.extend(bench_graph(name, kind, source, nparts_list, use_scotch, args, workdir, notes))
        if not args.no_construction:
            construct_rows = bench_construction(args, workdir)
        print(f"total benchmark time {time.perf_counter() - t_start:.1f} s", file=sys.stderr)
    except KeyboardInterrupt:
        partial = True
        notes.append("interrupted: the table holds the measurements finished so far")
    finally:
        shutil.rmtree(workdir, ignore_errors=True)

    statuses = {r["status"] for r in rows + construct_rows}
    if "timeout" in statuses:
        notes.append(f"timeout: the child measurement was stopped after {args.timeout:g} s (--timeout)")
    if "memory" in statuses:
        notes.append(f"memory: the child measurement was stopped when its resident memory passed "
                     f"{args.max_memory:.3g} GiB (--max-memory)")
    if "error" in statuses:
        notes.append("error: the child measurement failed (its stderr is shown in the progress output)")
    print_tables(rows, construct_rows, use_scotch, notes)
    return 130 if partial else 0


def _terminate(signum, frame):
    raise KeyboardInterrupt


def mem_available_kib():
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemAvailable:"):
                return int(line.split()[1])
    return 0


def bench_graph(name, kind, source, nparts_list, use_scotch, args, workdir, notes):
    gdir = workdir / re.sub(r"[^A-Za-z0-9_.-]", "_", name)
    t0 = time.perf_counter()
    graph = generated_loader(name)() if kind == "gen" else read_shared(source)
    n, xadj, adjncy, adjwgt, vwgt = graph
    m2 = len(adjncy)
    print(f"{name}: n={n} m={m2 // 2} loaded in {time.perf_counter() - t0:.1f} s", file=sys.stderr)
    save_cache(gdir / "cache", graph)

    ks = [k for k in nparts_list if n > 2 * k]
    skipped = [k for k in nparts_list if k not in ks]
    if skipped:
        print(f"  nparts {skipped} skipped (n <= 2*nparts)", file=sys.stderr)

    scotch = {}
    if use_scotch and ks:
        scotch = scotch_graph(name, kind, source, graph, ks, args, gdir, notes)
    del graph, xadj, adjncy, adjwgt, vwgt

    rows = []
    for k in ks:
        status, recs = run_child(["--_child", str(gdir / "cache"), str(k)], args.timeout, args.max_rss_kib)
        row = summarise(name, n, m2, k, status, recs)
        row["scotch"] = scotch.get(k)
        rows.append(row)
        s = row.get("seconds")
        print(f"  k={k}: {status}, {fmt_sig(s)} s, cut {row.get('cut', '-')}"
              + (f"; scotch {fmt_sig(row['scotch'].get('seconds'))} s cut {row['scotch'].get('cut', '-')}"
                 if row["scotch"] else ""), file=sys.stderr)
    shutil.rmtree(gdir, ignore_errors=True)
    return rows


def scotch_graph(name, kind, source, graph, ks, args, gdir, notes):
    n = graph[0]
    grf = gdir / "g.grf"
    try:
        if kind == "gen":
            plain = gdir / "g.graph"
            write_plain_graph(plain, n, graph[1], graph[2])
        elif str(source).endswith(".gz"):
            plain = gdir / "g.graph"
            with gzip.open(source, "rb") as fin, open(plain, "wb") as fout:
                shutil.copyfileobj(fin, fout, 1 << 20)
        else:
            plain = source
        vertnbr, edgenbr, baseval = scotch_convert(plain, grf, args.timeout)
        if plain != source:
            plain.unlink()
    except (subprocess.CalledProcessError, subprocess.TimeoutExpired) as exc:
        notes.append(f"{name}: conversion to Scotch's format failed ({type(exc).__name__})")
        return {}
    if vertnbr != n or edgenbr != len(graph[2]):
        notes.append(f"{name}: Scotch read n={vertnbr}, entries={edgenbr}; expected {n}, {len(graph[2])}")
        return {}
    result = {}
    for k in ks:
        result[k] = scotch_measure(grf, baseval, graph, k, gdir, args.timeout)
    grf.unlink()
    return result


def summarise(name, n, m2, k, status, recs):
    row = {"graph": name, "n": n, "m": m2 // 2, "entries": m2, "nparts": k, "status": status}
    runs = [r for r in recs if r["stage"] == "run"]
    for r in recs:
        if r["stage"] == "graph":
            row["graph_bytes"] = r["graph_bytes"]
        elif r["stage"] == "sweep":
            row["sweep"] = r["seconds"]
        elif r["stage"] == "check":
            row.update(max_over_avg=r["max_over_avg"], check_cut=r["check_cut"], bad_range=r["bad_range"])
    if runs:
        row["seconds"] = statistics.median(r["seconds"] for r in runs)
        row["runs"] = len(runs)
        row["cut"] = runs[0]["cut"]
        row["peak_kib"] = runs[0]["peak_kib"]
        row["cut_varies"] = len({r["cut"] for r in runs}) > 1
    return row


def bench_construction(args, workdir):
    name = CONSTRUCT_GRAPH_QUICK if args.quick else CONSTRUCT_GRAPH_DEFAULT
    gdir = workdir / ("construct-" + name)
    save_cache(gdir, generated_loader(name)())
    status, recs = run_child(["--_construct", str(gdir)], args.timeout, args.max_rss_kib)
    shutil.rmtree(gdir, ignore_errors=True)
    print(f"construction on {name}: {status}", file=sys.stderr)
    rows = []
    for r in recs:
        rows.append(dict(r, graph=name, status="ok"))
    for kind in ("NumPy int64 arrays", "Python lists")[len(recs):]:
        rows.append({"graph": name, "kind": kind, "status": status})
    return rows


def print_tables(rows, construct_rows, use_scotch, notes):
    header = ["graph", "n", "m", "nparts", "seconds", "ns/entry", "x sweep", "edge cut",
              "max/avg", "peak MiB", "x graph"]
    right = [False] + [True] * (len(header) - 1)
    if use_scotch:
        header += ["scotch s", "scotch cut", "scotch max/avg", "time d/s", "cut d/s"]
        right += [True] * 5
    flags = set()
    table = []
    for r in rows:
        cells = [r["graph"], str(r["n"]), str(r["m"]), str(r["nparts"])]
        s = r.get("seconds")
        if s is None:
            cells += [r["status"]] + ["-"] * 6
        else:
            sec = fmt_sig(s)
            if r.get("runs", 0) < PARTITION_RUNS:
                sec += " *"
                flags.add("*")
            if r["entries"]:
                per = fmt_fixed(s / r["entries"] * 1e9, 1)
            else:
                per = fmt_fixed(s / max(r["n"], 1) * 1e9, 1) + " v"
                flags.add("v")
            sweep = r.get("sweep")
            xs = fmt_fixed(s / sweep, 1) if sweep else "-"
            cut = str(r["cut"])
            if r.get("bad_range") or (r.get("check_cut") is not None and r["check_cut"] != r["cut"]):
                cut += " !"
                flags.add("!")
            if r.get("cut_varies"):
                cut += " ~"
                flags.add("~")
            peak = r.get("peak_kib")
            gb = r.get("graph_bytes")
            cells += [sec, per, xs, cut, fmt_fixed(r.get("max_over_avg"), 3),
                      fmt_fixed(peak / 1024, 1) if peak is not None else "-",
                      fmt_fixed(peak * 1024 / gb, 2) if peak is not None and gb else "-"]
        if use_scotch:
            sc = r.get("scotch")
            if not sc:
                cells += ["-"] * 5
            elif sc["status"] != "ok":
                cells += [sc["status"]] + ["-"] * 4
            else:
                ssec = fmt_sig(sc["seconds"])
                if sc["runs"] < 3:
                    ssec += " 1"
                    flags.add("1")
                time_ratio = fmt_sig(s / sc["seconds"]) if s is not None and sc["seconds"] else "-"
                cut_ratio = (fmt_fixed(r["cut"] / sc["cut"], 2)
                             if s is not None and sc["cut"] else "-")
                cells += [ssec, str(sc["cut"]), fmt_fixed(sc["max_over_avg"], 3), time_ratio, cut_ratio]
        table.append(cells)
    print(markdown_table(header, table, right))
    legend = {
        "*": ("*: median of fewer than %d runs (the child was stopped by the timeout or the memory "
              "limit after its first call)" % PARTITION_RUNS),
        "v": "v: nanoseconds per vertex (the graph has no adjacency entries)",
        "!": "!: the returned edge cut differs from the cut recomputed with NumPy, or a part id is out of range",
        "~": "~: the edge cut differed between repeated calls",
        "1": "1: Scotch ran once (its first run took over %.0f s of wall-clock time, reading the graph included)" % SCOTCH_CHEAP_SECONDS,
    }
    for line in [legend[f] for f in "*v!~1" if f in flags] + notes:
        print()
        print(line)
    if construct_rows:
        print()
        cheader = ["Graph(...) input", "graph", "n", "entries", "seconds", "ns/entry", "peak MiB", "x graph"]
        cright = [False, False, True, True, True, True, True, True]
        ctable = []
        for r in construct_rows:
            if r["status"] != "ok" or "seconds" not in r:
                ctable.append([r["kind"], r["graph"], "-", "-", r["status"], "-", "-", "-"])
                continue
            peak = r.get("peak_kib")
            ctable.append([r["kind"], r["graph"], str(r["n"]), str(r["entries"]), fmt_sig(r["seconds"]),
                           fmt_fixed(r["seconds"] / max(r["entries"], 1) * 1e9, 1),
                           fmt_fixed(peak / 1024, 1) if peak is not None else "-",
                           fmt_fixed(peak * 1024 / r["graph_bytes"], 2) if peak is not None else "-"])
        print(markdown_table(cheader, ctable, cright))
    sys.stdout.flush()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
