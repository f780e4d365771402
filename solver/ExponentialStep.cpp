#include "solver/ExponentialStep.h"

#include <algorithm>
#include <utility>

#include "linalg/ExtendedExponential.h"
#include "linalg/MatrixExponential.h"

namespace {

using Exponential = bool (*)(const Matrix&, Matrix&);

bool StepMatricesBy(Exponential exponentialOf, const Matrix& a, const Matrix& f, double dt,
                    StepMatrices& step) {
  const int n = a.num_rows();
  const int m = f.num_cols();
  if (n == 0 || a.num_cols() != n || f.num_rows() != n) return false;
  Matrix augmented(n + 2 * m, n + 2 * m, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) augmented[i][j] = a[i][j] * dt;
    for (int j = 0; j < m; ++j) augmented[i][n + j] = f[i][j] * dt;
  }
  for (int j = 0; j < m; ++j) augmented[n + j][n + m + j] = dt;
  Matrix exponential;
  if (!exponentialOf(augmented, exponential)) return false;
  step.c = Matrix(n, n, 0.0);
  step.p = Matrix(n, m, 0.0);
  step.p1 = Matrix(n, m, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) step.c[i][j] = exponential[i][j];
    for (int j = 0; j < m; ++j) {
      step.p[i][j] = exponential[i][n + j];
      step.p1[i][j] = exponential[i][n + m + j];
    }
  }
  return true;
}

}  // namespace

bool StepMatricesByExponential(const Matrix& a, const Matrix& f, double dt, StepMatrices& step) {
  return StepMatricesBy(MatrixExponential, a, f, dt, step);
}

bool StepMatricesByExtendedExponential(const Matrix& a, const Matrix& f, double dt,
                                       StepMatrices& step) {
  return StepMatricesBy(ExtendedExponential, a, f, dt, step);
}

double LargestRelativeDifference(const Matrix& c, const Matrix& p, const Matrix& p1,
                                 const StepMatrices& exact) {
  double largest = 0.0;
  const std::pair<const Matrix*, const Matrix*> pairs[] = {
      {&c, &exact.c}, {&p, &exact.p}, {&p1, &exact.p1}};
  for (const auto& [computed, reference] : pairs) {
    const double scale = MaxAbsolute(*reference);
    const double difference = MaxAbsolute(*computed - *reference);
    largest = std::max(largest, scale > 0.0 ? difference / scale : difference);
  }
  return largest;
}
