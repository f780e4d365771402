// docs/examples/four_axle_coach.in: a coach whose car swings against its
// bogies on soft longitudinal secondary springs, at the frequency and about
// the deflection its comment works out.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

std::size_t StateIndex(const VehicleModel& model, const std::string& name) {
  const std::vector<std::string>& names = model.Definition().stateNames;
  const auto at = std::find(names.begin(), names.end(), name);
  EXPECT_NE(names.end(), at) << name;
  return static_cast<std::size_t>(at - names.begin());
}

// Under a 20 kN traction step with rolling wheels, the car (32000 kg) pulls
// the rest of the vehicle (bogie frames, wheelsets and the wheels' reduced
// masses, 14000 kg) through the two secondary springs, k = 2 x 2.77e5 N/m:
// the rest follows at F / 46000 with the springs deflected by
//   d = F 14000 / (46000 k) = 11.0 mm,
// about which the car swings at sqrt(k (1/32000 + 1/14000)) = 1.20 Hz, less
// the little its dampers take off (1.185 Hz with sigma = 1.2 per second).
TEST(ExampleCoachTest, CarSwingsAgainstItsBogiesAsTheClosedFormSays) {
  VehicleSetUp setUp;
  ASSERT_TRUE(setUp.Build(
      (testing_support::SourceDir() / "docs" / "examples" / "four_axle_coach.in").string(), 0.005))
      << setUp.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(setUp.CreateVehicle(kelvra, log)) << log.str();
  const std::size_t car = StateIndex(setUp.Vehicle(), "Car_X_DISP");
  const std::size_t bogie = StateIndex(setUp.Vehicle(), "Bogie1_X_DISP");

  const double traction = 20000.0;
  const double k = 2 * 2.77e5;
  const double deflection = traction * 14000.0 / (46000.0 * k);
  const double frequency = std::sqrt(k * (1.0 / 32000.0 + 1.0 / 14000.0)) / (2 * std::numbers::pi);
  std::vector<double> crossings;
  double before = -deflection;
  for (int step = 1; step <= 2000; ++step) {
    ASSERT_TRUE(kelvra.DoStep({0, 0, 0, 0}, traction));
    const double swing = kelvra.LinearState()[car] - kelvra.LinearState()[bogie] - deflection;
    if (swing * before < 0.0) crossings.push_back(step * 0.005);
    before = swing;
  }
  EXPECT_NEAR(deflection, kelvra.LinearState()[car] - kelvra.LinearState()[bogie],
              0.01 * deflection);
  ASSERT_GE(crossings.size(), 6u);
  const double period = (crossings[5] - crossings[1]) / 2.0;
  EXPECT_NEAR(frequency, 1.0 / period, 0.03 * frequency);
  for (double wheel : kelvra.WheelSpeed()) EXPECT_NEAR(kelvra.VehicleSpeed()[0], wheel, 0.05);
}

}  // namespace
