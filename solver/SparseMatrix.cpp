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
  std::vector<std::uint32_t> newColumnEnd(colCount);
  for (std::uint32_t j = 0; j < colCount; ++j) {
    for (std::uint32_t k = 0; k < rowCount; ++k) {
      const double a = elements[static_cast<std::size_t>(k) * colCount + j];
      if (a != 0.0) {
        newValues.push_back(a);
        rowOf.push_back(k);
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
  work.assign(newValues.size(), 0.0);
  values = std::move(newValues);
  columnEnd = std::move(newColumnEnd);
  rowEntries = std::move(newRowEntries);
  rowEnd = std::move(newRowEnd);
  return true;
}

// Two passes over the stored elements: the column pass scales each column by its
// input entry into the scratch (a zero input only clears it), the row pass sums
// every row's scratch entries in column order.
bool SparseMatrix::Multiply(const std::vector<double>& x, std::vector<double>& y) {
  if (x.size() != cols) return false;

  const double* value = values.data();
  double* scaled = work.data();
  std::uint32_t begin = 0;
  for (std::uint32_t j = 0; j < cols; ++j) {
    const std::uint32_t end = columnEnd[j];
    const double xj = x[j];
    if (xj == 0.0) {
      for (std::uint32_t i = begin; i < end; ++i) scaled[i] = 0.0;
    } else {
      for (std::uint32_t i = begin; i < end; ++i) scaled[i] = xj * value[i];
    }
    begin = end;
  }

  if (y.size() != rows) y.resize(rows);
  const std::uint32_t* entry = rowEntries.data();
  begin = 0;
  for (std::uint32_t k = 0; k < rows; ++k) {
    const std::uint32_t end = rowEnd[k];
    double sum = 0.0;
    for (std::uint32_t t = begin; t < end; ++t) sum += scaled[entry[t]];
    y[k] = sum;
    begin = end;
  }
  return true;
}
