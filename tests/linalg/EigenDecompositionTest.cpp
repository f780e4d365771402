#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "linalg/EigenDecomposition.h"
#include "support/MassChain.h"
#include "support/MatrixLiteral.h"

namespace {

using testing_support::ChainSystemMatrix;
using testing_support::MassChain;

using testing_support::Make;

Matrix Diagonal(std::initializer_list<double> values) {
  const int n = static_cast<int>(values.size());
  Matrix m(n, n, 0.0);
  int i = 0;
  for (double value : values) {
    m[i][i] = value;
    ++i;
  }
  return m;
}

// T(i, j) = 100 i + j: every column tells which column it was before a sort.
Matrix ColumnTags(int n) {
  Matrix t(n, n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) t[i][j] = 100.0 * i + j;
  }
  return t;
}

double MaxDifference(const Matrix& x, const Matrix& y) {
  double largest = 0.0;
  for (int i = 0; i < x.num_rows(); ++i) {
    for (int j = 0; j < x.num_cols(); ++j)
      largest = std::max(largest, std::fabs(x[i][j] - y[i][j]));
  }
  return largest;
}

// Sorted form: zero outside the 2 x 2 blocks; each block two reals (smaller
// first) or [[s, w], [-w, s]] with w > 0; block real parts ascending.
void ExpectSortedBlockForm(const Matrix& d) {
  const int n = d.num_rows();
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      if (i / 2 != j / 2) {
        EXPECT_EQ(0.0, d[i][j]) << "outside the blocks at (" << i << ", " << j << ")";
      }
    }
  }
  for (int i = 0; i + 1 < n; i += 2) {
    if (d[i][i + 1] == 0.0 && d[i + 1][i] == 0.0) {
      EXPECT_LE(d[i][i], d[i + 1][i + 1]) << "real block at " << i;
    } else {
      EXPECT_GT(d[i][i + 1], 0.0) << "complex block at " << i;
      EXPECT_EQ(-d[i][i + 1], d[i + 1][i]) << "complex block at " << i;
      EXPECT_EQ(d[i][i], d[i + 1][i + 1]) << "complex block at " << i;
    }
    if (i >= 2) {
      EXPECT_LE(d[i - 2][i - 2], d[i][i]) << "block order at " << i;
    }
  }
}

// A T = T D relative to the sizes of A and T.
double EigenResidual(const Matrix& a, const Matrix& t, const Matrix& d) {
  return MaxAbsolute(a * t - t * d) / (MaxAbsolute(a) * MaxAbsolute(t));
}

// Whether JAMA put a complex pair at an odd position (i, i + 1).
bool HasPairAtOddPosition(const Matrix& d) {
  for (int i = 1; i + 1 < d.num_rows(); i += 2) {
    if (d[i][i + 1] > 0.0) return true;
  }
  return false;
}

MassChain FreeThreeMassChain() {
  return MassChain{{1.0, 2.0, 1.5}, {100.0, 50.0}, {0.5, 0.3}};
}

struct SortCase {
  std::string name;
  Matrix d;
  Matrix expectedD;
};

