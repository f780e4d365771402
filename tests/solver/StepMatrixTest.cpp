#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "solver/SparseMatrix.h"
#include "solver/StepMatrix.h"

namespace {

// A rows x cols matrix in row-major order with about `share` of its entries
// non-zero, at random places.
std::vector<double> RandomMatrix(std::uint32_t rows, std::uint32_t cols, double share,
                                 std::mt19937& random) {
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  std::vector<double> elements(static_cast<std::size_t>(rows) * cols, 0.0);
  for (double& a : elements) {
    if (uniform(random) < share) a = value(random);
  }
  return elements;
}

StepMatrix Assigned(std::uint32_t rows, const std::vector<double>& rowMajor) {
  SparseMatrix sparse;
  EXPECT_TRUE(sparse.FromRowMajor(rows, rowMajor));
  StepMatrix m;
  m.Assign(sparse);
  return m;
}

TEST(StepMatrixTest, StoresDenselyFromHalfOfTheEntriesNonZero) {
  struct Case {
    std::uint32_t rows;
    std::vector<double> rowMajor;
    bool dense;
  };
  const Case cases[] = {
      {2, {1, 2, 3, 4}, true},
      {2, {1, 0, 0, 4}, true},  // exactly half
      {2, {1, 0, 0, 0}, false},
      {2, {1, 0, 0, 0, 5, 0}, false},
      {3, std::vector<double>(6, 0.0), false},
      {0, {}, false},
  };
  for (const Case& c : cases) {
    const StepMatrix m = Assigned(c.rows, c.rowMajor);
    EXPECT_EQ(c.dense, m.IsDense()) << c.rowMajor.size() << " entries";
    EXPECT_EQ(c.rows, m.Rows());
  }
}

// Both forms against the product written out: each row summed from +0 in
// column order, over every element. Equal bit for bit, whatever the density,
// with zero input entries and rows without any element, for column counts on
// either side of the four columns the dense form takes at a time.
TEST(StepMatrixTest, BothFormsGiveTheRowSumsInColumnOrderBitForBit) {
  std::mt19937 random(16);
  std::uniform_real_distribution<double> input(-1e3, 1e3);
  for (const double share : {0.05, 0.3, 0.6, 1.0}) {
    for (const std::uint32_t cols : {1u, 3u, 4u, 9u, 26u}) {
      const std::uint32_t rows = 7 + cols % 5;
      const std::vector<double> a = RandomMatrix(rows, cols, share, random);
      const StepMatrix m = Assigned(rows, a);
      for (int trial = 0; trial < 5; ++trial) {
        std::vector<double> x(cols);
        for (std::uint32_t j = 0; j < cols; ++j) x[j] = (j + trial) % 3 == 0 ? 0.0 : input(random);
        std::vector<double> y{1.0};
        ASSERT_TRUE(m.Multiply(x, y));
        ASSERT_EQ(rows, y.size());
        for (std::uint32_t i = 0; i < rows; ++i) {
          double expected = 0.0;
          for (std::uint32_t j = 0; j < cols; ++j) expected += a[i * cols + j] * x[j];
          EXPECT_EQ(expected, y[i]) << "share " << share << ", " << cols << " columns, row " << i;
        }
      }
    }
  }
}

TEST(StepMatrixTest, WrongInputLengthLeavesTheResultUntouched) {
  for (const StepMatrix& m : {Assigned(2, {1, 2, 3, 4}), Assigned(2, {1, 0, 0, 0})}) {
    std::vector<double> y{9, 9, 9};
    EXPECT_FALSE(m.Multiply({1, 2, 3}, y));
    EXPECT_EQ((std::vector<double>{9, 9, 9}), y);
  }
}

}  // namespace
