"""pairfit.compare(..., complex=True): the chain map, and the command-line
program's -complex run for run."""

import subprocess

import pytest

import pairfit
from conftest import DATA, score_values

HEMOGLOBIN = str(DATA / "hemoglobin_2hhb_4chains.pdb.gz")


def test_chain_map_and_score_equal_the_program(pairfit_binary):
    shuffled = HEMOGLOBIN + "@//D,B,C,A"
    r = pairfit.compare(shuffled, HEMOGLOBIN, mode="fast", complex=True)
    assert r.chain_map == [("D", "D"), ("B", "B"), ("C", "C"), ("A", "A")]
    assert r.to_dict()["chain_map"][0] == {"chain1": "D", "chain2": "D"}
    assert list(r.structure2.chain_ids[:1]) == ["D"]
    out = subprocess.run([pairfit_binary, "-complex", "-fast", shuffled, HEMOGLOBIN],
                         capture_output=True, text=True, check=True).stdout
    assert out.splitlines()[1] == "CHAINS:\tD=D\tB=B\tC=C\tA=A"
    assert r.score_line() == score_values(out.splitlines()[:1])


def test_unmatched_chains_and_single_chains():
    beta = str(DATA / "hemoglobin_2hhb_chainB_ca.pdb")
    r = pairfit.compare(HEMOGLOBIN, beta, complex=True, pairing="sequence")
    assert r.chain_map == [("A", None), ("B", "B"), ("C", None), ("D", None)]
    single = pairfit.compare(beta, beta, complex=True)
    assert single.chain_map is None
    assert single.score_line() == pairfit.compare(beta, beta).score_line()


def test_bad_complex_arguments():
    with pytest.raises(pairfit.Error, match="is similar in sequence"):
        pairfit.compare(HEMOGLOBIN, str(DATA / "ubiquitin_1ubq_xray.pdb"), complex=True)
    with pytest.raises(ValueError, match="complex=True"):
        pairfit.compare(HEMOGLOBIN, HEMOGLOBIN, complex=True, pairing=([0], [0]))
