// The per-atom deviation table (-o, and -v after every growth step).
#ifndef PAIRFIT_APP_DEVIATION_TABLE_H
#define PAIRFIT_APP_DEVIATION_TABLE_H

#include <functional>

#include "compared_pair.h"

// The per-pair deviation table: rms, then a row for every pair k with
// in_subset(k): both atoms as read and the pair's distance (Angstrom).
void print_deviation_table(const compared_pair &input, double rms, const std::function<bool(int)> &in_subset,
                           const std::function<double(int)> &distance);

#endif
