#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kValidatorHeader = "DT = 0.0005\nITER = 0\nSUBD = 0\nSGNT = 0.05\nRK\n";
const char* const kValidatorTiming = "DT =0.0005\tITER = 0\tSUBD = 0\tSGNT = 0.1\tTIME = #\n";
const char* const kConsoleResult = "DT = 0.005\nITER = 3\nSUBD = 10\nSGNT = 0.05\nSTEF+SR+CD";

const std::regex kResultName("_kelvra_result_-?[0-9]+\\.txt");
const std::regex kResultNumber("_kelvra_result_-?[0-9]+(?=[._])");

// A run that wrote no file has no line naming them.
std::string ConsoleRunOutput(bool wroteFiles = true) {
  return ConsoleStart() + kModelOK + kHistoryOK + kPreparedOK + kVehicleOK +
         "Simulation in progress...\n\tDone in # [s]\nSummary: #\n" + kValidatorRun + kComparison +
         (wroteFiles ? kFilesWritten : "") + kExitPrompt;
}

// The one automatically named result file of a console run, or "".
std::string ConsoleResultName(const std::vector<std::string>& files) {
  std::string found;
  for (const std::string& name : files) {
    if (std::regex_match(name, kResultName)) {
      EXPECT_TRUE(found.empty()) << "a second result file " << name;
      found = name;
    }
  }
  return found;
}

// The validator's reference vehicle steps 0.0005 s and reads a history row every
// 0.005 s: ten steps per row until the last row is reached, that is 10 (R - 1)
// steps. Each step but the first evaluates its slope four times (the first reuses
// the slope of the start), and the evaluation that reaches the last row ends the
// run: 1 + 3 + 4 (S - 1) + 1 = 4 S + 1 force lines for S steps.
int ValidatorForceLines(int rows) {
  return 4 * 10 * (rows - 1) + 1;
}

// The time series of the vehicle: a header, then the initial state and one row
// per step, every DT of the model.
void ExpectSeries(const CsvTable& series, int steps) {
  EXPECT_EQ(StepColumns(4), series.columns);
  ASSERT_EQ(static_cast<std::size_t>(steps + 1), series.rows.size());
  for (int k = 0; k <= steps; ++k) ASSERT_EQ(k * 0.005, series.rows[k][0]) << "row " << k;
}

// The validator's states: a header, then one row per history row, 0.005 s apart.
void ExpectValidatorStates(const CsvTable& states, int rows) {
  std::vector<std::string> columns = {"time"};
  for (int i = 1; i <= 4; ++i) {
    for (const char* name :
         {"vehicle_speed_", "wheel_speed_", "slip_", "adhesion_force_", "normal_force_"}) {
      columns.push_back(name + std::to_string(i));
    }
  }
  EXPECT_EQ(columns, states.columns);
  ASSERT_EQ(static_cast<std::size_t>(rows), states.rows.size());
  for (int k = 0; k < rows; ++k) ASSERT_EQ(k * 0.005, states.rows[k][0]) << "row " << k;
}

// The comparison line's numbers against the largest difference of the vehicle
// speeds in the two files, worked out here at their shared times.
void ExpectComparisonFromFiles(const std::string& out, const CsvTable& run,
                               const CsvTable& validator) {
  double largest = -1.0;
  double time = 0.0;
  int axle = 0;
  for (const auto& sample : validator.rows) {
    for (const auto& step : run.rows) {
      if (step[0] != sample[0]) continue;
      for (int i = 1; i <= 4; ++i) {
        const std::string column = "vehicle_speed_" + std::to_string(i);
        const double difference =
            std::fabs(step[run.Column(column)] - sample[validator.Column(column)]);
        if (difference > largest) {
          largest = difference;
          time = sample[0];
          axle = i;
        }
      }
    }
  }
  const std::string prefix =
      "Largest vehicle speed difference to the validator while every wheel rolls: ";
  const std::size_t at = out.find(prefix);
  ASSERT_NE(std::string::npos, at);
  double printed = 0.0;
  double printedTime = 0.0;
  int printedAxle = 0;
  ASSERT_EQ(3, std::sscanf(out.c_str() + at + prefix.size(), "%lf m/s at %lf s (axle %d)", &printed,
                           &printedTime, &printedAxle));
  EXPECT_GT(largest, 0.0);
  EXPECT_NEAR(largest, printed, 1e-5 * largest);  // six significant digits
  EXPECT_NEAR(time, printedTime, 1e-9);
  EXPECT_EQ(axle, printedAxle);
}

