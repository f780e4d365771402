#pragma once

// Turns the first-order system matrix A into a real block-diagonal D with
// A T = T D, orders the blocks, and, for a free rigid-body motion (a double zero
// eigenvalue with a single eigenvector, which leaves T nearly singular),
// replaces the last two columns of T by a Jordan chain so that A = S J S^-1.

#include <ostream>

#include "linalg/Matrix.h"

// JAMA's eigenvalue decomposition of A. D is zero except for the real parts on
// its diagonal and, for a complex pair sigma +- i omega at (i, i + 1), omega at
// (i, i + 1) and -omega at (i + 1, i); T holds the eigenvectors (real and
// imaginary parts for a pair). False, with D and T untouched, when A is empty,
// not square, holds a NaN or infinite element, or its largest element lies
// beyond 1e150 or, unless A is zero, below 1e-150: there the iterations would
// not end.
bool EigenDecompose(const Matrix& a, Matrix& d, Matrix& t);

// Orders the diagonal blocks of D by ascending real part and permutes the
// columns of T alike. Afterwards every 2 x 2 block (2k, 2k + 1) holds either
// two real eigenvalues, smaller first, or one complex pair as
// [[sigma, omega], [-omega, sigma]] with omega > 0. A complex pair is moved as
// one unit wherever the decomposition put it, so no pair is ever split.
void SortEigenBlocks(Matrix& d, Matrix& t);

// True when A, D and T are n x n, every diagonal element of D before the last
// block has magnitude at least 1e-10, and both of the last block are at most
// 1e-4: the last block holds the double zero of a free motion and no other
// eigenvalue is zero.
bool JordanApplicable(const Matrix& d, const Matrix& t, const Matrix& a);

// Replaces the last two columns of T by the chain A x1 = 0, A x2 = x1 and the
// last block of D by [[0, 1], [., 0]], giving J and S, and writes the residuals,
// J, S and the error of A - S J S^-1 to `log`. False, with J = D and S = T, when
// no chain with a free last state exists (a zero pivot, or a null vector of A
// whose last component vanishes) or when S is singular.
bool JordanDecompose(const Matrix& d, const Matrix& a, const Matrix& t, std::ostream& log,
                     Matrix& j, Matrix& s);

// The two halves of JordanDecompose, for a caller that writes its report later.
// JordanChain builds J and S; false, with J = D and S = T, when no chain exists
// (S may still be singular). ReportJordan writes the report of J and S given
// the inverse of S (empty when S is singular), the residuals only when
// `chainFound`.
bool JordanChain(const Matrix& d, const Matrix& a, const Matrix& t, Matrix& j, Matrix& s);
void ReportJordan(std::ostream& log, const Matrix& a, const Matrix& j, const Matrix& s,
                  const Matrix& sInverse, bool chainFound);

// Solves A x = b by Gaussian elimination with partial pivoting for an A whose
// last pivot vanishes (below 1e-10): the last variable is free and set to 1,
// the others follow by back substitution. False when the lengths do not match
// (x is then the vector (0)), when A has fewer rows than columns, when the last
// pivot does not vanish (no solution with a free last variable exists), or when
// the elimination met a zero pivot earlier (x is not finite).
bool SolveWithFreeLastVariable(const Matrix& a, const Vector& b, Vector& x);
