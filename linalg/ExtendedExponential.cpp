#include "linalg/ExtendedExponential.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// An n x n matrix of long doubles, row after row.
struct Square {
  int n = 0;
  std::vector<long double> a;

  explicit Square(int size) : n(size), a(static_cast<std::size_t>(size) * size, 0.0L) {}
  long double& At(int i, int j) { return a[static_cast<std::size_t>(i) * n + j]; }
  long double At(int i, int j) const { return a[static_cast<std::size_t>(i) * n + j]; }
};

// Row of A by row of B, skipping the zero elements of A: the augmented step
// matrices are mostly zeros.
Square Product(const Square& x, const Square& y) {
  const int n = x.n;
  Square z(n);
  for (int i = 0; i < n; ++i) {
    long double* row = &z.a[static_cast<std::size_t>(i) * n];
    for (int k = 0; k < n; ++k) {
      const long double factor = x.At(i, k);
      if (factor == 0.0L) continue;
      const long double* other = &y.a[static_cast<std::size_t>(k) * n];
      for (int j = 0; j < n; ++j) row[j] += factor * other[j];
    }
  }
  return z;
}

long double OneNorm(const Square& x) {
  long double largest = 0.0L;
  for (int j = 0; j < x.n; ++j) {
    long double column = 0.0L;
    for (int i = 0; i < x.n; ++i) column += std::fabs(x.At(i, j));
    largest = std::max(largest, column);
  }
  return largest;
}

// Terms of 1/2-scaled series fall below 2^-64 of the sum after about 20; the
// bound only guards against a series that stops shrinking.
constexpr int kMostTerms = 40;

}  // namespace

bool ExtendedExponential(const Matrix& x, Matrix& result) {
  const int n = x.num_rows();
  if (n == 0 || x.num_cols() != n || !AllFinite(x)) return false;
  Square scaled(n);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) scaled.At(i, j) = x[i][j];
  }
  // Halving by a power of two is exact; each halving costs one squaring.
  int squarings = 0;
  for (long double norm = OneNorm(scaled); norm > 0.5L; norm /= 2.0L) ++squarings;
  for (long double& element : scaled.a) element = std::ldexp(element, -squarings);

  Square sum(n);
  for (int i = 0; i < n; ++i) sum.At(i, i) = 1.0L;
  Square term = sum;
  for (int k = 1; k <= kMostTerms; ++k) {
    term = Product(term, scaled);
    bool changed = false;
    for (std::size_t e = 0; e < term.a.size(); ++e) {
      term.a[e] /= k;
      const long double before = sum.a[e];
      sum.a[e] += term.a[e];
      changed = changed || sum.a[e] != before;
    }
    if (!changed) break;
  }
  for (int s = 0; s < squarings; ++s) sum = Product(sum, sum);

  result = Matrix(n, n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) result[i][j] = static_cast<double>(sum.At(i, j));
  }
  return AllFinite(result);
}
