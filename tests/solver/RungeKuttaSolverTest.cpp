#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

#include "ValidatorFixture.h"
#include "solver/RungeKuttaSolver.h"

namespace {

const std::string kHeader = "DT = 0.0005\nITER = 0\nSUBD = 0\nSGNT = 0.05\nRK\n";

// Start, then steps until a negative status, as the validator run drives it.
int RunToEnd(RungeKuttaSolver& solver) {
  int status = solver.Start();
  while (status == 0) status = solver.Step();
  return status;
}

struct RestInputs {
  double brake;
  double traction;
};

void PrintTo(const RestInputs& inputs, std::ostream* out) {
  *out << "brake=" << inputs.brake << ",traction=" << inputs.traction;
}

std::string RestInputsName(const ::testing::TestParamInfo<RestInputs>& info) {
  const char* names[] = {"NoInputs", "Brake", "NegativeBrake"};
  return names[info.index];
}

class ValidatorAtRestTest : public ValidatorFilesTest,
                            public ::testing::WithParamInterface<RestInputs> {};

// Without traction nothing moves, and a brake cannot push a wheel at rest.
TEST_P(ValidatorAtRestTest, StateStaysZeroAndEveryForceIsZero) {
  ValidatorTrainModel model(0.0005);
  model.SetForceHistory(ConstantHistory(21, GetParam().brake, GetParam().traction), 0.005);
  WriteFilesOf(model);
  RungeKuttaSolver solver(model);
  EXPECT_EQ(-1, RunToEnd(solver));

  EXPECT_GT(solver.StepCount(), 150);
  for (int i = 0; i < kValidatorStateSize; ++i) EXPECT_EQ(0.0, solver.State()[i]) << i;
  const auto lines = ForceLines();
  ASSERT_EQ(static_cast<size_t>(4 * solver.StepCount() + 1), lines.size());
  for (const std::string& line : lines) ASSERT_EQ("0\t0\t0\t0\t0\t0\t0\t0", line);
}

INSTANTIATE_TEST_SUITE_P(Inputs, ValidatorAtRestTest,
                         ::testing::Values(RestInputs{0.0, 0.0}, RestInputs{25000.0, 0.0},
                                           RestInputs{-25000.0, 0.0}),
                         RestInputsName);

class RungeKuttaSolverTest : public ValidatorFilesTest {};

// The run ends at the first step whose opening slope reads row 100; the time is a
// running sum of the step, so the count follows that sum, not 0.5 / 0.0005.
TEST_F(RungeKuttaSolverTest, RunsUntilTheLastHistoryRow) {
  int expectedSteps = 0;
  double t = 0.0;
  while (expectedSteps == 0 || std::trunc(t / 0.005) < 100) {
    t += 0.0005;
    ++expectedSteps;
  }
  ASSERT_NEAR(1000, expectedSteps, 1);

  ValidatorTrainModel model(0.0005);
  model.SetForceHistory(ConstantHistory(101, 3000.0, 20000.0), 0.005);
  WriteFilesOf(model);
  RungeKuttaSolver solver(model);
  // The header is on disk as soon as the run starts: a run killed midway keeps it.
  int status = solver.Start();
  EXPECT_EQ(kHeader, ResultText());
  while (status == 0) status = solver.Step();
  EXPECT_EQ(-1, status);

  EXPECT_EQ(expectedSteps, solver.StepCount());
  EXPECT_EQ(t, solver.Time());
  // One line from Start, three from the first step, four from each later one and
  // one from the slope that ended the run.
  EXPECT_EQ(static_cast<size_t>(1 + 3 + 4 * (expectedSteps - 1) + 1), ForceLines().size());
  EXPECT_EQ(kHeader, ResultText());
}

TEST_F(RungeKuttaSolverTest, SingleRowHistoryEndsAtStart) {
  ValidatorTrainModel model(0.0005);
  model.SetForceHistory(ConstantHistory(1, 0.0, 20000.0), 0.005);
  WriteFilesOf(model);
  RungeKuttaSolver solver(model);
  EXPECT_EQ(-1, solver.Start());
  EXPECT_EQ(0, solver.StepCount());
  EXPECT_EQ(0.0, solver.Time());
  EXPECT_EQ(kHeader, ResultText());
  ASSERT_EQ(1u, ForceLines().size());
  EXPECT_EQ("0\t0\t0\t0\t0\t0\t0\t0", ForceLines()[0]);
}

TEST_F(RungeKuttaSolverTest, RefusedHistoryRunsNothing) {
  ValidatorTrainModel model(0.0005);
  model.SetForceHistory(Matrix(), 0.005);
  WriteFilesOf(model);
  RungeKuttaSolver solver(model);
  EXPECT_EQ(-1, solver.Start());
  EXPECT_EQ(-1, solver.Step());
  EXPECT_EQ(0, solver.StepCount());
  files.Flush();
  EXPECT_EQ("", ResultText());
  EXPECT_EQ("", folder.Read(kForceFile));
}

// Files that could not be opened take no writes; the run goes on without them.
TEST_F(RungeKuttaSolverTest, RunsWithoutItsFiles) {
  EXPECT_FALSE(files.OpenResultFile((folder.Path() / "missing" / kResultFile).string()));
  EXPECT_FALSE(files.OpenForceFile((folder.Path() / "missing" / kForceFile).string()));
  ValidatorTrainModel model(0.0005);
  model.SetForceHistory(ConstantHistory(3, 0.0, 20000.0), 0.005);
  model.WriteTo(files);
  RungeKuttaSolver solver(model);
  EXPECT_EQ(-1, RunToEnd(solver));
  EXPECT_EQ(0, files.ResultFileError());
  EXPECT_EQ(0, files.ForceFileError());
  EXPECT_GT(solver.State()[0], 0.0);
}

// Each run writes the files it opened: two runs side by side in one process
// keep their lines apart.
TEST_F(RungeKuttaSolverTest, RunsOfOneProcessWriteTheirOwnFiles) {
  ValidatorTrainModel first(0.0005);
  first.SetForceHistory(ConstantHistory(2, 0.0, 0.0), 0.005);
  WriteFilesOf(first);
  testing_support::TempFolder otherFolder;
  ValidatorFiles otherFiles;
  ASSERT_TRUE(otherFiles.OpenForceFile((otherFolder.Path() / kForceFile).string()));
  ValidatorTrainModel second(0.0005);
  second.SetForceHistory(ConstantHistory(3, 0.0, 0.0), 0.005);
  second.WriteTo(otherFiles);
  RungeKuttaSolver firstSolver(first);
  RungeKuttaSolver secondSolver(second);
  EXPECT_EQ(-1, RunToEnd(firstSolver));
  EXPECT_EQ(-1, RunToEnd(secondSolver));
  EXPECT_EQ(static_cast<size_t>(4 * firstSolver.StepCount() + 1), ForceLines().size());
  const std::string otherLines = otherFolder.Read(kForceFile);
  EXPECT_EQ(4 * secondSolver.StepCount() + 1,
            std::count(otherLines.begin(), otherLines.end(), '\n'));
}

// Constant traction, no brakes: the whole vehicle (car 31000, bogies 6000,
// wheelsets 4000, wheel rotation 4 x 500 kg) gains momentum at T, and once the
// suspension has settled every part accelerates at T / 43000. The wheels roll with
// the slip s whose adhesion force turns them, 500 T / 43000 = (s / 0.05) N mu, with
// N about the static load and mu about 0.1; the momentum T t = 43000 v - 4 * 500 s
// then gives the common speed v.
TEST_F(RungeKuttaSolverTest, ConstantTractionAcceleratesTheWholeVehicle) {
  const double traction = 20000.0;
  const double acceleration = traction / 43000.0;
  const double slip = 500.0 * acceleration * 0.05 / (98100.0 * 0.1);
  ValidatorTrainModel model(0.0005);
  model.SetForceHistory(ConstantHistory(402, 0.0, traction), 0.005);
  RungeKuttaSolver solver(model);
  ASSERT_EQ(0, solver.Start());

  while (solver.Time() < 1.9 - 1e-9) ASSERT_EQ(0, solver.Step());
  const double carSpeedBefore = solver.State()[0];
  const double timeBefore = solver.Time();
  while (solver.Time() < 2.0 - 1e-9) ASSERT_EQ(0, solver.Step());

  const ValidatorState& x = solver.State();
  const double t = solver.Time();
  const double momentum = 31000.0 * x[0] + 3000.0 * (x[3] + x[6]) +
                          1000.0 * (x[9] + x[10] + x[11] + x[12]) +
                          500.0 * (x[13] + x[14] + x[15] + x[16]);
  EXPECT_NEAR(traction * t, momentum, 1e-9 * traction * t);
  EXPECT_NEAR(acceleration, (x[0] - carSpeedBefore) / (t - timeBefore), 1e-4 * acceleration);

  const double speed = (traction * t + 2000.0 * slip) / 43000.0;
  const int bodies[] = {0, 3, 6, 9, 10, 11, 12};
  for (int dof : bodies) EXPECT_NEAR(speed, x[dof], 1e-5 * speed) << dof;
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(speed - slip, x[13 + k], 1e-5 * speed) << k;
    EXPECT_NEAR(slip, x[9 + k] - x[13 + k], 0.01 * slip) << k;
  }
}

// The classical Runge-Kutta method is fourth order: halving the step divides the
// error by about 16, which the differences of successive halvings show.
TEST_F(RungeKuttaSolverTest, ErrorShrinksWithTheFourthPowerOfTheStep) {
  const double duration = 0.1;
  ValidatorState results[3];
  for (int level = 0; level < 3; ++level) {
    const double h = 0.002 / (1 << level);
    ValidatorTrainModel model(h);
    model.SetForceHistory(ConstantHistory(100, 0.0, 50000.0), 0.005);
    RungeKuttaSolver solver(model);
    ASSERT_EQ(0, solver.Start());
    const int steps = static_cast<int>(std::lround(duration / h));
    for (int s = 0; s < steps; ++s) ASSERT_EQ(0, solver.Step());
    results[level] = solver.State();
  }
  double coarse = 0.0;
  double fine = 0.0;
  for (int i = 0; i < kValidatorStateSize; ++i) {
    coarse += std::abs(results[0][i] - results[1][i]);
    fine += std::abs(results[1][i] - results[2][i]);
  }
  ASSERT_GT(fine, 0.0);
  EXPECT_NEAR(16.0, coarse / fine, 3.0);
}

}  // namespace
