// Which atom of structure 1 goes with which atom of structure 2.
#ifndef PAIRFIT_PUBLIC_PAIRING_H
#define PAIRFIT_PUBLIC_PAIRING_H

#include <cstddef>
#include <string>
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

// Pairs residues by a global alignment of the two residue sequences, for
// structures numbered differently: the one-letter codes of the residue
// names (modified amino acids as their parent, anything else X; an
// alternate-location letter in front of a name is ignored), BLOSUM62 with
// affine gaps (open 10, extend 1, as gemmi's align_string_sequences
// scores), the aligned positions in order becoming the pairs. A residue is
// a run of atoms with the same model, chain, number and insertion code
// (several where the C-alpha atom has alternate locations; the first one's
// name counts); two aligned residues pair their atoms in order, as many as
// the smaller has, as pairing by number does with atoms of one residue
// number. So a renumbered copy pairs as the original numbering does.
// When both structures hold the same number of chain
// segments (runs of atoms of one model and chain) and more than one, the
// i-th segment of structure 1 is aligned with the i-th of structure 2;
// otherwise each structure is aligned as one sequence.
pairing pair_by_sequence(const structure &first, const structure &second);

// Pairs residues by a structural alignment of the two C-alpha traces, in
// sequence order with gaps, from their shapes alone: several initial
// alignments (gapless threading, secondary structure assigned from C-alpha
// geometry, superposed short fragments, and secondary structure with
// distances together), each improved by alternating the superposition with
// the highest TM-score on the aligned pairs and dynamic programming on
// 1/(1+(d/d0)^2) under it (gap opening 0.6); the alignment with the highest
// TM-score normalised by structure 1 gives the pairs. Each C-alpha atom is
// one position. Throws error when either structure has fewer than 5
// C-alpha atoms. Memory: about n1 x n2 / 4 bytes of traceback (6 MB for
// 5000 x 5000) and a few arrays of length n1 + n2.
pairing pair_by_structure(const structure &first, const structure &second);

enum class pairing_method {
    residue_number,  // pair_by_residue_number
    sequence,        // pair_by_sequence
    structure,       // pair_by_structure
    alignment,       // pair_by_alignment (pairfit/alignment.h), from an alignment given
};

// Pairs by the method; alignment, which needs the alignment, throws error.
pairing pair_residues(const structure &first, const structure &second, pairing_method method);

// A warning, when more than a tenth of the pairs and at least 3 join
// residues of different names (alternate-location letters aside): names
// both structures (as display_name does), counts the pairs and shows the
// first five of them. Empty when the names agree well enough.
std::string residue_name_warning(const structure &first, const structure &second, const pairing &pairs);

}  // namespace pairfit

#endif
