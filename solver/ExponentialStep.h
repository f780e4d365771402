#pragma once

#include "linalg/Matrix.h"

// The exact step of x' = A x + F u over dt with the inputs varying linearly,
// from one matrix exponential (Van Loan). With the input u and its slope w as
// extra states, z = (x, u, w), the system is z' = M z with
//   M = [[A, F, 0], [0, 0, I], [0, 0, 0]]        (order n + 2m),
// since u(s) = u0 + w s and w' = 0. The first block row of e^(M dt) is then
//   [e^(A dt),  int e^(A (dt-s)) ds F,  int e^(A (dt-s)) s ds F] = [C, P, P1].
// False when e^(M dt) cannot be computed (non-finite input or overflow) or the
// dimensions of A and F do not match.
struct StepMatrices {
  Matrix c;   // e^(A dt)
  Matrix p;   // forces held over the step
  Matrix p1;  // forces growing linearly over the step
};
bool StepMatricesByExponential(const Matrix& a, const Matrix& f, double dt, StepMatrices& step);
// The same in extended precision (ExtendedExponential): the check of the
// double matrices where no other method gives them.
bool StepMatricesByExtendedExponential(const Matrix& a, const Matrix& f, double dt,
                                       StepMatrices& step);
// Largest |difference| of c, p and p1 to `exact`'s C, P and P1, each relative
// to the largest element of `exact`'s matrix (absolute where that is 0).
double LargestRelativeDifference(const Matrix& c, const Matrix& p, const Matrix& p1,
                                 const StepMatrices& exact);
