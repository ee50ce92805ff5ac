"""pairfit.compare against the recorded runs of the command-line program."""

import math
import subprocess

import numpy as np
import pytest

import pairfit
from conftest import CASES, DATA, EXAMPLES, FULL_CASES, PLAIN_CASES, score_values

# Several recorded pairs join residues of different names (homologs,
# renumbered copies); that warning has its own tests.
pytestmark = pytest.mark.filterwarnings("ignore::pairfit.PairingWarning")

# Every case whose SCORE line is recorded in plain text, with its options
# that change the SCORE line (only -min does).
SCORED_CASES = [c for c in CASES if c.stdout() is not None]


@pytest.mark.parametrize("case", SCORED_CASES, ids=repr)
def test_score_line_equals_recorded(case):
    r = pairfit.compare(case.file1, case.file2, min_size=case.min_size)
    assert r.score_line() == score_values(case.stdout())
    assert r.in_subset.sum() == r.size
    assert len(r.distances) == len(r.pairs1) == len(r.pairs2) == r.npairs


@pytest.mark.parametrize("case", PLAIN_CASES, ids=repr)
def test_distances_of_the_subset_give_its_rms(case):
    r = pairfit.compare(case.file1, case.file2)
    if r.size == 0:
        assert r.final_rms == 0.0
        return
    d = r.distances[r.in_subset]
    rms = math.sqrt(np.mean(d * d))
    assert "%.1f" % rms == "%.1f" % r.rms
    assert rms == pytest.approx(r.final_rms, abs=1e-12)


@pytest.mark.parametrize("case", [c for c in FULL_CASES if c.stdout() is not None
                                  and "-v" not in c.options], ids=repr)
def test_reports_equal_recorded(case):
    """The -a progress lines, the -o table and the -b scores, rebuilt from
    the Python objects, equal what the program printed."""
    steps = []
    r = pairfit.compare(case.file1, case.file2, min_size=case.min_size, per_size=True,
                        progress=steps.append)
    lines = case.stdout()
    label = {"step": "FRAC1", "best": "GOOD1"}
    progress = ["%s:\t%.2f\t%d\t%.1f\t%.1f\t%e" % (label[s.kind], s.fraction, s.size, s.rms,
                                                   s.score, s.pvalue) for s in steps]
    assert progress == [l for l in lines if l.startswith(("FRAC1:", "GOOD1:"))]
    assert all(isinstance(s, pairfit.ProgressStep) for s in steps)

    assert "Overall average RMS deviation is %f Angstroms." % r.final_rms in lines
    s1, s2 = r.structure1, r.structure2
    rows = []
    for k in np.flatnonzero(r.in_subset):
        i, j = r.pairs1[k], r.pairs2[k]
        rows.append("%d \t %s \t %3s %4d \t %8.4f\t%d \t %s \t %3s %4d \t %8.4f" % (
            s1.serials[i], s1.atom_names[i], s1.residue_names[i], r.resnum1[k], r.distances[k],
            s2.serials[j], s2.atom_names[j], s2.residue_names[j], r.resnum2[k], r.distances[k]))
    table = [l for l in lines if l.count("\t") == 7 and not l.startswith("Atom")]
    assert rows == table

    recorded = [l.split("\t") for l in lines if l.startswith("SCORE-TEST\t")]
    assert len(recorded) == r.npairs
    assert [f[2] for f in recorded] == ["%f" % s for s in r.score_by_size[:r.npairs]]


def _coordinate_blocks(path):
    """The two blocks of a coordinate file (structure 2 moved, structure 1)
    as (n, 3) arrays."""
    blocks, block = [], []
    for line in path.read_text().splitlines():
        if line.startswith("END"):
            blocks.append(np.array(block).reshape(-1, 3))
            block = []
        else:
            block.extend(float(v) for v in line.split()[-5:-2])
    return blocks