// Sorted D and T must be one permutation applied to both: with column j of the
// new T being old column c(j), new D(i, j) = old D(c(i), c(j)) within every
// block. This also pins the column exchange of a flipped pair.
TEST(SortEigenBlocksTest, OrdersBlocksByRealPartAndMovesColumnsAlike) {
  const std::vector<SortCase> cases = {
      {"diagonal already ascending", Diagonal({-3, -1, 0, 0}), Diagonal({-3, -1, 0, 0})},
      {"blocks in reverse order", Make(6, 6, {0, 0, 0,  0,  0,  0,  //
                                              0, 0, 0,  0,  0,  0,  //
                                              0, 0, -2, 5,  0,  0,  //
                                              0, 0, -5, -2, 0,  0,  //
                                              0, 0, 0,  0,  -7, 0,  //
                                              0, 0, 0,  0,  0,  -4}),
       Make(6, 6, {-7, 0,  0,  0,  0, 0,  //
                   0,  -4, 0,  0,  0, 0,  //
                   0,  0,  -2, 5,  0, 0,  //
                   0,  0,  -5, -2, 0, 0,  //
                   0,  0,  0,  0,  0, 0,  //
                   0,  0,  0,  0,  0, 0})},
      {"pair with negative upper right", Make(2, 2, {-1, -3, 3, -1}), Make(2, 2, {-1, 3, -3, -1})},
      {"pair at an odd position", Make(6, 6, {-7, 0,  0,  0,  0, 0,  //
                                              0,  -2, 5,  0,  0, 0,  //
                                              0,  -5, -2, 0,  0, 0,  //
                                              0,  0,  0,  -1, 0, 0,  //
                                              0,  0,  0,  0,  0, 0,  //
                                              0,  0,  0,  0,  0, 0}),
       Make(6, 6, {-7, 0,  0,  0,  0, 0,  //
                   0,  -1, 0,  0,  0, 0,  //
                   0,  0,  -2, 5,  0, 0,  //
                   0,  0,  -5, -2, 0, 0,  //
                   0,  0,  0,  0,  0, 0,  //
                   0,  0,  0,  0,  0, 0})},
      {"pair above one smaller real",
       Make(4, 4,
            {-2, 5, 0, 0,   //
             -5, -2, 0, 0,  //
             0, 0, -7, 0,   //
             0, 0, 0, -1}),
       Make(4, 4,
            {-7, 0, 0, 0,  //
             0, -1, 0, 0,  //
             0, 0, -2, 5,  //
             0, 0, -5, -2})},
  };
  for (const SortCase& test : cases) {
    SCOPED_TRACE(test.name);
    const int n = test.d.num_rows();
    Matrix d = test.d;
    Matrix t = ColumnTags(n);
    SortEigenBlocks(d, t);
    EXPECT_EQ(0.0, MaxDifference(test.expectedD, d));
    for (int i = 0; i < n; ++i) {
      const int from = static_cast<int>(t[0][i]);
      EXPECT_EQ(100.0 + from, t[1][i]) << "column " << i << " moved whole";
      for (int j = i / 2 * 2; j < i / 2 * 2 + 2; ++j) {
        EXPECT_EQ(test.d[from][static_cast<int>(t[0][j])], d[i][j]) << "(" << i << ", " << j << ")";
      }
    }
  }
}

// Block-diagonal A with a real eigenvalue, a rotation, another real one: JAMA
// returns the pair at rows 1 and 2.
TEST(EigenDecomposeTest, PairAtAnOddPositionKeepsItsImaginaryParts) {
  const Matrix a = Make(4, 4,
                        {-1, 0, 0, 0,     //
                         0, -0.5, 2, 0,   //
                         0, -2, -0.5, 0,  //
                         0, 0, 0, -3});
  Matrix d;
  Matrix t;
  ASSERT_TRUE(EigenDecompose(a, d, t));
  ASSERT_TRUE(HasPairAtOddPosition(d));
  EXPECT_LT(EigenResidual(a, t, d), 1e-14);
  SortEigenBlocks(d, t);
  ExpectSortedBlockForm(d);
  EXPECT_NEAR(2.0, d[2][3], 1e-14);
  EXPECT_LT(EigenResidual(a, t, d), 1e-14);
}

// Random matrices, stable and not, some symmetric: A T = T D must survive the sort.
TEST(EigenDecomposeTest, SortedDecompositionOfRandomMatricesSatisfiesAT_TD) {
  std::mt19937 generator(20240611);
  std::normal_distribution<double> normal(0.0, 1.0);
  int pairsAtOddPositions = 0;
  for (int sample = 0; sample < 40; ++sample) {
    SCOPED_TRACE(sample);
    const bool symmetric = sample % 10 == 9;
    Matrix a(6, 6, 0.0);
    for (int i = 0; i < 6; ++i) {
      for (int j = symmetric ? i : 0; j < 6; ++j) {
        a[i][j] = normal(generator) - (i == j ? 3.0 : 0.0);
        if (symmetric) a[j][i] = a[i][j];
      }
    }
    Matrix d;
    Matrix t;
    ASSERT_TRUE(EigenDecompose(a, d, t));
    if (HasPairAtOddPosition(d)) ++pairsAtOddPositions;
    SortEigenBlocks(d, t);
    ExpectSortedBlockForm(d);
    EXPECT_LT(EigenResidual(a, t, d), 1e-12);
  }
  EXPECT_GT(pairsAtOddPositions, 0) << "the samples should include the odd-position case";
}

