// The seed-and-grow search for the most significant superimposable subset.
#ifndef PAIRFIT_SEARCH_H
#define PAIRFIT_SEARCH_H

#include "structure/molecule.h"

// The most significant subset found, remembered by its selection flags.
struct best_subset {
    int best_size;        // pairs in the subset; 0 when none was accepted
    double best_rms;      // Angstrom
    double best_score;
    double best_pvalue;   // also the bar the next subset has to reach
    int best_selected1[MAX_ATOMS];
    int best_selected2[MAX_ATOMS];
};

// Start values: size 0, RMS 0.0, score 0.0, p-value 1.0, nothing selected.
void reset_best_subset(best_subset *best);

// Every run of four consecutive pairs seeds a subset that grows by the
// closest unselected pair while its fit's RMS stays below 5 + k/45 Angstrom
// (k pairs). Each grown subset is fitted afresh and scored; the one with the
// lowest p-value among those larger than min_size is kept in best (ties go to
// the later one). With b_flag, score_by_size[k] keeps the highest score of any
// subset of k pairs (MAX_ATOMS + 1 entries, zeroed here). fraction_flag,
// verbose_flag and frac_step switch on the progress lines and tables.
// u receives the rotation of every fit.
void search_best_subset(molecule *mol1, molecule *mol2, int min_size, double frac_step,
                        best_subset *best, double *score_by_size, double u[9]);

#endif
