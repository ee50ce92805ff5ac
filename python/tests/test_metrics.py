"""The standard scores through the module: the values against pairfit
-metrics, and to_dict() against the document pairfit -json writes."""

import json
import warnings

import numpy as np
import pytest

import pairfit
from conftest import DATA, HB, LDH, NMR, UBQ1, UBQ2, run


def test_values_and_document_match_the_program(pairfit_binary, tmp_path):
    path = tmp_path / "run.json"
    values = run(pairfit_binary, "-metrics", "-json", path, *LDH).stdout.splitlines()[-1].split("\t")
    r = pairfit.compare(*LDH, metrics=True)
    ours = ["%.4f" % v for v in (r.tm_score, r.gdt_ts, r.gdt_ha, r.lddt)] + ["%.3f" % r.rmsd_all]
    assert values == ["METRICS:"] + ours + [str(r.npairs), str(len(r.structure1))]
    document = r.to_dict()
    assert document == json.loads(path.read_text()) == json.loads(json.dumps(document))
    assert [p["lddt"] for p in document["pairs"]] == list(r.residue_lddt[r.pairs1])


def test_metrics_only_when_asked_and_zero_with_a_warning_when_impossible():
    r = pairfit.compare(UBQ1, UBQ2)
    assert r.tm_score is None and r.residue_lddt is None
    assert 0.5 < r.to_dict()["metrics"]["tm_score"] <= 1.0  # the document always has them
    with pytest.warns(pairfit.MetricsWarning, match="no pairs"):
        r = pairfit.compare(UBQ1, UBQ2, pairing=([], []), metrics=True)
    assert (r.tm_score, r.gdt_ts, r.gdt_ha, r.lddt, r.rmsd_all) == (0, 0, 0, 0, 0)
    assert "no pairs" in r.to_dict()["warnings"][-1]


@pytest.mark.parametrize("pairing", ["number", "sequence", "structure", "aligned", "indices"])
def test_document_is_json_for_every_pairing(pairing):
    one, two = pairfit.read(DATA / "hemoglobin_2hhb_chainA_ca.pdb"), pairfit.read(DATA / "hemoglobin_2hhb_chainB_ca.pdb")
    if pairing == "aligned":
        pairing = tuple(pairfit.compare(one, two, pairing="structure").alignment_lines()[::2])
    elif pairing == "indices":
        pairing = (np.arange(5, 100), np.arange(8, 103))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", pairfit.PairingWarning)
        for metrics in (False, True):
            document = pairfit.compare(one, two, pairing=pairing, metrics=metrics).to_dict()
            assert json.loads(json.dumps(document, allow_nan=False)) == document


def test_document_warnings_are_the_programs(pairfit_binary, tmp_path):
    path = tmp_path / "run.json"
    run(pairfit_binary, "-json", path, NMR, HB)
    program = json.loads(path.read_text())["warnings"]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        ours = pairfit.compare(NMR, HB).to_dict()["warnings"]
    # Several models, residue names (without the programs' hint at their
    # options), merged chains: the first two emitted, as pairfit prints them.
    assert ours == [program[0], program[1].split("; residues are paired by number")[0], program[2]]
    assert [(w.category, str(w.message)) for w in caught] == [(pairfit.PairingWarning, w) for w in ours[:2]]
