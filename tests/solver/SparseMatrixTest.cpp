#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "solver/SparseMatrix.h"

namespace {

using Indices = std::vector<std::uint32_t>;

TEST(SparseMatrixTest, StoresNonZerosColumnByColumnWithTheirRows) {
  SparseMatrix m;
  ASSERT_TRUE(m.FromRowMajor(2, std::vector<double>{1, 0, 2, 0, 3, 0}));
  EXPECT_EQ(2u, m.Rows());
  EXPECT_EQ(3u, m.Cols());
  EXPECT_EQ((std::vector<double>{1, 3, 2}), m.Values());
  EXPECT_EQ((Indices{0, 1, 0}), m.RowOf());
  EXPECT_EQ((Indices{1, 2, 3}), m.ColumnEnd());

  std::vector<double> y;
  ASSERT_TRUE(m.Multiply({1, 1, 1}, y));
  EXPECT_EQ((std::vector<double>{3, 3}), y);
}

TEST(SparseMatrixTest, RefusesAnElementCountThatIsNotWholeRows) {
  SparseMatrix m;
  ASSERT_TRUE(m.FromRowMajor(1, std::vector<double>{4, 5}));
  EXPECT_FALSE(m.FromRowMajor(2, std::vector<double>{1, 2, 3, 4, 5}));
  EXPECT_FALSE(m.FromRowMajor(0, std::vector<double>{1}));
  // A refused form leaves the matrix as it was.
  EXPECT_EQ(1u, m.Rows());
  EXPECT_EQ((std::vector<double>{4, 5}), m.Values());
}

TEST(SparseMatrixTest, ZeroMatrixStoresNothingAndGivesZeros) {
  SparseMatrix m;
  ASSERT_TRUE(m.FromRowMajor(3, std::vector<double>(6, 0.0)));
  EXPECT_EQ(0u, m.NonZeros());
  std::vector<double> y{7, 7, 7, 7};
  ASSERT_TRUE(m.Multiply({5, -1}, y));
  EXPECT_EQ((std::vector<double>{0, 0, 0}), y);

  SparseMatrix empty;
  ASSERT_TRUE(empty.FromRowMajor(0, std::vector<double>{}));
  EXPECT_EQ(0u, empty.Cols());
}

TEST(SparseMatrixTest, WrongInputLengthLeavesTheResultUntouched) {
  SparseMatrix m;
  ASSERT_TRUE(m.FromRowMajor(2, std::vector<double>{1, 2, 3, 4}));
  std::vector<double> y{9, 9, 9};
  EXPECT_FALSE(m.Multiply({1, 2, 3}, y));
  EXPECT_EQ((std::vector<double>{9, 9, 9}), y);
}

// The compressed product against a dense row-by-row product, with zero input
// entries (which skip their column) and rows without any stored element.
TEST(SparseMatrixTest, ProductAgreesWithTheDenseProduct) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> value(-2.0, 2.0);
  const std::uint32_t rows = 7;
  const std::uint32_t cols = 5;
  std::vector<double> dense(rows * cols);
  for (std::uint32_t k = 0; k < rows; ++k) {
    for (std::uint32_t j = 0; j < cols; ++j) {
      const bool stored = k != 3 && (k + 2 * j) % 3 != 0;
      dense[k * cols + j] = stored ? value(random) : 0.0;
    }
  }
  SparseMatrix m;
  ASSERT_TRUE(m.FromRowMajor(rows, dense));

  const std::vector<double> x{0.5, 0.0, -1.5, 2.0, 0.0};
  std::vector<double> y;
  ASSERT_TRUE(m.Multiply(x, y));
  ASSERT_EQ(rows, y.size());
  for (std::uint32_t k = 0; k < rows; ++k) {
    double expected = 0.0;
    for (std::uint32_t j = 0; j < cols; ++j) expected += dense[k * cols + j] * x[j];
    EXPECT_NEAR(expected, y[k], 1e-14) << "row " << k;
  }
  EXPECT_EQ(0.0, y[3]);
}

TEST(SparseMatrixTest, ProductReusesTheCallersResultVector) {
  SparseMatrix m;
  ASSERT_TRUE(m.FromRowMajor(2, std::vector<double>{1, 2, 3, 4}));
  std::vector<double> y(2);
  const double* storage = y.data();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(m.Multiply({1.0 * i, 1}, y));
  EXPECT_EQ(storage, y.data());
  EXPECT_EQ((std::vector<double>{4, 10}), y);
}

}  // namespace
