#include <cmath>
#include <cstdio>

#include "reports.h"

void print_deviation_table(const compared_pair &input, double rms,
                           const std::function<bool(int)> &in_subset,
                           const std::function<double(int)> &distance) {
    std::printf("Overall average RMS deviation is %lf Angstroms.\n", rms);
    std::printf("\n");
    std::printf("RMS deviations by atom\n");
    std::printf("Atom \t Name \t  residue \t RMS deviation\tAtom \t Name \t  residue \t RMS deviation\n");
    const int n = static_cast<int>(input.pairs.size());
    for (int k = 0; k < n; ++k) {
        if (!in_subset(k)) continue;
        const pairfit::ca_atom &a1 = input.first.atoms[input.pairs.first[k]];
        const pairfit::ca_atom &a2 = input.second.atoms[input.pairs.second[k]];
        const double d = distance(k);
        std::printf("%d \t %s \t %3s %4d \t %8.4lf\t%d \t %s \t %3s %4d \t %8.4lf\n", a1.serial,
                    a1.atom_name.c_str(), a1.residue_name.c_str(), a1.residue_number, d, a2.serial,
                    a2.atom_name.c_str(), a2.residue_name.c_str(), a2.residue_number, d);
    }
}

void print_scores_by_size(const pairfit::result &r) {
    for (int s = 0; s < r.npairs; ++s)
        std::printf("SCORE-TEST\t%d\t%f\t%e\n", s, r.score_by_size[s],
                    pairfit::score_pvalue(s, r.score_by_size[s]));
}

namespace {

void print_step(const char *label, const pairfit::growth_step &step) {
    double fraction = static_cast<double>(step.size) / static_cast<double>(step.npairs);
    std::printf("%s:\t%.2f\t%d\t%.1f\t%.1f\t%e\n", label, fraction, step.size, step.rms, step.score,
                step.pvalue);
}

}  // namespace

void progress_printer::step_scored(const pairfit::growth_step &step) {
    if (static_cast<double>(step.size) / static_cast<double>(step.npairs) <= frac_limit_) {
        print_step("FRAC1", step);
        frac_limit_ -= frac_step_;
    }
}

void progress_printer::new_best(const pairfit::growth_step &step) {
    if (progress_) print_step("GOOD1", step);
}

void progress_printer::fitted(const pairfit::fit_snapshot &fit) {
    print_deviation_table(
        input_, fit.rms, [&](int k) { return fit.selected[k] != 0; },
        [&](int k) { return std::sqrt(fit.squared_distances[k]); });
}
