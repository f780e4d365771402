#pragma once

// Singular values without the singular vectors, from LAPACK's bidiagonal QR
// (dgesvd without U and V): the rank and the condition number need only the
// values, and building U and V costs most of a full decomposition.

#include <vector>

#include "linalg/Matrix.h"

// The singular values of a finite matrix, largest first, min(rows, cols) of
// them; empty for an empty matrix or when LAPACK reports no convergence.
std::vector<double> SingularValues(const Matrix& a);
