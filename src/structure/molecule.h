// The records the exact search works on: one C-alpha atom and one structure,
// paired by index (atom k of molecule 1 with atom k of molecule 2).
#ifndef PAIRFIT_MOLECULE_H
#define PAIRFIT_MOLECULE_H

#include "pairfit/structure.h"

namespace pairfit {

enum { MAX_ATOMS = static_cast<int>(max_exact_atoms) };  // capacity of one molecule

// What the fits need of an atom; names and numbers stay in the structure.
struct atom {
    double x, y, z;          // Angstrom
    double sqdev;            // squared distance to the partner after the latest fit
    int selected;            // non-zero: the pair is in the subset being fitted
};

struct molecule {
    atom atoms[MAX_ATOMS];   // entries natoms and beyond are unused
    int natoms;
};

}  // namespace pairfit

#endif
