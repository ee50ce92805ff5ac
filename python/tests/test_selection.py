"""Selections of models and chains, pairing by sequence and the warning
about residues of different names, against the command-line program."""

import warnings

import pytest

import pairfit
from conftest import DATA, HB, NMR, run, score_values

NEGNUM, FROM1 = str(DATA / "cytc_yeast_1cih_negnum.pdb"), str(DATA / "cytc_yeast_1u74_D_from1.pdb")


@pytest.mark.parametrize("options, name1, name2", [
    ([], HB + "@//B", str(DATA / "hemoglobin_2hhb_chainB_ca.pdb")),
    ([], NMR + "@/2", str(DATA / "ubiquitin_1d3z_model1.pdb")),
    ([], str(DATA / "ubiquitin_1d3z_nmr.cif.gz") + "@/3", NMR + "@/4"),
    (["-seq"], NEGNUM, FROM1),
    (["-seq"], HB + "@/1/A,B", HB + "@/1/C,D"),
], ids=["chain", "model", "cif model", "seq renumbered", "seq chains"])
def test_named_selections_and_sequence_pairing_give_the_programs_score_line(pairfit_binary, options, name1, name2):
    done = run(pairfit_binary, *options, name1, name2)
    assert done.returncode == 0
    pairing = "sequence" if "-seq" in options else "number"
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", pairfit.PairingWarning)
        r = pairfit.compare(name1, name2, pairing=pairing)
        many = pairfit.compare_pairs([(name1, name2)], pairing=pairing, threads=2)[0]
    assert r.score_line() == many.score_line() == score_values(done.stdout.splitlines())
    assert r.structure1.name == name1


@pytest.mark.parametrize("selection, error", [
    ("//B/1-20", pairfit.BadSelectionError),
    ("//Z", pairfit.NothingSelectedError),
    ("/11", pairfit.NothingSelectedError),
], ids=["bad range", "no chain", "no model"])
def test_selection_errors_carry_the_programs_message(pairfit_binary, selection, error):
    done = run(pairfit_binary, HB + "@" + selection, HB)
    assert done.returncode == 1
    with pytest.raises(error) as raised:
        pairfit.read(HB, selection=selection)
    assert str(raised.value) == done.stderr.rstrip("\n") and raised.value.path == HB
    assert all(isinstance(raised.value, t) for t in (pairfit.SelectionError, ValueError))
    with pytest.raises(error):
        pairfit.compare_many(HB, [HB + "@" + selection], threads=2)


def test_pairing_warning_is_the_libraries_warning_on_the_calling_thread(pairfit_binary):
    [program] = run(pairfit_binary, NEGNUM, FROM1).stderr.splitlines()
    for call, count in ((lambda: pairfit.compare(NEGNUM, FROM1), 1),
                        (lambda: pairfit.compare_many(NEGNUM, [FROM1, NEGNUM, FROM1], threads=2), 2),
                        (lambda: pairfit.compare(NEGNUM, FROM1, pairing="sequence"), 0)):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            call()
        # The program adds a hint about its own options after "; ".
        assert len(caught) == count
        assert all(w.category is pairfit.PairingWarning and w.filename == __file__ and
                   program.startswith(str(w.message) + "; ") for w in caught)
