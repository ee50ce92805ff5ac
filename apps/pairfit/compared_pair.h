// The two structures of a run and how their atoms pair, as the printers
// and writers of pairfit take them.
#ifndef PAIRFIT_APP_COMPARED_PAIR_H
#define PAIRFIT_APP_COMPARED_PAIR_H

#include "pairfit/pairing.h"
#include "pairfit/structure.h"

struct compared_pair {
    const pairfit::structure &first, &second;
    const pairfit::pairing &pairs;
};

#endif
