#pragma once

// An independent reference for the exact discretisation of x' = A x + F u over a
// step dt with inputs varying linearly, built only from plain matrix products.
//
// Augment the state with the input u and its slope w, z = (x, u, w):
//   x' = A x + F u,  u' = w,  w' = 0,  i.e.  z' = M z with
//   M = [[A, F, 0], [0, 0, I], [0, 0, 0]]   (order n + 2m).
// Then u(s) = u0 + w s, and
//   x(dt) = e^(A dt) x0 + (int_0^dt e^(A (dt-s)) ds F) u0 + (int_0^dt e^(A (dt-s)) s ds F) w,
// so the first block row of e^(M dt) holds C, P and P1 (with w = (u1 - u0) / dt).
// Scalar check, A = a, F = 1: int_0^dt e^(a (dt-s)) s ds = (e^(a dt) - 1 - a dt) / a^2.
//

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "linalg/Matrix.h"

namespace testing_support {

struct ExactStep {
  Matrix c;   // e^(A dt)
  Matrix p;   // int e^(A (dt-s)) ds F
  Matrix p1;  // int e^(A (dt-s)) s ds F
};

// The exponential in extended precision (long double), by scaling and
// squaring: e^X = (e^(X / 2^k))^(2^k) with k chosen so that ||X / 2^k|| <= 1/2,
// and 30 terms of the Taylor series there. Independent of the program's Pade
// approximant, and more accurate than double rounding.
inline Matrix ExponentialByScalingAndSquaring(const Matrix& x) {
  using Square = std::vector<long double>;
  const int n = x.num_rows();
  const auto product = [n](const Square& a, const Square& b) {
    Square c(static_cast<std::size_t>(n) * n, 0.0L);
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < n; ++k) {
        const long double factor = a[static_cast<std::size_t>(i) * n + k];
        for (int j = 0; j < n; ++j) {
          c[static_cast<std::size_t>(i) * n + j] += factor * b[static_cast<std::size_t>(k) * n + j];
        }
      }
    }
    return c;
  };
  long double norm = 0.0L;  // largest absolute row sum
  for (int i = 0; i < n; ++i) {
    long double row = 0.0L;
    for (int j = 0; j < n; ++j) row += std::fabs(static_cast<long double>(x[i][j]));
    norm = std::max(norm, row);
  }
  int squarings = 0;
  long double scale = 1.0L;
  while (norm * scale > 0.5L) {
    scale /= 2.0L;
    ++squarings;
  }
  Square scaled(static_cast<std::size_t>(n) * n);
  Square sum(static_cast<std::size_t>(n) * n, 0.0L);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) scaled[static_cast<std::size_t>(i) * n + j] = x[i][j] * scale;
    sum[static_cast<std::size_t>(i) * n + i] = 1.0L;
  }
  Square term = sum;
  for (int k = 1; k <= 30; ++k) {
    term = product(term, scaled);
    for (std::size_t e = 0; e < term.size(); ++e) {
      term[e] /= k;
      sum[e] += term[e];
    }
  }
  for (int s = 0; s < squarings; ++s) sum = product(sum, sum);
  Matrix result(n, n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      result[i][j] = static_cast<double>(sum[static_cast<std::size_t>(i) * n + j]);
    }
  }
  return result;
}

inline ExactStep ExactDiscretisation(const Matrix& a, const Matrix& f, double dt) {
  const int n = a.num_rows();
  const int m = f.num_cols();
  Matrix augmented(n + 2 * m, n + 2 * m, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) augmented[i][j] = a[i][j] * dt;
    for (int j = 0; j < m; ++j) augmented[i][n + j] = f[i][j] * dt;
  }
  for (int j = 0; j < m; ++j) augmented[n + j][n + m + j] = dt;
  const Matrix e = ExponentialByScalingAndSquaring(augmented);
  ExactStep step{Matrix(n, n, 0.0), Matrix(n, m, 0.0), Matrix(n, m, 0.0)};
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) step.c[i][j] = e[i][j];
    for (int j = 0; j < m; ++j) {
      step.p[i][j] = e[i][n + j];
      step.p1[i][j] = e[i][n + m + j];
    }
  }
  return step;
}

// max |expected - actual| / max |expected|; infinity when the shapes differ or
// `actual` is not finite.
inline double RelativeDifference(const Matrix& expected, const Matrix& actual) {
  if (expected.num_rows() != actual.num_rows() || expected.num_cols() != actual.num_cols()) {
    return INFINITY;
  }
  double difference = 0.0;
  double largest = 0.0;
  for (int i = 0; i < expected.num_rows(); ++i) {
    for (int j = 0; j < expected.num_cols(); ++j) {
      if (!std::isfinite(actual[i][j])) return INFINITY;
      difference = std::max(difference, std::fabs(expected[i][j] - actual[i][j]));
      largest = std::max(largest, std::fabs(expected[i][j]));
    }
  }
  return largest > 0.0 ? difference / largest : difference;
}

}  // namespace testing_support
