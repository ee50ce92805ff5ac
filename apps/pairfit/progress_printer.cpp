#include "progress_printer.h"

#include <cmath>
#include <cstdio>

#include "deviation_table.h"

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
