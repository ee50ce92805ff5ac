"""Compare the example pair (lactate dehydrogenase without and with its
cofactor) from Python and plot the distance of every residue pair after the
superposition on the best subset.

    python3 examples/python_compare.py [PLOT.png]
"""

import os
import sys

import matplotlib.pyplot as plt

import pairfit

here = os.path.relpath(os.path.dirname(os.path.abspath(__file__)))
r = pairfit.compare(os.path.join(here, "demo_ldh_6ldh_A.pdb"), os.path.join(here, "demo_ldh_1ldm_A.pdb"))

print(r)
print("SCORE:\t" + r.score_line())
inside = r.distances[r.in_subset]
print("%d of %d pairs in the best subset, distances %.2f to %.2f Angstrom"
      % (r.size, r.npairs, inside.min(), inside.max()))
print("residues outside it:", " ".join(str(n) for n in r.resnum1[~r.in_subset]))

fig, ax = plt.subplots(figsize=(8, 3))
ax.plot(r.resnum1, r.distances, lw=1, color="0.4")
ax.scatter(r.resnum1[~r.in_subset], r.distances[~r.in_subset], s=14, color="tab:red",
           label="outside the best subset", zorder=3)
ax.set_xlabel("residue number")
ax.set_ylabel("distance after superposition (Å)")
ax.set_title("6LDH A vs 1LDM A")
ax.legend()
fig.tight_layout()
plot = sys.argv[1] if len(sys.argv) > 1 else "demo_distances.png"
fig.savefig(plot, dpi=120)
print("plot written to", plot)
