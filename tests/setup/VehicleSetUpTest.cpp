// The set-up from the model file to a ready vehicle: a change of the time step
// reaches everything made for it, copies stay apart, failures say why.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/ShippedVehicle.h"
#include "support/TestSupport.h"

namespace {

// The linear state after `steps` steps of full traction.
std::vector<double> StateAfterTraction(Kelvra& vehicle, int steps) {
  const std::vector<double> noBrake(4, 0.0);
  for (int k = 0; k < steps; ++k) vehicle.DoStep(noBrake, 80000.0);
  return vehicle.LinearState();
}

VehicleSetUp ShippedSetUp(double timeStep) {
  VehicleSetUp setUp;
  EXPECT_TRUE(setUp.Build(testing_support::ShippedModelFile(testing_support::DataDir()), timeStep))
      << setUp.Failure();
  return setUp;
}

// A vehicle whose time step was changed steps exactly as one built for that step:
// the step matrices, the linear model's and the axle integrator's steps all follow.
TEST(VehicleSetUpTest, AChangedTimeStepStepsLikeASetUpMadeForIt) {
  VehicleSetUp changed = ShippedSetUp(0.005);
  Kelvra changedVehicle;
  std::ostringstream log;
  ASSERT_TRUE(changed.CreateVehicle(changedVehicle, log)) << log.str();
  ASSERT_TRUE(changed.ChangeTimeStep(0.002, changedVehicle, log)) << log.str();
  EXPECT_EQ(0.002, changed.TimeStep());

  const VehicleSetUp direct = ShippedSetUp(0.002);
  Kelvra directVehicle;
  ASSERT_TRUE(direct.CreateVehicle(directVehicle, log)) << log.str();
  EXPECT_EQ(StateAfterTraction(directVehicle, 50), StateAfterTraction(changedVehicle, 50));
  EXPECT_EQ(directVehicle.WheelSpeed(), changedVehicle.WheelSpeed());
}

// What a parallel job needs: a copied set-up changed to another step leaves the
// original, and the vehicles made from it, as they were.
TEST(VehicleSetUpTest, ACopyChangesItsTimeStepWithoutTouchingTheOriginal) {
  const VehicleSetUp original = ShippedSetUp(0.005);
  VehicleSetUp copy = original;
  Kelvra copyVehicle;
  std::ostringstream log;
  ASSERT_TRUE(copy.ChangeTimeStep(0.001, copyVehicle, log)) << log.str();

  EXPECT_EQ(0.005, original.TimeStep());
  Kelvra fromOriginal;
  Kelvra fromFresh;
  ASSERT_TRUE(original.CreateVehicle(fromOriginal, log));
  const VehicleSetUp fresh = ShippedSetUp(0.005);
  ASSERT_TRUE(fresh.CreateVehicle(fromFresh, log));
  EXPECT_EQ(StateAfterTraction(fromFresh, 20), StateAfterTraction(fromOriginal, 20));
}

// Vehicle systems hold the model they were made from, not a copy of it: those
// of two time steps share the definition, and one made before a change keeps
// its own step matrices.
TEST(VehicleSetUpTest, VehiclesShareTheModelTheyWereMadeFrom) {
  VehicleSetUp setUp = ShippedSetUp(0.005);
  Kelvra before;
  Kelvra after;
  std::ostringstream log;
  ASSERT_TRUE(setUp.CreateVehicle(before, log)) << log.str();
  ASSERT_TRUE(setUp.ChangeTimeStep(0.002, after, log)) << log.str();
  EXPECT_EQ(&before.Model().Definition(), &after.Model().Definition());
  EXPECT_EQ(&setUp.Vehicle().Step(), &after.Model().Step());
  EXPECT_NE(&before.Model().Step(), &after.Model().Step());
  EXPECT_EQ(0.005, before.TimeStep());
  EXPECT_EQ(0.002, after.TimeStep());
}

// The parameter sections are read once, into the model: a model file edited
// while a batch runs cannot give its later sets other settings than those the
// set-up read and checked.
TEST(VehicleSetUpTest, ANewTimeStepKeepsTheSectionsTheSetUpRead) {
  const std::string shipped =
      testing_support::ReadFile(testing_support::ShippedModelFile(testing_support::DataDir()));
  testing_support::TempFolder folder;
  folder.Write("model.in", shipped);
  VehicleSetUp setUp;
  ASSERT_TRUE(setUp.Build((folder.Path() / "model.in").string(), 0.005)) << setUp.Failure();
  std::string edited = shipped;
  edited.replace(edited.find("ITER 3"), 6, "ITER 7");
  folder.Write("model.in", edited);
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(setUp.ChangeTimeStep(0.002, kelvra, log)) << log.str();
  EXPECT_EQ(3, kelvra.Dynamics().AxleRot.Iter());
}

TEST(VehicleSetUpTest, FailuresNameTheirReason) {
  struct Case {
    const char* name;
    std::string modelText;  // empty: no file at all
    double timeStep;
    const char* reason;
  };
  const std::string shipped =
      testing_support::ReadFile(testing_support::ShippedModelFile(testing_support::DataDir()));
  const std::string withoutY0 = shipped.substr(0, shipped.find("Y0"));
  const std::vector<Case> cases = {
      {"missing file", "", 0.005, "File not exists!"},
      {"no Y0", withoutY0, 0.005, "Keyword Y0 not found after DT"},
      {"time step not positive", shipped, -0.005, "preparation failed:"},
  };
  for (const Case& c : cases) {
    testing_support::TempFolder folder;
    if (!c.modelText.empty()) folder.Write("model.in", c.modelText);
    VehicleSetUp setUp;
    EXPECT_FALSE(setUp.Build((folder.Path() / "model.in").string(), c.timeStep)) << c.name;
    EXPECT_NE(std::string::npos, setUp.Failure().find(c.reason))
        << c.name << ": " << setUp.Failure();
  }
}

}  // namespace
