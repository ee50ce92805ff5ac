"""The Python example of the README runs headless and prints the result."""

import os
import subprocess
import sys

import pairfit
from conftest import EXAMPLES, EXPECTED, score_values


def test_example_script_prints_the_result_and_writes_the_plot(tmp_path):
    plot = tmp_path / "distances.png"
    # The same module as the tests use, from wherever it was imported.
    package_parent = os.path.dirname(os.path.dirname(pairfit.__file__))
    run = subprocess.run([sys.executable, str(EXAMPLES / "python_compare.py"), str(plot)],
                         capture_output=True, text=True, cwd=tmp_path,
                         env=dict(os.environ, MPLBACKEND="Agg", PYTHONPATH=package_parent))
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    assert lines[1] == "SCORE:\t" + score_values((EXPECTED / "demo.stdout").read_text().splitlines())
    assert lines[-1] == "plot written to %s" % plot
    assert plot.read_bytes().startswith(b"\x89PNG\r\n\x1a\n")
