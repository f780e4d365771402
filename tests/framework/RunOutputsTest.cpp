// What a run writes besides its time series: the summary of its key figures
// and, on request, every freedom's state. Each figure is worked out again here
// from the time series the run wrote beside it.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

double MeanOfAxles(const CsvTable& table, std::size_t row, const std::string& column) {
  double sum = 0.0;
  for (int i = 1; i <= 4; ++i) sum += table.rows[row][table.Column(column + std::to_string(i))];
  return sum / 4.0;
}

// The demo's brake first acts in the step ending at row `applied`, so the stop
// is measured from the row before; it stays on until row `released`. The
// vehicle stands from the first row from which its speed over each step (the
// change of the mean position over the step) stays below 0.02 m/s until then.
TEST(RunOutputsTest, DemoStoppingFiguresAgreeWithTheRunCsvToTheSample) {
  TempFolder folder;
  folder.CopyShippedData();
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history demo_history.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.err;
  const std::string base = ConsoleBase(folder);
  const CsvTable series = ReadCsv(folder.Read(base + ".csv"));
  const auto braked = [&](std::size_t row) {
    return series.rows[row][series.Column("brake_1")] > 0.0;
  };
  std::size_t applied = 1;
  while (applied < series.rows.size() && !braked(applied)) ++applied;
  std::size_t released = applied;
  while (released < series.rows.size() && braked(released)) ++released;
  const auto stepSpeed = [&](std::size_t row) {
    return (MeanOfAxles(series, row, "position_") - MeanOfAxles(series, row - 1, "position_")) /
           (series.rows[row][0] - series.rows[row - 1][0]);
  };
  std::size_t stopped = released;
  while (stopped > applied - 1 && std::fabs(stepSpeed(stopped - 1)) < 0.02) --stopped;
  ASSERT_LT(stopped, released) << "the demo vehicle does not stop";
  const double stopTime = series.rows[stopped][0] - series.rows[applied - 1][0];
  const double distance =
      MeanOfAxles(series, stopped, "position_") - MeanOfAxles(series, applied - 1, "position_");
  for (std::size_t row = stopped; row < released; ++row) {
    ASSERT_LT(std::fabs(MeanOfAxles(series, row, "position_") -
                        MeanOfAxles(series, stopped, "position_")),
              0.05);
  }

  const CsvTable summary = ReadCsv(folder.Read(base + "_summary.csv"));
  ASSERT_EQ(1u, summary.rows.size());
  EXPECT_EQ(series.rows[applied - 1][0], summary.rows[0][summary.Column("brake_time")]);
  EXPECT_EQ(stopTime, summary.rows[0][summary.Column("stopping_time")]);
  EXPECT_EQ(distance, summary.rows[0][summary.Column("stopping_distance")]);
  // About 35 s and 285 m after the brake at 14 s, as the demo is made.
  EXPECT_NEAR(34.8, stopTime, 0.5);
  std::ostringstream figures;
  figures << "stopping time " << stopTime << " s, stopping distance " << distance << " m, ";
  EXPECT_NE(std::string::npos, run.out.find(figures.str())) << run.out;
  EXPECT_NE(std::string::npos, run.out.find("Files written: " + base + ".csv, " + base +
                                            "_summary.csv, " + base + ".txt, "))
      << run.out;
}

// The shipped vehicle's primary vertical deflection i measures the bogie node
// x_i = -1 or +1 m from its centre against a wheelset without vertical freedom:
// -(Bogie_Y + x_i Bogie_R). Its wheelsets' states are the run's axle speeds
// and positions.
void ExpectStatesMatchTheRun(const CsvTable& states, const CsvTable& series) {
  ASSERT_EQ(series.rows.size(), states.rows.size());
  const char* const bogies[] = {"Bogie1", "Bogie1", "Bogie2", "Bogie2"};
  const double nodeX[] = {-1.0, 1.0, -1.0, 1.0};
  for (std::size_t k = 0; k < series.rows.size(); ++k) {
    const std::vector<double>& row = states.rows[k];
    ASSERT_EQ(series.rows[k][0], row[0]) << "row " << k;
    for (int i = 1; i <= 4; ++i) {
      const std::string n = std::to_string(i);
      const std::string wheelset = "Wheelset" + n + "_X";
      ASSERT_EQ(series.rows[k][series.Column("vehicle_speed_" + n)],
                row[states.Column(wheelset + "_velo")]);
      ASSERT_EQ(series.rows[k][series.Column("position_" + n)], row[states.Column(wheelset)]);
      const std::string bogie = bogies[i - 1];
      const double deflection =
          -(row[states.Column(bogie + "_Y")] + nodeX[i - 1] * row[states.Column(bogie + "_R")]);
      ASSERT_NEAR(deflection, row[states.Column("Prim" + n + "VertDefl")], 1e-15) << "row " << k;
    }
  }
}

