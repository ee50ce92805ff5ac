// 3 x 3 matrices: nine doubles, row-major, element (i, j) at index 3i + j,
// acting on coordinates as column vectors.
#ifndef PAIRFIT_MATRIX_H
#define PAIRFIT_MATRIX_H

// p = a times b; p must be a different array from a and b.
void multiply_matrix(const double a[9], const double b[9], double p[9]);
// d = s.
void copy_matrix(const double s[9], double d[9]);
// a = a transposed, in place.
void transpose_matrix(double a[9]);

#endif
