"""The standard scores through the module: lDDT against an independent
numpy computation, the values against pairfit -metrics, and to_dict()
against the document pairfit -json writes."""

import json
import subprocess
import warnings

import numpy as np
import pytest

import pairfit
from conftest import DATA, EXAMPLES


def numpy_lddt(a, b, pairs1, pairs2):
    """C-alpha lDDT of b against a from the definition: distances of a under
    15 A between different atoms; conserved at t when both atoms are paired
    and the partners' distance differs by less than t."""
    xa = a.coordinates
    partner = np.full(len(a), -1)
    partner[pairs1] = pairs2
    da = np.linalg.norm(xa[:, None, :] - xa[None, :, :], axis=2)
    considered = (da < 15.0) & ~np.eye(len(a), dtype=bool)
    paired = (partner[:, None] >= 0) & (partner[None, :] >= 0)
    xb = b.coordinates[np.maximum(partner, 0)]
    db = np.linalg.norm(xb[:, None, :] - xb[None, :, :], axis=2)
    change = np.abs(da - db)
    kept = sum(((change < t) & paired & considered).sum(axis=1) for t in (0.5, 1.0, 2.0, 4.0))
    per_atom = np.where(considered.sum(axis=1) > 0, kept / (4.0 * np.maximum(considered.sum(axis=1), 1)), 0.0)
    return kept.sum() / (4.0 * considered.sum()), per_atom


@pytest.mark.parametrize("one, two", [
    (DATA / "ubiquitin_1ubq_xray.pdb", DATA / "ubiquitin_1d3z_model1.pdb"),
    (DATA / "hemoglobin_2hhb_chainB_ca.pdb", DATA / "hemoglobin_2hhb_chainA_ca.pdb"),  # unpaired residues
    (EXAMPLES / "demo_ldh_6ldh_A.pdb", EXAMPLES / "demo_ldh_1ldm_A.pdb"),
], ids=["ubiquitin", "hemoglobin chains", "lactate dehydrogenase"])
def test_lddt_matches_an_independent_computation(one, two):
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", pairfit.PairingWarning)
        r = pairfit.compare(one, two, metrics=True)
    total, per_atom = numpy_lddt(r.structure1, r.structure2, r.pairs1, r.pairs2)
    assert r.lddt == pytest.approx(total, abs=1e-12)
    assert r.residue_lddt.shape == (len(r.structure1),)
    np.testing.assert_allclose(r.residue_lddt, per_atom, atol=1e-12)


def test_values_and_document_match_the_program(pairfit_binary, tmp_path):
    one, two = str(EXAMPLES / "demo_ldh_6ldh_A.pdb"), str(EXAMPLES / "demo_ldh_1ldm_A.pdb")
    path = tmp_path / "run.json"
    run = subprocess.run([pairfit_binary, "-metrics", "-json", str(path), one, two],
                         capture_output=True, text=True, check=True)
    values = run.stdout.splitlines()[-1].split("\t")
    r = pairfit.compare(one, two, metrics=True)
    ours = ["%.4f" % v for v in (r.tm_score, r.gdt_ts, r.gdt_ha, r.lddt)] + ["%.3f" % r.rmsd_all]
    assert values == ["METRICS:"] + ours + [str(r.npairs), str(len(r.structure1))]
    document = r.to_dict()
    assert json.loads(json.dumps(document)) == document
    assert document == json.loads(path.read_text())
    assert document["metrics"]["tm_score"] == r.tm_score
    assert [p["lddt"] for p in document["pairs"]] == list(r.residue_lddt[r.pairs1])


def test_metrics_only_when_asked_and_zero_with_a_warning_when_impossible():
    r = pairfit.compare(DATA / "ubiquitin_1d3z_model1.pdb", DATA / "ubiquitin_1d3z_model2.pdb")
    assert r.tm_score is None and r.residue_lddt is None
    assert 0.5 < r.to_dict()["metrics"]["tm_score"] <= 1.0  # the document always has them
    with pytest.warns(pairfit.MetricsWarning, match="no pairs"):
        r = pairfit.compare(DATA / "ubiquitin_1d3z_model1.pdb", DATA / "ubiquitin_1d3z_model2.pdb",
                            pairing=([], []), metrics=True)
    assert (r.tm_score, r.gdt_ts, r.gdt_ha, r.lddt, r.rmsd_all) == (0, 0, 0, 0, 0)
    assert "no pairs" in r.to_dict()["warnings"][-1]


@pytest.mark.parametrize("pairing", ["number", "sequence", "structure", "aligned", "indices"])
@pytest.mark.parametrize("metrics", [False, True])
def test_document_is_json_for_every_pairing(pairing, metrics):
    one, two = pairfit.read(DATA / "hemoglobin_2hhb_chainA_ca.pdb"), pairfit.read(DATA / "hemoglobin_2hhb_chainB_ca.pdb")
    if pairing == "aligned":
        pairing = tuple(pairfit.compare(one, two, pairing="structure").alignment_lines()[::2])
    elif pairing == "indices":
        pairing = (np.arange(5, 100), np.arange(8, 103))
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", pairfit.PairingWarning)
        r = pairfit.compare(one, two, pairing=pairing, metrics=metrics)
    document = r.to_dict()
    assert json.loads(json.dumps(document, allow_nan=False)) == document
    assert len(document["pairs"]) == r.npairs


def test_document_warnings_are_the_programs(pairfit_binary, tmp_path):
    nmr, four = str(DATA / "ubiquitin_1d3z_nmr.pdb.gz"), str(DATA / "hemoglobin_2hhb_4chains.pdb.gz")
    path = tmp_path / "run.json"
    subprocess.run([pairfit_binary, "-json", str(path), nmr, four], capture_output=True, check=True)
    program = json.loads(path.read_text())["warnings"]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        r = pairfit.compare(nmr, four)
    ours = r.to_dict()["warnings"]
    # Several models, residue names (without the programs' hint at their
    # options), merged chains: the first two emitted, as pairfit prints them.
    assert len(program) == 3
    assert ours == [program[0], program[1].split("; residues are paired by number")[0], program[2]]
    assert [(w.category, str(w.message)) for w in caught] == [(pairfit.PairingWarning, w) for w in ours[:2]]
