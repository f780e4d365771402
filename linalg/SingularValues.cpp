#include "linalg/SingularValues.h"

#include <algorithm>
#include <cstddef>

extern "C" void dgesvd_(const char* jobu, const char* jobvt, const int* m, const int* n, double* a,
                        const int* lda, double* s, double* u, const int* ldu, double* vt,
                        const int* ldvt, double* work, const int* lwork, int* info);

namespace {

// LAPACK reads the matrix column after column and overwrites it.
std::vector<double> ColumnMajor(const Matrix& a) {
  const int rows = a.num_rows();
  const int cols = a.num_cols();
  std::vector<double> data(static_cast<std::size_t>(rows) * cols);
  for (int j = 0; j < cols; ++j) {
    for (int i = 0; i < rows; ++i) data[static_cast<std::size_t>(j) * rows + i] = a[i][j];
  }
  return data;
}

}  // namespace

std::vector<double> SingularValues(const Matrix& a) {
  const int m = a.num_rows();
  const int n = a.num_cols();
  if (m == 0 || n == 0) return {};
  std::vector<double> data = ColumnMajor(a);
  std::vector<double> s(static_cast<std::size_t>(std::min(m, n)));
  const char none = 'N';
  const int lda = m;
  const int unused = 1;
  double dummy = 0.0;
  int info = 0;

  // The first call asks for the work space the second one needs.
  int lwork = -1;
  double optimal = 0.0;
  dgesvd_(&none, &none, &m, &n, data.data(), &lda, s.data(), &dummy, &unused, &dummy, &unused,
          &optimal, &lwork, &info);
  if (info != 0) return {};
  lwork = static_cast<int>(optimal);
  std::vector<double> work(static_cast<std::size_t>(std::max(lwork, 1)));
  dgesvd_(&none, &none, &m, &n, data.data(), &lda, s.data(), &dummy, &unused, &dummy, &unused,
          work.data(), &lwork, &info);
  if (info != 0) return {};
  return s;
}
