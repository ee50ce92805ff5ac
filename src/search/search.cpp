#include "search/search.h"

#include <cstdio>

#include "report/report.h"
#include "score/score.h"
#include "superpose/superpose.h"

void reset_best_subset(best_subset *best) {
    best->best_size = 0;
    best->best_rms = 0.0;
    best->best_score = 0.0;
    best->best_pvalue = 1.0;
    for (int i = 0; i < MAX_ATOMS; ++i) best->best_selected1[i] = best->best_selected2[i] = 0;
}

namespace {

void select_pair(molecule *mol1, molecule *mol2, int j, int flag) {
    mol1->atoms[j].selected = flag;
    mol2->atoms[j].selected = flag;
}

// Centres both molecules on their selected atoms and fits molecule 2.
double fit(molecule *mol1, molecule *mol2, double u[9]) {
    center_molecule(mol1);
    center_molecule(mol2);
    return superimpose_molecules(mol1, mol2, u);
}

// The unselected pair closest after the latest fit, the lowest index among
// equals; -1 when no unselected pair lies within 9999 square Angstrom.
int closest_unselected_pair(const molecule *mol1) {
    double closest = 9999.0;
    int candidate = -1;
    for (int j = 0; j < mol1->natoms; ++j) {
        const atom *a = &mol1->atoms[j];
        if (!a->selected && a->sqdev < closest) {
            closest = a->sqdev;
            candidate = j;
        }
    }
    return candidate;
}

void print_progress(const char *label, int k, int n, double score, double pvalue) {
    double fraction = static_cast<double>(k) / static_cast<double>(n);
    std::printf("%s:\t%.2f\t%d\t%.1f\t%.1f\t%e\n", label, fraction, k, rms, score, pvalue);
}

}  // namespace

void search_best_subset(molecule *mol1, molecule *mol2, int min_size, double frac_step,
                        best_subset *best, double *score_by_size, double u[9]) {
    const int n = mol1->natoms;
    double frac_limit = 1.0;
    reset_best_subset(best);
    for (int s = 0; s <= MAX_ATOMS; ++s) score_by_size[s] = 0.0;

    for (int seed = 0; seed < n - 4; ++seed) {
        for (int j = 0; j < n; ++j) select_pair(mol1, mol2, j, 0);
        for (int j = seed; j < seed + 4; ++j) select_pair(mol1, mol2, j, 1);
        rms = fit(mol1, mol2, u);
        int k = 4;

        // The cutoff is tested after scoring, so the subset whose fit first
        // reaches it is still scored and may be accepted.
        while (k < n && rms < 5 + k / 45) {
            int candidate = closest_unselected_pair(mol1);
            if (candidate < 0) break;
            select_pair(mol1, mol2, candidate, 1);
            rms = fit(mol1, mol2, u);
            double score = Levitt_Gerstein(mol1, mol2);
            ++k;
            double pvalue = LG_pvalueF(k, score);
            if (b_flag && score > score_by_size[k]) score_by_size[k] = score;
            if (fraction_flag && static_cast<double>(k) / static_cast<double>(n) <= frac_limit) {
                print_progress("FRAC1", k, n, score, pvalue);
                frac_limit -= frac_step;
            }
            if (verbose_flag) output_results();
            if (pvalue <= best->best_pvalue && k > min_size) {
                if (fraction_flag) print_progress("GOOD1", k, n, score, pvalue);
                best->best_pvalue = pvalue;
                best->best_size = k;
                best->best_rms = rms;
                best->best_score = score;
                for (int j = 0; j < mol1->natoms; ++j) best->best_selected1[j] = mol1->atoms[j].selected;
                for (int j = 0; j < mol2->natoms; ++j) best->best_selected2[j] = mol2->atoms[j].selected;
            }
        }
    }
}
