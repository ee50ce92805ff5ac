#include <cmath>

#include <gemmi/math.hpp>

#include "pairfit/domains.h"
#include "superpose/rigid_transform_gemmi.h"

namespace pairfit {

namespace {

const double pi = 3.14159265358979323846;

// v / d component by component: gemmi's operator/ multiplies by 1 / d,
// which rounds differently.
gemmi::Vec3 divided(const gemmi::Vec3 &v, double d) {
    return gemmi::Vec3(v.x / d, v.y / d, v.z / d);
}

}  // namespace

screw_motion screw_from_transform(const rigid_transform &t) {
    const gemmi::Mat33 r = to_gemmi(t).mat;
    const gemmi::Vec3 shift = to_gemmi(t.translation);
    screw_motion out;
    // sin(angle) u from the antisymmetric part, cos(angle) from the trace.
    const gemmi::Vec3 sine_axis((r[2][1] - r[1][2]) / 2, (r[0][2] - r[2][0]) / 2, (r[1][0] - r[0][1]) / 2);
    const double cosine = std::fmax(-1.0, std::fmin(1.0, (r.trace() - 1) / 2));
    const double sine = sine_axis.length();
    if (std::atan2(sine, cosine) < 1e-9) {
        // A pure shift: every line along it is an axis.
        const double length = shift.length();
        if (length > 0) out.axis_direction = from_gemmi(divided(shift, length));
        out.translation = length;
        return out;
    }
    gemmi::Vec3 u;
    if (cosine >= 0) {
        u = divided(sine_axis, sine);
    } else {
        // Past 90 degrees the antisymmetric part shrinks to nothing at 180;
        // the symmetric part (R + R^T) / 2 - cos I = (1 - cos) u u^T does not.
        // Its column with the largest diagonal is u up to sign.
        gemmi::Mat33 b;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) b[i][j] = (r[i][j] + r[j][i]) / 2 - (i == j ? cosine : 0.0);
        int best = 0;
        for (int j = 1; j < 3; ++j)
            if (b[j][j] > b[best][best]) best = j;
        const gemmi::Vec3 column = b.column_copy(best);
        u = divided(column, column.length());
        if (u.dot(sine_axis) < 0) u = -u;
    }
    const double angle = std::atan2(u.dot(sine_axis), cosine);
    out.angle = angle * 180.0 / pi;
    out.axis_direction = from_gemmi(u);
    out.translation = shift.dot(u);
    // The axis point p perpendicular to u solves (I - R) p = t_perp; in
    // closed form p = (t_perp + cot(angle / 2) u x t_perp) / 2.
    const gemmi::Vec3 perpendicular = shift - u * out.translation;
    const gemmi::Vec3 turned = u.cross(perpendicular);
    const double cotangent = 1.0 / std::tan(angle / 2);
    out.axis_point = from_gemmi(divided(perpendicular + turned * cotangent, 2));
    return out;
}

}  // namespace pairfit
