#!/usr/bin/env python3
"""Runs the shell examples of Markdown pages: lines of a code block (indented
or fenced) that start with "$ ", continued while a line ends with a
backslash, each followed by what it prints, up to the next "$ " line or the
block's end. A page's examples run in turn with bash in one scratch
directory of links to the source tree's files, "build" the build directory
and HOME a folder of its own. The lines shown must be those of standard
output and standard error, each stream's in its order (a message may show
between output lines, as on a terminal); the exit status is not compared.

Usage: doc_examples_test.py BUILD_DIR SOURCE_DIR PAGE.md...
"""

import functools
import os
import re
import subprocess
import sys
import tempfile

FENCE = re.compile(r"^\s*(```|~~~)")


def examples(path):
    """Yields (line number, command, lines shown) for each example."""
    lines = open(path, encoding="utf-8").read().split("\n")
    fenced, i = False, 0
    while i < len(lines):
        line, i = lines[i], i + 1
        fenced ^= bool(FENCE.match(line))
        indent = len(line) - len(line.lstrip(" "))
        if not line.lstrip(" ").startswith("$ ") or (indent < 4 and not fenced):
            continue
        start, command = i, line[indent + 2:]
        while command.endswith("\\") and i < len(lines):
            command, i = command + "\n" + lines[i], i + 1
        shown = []
        # Blank lines, or lines indented as deep as the command that are no command.
        while i < len(lines) and not FENCE.match(lines[i]) and (
                not lines[i].strip() or (not lines[i][:indent].strip() and not lines[i][indent:].startswith("$ "))):
            shown.append(lines[i][indent:] if lines[i].strip() else "")
            i += 1
        while shown and shown[-1] == "":
            shown.pop()
        yield start, command, shown


def interleaves(shown, out, err):
    """Whether `shown` is `out` and `err` merged, each in its own order."""
    @functools.lru_cache(maxsize=None)
    def fits(i, j):  # shown[i + j:] is out[i:] merged with err[j:]
        if i + j == len(shown):
            return True
        return (i < len(out) and shown[i + j] == out[i] and fits(i + 1, j)) or \
               (j < len(err) and shown[i + j] == err[j] and fits(i, j + 1))
    return len(shown) == len(out) + len(err) and fits(0, 0)


def main():
    build, source, pages = sys.argv[1], os.path.abspath(sys.argv[2]), sys.argv[3:]
    failures = count = 0
    with tempfile.TemporaryDirectory(prefix="pairfit-docs-") as scratch:
        for name in os.listdir(source):
            if not name.startswith(("build", ".git", "site")):
                os.symlink(os.path.join(source, name), os.path.join(scratch, name))
        os.symlink(os.path.abspath(build), os.path.join(scratch, "build"))
        os.mkdir(os.path.join(scratch, "home"))
        env = dict(os.environ, HOME=os.path.join(scratch, "home"), MPLBACKEND="Agg", LC_ALL="C.UTF-8")
        for page in pages:
            for line, command, shown in examples(page):
                count += 1
                run = subprocess.run(["bash", "-c", command], cwd=scratch, env=env, capture_output=True, text=True,
                                     timeout=600)
                out, err = (text.removesuffix("\n").split("\n") if text else [] for text in (run.stdout, run.stderr))
                if not interleaves(shown, out, err):
                    failures += 1
                    print("%s:%d: $ %s" % (os.path.relpath(page, source), line, command))
                    for title, lines in (("the page shows", shown), ("standard output (exit status %d)"
                                                                     % run.returncode, out), ("standard error", err)):
                        print("  %s:\n%s" % (title, "".join("    %s\n" % l for l in lines)), end="")
    print("%d of %d examples print what the pages show" % (count - failures, count))
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
