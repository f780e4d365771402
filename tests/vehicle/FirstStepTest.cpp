// The first step starts from the outputs of the initial state, as every later
// step starts from those of the state before it: its wheels carry their static
// load, and a wheel that slides from the start transmits mu(slip) N.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "support/ChangedVehicles.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

using testing_support::SourceDir;
using testing_support::TempFolder;

constexpr double kTimeStep = 0.005;

bool CreateFrom(const std::string& modelFile, VehicleSetUp& setUp, Kelvra& kelvra,
                std::string& failure) {
  std::ostringstream log;
  if (!setUp.Build(modelFile, kTimeStep)) {
    failure = setUp.Failure();
    return false;
  }
  if (!setUp.CreateVehicle(kelvra, log)) {
    failure = log.str();
    return false;
  }
  return true;
}

// At rest and under a traction step from rest, the first step's normal force is
// the middle of its ramp from the static load: the static load, to within what
// one step of traction pitches the vehicle (far below 1 N).
TEST(FirstStepTest, NormalForceOfTheFirstStepIsTheStaticLoad) {
  struct Case {
    const char* name;
    std::string modelFile;
    double staticLoad;  // N, as the model file's WHEEL lines give it
    double traction;    // N, over the first step
  };
  const std::string examples = (SourceDir() / "docs" / "examples").string();
  const Case cases[] = {
      {"shipped vehicle at rest", testing_support::ShippedModelFile(testing_support::DataDir()),
       98100.0, 0.0},
      {"shipped vehicle, full traction",
       testing_support::ShippedModelFile(testing_support::DataDir()), 98100.0, 100000.0},
      {"two-axle wagon, 20 kN", examples + "/two_axle_wagon.in", 100062.0, 20000.0},
      {"four-axle coach, 20 kN", examples + "/four_axle_coach.in", 105948.0, 20000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VehicleSetUp setUp;
    Kelvra kelvra;
    std::string failure;
    ASSERT_TRUE(CreateFrom(c.modelFile, setUp, kelvra, failure)) << failure;
    const std::vector<double> noBrake(static_cast<std::size_t>(kelvra.AxleCount()), 0.0);
    ASSERT_TRUE(kelvra.DoStep(noBrake, c.traction));
    for (double normalForce : kelvra.MeanNormalForce()) {
      EXPECT_NEAR(c.staticLoad, normalForce, c.traction == 0.0 ? 0.0 : 1.0);
    }
  }
}

// The shipped vehicle started at 10 m/s (every X freedom), its wheels at rest:
// every wheel slides from the first step, and the adhesion force over that
// step is mu(slip) times the static load, with
// mu(s) = 0.1 (0.2 + 0.8 e^(-|s| / 5)). Within the step the wheel speeds up by
// about mu N dt / m = 0.03 m/s, which changes mu by under 0.2 %.
TEST(FirstStepTest, WheelSlidingFromTheStartTransmitsMuTimesItsLoad) {
  const double speed = 10.0;
  const std::string model = testing_support::ShippedModelEdited(
      {{"Y0 26\n0 0 0 0 0 0 0 0 0 0 0 0 0\n", "Y0 26\n10 0 0 10 0 0 10 0 0 10 10 10 10\n"}});
  ASSERT_FALSE(model.empty());
  TempFolder folder;
  folder.Write("model.in", model);
  VehicleSetUp setUp;
  Kelvra kelvra;
  std::string failure;
  ASSERT_TRUE(CreateFrom((folder.Path() / "model.in").string(), setUp, kelvra, failure)) << failure;
  ASSERT_TRUE(kelvra.DoStep(std::vector<double>(4, 0.0), 0.0));
  const double mu = 0.1 * (0.2 + 0.8 * std::exp(-speed / 5.0));
  for (double adhesion : kelvra.MeanAdhesionForce()) {
    EXPECT_NEAR(mu * 98100.0, adhesion, 0.002 * mu * 98100.0);
  }
}

}  // namespace
