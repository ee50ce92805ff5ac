// The standard scores of a model against a reference on one pairing:
// TM-score, GDT-TS, GDT-HA and lDDT, beside the rigid core's result.
#ifndef PAIRFIT_PUBLIC_METRICS_H
#define PAIRFIT_PUBLIC_METRICS_H

#include <string>
#include <vector>

#include "pairfit/compare.h"

namespace pairfit {

// Structure 1 is the reference; L is its number of C-alpha atoms and every
// score is normalised by L, so its unpaired residues count against the
// model.
//
// TM-score: the maximum over superpositions of structure 2 onto 1 of
//   (1/L) sum over pairs of 1 / (1 + (d/d0)^2), d0 = 1.24 (L - 15)^(1/3) - 1.8,
//   not below 0.5 (0.5 when L is below 15).
// GDT-TS: the mean over the cutoffs 1, 2, 4, 8 Angstrom of the maximum over
//   superpositions of (pairs within the cutoff) / L; GDT-HA the same over
//   0.5, 1, 2, 4 Angstrom. The maxima come from a search over superpositions
//   (fragments' fits as seeds, refined on the pairs within a cutoff).
// lDDT (C-alpha, no superposition): the distances between atoms i != j of
//   structure 1 below 15 Angstrom are considered; one is conserved at t when
//   both atoms are paired and their partners' distance differs from it by
//   less than t; lDDT = conserved over t in 0.5, 1, 2, 4 / (4 x considered).
struct metrics {
    double tm_score = 0.0, gdt_ts = 0.0, gdt_ha = 0.0, lddt = 0.0;
    double rmsd = 0.0;         // of all pairs after their own least-squares fit, Angstrom
    int pairs = 0;             // number of pairs
    int reference_length = 0;  // L
    // Per atom of structure 1: lDDT over the considered distances that
    // involve it (0 for an atom with none).
    std::vector<double> residue_lddt;
    // Not empty when the scores could not be computed (no pairs, or L
    // below 5): the values are then 0 and this says why.
    std::string warning;
};

// The scores of second against first, paired by pairs, as compared into r
// (whose superposition is one more seed of the search).
metrics compute_metrics(const structure &first, const structure &second, const pairing &pairs,
                        const result &r);

// The seven tab-separated values of pairfit's METRICS line, without
// "METRICS:\t" and the line end: TM-score, GDT-TS, GDT-HA, lDDT (%.4f),
// RMSD (%.3f), pairs, L.
std::string metrics_values(const metrics &m);

}  // namespace pairfit

#endif
