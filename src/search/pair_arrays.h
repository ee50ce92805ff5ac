// The search's working copy of the paired atoms. A growth step refits the
// whole subset, so the fit runs hundreds of thousands of times per
// comparison: here it streams through one array per coordinate, visits only
// the selected pairs where only they count, and does the centring, rotation,
// deviations, RMS, score and choice of the next pair in one pass over the
// pairs. Every sum runs over the selected pairs in index order, whatever the
// width of the processor's vectors, so the results are the same to the last
// bit on every machine.
#ifndef PAIRFIT_PAIR_ARRAYS_H
#define PAIRFIT_PAIR_ARRAYS_H

#include <gemmi/math.hpp>

#include <array>
#include <vector>

#include "pairfit/pairing.h"
#include "pairfit/structure.h"

namespace pairfit {

enum { MAX_ATOMS = static_cast<int>(max_exact_atoms) };  // capacity of the arrays

// The per-pair arrays are worked on eight pairs at a time; entries from n up
// to the next multiple of eight are padding that no result depends on.
static_assert(MAX_ATOMS % 8 == 0, "pair arrays are processed in groups of eight");

struct pair_arrays {
    int n;                             // number of pairs
    alignas(64) double x1[MAX_ATOMS];  // structure 1, as the fits left it
    alignas(64) double y1[MAX_ATOMS];
    alignas(64) double z1[MAX_ATOMS];
    alignas(64) double x2[MAX_ATOMS];  // structure 2, as the fits left it
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
    // The latest fit's rotation, and where the fits so far have moved the
    // structures from where they were loaded: structure 1 by shift1,
    // structure 2 by motion2.
    gemmi::Mat33 rotation;
    gemmi::Vec3 shift1;
    gemmi::Transform motion2;
};

// What one fit leaves besides the coordinates and deviations.
struct pair_fit {
    double rms;    // RMS deviation of the selected pairs
    double score;  // Levitt-Gerstein score of the selected pairs, when asked for
    int closest;   // unselected pair with the smallest deviation below
                   // NO_PAIR_BEYOND (lowest index among equals), or -1
};

// The paired atoms' coordinates in pair order, deviations 0, nothing
// selected, not moved. At most MAX_ATOMS pairs.
void load_pairs(pair_arrays *p, const structure &first, const structure &second, const pairing &pairs);
// The same from coordinates already moved by shift1 and motion2.
void load_pairs(pair_arrays *p, const std::vector<std::array<double, 3>> &first,
                const std::vector<std::array<double, 3>> &second, const gemmi::Vec3 &shift1,
                const gemmi::Transform &motion2);

void clear_selection(pair_arrays *p);
void select_pair(pair_arrays *p, int j);  // j must be unselected

// Centres both structures on their selected pairs, turns structure 2 about
// the origin onto structure 1 (fit_rotation, which gives the rotation), and
// measures the result: every pair's squared distance, the RMS deviation and
// Levitt-Gerstein score of the selected pairs and a scan for the closest
// unselected pair; the score only when want_score is set (0 otherwise).
// Keeps the rotation and adds the move to shift1 and motion2. At least one
// pair must be selected.
void fit_selected_pairs(pair_arrays *p, bool want_score, pair_fit *result);

}  // namespace pairfit

#endif
