"""pairfit -metrics against Debian's TMscore (tm-align), run as a black box
as "TMscore model native" (native: pairfit's structure 1) on real
single-chain pairs and variants made from them (noise, a turned domain,
missing residues, renumbering). On every pair pairfit's TM-score must be at
least TMscore's minus 0.001 and its GDT-TS and GDT-HA at least TMscore's
minus 0.005; its TM-score within 0.001 of TMscore's on 95% of pairs. GDT
values may be higher (pairfit refines at each cutoff): the table counts them.

Usage: metrics_yardstick_test.py PAIRFIT SOURCE_DIR [--table]
"""

import gzip
import os
import re
import subprocess
import sys
import tempfile

import numpy as np

TM_BAND, GDT_BAND = 0.001, 0.005


def write_ca(source, path, model=1, chain=None, change=None, offset=0, drop=()):
    """The C-alpha ATOM lines of one model and chain of a PDB file (plain or
    gzip) written as a file of their own: positions changed by
    change(positions) -> positions, residue numbers shifted by offset, the
    residues numbered in drop left out."""
    lines, at = [], 1
    with (gzip.open if source.endswith(".gz") else open)(source, "rt") as f:
        for line in f:
            at = int(line[10:14]) if line.startswith("MODEL") else at
            if line.startswith("ATOM") and line[12:16] == " CA " and at == model and chain in (None, line[21]):
                lines.append(line.rstrip("\n"))
    xyz = np.array([[float(l[30:38]), float(l[38:46]), float(l[46:54])] for l in lines])
    xyz = change(xyz) if change else xyz
    with open(path, "w") as out:
        for line, p in zip(lines, xyz):
            if int(line[22:26]) not in drop:
                out.write("%s%4d%s%8.3f%8.3f%8.3f%s\n" % (line[:22], int(line[22:26]) + offset, line[26:30], *p,
                                                        line[54:]))
        out.write("END\n")
    return path


def turned(start, degrees):
    """Turns the atoms from index start on about an axis through that atom, as a hinge would."""
    def change(xyz):
        axis = np.array([0.3, 0.8, 0.52]) / np.linalg.norm([0.3, 0.8, 0.52])
        k = np.array([[0, -axis[2], axis[1]], [axis[2], 0, -axis[0]], [-axis[1], axis[0], 0]])
        a = np.radians(degrees)
        xyz = xyz.copy()
        xyz[start:] = (xyz[start:] - xyz[start]) @ (np.eye(3) + np.sin(a) * k + (1 - np.cos(a)) * k @ k).T + xyz[start]
        return xyz
    return change


def noisy(sigma, seed):
    return lambda xyz: xyz + np.random.default_rng(seed).normal(0.0, sigma, xyz.shape)


