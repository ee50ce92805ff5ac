"""pairfit.compare against the recorded runs of the command-line program."""

import math
import re

import numpy as np
import pytest

import pairfit
from conftest import CASES, DATA, LDH, UBQ1, UBQ2, run, score_values

# Several recorded pairs join residues of different names; that warning has its own tests.
pytestmark = pytest.mark.filterwarnings("ignore::pairfit.PairingWarning")


@pytest.mark.parametrize("case", [c for c in CASES if c.stdout is not None], ids=repr)
def test_score_line_and_reports_equal_recorded(case):
    """The SCORE line, and with -a -o -b the progress lines, the per-atom
    table and the per-size scores rebuilt from the Python objects."""
    steps = []
    r = pairfit.compare(case.file1, case.file2, min_size=case.min_size, per_size=True, progress=steps.append)
    lines = case.stdout
    assert r.score_line() == score_values(lines)
    d = r.distances[r.in_subset]
    if r.size:
        assert np.sqrt(np.mean(d * d)) == pytest.approx(r.final_rms, abs=1e-12)
    if "-pdb" not in case.options or "-v" in case.options:
        return
    label = {"step": "FRAC1", "best": "GOOD1"}
    assert ["%s:\t%.2f\t%d\t%.1f\t%.1f\t%e" % (label[s.kind], s.fraction, s.size, s.rms, s.score, s.pvalue)
            for s in steps] == [l for l in lines if l.startswith(("FRAC1:", "GOOD1:"))]
    assert "Overall average RMS deviation is %f Angstroms." % r.final_rms in lines
    s1, s2 = r.structure1, r.structure2
    rows = ["%d \t %s \t %3s %4d \t %8.4f\t%d \t %s \t %3s %4d \t %8.4f" % (
        s1.serials[r.pairs1[k]], s1.atom_names[r.pairs1[k]], s1.residue_names[r.pairs1[k]], r.resnum1[k],
        r.distances[k], s2.serials[r.pairs2[k]], s2.atom_names[r.pairs2[k]], s2.residue_names[r.pairs2[k]],
        r.resnum2[k], r.distances[k]) for k in np.flatnonzero(r.in_subset)]
    assert rows == [l for l in lines if l.count("\t") == 7 and not l.startswith("Atom")]
    assert [l.split("\t")[2] for l in lines if l.startswith("SCORE-TEST\t")] == \
        ["%f" % s for s in r.score_by_size[:r.npairs]]


@pytest.mark.parametrize("case", [c for c in CASES if "-pdb" in c.options], ids=repr)
def test_moved_coordinates_equal_coordinate_file(case, pairfit_binary, tmp_path):
    """result.moved() against pairfit -pdb's file (without -o, whose refit
    moves poorly fitting pairs by up to 0.002 Angstrom)."""
    r = pairfit.compare(case.file1, case.file2, min_size=case.min_size)
    path = tmp_path / "superposed.pdb"
    done = run(pairfit_binary, "-min", case.min_size, "-pdb", path, case.file1, case.file2)
    assert done.returncode == 0 and score_values(done.stdout.splitlines()) == r.score_line()
    blocks = [[]]
    for line in path.read_text().splitlines():
        blocks.append([]) if line.startswith("END") else blocks[-1].append([float(v) for v in line.split()[-5:-2]])
    moved2, shifted1 = (np.array(b) for b in blocks[:2])
    assert len(moved2) == len(shifted1) == r.npairs
    if r.size == 0:
        return
    # The file shifts structure 1 by one vector, rounded to 0.001.
    shifts = shifted1 - r.structure1.coordinates[r.pairs1]
    assert np.ptp(shifts, axis=0).max() <= 0.001 + 1e-9
    moved = r.moved()[r.pairs2]
    assert np.abs(moved2 - shifts.mean(axis=0) - moved).max() <= 0.001
    assert np.abs(np.linalg.norm(moved - r.structure1.coordinates[r.pairs1], axis=1) - r.distances).max() < 1e-9
    point = r.structure2.coordinates[0]
    assert np.allclose(r.moved(point), point @ r.rotation.T + r.translation)


def test_explicit_pairs_bad_arguments_and_a_stopping_callback():
    a, b = pairfit.read(DATA / "cytc_horse_1m60_nmr.pdb"), pairfit.read(DATA / "cytc_horse_2pcb_B.pdb")
    by_number = pairfit.compare(a, b)
    explicit = pairfit.compare(a, b, pairing=(by_number.pairs1, by_number.pairs2.tolist()))
    assert explicit.score_line() == by_number.score_line()
    for arguments, message in [(dict(pairing=([0, 1], [0])), "same length"),
                               (dict(pairing=([0, 1], [2, 1])), "^pairing: the indices into structure 2 must increase$"),
                               (dict(pairing=([1, 0], [0, 1])), "^pairing: the indices into structure 1 must increase$"),
                               (dict(pairing=([0, 1], [0, 104])), "outside structure 2"),
                               (dict(pairing="alphabet"), "pairing"), (dict(mode="slow"), "mode")]:
        with pytest.raises(ValueError, match=message):
            pairfit.compare(a, b, **arguments)
    calls = []

    def stop_after_three(step):
        calls.append(step)
        if len(calls) == 3:
            raise KeyError("enough")

    with pytest.raises(KeyError, match="enough"):
        pairfit.compare(*LDH, progress=stop_after_three)
    assert len(calls) == 3


def test_normalised_pvalue_follows_the_helps_formula():
    r = pairfit.compare(UBQ1, UBQ2)
    offset = re.fullmatch(r"-1000 \(log10 p \+ ([0-9.]+)\) / C-alpha atoms of structure 1\.",
                          pairfit.Result.normalised_pvalue.__doc__).group(1)
    assert r.normalised_pvalue == pytest.approx(-1000 * (math.log10(r.pvalue) + float(offset)) / 76, rel=1e-12)


def test_fast_mode_gives_the_programs_score_line_beyond_the_exact_limit(pairfit_binary, tmp_path):
    for threads in (1, 2):
        out = run(pairfit_binary, "-fast", "-j", threads, *LDH).stdout
        assert pairfit.compare(*LDH, mode="fast", threads=threads).score_line() == score_values(out.splitlines())
    # 70 moved copies of each model: more atoms than the exact search takes.
    big = []
    for name, source, shift in (("big1.pdb", UBQ1, (150, 0, 0)), ("big2.pdb", UBQ2, (0, 150, -70))):
        s = pairfit.read(source)
        xyz = np.concatenate([s.coordinates + c * np.array(shift) for c in range(70)])
        (tmp_path / name).write_text("".join("ATOM  %5d  CA  %3s A%4d    %8.3f%8.3f%8.3f  1.00  0.00           C\n"
                                             % (k + 1, n, (k + 1) % 10000, *p)
                                             for k, (p, n) in enumerate(zip(xyz, s.residue_names * 70))) + "END\n")
        big.append(str(tmp_path / name))
    for call in (lambda: pairfit.read(big[0]), lambda: pairfit.compare(*big),
                 lambda: pairfit.read(big[0], max_atoms=5319), lambda: pairfit.compare_pairs([big])):
        with pytest.raises(pairfit.TooManyAtomsError):
            call()
    structures = pairfit.read(big[0], max_atoms=None), pairfit.read(big[1], max_atoms=None)
    expected = pairfit.compare(*big, mode="fast", threads=2).score_line()
    assert expected.startswith("5320\t76\t")
    assert pairfit.compare(*structures, mode="fast").score_line() == expected
    assert [r.score_line() for r in pairfit.compare_pairs([big, structures], mode="fast", threads=2)] == [expected] * 2
