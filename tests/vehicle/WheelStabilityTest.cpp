// The stability of the wheel integration. Inside the slip band a wheel follows
//   m dw/dt = cap (v - w) / LIM,
// a decay of the slip v - w at the rate k = cap / (LIM m). Each Runge-Kutta
// substep h multiplies the slip by R(-k h) = 1 - z + z^2/2 - z^3/6 + z^4/24,
// z = k h = mu N / (LIM m) DT / SUBDIV: |R| <= 1 up to z = 2.7853, beyond it the
// slip grows from substep to substep.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "support/ChangedVehicles.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/AxleGroup.h"
#include "vehicle/AxleIntegrator.h"
#include "vehicle/Kelvra.h"
#include "vehicle/StabilityCheck.h"

namespace {

double Amplification(double z) {
  return 1.0 - z + z * z / 2.0 - z * z * z / 6.0 + z * z * z * z / 24.0;
}

// One step of `substeps` substeps of four equal wheels at the figure z, from
// the slip `slip` inside the band; the slip after it.
double SlipAfterSubsteps(double z, int substeps, double slip) {
  const double dt = 0.005;
  const double lim = 0.01;
  const double mass = 500.0;
  const double capacity = z * lim * mass / (dt / substeps);
  const double speed = 0.0;
  AxleGroup group{};
  for (std::size_t a = 0; a < kAxleGroup; ++a) {
    group.inverseMass[a] = 1.0 / mass;
    group.capacity[a] = group.capacityEnd[a] = capacity;
    group.speed[a] = group.speedEnd[a] = speed;
    group.wheelSpeed[a] = speed - slip;
  }
  SlipPattern pattern = SlipPattern::kMixed;
  IntegrateAxleGroup(group, dt, substeps, lim, 1.0 / lim, pattern);
  return speed - group.wheelSpeed[0];
}

// The slip changes by R(-z) per substep, the closed form, on both sides of the
// bound: just below it the slip decays, just above it grows.
TEST(WheelStabilityTest, FigureAboveTheRungeKuttaBoundMakesTheSlipGrow) {
  EXPECT_NEAR(1.0, Amplification(kRungeKuttaStableFigure), 1e-12);
  const int substeps = 40;
  const double slip = 1e-9;  // m/s: at most 1e-6 after 40 substeps, well inside the band
  for (double z : {1.0, kWheelFigureLimit, 2.77, 2.80, 2.9}) {
    SCOPED_TRACE("figure " + std::to_string(z));
    const double ratio = SlipAfterSubsteps(z, substeps, slip) / slip;
    EXPECT_NEAR(std::pow(Amplification(z), substeps), ratio, 1e-9 * std::fabs(ratio) + 1e-15);
    if (z < kRungeKuttaStableFigure) {
      EXPECT_LT(std::fabs(ratio), 1.0);
    } else {
      EXPECT_GT(std::fabs(ratio), 2.0);
    }
  }
}

// The integrator takes more substeps where the step's capacity would put the
// figure of its SUBDIV beyond the limit: a load three times the static one on
// a wheel whose static figure is 1.57 gives 4.7 at SUBDIV 10, whose slip would
// grow by R(-4.7)^10 = 2e10 and leave the band. With 24 substeps (figure
// 1.96) it decays by R(-1.96)^24 = 1e-12 instead.
TEST(WheelStabilityTest, IntegratorSplitsAStepWhoseLoadTakesTheFigureBeyondTheLimit) {
  const double dt = 0.005;
  const double lim = 0.01;
  const double mass = 500.0;
  std::istringstream in("ITER 0 LIM 0.01 SUBDIV 10\n");
  std::ostringstream log;
  TAxleIntegrator integrator;
  ASSERT_TRUE(integrator.ReadPar(in, log, dt, {mass}, {0.5})) << log.str();
  integrator.Init();
  const double capacity = 4.7 * lim * mass / (dt / 10);
  const std::vector<double> zero{0.0};
  const std::vector<double> cap{capacity};
  const std::vector<double> speed{0.005};  // the wheels at rest: slip half the band
  ASSERT_TRUE(integrator.DoStep(zero, zero, zero, zero, cap, cap, speed, speed));
  const double slip = speed[0] - integrator.WheelSpeed()[0];
  EXPECT_NEAR(std::pow(Amplification(4.7 * 10 / 24), 24) * 0.005, slip, 1e-16);
  EXPECT_GT(std::pow(Amplification(4.7), 10), 1e10) << "unsplit, the slip would leave the band";
}

// The shipped vehicle with mu 1.2, stepped without the set-up's check (its
// static figure 2.35 is refused there): under the full brake its wheels roll
// and its leading wheels' loads rise to 117 kN, a figure of 2.8 at SUBDIV 10.
// Those steps take more substeps, so the braked vehicle only slows down;
// with SUBDIV 10 throughout it sped up from 13.95 to 45 m/s.
TEST(WheelStabilityTest, LoadsAboveTheStaticOneAreIntegratedStably) {
  const std::string model =
      testing_support::ShippedModelEdited({{"0.1 0.2 5 1 1", "1.2 0.2 5 1 1"}});
  ASSERT_FALSE(model.empty());
  Kelvra kelvra;
  std::string why;
  ASSERT_TRUE(testing_support::VehicleFromModelText(model, kelvra, why)) << why;
  const auto speed = [&kelvra] {
    double sum = 0.0;
    for (double v : kelvra.VehicleSpeed()) sum += v;
    return sum / 4.0;
  };
  for (int k = 0; k < 1600; ++k) ASSERT_TRUE(kelvra.DoStep({0, 0, 0, 0}, k < 1200 ? 100000 : 0));
  double previous = speed();
  double largestLoad = 0.0;
  // 4 x 0.5 x 25000 / 43000 = 1.16 m/s2 with rolling wheels: 12 s to rest.
  for (int k = 0; k < 3000 && speed() > 0.1; ++k) {
    ASSERT_TRUE(kelvra.DoStep({25000, 25000, 25000, 25000}, 0.0));
    if (k > 200) {
      ASSERT_LE(speed(), previous + 1e-9) << "at " << k * 0.005 << " s of braking";
    }
    previous = speed();
    for (double load : kelvra.NormalForce()) largestLoad = std::max(largestLoad, load);
  }
  EXPECT_LE(speed(), 0.1);
  EXPECT_GT(1.2 * largestLoad / (0.05 * 500) * 0.0005, kRungeKuttaStableFigure);
}

// The brake figure |r_b| gain B / (threshold m) DT of a nearly locked wheel,
// on the shipped vehicle (2.5 per unit of brake gain), stepped without the
// set-up's check: the full brake from 14 m/s, the wheels sliding, to rest
// after about 35 s, and held there. Within its limit (3 after an odd ITER)
// the brake only ever opposes the wheel's rotation and the vehicle stays at
// rest; beyond it (4.25, and 2.5 after an even ITER) the brake pushes its
// wheel round in many steps.
TEST(WheelStabilityTest, BrakeFigureBeyondItsLimitFeedsEnergyIn) {
  struct Case {
    double gain;
    int iter;
    bool withinLimit;
  };
  for (const Case c : {Case{1.16, 3, true}, Case{1.7, 3, false}, Case{1.0, 0, false}}) {
    const double figure = 0.5 * c.gain * 25000.0 / (0.05 * 500.0) * 0.005;
    SCOPED_TRACE("figure " + std::to_string(figure) + ", ITER " + std::to_string(c.iter));
    ASSERT_EQ(c.withinLimit, figure <= BrakeFigureLimit(c.iter));
    std::ostringstream gain;
    gain << "BRKSYS " << c.gain << " 0.05";
    const std::string model = testing_support::ShippedModelEdited(
        {{"ITER 3", "ITER " + std::to_string(c.iter)}, {"BRKSYS 1 0.05", gain.str()}});
    Kelvra kelvra;
    std::string why;
    ASSERT_TRUE(testing_support::VehicleFromModelText(model, kelvra, why)) << why;
    for (int k = 0; k < 2000; ++k) kelvra.DoStep({0, 0, 0, 0}, k < 1200 ? 100000 : 0);
    const double fullBrake = 0.01 * c.gain * 25000.0;
    int pushing = 0;
    for (int k = 0; k < 16000; ++k) {
      const std::vector<double> before = kelvra.WheelSpeed();
      kelvra.DoStep({25000, 25000, 25000, 25000}, 0.0);
      for (std::size_t i = 0; i < 4; ++i) {
        const double force = kelvra.MeanBrakeForce()[i];
        const double turning = before[i] + kelvra.WheelSpeed()[i];
        if (std::fabs(force) > fullBrake && force * turning < 0.0) ++pushing;
      }
    }
    const double drift = std::fabs(kelvra.VehicleSpeed()[0]);
    if (c.withinLimit) {
      EXPECT_EQ(0, pushing);
      EXPECT_LT(drift, 1e-4);
    } else {
      EXPECT_GT(pushing, 1000);
    }
  }
}

// A brake that holds its wheel at rest (BRKHOLD 1) has no band near
// standstill to overshoot: the set-up does not hold it to the brake figure,
// and at the figure of 4.25 (refused without the hold) the full brake from
// 3 m/s only ever opposes the wheels' rotation, stops the vehicle and keeps
// it at rest.
TEST(WheelStabilityTest, AHoldingBrakeIsFreeOfTheBrakeFigure) {
  for (const bool hold : {false, true}) {
    SCOPED_TRACE(hold ? "BRKHOLD 1" : "BRKHOLD 0");
    const std::string model =
        testing_support::ShippedModelEdited({{"BRKSYS 1 0.05", "BRKSYS 1.7 0.05"},
                                             {"BRKHOLD 0", hold ? "BRKHOLD 1" : "BRKHOLD 0"},
                                             {"V0 0", "V0 3"}});
    Kelvra kelvra;
    std::string why;
    ASSERT_TRUE(testing_support::VehicleFromModelText(model, kelvra, why)) << why;
    std::string reason;
    EXPECT_EQ(hold, CheckWheelIntegration(kelvra, std::vector<double>(4, 25000.0), reason));
    if (!hold) continue;
    int pushing = 0;
    for (int k = 0; k < 2000; ++k) {
      const std::vector<double> before = kelvra.WheelSpeed();
      ASSERT_TRUE(kelvra.DoStep({25000, 25000, 25000, 25000}, 0.0));
      for (std::size_t i = 0; i < 4; ++i) {
        const double turning = before[i] + kelvra.WheelSpeed()[i];
        if (kelvra.MeanBrakeForce()[i] * turning < 0.0) ++pushing;
      }
    }
    EXPECT_EQ(0, pushing);
    EXPECT_LT(std::fabs(kelvra.VehicleSpeed()[0]), 1e-4);
  }
}

// ADHLEVEL raises every characteristic's coefficient by its factor, and the
// adhesion figure with it: 0.1 x 12 x 98100 / (0.05 x 500) x 0.005 / 10 =
// 2.35 on the shipped vehicle is refused, with the factor named.
TEST(WheelStabilityTest, TheAdhesionFigureTakesTheLargestAdhesionLevel) {
  const std::string model =
      testing_support::ShippedModelEdited({{"ADHLEVEL 1\n0 1", "ADHLEVEL 2\n500 12\n600 0.5"}});
  Kelvra kelvra;
  std::string why;
  ASSERT_TRUE(testing_support::VehicleFromModelText(model, kelvra, why)) << why;
  std::string reason;
  EXPECT_FALSE(CheckWheelIntegration(kelvra, {}, reason));
  EXPECT_EQ(
      "Error - The wheel integration is unstable: wheel 1 with ADHSET characteristic 1 on its "
      "ADHLEVEL factor of 12 has muStatic x factor x staticLoad / (LIM x reducedMass) x DT / "
      "SUBDIV = 0.1 x 12 x 98100 / (0.05 x 500) x 0.005 / 10 = 2.3544, above 2 (its Runge-Kutta "
      "substeps are stable up to 2.78529). A SUBDIV of 12 keeps it within.",
      reason);
}

}  // namespace
