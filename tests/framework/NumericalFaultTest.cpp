// A run whose vehicle state breaks stops at that step, says so once, keeps its
// time series up to there and fails: no completion line, no summary, no result
// file, exit status 1. The validator guards its own state the same way.

#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "ProgramRun.h"
#include "solver/ValidatorTrainModel.h"
#include "support/TestSupport.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

TEST(NumericalFaultTest, ConsoleRunStopsAtTheBrokenStepAndFails) {
  TempFolder folder;
  folder.CopyShippedData();
  // The largest finite inputs: the traction pitches the vehicle so hard in
  // the first step that the wheels' adhesion capacities (1.6e300 N) cannot be
  // integrated stably. The brake's standstill band of 1e306 m/s keeps the
  // brake inputs integrable, so that the run starts; the validator, with its
  // own brake, overflows.
  std::string history = "EFD 30 5\n";
  for (int row = 0; row < 30; ++row) history += "1.7e308 1.7e308 1.7e308 1.7e308 1.7e308\n";
  folder.Write("absurd.in", history);
  std::string model = folder.Read("combined_train17_GEN.in");
  model.replace(model.find("BRKSYS 1 0.05"), 13, "BRKSYS 1 1e306");
  folder.Write("combined_train17_GEN.in", model);

  const auto result = RunIn(folder.Path(), KelvraCommand("--console --history absurd.in"));
  EXPECT_EQ(1, result.exitCode);
  const std::string message = "\nError - The wheel integration of axle ";
  const std::size_t at = result.out.find(message);
  ASSERT_NE(std::string::npos, at) << result.out;
  EXPECT_EQ(std::string::npos, result.out.find(message, at + 1)) << "reported more than once";
  EXPECT_NE(std::string::npos, result.out.find(" is unstable in step 1 (t = 0.005 s): ", at));
  EXPECT_NE(std::string::npos,
            result.out.find(". The simulation stops.\n\tStopped at t = 0 s, the end of the last "
                            "sound step: the run is incomplete, and has no summary and no result "
                            "file\n",
                            at))
      << result.out;
  EXPECT_EQ(std::string::npos, result.out.find("Summary: "));
  EXPECT_NE(std::string::npos,
            result.out.find("No speed comparison with the validator: the run stopped at a step "
                            "that broke the vehicle state\n"));

  // The time series holds what was valid, the initial row only; nothing else
  // of the run is written but its record, which holds the exit status 1.
  int runFiles = 0;
  for (const std::string& name : ResultFiles(folder)) {
    if (name.rfind("_kelvra_result_", 0) != 0) continue;
    if (name.ends_with(".json")) {
      EXPECT_EQ(1, nlohmann::json::parse(folder.Read("results/" + name))["exit_status"]);
      continue;
    }
    ++runFiles;
    ASSERT_EQ(std::string::npos, name.find("_summary")) << name;
    ASSERT_EQ(name.size() - 4, name.find(".csv")) << name;
    EXPECT_EQ(1u, ReadCsv(folder.Read("results/" + name)).rows.size());
  }
  EXPECT_EQ(1, runFiles);
  // The validator stopped at its first broken state without writing its forces.
  const std::string forces = folder.Read("results/ruku_forces.txt");
  EXPECT_GT(LineCount(forces), 0);
  for (const char* broken : {"nan", "inf"}) EXPECT_EQ(std::string::npos, forces.find(broken));
}

// A study case that breaks fails alone: no row in the study's summary, and the
// study's exit status 1.
TEST(NumericalFaultTest, AStudyCaseThatBreaksFailsAlone) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  folder.Write("s.csv", "RESIST.c1\n0\n1e300\n0\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--study s.csv --history h.in"), "\n");
  EXPECT_EQ(1, run.exitCode);
  const std::string out = MaskDurations(run.out);
  EXPECT_NE(std::string::npos,
            out.find("The simulation stops.\n\tStopped at t = 0 s, the end of the last sound step: "
                     "the run is incomplete, and has no summary and no result file\nCase 2 of 3 "
                     "failed\n\nCase 3 of 3"))
      << out;
  const CsvTable summary = ReadCsv(folder.Read("results/study_summary.csv"), true);
  ASSERT_EQ(2u, summary.rows.size());
  EXPECT_EQ(1.0, summary.rows[0][0]);
  EXPECT_EQ(3.0, summary.rows[1][0]);
  EXPECT_FALSE(folder.Exists("results/study_2.txt"));
  EXPECT_FALSE(folder.Exists("results/study_2_summary.csv"));
  EXPECT_TRUE(folder.Exists("results/study_3.txt"));
}

TEST(NumericalFaultTest, ValidatorNamesItsFirstNonFiniteEntry) {
  ValidatorState state{};
  EXPECT_EQ("", FirstNonFiniteEntry(state));
  state[kValidatorDofCount + 5] = std::numeric_limits<double>::infinity();
  state[30] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ("front bogie pitch displacement", FirstNonFiniteEntry(state));
  state[kValidatorWheelRotationDof + 2] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ("wheel 3 circumferential speed", FirstNonFiniteEntry(state));
}

}  // namespace