// Non-finite or extreme magnitudes would keep JAMA's iterations running forever.
TEST(EigenDecomposeTest, RefusesMatricesItCannotDecompose) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Matrix> refused = {
      Make(2, 2, {1, nan, 0, 1}),    Make(2, 2, {1, 0, inf, 1}),        Matrix(2, 3, 1.0), Matrix(),
      Make(2, 2, {1e160, 1, -1, 2}), Make(2, 2, {1e-160, 0, 2e-160, 0})};
  for (const Matrix& a : refused) {
    Matrix d = Diagonal({7});
    Matrix t = Diagonal({8});
    EXPECT_FALSE(EigenDecompose(a, d, t));
    EXPECT_EQ(7.0, d[0][0]);
    EXPECT_EQ(8.0, t[0][0]);
  }
  Matrix d;
  Matrix t;
  EXPECT_TRUE(EigenDecompose(Matrix(3, 3, 0.0), d, t));
  EXPECT_TRUE(EigenDecompose(Make(2, 2, {1e150, 1, -1, 2}), d, t));
}

TEST(JordanApplicableTest, NeedsADoubleZeroInTheLastBlockOnly) {
  struct Case {
    std::string name;
    Matrix d;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"double zero last", Diagonal({-3, -1, 0, 0}), true},
      {"near zero last block", Diagonal({-3, -1, 1e-4, -1e-4}), true},
      {"only the double zero", Diagonal({0, 0}), true},
      {"zero before the last block", Diagonal({-3, 1e-11, 0, 0}), false},
      {"last block too far from zero", Diagonal({-3, -1, 0, 2e-4}), false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const int n = test.d.num_rows();
    EXPECT_EQ(test.expected, JordanApplicable(test.d, Identity(n), Matrix(n, n, 1.0)));
  }
  EXPECT_FALSE(JordanApplicable(Diagonal({-3, -1, 0, 0}), Identity(3), Matrix(4, 4, 1.0)));
  EXPECT_FALSE(JordanApplicable(Diagonal({0}), Identity(1), Matrix(1, 1, 0.0)));
}

TEST(SolveWithFreeLastVariableTest, FixesTheLastVariableOnlyWhenItsPivotVanishes) {
  Vector b(3, 0.0);
  b[0] = 1.0;
  b[1] = 2.0;
  Vector x;
  ASSERT_TRUE(SolveWithFreeLastVariable(Make(3, 3, {2, 1, 0, 0, 4, 1, 0, 0, 1e-12}), b, x));
  ASSERT_EQ(3, x.dim());
  EXPECT_DOUBLE_EQ(0.375, x[0]);
  EXPECT_DOUBLE_EQ(0.25, x[1]);
  EXPECT_EQ(1.0, x[2]);

  Vector ones(2, 1.0);
  EXPECT_FALSE(SolveWithFreeLastVariable(Make(2, 2, {2, 1, 0, 3}), ones, x))
      << "a regular last pivot leaves no free variable";
  EXPECT_FALSE(SolveWithFreeLastVariable(Make(2, 2, {0, 1, 0, 0}), ones, x))
      << "a zero pivot before the last one";
  EXPECT_FALSE(AllFinite(x));
  EXPECT_FALSE(SolveWithFreeLastVariable(Identity(3), ones, x));
  ASSERT_EQ(1, x.dim());
  EXPECT_EQ(0.0, x[0]);
}

// One free mass, state (v, x): A = [[0, 0], [1, 0]]. The chain is x1 = (0, 1)
// and x2 = (1, 1); the residuals come before the first matrix and so in the
// stream's default notation.
TEST(JordanDecomposeTest, FreeMassGivesTheChainAndItsReport) {
  const Matrix a = Make(2, 2, {0, 0, 1, 0});
  std::ostringstream log;
  Matrix j;
  Matrix s;
  ASSERT_TRUE(JordanDecompose(Matrix(2, 2, 0.0), a, Identity(2), log, j, s));
  EXPECT_EQ(
      "\n|Total error of first non-trivial eigenvector = 0\n"
      "\n|Total error of second non-trivial eigenvector = 0\n"
      "\n|J =\n2\t2\n0.0000000000e+00\t1.0000000000e+00\t\n0.0000000000e+00\t0.0000000000e+00\t\n"
      "\n|S =\n2\t2\n0.0000000000e+00\t1.0000000000e+00\t\n1.0000000000e+00\t1.0000000000e+00\t\n"
      "\n|Total error of decomposition (A-SJS') = 0.0000000000e+00\n"
      "\n|Maximum error = 0.0000000000e+00\n",
      log.str());
}

