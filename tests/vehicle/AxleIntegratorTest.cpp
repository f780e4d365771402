#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "vehicle/AxleIntegrator.h"

namespace {

using Values = std::vector<double>;

TAxleIntegrator Integrator(double dt, int subdiv, double lim, const Values& masses,
                           const Values& radii) {
  std::istringstream in("ITER 0 LIM " + std::to_string(lim) + " SUBDIV " + std::to_string(subdiv) +
                        "\n");
  std::ostringstream log;
  TAxleIntegrator integrator;
  EXPECT_TRUE(integrator.ReadPar(in, log, dt, masses, radii)) << log.str();
  integrator.Init();
  return integrator;
}

// Per axle start and end values of one step.
struct StepInputs {
  Values res0, res1, brake0, brake1, cap0, cap1, vStart, vEnd;
};

bool Step(TAxleIntegrator& integrator, const StepInputs& in) {
  return integrator.DoStep(in.res0, in.res1, in.brake0, in.brake1, in.cap0, in.cap1, in.vStart,
                           in.vEnd);
}

// Far outside the slip band the wheel feels the full capacity C less the brake
// force r b: a constant acceleration a = (C - r b) / m. Step/substep pairs whose
// summed substep length falls short of the step are among the cases.
TEST(TAxleIntegratorTest, ConstantForceFollowsTheClosedForm) {
  struct Case {
    double dt;
    int subdiv;
  };
  for (const Case c : {Case{0.0025, 17}, Case{0.001, 19}, Case{0.005, 10}, Case{0.005, 1}}) {
    const double m = 200.0;
    const double r = 0.5;
    TAxleIntegrator integrator = Integrator(c.dt, c.subdiv, 0.1, {m}, {r});
    const StepInputs in{{0}, {0}, {400}, {400}, {1000}, {1000}, {50}, {50}};
    const double a = (1000 - r * 400) / m;
    ASSERT_TRUE(Step(integrator, in));
    ASSERT_TRUE(integrator.Finalize());
    ASSERT_TRUE(Step(integrator, in));
    const double T = 2 * c.dt;
    EXPECT_NEAR(a * T, integrator.WheelSpeed()[0], 1e-14) << c.dt << " / " << c.subdiv;
    EXPECT_NEAR(a * T * T / 2, integrator.WheelTravel()[0], 1e-16) << c.dt << " / " << c.subdiv;
    EXPECT_EQ(1000.0, integrator.AdhesionForce()[0]);
  }
}

// Capacity rising from 0 to C over the step, slip beyond the band:
// w(T) = C T / 2m, s(T) = C T^2 / 6m.
TEST(TAxleIntegratorTest, RampingCapacityFollowsTheClosedForm) {
  const double m = 100.0;
  const double dt = 0.001;
  TAxleIntegrator integrator = Integrator(dt, 19, 0.1, {m}, {1});
  ASSERT_TRUE(Step(integrator, {{0}, {0}, {0}, {0}, {0}, {600}, {20}, {20}}));
  EXPECT_NEAR(600 * dt / (2 * m), integrator.WheelSpeed()[0], 1e-15);
  EXPECT_NEAR(600 * dt * dt / (6 * m), integrator.WheelTravel()[0], 1e-18);
}

// Inside the band the slip law is linear: m w' = C (V - w) / L, so the wheel
// approaches the vehicle speed V exponentially with rate k = C / (m L).
TEST(TAxleIntegratorTest, SlipBandPullsTheWheelExponentiallyToTheVehicleSpeed) {
  const double m = 100.0;
  const double C = 1000.0;
  const double L = 1.0;
  const double V = 0.5;
  const double dt = 0.005;
  TAxleIntegrator integrator = Integrator(dt, 10, L, {m, m}, {1, 1});
  const StepInputs in{{0, 0}, {0, 0}, {0, 0}, {0, 0}, {C, C}, {C, C}, {V, V}, {V, V}};
  for (int k = 0; k < 40; ++k) {
    ASSERT_TRUE(Step(integrator, in));
    ASSERT_TRUE(integrator.Finalize());
  }
  const double T = 40 * dt;
  const double rate = C / (m * L);
  const double w = V - V * std::exp(-rate * T);
  EXPECT_NEAR(w, integrator.WheelSpeedCommitted()[0], 1e-12);
  EXPECT_NEAR(V * T - V * (1 - std::exp(-rate * T)) / rate, integrator.WheelTravelCommitted()[1],
              1e-12);
  EXPECT_NEAR(C * (V - w) / L, integrator.AdhesionForceCommitted()[0], 1e-8);
}

TEST(TAxleIntegratorTest, WithoutCapacityOrForceTheWheelKeepsItsSpeed) {
  TAxleIntegrator integrator = Integrator(0.005, 10, 0.1, {100}, {1});
  ASSERT_TRUE(Step(integrator, {{0}, {0}, {0}, {0}, {500}, {500}, {9}, {9}}));
  ASSERT_TRUE(integrator.Finalize());
  const double w = integrator.WheelSpeedCommitted()[0];
  ASSERT_GT(w, 0.0);
  ASSERT_TRUE(Step(integrator, {{0}, {0}, {0}, {0}, {0}, {0}, {9}, {9}}));
  EXPECT_EQ(w, integrator.WheelSpeed()[0]);
  EXPECT_NEAR(integrator.WheelTravelCommitted()[0] + w * 0.005, integrator.WheelTravel()[0], 1e-15);
  EXPECT_EQ(0.0, integrator.AdhesionForce()[0]);
}

TEST(TAxleIntegratorTest, BrakeSideDoesNotChangeTheOpposingForce) {
  TAxleIntegrator front = Integrator(0.005, 10, 0.1, {100}, {0.8});
  TAxleIntegrator rear = Integrator(0.005, 10, 0.1, {100}, {-0.8});
  const StepInputs in{{5}, {7}, {100}, {300}, {200}, {400}, {10}, {12}};
  ASSERT_TRUE(Step(front, in));
  ASSERT_TRUE(Step(rear, in));
  EXPECT_EQ(front.WheelSpeed(), rear.WheelSpeed());
  EXPECT_EQ(front.WheelTravel(), rear.WheelTravel());
}

TEST(TAxleIntegratorTest, RepeatedStepsStartFromTheCommittedState) {
  TAxleIntegrator integrator = Integrator(0.005, 10, 0.1, {100}, {1});
  EXPECT_FALSE(integrator.Finalize());
  const StepInputs in{{0}, {0}, {0}, {0}, {500}, {500}, {9}, {9}};
  ASSERT_TRUE(Step(integrator, in));
  const Values once = integrator.WheelSpeed();
  ASSERT_TRUE(Step(integrator, in));
  EXPECT_EQ(once, integrator.WheelSpeed());
  EXPECT_EQ(0.0, integrator.WheelSpeedCommitted()[0]);
  EXPECT_FALSE(Step(integrator, {{0}, {0}, {0}, {0}, {500}, {}, {9}, {9}}));
}

TEST(TAxleIntegratorTest, ChangeParRefusesUnusableSettingsAndKeepsTheMasses) {
  TAxleIntegrator integrator = Integrator(0.005, 10, 0.1, {100}, {1});
  std::ostringstream log;
  EXPECT_FALSE(integrator.ChangePar(0, 3, 0.5, 0.01, log));
  EXPECT_FALSE(integrator.ChangePar(10, -1, 0.5, 0.01, log));
  EXPECT_FALSE(integrator.ChangePar(10, 3, 0.0, 0.01, log));
  const std::string limits =
      " (SUBDIV must be at least 1, ITER not negative, LIM at least 2.22507e-308).\n";
  EXPECT_EQ(
      "\nTAxleIntegrator::ChangePar() is not successfull: SUBDIV=0 ITER=3 LIM=0.5" + limits +
          "\nTAxleIntegrator::ChangePar() is not successfull: SUBDIV=10 ITER=-1 LIM=0.5" + limits +
          "\nTAxleIntegrator::ChangePar() is not successfull: SUBDIV=10 ITER=3 LIM=0" + limits,
      log.str());
  EXPECT_EQ(10, integrator.Subdiv());
  EXPECT_EQ(0, integrator.Iter());
  EXPECT_EQ(0.1, integrator.Lim());

  log.str("");
  ASSERT_TRUE(integrator.ChangePar(7, 2, 0.5, 0.01, log));
  EXPECT_EQ("\nTAxleIntegrator::ChangePar() successfully finished.\n", log.str());
  EXPECT_EQ(7, integrator.Subdiv());
  EXPECT_EQ(2, integrator.Iter());
  EXPECT_EQ(0.5, integrator.Lim());
  EXPECT_DOUBLE_EQ(0.01 / 100, integrator.MassStepRatio()[0]);
  // Still a 100 kg wheel: 500 N beyond the band give 5 m/s^2 over 0.01 s.
  integrator.Init();
  ASSERT_TRUE(Step(integrator, {{0}, {0}, {0}, {0}, {500}, {500}, {9}, {9}}));
  EXPECT_NEAR(0.05, integrator.WheelSpeed()[0], 1e-15);
}

}  // namespace
