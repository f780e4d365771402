#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "linalg/Matrix.h"
#include "support/MatrixLiteral.h"

namespace {

using testing_support::Make;

void ExpectNear(const Matrix& expected, const Matrix& actual, double tolerance) {
  ASSERT_EQ(expected.num_rows(), actual.num_rows());
  ASSERT_EQ(expected.num_cols(), actual.num_cols());
  for (int i = 0; i < expected.num_rows(); ++i) {
    for (int j = 0; j < expected.num_cols(); ++j) {
      EXPECT_NEAR(expected[i][j], actual[i][j], tolerance) << "at (" << i << ", " << j << ")";
    }
  }
}

TEST(MatrixTest, AssignmentRecreatesOnShapeChangeAndCopiesDeeply) {
  Matrix small(2, 2, 0.0);
  const Matrix big = Make(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  small = big;
  ASSERT_EQ(3, small.num_rows());
  ASSERT_EQ(3, small.num_cols());
  small[1][1] = -1.0;
  EXPECT_EQ(5.0, big[1][1]);
  small = small;
  EXPECT_EQ(-1.0, small[1][1]);
}

TEST(MatrixTest, ErrorMeasures) {
  const Matrix a = Make(2, 2, {1, -2, 3, -4});
  EXPECT_EQ(0.0, SumOfAbsolutes(a - a));
  EXPECT_EQ(10.0, SumOfAbsolutes(a));
  EXPECT_EQ(4.0, MaxAbsolute(a));
  EXPECT_EQ(0.0, MaxAbsolute(Matrix()));
  Vector v(3, 0.0);
  v[0] = -1.5;
  v[2] = 2.0;
  EXPECT_EQ(3.5, SumOfAbsolutes(v));
}

TEST(MatrixTest, NormalizedByMaxAbsolute) {
  ExpectNear(Make(2, 2, {0.25, -0.5, 0.75, -1}),
             NormalizedByMaxAbsolute(Make(2, 2, {1, -2, 3, -4})), 0.0);
  const Matrix zero(2, 3, 0.0);
  ExpectNear(zero, NormalizedByMaxAbsolute(zero), 0.0);
  const Matrix tiny = Make(1, 2, {1e-17, -1e-17});
  ExpectNear(tiny, NormalizedByMaxAbsolute(tiny), 0.0);
}

TEST(MatrixTest, AllFinite) {
  Vector v(2, 0.0);
  EXPECT_TRUE(AllFinite(v));
  v[1] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(AllFinite(v));
  v[1] = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(AllFinite(v));
}

TEST(MatrixTest, InverseOfSingularIsEmptyAndOfRegularIsExact) {
  EXPECT_EQ(0, Inverse(Make(2, 2, {1, 2, 2, 4})).num_rows());
  ExpectNear(Identity(3), Inverse(Identity(3)), 0.0);
  const Matrix a = Make(3, 3, {4, 1, 0, 1, 3, 1, 0, 1, 2});
  ExpectNear(Identity(3), a * Inverse(a), 1e-15);
  EXPECT_EQ(0, Inverse(Matrix(2, 3, 1.0)).num_rows());
}

TEST(MatrixTest, RankAndConditionNumber) {
  const Matrix singular = Make(2, 2, {1, 2, 2, 4});
  EXPECT_EQ(1, Rank(singular));
  EXPECT_EQ(2, Rank(Identity(2)));
  EXPECT_DOUBLE_EQ(1.0, ConditionNumber(Identity(4)));
  // diag(10, 0.5): the 2-norm condition number is the ratio of the singular values.
  EXPECT_DOUBLE_EQ(20.0, ConditionNumber(Make(2, 2, {0.5, 0, 0, 10})));
  EXPECT_EQ(1, Rank(Make(1, 3, {1, 2, 3})));
  EXPECT_TRUE(std::isinf(ConditionNumber(Matrix(2, 2, 0.0))) ||
              ConditionNumber(Matrix(2, 2, 0.0)) > 1e15);
  Matrix broken = Identity(2);
  broken[0][1] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(std::isnan(ConditionNumber(broken)));
  EXPECT_EQ(0, Rank(broken));
}

// Against the plain triple loop: the same sums in the same order, so the same
// bits, also where the left factor is mostly zeros or holds signed zeros.
TEST(MatrixTest, MultiplyMatchesThePlainProductToTheBit) {
  const Matrix dense = Make(3, 3, {0.1, -2.3, 1e-17, 4.5, 0.7, -0.9, 1.0 / 3.0, 2e5, -7.25});
  const Matrix blocks = Make(3, 3, {0.3, -1.7, 0, 1.7, 0.3, 0, 0, 0, -0.0});
  const Matrix tall = Make(3, 2, {1.0 / 7.0, -3, 0, 2.5, 1e-300, -1e300});
  for (const Matrix* left : {&dense, &blocks}) {
    for (const Matrix* right : {&dense, &blocks, &tall}) {
      const Matrix expected = *left * *right;
      const Matrix actual = Multiply(*left, *right);
      ASSERT_EQ(expected.num_rows(), actual.num_rows());
      ASSERT_EQ(expected.num_cols(), actual.num_cols());
      for (int i = 0; i < expected.num_rows(); ++i) {
        for (int j = 0; j < expected.num_cols(); ++j) {
          EXPECT_EQ(0, std::memcmp(&expected[i][j], &actual[i][j], sizeof(double)))
              << expected[i][j] << " vs " << actual[i][j] << " at (" << i << ", " << j << ")";
        }
      }
    }
  }
}

TEST(MatrixTest, PrintLayout) {
  std::ostringstream log;
  Print(log, Make(2, 3, {1, -2.5, 0, 1e-3, 12345.678, -0.1}));
  log << 0.5;
  EXPECT_EQ(
      "2\t3\n"
      "1.0000000000e+00\t-2.5000000000e+00\t0.0000000000e+00\t\n"
      "1.0000000000e-03\t1.2345678000e+04\t-1.0000000000e-01\t\n"
      "5.0000000000e-01",
      log.str());
  std::ostringstream empty;
  Print(empty, Matrix());
  EXPECT_EQ("0\t0\n", empty.str());
}

}  // namespace
