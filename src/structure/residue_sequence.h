// The residue sequences of a structure's chain segments, as the sequence
// alignments read them.
#ifndef PAIRFIT_RESIDUE_SEQUENCE_H
#define PAIRFIT_RESIDUE_SEQUENCE_H

#include <string>
#include <vector>

#include "pairfit/structure.h"
#include "structure/residues.h"

namespace pairfit {

// One residue of a sequence: its atoms (more than one where the C-alpha
// atom has alternate locations), and the name under which the alignment
// scores it, that of its first atom.
struct sequence_residue {
    int atom;   // the index of its first atom
    int count;  // its atoms, which follow each other
    std::string code;
};

using residue_sequence = std::vector<sequence_residue>;

// The residues of s, one sequence per chain segment (a run of atoms of one
// model and chain).
std::vector<residue_sequence> segments_of(const structure &s);

}  // namespace pairfit

#endif
