#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

std::string Header(const std::string& dt, int iter, int subd, const std::string& sgnt) {
  return "DT = " + dt + "\nITER = " + std::to_string(iter) + "\nSUBD = " + std::to_string(subd) +
         "\nSGNT = " + sgnt + "\n";
}

std::string Timing(const std::string& dt, int iter, int subd, const std::string& sgnt) {
  return "DT =" + dt + "\tITER = " + std::to_string(iter) + "\tSUBD = " + std::to_string(subd) +
         "\tSGNT = " + sgnt + "\tTIME = #\n";
}

std::string MaskTimes(const std::string& times) {
  return MaskNumbers(times, "TIME = ", "\n");
}

// The time series of a set with time step `dt` over RampHistory: the initial
// state (the vehicle at rest on its static loads), then one row per step of dt, each with the
// traction of the history row that holds at its start. With dt / 0.005 = num / den, step k reads
// row k num / den (rounded down).
void ExpectSetSeries(const CsvTable& series, double dt, int steps, int num = 1, int den = 1) {
  EXPECT_EQ(StepColumns(4), series.columns);
  ASSERT_EQ(static_cast<std::size_t>(steps + 1), series.rows.size());
  const std::size_t traction = series.Column("traction");
  EXPECT_EQ(0.0, series.rows[0][0]);
  EXPECT_EQ(0.0, series.rows[0][traction]);
  EXPECT_EQ(98100.0, series.rows[0][series.Column("normal_force_1")]);  // the initial state
  for (int k = 1; k <= steps; ++k) {
    ASSERT_EQ(k * dt, series.rows[k][0]) << "row " << k;
    const int historyRow = (k - 1) * num / den;
    ASSERT_EQ(1000.0 * (historyRow + 1), series.rows[k][traction]) << "row " << k;
  }
}

// The solution operators and the vehicle system are rebuilt for the first set and
// wherever the time step changes; each set leaves its timing line, its own
// result file and its time series at its own time step, and a new batch run
// starts the timing file afresh. No comparison follows the validator.
TEST(BatchRunTest, ThreeSetsThenASecondRunOverwritesTheTimes) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(40));
  // A fifth column is ignored; ITER and SUBD are truncated toward zero.
  folder.Write("batch_paramsets.in",
               "| DT ITER SUBD SGNT note\nBATCH\n3 5\n"
               "0.005 3 10 0.05 7\n"
               "0.005 1.9 5.5 0.1 7\n"
               "0.01 2 20 0.02 7\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(BatchSetUp() + kRecalculated + SetRun(1, 3, "DT=0.005 ITER=3 SUBD=10 SGNT=0.05") +
                SetRun(2, 3, "DT=0.005 ITER=1 SUBD=5 SGNT=0.1") + kRecalculated +
                SetRun(3, 3, "DT=0.01 ITER=2 SUBD=20 SGNT=0.02") + kValidatorRun + kFilesWritten +
                kExitPrompt,
            MaskDurations(run.out));
  EXPECT_EQ(
      (std::vector<std::string>{"batch.json", "batch_0.csv", "batch_0.txt", "batch_1.csv",
                                "batch_1.txt", "batch_2.csv", "batch_2.txt", "batch_run_times.txt",
                                "batch_summary.csv", "ode1_train17_rk4_result.txt",
                                "ruku_forces.txt", "ruku_run_time.txt", "ruku_states.csv"}),
      ResultFiles(folder));
  ExpectSetSeries(ReadCsv(folder.Read("results/batch_0.csv")), 0.005, 40);
  ExpectSetSeries(ReadCsv(folder.Read("results/batch_1.csv")), 0.005, 40);
  ExpectSetSeries(ReadCsv(folder.Read("results/batch_2.csv")), 0.01, 20, 2, 1);
  EXPECT_EQ(
      Timing("0.005", 3, 10, "0.05") + Timing("0.005", 1, 5, "0.1") + Timing("0.01", 2, 20, "0.02"),
      MaskTimes(folder.Read("results/batch_run_times.txt")));
  EXPECT_EQ(Header("0.005", 3, 10, "0.05"), folder.Read("results/batch_0.txt"));
  EXPECT_EQ(Header("0.005", 1, 5, "0.1"), folder.Read("results/batch_1.txt"));
  EXPECT_EQ(Header("0.01", 2, 20, "0.02"), folder.Read("results/batch_2.txt"));

  folder.Write("batch_paramsets.in", "BATCH 1 4\n0.0025 5 8 0.5\n");
  const auto again = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(0, again.exitCode);
  EXPECT_EQ(BatchSetUp() + kRecalculated + SetRun(1, 1, "DT=0.0025 ITER=5 SUBD=8 SGNT=0.5") +
                kValidatorRun + kFilesWritten + kExitPrompt,
            MaskDurations(again.out));
  EXPECT_EQ(Timing("0.0025", 5, 8, "0.5"), MaskTimes(folder.Read("results/batch_run_times.txt")));
  EXPECT_EQ(Header("0.0025", 5, 8, "0.5"), folder.Read("results/batch_0.txt"));
  ExpectSetSeries(ReadCsv(folder.Read("results/batch_0.csv")), 0.0025, 80, 1, 2);
}

