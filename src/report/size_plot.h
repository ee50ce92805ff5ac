// The best score found for each subset size, and its p-value.
#ifndef PAIRFIT_REPORT_SIZE_PLOT_H
#define PAIRFIT_REPORT_SIZE_PLOT_H

#include <string>

#include "pairfit/compare.h"

namespace pairfit {

// An SVG element of two panels over the subset size: the highest score of
// any subset of that size (r.score_by_size), and its p-value on a log
// scale. Sizes no subset was scored at are left out. The chosen size
// (r.size, when a subset was accepted) is marked by a line in both panels,
// and the sizes up to min_size, which cannot be accepted, are shaded. Each
// point has a <title> with its size, score and p-value.
std::string size_plot_svg(const result &r, int min_size);

}  // namespace pairfit

#endif
