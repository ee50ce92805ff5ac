// Centring and the iterative rotational fit of molecule 2 onto molecule 1.
#ifndef PAIRFIT_SUPERPOSE_H
#define PAIRFIT_SUPERPOSE_H

#include "structure/molecule.h"

namespace pairfit {

// Moves every atom so that the centroid of the selected atoms lies at the
// origin. A molecule without selected atoms is left as it is.
void center_molecule(molecule *mol);

// Turns molecule 2 about the origin onto molecule 1, fitted on the pairs
// selected in molecule 1, by axis-by-axis turns until a pass turns by less
// than 0.0001 radian in all. Writes every pair's squared distance into the
// sqdev of both atoms and the rotation into u; returns the RMS deviation of
// the selected pairs (0 when none is selected). Both molecules must be
// centred on their selected atoms.
double superimpose_molecules(molecule *mol1, molecule *mol2, double u[9]);

// The rotation part of the fit: starting from the identity, turns about x,
// y and z in turn, each time by the angle that maximises the trace of the
// correlation matrix h (molecule 1 rows, molecule 2 columns), updating h,
// until a pass turns by no more than 0.0001 radian in all. u receives the
// accumulated rotation; it is reset to the identity when the iteration
// broke down (u(0,0) not a number). An axis whose best angle is 0/0 up to
// rounding (the atoms of one structure on a line, say) is not turned about.
// Returns the number of passes.
int fit_rotation(double h[9], double u[9]);

// Guard against a fit that never converges; never reached on real input.
enum { MAX_FIT_PASSES = 100000 };

}  // namespace pairfit

#endif
