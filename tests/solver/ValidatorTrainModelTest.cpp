#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>

#include "ValidatorFixture.h"
#include "solver/ValidatorTrainModel.h"

namespace {

TEST(ValidatorSaturationTest, LinearInsideTheLimitAndTheSignOutside) {
  struct Case {
    double y;
    double limit;
    double expected;
  };
  const Case cases[] = {{0.05, 0.05, 1.0},   {-0.02, 0.05, -0.4}, {0.0, 0.05, 0.0},
                        {-0.05, 0.05, -1.0}, {0.01, 0.05, 0.2},   {7.0, 0.05, 1.0},
                        {-7.0, 0.05, -1.0}};
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(c.expected, ValidatorTrainModel::Saturation(c.y, c.limit))
        << "sat(" << c.y << ", " << c.limit << ")";
  }
}

// Slopes worked out by hand from the element law, the lever arms and the masses.
struct SlopeCase {
  std::string name;
  std::function<void(ValidatorParameters&, ValidatorState&)> set;
  double brake[4];
  double traction;
  std::map<int, double> expected;  // velocity slopes; all others must be zero
};

double Mu(double slip) {
  return 0.1 * (0.8 * std::exp(-std::abs(slip) / 5.0) + 0.2);
}

std::vector<SlopeCase> SlopeCases() {
  const double carI = 1842853.125;
  const double bogieI = 3312.5;
  std::vector<SlopeCase> cases;
  cases.push_back({"traction alone pushes the car",
                   [](ValidatorParameters&, ValidatorState&) {},
                   {0, 0, 0, 0},
                   20000.0,
                   {{0, 20000.0 / 31000.0}}});
  // Car 10 mm up: both secondary springs stretch by 10 mm (15000 N each).
  cases.push_back({"car heave",
                   [](ValidatorParameters&, ValidatorState& x) { x[17 + 1] = 0.01; },
                   {0, 0, 0, 0},
                   0.0,
                   {{1, -30000.0 / 31000.0}, {4, 15000.0 / 3000.0}, {7, 15000.0 / 3000.0}}});
  // Car pitched by 1 mrad: the ends move 9.5 mm vertically (14250 N), the secondary
  // longitudinal points 0.5 m below the centre move 0.5 mm forward (750 N).
  cases.push_back({"car pitch",
                   [](ValidatorParameters&, ValidatorState& x) { x[17 + 2] = 0.001; },
                   {0, 0, 0, 0},
                   0.0,
                   {{0, -1500.0 / 31000.0},
                    {2, (-1500.0 * 0.5 - 28500.0 * 9.5) / carI},
                    {3, 750.0 / 3000.0},
                    {4, -14250.0 / 3000.0},
                    {6, 750.0 / 3000.0},
                    {7, 14250.0 / 3000.0}}});
  // Front bogie rising at 0.1 m/s: primary dampers 12000 N each, secondary 6000 N,
  // which also pitches the car at its front end.
  cases.push_back({"front bogie heave velocity",
                   [](ValidatorParameters&, ValidatorState& x) { x[4] = 0.1; },
                   {0, 0, 0, 0},
                   0.0,
                   {{1, 6000.0 / 31000.0}, {2, -6000.0 * 9.5 / carI}, {4, -30000.0 / 3000.0}}});
  // Wheelset 1 at 0.02 m/s, its wheel at 0.01 m/s, braked with 1000: brake 200 N,
  // slip 0.01 m/s, primary damper 2400 N.
  {
    const double adhesion = 0.2 * 98300.0 * Mu(0.01);
    cases.push_back({"braked slipping wheel",
                     [](ValidatorParameters&, ValidatorState& x) {
                       x[9] = 0.02;
                       x[13] = 0.01;
                     },
                     {1000, 0, 0, 0},
                     0.0,
                     {{3, 2400.0 / 3000.0},
                      {4, 200.0 / 3000.0},
                      {5, -200.0 * 0.77 / bogieI},
                      {9, (-adhesion - 2400.0) / 1000.0},
                      {13, (adhesion - 100.0) / 500.0}}});
  }
  // Wheelset 4 at 10 m/s, its wheel at 2 m/s, braked with -5000 (the magnitude
  // counts): full brake force, saturated adhesion at the large slip of 8 m/s.
  {
    const double adhesion = 103100.0 * Mu(8.0);
    cases.push_back({"skidding rear wheel",
                     [](ValidatorParameters&, ValidatorState& x) {
                       x[12] = 10.0;
                       x[16] = 2.0;
                     },
                     {0, 0, 0, -5000},
                     0.0,
                     {{6, 1.2e6 / 3000.0},
                      {7, -5000.0 / 3000.0},
                      {8, -5000.0 * 0.77 / bogieI},
                      {12, (-adhesion - 1.2e6) / 1000.0},
                      {16, (adhesion - 2500.0) / 500.0}}});
  }
  // Rolling resistance at 3 m/s without slip: |98100 * 0.001 + (3 * 2 + 100) * 3|.
  cases.push_back({"running resistance",
                   [](ValidatorParameters& parameters, ValidatorState& x) {
                     parameters.resistanceLoadFactor = 0.001;
                     parameters.resistanceQuadratic = 2.0;
                     parameters.resistanceConstant = 100.0;
                     x[10] = 3.0;
                     x[14] = 3.0;
                   },
                   {0, 0, 0, 0},
                   0.0,
                   {{3, 360000.0 / 3000.0}, {10, -360000.0 / 1000.0}, {14, -416.1 / 500.0}}});
  return cases;
}

