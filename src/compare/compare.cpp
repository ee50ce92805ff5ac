#include "pairfit/compare.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "compare/fast_compare.h"
#include "compare/superposed_pairs.h"
#include "score/method_rules.h"
#include "search/search.h"

namespace pairfit {

// Everything one exact comparison works on, sized for MAX_ATOMS pairs.
struct workspace::state {
    search_tables tables;  // with the pairs, structure 1 (reference) and 2 (moved)
    best_subset best;
    double score_by_size[MAX_ATOMS + 1];
};

workspace::workspace() = default;
workspace::~workspace() = default;
workspace::workspace(workspace &&) noexcept = default;
workspace &workspace::operator=(workspace &&) noexcept = default;

std::array<double, 3> rigid_transform::apply(const std::array<double, 3> &p) const {
    std::array<double, 3> q;
    for (int i = 0; i < 3; ++i)
        q[i] = rotation[i][0] * p[0] + rotation[i][1] * p[1] + rotation[i][2] * p[2] + translation[i];
    return q;
}

namespace {

void check_pairing(const structure &first, const structure &second, const pairing &pairs, bool exact) {
    if (pairs.first.size() != pairs.second.size()) throw error("The pairing lists differ in length");
    if (exact && pairs.size() > max_exact_atoms)
        throw error("Too many pairs for one comparison (" + std::to_string(pairs.size()) + ", at most " +
                    std::to_string(max_exact_atoms) + ")");
    for (size_t k = 0; k < pairs.size(); ++k)
        if (pairs.first[k] < 0 || static_cast<size_t>(pairs.first[k]) >= first.size() ||
            pairs.second[k] < 0 || static_cast<size_t>(pairs.second[k]) >= second.size())
            throw error("The pairing names an atom the structures do not have");
}

// The SCORE values of the best subset; those of no subset when it is not
// larger than the minimum size.
void set_score_values(const best_subset &best, int min_size, size_t natoms1, result *out) {
    out->size = best.best_size;
    out->rms = best.best_rms;
    out->score = best.best_score;
    out->pvalue = best.best_pvalue;
    if (out->size < min_size) {
        out->size = 0;
        out->rms = 0.0;
        out->score = 0.0;
        out->pvalue = 1.0;
    }
    out->normalised_pvalue = normalised_pvalue(out->pvalue, natoms1);
}

// Restores the best subset's selection and fits it again; returns the
// fit's RMS. Without an accepted subset there is nothing to centre on: the
// selection is cleared and the pairs stay as the search left them (RMS 0).
double refit_best_subset(pair_arrays *p, const best_subset &best) {
    clear_selection(p);
    if (best.best_size == 0) return 0.0;
    for (int j = 0; j < p->n; ++j)
        if (best.best_selected[j]) select_pair(p, j);
    pair_fit fit;
    fit_selected_pairs(p, false, &fit);
    return fit.rms;
}

}  // namespace

void compare(workspace &ws, const structure &first, const structure &second, const pairing &pairs,
             const compare_options &options, result &out) {
    check_pairing(first, second, pairs, options.mode == search_mode::exact);
    if (options.mode == search_mode::fast) {
        compare_fast(first, second, pairs, options, out);
        return;
    }
    if (!ws.state_) ws.state_ = std::make_unique<workspace::state>();
    workspace::state *s = ws.state_.get();
    pair_arrays &p = s->tables.pairs;
    load_pairs(&p, first, second, pairs);
    const int n = p.n;

    search_settings settings{options.min_size, options.per_size_scores, options.observer};
    search_best_subset(settings, &s->tables, &s->best, s->score_by_size);

    out.max_natoms = static_cast<int>(std::max(first.size(), second.size()));
    out.npairs = n;
    set_score_values(s->best, options.min_size, first.size(), &out);
    out.in_subset.resize(n);
    for (int j = 0; j < n; ++j) out.in_subset[j] = s->best.best_selected[j] != 0;
    out.score_by_size.clear();
    if (options.per_size_scores) out.score_by_size.assign(s->score_by_size, s->score_by_size + n + 1);

    out.final_rms = refit_best_subset(&p, s->best);
    out.distances.resize(n);
    for (int j = 0; j < n; ++j) out.distances[j] = std::sqrt(p.sqdev[j]);
    take_superposed_pairs(p, &out);
}

result compare(const structure &first, const structure &second, const pairing &pairs,
               const compare_options &options) {
    workspace ws;
    result out;
    compare(ws, first, second, pairs, options, out);
    return out;
}

std::string score_values(const result &r) {
    char text[256];
    std::snprintf(text, sizeof text, "%d\t%d\t%.1f\t%.1f\t%e\t%e", r.max_natoms, r.size, r.rms, r.score,
                  r.pvalue, r.normalised_pvalue);
    return text;
}

double score_pvalue(int n, double s) {
    return LG_pvalueF(n, s);
}

}  // namespace pairfit
