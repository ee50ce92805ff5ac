// The iterative rotational fit of one set of centred points onto another.
#ifndef PAIRFIT_SUPERPOSE_H
#define PAIRFIT_SUPERPOSE_H

#include <gemmi/math.hpp>

namespace pairfit {

// The rotation that turns centred points b onto centred points a: starting from the identity, turns about x,
// y and z in turn, each time by the angle that maximises the trace of the
// correlation matrix h (a rows, b columns), updating h,
// until a pass turns by no more than 0.0001 radian in all. u receives the
// accumulated rotation; it is reset to the identity when the iteration
// broke down (u(0,0) not a number). An axis whose best angle is 0/0 up to
// rounding (the atoms of one structure on a line, say) is not turned about.
// Returns the number of passes.
int fit_rotation(gemmi::Mat33 &h, gemmi::Mat33 &u);

// Guard against a fit that never converges; never reached on real input.
enum { MAX_FIT_PASSES = 100000 };

}  // namespace pairfit

#endif
