#include "solver/StepMatrix.h"

#include <algorithm>

namespace {

// y[i] = y[i] + c0[i] x0 + c1[i] x1 ... for one to four columns, each row in
// column order, starting from +0 instead of y[i] when `start`: one pass over y
// per group of columns, rows side by side in vector registers. Built twice,
// for the SSE2 registers of every x86-64 and the twice as wide ones of AVX;
// the program picks the one the processor runs when it starts.
__attribute__((target_clones("avx", "default"))) void AddColumns(const double* const* column,
                                                                 const double* x,
                                                                 std::uint32_t count,
                                                                 std::uint32_t rows, bool start,
                                                                 double* __restrict y) {
  if (start) std::fill(y, y + rows, 0.0);
  if (count == 4) {
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
    return;
  }
  for (std::uint32_t k = 0; k < count; ++k) {
    const double* __restrict c = column[k];
    const double xk = x[k];
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
  MultiplyDense(x.data(), y.data());
  return true;
}

// The columns of the non-zero input entries, four at a time.
void StepMatrix::MultiplyDense(const double* x, double* y) const {
  const double* group[4];
  double groupInput[4];
  std::uint32_t count = 0;
  bool start = true;
  for (std::uint32_t j = 0; j < cols; ++j) {
    if (x[j] == 0.0) continue;
    group[count] = columns.data() + static_cast<std::size_t>(j) * rows;
    groupInput[count] = x[j];
    if (++count == 4) {
      AddColumns(group, groupInput, count, rows, start, y);
      count = 0;
      start = false;
    }
  }
  if (count > 0 || start) AddColumns(group, groupInput, count, rows, start, y);
}
