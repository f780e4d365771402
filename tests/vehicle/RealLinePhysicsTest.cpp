// The shipped vehicle on a real line (GRADIENT, ADHLEVEL, BRKCYL, BRKHOLD,
// V0) against closed forms.
//
// Masses: car 31000 kg, bogies 2 x 3000 kg, wheelsets 4 x 1000 kg, M = 41000
// kg in all; each rolling wheel carries a reduced mass of 500 kg, 2000 kg in
// all. Gravity along a gradient of tan(theta) pulls on M only, and the
// rolling wheels must be carried along by their adhesion, so
//   a = -g sin(theta) M / (M + 2000).

#include <gtest/gtest.h>

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
constexpr int kAxles = 4;
constexpr double kMass = 41000.0;
constexpr double kRollingMass = 43000.0;
constexpr double kG = 9.81;

int StepsOf(double seconds) {
  return static_cast<int>(std::lround(seconds / kTimeStep));
}

// g sin(theta) M / (M + reduced masses) for a gradient in per mille.
double RollingAcceleration(double perMille) {
  return kG * perMille / std::sqrt(1e6 + perMille * perMille) * kMass / kRollingMass;
}

// The shipped model with its optional sections (the text from GRADIENT on)
// replaced by `sections`.
std::string ShippedWith(const std::string& sections) {
  std::string text = ReadFile(testing_support::ShippedModelFile(testing_support::DataDir()));
  return text.substr(0, text.find("GRADIENT 1")) + sections;
}

class RealLinePhysicsTest : public ::testing::Test {
 protected:
  void Create(const std::string& sections) {
    folder.Write("model.in", ShippedWith(sections));
    ASSERT_TRUE(setUp.Build((folder.Path() / "model.in").string(), kTimeStep)) << setUp.Failure();
    std::ostringstream log;
    ASSERT_TRUE(setUp.CreateVehicle(kelvra, log)) << log.str();
  }
  void Run(double seconds, double brake, double traction = 0.0) {
    const std::vector<double> demand(kAxles, brake);
    for (int k = StepsOf(seconds); k > 0; --k) ASSERT_TRUE(kelvra.DoStep(demand, traction));
  }
  double CarSpeed() const { return kelvra.LinearState()[0]; }
  double MeanPosition() const {
    double sum = 0.0;
    for (double x : kelvra.Position()) sum += x;
    return sum / kAxles;
  }

  TempFolder folder;
  VehicleSetUp setUp;
  Kelvra kelvra;
};

TEST_F(RealLinePhysicsTest, FromRestDownhillTheVehicleAcceleratesAsGravityAndItsRollingMassesSay) {
  Create("GRADIENT 1\n-100 -10\n");
  Run(2.0, 0.0);
  const double v2 = CarSpeed();
  Run(4.0, 0.0);
  const double expected = RollingAcceleration(10.0);
  EXPECT_NEAR(expected, (CarSpeed() - v2) / 4.0, 0.01 * expected);
}

// A new time step brings gravity's step response for it: the vehicle of a
// batch set with a DT of its own runs down the same gradient at the same rate.
TEST_F(RealLinePhysicsTest, ANewTimeStepOnAGradientAcceleratesAsGravitySays) {
  Create("GRADIENT 1\n-100 -10\n");
  std::ostringstream log;
  ASSERT_TRUE(setUp.ChangeTimeStep(0.002, kelvra, log)) << log.str();
  const std::vector<double> released(kAxles, 0.0);
  for (int k = 0; k < 1000; ++k) ASSERT_TRUE(kelvra.DoStep(released, 0.0));
  const double v2 = CarSpeed();
  for (int k = 0; k < 2000; ++k) ASSERT_TRUE(kelvra.DoStep(released, 0.0));
  const double expected = RollingAcceleration(10.0);
  EXPECT_NEAR(expected, (CarSpeed() - v2) / 4.0, 0.01 * expected);
}

TEST_F(RealLinePhysicsTest, UphillTheVehicleSlowsAtTheSameRateStopsAndRollsBack) {
  Create("GRADIENT 1\n-100 20\nV0 20\n");
  const double a = RollingAcceleration(20.0);
  Run(10.0, 0.0);
  const double v10 = CarSpeed();
  Run(10.0, 0.0);
  EXPECT_NEAR(a, (v10 - CarSpeed()) / 10.0, 0.01 * a);
  // It stops 20 / a after the start, and rolls back down at the same rate.
  double stopTime = 0.0;
  for (int k = StepsOf(20.0) + 1; stopTime == 0.0 && k < StepsOf(200.0); ++k) {
    ASSERT_TRUE(kelvra.DoStep({0, 0, 0, 0}, 0.0));
    if (CarSpeed() <= 0.0) stopTime = k * kTimeStep;
  }
  EXPECT_NEAR(20.0 / a, stopTime, 0.01 * 20.0 / a);
  Run(10.0, 0.0);
  EXPECT_NEAR(-10.0 * a, CarSpeed(), 0.01 * 10.0 * a);
}

