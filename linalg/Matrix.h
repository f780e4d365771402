#pragma once

// Dense matrices and vectors of doubles with deep-copy value semantics, and the
// operations the system builds on them: error measures, inversion, rank,
// condition number, the exponential series and the log layout of matrices.

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

// s * A, element by element.
Matrix Scaled(double s, const Matrix& a);

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

// Number of singular values above max(rows, cols) * s[0] * 2^-52.
int Rank(const Matrix& a);

// 2-norm condition number s[0] / s[min(rows, cols) - 1]; infinity when singular,
// NaN when the matrix holds a non-finite element.
double ConditionNumber(const Matrix& a);

// Matrix exponential by its Taylor series, stopped when element (0, 0) changes by
// less than `tolerance` and the last term is negligible against the sum. Returns false, leaving
// `result` as the partial sum, when the series overflows (a non-finite term) or does not settle
// within its iteration bound: a large-norm argument never satisfies the stop test.
bool Exponential(const Matrix& x, double tolerance, Matrix& result);

// Log layout: "rows\tcols\n", then every row as elements in scientific notation
// with ten digits after the point, each followed by a tab, and a newline. The
// stream is left in that notation.
void Print(std::ostream& out, const Matrix& a);
