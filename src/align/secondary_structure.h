// Secondary structure from C-alpha positions alone.
#ifndef PAIRFIT_ALIGN_SECONDARY_STRUCTURE_H
#define PAIRFIT_ALIGN_SECONDARY_STRUCTURE_H

#include <string>
#include <vector>

#include <gemmi/unitcell.hpp>

namespace pairfit {

// One letter a position: 'H' helix, 'E' strand, 'T' turn, 'C' anything
// else. Residue i is judged by the six distances among the C-alpha atoms
// i-2 ... i+2: a helix when those between atoms two, three and four apart
// lie within 2.1 A of 5.45, 5.18 and 6.37 A, a strand when within 1.42 A
// of 6.1, 10.4 and 13.0 A, a turn when the atoms four apart are closer
// than 8 A. Helices shorter than five and strands shorter than three
// positions become coil.
std::string assign_secondary_structure(const std::vector<gemmi::Position> &ca);

}  // namespace pairfit

#endif
