#include "search/search.h"

#include <cstdio>

#include "pairfit/reports.h"
#include "score/score.h"
#include "search/pair_arrays.h"

void reset_best_subset(best_subset *best) {
    best->best_size = 0;
    best->best_rms = 0.0;
    best->best_score = 0.0;
    best->best_pvalue = 1.0;
    for (int i = 0; i < MAX_ATOMS; ++i) best->best_selected1[i] = best->best_selected2[i] = 0;
}

namespace {

thread_local pair_arrays pairs;

// Per subset size: the mean and spread of the score model, computed once
// per search instead of once per subset, and the smallest p-value a subset
// of that size can reach.
thread_local double model_mean[MAX_ATOMS + 1], model_spread[MAX_ATOMS + 1];
thread_local double smallest_pvalue[MAX_ATOMS + 1];

void tabulate_score_model(int n) {
    for (int k = 0; k <= n; ++k) {
        LG_modelF(k, &model_mean[k], &model_spread[k]);
        // The score of k pairs is at most 20 k (every pair coinciding), and
        // the p-value falls as the score rises.
        smallest_pvalue[k] = LG_pvalueF(k, 20.0 * k);
    }
}

// Whether a growth step to size k needs its score. The progress lines and
// the per-size table print it; otherwise it matters only if the subset could
// be accepted: larger than min_size and able to reach the bar. The factor 2
// leaves ample room for last-bit rounding in the maths library, so a
// skipped score could never have been accepted.
bool score_needed(int k, int min_size, double bar) {
    if (b_flag || fraction_flag) return true;
    return k > min_size && !(smallest_pvalue[k] > 2.0 * bar);
}

void print_progress(const char *label, int k, int n, double score, double pvalue) {
    double fraction = static_cast<double>(k) / static_cast<double>(n);
    std::printf("%s:\t%.2f\t%d\t%.1f\t%.1f\t%e\n", label, fraction, k, rms, score, pvalue);
}

}  // namespace

void search_best_subset(molecule *mol1, molecule *mol2, int min_size, double frac_step,
                        best_subset *best, double *score_by_size, double u[9]) {
    pair_arrays *p = &pairs;
    const int n = mol1->natoms;
    double frac_limit = 1.0;
    reset_best_subset(best);
    for (int s = 0; s <= MAX_ATOMS; ++s) score_by_size[s] = 0.0;
    load_pairs(p, mol1, mol2);
    tabulate_score_model(n);

    pair_fit fit;
    for (int seed = 0; seed < n - 4; ++seed) {
        clear_selection(p);
        for (int j = seed; j < seed + 4; ++j) select_pair(p, j);
        fit_selected_pairs(p, u, false, &fit);
        rms = fit.rms;
        int k = 4;

        // The cutoff is tested after scoring, so the subset whose fit first
        // reaches it is still scored and may be accepted.
        while (k < n && rms < 5 + k / 45) {
            if (fit.closest < 0) break;  // nothing within 100 Angstrom to add
            select_pair(p, fit.closest);
            bool scored = score_needed(k + 1, min_size, best->best_pvalue);
            fit_selected_pairs(p, u, scored, &fit);
            rms = fit.rms;
            ++k;
            double score = fit.score, pvalue = 1.0;
            if (scored) {
                pvalue = gumbel_tail((score / 10.0 - model_mean[k]) / model_spread[k]);
                if (b_flag && score > score_by_size[k]) score_by_size[k] = score;
                if (fraction_flag && static_cast<double>(k) / static_cast<double>(n) <= frac_limit) {
                    print_progress("FRAC1", k, n, score, pvalue);
                    frac_limit -= frac_step;
                }
            }
            if (verbose_flag) {
                store_pairs(p, mol1, mol2);
                output_results();
            }
            if (scored && pvalue <= best->best_pvalue && k > min_size) {
                if (fraction_flag) print_progress("GOOD1", k, n, score, pvalue);
                best->best_pvalue = pvalue;
                best->best_size = k;
                best->best_rms = rms;
                best->best_score = score;
                for (int j = 0; j < n; ++j) best->best_selected1[j] = best->best_selected2[j] = p->selected[j];
            }
        }
    }
    // The records end as the last fit left them.
    store_pairs(p, mol1, mol2);
}
