// A state that stops being finite must stop the vehicle system at once, say
// which quantity broke at which step, and never pass for a result.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

using testing_support::ShippedVehicle;

TEST(BrokenStateTest, NonFiniteInputStopsTheVehicleSystemUntilInit) {
  ShippedVehicle shipped;
  ASSERT_TRUE(shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), 0.005))
      << shipped.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(shipped.CreateKelvra(kelvra, log)) << log.str();
  kelvra.SetStateNames({"Car_X_VELO"});
  const std::vector<double> noBrake(4, 0.0);

  testing::internal::CaptureStdout();
  EXPECT_TRUE(kelvra.DoStep(noBrake, 1000.0));
  EXPECT_TRUE(kelvra.DoStep(noBrake, 1000.0));
  EXPECT_FALSE(kelvra.DoStep(noBrake, std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(kelvra.StateBroken());
  const std::vector<double> stateAtBreak = kelvra.LinearState();
  EXPECT_FALSE(kelvra.DoStep(noBrake, 1000.0));
  const std::string out = testing::internal::GetCapturedStdout();

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
  testing::internal::CaptureStdout();
  EXPECT_TRUE(kelvra.DoStep(noBrake, 1000.0));
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

TEST(BrokenStateTest, AnUnnamedEntryIsNamedByItsPosition) {
  ShippedVehicle shipped;
  ASSERT_TRUE(shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), 0.005));
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(shipped.CreateKelvra(kelvra, log));
  const std::vector<double> nanBrake(4, std::numeric_limits<double>::quiet_NaN());
  testing::internal::CaptureStdout();
  EXPECT_FALSE(kelvra.DoStep(nanBrake, 0.0));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(std::string::npos, out.find("after step 1 (t = 0.005 s): linear state entry ")) << out;
}

}  // namespace
