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
const char* const kEigensystemUsed =
    "\n-> Eigenvector matrix is well conditioned -> Using eigensystem for transformation\n";
const char* const kFallback = " -> Using augmented matrix exponential for C, P and P1\n";
const char* const kUnusable = "No exact step matrices from the transformation";
const char* const kComparison =
    "\n-> Largest relative difference of C, P and P1 to the augmented matrix exponential: ";
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
      kComparison,
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
    const std::string log = module.GetLogText();
    EXPECT_EQ(test.jordan, log.find(kJordanUsed) != std::string::npos);
    EXPECT_EQ(std::string::npos, log.find(kFallback));
    EXPECT_LT(NumberAfter(log, kComparison), 1e-12);
    const ExactStep exact = ExactDiscretisation(test.a, test.f, test.dt);
    EXPECT_LT(RelativeDifference(exact.c, module.GetMatrix('C')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p, module.GetMatrix('P')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p1, module.GetMatrix('Z')), 1e-9);
  }
}

// Where the modal path cannot give the exact step, the exponential of the
// augmented system does; the preparation succeeds and says which method gave
// C, P and P1. (Oscillators and changed vehicles: GeneralModelsTest.)
TEST(SimulationModuleTest, ModelsWithoutAnExactModalStepUseTheExponential) {
  Matrix freeChainA = ChainSystemMatrix(FreeThreeMassChain());
  Matrix freeChainF = ChainInputMatrix(FreeThreeMassChain());
  // A velocity as the last state: the null vector's last component vanishes.
  testing_support::ReorderState({0, 1, 3, 4, 5, 2}, freeChainA, freeChainF);
  const std::vector<DiscretisationCase> cases = {
      {"free motion without a free last state", freeChainA, freeChainF, 0.001, false},
      {"rigid body without spring or damper", Make(2, 2, {0, 1, 0, 0}), Make(2, 1, {0, 1}), 0.01,
       false},
      // sigma dt = -690: e^(-sigma dt) in the block integrals overflows.
      {"strongly damped mode over a long step", Make(2, 2, {-1000, 30, -30, -1000}),
       Make(2, 1, {1, 1}), 0.69, false},
  };
  for (const DiscretisationCase& test : cases) {
    SCOPED_TRACE(test.name);
    SimulationModule module;
    ASSERT_TRUE(module.PrepareFundamentalMatrices(test.a, test.f, test.dt));
    EXPECT_TRUE(module.Prepared());
    const std::string log = module.GetLogText();
    EXPECT_EQ(1, Count(log, std::string("\n-> ") + kUnusable + kFallback)) << log;
    EXPECT_EQ(std::string::npos, log.find("Error - ")) << log;
    const ExactStep exact = ExactDiscretisation(test.a, test.f, test.dt);
    EXPECT_LT(RelativeDifference(exact.c, module.GetMatrix('C')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p, module.GetMatrix('P')), 1e-9);
    EXPECT_LT(RelativeDifference(exact.p1, module.GetMatrix('Z')), 1e-9);
  }
}

