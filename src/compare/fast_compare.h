// compare() in the fast mode: the fast search and a closed-form refit of
// its best subset.
#ifndef PAIRFIT_COMPARE_FAST_COMPARE_H
#define PAIRFIT_COMPARE_FAST_COMPARE_H

#include "pairfit/compare.h"

namespace pairfit {

// Fills out as compare() describes. The observer hears only new_best, once,
// for the subset chosen (the seeds do not run in order, so there are no
// growth steps to report). The pairing must be valid; any number of pairs.
void compare_fast(const structure &first, const structure &second, const pairing &pairs,
                  const compare_options &options, result &out);

}  // namespace pairfit

#endif
