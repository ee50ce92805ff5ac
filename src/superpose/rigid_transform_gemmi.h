// The library computes with gemmi's geometry types (Position, Mat33,
// Transform); the public headers keep to std::array so that callers need no
// gemmi. These convert between the two forms of a point and of a rigid
// transformation.
#ifndef PAIRFIT_RIGID_TRANSFORM_GEMMI_H
#define PAIRFIT_RIGID_TRANSFORM_GEMMI_H

#include <gemmi/math.hpp>

#include "pairfit/compare.h"

namespace pairfit {

// Component c (0, 1 or 2) of v, for loops over the three axes: unlike
// Vec3::at it checks nothing, so unrolled it costs nothing.
inline double &component(gemmi::Vec3 &v, int c) {
    return c == 0 ? v.x : c == 1 ? v.y : v.z;
}
inline double component(const gemmi::Vec3 &v, int c) {
    return c == 0 ? v.x : c == 1 ? v.y : v.z;
}

inline gemmi::Vec3 to_gemmi(const std::array<double, 3> &p) {
    return gemmi::Vec3(p[0], p[1], p[2]);
}

inline std::array<double, 3> from_gemmi(const gemmi::Vec3 &v) {
    return {v.x, v.y, v.z};
}

inline gemmi::Transform to_gemmi(const rigid_transform &t) {
    gemmi::Transform g;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) g.mat.a[i][j] = t.rotation[i][j];
        g.vec.at(i) = t.translation[i];
    }
    return g;
}

inline rigid_transform from_gemmi(const gemmi::Transform &g) {
    rigid_transform t;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) t.rotation[i][j] = g.mat.a[i][j];
        t.translation[i] = g.vec.at(i);
    }
    return t;
}

}  // namespace pairfit

#endif
