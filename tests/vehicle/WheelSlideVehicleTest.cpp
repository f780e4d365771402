// The wheel slide protection inside the vehicle system: its state travels
// with the vehicle's, its traction shares reach the linear model, and its
// switched-off section leaves the steps as they are without it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempFolder;

constexpr double kTimeStep = 0.005;

// The shipped vehicle at adhesion 0.08 started at 14 m/s, with `wsp` in
// place of the shipped WSP line and `cylinders` in place of its BRKCYL line.
std::string Model(const std::string& wsp, const std::string& cylinders) {
  std::string text = ReadFile(testing_support::ShippedModelFile(testing_support::DataDir()));
  text.replace(text.find("0.1 0.2 5 1 1"), 13, "0.08 0.2 5 1 1");
  text.replace(text.find("V0 0"), 4, "V0 14");
  text.replace(text.find("BRKCYL 0 0"), 10, cylinders);
  const std::size_t line = text.find("\nWSP ") + 1;
  return text.substr(0, line) + wsp + text.substr(text.find('\n', line));
}

class WheelSlideVehicleTest : public ::testing::Test {
 protected:
  void Create(Kelvra& kelvra, const std::string& wsp, const std::string& cylinders = "BRKCYL 0 0") {
    folder.Write("model.in", Model(wsp, cylinders));
    VehicleSetUp setUp;
    ASSERT_TRUE(setUp.Build((folder.Path() / "model.in").string(), kTimeStep)) << setUp.Failure();
    std::ostringstream log;
    ASSERT_TRUE(setUp.CreateVehicle(kelvra, log)) << log.str();
  }
  static void Run(Kelvra& kelvra, int steps, double brake, double traction = 0.0) {
    const std::vector<double> demand(4, brake);
    for (int k = 0; k < steps; ++k) ASSERT_TRUE(kelvra.DoStep(demand, traction));
  }

  TempFolder folder;
};

// A snapshot taken while the valves work on a slide: handed back, the steps
// after it repeat bit for bit, valves, reference and timers included.
TEST_F(WheelSlideVehicleTest, ARestoredSnapshotRepeatsTheValvesWork) {
  Kelvra kelvra;
  Create(kelvra, "WSP 1");
  Run(kelvra, 300, 25000.0);
  const VehicleState saved = kelvra.Snapshot();
  double released = 0.0;
  for (double time : saved.slideProtection.releaseTime) released += time;
  ASSERT_GT(released, 0.0) << "the unit is at work";
  Run(kelvra, 400, 25000.0);
  const VehicleState first = kelvra.Snapshot();
  ASSERT_NE(saved.slideProtection, first.slideProtection);
  ASSERT_TRUE(kelvra.Restore(saved));
  EXPECT_EQ(saved, kelvra.Snapshot());
  Run(kelvra, 400, 25000.0);
  EXPECT_EQ(first, kelvra.Snapshot());

  VehicleState misfit = saved;
  misfit.slideProtection.valve.pop_back();
  EXPECT_FALSE(kelvra.Restore(misfit));
  EXPECT_EQ(first, kelvra.Snapshot());
}

// The unit's traction share reaches the vehicle: with every axle's share cut
// to a half, a traction step speeds the vehicle up by half as much (the share
// refills by refill_rate dt = 0.005 over the step, 0.5025 on its mean).
TEST_F(WheelSlideVehicleTest, TheTractionSharesScaleTheTractionThatReachesTheVehicle) {
  Kelvra kelvra;
  Create(kelvra, "WSP 1");
  Run(kelvra, 10, 0.0);
  const VehicleState start = kelvra.Snapshot();
  const auto speedGain = [&](double share) {
    VehicleState state = start;
    state.slideProtection.tractionShare.assign(4, share);
    EXPECT_TRUE(kelvra.Restore(state));
    Run(kelvra, 1, 0.0, 100000.0);
    return kelvra.LinearState()[0] - start.linearState[0];
  };
  const double whole = speedGain(1.0);
  ASSERT_GT(whole, 0.0);
  EXPECT_NEAR(0.5025, speedGain(0.5) / whole, 0.005);
}

// Behind cylinders that fill in 0.5 s the valve takes its share of what the
// cylinder applies: never more than the cylinder's own lag
//   A_k = D (1 - e^(-k dt / 0.5)),  D = 25000,
// whose ramp mean over step k the column shows, and far less while it vents.
TEST_F(WheelSlideVehicleTest, TheValvesActOnWhatTheCylindersApply) {
  Kelvra kelvra;
  Create(kelvra, "WSP 1", "BRKCYL 0.5 0.5");
  const auto applied = [](int k) { return 25000.0 * (1.0 - std::exp(-k * kTimeStep / 0.5)); };
  double leastShare = 1.0;
  for (int k = 1; k <= 600; ++k) {
    Run(kelvra, 1, 25000.0);
    const double lag = (applied(k - 1) + applied(k)) / 2.0;
    for (double force : kelvra.MeanCylinderForce()) {
      ASSERT_LE(force, lag * (1.0 + 1e-12)) << "step " << k;
      if (k > 100) leastShare = std::min(leastShare, force / lag);
    }
  }
  EXPECT_LT(leastShare, 0.5);
}

// WSP 0, whatever its settings, and no WSP line at all step alike to the bit.
TEST_F(WheelSlideVehicleTest, ASwitchedOffUnitLeavesTheStepsAsWithoutIt) {
  std::vector<VehicleState> states;
  for (const char* wsp : {"WSP 0 1.5 2.5 0.4 0.15 4 1 4 1 3 1", "WSP 0 3", ""}) {
    Kelvra kelvra;
    Create(kelvra, wsp);
    Run(kelvra, 400, 25000.0);
    states.push_back(kelvra.Snapshot());
  }
  EXPECT_EQ(states[0], states[1]);
  EXPECT_EQ(states[0], states[2]);
}

}  // namespace
