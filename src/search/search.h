// The seed-and-grow search for the most significant superimposable subset.
#ifndef PAIRFIT_SEARCH_H
#define PAIRFIT_SEARCH_H

#include "pairfit/compare.h"
#include "search/pair_arrays.h"

namespace pairfit {

// The most significant subset found, remembered by its selection flags.
struct best_subset {
    int best_size;    // pairs in the subset; 0 when none was accepted
    double best_rms;  // Angstrom
    double best_score;
    double best_pvalue;            // also the bar the next subset has to reach
    int best_selected[MAX_ATOMS];  // per pair: non-zero in the subset
};

// Start values: size 0, RMS 0.0, score 0.0, p-value 1.0, nothing selected.
void reset_best_subset(best_subset *best);

// The search's storage: its working copy of the pairs, which the caller
// loads, and, per subset
// size, the score model and the smallest p-value a subset of that size can
// reach, worked out once per search instead of once per subset.
struct search_tables {
    pair_arrays pairs;
    double model_mean[MAX_ATOMS + 1], model_spread[MAX_ATOMS + 1];
    double smallest_pvalue[MAX_ATOMS + 1];
};

struct search_settings {
    int min_size;               // a best subset must have more pairs than this
    bool per_size_scores;       // keep the highest score of every subset size
    search_observer *observer;  // may be null
};

// Every seed (see method_rules.h) starts a subset that grows by the
// closest unselected pair while the rules let it grow. Each grown subset is fitted afresh and scored; the one with the
// lowest p-value among those larger than min_size is kept in best (ties go to
// the later one). With per_size_scores, score_by_size[k] keeps the highest
// score of any subset of k pairs (MAX_ATOMS + 1 entries, zeroed here). The
// pairs end as the last fit left them.
void search_best_subset(const search_settings &settings, search_tables *tables, best_subset *best,
                        double *score_by_size);

}  // namespace pairfit

#endif
