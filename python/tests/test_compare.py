"""pairfit.compare against the recorded runs of the command-line program."""

import math
import re
import subprocess

import numpy as np
import pytest

import pairfit
from conftest import CASES, DATA, EXAMPLES, FULL_CASES, score_values

# Several recorded pairs join residues of different names; that warning has its own tests.
pytestmark = pytest.mark.filterwarnings("ignore::pairfit.PairingWarning")

SCORED_CASES = [c for c in CASES if c.stdout() is not None]
LDH = str(EXAMPLES / "demo_ldh_6ldh_A.pdb"), str(EXAMPLES / "demo_ldh_1ldm_A.pdb")


@pytest.mark.parametrize("case", SCORED_CASES, ids=repr)
def test_score_line_and_reports_equal_recorded(case):
    """The SCORE line, and with -a -o -b the progress lines, the per-atom
    table and the per-size scores rebuilt from the Python objects."""
    steps = []
    r = pairfit.compare(case.file1, case.file2, min_size=case.min_size, per_size=True, progress=steps.append)
    lines = case.stdout()
    assert r.score_line() == score_values(lines)
    assert r.in_subset.sum() == r.size
    assert len(r.distances) == len(r.pairs1) == len(r.pairs2) == r.npairs
    d = r.distances[r.in_subset]
    assert np.sqrt(np.mean(d * d)) == pytest.approx(r.final_rms, abs=1e-12) if r.size else r.final_rms == 0
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
    recorded = [l.split("\t")[2] for l in lines if l.startswith("SCORE-TEST\t")]
    assert recorded == ["%f" % s for s in r.score_by_size[:r.npairs]]


@pytest.mark.parametrize("case", FULL_CASES, ids=repr)
def test_moved_coordinates_equal_coordinate_file(case, pairfit_binary, tmp_path):
    """result.moved() against pairfit -pdb's file (without -o, whose refit
    moves poorly fitting pairs by up to 0.002 Angstrom)."""
    r = pairfit.compare(case.file1, case.file2, min_size=case.min_size)
    path = tmp_path / "superposed.pdb"
    run = subprocess.run([pairfit_binary, "-min", str(case.min_size), "-pdb", str(path), case.file1, case.file2],
                         capture_output=True, text=True)
    assert run.returncode == 0 and score_values(run.stdout.splitlines()) == r.score_line()
    blocks = [[]]
    for line in path.read_text().splitlines():
        if line.startswith("END"):
            blocks.append([])
        else:
            blocks[-1].append([float(v) for v in line.split()[-5:-2]])
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
    assert np.allclose(r.rotation @ r.rotation.T, np.eye(3), atol=1e-12)
    points = r.structure2.coordinates
    assert np.allclose(r.moved(points[0]), points[0] @ r.rotation.T + r.translation)


def test_explicit_pairs_and_bad_arguments():
    a, b = pairfit.read(DATA / "cytc_horse_1m60_nmr.pdb"), pairfit.read(DATA / "cytc_horse_2pcb_B.pdb")
    by_number = pairfit.compare(a, b)
    explicit = pairfit.compare(a, b, pairing=(by_number.pairs1, by_number.pairs2.tolist()))
    assert explicit.score_line() == by_number.score_line()
    assert np.array_equal(explicit.distances, by_number.distances)
    for arguments, message in [(dict(pairing=([0, 1], [0])), "same length"),
                               (dict(pairing=([0, 1], [2, 1])), "^pairing: the indices into structure 2 must increase$"),
                               (dict(pairing=([1, 0], [0, 1])), "^pairing: the indices into structure 1 must increase$"),
                               (dict(pairing=([0, 1], [0, 104])), "outside structure 2"),
                               (dict(pairing="alphabet"), "pairing"), (dict(mode="slow"), "mode")]:
        with pytest.raises(ValueError, match=message):
            pairfit.compare(a, b, **arguments)


