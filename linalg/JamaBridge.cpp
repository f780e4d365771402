#include "linalg/JamaBridge.h"

// TNT's reference-counted arrays read their counter after releasing a sibling
// array, which GCC's optimiser mistakes for a use after free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif

#include <jama/jama_eig.h>
#include <jama/jama_lu.h>

namespace {

TNT::Array2D<double> ToArray(const std::vector<double>& a, int rows, int cols) {
  TNT::Array2D<double> copy(rows, cols);
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) copy[i][j] = a[static_cast<size_t>(i) * cols + j];
  }
  return copy;
}

}  // namespace

bool LuSolve(const std::vector<double>& a, int n, const std::vector<double>& b, int m,
             std::vector<double>& x) {
  JAMA::LU<double> lu(ToArray(a, n, n));
  const TNT::Array2D<double> solution = lu.solve(ToArray(b, n, m));
  if (solution.dim1() != n || solution.dim2() != m) return false;
  x.assign(static_cast<size_t>(n) * m, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < m; ++j) x[static_cast<size_t>(i) * m + j] = solution[i][j];
  }
  return true;
}

void EigenSystem(const std::vector<double>& a, int n, std::vector<double>& real,
                 std::vector<double>& imag, std::vector<double>& vectors) {
  JAMA::Eigenvalue<double> eigen(ToArray(a, n, n));
  TNT::Array1D<double> d;
  TNT::Array1D<double> e;
  TNT::Array2D<double> v;
  eigen.getRealEigenvalues(d);
  eigen.getImagEigenvalues(e);
  eigen.getV(v);
  real.assign(&d[0], &d[0] + n);
  imag.assign(&e[0], &e[0] + n);
  vectors.assign(static_cast<size_t>(n) * n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) vectors[static_cast<size_t>(i) * n + j] = v[i][j];
  }
}
