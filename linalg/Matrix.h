#pragma once

// Dense matrices and vectors of doubles with deep-copy value semantics, and the
// operations the system builds on them: products, error measures, inversion,
// rank, condition number and the log layout of matrices.

#include <tnt/tnt_cmat.h>
#include <tnt/tnt_vec.h>

#include <ostream>
#include <vector>

// Row-major, 0-based [i][j]; an empty matrix has 0 rows and 0 columns.
using Matrix = TNT::Matrix<double>;
using Vector = TNT::Vector<double>;

// The elements row after row, the form the JAMA bridge takes.
std::vector<double> RowMajor(const Matrix& a);

// The n x n identity.
Matrix Identity(int n);

// Sum of |a(i, j)| over all elements; the total-absolute-error measure of the logs.
double SumOfAbsolutes(const Matrix& a);
double SumOfAbsolutes(const Vector& v);

// Largest |a(i, j)|; 0 for the empty matrix.
double MaxAbsolute(const Matrix& a);

// A copy divided by its largest absolute element; returned undivided when that
// element is not above 1e-16.
Matrix NormalizedByMaxAbsolute(const Matrix& a);

// True when no element is NaN or infinite.
bool AllFinite(const Vector& v);
bool AllFinite(const Matrix& a);

// Inverse through LU decomposition with partial pivoting; the empty matrix when a
// pivot of U is exactly 0 (or the matrix is not square).
Matrix Inverse(const Matrix& a);

// A B by the plain row-by-column sums, each taken in ascending order from 0 as
// the textbook triple loop does, so the elements are the same to the bit. The
// loops run row of A by row of B, which reads both contiguously, and skip the
// zero elements of A, whose terms add nothing to a finite sum: a product with
// a block-diagonal left factor costs a few passes over B.
Matrix Multiply(const Matrix& a, const Matrix& b);

// Number of singular values above max(rows, cols) * s[0] * 2^-52.
int Rank(const Matrix& a);

// 2-norm condition number s[0] / s[min(rows, cols) - 1]; infinity when singular,
// NaN when the matrix holds a non-finite element.
double ConditionNumber(const Matrix& a);

// Both of the above from one computation of the singular values.
struct RankAndCondition {
  int rank = 0;
  double condition = 0.0;
};
RankAndCondition RankAndConditionOf(const Matrix& a);

// Log layout: "rows\tcols\n", then every row as elements in scientific notation
// with ten digits after the point, each followed by a tab, and a newline. The
// stream is left in that notation.
void Print(std::ostream& out, const Matrix& a);
