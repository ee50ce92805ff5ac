"""Paths to the repository's real structures and recorded runs, a few
recorded cases of tests/expected/cases.txt, and the built program."""

import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA, EXAMPLES, EXPECTED = ROOT / "tests" / "data", ROOT / "examples", ROOT / "tests" / "expected"
LDH = str(EXAMPLES / "demo_ldh_6ldh_A.pdb"), str(EXAMPLES / "demo_ldh_1ldm_A.pdb")
UBQ1, UBQ2 = str(DATA / "ubiquitin_1d3z_model1.pdb"), str(DATA / "ubiquitin_1d3z_model2.pdb")
HB = str(DATA / "hemoglobin_2hhb_4chains.pdb.gz")
NMR = str(DATA / "ubiquitin_1d3z_nmr.pdb.gz")


class Case:
    """One recorded run: its name, options, two input files and standard output."""

    def __init__(self, name, words):
        self.name, self.options = name, words[:-2]
        self.file1, self.file2 = (str((DATA if w.startswith("@D/") else EXAMPLES) / w[3:]) for w in words[-2:])
        self.min_size = int(words[words.index("-min") + 1]) if "-min" in words else 19
        path = EXPECTED / (name + ".stdout")
        self.stdout = path.read_text().splitlines() if path.exists() else None

    def __repr__(self):
        return self.name


# The bindings are proven on a few recorded cases (the program's own tests
# cover the rest): a gzip file, a size limit, no subset accepted, insertion
# codes, chains, and a pair whose residue names differ.
BINDING_CASES = {"demo_gz", "demo_gz.full", "ubq_models.min75", "ubq_models.min76", "no_overlap",
                 "no_overlap.full", "fab_inscodes", "hb_chain_b", "hb_chain_b.full", "cytc_homologs.full"}
CASES = [Case(name, args.split()) for name, args in
         (line.split(":", 1) for line in (EXPECTED / "cases.txt").read_text().splitlines()
          if line.strip() and not line.startswith("#")) if name in BINDING_CASES]


def score_values(lines):
    """The six values of the one SCORE line among lines."""
    [found] = [l for l in lines if l.startswith("SCORE:\t")]
    return found[len("SCORE:\t"):]


def run(*args):
    """A finished process with its text output."""
    return subprocess.run([str(a) for a in args], capture_output=True, text=True)


@pytest.fixture(scope="session")
def pairfit_binary():
    """The command-line program built next to the module (set by ctest)."""
    path = os.environ.get("PAIRFIT_BINARY")
    if not path or not os.access(path, os.X_OK):
        pytest.fail("PAIRFIT_BINARY must name the built pairfit program")
    return path
