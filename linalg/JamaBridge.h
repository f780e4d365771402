#pragma once

// Calls into JAMA on plain row-major arrays. JAMA's headers pull all of TNT into
// the global namespace, which would clash with the system's Matrix and Vector
// names, so they are included only in JamaBridge.cpp.

#include <vector>

// Solves A X = B (A n x n, B n x m, both row-major) by LU decomposition with
// partial pivoting. False, with X untouched, when a pivot of U is exactly 0.
bool LuSolve(const std::vector<double>& a, int n, const std::vector<double>& b, int m,
             std::vector<double>& x);

// Eigenvalues and eigenvectors of an n x n row-major matrix (JAMA's Eigenvalue
// class: tred2/tql2 when the matrix is exactly symmetric, orthes/hqr2 otherwise).
// `real` and `imag` receive the n real and imaginary parts, `vectors` the
// row-major eigenvector matrix V; a complex pair has its positive imaginary part
// first, and its two columns of V hold the real and imaginary parts of the
// eigenvector. The input must be finite: the iterations do not end on NaN.
void EigenSystem(const std::vector<double>& a, int n, std::vector<double>& real,
                 std::vector<double>& imag, std::vector<double>& vectors);
