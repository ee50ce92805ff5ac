#include "superpose/superpose.h"

namespace pairfit {

void center_molecule(molecule *mol) {
    double sx = 0.0, sy = 0.0, sz = 0.0;
    int count = 0;
    for (int k = 0; k < mol->natoms; ++k) {
        const atom *a = &mol->atoms[k];
        if (a->selected) {
            sx += a->x;
            sy += a->y;
            sz += a->z;
            ++count;
        }
    }
    if (count == 0) return;  // no centroid; the callers always select atoms
    double cx = sx / count, cy = sy / count, cz = sz / count;
    for (int k = 0; k < mol->natoms; ++k) {
        atom *a = &mol->atoms[k];
        a->x -= cx;
        a->y -= cy;
        a->z -= cz;
    }
}

}  // namespace pairfit
