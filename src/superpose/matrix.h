// The matrix product of the fit's inner iteration, on gemmi's Mat33. Defined
// here so that the iteration can inline it.
#ifndef PAIRFIT_MATRIX_H
#define PAIRFIT_MATRIX_H

#include <gemmi/math.hpp>

namespace pairfit {

// a times b, each element summed onto 0.0 term by term. Not gemmi's
// Mat33::multiply: its sums start from the first term, which keeps a -0.0
// that this turns into +0.0, and the fitted results depend on it.
inline gemmi::Mat33 product_from_zero(const gemmi::Mat33 &a, const gemmi::Mat33 &b) {
    gemmi::Mat33 p;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double sum = 0.0;
            sum += a.a[i][0] * b.a[0][j];
            sum += a.a[i][1] * b.a[1][j];
            sum += a.a[i][2] * b.a[2][j];
            p.a[i][j] = sum;
        }
    return p;
}

}  // namespace pairfit

#endif
