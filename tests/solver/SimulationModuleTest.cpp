#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "linalg/EigenDecomposition.h"
#include "solver/SimulationModule.h"
#include "support/ExactDiscretisation.h"
#include "support/MassChain.h"
#include "support/MatrixLiteral.h"

namespace {

using testing_support::ChainInputMatrix;
using testing_support::ChainSystemMatrix;
using testing_support::ExactDiscretisation;
using testing_support::ExactStep;
using testing_support::MassChain;
using testing_support::RelativeDifference;

const char* const kBanner = "***** Simulation Module Log *****\n";
const char* const kJordanUsed =
    "\n-> Eigenvector matrix is badly conditioned -> Using Jordan decomposition for "
    "transformation\n";
const char* const kJordanImpossible =
    "\n-> ERROR: Eigenvector matrix is badly conditioned -> Cannot create Jordan decomposition "
    "for transformation\n";
const char* const kEigensystemUsed =
    "\n-> Eigenvector matrix is well conditioned -> Using eigensystem for transformation\n";
const char* const kSeriesError =
    "\n|Total absolute error of Fundamental matrix (C) calculation. (smaller value better, 0 = "
    "best)\n";

using testing_support::Make;

std::string Printed(const Matrix& m) {
  std::ostringstream out;
  Print(out, m);
  return out.str();
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The number written right after `header`.
double NumberAfter(const std::string& log, const std::string& header) {
  const size_t at = log.find(header);
  if (at == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
  return std::stod(log.substr(at + header.size()));
}

MassChain FreeThreeMassChain() {
  return MassChain{{1.0, 2.0, 1.5}, {100.0, 50.0}, {0.5, 0.3}};
}

// Heavy dampers make some modes real, so pairs land at odd positions too.
MassChain FreeFiveMassChainWithRealModes() {
  return MassChain{{1.0, 3.0, 0.5, 2.0, 1.2}, {400.0, 80.0, 250.0, 30.0}, {60.0, 0.4, 45.0, 0.2}};
}

// Block-diagonal: a real eigenvalue, a rotation, another real one; JAMA
// returns the complex pair at rows 1 and 2.
Matrix OddPairSystem() {
  return Make(4, 4,
              {-1, 0, 0, 0,      //
               0, -0.5, 20, 0,   //
               0, -20, -0.5, 0,  //
               0, 0, 0, -3});
}

bool JamaPutsAPairAtAnOddPosition(const Matrix& a) {
  Matrix d;
  Matrix t;
  if (!EigenDecompose(a, d, t)) return false;
  for (int i = 1; i + 1 < d.num_rows(); i += 2) {
    if (d[i][i + 1] > 0.0) return true;
  }
  return false;
}

TEST(SimulationModuleTest, DimensionMismatchFailsBeforeAnyDecomposition) {
  SimulationModule module;
  EXPECT_FALSE(module.PrepareFundamentalMatrices(Matrix(3, 3, 1.0), Matrix(2, 4, 1.0), 0.01));
  EXPECT_EQ(std::string(kBanner) +
                "Error - Unable to prepare simulation! Dimensions of 'A' and 'F' are not "
                "matching!\n",
            module.GetLogText());
  EXPECT_EQ(0, module.GetMatrix('D').num_rows());
  EXPECT_FALSE(module.Prepared());
  EXPECT_FALSE(module.PrepareFundamentalMatrices(Matrix(2, 3, 1.0), Matrix(2, 1, 1.0), 0.01));
}

// JAMA's iterations would not end on these.
TEST(SimulationModuleTest, UndecomposableSystemMatrixFailsCleanly) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (const Matrix& a : {Make(2, 2, {nan, 0, 0, -1}), Make(2, 2, {-1, inf, 0, -1}), Matrix(),
                          Make(2, 2, {-1e200, 1, 0, -1}), Make(2, 2, {-1e-200, 0, 0, -1e-200})}) {
    SimulationModule module;
    EXPECT_FALSE(module.PrepareFundamentalMatrices(a, Matrix(a.num_rows(), 1, 1.0), 0.01));
    EXPECT_EQ(std::string(kBanner) +
                  "Error - Unable to prepare simulation! System matrix 'A' is empty, not finite, "
                  "or its largest element lies outside 1e-150 to 1e150!\n",
              module.GetLogText());
  }
}

// x' = diag(-2, -3) x + (1, 1) u: every quantity in closed form.
TEST(SimulationModuleTest, DiagonalSystemMatchesClosedForms) {
  SimulationModule module;
  const double dt = 0.1;
  ASSERT_TRUE(
      module.PrepareFundamentalMatrices(Make(2, 2, {-2, 0, 0, -3}), Make(2, 1, {1, 1}), dt));
  const std::string log = module.GetLogText();
  EXPECT_NE(std::string::npos,
            log.find("\n|Block-diagonal eigenvalue matrix of system matrix: D\n2\t2\n"
                     "-3.0000000000e+00\t0.0000000000e+00\t\n"
                     "0.0000000000e+00\t-2.0000000000e+00\t\n"));
  EXPECT_NE(std::string::npos, log.find(kEigensystemUsed));
  EXPECT_LT(NumberAfter(log, kSeriesError), 1e-15);

  const double e2 = std::exp(-0.2);
  const double e3 = std::exp(-0.3);
  const Matrix& c = module.GetMatrix('C');
  EXPECT_NEAR(e2, c[0][0], 1e-15);
  EXPECT_NEAR(e3, c[1][1], 1e-15);
  EXPECT_NEAR(0.0, c[0][1], 1e-15);
  EXPECT_NEAR(0.0, c[1][0], 1e-15);
  const Matrix& p = module.GetMatrix('P');
  EXPECT_NEAR((e2 - 1.0) / -2.0, p[0][0], 1e-15);
  EXPECT_NEAR((e3 - 1.0) / -3.0, p[1][0], 1e-15);
  const Matrix& p1 = module.GetMatrix('Z');
  EXPECT_NEAR((e2 - 1.0 + 0.2) / 4.0, p1[0][0], 1e-15);
  EXPECT_NEAR((e3 - 1.0 + 0.3) / 9.0, p1[1][0], 1e-15);
  EXPECT_TRUE(module.Prepared());
}

// x'' = -4 x: one complex block with sigma = 0 and omega = 2, no warning.
TEST(SimulationModuleTest, UndampedOscillatorRotatesExactly) {
  SimulationModule module;
  const double dt = 0.05;
  ASSERT_TRUE(module.PrepareFundamentalMatrices(Make(2, 2, {0, 1, -4, 0}), Make(2, 1, {1, 0}), dt));
  const Matrix expected = Make(2, 2,
                               {std::cos(2 * dt), std::sin(2 * dt) / 2,  //
                                -2 * std::sin(2 * dt), std::cos(2 * dt)});
  EXPECT_LT(RelativeDifference(expected, module.GetMatrix('C')), 1e-14);
  EXPECT_EQ(std::string::npos, module.GetLogText().find("Warning"));
}

TEST(SimulationModuleTest, UnstableBlocksWarnOncePerBlockAndStillSucceed) {
  const Matrix a = Make(4, 4,
                        {0.5, 2, 0, 0,   //
                         -2, 0.5, 0, 0,  //
                         0, 0, 0.1, 3,   //
                         0, 0, -3, 0.1});
  SimulationModule module;
  ASSERT_TRUE(module.PrepareFundamentalMatrices(a, Make(4, 1, {1, 0, 1, 0}), 0.01));
  EXPECT_EQ(2, Count(module.GetLogText(), "Warning - Current system is unstable!\n"));
  EXPECT_LT(RelativeDifference(ExactDiscretisation(a, Make(4, 1, {1, 0, 1, 0}), 0.01).c,
                               module.GetMatrix('C')),
            1e-12);
}

TEST(SimulationModuleTest, ZeroTimeStepFailsAfterTheDecomposition) {
  SimulationModule module;
  EXPECT_FALSE(
      module.PrepareFundamentalMatrices(Make(2, 2, {-2, 0, 0, -3}), Make(2, 1, {1, 1}), 0.0));
  const std::string log = module.GetLogText();
  const std::string ending = "\n|Modal-transformed external force mapping matrix Q\n" +
                             Printed(module.GetMatrix('Q')) +
                             "Error - Negative or zero time step!\n";
  ASSERT_GE(log.size(), ending.size());
  EXPECT_EQ(ending, log.substr(log.size() - ending.size()));
  for (char built : {'D', 'T', 'I', 'Q'}) EXPECT_EQ(2, module.GetMatrix(built).num_rows()) << built;
  for (char missing : {'B', 'C', 'P', 'Z'})
    EXPECT_EQ(0, module.GetMatrix(missing).num_rows()) << missing;
  EXPECT_FALSE(module.Prepared());
  EXPECT_FALSE(
      module.PrepareFundamentalMatrices(Make(2, 2, {-2, 0, 0, -3}), Make(2, 1, {1, 1}), -0.1));
}

// e^(A 2dt) = (e^(A dt))^2, through the Jordan path twice.
TEST(SimulationModuleTest, SecondPreparationAppendsASectionAndDoublesTheStep) {
  const Matrix a = ChainSystemMatrix(FreeThreeMassChain());
  const Matrix f = ChainInputMatrix(FreeThreeMassChain());
  SimulationModule module;
  ASSERT_TRUE(module.PrepareFundamentalMatrices(a, f, 0.001));
  const Matrix first = module.GetMatrix('C');
  ASSERT_TRUE(module.PrepareFundamentalMatrices(a, f, 0.002));
  EXPECT_LT(RelativeDifference(first * first, module.GetMatrix('C')), 1e-12);
  const std::string log = module.GetLogText();
  EXPECT_EQ(0u, log.find(kBanner));
  EXPECT_EQ(2, Count(log, kBanner));
  EXPECT_EQ(2, Count(log, kJordanUsed));
  EXPECT_EQ(2, Count(log, "\n|External force step matrix P1=T*R1 for 1st order ODE system\n"));
}

// Every section of a Jordan-path preparation, in the order they are written.
TEST(SimulationModuleTest, LogSectionsComeInOrder) {
  SimulationModule module;
  ASSERT_TRUE(module.PrepareFundamentalMatrices(ChainSystemMatrix(FreeThreeMassChain()),
                                                ChainInputMatrix(FreeThreeMassChain()), 0.001));
  const std::vector<std::string> sections = {
      kBanner,
      "\n|Total absolute error of eigensystem calculation. (smaller value better, 0 = best)\n",
      "\n-> Rank of A \n5\n\n-> Condition number of A \n",
      "\n|Block-diagonal eigenvalue matrix of system matrix: D\n6\t6\n",
      "\n|Eigenvectors of system matrix: T\n6\t6\n",
      "\n|Normalized T: \n6\t6\n",
      "\n-> Rank of T \n",
      "\n\n-> Condition number of T \n",
      "\n|Total error of first non-trivial eigenvector = ",
      "\n|Total error of second non-trivial eigenvector = ",
      "\n|J =\n6\t6\n",
      "\n|S =\n6\t6\n",
      "\n|Total error of decomposition (A-SJS') = ",
      "\n|Maximum error = ",
      kJordanUsed,
      "\n|Inverse of modal transformation matrix inv(T)\n6\t6\n",
      "\n|Total error of decomposition (A - T*D*invT ?= 0)\n",
      "\n|Modal-transformed external force mapping matrix Q\n6\t3\n",
      "\n|Omega block-integral matrix\n6\t6\n",
      "\n|Special Fundamental matrix B for modal transformed system\n6\t6\n",
      "\n|Step matrix for in-timestep constant external forces R0\n6\t3\n",
      "\n|Step matrix for in-timestep time*const external forces: R1\n6\t3\n",
      "\n|Fundamental matrix C=T*B*inv(T) for 1st order ODE system\n6\t6\n",
      "\n|Fundamental matrix C=e^(A*dt) for 1st order ODE system\n6\t6\n",
      kSeriesError,
      "\n|Special Fundamental matrix B=inv(T)*C*T for modal transformed system\n6\t6\n",
      "\n|External force step matrix P=T*R for 1st order ODE system\n6\t3\n",
      "\n|External force step matrix P1=T*R1 for 1st order ODE system\n6\t3\n",
  };
  const std::string log = module.GetLogText();
  size_t from = 0;
  for (const std::string& section : sections) {
    const size_t at = log.find(section, from);
    ASSERT_NE(std::string::npos, at) << "missing or out of order: " << section;
    from = at + section.size();
  }
  EXPECT_LT(NumberAfter(log, kSeriesError), 1e-12);
}

struct DiscretisationCase {
  std::string name;
  Matrix a;
  Matrix f;
  double dt;
  bool jordan;
};

// C, P and P1 against the blocks of the augmented exponential.
TEST(SimulationModuleTest, StepMatricesMatchTheAugmentedExponential) {
  const std::vector<DiscretisationCase> cases = {
      {"free three-mass chain", ChainSystemMatrix(FreeThreeMassChain()),
       ChainInputMatrix(FreeThreeMassChain()), 0.001, true},
      {"free three-mass chain, long step", ChainSystemMatrix(FreeThreeMassChain()),
       ChainInputMatrix(FreeThreeMassChain()), 0.2, true},
      {"free five-mass chain with real modes", ChainSystemMatrix(FreeFiveMassChainWithRealModes()),
       ChainInputMatrix(FreeFiveMassChainWithRealModes()), 0.005, true},
      {"thirteen-mass free chain, vehicle-like",
       ChainSystemMatrix(testing_support::VehicleLikeChain()),
       ChainInputMatrix(testing_support::VehicleLikeChain()), 0.001, true},
      {"pair at an odd position", OddPairSystem(), Make(4, 2, {1, 0, 0.5, 1, -1, 0, 0, 2}), 0.01,
       false},
      {"pair at an odd position, long step", OddPairSystem(),
       Make(4, 2, {1, 0, 0.5, 1, -1, 0, 0, 2}), 0.3, false},
      {"slow real mode", Make(2, 2, {-1e-6, 0, 0, -2}), Make(2, 1, {1, 1}), 0.001, false},
      {"nearly free real mode", Make(2, 2, {-3e-9, 1, 0, -2}), Make(2, 1, {1, 1}), 0.01, false},
  };
  for (const DiscretisationCase& test : cases) {
    SCOPED_TRACE(test.name);
    if (test.name.starts_with("pair")) {
      ASSERT_TRUE(JamaPutsAPairAtAnOddPosition(test.a));
    }
    SimulationModule module;
    ASSERT_TRUE(module.PrepareFundamentalMatrices(test.a, test.f, test.dt));
    EXPECT_EQ(test.jordan, module.GetLogText().find(kJordanUsed) != std::string::npos);
    const ExactStep exact = ExactDiscretisation(test.a, test.f, test.dt);
    EXPECT_LT(RelativeDifference(exact.c, module.GetMatrix('C')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p, module.GetMatrix('P')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p1, module.GetMatrix('Z')), 1e-9);
  }
}

// With a velocity as the last state the null vector of A has a zero last
// component: no Jordan chain, the preparation fails but builds everything.
TEST(SimulationModuleTest, FreeMotionWithoutAFreeLastStateCannotUseJordan) {
  Matrix a = ChainSystemMatrix(FreeThreeMassChain());
  Matrix f = ChainInputMatrix(FreeThreeMassChain());
  testing_support::ReorderState({0, 1, 3, 4, 5, 2}, a, f);
  SimulationModule module;
  EXPECT_FALSE(module.PrepareFundamentalMatrices(a, f, 0.001));
  EXPECT_NE(std::string::npos, module.GetLogText().find(kJordanImpossible));
  EXPECT_EQ(6, module.GetMatrix('C').num_rows());
}

TEST(SimulationModuleTest, RigidBodyWithoutDampingOrSpringCannotUseJordan) {
  SimulationModule module;
  EXPECT_FALSE(
      module.PrepareFundamentalMatrices(Make(2, 2, {0, 1, 0, 0}), Make(2, 1, {0, 1}), 0.01));
  EXPECT_NE(std::string::npos, module.GetLogText().find(kJordanImpossible));
}

// The nilpotent shift of order 24: JAMA's eigenvectors underflow to an exactly
// singular T.
TEST(SimulationModuleTest, SingularTransformationFailsWithoutUsingTheInverse) {
  Matrix shift(24, 24, 0.0);
  for (int i = 0; i + 1 < 24; ++i) shift[i][i + 1] = 1.0;
  SimulationModule module;
  EXPECT_FALSE(module.PrepareFundamentalMatrices(shift, Matrix(24, 1, 1.0), 0.01));
  const std::string log = module.GetLogText();
  const std::string ending =
      "\n|Inverse of modal transformation matrix inv(T)\n0\t0\n"
      "Error - Modal transformation matrix 'T' is singular!\n";
  ASSERT_GE(log.size(), ending.size());
  EXPECT_EQ(ending, log.substr(log.size() - ending.size()));
  EXPECT_EQ(0, module.GetMatrix('Q').num_rows());
  EXPECT_FALSE(module.Prepared());
}

TEST(SimulationModuleTest, NonFiniteStepMatricesFail) {
  SimulationModule module;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(
      module.PrepareFundamentalMatrices(Make(2, 2, {-2, 0, 0, -3}), Make(2, 1, {nan, 1}), 0.1));
  const std::string log = module.GetLogText();
  const std::string ending =
      "Error - Fundamental matrix 'C' or step matrices 'P', 'P1' hold non-finite elements!\n";
  EXPECT_EQ(ending, log.substr(log.size() - ending.size()));
  EXPECT_FALSE(module.Prepared());
}

// A stiff system over a long step: the Taylor series of e^(A dt) overflows,
// which only costs the check.
TEST(SimulationModuleTest, DivergentSeriesCheckOnlyWarns) {
  SimulationModule module;
  const Matrix a = Make(2, 2, {-1000, 0, 0, -2000});
  ASSERT_TRUE(module.PrepareFundamentalMatrices(a, Make(2, 1, {1, 1}), 1.0));
  const std::string log = module.GetLogText();
  EXPECT_NE(std::string::npos,
            log.find("\n|Fundamental matrix C=e^(A*dt) for 1st order ODE system\n"
                     "Warning - The series of e^(A*dt) does not converge, C is not checked!\n"));
  EXPECT_EQ(std::string::npos, log.find(kSeriesError));
  EXPECT_NEAR(1e-3, module.GetMatrix('P')[0][0], 1e-15);
}

TEST(SimulationModuleTest, MatricesByLetter) {
  SimulationModule module;
  ASSERT_TRUE(module.PrepareFundamentalMatrices(ChainSystemMatrix(FreeThreeMassChain()),
                                                Matrix(6, 2, 0.5), 0.001));
  for (char square : {'B', 'C', 'D', 'I', 'T'}) {
    EXPECT_EQ(6, module.GetMatrix(square).num_rows()) << square;
    EXPECT_EQ(6, module.GetMatrix(square).num_cols()) << square;
  }
  for (char tall : {'P', 'Q', 'R', 'S', 'Z'}) {
    EXPECT_EQ(6, module.GetMatrix(tall).num_rows()) << tall;
    EXPECT_EQ(2, module.GetMatrix(tall).num_cols()) << tall;
  }
  EXPECT_LT(
      RelativeDifference(module.GetMatrix('T') * module.GetMatrix('R'), module.GetMatrix('P')),
      1e-15);
  EXPECT_LT(
      RelativeDifference(module.GetMatrix('T') * module.GetMatrix('S'), module.GetMatrix('Z')),
      1e-15);
  EXPECT_EQ(0, module.GetMatrix('A').num_rows());
  EXPECT_EQ(&module.GetMatrix('A'), &module.GetMatrix('x'));
}

}  // namespace
