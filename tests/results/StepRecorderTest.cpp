// The time series of the shipped vehicle run in-process: every recorded number
// must read back as exactly the committed value the vehicle system holds after
// its step.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "results/StepRecorder.h"
#include "support/ShippedVehicle.h"
#include "support/SingleMassVehicle.h"
#include "support/TestSupport.h"
#include "vehicle/Kelvra.h"

namespace {

using testing_support::TempFolder;

constexpr double kTimeStep = 0.005;
constexpr int kAxles = 4;

std::vector<double> ParseRow(const std::string& line) {
  std::vector<double> row;
  std::istringstream cells(line);
  std::string cell;
  while (std::getline(cells, cell, ',')) {
    char* end = nullptr;
    row.push_back(std::strtod(cell.c_str(), &end));
    EXPECT_EQ('\0', *end) << "'" << cell << "' is no number";
  }
  return row;
}

// The row the recorder must write: time, traction, then per axle brake input,
// vehicle speed, wheel speed, slip, adhesion, normal and brake force (the means
// over the step), position.
std::vector<double> ExpectedRow(double time, double traction, const std::vector<double>& brake,
                                const Kelvra& kelvra) {
  std::vector<double> row = {time, traction};
  for (int i = 0; i < kAxles; ++i) {
    const double v = kelvra.VehicleSpeed()[i];
    const double w = kelvra.WheelSpeed()[i];
    const std::vector<double> axle = {brake[i],
                                      v,
                                      w,
                                      v - w,
                                      kelvra.MeanAdhesionForce()[i],
                                      kelvra.MeanNormalForce()[i],
                                      kelvra.MeanBrakeForce()[i],
                                      kelvra.Position()[i]};
    row.insert(row.end(), axle.begin(), axle.end());
  }
  return row;
}

TEST(StepRecorderTest, HeaderNamesEveryAxlesColumns) {
  std::string header;
  for (const std::string& name : StepRecorder::ColumnNames(2)) header += name + ",";
  EXPECT_EQ(
      "time,traction,"
      "brake_1,vehicle_speed_1,wheel_speed_1,slip_1,adhesion_force_1,normal_force_1,"
      "brake_force_1,position_1,"
      "brake_2,vehicle_speed_2,wheel_speed_2,slip_2,adhesion_force_2,normal_force_2,"
      "brake_force_2,position_2,",
      header);
}

// Traction, then an uneven brake that makes the leading wheels slide: rows with
// rolling and sliding wheels, zero and non-zero inputs.
TEST(StepRecorderTest, RowsHoldTheCommittedValuesExactly) {
  VehicleSetUp shipped;
  ASSERT_TRUE(
      shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), kTimeStep))
      << shipped.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(shipped.CreateVehicle(kelvra, log)) << log.str();

  TempFolder folder;
  StepRecorder recorder;
  ASSERT_TRUE(recorder.Open((folder.Path() / "run.csv").string(), kAxles));
  std::vector<std::vector<double>> expected;
  const std::vector<double> none(kAxles, 0.0);
  recorder.RecordInitial(kelvra);
  // At rest the wheels carry their static loads.
  std::vector<double> initial = {0.0, 0.0};
  for (int i = 0; i < kAxles; ++i) {
    const std::vector<double> axle = {0, 0, 0, 0, 0, 98100, 0, 0};
    initial.insert(initial.end(), axle.begin(), axle.end());
  }
  expected.push_back(initial);

  const int steps = 1200;
  for (int k = 0; k < steps; ++k) {
    const bool braking = k >= 800;
    const double traction = braking ? 0.0 : 100000.0;
    const std::vector<double> brake =
        braking ? std::vector<double>{25000, 12000, 25000, 12000} : none;
    ASSERT_TRUE(kelvra.DoStep(brake, traction));
    const double time = (k + 1) * kTimeStep;
    recorder.Record(time, brake, traction, kelvra);
    expected.push_back(ExpectedRow(time, traction, brake, kelvra));
  }
  ASSERT_TRUE(recorder.Close());

  std::istringstream lines(folder.Read("run.csv"));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(2 + 8 * kAxles - 1, std::count(line.begin(), line.end(), ','));
  std::size_t r = 0;
  for (; std::getline(lines, line); ++r) {
    ASSERT_LT(r, expected.size());
    ASSERT_EQ(expected[r], ParseRow(line)) << "row " << r << ": " << line;
  }
  EXPECT_EQ(static_cast<std::size_t>(steps + 1), r);
  // The brake made the two fully braked wheels slide and left the others rolling.
  const std::vector<double>& last = expected.back();
  EXPECT_GT(last[2 + 3], 1.0);              // slip of axle 1
  EXPECT_LT(std::abs(last[10 + 3]), 0.05);  // slip of axle 2
}

