// What pairfit prints and writes besides the SCORE line.
#ifndef PAIRFIT_APP_REPORTS_H
#define PAIRFIT_APP_REPORTS_H

#include <functional>
#include <string>

#include "pairfit/compare.h"
#include "pairfit/domains.h"

// The two structures and how their atoms pair.
struct compared_pair {
    const pairfit::structure &first, &second;
    const pairfit::pairing &pairs;
};

// The per-pair deviation table: rms, then a row for every pair k with
// in_subset(k): both atoms as read and the pair's distance (Angstrom).
void print_deviation_table(const compared_pair &input, double rms,
                           const std::function<bool(int)> &in_subset,
                           const std::function<double(int)> &distance);

// The -domains lines, one a domain: number, size, RMS, p-value, angle of
// its motion relative to domain 1 (degrees) and its residue ranges in
// structure 1.
void print_domain_lines(const compared_pair &input, const pairfit::domain_analysis &domains);

// The -b lines: for every size s from 0 to npairs - 1, the highest score of
// a subset of that size and its p-value.
void print_scores_by_size(const pairfit::result &r);

// Writes structure 2 and then structure 1, superposed, as PDB ATOM lines,
// each block closed by "END ", the subset marked in the temperature
// factor. The file is written whole or not at all (see output_file):
// returns false, with the reason in *reason, when it could not be written,
// leaving what was at path.
bool write_coordinate_file(const char *path, const compared_pair &input, const pairfit::result &r,
                           std::string *reason);

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
