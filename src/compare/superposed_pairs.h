// The exact comparison's superposed pairs: taken from the search's arrays
// into a result, and fitted once more on the best subset.
#ifndef PAIRFIT_SUPERPOSED_PAIRS_H
#define PAIRFIT_SUPERPOSED_PAIRS_H

#include "pairfit/compare.h"
#include "search/pair_arrays.h"

namespace pairfit {

// The pairs' coordinates as the fits left them, and the fits' motion as
// the transform from structure 2's input onto structure 1's input frame
// with the shift of that frame.
void take_superposed_pairs(const pair_arrays &p, result *out);

// Fits the best subset of an exact result once more, starting from its
// superposed coordinates, and takes the coordinates and motion again (the
// distances and final RMS stay). Nothing changes without a best subset. p
// is scratch storage.
void refit_superposed_pairs(pair_arrays *p, result *out);

}  // namespace pairfit

#endif
