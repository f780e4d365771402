#include "solver/StepMatrix.h"

#include <algorithm>

namespace {

// y[i] = y[i] + c0[i] x0 + c1[i] x1 + c2[i] x2 + c3[i] x3, each row in column
// order: one pass over y for four columns, rows side by side in vector
// registers.
inline void AddFourColumns(const double* const* column, const double* x, std::uint32_t rows,
                           double* __restrict y) {
  const double* __restrict c0 = column[0];
  const double* __restrict c1 = column[1];
  const double* __restrict c2 = column[2];
  const double* __restrict c3 = column[3];
  const double x0 = x[0];
  const double x1 = x[1];
  const double x2 = x[2];
  const double x3 = x[3];
  for (std::uint32_t i = 0; i < rows; ++i) {
    y[i] = y[i] + c0[i] * x0 + c1[i] * x1 + c2[i] * x2 + c3[i] * x3;
  }
}

// y = A x for the rows x cols elements of A stored column by column: y starts
// at +0 and takes the columns of the non-zero entries of x four at a time, in
// column order. Built twice, for the SSE2 registers of every x86-64 and the
// twice as wide ones of AVX; the program picks the one the processor runs when
// it starts. ThreadSanitizer cannot run that choice before main: its build has
// the one version every x86-64 runs.
#ifdef KELVRA_TSAN
#define KELVRA_PER_PROCESSOR
#else
#define KELVRA_PER_PROCESSOR __attribute__((target_clones("avx", "default")))
#endif
KELVRA_PER_PROCESSOR void MultiplyColumns(const double* a, std::uint32_t rows, std::uint32_t cols,
                                          const double* x, double* __restrict y) {
  std::fill(y, y + rows, 0.0);
  const double* group[4];
  double groupInput[4];
  std::uint32_t count = 0;
  for (std::uint32_t j = 0; j < cols; ++j) {
    if (x[j] == 0.0) continue;
    group[count] = a + static_cast<std::size_t>(j) * rows;
    groupInput[count] = x[j];
    if (++count == 4) {
      AddFourColumns(group, groupInput, rows, y);
      count = 0;
    }
  }
  for (std::uint32_t k = 0; k < count; ++k) {
    const double* __restrict c = group[k];
    const double xk = groupInput[k];
    for (std::uint32_t i = 0; i < rows; ++i) y[i] += c[i] * xk;
  }
}

}  // namespace

void StepMatrix::Assign(const SparseMatrix& m) {
  rows = m.Rows();
  cols = m.Cols();
  const double entries = static_cast<double>(rows) * cols;
  dense = entries > 0 && static_cast<double>(m.NonZeros()) >= kDenseShare * entries;
  if (!dense) {
    sparse = m;
    columns.clear();
    return;
  }
  sparse = SparseMatrix{};
  columns.assign(static_cast<std::size_t>(rows) * cols, 0.0);
  const std::vector<double>& values = m.Values();
  const std::vector<std::uint32_t>& rowOf = m.RowOf();
  std::uint32_t stored = 0;
  for (std::uint32_t j = 0; j < cols; ++j) {
    double* column = columns.data() + static_cast<std::size_t>(j) * rows;
    for (; stored < m.ColumnEnd()[j]; ++stored) column[rowOf[stored]] = values[stored];
  }
}

bool StepMatrix::Multiply(const std::vector<double>& x, std::vector<double>& y) const {
  if (!dense) return sparse.Multiply(x, y);
  if (x.size() != cols) return false;
  if (y.size() != rows) y.resize(rows);
  MultiplyColumns(columns.data(), rows, cols, x.data(), y.data());
  return true;
}
