#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

using testing_support::TempFolder;

// Captures what `vehicle` reports on its console while it lives.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(Kelvra& vehicle) : captured(vehicle) { captured.SetConsole(text); }
  ~ConsoleCapture() { captured.SetConsole(std::cout); }
  std::string Text() const { return text.str(); }

 private:
  Kelvra& captured;
  std::ostringstream text;
};

class KelvraStepTest : public ::testing::Test {
 protected:
  void Create() {
    vehicle.BuildMatrices();
    folder.Write("model.in", vehicle.ParameterText());
    std::ostringstream log;
    ASSERT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();
  }

  // Steps for `seconds` with the same brake demand on every axle.
  void Run(double seconds, double brakeDemand, double traction) {
    const std::vector<double> brakes(vehicle.axles, brakeDemand);
    const int steps = static_cast<int>(std::lround(seconds / vehicle.dt));
    for (int k = 0; k < steps; ++k) ASSERT_TRUE(kelvra.DoStep(brakes, traction));
  }

  double Speed() const { return kelvra.LinearState()[0]; }

  SingleMassVehicle vehicle;
  TempFolder folder;
  Kelvra kelvra;
};

// Rolling wheels turn with the vehicle, so traction accelerates the vehicle mass
// and the wheels' reduced masses together: a = F / (M + sum m).
TEST_F(KelvraStepTest, TractionAcceleratesVehicleAndRollingWheels) {
  for (int iter : {0, 3}) {
    vehicle.iter = iter;
    Create();
    const double traction = 11000.0;
    const double a = traction / (vehicle.mass + vehicle.axles * vehicle.reducedMass);
    Run(1.0, 0.0, traction);
    const double v1 = Speed();
    Run(1.0, 0.0, traction);
    EXPECT_NEAR(a, Speed() - v1, 1e-9) << "ITER " << iter;
    // The wheels carry their share m a, which takes a small slip inside the band.
    const double adhesion = vehicle.reducedMass * a;
    const double slip = vehicle.lim * adhesion / (Mu(0.0167) * vehicle.axleLoad);
    for (int i = 0; i < vehicle.axles; ++i) {
      EXPECT_NEAR(adhesion, kelvra.AdhesionForce()[i], 1e-6) << "ITER " << iter;
      EXPECT_NEAR(slip, Speed() - kelvra.WheelSpeed()[i], 1e-6) << "ITER " << iter;
    }
    EXPECT_EQ(vehicle.axleLoad, kelvra.NormalForce()[0]);
  }
}

// Braking below the adhesion limit: the wheels keep rolling and the vehicle
// slows at sum(r B) / (M + sum m).
TEST_F(KelvraStepTest, BrakeBelowTheAdhesionLimitDeceleratesWithRollingWheels) {
  vehicle.initialState = {20.0, 0.0};
  Create();
  Run(3.0, 0.0, 0.0);  // the wheels spin up to the vehicle's speed
  ASSERT_NEAR(Speed(), kelvra.WheelSpeed()[0], 1e-6);

  const double demand = 2000.0;
  const double a = -vehicle.axles * vehicle.brakeRadius * vehicle.brakeGain * demand /
                   (vehicle.mass + vehicle.axles * vehicle.reducedMass);
  Run(1.0, demand, 0.0);
  const double v1 = Speed();
  Run(1.0, demand, 0.0);
  EXPECT_NEAR(a, Speed() - v1, 1e-9);
  // Each wheel passes A = m a + r B to the rail, with the slip this takes inside the band.
  const double adhesion = vehicle.reducedMass * a + vehicle.brakeRadius * demand;
  const double slip = Speed() - kelvra.WheelSpeed()[1];
  EXPECT_NEAR(vehicle.lim * adhesion / (Mu(slip) * vehicle.axleLoad), slip, 1e-6);
  EXPECT_EQ(demand * vehicle.brakeGain, kelvra.BrakeForce()[0]);
}