def test_exception_in_progress_callback_stops_the_comparison():
    calls = []

    def stop_after_three(step):
        calls.append(step)
        if len(calls) == 3:
            raise KeyError("enough")

    with pytest.raises(KeyError, match="enough"):
        pairfit.compare(*LDH, progress=stop_after_three)
    assert len(calls) == 3


def test_result_dict_and_repr():
    r = pairfit.compare(DATA / "ubiquitin_1d3z_model1.pdb", DATA / "ubiquitin_1d3z_model2.pdb")
    d = r.to_dict()
    assert d["score"] == {"atoms": r.max_natoms, "size": r.size, "rms": r.rms, "score": r.score,
                          "pvalue": r.pvalue, "normalised_pvalue": r.normalised_pvalue}
    assert [(p["residue1"], p["residue2"], p["in_subset"], p["distance"]) for p in d["pairs"]] == \
        list(zip(r.resnum1, r.resnum2, r.in_subset, r.distances))
    assert np.array_equal(d["transform"]["rotation"], r.rotation)
    assert np.array_equal(d["transform"]["translation"], r.translation)
    assert d["inputs"][1]["atoms"] == 76 and d["inputs"][1]["chains"] == ["A"]
    values = r.score_line().split("\t")
    assert "size=%s of 76 pairs, rms=%s, score=%s" % (values[1], values[2], values[3]) in repr(r)
    # The help's formula is the one the value follows.
    offset = re.fullmatch(r"-1000 \(log10 p \+ ([0-9.]+)\) / C-alpha atoms of structure 1\.",
                          pairfit.Result.normalised_pvalue.__doc__).group(1)
    assert r.normalised_pvalue == pytest.approx(-1000 * (math.log10(r.pvalue) + float(offset)) / 76, rel=1e-12)


def _repeated_pdb(path, source, copies, shift):
    """copies of source's C-alpha atoms, copy c moved by c * shift: more
    atoms than the exact search takes, one copy superposing at a time."""
    s = pairfit.read(source)
    lines = ["ATOM  %5d  CA  %3s A%4d    %8.3f%8.3f%8.3f  1.00  0.00           C\n"
             % (k + 1, name, (k + 1) % 10000, *xyz)
             for k, (xyz, name) in enumerate(zip(np.concatenate([s.coordinates + c * np.array(shift)
                                                                 for c in range(copies)]),
                                                 s.residue_names * copies))]
    path.write_text("".join(lines) + "END\n")
    return str(path)


def test_fast_mode_gives_the_programs_score_line_beyond_the_exact_limit(pairfit_binary, tmp_path):
    for threads in (1, 2):
        run = subprocess.run([pairfit_binary, "-fast", "-j", str(threads), *LDH], capture_output=True, text=True)
        assert pairfit.compare(*LDH, mode="fast", threads=threads).score_line() == score_values(run.stdout.splitlines())
    big1 = _repeated_pdb(tmp_path / "big1.pdb", DATA / "ubiquitin_1d3z_model1.pdb", 70, (150, 0, 0))
    big2 = _repeated_pdb(tmp_path / "big2.pdb", DATA / "ubiquitin_1d3z_model2.pdb", 70, (0, 150, -70))
    for call in (lambda: pairfit.read(big1), lambda: pairfit.compare(big1, big2),
                 lambda: pairfit.read(big1, max_atoms=5319), lambda: pairfit.compare_pairs([(big1, big2)])):
        with pytest.raises(pairfit.TooManyAtomsError):
            call()
    structures = pairfit.read(big1, max_atoms=None), pairfit.read(big2, max_atoms=None)
    expected = pairfit.compare(big1, big2, mode="fast", threads=2).score_line()
    assert expected.startswith("5320\t76\t")
    assert pairfit.compare(*structures, mode="fast").score_line() == expected
    many = pairfit.compare_pairs([(big1, big2), structures], mode="fast", threads=2)
    assert [r.score_line() for r in many] == [expected, expected]
