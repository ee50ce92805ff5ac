// lDDT on C-alpha atoms: how well a model keeps the reference's local
// distances, without any superposition.
#ifndef PAIRFIT_METRICS_LDDT_H
#define PAIRFIT_METRICS_LDDT_H

#include <vector>

#include "pairfit/pairing.h"
#include "pairfit/structure.h"

namespace pairfit {

// The distances of atoms i != j of first below 15 Angstrom are considered;
// each is conserved at a threshold t in 0.5, 1, 2, 4 when both atoms are
// paired and their partners in second lie at a distance differing by less
// than t. Returns the conserved count over 4 x the considered count (0
// when none is considered); per_atom receives the same per atom of first
// over the distances involving it.
double c_alpha_lddt(const structure &first, const structure &second, const pairing &pairs,
                    std::vector<double> &per_atom);

}  // namespace pairfit

#endif