// Braking beyond the adhesion limit locks the wheels; the vehicle then slides on
// the sliding adhesion of the wheels: M v' = -sum mu(v - w) Q.
TEST_F(KelvraStepTest, BrakeAboveTheAdhesionLimitMakesTheWheelsSlide) {
  vehicle.initialState = {20.0, 0.0};
  Create();
  Run(3.0, 0.0, 0.0);
  Run(2.0, 30000.0, 0.0);
  const double v = Speed();
  const double w = kelvra.WheelSpeed()[0];
  EXPECT_GT(v, 10.0);
  EXPECT_LT(w, 0.02 * v);

  Run(vehicle.dt, 30000.0, 0.0);
  const double measured = (Speed() - v) / vehicle.dt;
  const double expected = -vehicle.axles * Mu(v - w) * vehicle.axleLoad / vehicle.mass;
  EXPECT_NEAR(expected, measured, 0.01 * std::fabs(expected));
}

TEST_F(KelvraStepTest, StandstillWithBrakesStaysAtRest) {
  Create();
  Run(1.0, 25000.0, 0.0);
  for (double x : kelvra.LinearState()) EXPECT_EQ(0.0, x);
  for (const std::vector<double>* perAxle :
       {&kelvra.WheelSpeed(), &kelvra.WheelTravel(), &kelvra.AdhesionForce(), &kelvra.BrakeForce(),
        &kelvra.VehicleSpeed()}) {
    for (double value : *perAxle) EXPECT_EQ(0.0, value);
  }
  for (double capacity : kelvra.AdhesionCapacity()) EXPECT_TRUE(std::isfinite(capacity));
}

TEST_F(KelvraStepTest, InitWritesTheFourHeaderLines) {
  vehicle.iter = 3;
  vehicle.subdiv = 10;
  vehicle.lim = 0.5;
  Create();
  EXPECT_EQ("DT = 0.005\nITER = 3\nSUBD = 10\nSGNT = 0.5\n", kelvra.ResultText());
  EXPECT_EQ(2, kelvra.AxleCount());
}

TEST_F(KelvraStepTest, InitAfterStepsRestoresTheStart) {
  vehicle.initialState = {1.0, 0.0};
  Create();
  kelvra.AppendResultText("STEF+SR+CD");
  Run(2.0, 0.0, 20000.0);
  ASSERT_GT(kelvra.LinearState()[1], vehicle.switchPosition);
  ASSERT_EQ(1u, kelvra.ContactModel().AdhesionGenerator().SwitchCursor());
  ASSERT_GT(kelvra.WheelSpeed()[0], 1.0);

  std::ostringstream log;
  ASSERT_TRUE(kelvra.Init(log));
  EXPECT_EQ(vehicle.initialState, kelvra.LinearState());
  EXPECT_EQ((std::vector<double>{0, 0}), kelvra.WheelSpeed());
  EXPECT_EQ((std::vector<double>{0, 0}), kelvra.WheelTravel());
  EXPECT_EQ(0u, kelvra.ContactModel().AdhesionGenerator().SwitchCursor());
  EXPECT_EQ("DT = 0.005\nITER = 3\nSUBD = 10\nSGNT = 0.5\n", kelvra.ResultText());

  // The same run again gives the same state.
  const double speedBefore = kelvra.LinearState()[0];
  Run(0.5, 0.0, 20000.0);
  const std::vector<double> again = kelvra.LinearState();
  ASSERT_TRUE(kelvra.Init(log));
  EXPECT_EQ(speedBefore, kelvra.LinearState()[0]);
  Run(0.5, 0.0, 20000.0);
  EXPECT_EQ(again, kelvra.LinearState());
}

