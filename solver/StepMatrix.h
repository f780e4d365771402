#pragma once

// A matrix the vehicle system multiplies in every pass of every step, stored in
// the form that multiplies it fastest. Where most entries are non-zero, every
// element is stored, column by column, so that a product streams through
// memory and works on several rows at once; otherwise only the non-zero
// elements are stored (SparseMatrix). The form is chosen once, when the matrix
// is assigned.
//
// Both forms give the same product bit for bit: every row sums its terms from
// +0 in column order, and a term of a zero element or of a zero input entry is
// a zero, which leaves such a sum unchanged. So both skip the columns of zero
// input entries at no cost.

#include <cstdint>
#include <vector>

#include "solver/SparseMatrix.h"

class StepMatrix {
 public:
  // The dense form is chosen when at least this share of the entries is non-zero.
  static constexpr double kDenseShare = 0.5;

  // Takes over `m` in the form that suits its density.
  void Assign(const SparseMatrix& m);

  // y = M x. False, with y untouched, when x does not have `Cols()` entries. y is
  // resized only when its length differs from `Rows()`.
  bool Multiply(const std::vector<double>& x, std::vector<double>& y) const;

  std::uint32_t Rows() const { return rows; }
  std::uint32_t Cols() const { return cols; }
  bool IsDense() const { return dense; }

 private:
  std::uint32_t rows = 0;
  std::uint32_t cols = 0;
  bool dense = false;
  SparseMatrix sparse;          // the sparse form; empty in the dense one
  std::vector<double> columns;  // the dense form: rows x cols elements, column by column
};
