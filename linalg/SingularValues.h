#pragma once

// Singular values without the singular vectors: Householder bidiagonalisation
// and implicitly shifted QR on the bidiagonal (Golub-Kahan), the same
// arithmetic as JAMA's decomposition, so the values agree with it bit for bit,
// but without building U and V, which costs most of the time there.

#include <vector>

#include "linalg/Matrix.h"

// The singular values of a finite matrix, largest first, min(rows, cols) of
// them; empty for an empty matrix.
std::vector<double> SingularValues(const Matrix& a);
