"""pairfit -metrics against the TM-score program of Debian's tm-align
package (/usr/bin/TMscore), run as a black box on real single-chain pairs
and on variants made from them (noise, a turned domain, missing residues,
renumbering). Both programs read the same files and pair by residue number
the same way; TMscore is run as "TMscore model native", native being
pairfit's structure 1. pairfit's TM-score must be at least TMscore's minus
0.001 and its GDT-TS and GDT-HA at least TMscore's minus 0.005 on every
pair, and its TM-score within 0.001 of TMscore's on at least 95% of pairs.
GDT values may be higher by more: pairfit refines at each GDT cutoff, so
its maxima are often better ones; the table printed counts them.

Usage: metrics_yardstick_test.py PAIRFIT SOURCE_DIR [--table]
"""

import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np

TMSCORE = "/usr/bin/TMscore"
TM_BAND, GDT_BAND = 0.001, 0.005


def ca_lines(source, model_number, chain):
    """The C-alpha ATOM lines of one model (1, 2, ...) and chain of a PDB
    file, plain or gzip."""
    opener = gzip.open if source.endswith(".gz") else open
    lines, model = [], 1
    with opener(source, "rt") as f:
        for line in f:
            if line.startswith("MODEL"):
                model = int(line[10:14])
            elif (line.startswith("ATOM") and line[12:16] == " CA " and model == model_number
                  and (chain is None or line[21] == chain)):
                lines.append(line.rstrip("\n"))
    return lines


def write_lines(lines, path, change=None, offset=0, drop=()):
    """Writes C-alpha lines as a PDB file: positions changed by
    change(positions) -> positions, residue numbers shifted by offset, the
    residues numbered in drop left out."""
    xyz = np.array([[float(l[30:38]), float(l[38:46]), float(l[46:54])] for l in lines])
    if change is not None:
        xyz = change(xyz)
    with open(path, "w") as out:
        for line, p in zip(lines, xyz):
            number = int(line[22:26])
            if number in drop:
                continue
            out.write("%s%4d%s%8.3f%8.3f%8.3f%s\n" % (line[:22], number + offset, line[26:30], p[0], p[1], p[2],
                                                    line[54:]))
        out.write("END\n")


def turned(start, angle_degrees):
    """Turns the C-alpha atoms from index start on about an axis through the
    atom at start, as a hinge would."""
    def change(xyz):
        xyz = xyz.copy()
        a = np.radians(angle_degrees)
        axis = np.array([0.3, 0.8, 0.52])
        axis /= np.linalg.norm(axis)
        k = np.array([[0, -axis[2], axis[1]], [axis[2], 0, -axis[0]], [-axis[1], axis[0], 0]])
        rot = np.eye(3) + np.sin(a) * k + (1 - np.cos(a)) * k @ k
        pivot = xyz[start]
        xyz[start:] = (xyz[start:] - pivot) @ rot.T + pivot
        return xyz
    return change


def noisy(sigma, seed):
    def change(xyz):
        return xyz + np.random.default_rng(seed).normal(0.0, sigma, xyz.shape)
    return change


