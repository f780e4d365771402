#pragma once

#include <initializer_list>

#include "linalg/Matrix.h"

namespace testing_support {

// A rows x cols matrix from its elements listed row by row.
inline Matrix Make(int rows, int cols, std::initializer_list<double> values) {
  Matrix m(rows, cols, 0.0);
  auto it = values.begin();
  for (int i = 0; i < rows; ++i) {
    for (int j = 0; j < cols; ++j) m[i][j] = *it++;
  }
  return m;
}

}  // namespace testing_support
