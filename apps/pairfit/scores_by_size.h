// The per-size lines (-b).
#ifndef PAIRFIT_APP_SCORES_BY_SIZE_H
#define PAIRFIT_APP_SCORES_BY_SIZE_H

#include "pairfit/compare.h"

// The -b lines: for every size s from 0 to npairs - 1, the highest score of
// a subset of that size and its p-value.
void print_scores_by_size(const pairfit::result &r);

#endif