def make_cases(src, tmp):
    data, examples = os.path.join(src, "tests", "data"), os.path.join(src, "examples")
    d = lambda name: os.path.join(data, name)
    t = lambda name: os.path.join(tmp, name)
    cases = []
    both = lambda a, b: cases.extend([(a, b), (b, a)])
    both(d("ubiquitin_1d3z_model1.pdb"), d("ubiquitin_1d3z_model2.pdb"))
    both(d("ubiquitin_1ubq_xray.pdb"), d("ubiquitin_1d3z_model1.pdb"))
    nmr = d("ubiquitin_1d3z_nmr.pdb.gz")
    for m in range(10):
        write_lines(ca_lines(nmr, m + 1, "A"), t("ubq_model%d.pdb" % (m + 1)))
    for m in range(2, 11):
        cases.append((t("ubq_model1.pdb"), t("ubq_model%d.pdb" % m)))
    for m in (3, 6, 9):
        cases.append((d("ubiquitin_1ubq_xray.pdb"), t("ubq_model%d.pdb" % m)))
    both(d("cytc_horse_2pcb_B.pdb"), d("cytc_horse_1m60_nmr.pdb"))
    both(os.path.join(examples, "demo_ldh_6ldh_A.pdb"), os.path.join(examples, "demo_ldh_1ldm_A.pdb"))
    both(d("hemoglobin_2hhb_chainA_ca.pdb"), d("hemoglobin_2hhb_chainB_ca.pdb"))
    hb = d("hemoglobin_2hhb_4chains.pdb.gz")
    for c in "ABCD":
        write_lines(ca_lines(hb, 1, c), t("hb_%s.pdb" % c))
    both(t("hb_A.pdb"), t("hb_C.pdb"))
    both(t("hb_B.pdb"), t("hb_D.pdb"))
    for name, chains in (("3o21", "CD"), ("3p3w", "AC")):
        path = d("large_glua3ntd_%s_%s.pdb.gz" % (name, chains))
        for c in chains:
            write_lines(ca_lines(path, 1, c), t("%s_%s.pdb" % (name, c)))
    both(t("3o21_C.pdb"), t("3p3w_A.pdb"))
    both(t("3o21_D.pdb"), t("3p3w_C.pdb"))
    cases.append((t("3o21_C.pdb"), t("3o21_D.pdb")))
    cases.append((t("3p3w_A.pdb"), t("3p3w_C.pdb")))
    # Variants: noise, a turned domain, missing residues, a renumbered copy.
    ubq, ldh = d("ubiquitin_1ubq_xray.pdb"), os.path.join(examples, "demo_ldh_6ldh_A.pdb")
    for sigma, seed in ((0.5, 1), (1.5, 2), (3.0, 3), (5.0, 4)):
        write_lines(ca_lines(ubq, 1, "A"), t("ubq_noise%d.pdb" % seed), noisy(sigma, seed))
        cases.append((ubq, t("ubq_noise%d.pdb" % seed)))
    for start, angle, tag in ((40, 25, "a"), (55, 60, "b"), (20, 90, "c")):
        write_lines(ca_lines(ubq, 1, "A"), t("ubq_turn%s.pdb" % tag), turned(start, angle))
        both(ubq, t("ubq_turn%s.pdb" % tag))
    for start, angle, tag in ((160, 20, "a"), (250, 45, "b")):
        write_lines(ca_lines(ldh, 1, "A"), t("ldh_turn%s.pdb" % tag), turned(start, angle))
        cases.append((ldh, t("ldh_turn%s.pdb" % tag)))
    write_lines(ca_lines(ldh, 1, "A"), t("ldh_noise.pdb"), noisy(2.0, 5))
    cases.append((os.path.join(examples, "demo_ldh_1ldm_A.pdb"), t("ldh_noise.pdb")))
    write_lines(ca_lines(t("ubq_noise2.pdb"), 1, None), t("ubq_gaps.pdb"), drop=set(range(8, 14)) | set(range(60, 66)))
    both(ubq, t("ubq_gaps.pdb"))
    write_lines(ca_lines(t("ubq_model2.pdb"), 1, None), t("ubq_renumbered.pdb"), offset=100)
    write_lines(ca_lines(ubq, 1, None), t("ubq_xray_renumbered.pdb"), offset=100)
    both(t("ubq_xray_renumbered.pdb"), t("ubq_renumbered.pdb"))
    both(d("cytc_yeast_1cih_negnum.pdb"), d("cytc_yeast_1u74_D_from1.pdb"))
    return cases


def tmscore_values(native, model):
    out = subprocess.run([TMSCORE, model, native], capture_output=True, text=True, check=True).stdout
    value = lambda label: float(re.search(label + r"\s*=\s*([0-9.]+)", out).group(1))
    return value("TM-score"), value("GDT-TS-score"), value("GDT-HA-score")


def pairfit_values(pairfit, one, two):
    out = subprocess.run([pairfit, "-metrics", one, two], capture_output=True, text=True).stdout
    last = out.splitlines()[-1].split("\t")
    assert last[0] == "METRICS:", out
    return float(last[1]), float(last[2]), float(last[3])


def main():
    pairfit, src = sys.argv[1], sys.argv[2]
    tmp = tempfile.mkdtemp(prefix="pairfit-yardstick-")
    try:
        cases = make_cases(src, tmp)
        failures, tm_outside, gdt_higher = [], 0, 0
        rows = []
        for one, two in cases:
            theirs = tmscore_values(one, two)
            ours = pairfit_values(pairfit, one, two)
            bands = (TM_BAND, GDT_BAND, GDT_BAND)
            name = "%s %s" % (os.path.basename(one), os.path.basename(two))
            rows.append("| %s | %s | %s |" % (name, " / ".join("%.4f" % v for v in theirs),
                                              " / ".join("%.4f" % v for v in ours)))
            if any(o < t - b - 1e-9 for o, t, b in zip(ours, theirs, bands)):
                failures.append("%s: pairfit %s below TMscore %s" % (name, ours, theirs))
            tm_outside += abs(ours[0] - theirs[0]) > TM_BAND + 1e-9
            gdt_higher += any(o > t + GDT_BAND + 1e-9 for o, t in zip(ours[1:], theirs[1:]))
        if "--table" in sys.argv:
            print("| pair (structure 1, structure 2) | TMscore TM / GDT-TS / GDT-HA | pairfit |")
            print("|---|---|---|")
        print("\n".join(rows))
        print("%d pairs; TM-score further than %.3f from TMscore's: %d; GDT higher by more than %.3f: %d"
              % (len(cases), TM_BAND, tm_outside, GDT_BAND, gdt_higher))
        for f in failures:
            print("FAIL:", f)
        if failures or tm_outside > 0.05 * len(cases):
            sys.exit(1)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    main()