TEST_F(RealLinePhysicsTest, AStartAtSpeedOnTheLevelKeepsItsSpeedWithoutSlip) {
  Create("V0 27.78\n");
  EXPECT_EQ(27.78, CarSpeed());
  Run(10.0, 0.0);
  EXPECT_NEAR(27.78, CarSpeed(), 1e-9);
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_NEAR(27.78, kelvra.VehicleSpeed()[i], 1e-9);
    EXPECT_NEAR(0.0, kelvra.VehicleSpeed()[i] - kelvra.WheelSpeed()[i], 1e-9);
  }
}

TEST_F(RealLinePhysicsTest, AHoldingBrakeKeepsAVehicleStandingOnAGradient) {
  Create("GRADIENT 1\n-100 10\nBRKHOLD 1\n");
  Run(1.0, 25000.0);
  const double start = MeanPosition();
  const double carStart = kelvra.LinearState()[13];
  Run(30.0, 25000.0);
  EXPECT_LT(std::fabs(MeanPosition() - start), 0.001);
  EXPECT_LT(std::fabs(kelvra.LinearState()[13] - carStart), 0.001);
}

// The full brake of the shipped vehicle (12500 N on each tread) locks its
// wheels on the shipped adhesion (mu N about 10000 N). Held by dry friction,
// a locked wheel stays at rest while the vehicle slides on (in the linear
// band it would creep at 0.069 m/s), the vehicle stops on the gradient and
// stands; released, it rolls back down as a rolling vehicle does.
TEST_F(RealLinePhysicsTest, HeldWheelsStayLockedWhileSlidingAndLetGoWhenReleased) {
  Create("GRADIENT 1\n-100 10\nBRKHOLD 1\nV0 14\n");
  Run(3.0, 25000.0);
  EXPECT_GT(CarSpeed(), 10.0);
  for (int i = 0; i < kAxles; ++i) EXPECT_EQ(0.0, kelvra.WheelSpeed()[i]) << "axle " << i + 1;
  Run(30.0, 25000.0);
  const double stopped = MeanPosition();
  Run(5.0, 25000.0);
  EXPECT_LT(std::fabs(MeanPosition() - stopped), 1e-3);
  Run(2.0, 0.0);
  const double v2 = CarSpeed();
  Run(4.0, 0.0);
  const double expected = -RollingAcceleration(10.0);
  EXPECT_NEAR(expected, (CarSpeed() - v2) / 4.0, 0.01 * std::fabs(expected));
}

// A brake cylinder fills and releases as a first-order lag: 1 - e^-1 of a
// demand step one fill time after it, e^-1 of what it held one release time
// after the demand is gone. On a wheel that turns forwards above the brake's
// speed threshold the brake force is the applied force.
TEST_F(RealLinePhysicsTest, BrakeCylindersFillAndReleaseWithTheirTimeConstants) {
  Create("BRKCYL 1.5 1.0\nV0 20\n");
  const double demand = 20000.0;
  Run(1.5, demand);
  const double filled = demand * (1.0 - std::exp(-1.0));
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_NEAR(filled, kelvra.LineParts().BrkCyl.AppliedCommitted()[i], 1e-9 * demand);
    EXPECT_NEAR(filled, kelvra.BrakeForce()[i], 1e-9 * demand);
  }
  Run(1.0, 0.0);
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_NEAR(filled * std::exp(-1.0), kelvra.LineParts().BrkCyl.AppliedCommitted()[i],
                1e-9 * demand);
  }
}

// The shipped adhesion, mu = 0.1 at rest, carries a tread force of 9810 N per
// axle; on a patch of a fifth of it, 1962 N. A brake input of 10000 presses
// 0.5 x 10000 = 5000 N on each tread: the wheels roll ahead of the patch and
// slide on it, each as it reaches it. Running towards +x, wheel 4 (10.5 m
// ahead of the car's centre) leads, then 3 (8.5 m), 2 (-8.5 m) and 1.
TEST_F(RealLinePhysicsTest, ALowAdhesionPatchIsMetByEachAxleWhereItStands) {
  Create("ADHLEVEL 2\n100 0.2\n130 1\nV0 20\n");
  const double lim = kelvra.Dynamics().AxleRot.Lim();
  std::vector<int> slideOrder;
  std::vector<double> slidePlace(kAxles, 0.0);
  std::vector<bool> slid(kAxles, false);
  for (int k = 0; k < StepsOf(8.0); ++k) {
    ASSERT_TRUE(kelvra.DoStep(std::vector<double>(kAxles, 10000.0), 0.0));
    for (int i = 0; i < kAxles; ++i) {
      if (slid[i] || kelvra.VehicleSpeed()[i] - kelvra.WheelSpeed()[i] <= lim) continue;
      slid[i] = true;
      slideOrder.push_back(i + 1);
      slidePlace[i] = kelvra.LineParts().AdhLevel.AxlePlace(i, kelvra.Position()[i]);
    }
  }
  EXPECT_EQ((std::vector<int>{4, 3, 2, 1}), slideOrder);
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_GE(slidePlace[i], 100.0) << "axle " << i + 1;
    EXPECT_LT(slidePlace[i], 100.5) << "axle " << i + 1;
  }
}

}  // namespace
