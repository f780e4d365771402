#pragma once

// The matrix exponential by scaling and squaring with a diagonal Padé
// approximant (Higham 2005): e^X = (r_m(X / 2^s))^(2^s), where r_m = q_m^-1 p_m
// is the [m/m] Padé approximant of degree 3, 5, 7, 9 or 13, the smallest whose
// backward error stays within double rounding for the 1-norm of X, and s the
// fewest halvings that bring a larger X within reach of degree 13.

#include "linalg/Matrix.h"

// e^X of a square matrix. False, with `result` unspecified, when X is empty,
// not square or not finite, or e^X overflows.
bool MatrixExponential(const Matrix& x, Matrix& result);
