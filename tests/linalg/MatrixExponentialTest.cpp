#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "linalg/MatrixExponential.h"
#include "linalg/SingularValues.h"
#include "support/ExactDiscretisation.h"
#include "support/MatrixLiteral.h"

namespace {

using testing_support::Make;
using testing_support::RelativeDifference;

struct ExponentialCase {
  std::string name;
  Matrix x;
  Matrix expected;  // closed form
};

// A 2 x 2 Jordan block times t: e^(lambda t) [[1, t], [0, 1]].
ExponentialCase JordanBlock(double lambda, double t) {
  const double g = std::exp(lambda * t);
  return {"Jordan block " + std::to_string(lambda) + " over " + std::to_string(t),
          Make(2, 2, {lambda * t, t, 0, lambda * t}), Make(2, 2, {g, g * t, 0, g})};
}

ExponentialCase Rotation(double angle) {
  return {"rotation by " + std::to_string(angle), Make(2, 2, {0, angle, -angle, 0}),
          Make(2, 2, {std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle)})};
}

ExponentialCase Scalar(double x) {
  return {"scalar " + std::to_string(x), Make(1, 1, {x}), Make(1, 1, {std::exp(x)})};
}

// The norms run through every degree of the approximant (3, 5, 7, 9, 13) and
// on to many squarings; the non-normal blocks are where squaring loses most.
TEST(MatrixExponentialTest, MatchesClosedFormsAtEveryDegreeAndScaling) {
  Matrix shift(4, 4, 0.0);
  for (int i = 0; i + 1 < 4; ++i) shift[i][i + 1] = 1.5;
  const Matrix shiftExponential = Make(4, 4,
                                       {1, 1.5, 1.125, 0.5625,  //
                                        0, 1, 1.5, 1.125,       //
                                        0, 0, 1, 1.5,           //
                                        0, 0, 0, 1});
  const std::vector<ExponentialCase> cases = {
      {"zero", Matrix(2, 2, 0.0), Identity(2)},
      Scalar(0.01),
      Scalar(-0.2),
      Scalar(0.9),
      Scalar(2.0),
      Scalar(5.0),
      Scalar(-60.0),
      Rotation(0.7),
      Rotation(40.0),
      JordanBlock(-1000.0, 0.005),
      JordanBlock(-3.0, 2.0),
      JordanBlock(-100.0, 1.0),
      {"nilpotent shift", shift, shiftExponential},
      {"diagonal", Make(3, 3, {-0.2, 0, 0, 0, 0.5, 0, 0, 0, -1.5}),
       Make(3, 3, {std::exp(-0.2), 0, 0, 0, std::exp(0.5), 0, 0, 0, std::exp(-1.5)})},
  };
  for (const ExponentialCase& test : cases) {
    SCOPED_TRACE(test.name);
    Matrix e;
    ASSERT_TRUE(MatrixExponential(test.x, e));
    EXPECT_LT(RelativeDifference(test.expected, e), 1e-13);
  }
  Matrix e;
  ASSERT_TRUE(MatrixExponential(Matrix(2, 2, 0.0), e));
  EXPECT_EQ(1.0, e[0][0]);
  EXPECT_EQ(0.0, e[0][1]);
}

TEST(MatrixExponentialTest, RefusesWhatHasNoFiniteExponential) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Matrix& x : {Matrix(), Matrix(2, 3, 0.0), Make(2, 2, {nan, 0, 0, 1}),
                          Make(1, 1, {1000.0}), Make(2, 2, {0, 800, 800, 0})}) {
    Matrix e;
    EXPECT_FALSE(MatrixExponential(x, e));
  }
}

// A = U diag(s) V^T with U, V products of plane rotations: the singular values
// are s, whatever the shape.
Matrix Rotated(const std::vector<double>& values, int rows, int cols) {
  Matrix a(rows, cols, 0.0);
  for (size_t k = 0; k < values.size(); ++k) a[k][k] = values[k];
  const auto rotate = [](Matrix& m, int i, int j, double angle, bool fromLeft) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const int count = fromLeft ? m.num_cols() : m.num_rows();
    for (int k = 0; k < count; ++k) {
      double& x = fromLeft ? m[i][k] : m[k][i];
      double& y = fromLeft ? m[j][k] : m[k][j];
      const double xi = x;
      x = c * xi - s * y;
      y = s * xi + c * y;
    }
  };
  for (int i = 0; i + 1 < rows; ++i) rotate(a, i, i + 1, 0.3 + 0.7 * i, true);
  for (int j = 0; j + 1 < cols; ++j) rotate(a, j, j + 1, 1.1 - 0.4 * j, false);
  return a;
}

TEST(SingularValuesTest, RecoverTheValuesOfARotatedDiagonal) {
  struct Case {
    std::vector<double> values;  // descending
    int rows;
    int cols;
  };
  const std::vector<Case> cases = {
      {{5, 3, 1}, 3, 3},
      {{7, 2}, 4, 2},
      {{4, 0.5}, 2, 5},
      {{3, 1, 0}, 3, 3},
      {{1e4, 1, 1e-4, 1e-8}, 4, 4},
  };
  for (const Case& test : cases) {
    const std::vector<double> s = SingularValues(Rotated(test.values, test.rows, test.cols));
    ASSERT_EQ(test.values.size(), s.size());
    for (size_t k = 0; k < s.size(); ++k) {
      EXPECT_NEAR(test.values[k], s[k], 1e-13 * test.values[0]) << k;
    }
  }
  EXPECT_TRUE(SingularValues(Matrix()).empty());
}

}  // namespace