TEST(RunOutputsTest, StatesFileHoldsEveryFreedomAndDeflectionRowForRow) {
  std::vector<std::string> columns = {"time"};
  const char* const freedoms[] = {
      "Car_X",    "Car_Y",    "Car_R",       "Bogie1_X",    "Bogie1_Y",    "Bogie1_R",   "Bogie2_X",
      "Bogie2_Y", "Bogie2_R", "Wheelset1_X", "Wheelset2_X", "Wheelset3_X", "Wheelset4_X"};
  for (const char* name : freedoms) columns.push_back(name);
  for (const char* name : freedoms) columns.push_back(std::string(name) + "_velo");
  for (int i = 1; i <= 4; ++i) columns.push_back("Prim" + std::to_string(i) + "VertDefl");

  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(40));
  folder.Write("batch_paramsets.in", "BATCH 1 4\n0.0025 3 10 0.05\n");
  const auto console =
      RunIn(folder.Path(), KelvraCommand("--console --states --history h.in"), "\n");
  ASSERT_EQ(0, console.exitCode) << console.err;
  const std::string base = ConsoleBase(folder);
  const CsvTable states = ReadCsv(folder.Read(base + "_states.csv"));
  EXPECT_EQ(columns, states.columns);
  ExpectStatesMatchTheRun(states, ReadCsv(folder.Read(base + ".csv")));
  EXPECT_NE(std::string::npos, console.out.find(", " + base + "_states.csv, ")) << console.out;

  const auto batch = RunIn(folder.Path(), KelvraCommand("--batch --states --history h.in"), "\n");
  ASSERT_EQ(0, batch.exitCode) << batch.err;
  ExpectStatesMatchTheRun(ReadCsv(folder.Read("results/batch_0_states.csv")),
                          ReadCsv(folder.Read("results/batch_0.csv")));
}

TEST(RunOutputsTest, WithoutTheOptionNoStatesFileIsWritten) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(4));
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_FALSE(folder.Exists(ConsoleBase(folder) + "_states.csv"));
}

// One row per set: its parameters and run time, then its figures, the peak
// speed the largest mean axle speed of its time series.
TEST(RunOutputsTest, BatchSummaryHasOneRowPerSetWithItsParameters) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(40));
  folder.Write("batch_paramsets.in", "BATCH 2 4\n0.005 3 10 0.05\n0.01 1 5 0.1\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.err;
  const CsvTable summary = ReadCsv(folder.Read("results/batch_summary.csv"), true);
  ASSERT_EQ(2u, summary.rows.size());
  EXPECT_EQ((std::vector<std::string>{"set", "DT", "ITER", "SUBD", "SGNT", "run_time"}),
            std::vector<std::string>(summary.columns.begin(), summary.columns.begin() + 6));
  const std::vector<std::vector<double>> parameters = {{0, 0.005, 3, 10, 0.05},
                                                       {1, 0.01, 1, 5, 0.1}};
  for (std::size_t set = 0; set < 2; ++set) {
    const std::vector<double>& row = summary.rows[set];
    EXPECT_EQ(parameters[set], std::vector<double>(row.begin(), row.begin() + 5));
    const CsvTable series = ReadCsv(folder.Read("results/batch_" + std::to_string(set) + ".csv"));
    double peak = 0.0;
    for (std::size_t k = 0; k < series.rows.size(); ++k) {
      peak = std::max(peak, std::fabs(MeanOfAxles(series, k, "vehicle_speed_")));
    }
    EXPECT_EQ(peak, row[summary.Column("peak_speed")]) << "set " << set;
  }
}

}  // namespace