// Sets that make no step still report their duration and leave their timing line,
// result file and a time series of the initial state; a file announcing no set runs none and leaves
// an empty timing file. The first set is prepared afresh even when its time step is 1 s.
TEST(BatchRunTest, SetsWithoutStepsAndBatchesWithoutSets) {
  struct Case {
    const char* title;
    std::string history;
    std::string sets;
    std::string run;      // console text between the set-up and the validator
    std::string times;    // the timing file, durations masked
    std::string results;  // batch_0.txt
    std::string validator;
  };
  const std::string validatorRefused =
      "\nRunning validator with hard-coded parameters...\n"
      "Creating RK solver... Failed\n"
      "Reason: Error - the external force history is empty: the validator needs at least one "
      "row\n";
  const Case cases[] = {
      {"empty history", "EFD 0 5\n", "BATCH 1 4\n0.005 3 10 0.05\n",
       kRecalculated + SetRun(1, 1, "DT=0.005 ITER=3 SUBD=10 SGNT=0.05"),
       Timing("0.005", 3, 10, "0.05"), Header("0.005", 3, 10, "0.05"), validatorRefused},
      {"history shorter than one step", RampHistory(40), "BATCH 1 4\n1.0 3 10 0.05\n",
       kRecalculated + SetRun(1, 1, "DT=1 ITER=3 SUBD=10 SGNT=0.05"), Timing("1", 3, 10, "0.05"),
       Header("1", 3, 10, "0.05"), kValidatorRun},
      {"no sets", RampHistory(40), "BATCH 0 4\n", "", "", "", kValidatorRun},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", c.history);
    folder.Write("batch_paramsets.in", c.sets);
    const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(BatchSetUp() + c.run + c.validator + kFilesWritten + kExitPrompt,
              MaskDurations(run.out));
    EXPECT_EQ(c.times, MaskTimes(folder.Read("results/batch_run_times.txt")));
    EXPECT_TRUE(folder.Exists("results/batch_run_times.txt"));
    EXPECT_EQ(!c.results.empty(), folder.Exists("results/batch_0.txt"));
    EXPECT_EQ(c.results, folder.Read("results/batch_0.txt"));
    EXPECT_EQ(!c.results.empty(), folder.Exists("results/batch_0.csv"));
    if (!c.results.empty()) ExpectSetSeries(ReadCsv(folder.Read("results/batch_0.csv")), 1.0, 0);
  }
}

// A time step so small that the number of steps over the history cannot be
// counted is refused with the parameter sets, before anything runs.
TEST(BatchRunTest, SetWithUncountableStepsIsRefused) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(40));
  folder.Write("batch_paramsets.in", "BATCH 2 4\n0.005 3 10 0.05\n1e-12 3 10 0.05\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(BatchStart() + kModelOK + kHistoryOK +
                "Reading batch run parameters... Failed\n"
                "Reason: BATCH in 'batch_paramsets.in': set 2 has DT 1e-12, too small for the "
                "40 rows of the history: more than 2147483647 steps\n" +
                kExitPrompt,
            run.out);
  EXPECT_TRUE(ResultFiles(folder).empty());
}

}  // namespace