// JAMA's eigenvectors of the nilpotent shift of order 24 underflow to an
// exactly singular T. e^(N dt) is I + N dt + (N dt)^2 / 2 + ...: with no modal
// matrices, the log ends in the method line, the matrices used and their
// check in extended precision, which a polynomial of 24 terms passes.
TEST(SimulationModuleTest, SingularTransformationLeavesNoModalMatrices) {
  Matrix shift(24, 24, 0.0);
  for (int i = 0; i + 1 < 24; ++i) shift[i][i + 1] = 1.0;
  SimulationModule module;
  ASSERT_TRUE(module.PrepareFundamentalMatrices(shift, Matrix(24, 1, 1.0), 0.5));
  const std::string log = module.GetLogText();
  EXPECT_NE(std::string::npos, log.find("\n|Inverse of modal transformation matrix inv(T)\n0\t0\n"
                                        "Warning - Modal transformation matrix 'T' is singular!\n"
                                        "\n-> No exact step matrices from the transformation"));
  for (char modal : {'I', 'Q', 'B', 'R', 'S'}) {
    EXPECT_EQ(0, module.GetMatrix(modal).num_rows()) << modal;
  }
  const Matrix& c = module.GetMatrix('C');
  EXPECT_DOUBLE_EQ(1.0, c[3][3]);
  EXPECT_DOUBLE_EQ(0.5, c[3][4]);
  EXPECT_DOUBLE_EQ(0.125, c[3][5]);
  EXPECT_DOUBLE_EQ(0.125 / 6.0, c[3][6]);
  EXPECT_EQ(0.0, c[4][3]);
  const std::string ending =
      "\n|External force step matrix P1 from the augmented matrix exponential\n" +
      Printed(module.GetMatrix('Z')) +
      "\n-> Largest relative difference of C, P and P1 to the augmented matrix exponential in "
      "extended precision: ";
  const std::size_t at = log.rfind(ending);
  ASSERT_NE(std::string::npos, at) << log.substr(log.size() - 400);
  EXPECT_LT(std::stod(log.substr(at + ending.size())), 1e-15);
}

// The logged error of C is C against the accurate exponential: close to its
// distance from an independent extended-precision exponential.
TEST(SimulationModuleTest, LoggedErrorOfCIsTheTrueError) {
  const Matrix a = ChainSystemMatrix(testing_support::VehicleLikeChain());
  const Matrix f = ChainInputMatrix(testing_support::VehicleLikeChain());
  SimulationModule module;
  ASSERT_TRUE(module.PrepareFundamentalMatrices(a, f, 0.1));
  const double logged = NumberAfter(module.GetLogText(), kSeriesError);
  const double actual = SumOfAbsolutes(module.GetMatrix('C') - ExactDiscretisation(a, f, 0.1).c);
  EXPECT_NEAR(actual, logged, 0.1 * actual + 1e-13);
}

// The log keeps what each preparation built: a later preparation replaces the
// matrices but not the text of the section before.
TEST(SimulationModuleTest, EarlierSectionsStayAsWritten) {
  const Matrix a = ChainSystemMatrix(FreeThreeMassChain());
  const Matrix f = ChainInputMatrix(FreeThreeMassChain());
  SimulationModule once;
  ASSERT_TRUE(once.PrepareFundamentalMatrices(a, f, 0.001));
  SimulationModule twice;
  ASSERT_TRUE(twice.PrepareFundamentalMatrices(a, f, 0.001));
  ASSERT_TRUE(twice.PrepareFundamentalMatrices(OddPairSystem(), Matrix(4, 1, 1.0), 0.01));
  const std::string first = once.GetLogText();
  EXPECT_EQ(first, twice.GetLogText().substr(0, first.size()));
  EXPECT_EQ(first, once.GetLogText());
}

// NaN in F: neither path gives finite matrices.
TEST(SimulationModuleTest, NonFiniteStepMatricesFail) {
  SimulationModule module;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(
      module.PrepareFundamentalMatrices(Make(2, 2, {-2, 0, 0, -3}), Make(2, 1, {nan, 1}), 0.1));
  const std::string log = module.GetLogText();
  EXPECT_NE(std::string::npos,
            log.find("\n|Fundamental matrix C=e^(A*dt) for 1st order ODE system\n"
                     "Warning - The augmented matrix exponential is not finite, C is not "
                     "checked!\n"));
  const std::string ending =
      "Warning - Fundamental matrix 'C' or step matrices 'P', 'P1' hold non-finite elements!\n"
      "Error - Unable to prepare simulation! Neither the transformation nor the augmented matrix "
      "exponential gives exact step matrices!\n";
  EXPECT_EQ(ending, log.substr(log.size() - ending.size()));
  EXPECT_FALSE(module.Prepared());
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
