"""Paths to the repository's real structures and recorded runs, and the
recorded cases of tests/expected/cases.txt parsed into arguments."""

import os
import pathlib

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"
EXAMPLES = ROOT / "examples"
EXPECTED = ROOT / "tests" / "expected"


class Case:
    """One recorded run: NAME, the options and the two input files."""

    def __init__(self, name, words):
        self.name = name
        self.options = [w for w in words[:-2]]
        self.file1, self.file2 = (self._path(w) for w in words[-2:])

    @staticmethod
    def _path(word):
        return str(DATA / word[3:]) if word.startswith("@D/") else str(EXAMPLES / word[3:])

    @property
    def min_size(self):
        if "-min" in self.options:
            return int(self.options[self.options.index("-min") + 1])
        return 19

    def stdout(self):
        """The recorded standard output as lines, or None when only its digest is kept."""
        path = EXPECTED / (self.name + ".stdout")
        return path.read_text().splitlines() if path.exists() else None

    def coordinate_file(self):
        path = EXPECTED / (self.name + ".pdb")
        return path if path.exists() else None

    def __repr__(self):
        return self.name


def _read_cases():
    cases = []
    for line in (EXPECTED / "cases.txt").read_text().splitlines():
        if not line.strip() or line.startswith("#"):
            continue
        name, args = line.split(":", 1)
        cases.append(Case(name, args.split()))
    return cases


# The bindings are proven on a few recorded cases (the program's own tests
# cover the rest): a gzip file, a size limit, no subset accepted, insertion
# codes, chains, and a pair whose residue names differ.
BINDING_CASES = {"demo_gz", "demo_gz.full", "ubq_models.min75", "ubq_models.min76", "no_overlap",
                 "no_overlap.full", "fab_inscodes", "hb_chain_b", "hb_chain_b.full", "cytc_homologs.full"}
CASES = [c for c in _read_cases() if c.name in BINDING_CASES]
PLAIN_CASES = [c for c in CASES if not c.options]
FULL_CASES = [c for c in CASES if "-pdb" in c.options]


def score_values(lines):
    """The six values of the SCORE line among lines."""
    found = [l for l in lines if l.startswith("SCORE:\t")]
    assert len(found) == 1
    return found[0][len("SCORE:\t"):]


@pytest.fixture(scope="session")
def pairfit_binary():
    """The command-line program built next to the module (set by ctest)."""
    path = os.environ.get("PAIRFIT_BINARY")
    if not path or not os.access(path, os.X_OK):
        pytest.fail("PAIRFIT_BINARY must name the built pairfit program")
    return path
