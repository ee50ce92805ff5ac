"""pairfit -sup read back with gemmi: both inputs complete, structure 2
moved onto structure 1, and the subset's C-alpha RMS as pairfit reports it.

Usage: superposed_file_test.py PAIRFIT SOURCE_DIR
"""

import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import gemmi

PAIRFIT, SOURCE = sys.argv[1:3] if len(sys.argv) >= 3 else (None, None)


def read_input(path):
    try:
        return gemmi.read_structure(path)
    except RuntimeError:
        # An old entry with its identifier in columns 73-80.
        return gemmi.read_pdb(path, max_line_length=72)


def atom_count(model):
    return sum(len(res) for chain in model for res in chain)


def subset_ca(model):
    """Positions of the C-alpha atoms flagged (B-factor 1) as in the subset,
    by chain, residue number and insertion code."""
    return {(chain.name, res.seqid.num, res.seqid.icode): atom.pos
            for chain in model for res in chain for atom in res
            if atom.name == "CA" and atom.b_iso == 1.0}


class SuperposedFile(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="pairfit-sup-")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def check(self, one, two, suffix):
        out_path = os.path.join(self.dir, "sup" + suffix)
        out = subprocess.run([PAIRFIT, "-o", "-sup", out_path, one, two], check=True,
                             capture_output=True, text=True).stdout.split("\n")
        score = out[0].split("\t")
        size, rounded_rms = int(score[2]), float(score[3])
        # "Overall average RMS deviation is R Angstroms."
        rms = float(out[1].split()[5])

        st = gemmi.read_structure(out_path)
        inputs = [read_input(one), read_input(two)]
        self.assertEqual(len(st), len(inputs[0]) + len(inputs[1]))
        # Structure 1's models first, as read; then structure 2's, moved.
        first_models = len(inputs[0])
        self.assertEqual([atom_count(m) for m in st], [atom_count(m) for m in inputs[0]] + [atom_count(m) for m in inputs[1]])
        a, b = subset_ca(st[0]), subset_ca(st[first_models])
        self.assertEqual(len(a), size)
        self.assertEqual(set(a), set(b))
        file_rms = math.sqrt(sum(a[k].dist(b[k]) ** 2 for k in a) / len(a))
        self.assertAlmostEqual(file_rms, rms, delta=0.001)
        self.assertEqual("%.1f" % file_rms, "%.1f" % rounded_rms)
        # Structure 1 stays in its own frame.
        original = inputs[0][0][0][0][0].pos
        self.assertLess(st[0][0][0][0].pos.dist(original), 0.001)

    def test_selected_chain_only(self):
        # Structure 1 narrowed to chain B: only its atoms are written.
        four = os.path.join(SOURCE, "tests", "data", "hemoglobin_2hhb_4chains.pdb.gz")
        chain_b = os.path.join(SOURCE, "tests", "data", "hemoglobin_2hhb_chainB_ca.pdb")
        out_path = os.path.join(self.dir, "chain_b.cif")
        out = subprocess.run([PAIRFIT, "-sup", out_path, four + "@//B", chain_b], check=True,
                             capture_output=True, text=True).stdout
        self.assertEqual(out, "SCORE:\t146\t146\t0.0\t2920.0\t8.922178e-08\t4.410088e+01\n")
        st = gemmi.read_structure(out_path)
        whole = read_input(four)
        gemmi.Selection("//B").remove_not_selected(whole)
        self.assertEqual([[c.name for c in m] for m in st], [["B"], ["B"]])
        self.assertEqual([atom_count(m) for m in st], [atom_count(whole[0]), 146])
        self.assertEqual(len(subset_ca(st[0])), 146)

    def test_pairs_in_every_format(self):
        data, examples = os.path.join(SOURCE, "tests", "data"), os.path.join(SOURCE, "examples")
        ldh1, ldh2 = os.path.join(examples, "demo_ldh_6ldh_A.pdb"), os.path.join(examples, "demo_ldh_1ldm_A.pdb")
        hb = os.path.join(data, "hemoglobin_2hhb_4chains.pdb.gz")  # identifiers past column 72
        # The ten NMR models are all written, numbered after structure 1's one.
        for one, two, suffix in ((ldh1, ldh2, ".cif"), (ldh1, ldh2, ".pdb"),
                                 (os.path.join(data, "demo_ldh_6ldh_A.cif.gz"), ldh2, ".CIF"), (hb, hb, ".cif"),
                                 (os.path.join(data, "ubiquitin_1ubq_xray.pdb"),
                                  os.path.join(data, "ubiquitin_1d3z_nmr.pdb.gz"), ".pdb")):
            with self.subTest(one=one, two=two, suffix=suffix):
                self.check(one, two, suffix)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
