#include "run.h"

#include <cmath>
#include <cstdio>

#include "reports.h"
#include "score/score.h"
#include "structure/matching.h"
#include "superpose/superpose.h"

thread_local best_subset best;
thread_local double best_score_by_size[MAX_ATOMS + 1];
thread_local double rotation[9];

int compare_molecules(int min_size, double frac_step) {
    int max_natoms = m[0].natoms > m[1].natoms ? m[0].natoms : m[1].natoms;
    check_molecules(&m[0], &m[1]);
    search_best_subset(&m[0], &m[1], min_size, frac_step, &best, best_score_by_size, rotation);
    return max_natoms;
}

void format_score_values(char *out, size_t size, int max_natoms, int min_size) {
    int best_size = best.best_size;
    double best_rms = best.best_rms, best_score = best.best_score, p = best.best_pvalue;
    if (best_size < min_size) {
        best_size = 0;
        best_rms = 0.0;
        best_score = 0.0;
        p = 1.0;
    }
    double normalised = (std::log10(p) + 0.6108) * -1000.0 / static_cast<double>(ma[0]);
    std::snprintf(out, size, "%d\t%d\t%.1f\t%.1f\t%e\t%e", max_natoms, best_size, best_rms,
                  best_score, p, normalised);
}

namespace {

// Restores the best subset's selection, centres both molecules on it and
// fits again. Without an accepted subset there is nothing to centre on: the
// selection is cleared and the molecules stay as the search left them.
void refit_best_subset() {
    for (int j = 0; j < m[0].natoms; ++j) m[0].atoms[j].selected = best.best_selected1[j];
    for (int j = 0; j < m[1].natoms; ++j) m[1].atoms[j].selected = best.best_selected2[j];
    if (best.best_size == 0) {
        rms = 0.0;
        return;
    }
    center_molecule(&m[0]);
    center_molecule(&m[1]);
    rms = superimpose_molecules(&m[0], &m[1], rotation);
}

}  // namespace

int final_reports() {
    if (align_flag) {
        refit_best_subset();
        output_results();
    }
    if (b_flag)
        for (int s = 0; s < m[0].natoms; ++s)
            std::printf("SCORE-TEST\t%d\t%f\t%e\n", s, best_score_by_size[s],
                        LG_pvalueF(s, best_score_by_size[s]));
    if (out_flag) {
        refit_best_subset();
        if (output_file(outfile) != 0) return -1;
    }
    return 0;
}
