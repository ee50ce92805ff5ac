// Which atom of structure 1 goes with which atom of structure 2.
#ifndef PAIRFIT_PUBLIC_PAIRING_H
#define PAIRFIT_PUBLIC_PAIRING_H

#include <cstddef>
#include <vector>

#include "pairfit/structure.h"

namespace pairfit {

// Pair k joins atom first[k] of structure 1 with atom second[k] of
// structure 2. Both lists have the same length; each is increasing.
struct pairing {
    std::vector<int> first, second;
    std::size_t size() const { return first.size(); }
};

// Pairs by residue number in one forward walk, as pairfit always has: at
// each position the side with the smaller residue number loses atoms (file
// 1 before file 2) until the numbers agree, and the longer side loses its
// tail. Chains, models and insertion codes are not told apart.
pairing pair_by_residue_number(const structure &first, const structure &second);
// The same into out, reusing its storage.
void pair_by_residue_number(const structure &first, const structure &second, pairing &out);

}  // namespace pairfit

#endif
