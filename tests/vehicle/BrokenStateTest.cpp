// A state that stops being finite must stop the vehicle system at once, say
// which quantity broke at which step, and never pass for a result.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "support/ShippedVehicle.h"
#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

TEST(BrokenStateTest, NonFiniteInputStopsTheVehicleSystemUntilInit) {
  VehicleSetUp shipped;
  ASSERT_TRUE(shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), 0.005))
      << shipped.Failure();
  std::ostringstream console;
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(shipped.CreateVehicle(kelvra, log)) << log.str();
  const std::vector<double> noBrake(4, 0.0);

  kelvra.SetConsole(console);
  EXPECT_TRUE(kelvra.DoStep(noBrake, 1000.0));
  EXPECT_TRUE(kelvra.DoStep(noBrake, 1000.0));
  EXPECT_FALSE(kelvra.DoStep(noBrake, std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(kelvra.StateBroken());
  const std::vector<double> stateAtBreak = kelvra.LinearState();
  EXPECT_FALSE(kelvra.DoStep(noBrake, 1000.0));
  const std::string out = console.str();

  // Infinite traction makes the car's speed infinite and, through the products
  // with zero entries of the step matrices, NaN: the first entry is named.
  EXPECT_EQ(
      "\nError - The vehicle state is not finite after step 3 (t = 0.015 s): linear state "
      "Car_X_VELO is NaN. The simulation stops.\n",
      out);
  for (std::size_t i = 0; i < stateAtBreak.size(); ++i) {
    const double before = stateAtBreak[i];
    const double after = kelvra.LinearState()[i];
    EXPECT_TRUE(before == after || (std::isnan(before) && std::isnan(after)))
        << "a refused step changed entry " << i;
  }

  kelvra.Init(log);
  EXPECT_FALSE(kelvra.StateBroken());
  console.str("");
  EXPECT_TRUE(kelvra.DoStep(noBrake, 1000.0));
  EXPECT_EQ("", console.str());
}

// The hand-made vehicle's state has no names.
TEST(BrokenStateTest, AnUnnamedEntryIsNamedByItsPosition) {
  testing_support::TempFolder folder;
  const SingleMassVehicle vehicle;
  folder.Write("model.in", vehicle.ParameterText());
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();
  std::ostringstream console;
  kelvra.SetConsole(console);
  const std::vector<double> noBrake(2, 0.0);
  EXPECT_FALSE(kelvra.DoStep(noBrake, std::numeric_limits<double>::quiet_NaN()));
  EXPECT_NE(std::string::npos,
            console.str().find("after step 1 (t = 0.005 s): linear state entry 0 is NaN"))
      << console.str();
}

// Inputs the fuzzer found: parameters that pass the reading yet make no sense
// are refused when read, or end in a reported broken state; a step never fails
// without saying why. (The program's set-up refuses an adhesion coefficient
// of billions for its stability figure; stepped all the same, its wheels
// cannot be integrated stably.)
TEST(BrokenStateTest, FuzzedParametersAreRefusedOrEndInAReportedBrokenState) {
  struct Case {
    const char* file;
    bool created;
    const char* message;  // in the log when refused, on the console when stepped
  };
  const Case cases[] = {
      {"huge_adhesion_coefficient.in", true,
       "\nError - The wheel integration of axle 1 is "
       "unstable in step 1 (t = 0.005 s)"},
      {"tiny_slip_band.in", false, "\nError - LIM 4.94066e-324 must be at least 2.22507e-308"},
  };
  const SingleMassVehicle vehicle(4, 0.005);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::ostringstream console;
    Kelvra kelvra;
    std::ostringstream log;
    const auto file = testing_support::SourceDir() / "fuzz" / "corpus" / "vehicle" / c.file;
    ASSERT_EQ(c.created, vehicle.Create(kelvra, file.string(), log)) << log.str();
    if (!c.created) {
      EXPECT_NE(std::string::npos, log.str().find(c.message)) << log.str();
      continue;
    }
    kelvra.SetConsole(console);
    for (int k = 0; k < 8 && !kelvra.StateBroken(); ++k) {
      const bool stepped =
          kelvra.DoStep(std::vector<double>(4, k < 4 ? 0.0 : 25000.0), k < 4 ? 100000.0 : 0.0);
      EXPECT_EQ(stepped, !kelvra.StateBroken()) << "step " << k + 1;
    }
    const std::string out = console.str();
    EXPECT_TRUE(kelvra.StateBroken());
    EXPECT_NE(std::string::npos, out.find(c.message)) << out;
  }
}

}  // namespace
