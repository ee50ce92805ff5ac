// The per-residue plot of a comparison: each pair's distance after the
// best fit, along structure 1's residue numbers.
#ifndef PAIRFIT_REPORT_DISTANCE_PLOT_H
#define PAIRFIT_REPORT_DISTANCE_PLOT_H

#include <string>
#include <vector>

#include "pairfit/compare.h"

namespace pairfit {

// Pairs of the best subset farther apart than this after the fit (Angstrom)
// are flagged: they score little and the subset holds them all the same.
constexpr double far_in_subset = 5.0;

// How a pair stands: "outside the subset", "in the subset", or, farther
// apart than far_in_subset, "in the subset, 9.95 Å apart".
std::string subset_state(bool in_subset, double distance);

// An SVG element: one circle a pair (class "pair in" for the best subset,
// "pair out" for the others, "far" added to the subset's pairs farther
// apart than far_in_subset) with a <title> naming both residues, the
// distance and subset_state, a dashed line at 5 Angstrom, and a dashed line where structure
// 1's chain or model changes. Each run of pairs in one chain is laid out by
// its residue numbers, the runs side by side. A pair with a colour in
// pair_colours (one a pair, "" for none; empty: no colours) is filled with
// it, and, outside the subset, ringed with it too.
std::string distance_plot_svg(const structure &first, const structure &second, const pairing &pairs,
                              const result &r, const std::vector<std::string> &pair_colours = {});

// The same kind of plot of the lDDT of every residue of structure 1
// (residue_lddt: per atom, as metrics holds it), from 0 to 1, the dashed
// line at 0.7: one circle a residue, "pair in" or "pair out" as above for
// the paired ones, "residue unpaired" (lDDT 0) for the others.
std::string lddt_plot_svg(const structure &first, const structure &second, const pairing &pairs,
                          const result &r, const std::vector<double> &residue_lddt);

// "GLY 23 A" (residue name, number with insertion code, chain), for titles
// and tables.
std::string residue_label(const ca_atom &atom);

}  // namespace pairfit

#endif
