// The vehicle's changing state as one value: a snapshot handed back makes the
// steps after it repeat bit for bit, and one that does not fit is refused.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"

namespace {

class VehicleStateTest : public ::testing::Test {
 protected:
  // The single mass whose adhesion changes 1 m down the track, to a law that
  // gives less, so that the track position matters as much as the speeds.
  void Create(Kelvra& kelvra, int axles) {
    SingleMassVehicle vehicle(axles, 0.005);
    std::string text = vehicle.ParameterText();
    const std::string dry = "0.3 0.5 5 100 2\n";
    text.replace(text.rfind(dry), dry.size(), "0.1 0.5 5 100 2\n");
    const std::string file = (folder.Path() / ("model" + std::to_string(axles) + ".in")).string();
    folder.Write(file.substr(file.rfind('/') + 1), text);
    std::ostringstream log;
    ASSERT_TRUE(vehicle.Create(kelvra, file, log)) << log.str();
  }

  testing_support::TempFolder folder;
};

void Traction(Kelvra& kelvra, int steps) {
  const std::vector<double> noBrake(2, 0.0);
  for (int k = 0; k < steps; ++k) ASSERT_TRUE(kelvra.DoStep(noBrake, 80000.0));
}

TEST_F(VehicleStateTest, ARestoredSnapshotRepeatsTheStepsAfterItExactly) {
  Kelvra kelvra;
  Create(kelvra, 2);
  Traction(kelvra, 40);  // 0.2 s, still on the first adhesion law
  const VehicleState saved = kelvra.Snapshot();
  ASSERT_LT(saved.position[0], 1.0);
  Traction(kelvra, 200);  // past the change of adhesion law
  const VehicleState first = kelvra.Snapshot();
  ASSERT_GT(first.position[0], 1.0);
  ASSERT_NE(saved, first);

  ASSERT_TRUE(kelvra.Restore(saved));
  EXPECT_EQ(saved, kelvra.Snapshot());
  Traction(kelvra, 200);
  EXPECT_EQ(first, kelvra.Snapshot());
}

TEST_F(VehicleStateTest, ASnapshotOfAnotherVehicleIsRefusedAndChangesNothing) {
  Kelvra twoAxles;
  Kelvra fourAxles;
  Create(twoAxles, 2);
  Create(fourAxles, 4);
  const VehicleState before = fourAxles.Snapshot();
  VehicleState pastTheTable = before;
  pastTheTable.adhesionSwitch = 2;  // the table has two entries
  for (const VehicleState& misfit : {twoAxles.Snapshot(), pastTheTable}) {
    EXPECT_FALSE(fourAxles.Restore(misfit));
    EXPECT_EQ(before, fourAxles.Snapshot());
  }
}

}  // namespace