@pytest.mark.parametrize("case", FULL_CASES, ids=repr)
def test_moved_coordinates_equal_coordinate_file(case, pairfit_binary, tmp_path):
    """result.moved() against the coordinate file of pairfit -pdb (without
    -o: with both reports the program fits the subset once more before
    writing, which moves poorly fitting pairs by up to 0.002 Angstrom)."""
    r = pairfit.compare(case.file1, case.file2, min_size=case.min_size)
    path = tmp_path / "superposed.pdb"
    run = subprocess.run([pairfit_binary, "-min", str(case.min_size), "-pdb", str(path),
                          case.file1, case.file2], capture_output=True, text=True)
    assert run.returncode == 0 and score_values(run.stdout.splitlines()) == r.score_line()
    moved2, shifted1 = _coordinate_blocks(path)
    assert len(moved2) == len(shifted1) == r.npairs
    if r.size == 0:
        # Nothing accepted: the file holds the structures as the search left them.
        return
    # The file shifts structure 1 by one vector; undo it on both blocks. Its
    # coordinates are rounded to 0.001: the mean of the shifts averages that out.
    shifts = shifted1 - r.structure1.coordinates[r.pairs1]
    assert np.ptp(shifts, axis=0).max() <= 0.001 + 1e-9
    shift = shifts.mean(axis=0)
    moved = r.moved()[r.pairs2]
    assert np.abs(moved2 - shift - moved).max() <= 0.001
    # The distances are those between structure 1 and structure 2 moved.
    d = np.linalg.norm(moved - r.structure1.coordinates[r.pairs1], axis=1)
    assert np.abs(d - r.distances).max() < 1e-9
    # The transform is rigid and moves the given points as it moves structure 2.
    assert np.allclose(r.rotation @ r.rotation.T, np.eye(3), atol=1e-12)
    assert np.linalg.det(r.rotation) == pytest.approx(1.0)
    points = r.structure2.coordinates
    assert np.array_equal(r.moved(points), r.moved())
    assert np.allclose(r.moved(points[0]), points[0] @ r.rotation.T + r.translation)


def test_gzip_and_mmcif_twins_give_the_same_result():
    model = EXAMPLES / "demo_ldh_1ldm_A.pdb"
    plain = pairfit.compare(pairfit.read(EXAMPLES / "demo_ldh_6ldh_A.pdb"), model)
    for twin in ("demo_ldh_6ldh_A.pdb.gz", "demo_ldh_6ldh_A.cif.gz"):
        r = pairfit.compare(DATA / twin, model)
        assert r.score_line() == plain.score_line()
        assert np.array_equal(r.distances, plain.distances)
        assert np.array_equal(r.rotation, plain.rotation)


def test_explicit_pairs_reproduce_the_residue_number_pairing():
    a, b = pairfit.read(DATA / "cytc_horse_1m60_nmr.pdb"), pairfit.read(DATA / "cytc_horse_2pcb_B.pdb")
    by_number = pairfit.compare(a, b)
    explicit = pairfit.compare(a, b, pairing=(by_number.pairs1, by_number.pairs2.tolist()))
    assert explicit.score_line() == by_number.score_line()
    assert np.array_equal(explicit.distances, by_number.distances)


@pytest.mark.parametrize("arguments, message", [
    (dict(pairing=([0, 1], [0])), "same length"),
    (dict(pairing=([0, 2, 1], [0, 1, 2])), "must increase"),
    (dict(pairing=([0, 1], [0, 104])), "outside structure 2"),
    (dict(pairing="alphabet"), "pairing"),
    (dict(mode="slow"), "mode"),
], ids=["lengths differ", "not increasing", "outside structure 2", "unknown pairing", "unknown mode"])
def test_bad_arguments_raise_value_error(arguments, message):
    a, b = DATA / "cytc_horse_1m60_nmr.pdb", DATA / "cytc_horse_2pcb_B.pdb"
    with pytest.raises(ValueError, match=message):
        pairfit.compare(a, b, **arguments)


def test_exception_in_progress_callback_stops_the_comparison():
    calls = []

    def stop_after_three(step):
        calls.append(step)
        if len(calls) == 3:
            raise KeyError("enough")

    with pytest.raises(KeyError, match="enough"):
        pairfit.compare(EXAMPLES / "demo_ldh_6ldh_A.pdb", EXAMPLES / "demo_ldh_1ldm_A.pdb",
                        progress=stop_after_three)
    assert len(calls) == 3


