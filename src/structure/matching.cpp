#include "structure/matching.h"

#include <cstring>

void delete_atom(molecule *mol, int k) {
    for (int j = k; j + 1 < mol->natoms; ++j) {
        atom *to = &mol->atoms[j];
        const atom *from = &mol->atoms[j + 1];
        to->x = from->x;
        to->y = from->y;
        to->z = from->z;
        std::memcpy(to->name, from->name, NAME_SIZE);
        std::memcpy(to->resname, from->resname, NAME_SIZE);
        to->number = from->number;
        to->resnum = from->resnum;
    }
    mol->natoms--;
}

void check_molecules(molecule *first, molecule *second) {
    // The side with the smaller residue number at position i loses atoms,
    // first before second; the walk never goes back.
    for (int i = 0; i < first->natoms && i < second->natoms; ++i) {
        while (i < first->natoms && first->atoms[i].resnum < second->atoms[i].resnum)
            delete_atom(first, i);
        while (i < first->natoms && i < second->natoms &&
               first->atoms[i].resnum > second->atoms[i].resnum)
            delete_atom(second, i);
    }
    while (second->natoms > first->natoms) delete_atom(second, second->natoms);
    while (first->natoms > second->natoms) delete_atom(first, first->natoms);
}
