#!/usr/bin/env python3
"""Times pairfit on the benchmark pairs; bench/run builds the binaries and calls this.

Each run goes through the small C helper timeone (bench/timeone.c): wall
time from fork to wait4, and peak memory as the child's maximum resident
set size from wait4(), the number GNU time reports as %M, but without the
10 ms steps of its elapsed time, which the small pairs need.

With --base, both binaries run alternately on each pair (base, new, base,
new, ...), so that load on a shared machine hits both alike, and their
outputs must be byte-identical.
"""

import argparse
import hashlib
import os
import statistics
import subprocess
import sys


TIMEONE = None


def load_pairs(path, wanted):
    pairs = []
    with open(path) as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            key, n, label, file1, file2 = line.rstrip("\n").split("\t")
            pairs.append({"key": key, "n": int(n), "label": label, "files": [file1, file2]})
    if wanted:
        keys = [k for k in wanted.split(",") if k]
        unknown = [k for k in keys if k not in {p["key"] for p in pairs}]
        if unknown:
            sys.exit("bench: unknown pair(s) %s; known: %s"
                     % (",".join(unknown), ",".join(p["key"] for p in pairs)))
        pairs = [p for p in pairs if p["key"] in keys]
    return pairs


def run_timed(argv, out_path, err_path):
    """Runs argv once with stdout/stderr to files; returns (wall s, max RSS KiB, exit code, CPU s)."""
    result = subprocess.run([TIMEONE, out_path, err_path] + argv, stdout=subprocess.PIPE, check=True)
    seconds, maxrss, code, cpu = result.stdout.split()
    return float(seconds), int(maxrss), int(code), float(cpu)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def fail(message):
    print("\nbench: FAILED: " + message, file=sys.stderr)
    sys.exit(1)


def full_report_check(binaries, pair, root, workdir):
    """Runs every binary once with all reports on and compares stdout and the coordinate file."""
    args = ["-a", "-o", "-b"] + (["-v"] if pair["n"] < 100 else [])
    results = {}
    for name, binary in binaries.items():
        d = os.path.join(workdir, "full", pair["key"], name)
        os.makedirs(d, exist_ok=True)
        coords = os.path.join(d, "out.pdb")
        if os.path.exists(coords):
            os.remove(coords)
        files = [os.path.join(root, f) for f in pair["files"]]
        # Same relative -pdb name and same input paths for every binary, so
        # that any path echoed in the output is the same too.
        with open(os.path.join(d, "stdout"), "wb") as out:
            code = subprocess.run([binary] + args + ["-pdb", "out.pdb"] + files, cwd=d,
                                  stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.DEVNULL).returncode
        if not os.path.exists(coords):
            fail("%s wrote no coordinate file for pair %s" % (name, pair["key"]))
        results[name] = (code, digest(os.path.join(d, "stdout")), digest(coords),
                         os.path.getsize(os.path.join(d, "stdout")))
    base, new = results["base"], results["new"]
    if base[:3] != new[:3]:
        fail("pair %s with %s: outputs differ between base and new (see %s)"
             % (pair["key"], " ".join(args + ["-pdb", "FILE"]), os.path.join(workdir, "full", pair["key"])))
    return " ".join(args + ["-pdb", "FILE"]), new[3]


def fmt_ms(seconds):
    return "%.1f" % (seconds * 1000.0)


def fmt_mib(kib):
    return "%.1f" % (kib / 1024.0)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--new", required=True)
    ap.add_argument("--base")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--pairs", default="")
    ap.add_argument("--workdir", required=True)
    ap.add_argument("--root", required=True)
    ap.add_argument("--full-check", action="store_true")
    ap.add_argument("--timeone", required=True)
    opts = ap.parse_args()
    global TIMEONE
    TIMEONE = os.path.abspath(opts.timeone)

    root = opts.root
    os.chdir(root)
    pairs = load_pairs(os.path.join(root, "bench", "pairs.tsv"), opts.pairs)
    binaries = {"new": os.path.abspath(opts.new)}
    order = ["new"]
    if opts.base:
        binaries = {"base": os.path.abspath(opts.base), "new": os.path.abspath(opts.new)}
        order = ["base", "new"]
    os.makedirs(opts.workdir, exist_ok=True)

    rows = []
    for pair in pairs:
        argv_tail = pair["files"]
        times = {name: [] for name in order}
        cpus = {name: [] for name in order}
        rss = {name: [] for name in order}
        reference = {}
        out = os.path.join(opts.workdir, "stdout")
        err = os.path.join(opts.workdir, "stderr")
        # One untimed run each first: it loads the files into the page cache
        # and gives the output that every timed run must repeat.
        for name in order:
            _, _, code, _ = run_timed([binaries[name]] + argv_tail, out, err)
            reference[name] = (code, read(out))
            if code != 0:
                fail("%s exited with %d on pair %s:\n%s" % (name, code, pair["key"], read(err).decode(errors="replace")))
        if opts.base and reference["base"] != reference["new"]:
            fail("pair %s: stdout differs between base and new\n  base: %r\n  new:  %r"
                 % (pair["key"], reference["base"][1], reference["new"][1]))
        print("  %-4s N=%-4d %s" % (pair["key"], pair["n"], reference["new"][1].decode().strip()),
              file=sys.stderr, flush=True)
        for _ in range(opts.runs):
            for name in order:
                elapsed, maxrss, code, cpu = run_timed([binaries[name]] + argv_tail, out, err)
                if (code, read(out)) != reference[name]:
                    fail("%s gave a different output or exit code on a repeated run of pair %s"
                         % (name, pair["key"]))
                times[name].append(elapsed)
                cpus[name].append(cpu)
                rss[name].append(maxrss)
        full = None
        if opts.base and opts.full_check:
            full = full_report_check(binaries, pair, root, opts.workdir)
            print("       same stdout and coordinate file with %s (%d bytes of stdout)" % full,
                  file=sys.stderr, flush=True)
        rows.append((pair, times, rss, cpus))

    print()
    if opts.base:
        print("| Pair | N | Runs | Base median (ms) | New median (ms) | Base/new | CPU base/new | Base peak RSS (MiB) | New peak RSS (MiB) |")
        print("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
        for pair, times, rss, cpus in rows:
            mb, mn = statistics.median(times["base"]), statistics.median(times["new"])
            cb, cn = statistics.median(cpus["base"]), statistics.median(cpus["new"])
            print("| %s | %d | %d | %s | %s | **%.2f** | %s | %s | %s |"
                  % (pair["label"], pair["n"], opts.runs, fmt_ms(mb), fmt_ms(mn), mb / mn,
                     "%.2f" % (cb / cn) if cn > 0 else "-",
                     fmt_mib(max(rss["base"])), fmt_mib(max(rss["new"]))))
        print()
        print("Outputs: byte-identical stdout on every pair%s."
              % (" and with all reports on (stdout and coordinate file)" if opts.full_check else ""))
    else:
        print("| Pair | N | Runs | Median (ms) | Min (ms) | Max (ms) | Median CPU (ms) | Peak RSS (MiB) |")
        print("|---|---:|---:|---:|---:|---:|---:|---:|")
        for pair, times, rss, cpus in rows:
            t = times["new"]
            print("| %s | %d | %d | %s | %s | %s | %s | %s |"
                  % (pair["label"], pair["n"], opts.runs, fmt_ms(statistics.median(t)),
                     fmt_ms(min(t)), fmt_ms(max(t)), fmt_ms(statistics.median(cpus["new"])),
                     fmt_mib(max(rss["new"]))))


if __name__ == "__main__":
    main()