// A = [[0, 1], [0, 0]]: the first column is zero, so the elimination divides 0 by 0.
TEST(JordanDecomposeTest, ZeroPivotKeepsDAndTAndReportsTheirError) {
  const Matrix a = Make(2, 2, {0, 1, 0, 0});
  const Matrix d(2, 2, 0.0);
  std::ostringstream log;
  Matrix j;
  Matrix s;
  EXPECT_TRUE(JordanApplicable(d, Identity(2), a));
  EXPECT_FALSE(JordanDecompose(d, a, Identity(2), log, j, s));
  EXPECT_EQ(0.0, MaxDifference(d, j));
  EXPECT_EQ(0.0, MaxDifference(Identity(2), s));
  EXPECT_EQ(
      "\n|J =\n2\t2\n0.0000000000e+00\t0.0000000000e+00\t\n0.0000000000e+00\t0.0000000000e+00\t\n"
      "\n|S =\n2\t2\n1.0000000000e+00\t0.0000000000e+00\t\n0.0000000000e+00\t1.0000000000e+00\t\n"
      "\n|Total error of decomposition (A-SJS') = 1.0000000000e+00\n"
      "\n|Maximum error = 1.0000000000e+00\n",
      log.str());
}

// A decaying mode and a free mass (states: mode, v, x). With a first column of
// T equal to the null vector the chain makes S singular; nothing is multiplied
// with its missing inverse.
TEST(JordanDecomposeTest, SingularChainTransformationFails) {
  const Matrix a = Make(3, 3, {-1, 0, 0, 0, 0, 0, 0, 1, 0});
  const Matrix t = Make(3, 3, {0, 1, 0, 0, 0, 1, 1, 0, 0});
  const Matrix d = Diagonal({-1, 0, 0});
  std::ostringstream log;
  Matrix j;
  Matrix s;
  EXPECT_FALSE(JordanDecompose(d, a, t, log, j, s));
  EXPECT_EQ(0.0, MaxDifference(d, j));
  EXPECT_EQ(0.0, MaxDifference(t, s));
  const std::string text = log.str();
  const std::string ending = "Error - Transformation matrix 'S' is singular!\n";
  ASSERT_GE(text.size(), ending.size());
  EXPECT_EQ(ending, text.substr(text.size() - ending.size()));
  EXPECT_EQ(std::string::npos, text.find("Total error of decomposition"));
}

// The whole path the solver takes on a free three-mass chain: JAMA's
// eigenvectors of the double zero nearly coincide, the Jordan chain replaces them.
TEST(JordanDecomposeTest, FreeChainIsSimilarToItsJordanForm) {
  const Matrix a = ChainSystemMatrix(FreeThreeMassChain());
  Matrix d;
  Matrix t;
  ASSERT_TRUE(EigenDecompose(a, d, t));
  SortEigenBlocks(d, t);
  t = NormalizedByMaxAbsolute(t);
  EXPECT_GT(ConditionNumber(t), 1000.0);
  ASSERT_TRUE(JordanApplicable(d, t, a));

  std::ostringstream log;
  Matrix j;
  Matrix s;
  ASSERT_TRUE(JordanDecompose(d, a, t, log, j, s));
  EXPECT_EQ(1.0, j[4][5]);
  EXPECT_EQ(0.0, j[4][4]);
  EXPECT_EQ(0.0, j[5][5]);
  EXPECT_LT(ConditionNumber(s), 1e4);
  const Matrix sInverse = Inverse(s);
  ASSERT_EQ(6, sInverse.num_rows());
  EXPECT_LT(MaxAbsolute(a - s * j * sInverse), 1e-9 * MaxAbsolute(a));
  EXPECT_NE(std::string::npos, log.str().find("|Total error of first non-trivial eigenvector = "));
}

// With a velocity last, the null vector of A (equal displacements, zero
// velocities) has a zero last component: there is no chain with a free last state.
TEST(JordanDecomposeTest, NullVectorWithZeroLastComponentFails) {
  Matrix a = ChainSystemMatrix(FreeThreeMassChain());
  Matrix f(6, 1, 0.0);
  testing_support::ReorderState({0, 1, 3, 4, 5, 2}, a, f);
  Matrix d;
  Matrix t;
  ASSERT_TRUE(EigenDecompose(a, d, t));
  SortEigenBlocks(d, t);
  std::ostringstream log;
  Matrix j;
  Matrix s;
  EXPECT_FALSE(JordanDecompose(d, a, t, log, j, s));
  EXPECT_EQ(0.0, MaxDifference(d, j));
  EXPECT_EQ(0.0, MaxDifference(t, s));
  EXPECT_EQ(std::string::npos, log.str().find("non-trivial eigenvector"));
}

}  // namespace
