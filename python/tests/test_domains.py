"""pairfit.compare(..., domains=True): the rigid domains and hinges, as the
command-line program's -domains prints them and its -json writes them."""

import json
import subprocess

import pytest

import pairfit
from conftest import DATA

FAB = str(DATA / "fab_1a0q_inscodes.pdb.gz")


def test_domains_equal_the_program(pairfit_binary, tmp_path):
    heavy, light = FAB + "@//H", FAB + "@//L"
    r = pairfit.compare(heavy, light, pairing="sequence", domains=True)
    document = tmp_path / "d.json"
    out = subprocess.run([pairfit_binary, "-domains", "-seq", "-json", str(document), heavy, light],
                         capture_output=True, text=True, check=True).stdout
    lines = [line.split("\t") for line in out.splitlines() if line.startswith("DOMAIN:")]
    assert [(d["size"], d["residues"]) for d in r.domains] == [(int(f[2]), f[6]) for f in lines]
    assert ["%.1f" % d["angle"] for d in r.domains] == [f[5] for f in lines]
    assert r.domains[0]["pairs"] == [k for k, inside in enumerate(r.in_subset) if inside]
    written = json.loads(document.read_text())
    assert r.to_dict()["domains"] == written["domains"] == r.domains
    assert r.hinges == written["hinges"] and r.hinges[0]["residue_after"] == "H:140"
    json.dumps(r.to_dict())

    strict = pairfit.compare(heavy, light, pairing="sequence", domains=True, domain_p=1e-3)
    assert len(strict.domains) == 1 and strict.hinges == []
    plain = pairfit.compare(heavy, light, pairing="sequence")
    assert plain.domains is None and plain.hinges is None and "domains" not in plain.to_dict()
    with pytest.raises(ValueError):
        pairfit.compare(heavy, light, domains=True, domain_p=2)