def make_cases(src, tmp):
    d = lambda name: os.path.join(src, "tests", "data", name)
    t = lambda name: os.path.join(tmp, name)
    ubq, nmr, hb = d("ubiquitin_1ubq_xray.pdb"), d("ubiquitin_1d3z_nmr.pdb.gz"), d("hemoglobin_2hhb_4chains.pdb.gz")
    ldh, ldh2 = (os.path.join(src, "examples", n) for n in ("demo_ldh_6ldh_A.pdb", "demo_ldh_1ldm_A.pdb"))
    model = [None] + [write_ca(nmr, t("ubq_model%d.pdb" % m), m, "A") for m in range(1, 11)]
    chain = {c: write_ca(hb, t("hb_%s.pdb" % c), chain=c) for c in "ABCD"}
    for name, chains in (("3o21", "CD"), ("3p3w", "AC")):
        chain.update({name + c: write_ca(d("large_glua3ntd_%s_%s.pdb.gz" % (name, chains)), t(name + c + ".pdb"),
                                         chain=c) for c in chains})
    # Variants: noise, a turned domain, missing residues, a renumbered copy.
    noise = [write_ca(ubq, t("ubq_noise%d.pdb" % seed), change=noisy(sigma, seed))
             for sigma, seed in ((0.5, 1), (1.5, 2), (3.0, 3), (5.0, 4))]
    turns = [write_ca(ubq, t("ubq_turn%d.pdb" % start), change=turned(start, angle))
             for start, angle in ((40, 25), (55, 60), (20, 90))]
    ldh_turns = [write_ca(ldh, t("ldh_turn%d.pdb" % start), change=turned(start, angle))
                 for start, angle in ((160, 20), (250, 45))]
    gaps = write_ca(noise[1], t("ubq_gaps.pdb"), drop=set(range(8, 14)) | set(range(60, 66)))
    renumbered = [write_ca(s, t("renumbered%d.pdb" % k), offset=100) for k, s in enumerate((ubq, model[2]))]
    both = [(d("ubiquitin_1d3z_model1.pdb"), d("ubiquitin_1d3z_model2.pdb")), (ubq, d("ubiquitin_1d3z_model1.pdb")),
            (d("cytc_horse_2pcb_B.pdb"), d("cytc_horse_1m60_nmr.pdb")), (ldh, ldh2),
            (d("hemoglobin_2hhb_chainA_ca.pdb"), d("hemoglobin_2hhb_chainB_ca.pdb")), (chain["A"], chain["C"]),
            (chain["B"], chain["D"]), (chain["3o21C"], chain["3p3wA"]), (chain["3o21D"], chain["3p3wC"]),
            *((ubq, turn) for turn in turns), (ubq, gaps), tuple(renumbered),
            (d("cytc_yeast_1cih_negnum.pdb"), d("cytc_yeast_1u74_D_from1.pdb"))]
    return ([pair for a, b in both for pair in ((a, b), (b, a))] + [(model[1], model[m]) for m in range(2, 11)] +
            [(ubq, model[m]) for m in (3, 6, 9)] + [(chain["3o21C"], chain["3o21D"]), (chain["3p3wA"], chain["3p3wC"])] +
            [(ubq, n) for n in noise] + [(ldh, turn) for turn in ldh_turns] +
            [(ldh2, write_ca(ldh, t("ldh_noise.pdb"), change=noisy(2.0, 5)))])


def tmscore_values(native, model):
    out = subprocess.run(["/usr/bin/TMscore", model, native], capture_output=True, text=True, check=True).stdout
    return [float(re.search(label + r"\s*=\s*([0-9.]+)", out).group(1))
            for label in ("TM-score", "GDT-TS-score", "GDT-HA-score")]


def main():
    pairfit, src = sys.argv[1], sys.argv[2]
    failures, tm_outside, gdt_higher = [], 0, 0
    if "--table" in sys.argv:
        print("| pair (structure 1, structure 2) | TMscore TM / GDT-TS / GDT-HA | pairfit |\n|---|---|---|")
    with tempfile.TemporaryDirectory(prefix="pairfit-yardstick-") as tmp:
        cases = make_cases(src, tmp)
        for one, two in cases:
            theirs = tmscore_values(one, two)
            out = subprocess.run([pairfit, "-metrics", one, two], capture_output=True, text=True).stdout
            ours = [float(v) for v in out.splitlines()[-1].split("\t")[1:4]]
            name = "%s %s" % (os.path.basename(one), os.path.basename(two))
            print("| %s | %s | %s |" % (name, " / ".join("%.4f" % v for v in theirs), " / ".join("%.4f" % v for v in ours)))
            if any(o < t - b - 1e-9 for o, t, b in zip(ours, theirs, (TM_BAND, GDT_BAND, GDT_BAND))):
                failures.append("FAIL: %s: pairfit %s below TMscore %s" % (name, ours, theirs))
            tm_outside += abs(ours[0] - theirs[0]) > TM_BAND + 1e-9
            gdt_higher += any(o > t + GDT_BAND + 1e-9 for o, t in zip(ours[1:], theirs[1:]))
    print("%d pairs; TM-score further than %.3f from TMscore's: %d; GDT higher by more than %.3f: %d"
          % (len(cases), TM_BAND, tm_outside, GDT_BAND, gdt_higher), *failures, sep="\n")
    sys.exit(1 if failures or tm_outside > 0.05 * len(cases) else 0)


if __name__ == "__main__":
    main()
