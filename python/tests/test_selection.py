"""Selections of models and chains, pairing by sequence and the warning
about residues of different names, against the command-line program."""

import pickle
import subprocess
import warnings

import numpy as np
import pytest

import pairfit
from conftest import DATA, score_values

HB = str(DATA / "hemoglobin_2hhb_4chains.pdb.gz")
NMR = str(DATA / "ubiquitin_1d3z_nmr.pdb.gz")
NEGNUM, FROM1 = str(DATA / "cytc_yeast_1cih_negnum.pdb"), str(DATA / "cytc_yeast_1u74_D_from1.pdb")


def run_program(binary, *args):
    run = subprocess.run([binary, *args], capture_output=True, text=True)
    return run.returncode, run.stdout, run.stderr


@pytest.mark.parametrize("options, name1, name2", [
    ([], HB + "@//B", str(DATA / "hemoglobin_2hhb_chainB_ca.pdb")),
    ([], NMR + "@/2", str(DATA / "ubiquitin_1d3z_model1.pdb")),
    ([], str(DATA / "ubiquitin_1d3z_nmr.cif.gz") + "@/3", NMR + "@/4"),
    (["-seq"], NEGNUM, FROM1),
    (["-seq"], HB + "@/1/A,B", HB + "@/1/C,D"),
], ids=["chain", "model", "cif model", "seq renumbered", "seq chains"])
def test_named_selections_and_sequence_pairing_give_the_programs_score_line(
        pairfit_binary, options, name1, name2):
    status, out, _ = run_program(pairfit_binary, *options, name1, name2)
    assert status == 0
    pairing = "sequence" if "-seq" in options else "number"
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", pairfit.PairingWarning)
        r = pairfit.compare(name1, name2, pairing=pairing)
        many = pairfit.compare_pairs([(name1, name2)], pairing=pairing, threads=2)[0]
    assert r.score_line() == score_values(out.splitlines())
    assert many.score_line() == r.score_line()
    assert r.structure1.name == name1


def test_selection_argument_equals_the_name_syntax_and_the_single_chain_file():
    by_argument = pairfit.read(HB, selection="//A")
    by_name = pairfit.read(HB + "@//A")
    alone = pairfit.read(DATA / "hemoglobin_2hhb_chainA_ca.pdb")
    for s in (by_argument, by_name):
        assert s.source == HB and s.selection == "//A" and s.name == HB + "@//A"
        assert np.array_equal(s.coordinates, alone.coordinates)
        assert s.residue_names == alone.residue_names
    assert pairfit.read(HB).selection == ""
    copy = pickle.loads(pickle.dumps(by_name))
    assert copy.name == by_name.name


@pytest.mark.parametrize("selection, error", [
    ("//B/1-20", pairfit.BadSelectionError),
    ("//Z", pairfit.NothingSelectedError),
    ("/11", pairfit.NothingSelectedError),
], ids=["bad range", "no chain", "no model"])
def test_selection_errors_carry_the_programs_message(pairfit_binary, selection, error):
    status, _, err = run_program(pairfit_binary, HB + "@" + selection, HB)
    assert status == 1
    with pytest.raises(error) as raised:
        pairfit.read(HB, selection=selection)
    assert str(raised.value) == err.rstrip("\n")
    assert all(isinstance(raised.value, t) for t in (pairfit.SelectionError, ValueError)) and raised.value.path == HB
    with pytest.raises(error):
        pairfit.compare_many(HB, [HB + "@" + selection], threads=2)


def test_pairing_warning_is_the_libraries_warning_on_the_calling_thread(pairfit_binary):
    _, _, err = run_program(pairfit_binary, NEGNUM, FROM1)
    program = err.splitlines()
    assert len(program) == 1
    for call, count in ((lambda: pairfit.compare(NEGNUM, FROM1), 1),
                        (lambda: pairfit.compare_many(NEGNUM, [FROM1, NEGNUM, FROM1], threads=2), 2)):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            call()
        # The program adds a hint about its own options after "; ".
        assert all(w.category is pairfit.PairingWarning for w in caught)
        assert all(program[0].startswith(str(w.message) + "; ") for w in caught)
        assert all(w.filename == __file__ for w in caught)
        assert len(caught) == count
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        pairfit.compare(NEGNUM, FROM1, pairing="sequence")
    assert caught == []