// The first row is the vehicle's initial state: the linear state of Y0 with its
// outputs, the wheels at rest. The next step carries on from there.
TEST(StepRecorderTest, InitialRowIsTheStateTheVehicleStartsFrom) {
  SingleMassVehicle vehicle;
  vehicle.initialState = {2.0, 5.0};  // 2 m/s, 5 m along the track
  TempFolder folder;
  folder.Write("model.in", vehicle.ParameterText());
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(vehicle.Create(kelvra, (folder.Path() / "model.in").string(), log)) << log.str();
  StepRecorder recorder;
  ASSERT_TRUE(recorder.Open((folder.Path() / "run.csv").string(), vehicle.axles));
  recorder.RecordInitial(kelvra);
  ASSERT_TRUE(kelvra.DoStep({0.0, 0.0}, 0.0));
  recorder.Record(kTimeStep, {0.0, 0.0}, 0.0, kelvra);
  ASSERT_TRUE(recorder.Close());

  std::istringstream lines(folder.Read("run.csv"));
  std::string line;
  std::getline(lines, line);
  std::getline(lines, line);
  const std::vector<double> axle = {0, 2, 0, 2, 0, vehicle.axleLoad, 0, 5};
  std::vector<double> expected = {0, 0};
  for (int i = 0; i < vehicle.axles; ++i) expected.insert(expected.end(), axle.begin(), axle.end());
  EXPECT_EQ(expected, ParseRow(line));
  std::getline(lines, line);
  const std::vector<double> next = ParseRow(line);
  EXPECT_NEAR(2.0, next[3], 0.01);                    // the sliding wheels brake it a little
  EXPECT_NEAR(5.0 + 2.0 * kTimeStep, next[9], 1e-4);  // it moved on from 5 m
}