TEST(ConsoleRunTest, PrintsEveryStepAndWritesTheResultAndValidatorFiles) {
  const int rows = 40;
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(rows));
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(ConsoleRunOutput(), MaskDurations(run.out));

  const std::vector<std::string> files = ResultFiles(folder);
  ASSERT_EQ(8u, files.size()) << ::testing::PrintToString(files);
  const std::string resultName = ConsoleResultName(files);
  ASSERT_FALSE(resultName.empty());
  const std::string seriesName = resultName.substr(0, resultName.size() - 3) + "csv";
  const std::string summaryName = resultName.substr(0, resultName.size() - 4) + "_summary.csv";
  const std::string recordName = resultName.substr(0, resultName.size() - 3) + "json";
  EXPECT_EQ((std::vector<std::string>{seriesName, recordName, resultName, summaryName,
                                      "ode1_train17_rk4_result.txt", "ruku_forces.txt",
                                      "ruku_run_time.txt", "ruku_states.csv"}),
            files);
  EXPECT_EQ(kConsoleResult, folder.Read("results/" + resultName));
  EXPECT_EQ(kValidatorHeader, folder.Read("results/ode1_train17_rk4_result.txt"));
  EXPECT_EQ(kValidatorTiming,
            MaskNumbers(folder.Read("results/ruku_run_time.txt"), "TIME = ", "\n"));

  const std::string forces = folder.Read("results/ruku_forces.txt");
  EXPECT_EQ(ValidatorForceLines(rows), LineCount(forces));
  std::istringstream lines(forces);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    double value = 0.0;
    int count = 0;
    while (fields >> value) ++count;
    ASSERT_TRUE(fields.eof() && count == 8) << line;
  }

  const CsvTable series = ReadCsv(folder.Read("results/" + seriesName));
  const CsvTable states = ReadCsv(folder.Read("results/ruku_states.csv"));
  ExpectSeries(series, rows);
  ExpectValidatorStates(states, rows);
  // Row k + 1 holds the inputs of history row k: traction 1000 (k + 1), no brake.
  const std::size_t traction = series.Column("traction");
  for (int k = 0; k <= rows; ++k) EXPECT_EQ(1000.0 * k, series.rows[k][traction]);
  EXPECT_EQ(0.0, series.rows[rows][series.Column("brake_3")]);
  ExpectComparisonFromFiles(run.out, series, states);
}

// A single row ends the validator at its start; every further row adds ten steps.
// The time series has a row per step and the initial one, the validator's
// states one per history row.
TEST(ConsoleRunTest, ValidatorForceLinesFollowTheHistoryLength) {
  for (const int rows : {1, 2, 7}) {
    SCOPED_TRACE(rows);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(rows));
    const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
    EXPECT_EQ(ConsoleRunOutput(), MaskDurations(run.out));
    EXPECT_EQ(ValidatorForceLines(rows), LineCount(folder.Read("results/ruku_forces.txt")));
    EXPECT_EQ(kValidatorHeader, folder.Read("results/ode1_train17_rk4_result.txt"));
    const std::string seriesName = ConsoleResultName(ResultFiles(folder));
    ASSERT_FALSE(seriesName.empty());
    ExpectSeries(
        ReadCsv(folder.Read("results/" + seriesName.substr(0, seriesName.size() - 3) + "csv")),
        rows);
    ExpectValidatorStates(ReadCsv(folder.Read("results/ruku_states.csv")), rows);
    // A single row leaves only the states at rest to compare.
    if (rows == 1) {
      EXPECT_NE(std::string::npos,
                run.out.find("Largest vehicle speed difference to the validator while every "
                             "wheel rolls: 0 m/s at 0 s (axle 1)\n"));
    }
  }
}

