// The modes of small mechanical systems whose eigenvalues have closed forms:
// one mass on a spring and a damper, m x'' + c x' + k x = 0, with the roots
// of m lambda^2 + c lambda + k, and two such masses side by side.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "solver/ModalAnalysis.h"
#include "support/MatrixLiteral.h"

namespace {

using testing_support::Make;

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The first-order system of x (velocity first, then displacement).
Matrix SingleMass(double m, double c, double k) {
  return Make(2, 2, {-c / m, -k / m, 1.0, 0.0});
}

struct Expected {
  double damped;   // Hz
  double natural;  // Hz
  double ratio;    // NaN for a rigid-body mode
  bool rigid;
};

// Frequencies to `tolerance` relative to the natural frequency (or absolute
// for a rigid-body mode).
void ExpectModes(const std::vector<Expected>& expected, const std::vector<Mode>& modes,
                 double tolerance = 1e-12) {
  ASSERT_EQ(expected.size(), modes.size());
  for (std::size_t i = 0; i < modes.size(); ++i) {
    SCOPED_TRACE("mode " + std::to_string(i + 1));
    const double scale = tolerance * std::max(1.0, expected[i].natural);
    EXPECT_NEAR(expected[i].damped, modes[i].dampedFrequency, scale);
    EXPECT_NEAR(expected[i].natural, modes[i].naturalFrequency, scale);
    if (std::isnan(expected[i].ratio)) {
      EXPECT_TRUE(std::isnan(modes[i].dampingRatio));
    } else {
      EXPECT_NEAR(expected[i].ratio, modes[i].dampingRatio, 1e-12);
    }
    EXPECT_EQ(expected[i].rigid, modes[i].rigidBody);
  }
}

// m = 2, k = 50: omega = 5 rad/s. c = 4 gives zeta = 0.2; c = 25 the real
// roots -2.5 and -10; c = -4 a growing swing (zeta -0.2); without the
// spring, the position is free (a single zero) and the speed dies at c / m;
// without either, the free mass has the double zero of one rigid-body mode.
TEST(ModalAnalysisTest, OneMassOnASpringAndADamper) {
  const double f = 5.0 / kTwoPi;
  const double nan = std::nan("");
  struct Case {
    double c;
    double k;
    std::vector<Expected> modes;
  };
  const Case cases[] = {
      {4.0, 50.0, {{f * std::sqrt(1.0 - 0.04), f, 0.2, false}}},
      {25.0, 50.0, {{0.0, 2.5 / kTwoPi, 1.0, false}, {0.0, 10.0 / kTwoPi, 1.0, false}}},
      {-4.0, 50.0, {{f * std::sqrt(1.0 - 0.04), f, -0.2, false}}},
      {4.0, 0.0, {{0.0, 0.0, nan, true}, {0.0, 2.0 / kTwoPi, 1.0, false}}},
      {0.0, 0.0, {{0.0, 0.0, nan, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("c = " + std::to_string(c.c) + ", k = " + std::to_string(c.k));
    std::vector<Mode> modes;
    ASSERT_TRUE(FindModes(SingleMass(2.0, c.c, c.k), {2.0}, modes));
    ExpectModes(c.modes, modes);
    for (const Mode& mode : modes) {
      ASSERT_EQ(1u, mode.shape.size());
      EXPECT_EQ(1.0, mode.shape[0].share);
    }
  }
}

// Two masses side by side that do not touch, 2 and 8 kg on springs of 50 and
// 200 N/m: both swing at 5 rad/s, so each eigenvalue comes twice, as two
// modes. Critically damped (c = 20 and 80), each mass has the double root -5
// with a single eigenvector, which rounding splits into a tiny pair or two
// near reals: four real modes at 5 rad/s.
TEST(ModalAnalysisTest, EqualFrequenciesSideBySideGiveEachModeTwice) {
  const double f = 5.0 / kTwoPi;
  const Expected swing{f * std::sqrt(0.96), f, 0.2, false};
  const Expected critical{0.0, f, 1.0, false};
  struct Case {
    double c1;
    double c2;
    std::vector<Expected> modes;
    double tolerance;
  };
  const Case cases[] = {
      {4.0, 16.0, {swing, swing}, 1e-12},
      {20.0, 80.0, {critical, critical, critical, critical}, 1e-6},
  };
  for (const Case& c : cases) {
    const Matrix a = Make(4, 4,
                          {-c.c1 / 2.0, 0.0, -25.0, 0.0,  //
                           0.0, -c.c2 / 8.0, 0.0, -25.0,  //
                           1.0, 0.0, 0.0, 0.0,            //
                           0.0, 1.0, 0.0, 0.0});
    std::vector<Mode> modes;
    ASSERT_TRUE(FindModes(a, {2.0, 8.0}, modes));
    ExpectModes(c.modes, modes, c.tolerance);
  }
}

// Mass added to a freedom lowers its frequency as sqrt(k / (m + dm)); the
// displacement rows of A stay.
TEST(ModalAnalysisTest, AddedMassMovesWithItsFreedom) {
  Matrix rolling;
  ASSERT_TRUE(WithAddedMass(SingleMass(2.0, 4.0, 50.0), Make(1, 1, {2.0}), {3.0}, rolling));
  EXPECT_DOUBLE_EQ(-4.0 / 5.0, rolling[0][0]);
  EXPECT_DOUBLE_EQ(-50.0 / 5.0, rolling[0][1]);
  EXPECT_EQ(1.0, rolling[1][0]);
  EXPECT_EQ(0.0, rolling[1][1]);
  EXPECT_FALSE(WithAddedMass(SingleMass(2.0, 4.0, 50.0), Make(1, 1, {2.0}), {-2.0}, rolling));
  EXPECT_FALSE(WithAddedMass(SingleMass(2.0, 4.0, 50.0), Make(1, 1, {2.0}), {}, rolling));
  std::vector<Mode> modes;
  EXPECT_FALSE(FindModes(Make(1, 1, {1.0}), {1.0}, modes));
  EXPECT_FALSE(FindModes(SingleMass(2.0, 4.0, 50.0), {}, modes));
}

}  // namespace