// The forces a row reports are those the step applied: over every step of a
// full-brake slide, the change of each wheel's momentum is the impulse of its
// reported adhesion force less that of its reported brake force at the tread
// (the shipped vehicle has no running resistance), to rounding. And a wheel that
// turns faster than the brake's standstill band is braked against its rotation.
TEST(StepRecorderTest, ReportedForcesBalanceEachStepsWheelMomentum) {
  VehicleSetUp shipped;
  ASSERT_TRUE(
      shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), kTimeStep))
      << shipped.Failure();
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(shipped.CreateVehicle(kelvra, log)) << log.str();
  const double band = kelvra.Dynamics().BrkSys.BrakeSpeedThreshold();

  TempFolder folder;
  StepRecorder recorder;
  ASSERT_TRUE(recorder.Open((folder.Path() / "slide.csv").string(), kAxles));
  recorder.RecordInitial(kelvra);
  const std::vector<double> none(kAxles, 0.0);
  const std::vector<double> fullBrake(kAxles, 25000.0);
  for (int k = 0; k < 2000; ++k) {  // 4 s of full traction, then 6 s of full brake
    const bool braking = k >= 800;
    const double traction = braking ? 0.0 : 100000.0;
    ASSERT_TRUE(kelvra.DoStep(braking ? fullBrake : none, traction));
    recorder.Record((k + 1) * kTimeStep, braking ? fullBrake : none, traction, kelvra);
  }
  ASSERT_TRUE(recorder.Close());

  std::istringstream lines(folder.Read("slide.csv"));
  std::string line;
  std::getline(lines, line);
  std::getline(lines, line);
  std::vector<double> before = ParseRow(line);
  int sliding = 0;
  while (std::getline(lines, line)) {
    const std::vector<double> row = ParseRow(line);
    ASSERT_EQ(before.size(), row.size());
    for (int i = 0; i < kAxles; ++i) {
      const std::size_t axle = 2 + 8 * static_cast<std::size_t>(i);
      const double w0 = before[axle + 2];
      const double w1 = row[axle + 2];
      const double adhesion = row[axle + 4];
      const double brake = row[axle + 6];
      const double m = shipped.Vehicle().Coupling().reducedMasses[i];
      const double r = std::abs(shipped.Vehicle().Coupling().brakeForceRadii[i]);
      const double rounding =
          1e-9 * kTimeStep * (std::abs(adhesion) + r * std::abs(brake)) +
          8.0 * m * std::numeric_limits<double>::epsilon() * std::max(std::abs(w0), std::abs(w1));
      EXPECT_NEAR(m * (w1 - w0), kTimeStep * (adhesion - r * brake), rounding)
          << "t = " << row[0] << ", axle " << i + 1;
      if (std::abs(w1) > band) {
        EXPECT_GE(brake * w1, 0.0) << "t = " << row[0] << ", axle " << i + 1;
      }
      if (row[axle + 3] > 1.0) ++sliding;
    }
    before = row;
  }
  EXPECT_GT(sliding, kAxles * 800) << "the wheels must slide for most of the brake";
}

// Brake inputs missing from the demand count as 0; without a file nothing is
// recorded and nothing fails.
TEST(StepRecorderTest, ShortDemandsAndUnopenedFiles) {
  VehicleSetUp shipped;
  ASSERT_TRUE(
      shipped.Build(testing_support::ShippedModelFile(testing_support::DataDir()), kTimeStep));
  Kelvra kelvra;
  std::ostringstream log;
  ASSERT_TRUE(shipped.CreateVehicle(kelvra, log));
  ASSERT_TRUE(kelvra.DoStep({3000.0}, 0.0));

  TempFolder folder;
  StepRecorder recorder;
  EXPECT_FALSE(recorder.Open((folder.Path() / "missing" / "run.csv").string(), kAxles));
  recorder.Record(kTimeStep, {3000.0}, 0.0, kelvra);
  EXPECT_TRUE(recorder.Close());

  ASSERT_TRUE(recorder.Open((folder.Path() / "run.csv").string(), kAxles));
  recorder.Record(kTimeStep, {3000.0}, 0.0, kelvra);
  ASSERT_TRUE(recorder.Close());
  std::istringstream lines(folder.Read("run.csv"));
  std::string line;
  std::getline(lines, line);
  std::getline(lines, line);
  const std::vector<double> row = ParseRow(line);
  ASSERT_EQ(static_cast<std::size_t>(2 + 8 * kAxles), row.size());
  EXPECT_EQ(3000.0, row[2]);
  for (int i = 1; i < kAxles; ++i)
    EXPECT_EQ(0.0, row[2 + 8 * i]) << "brake input of axle " << i + 1;
}

// The result text and the time series of a run carry the same number.
TEST(StepRecorderTest, ResultFilesOfARunShareTheirNumber) {
  TempFolder folder;
  std::filesystem::create_directory(folder.Path() / "results");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  Kelvra kelvra;
  kelvra.PickResultNumber();
  const std::string number = std::to_string(kelvra.ResultNumber());
  const std::string series = kelvra.DefaultResultName(".csv");
  std::string written;
  const bool ok = kelvra.WriteDefaultResultText(&written);
  std::filesystem::current_path(previous);

  EXPECT_EQ("results/_kelvra_result_" + number + ".csv", series);
  EXPECT_EQ("results/_kelvra_result_" + number + ".txt", written);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(folder.Exists(written));
}

}  // namespace
