// Pairing the atoms of two molecules by residue number.
#ifndef PAIRFIT_MATCHING_H
#define PAIRFIT_MATCHING_H

#include "structure/molecule.h"

// Removes atom k (0 <= k < natoms), moving the later atoms one place to the
// front; with k == natoms, drops the last atom. Coordinates, names and numbers
// move; each position keeps its own sqdev and selected.
void delete_atom(molecule *mol, int k);

// Removes atoms from both molecules by one forward walk over the residue
// numbers until both hold the same count; atom k of one then pairs with atom
// k of the other.
void check_molecules(molecule *first, molecule *second);

#endif
