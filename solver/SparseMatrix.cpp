#include "solver/SparseMatrix.h"

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

  // Column pass: the non-zero elements column by column, remembering each one's row.
  std::vector<double> newValues;
  std::vector<std::uint32_t> rowOf;
  std::vector<std::uint32_t> newColumnOf;
  std::vector<std::uint32_t> newColumnEnd(colCount);
  for (std::uint32_t j = 0; j < colCount; ++j) {
    for (std::uint32_t k = 0; k < rowCount; ++k) {
      const double a = elements[static_cast<std::size_t>(k) * colCount + j];
      if (a != 0.0) {
        newValues.push_back(a);
        rowOf.push_back(k);
        newColumnOf.push_back(j);
      }
    }
    newColumnEnd[j] = static_cast<std::uint32_t>(newValues.size());
  }

  // Row pass: the stored positions grouped by row, each row in increasing order.
  std::vector<std::uint32_t> newRowEntries(newValues.size());
  std::vector<std::uint32_t> newRowEnd(rowCount);
  std::vector<std::uint32_t> perRow(rowCount, 0);
  for (std::uint32_t row : rowOf) ++perRow[row];
  std::vector<std::uint32_t> next(rowCount, 0);
  std::uint32_t total = 0;
  for (std::uint32_t k = 0; k < rowCount; ++k) {
    next[k] = total;
    total += perRow[k];
    newRowEnd[k] = total;
  }
  for (std::uint32_t l = 0; l < rowOf.size(); ++l) newRowEntries[next[rowOf[l]]++] = l;

  rows = rowCount;
  cols = colCount;
  columnOf = std::move(newColumnOf);
  values = std::move(newValues);
  columnEnd = std::move(newColumnEnd);
  rowEntries = std::move(newRowEntries);
  rowEnd = std::move(newRowEnd);
  return true;
}

// Every row sums its stored elements, each scaled by its column's input entry,
// in column order. A zero input adds +0 to a sum that starts at +0, so the sum
// is the same as if zero inputs were skipped; one pass over the elements, no scratch.
bool SparseMatrix::Multiply(const std::vector<double>& x, std::vector<double>& y) const {
  if (x.size() != cols) return false;
  if (y.size() != rows) y.resize(rows);
  const double* value = values.data();
  const std::uint32_t* column = columnOf.data();
  const std::uint32_t* entry = rowEntries.data();
  std::uint32_t begin = 0;
  for (std::uint32_t k = 0; k < rows; ++k) {
    const std::uint32_t end = rowEnd[k];
    double sum = 0.0;
    for (std::uint32_t t = begin; t < end; ++t) {
      const std::uint32_t i = entry[t];
      sum += x[column[i]] * value[i];
    }
    y[k] = sum;
    begin = end;
  }
  return true;
}
