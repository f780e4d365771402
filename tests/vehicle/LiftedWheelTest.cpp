// A wheel whose normal force falls to 0 or below has lifted off the rail: it
// transmits no adhesion (the rail cannot pull it), and the vehicle counts its
// lifted steps instead of reporting every pass.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "setup/VehicleSetUp.h"
#include "support/ChangedVehicles.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

constexpr double kTimeStep = 0.005;
constexpr int kAxles = 4;

// The shipped vehicle with ten times the brake gain: the full brake input of
// 25000 presses 250 kN per axle between wheelset and bogie, whose couple
// -(B1 + B2) 0.77 pitches each bogie until the wheel under its -x end lifts.
// The brake's standstill band of 5 m/s keeps the brake itself integrable.
TEST(LiftedWheelTest, TransmitsNoAdhesionAndIsCountedOncePerWheel) {
  const std::string model = testing_support::ShippedModelEdited({{"BRKSYS 1 0.05", "BRKSYS 10 5"}});
  ASSERT_FALSE(model.empty());
  testing_support::TempFolder folder;
  folder.Write("model.in", model);
  VehicleSetUp setUp;
  ASSERT_TRUE(setUp.Build((folder.Path() / "model.in").string(), kTimeStep)) << setUp.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(setUp.CreateVehicle(kelvra, log)) << log.str();
  std::ostringstream console;
  kelvra.SetConsole(console);

  const auto run = [&kelvra](double seconds, double brake, double traction) {
    for (int k = 0; k < static_cast<int>(seconds / kTimeStep + 0.5); ++k) {
      kelvra.DoStep(std::vector<double>(kAxles, brake), traction);
    }
  };
  run(6.0, 0.0, 100000.0);
  run(4.0, 0.0, 0.0);
  std::vector<Kelvra::WheelLift> lifted(kAxles);
  const std::vector<double> fullBrake(kAxles, 25000.0);
  for (int k = 1; k <= static_cast<int>(3.0 / kTimeStep); ++k) {
    ASSERT_TRUE(kelvra.DoStep(fullBrake, 0.0));
    const double time = 10.0 + k * kTimeStep;
    for (int i = 0; i < kAxles; ++i) {
      // The vehicle runs forwards, its wheels braked: the rail can only hold
      // a wheel back, never pull it round backwards.
      EXPECT_GE(kelvra.AdhesionCapacity()[i], 0.0) << "axle " << i + 1 << " at " << time;
      EXPECT_GE(kelvra.MeanAdhesionForce()[i], 0.0) << "axle " << i + 1 << " at " << time;
      if (kelvra.NormalForce()[i] > 0.0) continue;
      if (lifted[i].steps++ == 0) lifted[i].firstTime = time;
    }
  }
  ASSERT_GT(lifted[0].steps, 0) << "the leading wheel of the first bogie must lift";
  std::string expected;
  for (int i = 0; i < kAxles; ++i) {
    EXPECT_EQ(lifted[i].steps, kelvra.Lifts()[i].steps) << "axle " << i + 1;
    EXPECT_NEAR(lifted[i].firstTime, kelvra.Lifts()[i].firstTime, 1e-9) << "axle " << i + 1;
    if (lifted[i].steps == 0) continue;
    std::ostringstream line;
    line << "Warning - wheel " << i + 1
         << " lifted off the rail: its normal force was 0 or below at the end of "
         << lifted[i].steps << " steps, the first at t = " << lifted[i].firstTime
         << " s. A lifted wheel transmits no adhesion.\n";
    expected += line.str();
  }
  EXPECT_EQ(expected, kelvra.LiftReport());
  EXPECT_EQ("", console.str()) << "nothing is reported pass by pass";
}

}  // namespace
