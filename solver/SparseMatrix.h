#pragma once

// The vehicle side's compressed form of the step matrices and the normal force
// matrix, as the framework hands them over and as the vehicle system keeps the
// sparse ones (StepMatrix). Only the elements that differ from 0 are stored,
// column by column, so that a product touches each of them once and a zero
// input element costs no multiplication at all.

#include <cstdint>
#include <span>
#include <vector>

class SparseMatrix {
 public:
  // Builds the form from `elements`, a dense matrix of `rowCount` rows in row-major
  // order. False, with the matrix unchanged, when the element count is not a
  // whole number of rows.
  bool FromRowMajor(std::uint32_t rowCount, std::span<const double> elements);

  // y = M x. False, with y untouched, when x does not have `Cols()` entries. y is
  // resized only when its length differs from `Rows()`, so a caller that keeps y
  // between calls makes the product allocate nothing.
  bool Multiply(const std::vector<double>& x, std::vector<double>& y) const;

  std::uint32_t Rows() const { return rows; }
  std::uint32_t Cols() const { return cols; }
  std::size_t NonZeros() const { return values.size(); }

  // The stored layout: values column by column, the row of each, and
  // columnEnd[j] = stored elements in columns 0..j.
  const std::vector<double>& Values() const { return values; }
  const std::vector<std::uint32_t>& RowOf() const { return rowOf; }
  const std::vector<std::uint32_t>& ColumnEnd() const { return columnEnd; }

 private:
  std::uint32_t ColumnBegin(std::uint32_t j) const { return j == 0 ? 0 : columnEnd[j - 1]; }

  std::uint32_t rows = 0;
  std::uint32_t cols = 0;
  std::vector<double> values;
  std::vector<std::uint32_t> rowOf;  // row of each stored element
  std::vector<std::uint32_t> columnEnd;
  std::vector<std::uint32_t> filledColumns;  // the columns that hold elements
};