def test_result_dict_and_repr():
    r = pairfit.compare(DATA / "ubiquitin_1d3z_model1.pdb", DATA / "ubiquitin_1d3z_model2.pdb")
    d = r.to_dict()
    assert d["score"] == {"atoms": r.max_natoms, "size": r.size, "rms": r.rms, "score": r.score,
                          "pvalue": r.pvalue, "normalised_pvalue": r.normalised_pvalue}
    assert len(d["pairs"]) == r.npairs
    assert [p["residue1"] for p in d["pairs"]] == list(r.resnum1)
    assert [p["residue2"] for p in d["pairs"]] == list(r.resnum2)
    assert [p["in_subset"] for p in d["pairs"]] == list(r.in_subset)
    assert [p["distance"] for p in d["pairs"]] == list(r.distances)
    assert np.array_equal(d["transform"]["rotation"], r.rotation)
    assert np.array_equal(d["transform"]["translation"], r.translation)
    assert d["inputs"][1]["file"].endswith("ubiquitin_1d3z_model2.pdb")
    assert d["inputs"][1]["atoms"] == 76 and d["inputs"][1]["chains"] == ["A"]
    values = r.score_line().split("\t")
    assert "size=%s of 76 pairs, rms=%s, score=%s" % (values[1], values[2], values[3]) in repr(r)


@pytest.mark.parametrize("threads", [1, 2])
def test_fast_mode_gives_the_programs_fast_score_line(pairfit_binary, threads):
    a, b = str(EXAMPLES / "demo_ldh_6ldh_A.pdb"), str(EXAMPLES / "demo_ldh_1ldm_A.pdb")
    run = subprocess.run([pairfit_binary, "-fast", "-j", str(threads), a, b],
                         capture_output=True, text=True)
    assert run.returncode == 0
    r = pairfit.compare(a, b, mode="fast", threads=threads)
    assert r.score_line() == score_values(run.stdout.splitlines())


def _repeated_pdb(path, source, copies, shift):
    """copies of source's C-alpha atoms, copy c moved by c * shift, numbered
    on: more atoms than the exact search takes, one copy superposing at a time."""
    s = pairfit.read(source)
    lines, serial = [], 0
    for c in range(copies):
        for (x, y, z), name in zip(s.coordinates + c * np.array(shift), s.residue_names):
            serial += 1
            lines.append("ATOM  %5d  CA  %3s A%4d    %8.3f%8.3f%8.3f  1.00  0.00           C\n"
                         % (serial % 100000, name, serial % 10000, x, y, z))
    path.write_text("".join(lines) + "END\n")
    return str(path)


def test_fast_mode_takes_more_atoms_than_the_exact_search(pairfit_binary, tmp_path):
    big1 = _repeated_pdb(tmp_path / "big1.pdb", DATA / "ubiquitin_1d3z_model1.pdb", 70, (150, 0, 0))
    big2 = _repeated_pdb(tmp_path / "big2.pdb", DATA / "ubiquitin_1d3z_model2.pdb", 70, (0, 150, -70))
    with pytest.raises(pairfit.TooManyAtomsError):
        pairfit.read(big1)
    with pytest.raises(pairfit.TooManyAtomsError):
        pairfit.compare(big1, big2)
    assert len(pairfit.read(big1, max_atoms=None)) == 5320
    with pytest.raises(pairfit.TooManyAtomsError):
        pairfit.read(big1, max_atoms=5319)
    run = subprocess.run([pairfit_binary, "-fast", big1, big2], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    expected = score_values(run.stdout.splitlines())
    assert expected.startswith("5320\t76\t")
    assert pairfit.compare(big1, big2, mode="fast", threads=2).score_line() == expected
    structures = pairfit.read(big1, max_atoms=None), pairfit.read(big2, max_atoms=None)
    assert pairfit.compare(*structures, mode="fast").score_line() == expected
    many = pairfit.compare_pairs([(big1, big2), structures], mode="fast", threads=2)
    assert [r.score_line() for r in many] == [expected, expected]
    with pytest.raises(pairfit.TooManyAtomsError):
        pairfit.compare_pairs([(big1, big2)])


def test_compare_many_fast_equals_compare_fast():
    reference = DATA / "ubiquitin_1d3z_model1.pdb"
    models = [DATA / "ubiquitin_1d3z_model2.pdb", DATA / "ubiquitin_1ubq_xray.pdb"]
    results = pairfit.compare_many(reference, models, mode="fast", threads=2)
    assert [r.score_line() for r in results] == \
        [pairfit.compare(reference, m, mode="fast").score_line() for m in models]
    with pytest.raises(ValueError):
        pairfit.compare_all(models, mode="quick")
