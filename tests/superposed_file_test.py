"""pairfit -sup read back with gemmi: both inputs complete, structure 2
moved onto structure 1, and the subset's C-alpha RMS as pairfit reports it.
And pairfit -pml run by PyMOL itself, headless: the script loads the -sup
file as two objects and the rendered picture shows all four colours; -pml
without -sup is refused.

Usage: superposed_file_test.py PAIRFIT SOURCE_DIR
"""

import colorsys
import math
import os
import re
import subprocess
import sys
import tempfile

import gemmi
import matplotlib.image

PAIRFIT, SOURCE = sys.argv[1:3]
DATA, EXAMPLES = os.path.join(SOURCE, "tests", "data"), os.path.join(SOURCE, "examples")
LDH1, LDH2 = os.path.join(EXAMPLES, "demo_ldh_6ldh_A.pdb"), os.path.join(EXAMPLES, "demo_ldh_1ldm_A.pdb")
HB4 = os.path.join(DATA, "hemoglobin_2hhb_4chains.pdb.gz")  # identifiers past column 72


def read_input(path):
    try:
        return gemmi.read_structure(path)
    except RuntimeError:
        # An old entry with its identifier in columns 73-80.
        return gemmi.read_pdb(path, max_line_length=72)


def atom_counts(structure):
    return [sum(len(res) for chain in model for res in chain) for model in structure]


def subset_ca(model):
    """The C-alpha atoms flagged (B-factor 1) as in the subset, by chain,
    residue number and insertion code."""
    return {(chain.name, res.seqid.num, res.seqid.icode): atom.pos
            for chain in model for res in chain for atom in res if atom.name == "CA" and atom.b_iso == 1.0}


def superpose(one, two, path, *options):
    return subprocess.run([PAIRFIT, *options, "-sup", path, one, two], check=True, capture_output=True,
                          text=True).stdout.split("\n")


def check_pair(one, two, path):
    out = superpose(one, two, path, "-o")
    score = out[0].split("\t")
    rms = float(out[1].split()[5])  # "Overall average RMS deviation is R Angstroms."
    written, inputs = gemmi.read_structure(path), [read_input(one), read_input(two)]
    # Structure 1's models first, as read; then structure 2's, moved.
    assert atom_counts(written) == atom_counts(inputs[0]) + atom_counts(inputs[1]), path
    a, b = subset_ca(written[0]), subset_ca(written[len(inputs[0])])
    assert len(a) == int(score[2]) and set(a) == set(b), path
    file_rms = math.sqrt(sum(a[k].dist(b[k]) ** 2 for k in a) / len(a))
    assert abs(file_rms - rms) <= 0.001 and "%.1f" % file_rms == "%.1f" % float(score[3]), (path, file_rms, rms)
    # Structure 1 stays in its own frame.
    assert written[0][0][0][0].pos.dist(inputs[0][0][0][0][0].pos) < 0.001, path


# A comma in the directory: PyMOL's command syntax would split the path.
with tempfile.TemporaryDirectory(prefix="pairfit_sup,") as scratch:
    # The ten NMR models are all written, after structure 1's one.
    for k, (one, two, suffix) in enumerate([(LDH1, LDH2, ".cif"), (LDH1, LDH2, ".pdb"),
                                            (os.path.join(DATA, "demo_ldh_6ldh_A.cif.gz"), LDH2, ".CIF"),
                                            (HB4, HB4, ".cif"), (os.path.join(DATA, "ubiquitin_1ubq_xray.pdb"),
                                                                 os.path.join(DATA, "ubiquitin_1d3z_nmr.pdb.gz"), ".pdb")]):
        check_pair(one, two, os.path.join(scratch, "sup%d%s" % (k, suffix)))
    # Structure 1 narrowed to chain B: only its atoms are written.
    path = os.path.join(scratch, "chain_b.cif")
    out = superpose(HB4 + "@//B", os.path.join(DATA, "hemoglobin_2hhb_chainB_ca.pdb"), path)
    assert out[0] == "SCORE:\t146\t146\t0.0\t2920.0\t8.922178e-08\t4.410088e+01", out
    written, whole = gemmi.read_structure(path), read_input(HB4)
    gemmi.Selection("//B").remove_not_selected(whole)
    assert [[c.name for c in m] for m in written] == [["B"], ["B"]]
    assert atom_counts(written) == [atom_counts(whole)[0], 146] and len(subset_ca(written[0])) == 146

    done = subprocess.run([PAIRFIT, "-pml", "show.pml", LDH1, LDH2], cwd=scratch, capture_output=True, text=True)
    assert (done.returncode, done.stdout, os.path.exists(os.path.join(scratch, "show.pml"))) == (1, "", False), done
    assert done.stderr == "pairfit: -pml needs -sup FILE: the script shows that file\n", done.stderr

    subprocess.run([PAIRFIT, "-sup", "superposed.cif", "-pml", "show.pml", LDH1, LDH2], cwd=scratch, check=True,
                   capture_output=True)
    script, picture = os.path.join(scratch, "show.pml"), os.path.join(scratch, "picture.png")
    colours = re.findall(r"^set_color (\w+), \[([\d.]+), ([\d.]+), ([\d.]+)\]$", open(script).read(), re.M)
    assert len(colours) == 4, colours
    # Run from elsewhere: the script names the superposed file in full. PyMOL's
    # launcher runs "python3": Debian's, which has the pymol module.
    shown = subprocess.run(
        ["pymol", "-cq", script, "-d", "print('OBJECTS', cmd.get_names(), cmd.count_atoms('structure1 and name CA'),"
         " cmd.count_atoms('structure2 and name CA'))\ncmd.png(%r, width=480, height=360, ray=1)" % picture],
        cwd="/", env=dict(os.environ, PATH="/usr/bin:/bin"), capture_output=True, text=True, timeout=300)
    log = shown.stdout + shown.stderr
    assert shown.returncode == 0 and "Error" not in log and "OBJECTS ['structure1', 'structure2'] 329 329" in log, log

    # Every pixel of a strong colour counts for the script colour nearest in hue.
    wanted = {name: colorsys.rgb_to_hsv(float(r), float(g), float(b))[0] * 360 for name, r, g, b in colours}
    counts = dict.fromkeys(wanted, 0)
    for row in matplotlib.image.imread(picture):
        for pixel in row:
            h, s, v = colorsys.rgb_to_hsv(*pixel[:3])
            if s >= 0.4 and v >= 0.25:
                distance, name = min((min(abs(h * 360 - w), 360 - abs(h * 360 - w)), n) for n, w in wanted.items())
                counts[name] += distance < 12
    assert min(counts.values()) > 30, counts
print("the superposed files read back; the PyMOL script renders them in four colours")
