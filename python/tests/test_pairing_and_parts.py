"""Pairing by structure or a given alignment, chains mapped in complexes,
and rigid domains through the module, each against the command-line
program's run of the same option."""

import json

import pytest

import pairfit
from conftest import DATA, HB, run, score_values

YEAST, HORSE = str(DATA / "cytc_yeast_1cih_negnum.pdb"), str(DATA / "cytc_horse_2pcb_B.pdb")
FAB = str(DATA / "fab_1a0q_inscodes.pdb.gz")
# The Fab's heavy and light chains pair residues of different names.
pytestmark = pytest.mark.filterwarnings("ignore::pairfit.PairingWarning")


def test_structure_pairing_and_alignments_read_back(pairfit_binary):
    r = pairfit.compare(YEAST, HORSE, pairing="structure")
    out = run(pairfit_binary, "-struct", "-aln", YEAST, HORSE).stdout.split("\n")
    assert out[0] == "SCORE:\t" + r.score_line()
    assert tuple(out[1:4]) == r.alignment_lines()
    assert pairfit.compare_many(YEAST, [HORSE], pairing="structure")[0].score_line() == r.score_line()
    top, _, bottom = r.alignment_lines()
    assert pairfit.compare(YEAST, HORSE, pairing=(top, bottom)).score_line() == r.score_line()
    with pytest.raises(pairfit.Error, match="record 1 of the alignment does not match .* at position 1"):
        pairfit.compare(YEAST, HORSE, pairing=(bottom, top))
    with pytest.raises(ValueError, match="structure"):
        pairfit.compare_many(YEAST, [HORSE], pairing="structural")


def test_chain_map_equals_the_program(pairfit_binary):
    shuffled = HB + "@//D,B,C,A"
    r = pairfit.compare(shuffled, HB, mode="fast", complex=True)
    assert r.chain_map == [("D", "D"), ("B", "B"), ("C", "C"), ("A", "A")]
    assert r.to_dict()["chain_map"][0] == {"chain1": "D", "chain2": "D"}
    assert list(r.structure2.chain_ids[:1]) == ["D"]
    out = run(pairfit_binary, "-complex", "-fast", shuffled, HB).stdout.splitlines()
    assert out[1] == "CHAINS:\tD=D\tB=B\tC=C\tA=A" and r.score_line() == score_values(out[:1])
    beta = str(DATA / "hemoglobin_2hhb_chainB_ca.pdb")
    assert pairfit.compare(HB, beta, complex=True, pairing="sequence").chain_map == \
        [("A", None), ("B", "B"), ("C", None), ("D", None)]
    single = pairfit.compare(beta, beta, complex=True)
    assert single.chain_map is None and single.score_line() == pairfit.compare(beta, beta).score_line()
    with pytest.raises(pairfit.Error, match="is similar in sequence"):
        pairfit.compare(HB, str(DATA / "ubiquitin_1ubq_xray.pdb"), complex=True)
    with pytest.raises(ValueError, match="complex=True"):
        pairfit.compare(HB, HB, complex=True, pairing=([0], [0]))


def test_domains_equal_the_program(pairfit_binary, tmp_path):
    heavy, light = FAB + "@//H", FAB + "@//L"
    r = pairfit.compare(heavy, light, pairing="sequence", domains=True)
    document = tmp_path / "d.json"
    out = run(pairfit_binary, "-domains", "-seq", "-json", document, heavy, light).stdout
    lines = [line.split("\t") for line in out.splitlines() if line.startswith("DOMAIN:")]
    assert [(d["size"], d["residues"], "%.1f" % d["angle"]) for d in r.domains] == [(int(f[2]), f[6], f[5])
                                                                                   for f in lines]
    assert r.domains[0]["pairs"] == [k for k, inside in enumerate(r.in_subset) if inside]
    written = json.loads(document.read_text())
    assert r.to_dict()["domains"] == written["domains"] == r.domains
    assert r.hinges == written["hinges"] and r.hinges[0]["residue_after"] == "H:140"
    strict = pairfit.compare(heavy, light, pairing="sequence", domains=True, domain_p=1e-3)
    assert len(strict.domains) == 1 and strict.hinges == []
    plain = pairfit.compare(heavy, light, pairing="sequence")
    assert plain.domains is None and plain.hinges is None and "domains" not in plain.to_dict()
    with pytest.raises(ValueError):
        pairfit.compare(heavy, light, domains=True, domain_p=2)
