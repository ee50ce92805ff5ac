#include "compare/superposed_pairs.h"

#include "superpose/rigid_transform_gemmi.h"

namespace pairfit {

void take_superposed_pairs(const pair_arrays &p, result *out) {
    out->superposed1.resize(p.n);
    out->superposed2.resize(p.n);
    for (int j = 0; j < p.n; ++j) {
        out->superposed1[j] = {p.x1[j], p.y1[j], p.z1[j]};
        out->superposed2[j] = {p.x2[j], p.y2[j], p.z2[j]};
    }
    // Structure 1 moved by shift1 only: it is the frame's shift.
    gemmi::Transform onto1 = p.motion2;
    onto1.vec -= p.shift1;
    out->transform = from_gemmi(onto1);
    out->reference_shift = {p.shift1.x, p.shift1.y, p.shift1.z};
}

void refit_superposed_pairs(pair_arrays *p, result *out) {
    if (out->size == 0) return;
    const gemmi::Vec3 shift1(out->reference_shift[0], out->reference_shift[1], out->reference_shift[2]);
    gemmi::Transform motion2 = to_gemmi(out->transform);
    motion2.vec += shift1;
    load_pairs(p, out->superposed1, out->superposed2, shift1, motion2);
    for (int j = 0; j < p->n; ++j)
        if (out->in_subset[j]) select_pair(p, j);
    pair_fit fit;
    fit_selected_pairs(p, false, &fit);
    take_superposed_pairs(*p, out);
}

}  // namespace pairfit
