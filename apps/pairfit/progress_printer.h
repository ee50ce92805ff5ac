// The progress lines of -a and -f and the per-step tables of -v.
#ifndef PAIRFIT_APP_PROGRESS_PRINTER_H
#define PAIRFIT_APP_PROGRESS_PRINTER_H

#include "compared_pair.h"
#include "pairfit/compare.h"

// Follows the search for -a, -f and -v: FRAC1 lines while the share of
// pairs in the subset is at most a limit that falls by frac_step a line,
// GOOD1 lines for every new best subset, and a deviation table after every
// growth step.
class progress_printer : public pairfit::search_observer {
public:
    progress_printer(const compared_pair &input, bool progress, double frac_step, bool step_tables)
        : input_(input), progress_(progress), frac_step_(frac_step), step_tables_(step_tables) {}
    bool wants_scores() const override { return progress_; }
    bool wants_fits() const override { return step_tables_; }
    void step_scored(const pairfit::growth_step &step) override;
    void new_best(const pairfit::growth_step &step) override;
    void fitted(const pairfit::fit_snapshot &fit) override;

private:
    compared_pair input_;
    bool progress_;
    double frac_step_;
    bool step_tables_;
    double frac_limit_ = 1.0;
};

#endif