TEST_F(KelvraStepTest, FailingPartIsReportedOnTheConsoleAndTheStepGoesOn) {
  vehicle.iter = 2;
  Create();
  ConsoleCapture console(kelvra);
  EXPECT_FALSE(kelvra.DoStep({0, 0, 0}, 11000.0));
  EXPECT_EQ(
      "\nBrkSys.DoStep() error in Kelvra\n\nBrkSys.DoStep() error in Kelvra\n"
      "\nBrkSys.DoStep() error in Kelvra\n",
      console.Text());
  EXPECT_GT(Speed(), 0.0);
  EXPECT_TRUE(kelvra.DoStep({0, 0}, 11000.0));
}

TEST_F(KelvraStepTest, RampMatrixThatFitsNoInputFailsEveryLinearStep) {
  vehicle.iter = 1;
  vehicle.BuildMatrices();
  vehicle.P1.FromRowMajor(2, std::vector<double>(4, 0.0));
  folder.Write("model.in", vehicle.ParameterText());
  std::ostringstream log;
  ASSERT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();
  ConsoleCapture console(kelvra);
  EXPECT_FALSE(kelvra.DoStep({0, 0}, 11000.0));
  EXPECT_EQ("\nMtrxVeh.DoStep() error in Kelvra\n\nMtrxVeh.DoStep() error in Kelvra\n",
            console.Text());
  // The constant part of the step was still made and committed.
  EXPECT_NEAR(11000.0 * vehicle.dt / vehicle.mass, Speed(), 1e-12);
}

TEST_F(KelvraStepTest, ChangedIntegratorSettingsApplyAfterInit) {
  Create();
  std::ostringstream log;
  EXPECT_FALSE(kelvra.ChangeAxleIntegratorPar(0, 1, 0.2, 0.0025, log));
  ASSERT_TRUE(kelvra.ChangeAxleIntegratorPar(17, 1, 0.2, 0.0025, log));
  EXPECT_NE(std::string::npos,
            log.str().find("\nTAxleIntegrator::ChangePar() successfully finished.\n"));
  ASSERT_TRUE(kelvra.Init(log));
  EXPECT_EQ("DT = 0.0025\nITER = 1\nSUBD = 17\nSGNT = 0.2\n", kelvra.ResultText());
}

TEST_F(KelvraStepTest, AssembledInputHoldsAdhesionBrakesAndNetTraction) {
  vehicle.quadraticResistance = 2.0;
  Create();
  TResistance resistance;
  std::istringstream parameters("RESIST 2 0 0 0 0 0 0");
  std::ostringstream log;
  ASSERT_TRUE(resistance.ReadPar(parameters, log));
  ASSERT_TRUE(resistance.Compute({10, 20}, {0, 0}, {0, 0}, {0, 0}));
  std::vector<double> input;
  AssembleInput(1000.0, resistance, {5, 6}, {0.8, -0.8}, {100, 200}, 7, input);
  EXPECT_EQ((std::vector<double>{5, 6, -100, 200, 1000 - 450, 0, 0}), input);
}

TEST_F(KelvraStepTest, ResultTextGoesToNamedAndCountedFiles) {
  Create();
  kelvra.AppendResultText("STEF+SR+CD");
  const std::string expected = "DT = 0.005\nITER = 3\nSUBD = 10\nSGNT = 0.5\nSTEF+SR+CD";
  ASSERT_TRUE(kelvra.WriteResultText((folder.Path() / "named.txt").string()));
  EXPECT_EQ(expected, folder.Read("named.txt"));
  EXPECT_FALSE(kelvra.WriteResultText((folder.Path() / "missing" / "named.txt").string()));

  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  std::string name;
  const bool withoutFolder = kelvra.WriteDefaultResultText(&name);
  std::filesystem::create_directory("results");
  const bool withFolder = kelvra.WriteDefaultResultText(&name);
  std::filesystem::current_path(previous);

  EXPECT_FALSE(withoutFolder);
  ASSERT_TRUE(withFolder);
  EXPECT_EQ(0u, name.rfind("results/_kelvra_result_", 0)) << name;
  EXPECT_EQ(".txt", name.substr(name.size() - 4));
  EXPECT_EQ(expected, folder.Read(name));
}

}  // namespace
