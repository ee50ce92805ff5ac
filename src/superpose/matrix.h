// 3 x 3 matrices: nine doubles, row-major, element (i, j) at index 3i + j,
// acting on coordinates as column vectors. Defined here so that the fit's
// inner iteration can inline them.
#ifndef PAIRFIT_MATRIX_H
#define PAIRFIT_MATRIX_H

namespace pairfit {

// p = a times b; p must be a different array from a and b.
inline void multiply_matrix(const double a[9], const double b[9], double p[9]) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double sum = 0.0;
            sum += a[3 * i + 0] * b[0 + j];
            sum += a[3 * i + 1] * b[3 + j];
            sum += a[3 * i + 2] * b[6 + j];
            p[3 * i + j] = sum;
        }
}

// d = s.
inline void copy_matrix(const double s[9], double d[9]) {
    for (int i = 0; i < 9; ++i) d[i] = s[i];
}

// a = a transposed, in place.
inline void transpose_matrix(double a[9]) {
    double t;
    t = a[1], a[1] = a[3], a[3] = t;
    t = a[2], a[2] = a[6], a[6] = t;
    t = a[5], a[5] = a[7], a[7] = t;
}
}  // namespace pairfit

#endif
