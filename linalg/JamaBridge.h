#pragma once

// Calls into JAMA on plain row-major arrays. JAMA's headers pull all of TNT into
// the global namespace, which would clash with the system's Matrix and Vector
// names, so they are included only in JamaBridge.cpp.

#include <vector>

// Solves A X = B (A n x n, B n x m, both row-major) by LU decomposition with
// partial pivoting. False, with X untouched, when a pivot of U is exactly 0.
bool LuSolve(const std::vector<double>& a, int n, const std::vector<double>& b, int m,
             std::vector<double>& x);

// Singular values of a rows x cols row-major matrix, largest first.
std::vector<double> SingularValues(const std::vector<double>& a, int rows, int cols);