TEST(ValidatorSlopeTest, MatchesHandComputedSlopes) {
  for (const SlopeCase& c : SlopeCases()) {
    SCOPED_TRACE(c.name);
    ValidatorParameters parameters;
    ValidatorState x{};
    c.set(parameters, x);
    ValidatorTrainModel model(0.0005, parameters);
    Matrix history = ConstantHistory(3, 0.0, c.traction);
    for (int k = 0; k < 4; ++k) history[0][k] = c.brake[k];
    model.SetForceHistory(history, 0.005);

    ValidatorState slope{};
    EXPECT_EQ(0, model.Derivative(0.0, x, slope));
    for (int i = 0; i < 17; ++i) {
      const auto found = c.expected.find(i);
      const double expected = found == c.expected.end() ? 0.0 : found->second;
      EXPECT_NEAR(expected, slope[i], 1e-9 * (1.0 + std::abs(expected))) << "slope " << i;
      EXPECT_EQ(x[i], slope[17 + i]) << "displacement slope " << i;
    }
  }
}

TEST(ValidatorSlopeTest, WheelsetForcesOfTheLastEvaluation) {
  ValidatorTrainModel model(0.0005);
  Matrix history = ConstantHistory(3, 0.0, 0.0);
  history[0][0] = 1000.0;
  model.SetForceHistory(history, 0.005);
  ValidatorState x{};
  x[4] = 0.1;  // front bogie rising: primary dampers unload wheelsets 1 and 2 by 12000 N
  x[9] = 0.02;
  x[13] = 0.01;
  ValidatorState slope{};
  model.Derivative(0.0, x, slope);

  const ValidatorForces& forces = model.LastForces();
  EXPECT_NEAR(98100.0 - 12000.0 + 200.0, forces.normal[0], 1e-6);
  EXPECT_NEAR(98100.0 - 12000.0, forces.normal[1], 1e-6);
  EXPECT_NEAR(98100.0, forces.normal[2], 1e-6);
  EXPECT_NEAR(0.01, forces.slip[0], 1e-15);
  EXPECT_NEAR(0.2 * 86300.0 * Mu(0.01), forces.adhesion[0], 1e-6);
  EXPECT_EQ(0.0, forces.adhesion[1]);
  EXPECT_NEAR(100.0, forces.tread[0], 1e-9);
  EXPECT_NEAR(200.0, forces.brake[0], 1e-9);
}

// Rows are held for one sample period; the last row, and anything past it, ends the run.
TEST(ValidatorSlopeTest, ReadsTheSampleHeldAtTheTime) {
  ValidatorTrainModel model(0.0005);
  Matrix history = ConstantHistory(3, 0.0, 0.0);
  history[0][4] = 1000.0;
  history[1][4] = 2000.0;
  history[2][4] = 3000.0;
  model.SetForceHistory(history, 0.005);
  struct Case {
    double t;
    double traction;
    int status;
  };
  const Case cases[] = {{0.0, 1000.0, 0},    {0.0049, 1000.0, 0},  {0.005, 2000.0, 0},
                        {0.0099, 2000.0, 0}, {0.0101, 3000.0, -1}, {5.0, 3000.0, -1}};
  for (const Case& c : cases) {
    ValidatorState x{};
    ValidatorState slope{};
    EXPECT_EQ(c.status, model.Derivative(c.t, x, slope)) << "t = " << c.t;
    EXPECT_DOUBLE_EQ(c.traction / 31000.0, slope[0]) << "t = " << c.t;
  }
}

TEST(ValidatorSlopeTest, RefusesHistoriesThatCannotDriveARun) {
  struct Case {
    Matrix history;
    double period;
    std::string reason;
  };
  const Case cases[] = {
      {Matrix(), 0.005,
       "Error - the external force history is empty: the validator needs at least one row"},
      {Matrix(0, 5, 0.0), 0.005,
       "Error - the external force history is empty: the validator needs at least one row"},
      {Matrix(10, 4, 0.0), 0.005,
       "Error - the external force history has 4 columns: the validator needs at least 5 (four "
       "brake inputs and the traction)"},
      {Matrix(10, 5, 0.0), 0.0,
       "Error - the validator's step size and sample period must be positive"},
  };
  for (const Case& c : cases) {
    ValidatorTrainModel model(0.0005);
    model.SetForceHistory(c.history, c.period);
    std::string reason;
    EXPECT_FALSE(model.CheckForceHistory(reason));
    EXPECT_EQ(c.reason, reason);
    EXPECT_FALSE(model.HasUsableHistory());
  }

  ValidatorTrainModel model(0.0005);
  model.SetForceHistory(Matrix(1, 5, 0.0), 0.005);
  std::string reason = "stale";
  EXPECT_TRUE(model.CheckForceHistory(reason));
  EXPECT_EQ("", reason);
}

}  // namespace
