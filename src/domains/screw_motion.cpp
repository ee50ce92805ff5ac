#include <cmath>

#include "pairfit/domains.h"

namespace pairfit {

namespace {

using vec = std::array<double, 3>;

double dot(const vec &a, const vec &b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

vec cross(const vec &a, const vec &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

const double pi = 3.14159265358979323846;

}  // namespace

screw_motion screw_from_transform(const rigid_transform &t) {
    const auto &r = t.rotation;
    screw_motion out;
    // sin(angle) u from the antisymmetric part, cos(angle) from the trace.
    const vec sine_axis = {(r[2][1] - r[1][2]) / 2, (r[0][2] - r[2][0]) / 2, (r[1][0] - r[0][1]) / 2};
    const double cosine = std::fmax(-1.0, std::fmin(1.0, (r[0][0] + r[1][1] + r[2][2] - 1) / 2));
    const double sine = std::sqrt(dot(sine_axis, sine_axis));
    if (std::atan2(sine, cosine) < 1e-9) {
        // A pure shift: every line along it is an axis.
        const double length = std::sqrt(dot(t.translation, t.translation));
        if (length > 0)
            for (int i = 0; i < 3; ++i) out.axis_direction[i] = t.translation[i] / length;
        out.translation = length;
        return out;
    }
    vec u;
    if (cosine >= 0) {
        for (int i = 0; i < 3; ++i) u[i] = sine_axis[i] / sine;
    } else {
        // Past 90 degrees the antisymmetric part shrinks to nothing at 180;
        // the symmetric part (R + R^T) / 2 - cos I = (1 - cos) u u^T does not.
        // Its column with the largest diagonal is u up to sign.
        int best = 0;
        double b[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) b[i][j] = (r[i][j] + r[j][i]) / 2 - (i == j ? cosine : 0.0);
        for (int j = 1; j < 3; ++j)
            if (b[j][j] > b[best][best]) best = j;
        const double length =
            std::sqrt(b[0][best] * b[0][best] + b[1][best] * b[1][best] + b[2][best] * b[2][best]);
        for (int i = 0; i < 3; ++i) u[i] = b[i][best] / length;
        if (dot(u, sine_axis) < 0)
            for (double &c : u) c = -c;
    }
    const double angle = std::atan2(dot(u, sine_axis), cosine);
    out.angle = angle * 180.0 / pi;
    out.axis_direction = u;
    out.translation = dot(t.translation, u);
    // The axis point p perpendicular to u solves (I - R) p = t_perp; in
    // closed form p = (t_perp + cot(angle / 2) u x t_perp) / 2.
    vec perpendicular;
    for (int i = 0; i < 3; ++i) perpendicular[i] = t.translation[i] - out.translation * u[i];
    const vec turned = cross(u, perpendicular);
    const double cotangent = 1.0 / std::tan(angle / 2);
    for (int i = 0; i < 3; ++i) out.axis_point[i] = (perpendicular[i] + cotangent * turned[i]) / 2;
    return out;
}

}  // namespace pairfit
