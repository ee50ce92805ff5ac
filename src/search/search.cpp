#include "search/search.h"

#include "score/method_rules.h"

namespace pairfit {

void reset_best_subset(best_subset *best) {
    best->best_size = 0;
    best->best_rms = 0.0;
    best->best_score = 0.0;
    best->best_pvalue = 1.0;
    for (int i = 0; i < MAX_ATOMS; ++i) best->best_selected[i] = 0;
}

namespace {

void tabulate_score_model(search_tables *t, int n) {
    for (int k = 0; k <= n; ++k) {
        score_model(k, &t->model_mean[k], &t->model_spread[k]);
        // The p-value falls as the score rises.
        t->smallest_pvalue[k] = LG_pvalueF(k, highest_score(k));
    }
}

// Whether a growth step to size k needs its score. An observer that follows
// every step and the per-size table want it always; otherwise it matters
// only if the subset could be accepted: larger than min_size and able to
// reach the bar. The factor 2 leaves ample room for last-bit rounding in the
// maths library, so a skipped score could never have been accepted.
bool score_needed(const search_tables &t, bool every_step, int k, int min_size, double bar) {
    if (every_step) return true;
    return k > min_size && !(t.smallest_pvalue[k] > 2.0 * bar);
}

}  // namespace

void search_best_subset(const search_settings &settings, search_tables *tables, best_subset *best,
                        double *score_by_size) {
    pair_arrays *p = &tables->pairs;
    const int n = p->n;
    const int min_size = settings.min_size;
    search_observer *observer = settings.observer;
    const bool observe_scores = observer != nullptr && observer->wants_scores();
    const bool observe_fits = observer != nullptr && observer->wants_fits();
    const bool score_every_step = settings.per_size_scores || observe_scores;
    reset_best_subset(best);
    for (int s = 0; s <= MAX_ATOMS; ++s) score_by_size[s] = 0.0;
    tabulate_score_model(tables, n);

    pair_fit fit;
    for (int seed = 0; seed < seed_count(n); ++seed) {
        clear_selection(p);
        for (int j = seed; j < seed + SEED_SIZE; ++j) select_pair(p, j);
        fit_selected_pairs(p, false, &fit);
        double rms = fit.rms;
        int k = SEED_SIZE;

        // The cutoff is tested after scoring, so the subset whose fit first
        // reaches it is still scored and may be accepted.
        while (k < n && may_grow(rms, k)) {
            if (fit.closest < 0) break;  // nothing within 100 Angstrom to add
            select_pair(p, fit.closest);
            bool scored = score_needed(*tables, score_every_step, k + 1, min_size, best->best_pvalue);
            fit_selected_pairs(p, scored, &fit);
            rms = fit.rms;
            ++k;
            double score = fit.score, pvalue = 1.0;
            if (scored) {
                pvalue = pvalue_under_model(score, tables->model_mean[k], tables->model_spread[k]);
                if (settings.per_size_scores && score > score_by_size[k]) score_by_size[k] = score;
                if (observe_scores) observer->step_scored({k, n, rms, score, pvalue});
            }
            if (observe_fits) observer->fitted({n, rms, p->selected, p->sqdev});
            if (scored && pvalue <= best->best_pvalue && k > min_size) {
                if (observer != nullptr) observer->new_best({k, n, rms, score, pvalue});
                best->best_pvalue = pvalue;
                best->best_size = k;
                best->best_rms = rms;
                best->best_score = score;
                for (int j = 0; j < n; ++j) best->best_selected[j] = p->selected[j];
            }
        }
    }
}

}  // namespace pairfit
