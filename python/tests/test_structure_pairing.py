"""Pairing by structure and by a given alignment through the module, against
the command-line program."""

import subprocess

import pytest

import pairfit
from conftest import DATA

YEAST = str(DATA / "cytc_yeast_1cih_negnum.pdb")
HORSE = str(DATA / "cytc_horse_2pcb_B.pdb")


def test_structure_pairing_equals_the_program(pairfit_binary):
    r = pairfit.compare(YEAST, HORSE, pairing="structure")
    out = subprocess.run([pairfit_binary, "-struct", "-aln", YEAST, HORSE], capture_output=True,
                         text=True, check=True).stdout.split("\n")
    assert out[0] == "SCORE:\t" + r.score_line()
    assert tuple(out[1:4]) == r.alignment_lines()
    [many] = pairfit.compare_many(YEAST, [HORSE], pairing="structure")
    assert many.score_line() == r.score_line()


def test_alignment_lines_read_back_and_bad_alignments_refused():
    r = pairfit.compare(YEAST, HORSE, pairing="structure")
    top, _, bottom = r.alignment_lines()
    again = pairfit.compare(YEAST, HORSE, pairing=(top, bottom))
    assert again.score_line() == r.score_line()
    with pytest.raises(pairfit.Error, match="record 1 of the alignment does not match .* at position 1"):
        pairfit.compare(YEAST, HORSE, pairing=(bottom, top))
    with pytest.raises(ValueError, match="structure"):
        pairfit.compare_many(YEAST, [HORSE], pairing="structural")
