#include <cmath>

#include "superpose/matrix.h"
#include "superpose/superpose.h"

namespace pairfit {

namespace {

// Half turn added to an axis angle that would lower the fit. Deliberately
// this decimal, not pi to full precision: the fitted results depend on it.
const double HALF_TURN = 3.14159265;
const double CONVERGED = 0.0001;  // radian, summed over the three axes of a pass

void set_identity(double a[9]) {
    for (int i = 0; i < 9; ++i) a[i] = 0.0;
    a[0] = a[4] = a[8] = 1.0;
}

// One axis step. t and d are the numerator and denominator of the best
// angle for this axis; the plain arctangent is turned by half a turn when it
// would put the fit at its minimum instead of its maximum. e receives the
// transposed elementary rotation (cos at the diagonal places c1 and c2 of the
// turning plane, sin at plus_sin, -sin at minus_sin); h becomes h e, then e
// is transposed back to the rotation itself and u becomes e u, the newest
// turn on the left. Returns the angle.
// Always inlined with constant places, so that the compiler keeps the
// matrices in registers instead of passing them through memory.
inline __attribute__((always_inline)) double axis_step(double t, double d, double tiny, double e[9], int c1,
                                                       int c2, int plus_sin, int minus_sin, double h[9],
                                                       double u[9]) {
    // 0/0, up to rounding: no turn about this axis changes the fit (the
    // atoms of one structure lie on this axis, for instance), and the
    // angle of rounding errors would be arbitrary. Not turning lets the
    // other axes do the fit, where a not-a-number angle would end it with
    // no rotation at all.
    if (std::fabs(t) <= tiny && std::fabs(d) <= tiny) return 0.0;
    double a = std::atan(t / d);
    double c = std::cos(a), s = std::sin(a);
    if (c * d + s * t < 0) {
        a += HALF_TURN;
        c = std::cos(a);
        s = std::sin(a);
    }
    e[c1] = c;
    e[c2] = c;
    e[plus_sin] = s;
    e[minus_sin] = -s;
    double scratch[9];
    multiply_matrix(h, e, scratch);
    copy_matrix(scratch, h);
    transpose_matrix(e);
    multiply_matrix(e, u, scratch);
    copy_matrix(scratch, u);
    return a;
}

}  // namespace

int fit_rotation(double h_out[9], double u_out[9]) {
    double h[9], u[9], ex[9], ey[9], ez[9];
    copy_matrix(h_out, h);
    set_identity(u);
    set_identity(ex);
    set_identity(ey);
    set_identity(ez);

    // Turn about x, y and z in turn, each by the angle that maximises the
    // trace of h, until a pass hardly turns at all. A not-a-number angle
    // (from coordinates beyond the range of doubles) fails the test and ends it.
    // Rounding-level terms of h, whose size turns leave nearly as it is.
    double scale = 0.0;
    for (int i = 0; i < 9; ++i) scale += std::fabs(h[i]);
    const double tiny = 1e-12 * scale;
    int passes = 0;
    for (;;) {
        double ax = axis_step(h[7] - h[5], h[4] + h[8], tiny, ex, 4, 8, 5, 7, h, u);
        double ay = axis_step(h[2] - h[6], h[0] + h[8], tiny, ey, 0, 8, 6, 2, h, u);
        double az = axis_step(h[3] - h[1], h[0] + h[4], tiny, ez, 0, 4, 1, 3, h, u);
        ++passes;
        if (!(std::fabs(ax) + std::fabs(ay) + std::fabs(az) > CONVERGED)) break;
        if (passes == MAX_FIT_PASSES) break;
    }

    // Not a number: the iteration broke down. (A zero here is a quarter
    // turn, which lines along the axes need.)
    if (std::isnan(u[0])) set_identity(u);
    copy_matrix(h, h_out);
    copy_matrix(u, u_out);
    return passes;
}

}  // namespace pairfit
