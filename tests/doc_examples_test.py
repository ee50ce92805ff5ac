#!/usr/bin/env python3
"""Runs the shell examples of Markdown pages and compares what they print.

An example is a line of a code block (indented or fenced) that starts with
"$ ": the command, continued on the next lines while a line ends with a
backslash; the lines after it, up to the next "$ " line or the end of the
block, are what it prints. The examples of a page run in turn with bash, in
one scratch directory that holds links to the source tree's files and a
link "build" to the build directory, so that `build/pairfit` is the build's
program and files an example writes stay out of the source tree. HOME is a
folder of the scratch directory.

The printed lines must be exactly the lines of standard output and standard
error, each stream's lines in their order: the page may show a message
between output lines, as a terminal would, but no line may be missing,
added or different. The exit status is not compared (examples of errors
exit with 1).

Usage: doc_examples_test.py BUILD_DIR SOURCE_DIR PAGE.md...
"""

import os
import re
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^\s*(```|~~~)")


def examples(path):
    """Yields (line number, command, expected lines) for each example."""
    lines = open(path, encoding="utf-8").read().split("\n")
    in_fence = False
    i = 0
    while i < len(lines):
        line = lines[i]
        if FENCE.match(line):
            in_fence = not in_fence
            i += 1
            continue
        indent = len(line) - len(line.lstrip(" "))
        if not line.lstrip(" ").startswith("$ ") or (indent < 4 and not in_fence):
            i += 1
            continue
        start = i + 1
        command = line[indent + 2:]
        while command.endswith("\\") and i + 1 < len(lines):
            i += 1
            command = command + "\n" + lines[i]
        i += 1
        expected = []
        while i < len(lines):
            line = lines[i]
            if FENCE.match(line):
                break
            if line.strip() == "":
                expected.append("")
                i += 1
                continue
            if len(line) - len(line.lstrip(" ")) < indent or line[indent:].startswith("$ "):
                break
            expected.append(line[indent:])
            i += 1
        while expected and expected[-1] == "":
            expected.pop()
        yield start, command, expected


def interleaves(shown, out, err):
    """Whether `shown` is `out` and `err` merged, each in its own order."""
    if len(shown) != len(out) + len(err):
        return False
    # reachable[j]: shown[:i + j] can be out[:i] merged with err[:j].
    reachable = [True] + [False] * len(err)
    for j in range(1, len(err) + 1):
        reachable[j] = reachable[j - 1] and shown[j - 1] == err[j - 1]
    for i in range(1, len(out) + 1):
        reachable[0] = reachable[0] and shown[i - 1] == out[i - 1]
        for j in range(1, len(err) + 1):
            k = i + j - 1
            reachable[j] = (reachable[j] and shown[k] == out[i - 1]) or \
                           (reachable[j - 1] and shown[k] == err[j - 1])
    return reachable[len(err)]


def scratch_tree(build, source, scratch):
    for name in os.listdir(source):
        if name.startswith(("build", ".git", "site")):
            continue
        os.symlink(os.path.join(source, name), os.path.join(scratch, name))
    os.symlink(os.path.abspath(build), os.path.join(scratch, "build"))
    os.mkdir(os.path.join(scratch, "home"))


def split_lines(text):
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def main():
    build, source, pages = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3:]
    failures = 0
    count = 0
    with tempfile.TemporaryDirectory(prefix="pairfit-docs-") as scratch:
        scratch_tree(build, source, scratch)
        env = dict(os.environ, HOME=os.path.join(scratch, "home"), MPLBACKEND="Agg",
                   LC_ALL="C.UTF-8")
        for page in pages:
            name = os.path.relpath(page, source)
            for line, command, expected in examples(page):
                count += 1
                run = subprocess.run(["bash", "-c", command], cwd=scratch, env=env,
                                     capture_output=True, text=True, timeout=600)
                out, err = split_lines(run.stdout), split_lines(run.stderr)
                if interleaves(expected, out, err):
                    continue
                failures += 1
                print(f"{name}:{line}: $ {command}")
                print("  the page shows:")
                print("".join(f"    {l}\n" for l in expected), end="")
                print(f"  standard output (exit status {run.returncode}):")
                print("".join(f"    {l}\n" for l in out), end="")
                print("  standard error:")
                print("".join(f"    {l}\n" for l in err), end="")
    print(f"{count - failures} of {count} examples print what the pages show")
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
