#include "solver/ExponentialStep.h"

#include "linalg/MatrixExponential.h"

bool StepMatricesByExponential(const Matrix& a, const Matrix& f, double dt, StepMatrices& step) {
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
  if (!MatrixExponential(augmented, exponential)) return false;
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
