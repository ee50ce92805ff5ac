// When C-alpha atoms belong to one chain segment or one residue.
#ifndef PAIRFIT_STRUCTURE_RESIDUES_H
#define PAIRFIT_STRUCTURE_RESIDUES_H

#include "pairfit/structure.h"

namespace pairfit {

// The same model and chain.
inline bool same_segment(const ca_atom &a, const ca_atom &b) {
    return a.model == b.model && a.chain_id == b.chain_id;
}

// The same residue: one segment, number and insertion code (several atoms
// where the C-alpha atom has alternate locations).
inline bool same_residue(const ca_atom &a, const ca_atom &b) {
    return same_segment(a, b) && a.residue_number == b.residue_number && a.insertion_code == b.insertion_code;
}

}  // namespace pairfit

#endif
