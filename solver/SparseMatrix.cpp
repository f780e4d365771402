#include "solver/SparseMatrix.h"

#include <algorithm>
#include <limits>

bool SparseMatrix::FromRowMajor(std::uint32_t rowCount, std::span<const double> elements) {
  const std::size_t count = elements.size();
  if (rowCount == 0) {
    if (count != 0) return false;
  } else if (count % rowCount != 0 ||
             count / rowCount > std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  const std::uint32_t colCount = rowCount == 0 ? 0 : static_cast<std::uint32_t>(count / rowCount);

  // The non-zero elements column by column, remembering each one's row.
  std::vector<double> newValues;
  std::vector<std::uint32_t> newRowOf;
  std::vector<std::uint32_t> newColumnEnd(colCount);
  for (std::uint32_t j = 0; j < colCount; ++j) {
    for (std::uint32_t k = 0; k < rowCount; ++k) {
      const double a = elements[static_cast<std::size_t>(k) * colCount + j];
      if (a != 0.0) {
        newValues.push_back(a);
        newRowOf.push_back(k);
      }
    }
    newColumnEnd[j] = static_cast<std::uint32_t>(newValues.size());
  }

  rows = rowCount;
  cols = colCount;
  rowOf = std::move(newRowOf);
  values = std::move(newValues);
  columnEnd = std::move(newColumnEnd);
  filledColumns.clear();
  for (std::uint32_t j = 0; j < colCount; ++j) {
    if (ColumnBegin(j) != columnEnd[j]) filledColumns.push_back(j);
  }
  return true;
}

// Column by column, each stored element adds its term to its row, so every row
// sums its terms from +0 in column order. The column of a zero input entry would
// only add zeros, which leave such a sum unchanged: it is skipped, as are the
// columns without elements.
bool SparseMatrix::Multiply(const std::vector<double>& x, std::vector<double>& y) const {
  if (x.size() != cols) return false;
  if (y.size() != rows) y.resize(rows);
  std::fill(y.begin(), y.end(), 0.0);
  const double* value = values.data();
  const std::uint32_t* row = rowOf.data();
  for (const std::uint32_t j : filledColumns) {
    const double xj = x[j];
    if (xj == 0.0) continue;
    for (std::uint32_t i = ColumnBegin(j); i < columnEnd[j]; ++i) y[row[i]] += xj * value[i];
  }
  return true;
}
