// The search's working copy of the paired atoms. A growth step refits the
// whole subset, so the fit runs hundreds of thousands of times per
// comparison: here it streams through one array per coordinate, visits only
// the selected pairs where only they count, and does the centring, rotation,
// deviations, RMS, score and choice of the next pair in one pass over the
// pairs. Every sum runs over the same values in the same index order as
// centring and fitting the molecule records would, so the results are the same
// to the last bit.
#ifndef PAIRFIT_PAIR_ARRAYS_H
#define PAIRFIT_PAIR_ARRAYS_H

#include "structure/molecule.h"

namespace pairfit {

// The per-pair arrays are worked on eight pairs at a time; entries from n up
// to the next multiple of eight are padding that no result depends on.
static_assert(MAX_ATOMS % 8 == 0, "pair arrays are processed in groups of eight");

struct pair_arrays {
    int n;                    // number of pairs
    alignas(64) double x1[MAX_ATOMS];  // molecule 1
    alignas(64) double y1[MAX_ATOMS];
    alignas(64) double z1[MAX_ATOMS];
    alignas(64) double x2[MAX_ATOMS];  // molecule 2
    alignas(64) double y2[MAX_ATOMS];
    alignas(64) double z2[MAX_ATOMS];
    alignas(64) double sqdev[MAX_ATOMS];  // squared distance of each pair after the latest fit
    alignas(64) double term[MAX_ATOMS];   // its score term, after a fit that scored
    // 0 for an unselected pair, infinity for a selected pair or padding:
    // its bits set in a deviation's, only the candidates for the next pair
    // stay finite numbers.
    alignas(64) double barred[MAX_ATOMS];
    // The selected pairs' coordinates in index order, (x, y, z, w) per atom,
    // and their sums, for the centroids and the correlation matrix. Each fit
    // gathers them for its own selection plus its candidate, which is the
    // next fit's selection when the search grows the subset. w carries the
    // fit's deviation (molecule 1) and score term (molecule 2) of each pair
    // of its own selection, 0 for the candidate, so that the same sums give
    // the RMS and the score.
    alignas(64) double gathered1[MAX_ATOMS][4], gathered2[MAX_ATOMS][4];
    alignas(64) double sum1[4], sum2[4];
    bool gathered;            // they match the current selection
    int gathered_for;         // the pair whose selection would make them match, or -1
    int gathered_place;       // and that pair's place among them
    int selected[MAX_ATOMS];  // the flags of both molecules, which the search keeps equal
    int order[MAX_ATOMS];     // the selected pairs in increasing index
    int nselected;
};

// What one fit leaves besides the coordinates and deviations.
struct pair_fit {
    double rms;      // RMS deviation of the selected pairs
    double score;    // Levitt-Gerstein score of the selected pairs, when asked for
    int closest;     // unselected pair with the smallest deviation below
                     // NO_PAIR_BEYOND (lowest index among equals), or -1
};

// Copies coordinates, deviations and the selection of molecule 1's flags
// from the records, and back.
void load_pairs(pair_arrays *p, const molecule *mol1, const molecule *mol2);
void store_pairs(const pair_arrays *p, molecule *mol1, molecule *mol2);

void clear_selection(pair_arrays *p);
void select_pair(pair_arrays *p, int j);  // j must be unselected

// Centres both molecules on their selected pairs, turns molecule 2 onto
// molecule 1 and measures the result: the same as center_molecule on both
// records, superimpose_molecules, the Levitt-Gerstein score of the
// selected pairs and a scan for the closest unselected pair; the score only
// when want_score is set (0 otherwise). At least one pair must be selected.
void fit_selected_pairs(pair_arrays *p, double u[9], bool want_score, pair_fit *result);

}  // namespace pairfit

#endif
