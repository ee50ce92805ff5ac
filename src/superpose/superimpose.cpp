#include <cmath>

#include "superpose/matrix.h"
#include "superpose/superpose.h"

namespace pairfit {

namespace {

// Half turn added to an axis angle that would lower the fit. Deliberately
// this decimal, not pi to full precision: the fitted results depend on it.
const double HALF_TURN = 3.14159265;
const double CONVERGED = 0.0001;  // radian, summed over the three axes of a pass

// One step about axis k, which turns the plane of axes p = k + 1 and
// q = k + 2 (modulo 3). The best angle is atan(t / d), turned by half a turn
// when it would put the fit at its minimum instead of its maximum. With e the
// transposed elementary rotation (cos at (p, p) and (q, q), sin at (p, q),
// -sin at (q, p)), h becomes h e and u becomes e transposed times u, the
// newest turn on the left. Returns the angle.
// Always inlined with a constant axis, so that the compiler keeps the
// matrices in registers instead of passing them through memory.
inline __attribute__((always_inline)) double axis_step(int k, double tiny, gemmi::Mat33 &h, gemmi::Mat33 &u) {
    const int p = (k + 1) % 3, q = (k + 2) % 3;
    const double t = h.a[q][p] - h.a[p][q], d = h.a[p][p] + h.a[q][q];
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
    gemmi::Mat33 e;
    e.a[p][p] = c;
    e.a[q][q] = c;
    e.a[p][q] = s;
    e.a[q][p] = -s;
    h = product_from_zero(h, e);
    u = product_from_zero(e.transpose(), u);
    return a;
}

}  // namespace

int fit_rotation(gemmi::Mat33 &h_out, gemmi::Mat33 &u_out) {
    // Local copies, which cannot alias each other, stay in registers.
    gemmi::Mat33 h = h_out, u;

    // Turn about x, y and z in turn, each by the angle that maximises the
    // trace of h, until a pass hardly turns at all. A not-a-number angle
    // (from coordinates beyond the range of doubles) fails the test and ends it.
    // Rounding-level terms of h, whose size turns leave nearly as it is.
    double scale = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) scale += std::fabs(h.a[i][j]);
    const double tiny = 1e-12 * scale;
    int passes = 0;
    for (;;) {
        double ax = axis_step(0, tiny, h, u);
        double ay = axis_step(1, tiny, h, u);
        double az = axis_step(2, tiny, h, u);
        ++passes;
        if (!(std::fabs(ax) + std::fabs(ay) + std::fabs(az) > CONVERGED)) break;
        if (passes == MAX_FIT_PASSES) break;
    }

    // Not a number: the iteration broke down. (A zero here is a quarter
    // turn, which lines along the axes need.)
    if (std::isnan(u.a[0][0])) u = gemmi::Mat33();
    h_out = h;
    u_out = u;
    return passes;
}

}  // namespace pairfit