// A run without steps still reports its (tiny) duration and writes its files,
// the time series with the initial state alone. The validator needs at least
// one row and refuses an empty history: it writes no states, and there is no
// comparison.
TEST(ConsoleRunTest, EmptyHistoryRunsNoStepAndStillWritesTheResult) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", "EFD 0 5\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(ConsoleStart() + kModelOK + kHistoryOK + kPreparedOK + kVehicleOK +
                "Simulation in progress...\n\tDone in # [s]\nSummary: #\n"
                "\nRunning validator with hard-coded parameters...\n"
                "Creating RK solver... Failed\n"
                "Reason: Error - the external force history is empty: the validator needs at "
                "least one row\n" +
                kFilesWritten + kExitPrompt,
            MaskDurations(run.out));
  const std::string resultName = ConsoleResultName(ResultFiles(folder));
  ASSERT_FALSE(resultName.empty());
  EXPECT_EQ(kConsoleResult, folder.Read("results/" + resultName));
  ExpectSeries(
      ReadCsv(folder.Read("results/" + resultName.substr(0, resultName.size() - 3) + "csv")), 0);
  EXPECT_FALSE(folder.Exists("results/ruku_run_time.txt"));
  EXPECT_FALSE(folder.Exists("results/ruku_states.csv"));
}

std::string Unwritable(const std::string& file) {
  return "Warning - cannot open '" + file + "' for writing; its results are not saved.\n";
}

// Without a results/ folder nothing is saved: each result file the run would have
// written costs one warning on standard error, the console text is unchanged (the
// comparison needs no file) and the exit status says that results were lost.
TEST(ConsoleRunTest, WithoutResultsFolderEveryFileIsAWarning) {
  const std::string validatorWarnings =
      Unwritable("results/ode1_train17_rk4_result.txt") + Unwritable("results/ruku_run_time.txt") +
      Unwritable("results/ruku_states.csv") + Unwritable("results/ruku_forces.txt");
  struct Case {
    const char* options;
    std::string out;
    std::string err;
  };
  const Case cases[] = {
      {"--console --history h.in", ConsoleRunOutput(false),
       Unwritable("results/_kelvra_result_#.csv") +
           Unwritable("results/_kelvra_result_#_summary.csv") +
           Unwritable("results/_kelvra_result_#.txt") + validatorWarnings +
           Unwritable("results/_kelvra_result_#.json")},
      {"--batch --history h.in",
       BatchStart() + kModelOK + kHistoryOK + kBatchOK + kPreparedOK + kVehicleOK +
           "\nTime step changed, recalculate solution operators... OK\n"
           "\nRe-initializing simulator... OK\n"
           "\nSimulation 1 of 2\nParams: DT=0.005 ITER=3 SUBD=10 SGNT=0.05\n\tDone in # "
           "[s]\nSummary: #\n"
           "\nSimulation 2 of 2\nParams: DT=0.005 ITER=1 SUBD=5 SGNT=0.1\n\tDone in # "
           "[s]\nSummary: #\n" +
           kValidatorRun + kExitPrompt,
       Unwritable("results/batch_run_times.txt") + Unwritable("results/batch_summary.csv") +
           Unwritable("results/batch_0.csv") + Unwritable("results/batch_0.txt") +
           Unwritable("results/batch_1.csv") + Unwritable("results/batch_1.txt") +
           validatorWarnings + Unwritable("results/batch.json")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    TempFolder folder;
    folder.CopyShippedData();
    std::filesystem::remove_all(folder.Path() / "results");
    folder.Write("h.in", RampHistory(20));
    folder.Write("batch_paramsets.in", "BATCH 2 4\n0.005 3 10 0.05\n0.005 1 5 0.1\n");
    const auto run = RunIn(folder.Path(), KelvraCommand(c.options), "\n");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(c.out, MaskDurations(run.out));
    const std::string err = std::regex_replace(run.err, kResultNumber, "_kelvra_result_#");
    EXPECT_EQ(c.err, err);
    EXPECT_FALSE(folder.Exists("results"));
  }
}

}  // namespace
