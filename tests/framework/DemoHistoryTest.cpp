// The shipped demonstration history driven through the shipped vehicle, one
// vehicle step per history row as the console run does: the vehicle reaches
// speed under traction, the full brake locks the wheels, and the vehicle comes
// to rest while the brakes are still applied.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "setup/InputReaders.h"
#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

constexpr int kAxles = 4;
constexpr double kSamplePeriod = 0.005;   // s, one history row
constexpr double kRollingMass = 43000.0;  // kg, vehicle and the wheels' reduced masses

// Row ranges of the history's phases, found from its contents.
struct Phases {
  int tractionEnd = 0;           // first row without traction
  int brakeStart = -1;           // first row with a brake input
  int brakeEnd = -1;             // first row after the last one with a brake input
  double tractionImpulse = 0.0;  // N s before tractionEnd
};

Phases FindPhases(const Matrix& history) {
  Phases phases;
  while (phases.tractionEnd < history.num_rows() && history[phases.tractionEnd][kAxles] > 0.0) {
    phases.tractionImpulse += history[phases.tractionEnd][kAxles] * kSamplePeriod;
    ++phases.tractionEnd;
  }
  for (int row = 0; row < history.num_rows(); ++row) {
    if (history[row][0] <= 0.0) continue;
    if (phases.brakeStart < 0) phases.brakeStart = row;
    phases.brakeEnd = row + 1;
  }
  return phases;
}

TEST(DemoHistoryTest, VehicleSpeedsUpSlidesUnderTheFullBrakeAndStops) {
  Matrix history;
  std::string error;
  ASSERT_TRUE(ReadExternalForceHistory((testing_support::DataDir() / "demo_history.in").string(),
                                       history, error))
      << error;
  ASSERT_EQ(kAxles + 1, history.num_cols());
  const Phases phases = FindPhases(history);
  ASSERT_GT(phases.tractionEnd, 0);
  ASSERT_GT(phases.brakeStart, phases.tractionEnd);

  VehicleSetUp shipped;
  ASSERT_TRUE(
      shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), kSamplePeriod))
      << shipped.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(shipped.CreateVehicle(kelvra, log)) << log.str();
  const double lim = kelvra.Dynamics().AxleRot.Lim();
  const double band = kelvra.Dynamics().BrkSys.BrakeSpeedThreshold();
  const auto speed = [&kelvra] { return kelvra.LinearState()[0]; };

  // Past the stop only the next 2 s are needed to see the vehicle at rest.
  const int settle = static_cast<int>(std::lround(2.0 / kSamplePeriod));
  const int lockCheck = phases.brakeStart + static_cast<int>(std::lround(3.0 / kSamplePeriod));
  std::vector<double> brakeDemand(kAxles, 0.0);
  double peakSpeed = 0.0;
  int stopRow = -1;
  for (int row = 0; row < history.num_rows(); ++row) {
    for (int axle = 0; axle < kAxles; ++axle) brakeDemand[axle] = history[row][axle];
    ASSERT_TRUE(kelvra.DoStep(brakeDemand, history[row][kAxles])) << "row " << row;
    peakSpeed = std::max(peakSpeed, speed());
    // The reported brake force opposes the rotation of a wheel that turns
    // faster than the standstill band.
    for (int i = 0; i < kAxles; ++i) {
      const double w = kelvra.WheelSpeed()[i];
      if (std::abs(w) > band) {
        EXPECT_GE(kelvra.MeanBrakeForce()[i] * w, 0.0) << "row " << row << ", wheel " << i;
      }
    }
    if (row == lockCheck) {
      for (int i = 0; i < kAxles; ++i) {
        EXPECT_GT(kelvra.VehicleSpeed()[i] - kelvra.WheelSpeed()[i], 100.0 * lim)
            << "wheel " << i << " must slide 3 s into the full brake";
      }
    }
    if (row > phases.brakeStart && stopRow < 0 && speed() <= 0.0) stopRow = row;
    if (stopRow >= 0 && row == stopRow + settle) break;
  }

  // Traction from standstill with rolling wheels: v = J / 43000.
  const double topSpeed = phases.tractionImpulse / kRollingMass;
  EXPECT_NEAR(topSpeed, peakSpeed, 0.01 * topSpeed);

  ASSERT_GT(stopRow, lockCheck) << "the vehicle must not stop before the wheels lock";
  EXPECT_LT(stopRow + settle, phases.brakeEnd) << "it must stop while the brakes are applied";
  RecordProperty("stop_time_s", std::to_string((stopRow + 1) * kSamplePeriod));
  RecordProperty("peak_speed_m_per_s", std::to_string(peakSpeed));
  const int dofs = static_cast<int>(kelvra.LinearState().size()) / 2;
  for (int i = 0; i < dofs; ++i) EXPECT_NEAR(0.0, kelvra.LinearState()[i], 1e-3) << "DOF " << i;
  for (double wheel : kelvra.WheelSpeed()) EXPECT_NEAR(0.0, wheel, 1e-3);
}

}  // namespace
