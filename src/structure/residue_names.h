// Residue names as the sequence pairing and the name check compare them.
#ifndef PAIRFIT_RESIDUE_NAMES_H
#define PAIRFIT_RESIDUE_NAMES_H

#include <string>

namespace pairfit {

// The residue name without the alternate-location letter that the readers
// glue in front ("AALA" is ALA): a name that gemmi's residue table does not
// know, but does know without its first character, loses that character.
std::string plain_residue_name(const std::string &name);

// The one-letter code of an amino acid (modified ones as their parent, MSE
// as M); 'X' for anything else.
char one_letter_code(const std::string &name);

// Whether gemmi's residue table lists name as a standard residue (amino
// acid or nucleotide); false for any name it does not know.
bool is_standard_residue(const std::string &name);

}  // namespace pairfit

#endif
