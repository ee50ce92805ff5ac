#!/usr/bin/env python3
"""Shows that the Python module runs comparisons with the GIL released.

On a list of 20 pairs (the example pair, lactate dehydrogenase, 329
pairs, in both orders, ten times each), structures read beforehand, wall
time (median of --runs runs, the runs of the four kinds taking turns) of:
  - pairfit.compare_pairs with threads=1 and threads=2 (the module's own
    worker threads);
  - the 20 pairs compared one by one with pairfit.compare in one Python
    thread, and the same list in each of two Python threads at once (40
    comparisons): with the GIL held during a comparison the two threads
    would take twice as long as one; with it released, on two free cores,
    about as long.
and the process's CPU time over the wall time, which exceeds 1 only when
threads computed at the same time. Prints a Markdown table. Run it with the interpreter the module was
built for, the module on PYTHONPATH:

    PYTHONPATH=build/python /usr/bin/python3 bench/python_threads.py
"""

import argparse
import os
import platform
import pathlib
import statistics
import threading
import time

import pairfit

ROOT = pathlib.Path(__file__).resolve().parents[1]


def benchmark_pairs():
    """The example pair in both orders, ten times each: 20 comparisons of 329
    pairs, alike in cost, so that no single comparison bounds the run."""
    first, second = ROOT / "examples" / "demo_ldh_6ldh_A.pdb", ROOT / "examples" / "demo_ldh_1ldm_A.pdb"
    return [(first, second), (second, first)] * 10


def timed(works, runs):
    """Per work: median, minimum and maximum wall time, and the median of
    the process's CPU time over wall time (above 1 only when threads
    computed at the same time). The works take turns, run after run, so
    that load from elsewhere on a shared machine hits them alike."""
    walls = [[] for _ in works]
    shares = [[] for _ in works]
    for _ in range(runs):
        for k, work in enumerate(works):
            cpu, start = time.process_time(), time.perf_counter()
            work()
            wall = time.perf_counter() - start
            walls[k].append(wall)
            shares[k].append((time.process_time() - cpu) / wall)
    return [(statistics.median(w), min(w), max(w), statistics.median(c))
            for w, c in zip(walls, shares)]


def one_by_one(pairs):
    for a, b in pairs:
        pairfit.compare(a, b)


def in_python_threads(pairs, count):
    threads = [threading.Thread(target=one_by_one, args=(pairs,)) for _ in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()

    cache = {}
    pairs = [tuple(cache.setdefault(p, pairfit.read(p)) for p in pair) for pair in benchmark_pairs()]
    npairs = sum(r.npairs for r in pairfit.compare_pairs(pairs, threads=1))
    one_by_one(pairs)  # warm-up

    rows = [
        ("compare_pairs, threads=1", 20, lambda: pairfit.compare_pairs(pairs, threads=1)),
        ("compare_pairs, threads=2", 20, lambda: pairfit.compare_pairs(pairs, threads=2)),
        ("compare in 1 Python thread", 20, lambda: in_python_threads(pairs, 1)),
        ("compare in 2 Python threads (each all 20)", 40, lambda: in_python_threads(pairs, 2)),
    ]
    print("%d pairs (%d residue pairs in all), %d cores, Python %s, %d runs each, "
          "load average before: %.2f"
          % (len(pairs), npairs, os.cpu_count(), platform.python_version(), args.runs,
             os.getloadavg()[0]))
    print()
    print("| Run | Comparisons | Wall time, median (min-max) | CPU time / wall time |")
    print("|---|---:|---:|---:|")
    medians = []
    for (label, comparisons, _), (median, low, high, share) in zip(
            rows, timed([work for _, _, work in rows], args.runs)):
        medians.append(median)
        print("| %s | %d | %.3f s (%.3f-%.3f) | %.2f |" % (label, comparisons, median, low, high, share))
    print()
    print("compare_pairs: 2 threads / 1 thread = %.2f" % (medians[1] / medians[0]))
    print("Python threads: 2 threads (40 comparisons) / 1 thread (20) = %.2f" % (medians[3] / medians[2]))


if __name__ == "__main__":
    main()
