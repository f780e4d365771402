// Parameters with which the wheels cannot be integrated stably are refused
// before a run, a batch set or a study case starts, with the figure, its limit
// and what would keep it within; with that remedy the same vehicle runs as its
// forces say.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kModelFile = "combined_train17_GEN.in";

// `seconds` of rows of the shipped vehicle's five inputs.
std::string Rows(double seconds, double brake, double traction) {
  std::string rows;
  const int count = static_cast<int>(seconds / 0.005 + 0.5);
  const std::string b = std::to_string(brake);
  for (int k = 0; k < count; ++k) {
    rows += b + " " + b + " " + b + " " + b + " " + std::to_string(traction) + "\n";
  }
  return rows;
}

std::string History(const std::string& rows) {
  return "EFD " + std::to_string(LineCount(rows)) + " 5\n" + rows;
}

// The shipped model with the first occurrence of each text replaced.
std::string Edited(const std::vector<std::pair<std::string, std::string>>& edits) {
  std::string model = testing_support::ReadFile(testing_support::DataDir() / kModelFile);
  for (const auto& [text, replacement] : edits) {
    const std::size_t at = model.find(text);
    if (at == std::string::npos) {
      ADD_FAILURE() << "the shipped model holds no '" << text << "'";
      continue;
    }
    model.replace(at, text.size(), replacement);
  }
  return model;
}

std::string AdhesionReason(const std::string& figures, const std::string& subdiv) {
  return "Error - The wheel integration is unstable: wheel 1 with ADHSET characteristic 1 has "
         "muStatic x staticLoad / (LIM x reducedMass) x DT / SUBDIV = " +
         figures + ", above 2 (its Runge-Kutta substeps are stable up to 2.78529). A SUBDIV of " +
         subdiv + " keeps it within.";
}

std::string BrakeReason(const std::string& figures, const std::string& limit,
                        const std::string& remedy) {
  return "Error - The brake of wheel 1 cannot be integrated stably near standstill: "
         "|brakeForceRadius| x gain x brake input / (threshold x reducedMass) x DT = " +
         figures + ", above " + limit + ". " + remedy + " keeps it within.";
}

// The set-up of a console or window run stops at "Creating vehicle simulator"
// with the figure that is out of bounds.
TEST(WheelStabilityRunTest, UnstableParametersAreRefusedWithTheFigure) {
  struct Case {
    const char* title;
    std::vector<std::pair<std::string, std::string>> edits;
    const char* options;
    std::string reason;
  };
  const std::string odd = "3, the limit with an odd ITER (2 with an even one)";
  const Case cases[] = {
      // Dry rail and a narrow slip band: 18.5 m/s after 6 s of 100 kN on 41 t.
      {"dry rail, narrow slip band",
       {{"LIM 0.05", "LIM 0.01"}, {"0.1 0.2 5 1 1", "0.3 0.2 5 1 1"}},
       "--console",
       AdhesionReason("0.3 x 98100 / (0.01 x 500) x 0.005 / 10 = 2.943", "15")},
      // A braked vehicle that ended running backwards.
      // Its brake is too stiff for the step as well: both figures are named.
      {"light wheel",
       {{"Brake1  500 ", "Brake1  20  "}},
       "--console",
       AdhesionReason("0.1 x 98100 / (0.05 x 20) x 0.005 / 10 = 4.905", "25") + "\n" +
           BrakeReason("0.5 x 1 x 25000 / (0.05 x 20) x 0.005 = 62.5", odd,
                       "A DT of at most 0.00024 s or a BRKSYS threshold of at least 1.04167 m/s")},
      // Under full brake with rolling wheels, from 13.95 to 45 m/s.
      {"adhesion coefficient 1.2",
       {{"0.1 0.2 5 1 1", "1.2 0.2 5 1 1"}},
       "--console",
       AdhesionReason("1.2 x 98100 / (0.05 x 500) x 0.005 / 10 = 2.3544", "12")},
      // Braked wheels turning at 1 m/s with the brake force read as 0.
      {"ten times the brake gain",
       {{"BRKSYS 1 0.05", "BRKSYS 10 0.05"}},
       "--console",
       BrakeReason("0.5 x 10 x 25000 / (0.05 x 500) x 0.005 = 25", odd,
                   "A DT of at most 0.0006 s or a BRKSYS threshold of at least 0.416667 m/s")},
      // A brake force radius of 230: braked wheels spun up to 24 m/s.
      {"wheel radius of 1 mm",
       {{"Brake1  500           98100        0.46", "Brake1  500           98100        0.001"}},
       "--console",
       BrakeReason("230 x 1 x 25000 / (0.05 x 500) x 0.005 = 1150", odd,
                   "A DT of at most 1.30435e-05 s or a BRKSYS threshold of at least 19.1667 m/s")},
      // The window's lever brakes fully whatever the history holds.
      {"even ITER in the window",
       {{"ITER 3", "ITER 2"}},
       "",
       BrakeReason("0.5 x 1 x 25000 / (0.05 x 500) x 0.005 = 2.5",
                   "2, the limit with an even ITER (3 with an odd one)",
                   "A DT of at most 0.004 s or a BRKSYS threshold of at least 0.0625 m/s")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write(kModelFile, Edited(c.edits));
    const bool window = std::string(c.options).empty();
    // The window's history holds no brake input, the console's the full brake.
    folder.Write("h.in", History(window ? Rows(0.1, 0, 1000) : Rows(0.1, 25000, 0)));
    const auto run =
        RunIn(folder.Path(), KelvraCommand(std::string(c.options) + " --history h.in"), "\n");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ((window ? GraphicsStart() : ConsoleStart()) + kModelOK + kHistoryOK + kPreparedOK +
                  (window ? "Creating visual model representation... OK\n"
                            "Creating result manager... OK\n"
                          : "") +
                  "Creating vehicle simulator... Failed\nReason: " + c.reason + "\n" + kExitPrompt,
              run.out);
    EXPECT_TRUE(ResultFiles(folder).empty());
  }
}

// The vehicle speed of each wheelset's row, averaged.
std::vector<double> Speeds(const CsvTable& series) {
  std::vector<double> speeds;
  for (const std::vector<double>& row : series.rows) {
    double sum = 0.0;
    for (int i = 1; i <= 4; ++i) sum += row[series.Column("vehicle_speed_" + std::to_string(i))];
    speeds.push_back(sum / 4.0);
  }
  return speeds;
}

CsvTable ConsoleSeries(const TempFolder& folder) {
  for (const std::string& name : ResultFiles(folder)) {
    if (name.find("_summary") == std::string::npos && name.size() > 4 &&
        name.compare(name.size() - 4, 4, ".csv") == 0 && name.rfind("_kelvra_result_", 0) == 0) {
      return ReadCsv(folder.Read("results/" + name));
    }
  }
  ADD_FAILURE() << "no time series";
  return CsvTable();
}

// With the SUBDIV the refusal names, the dry-rail vehicle gets from 6 s of
// 100 kN what the force gives it, 100000 x 6 / 43000 = 13.95 m/s (the car's
// swing on its suspension adds 0.3 mm/s), and keeps it while coasting; the
// vehicle with mu 1.2 slows under the full brake with rolling wheels, where
// its leading wheels' loads rise by a fifth and the steps take more substeps.
TEST(WheelStabilityRunTest, TheRemedyRunsAsTheForcesSay) {
  const double rolling = 100000.0 * 6.0 / 43000.0;
  {
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write(kModelFile, Edited({{"LIM 0.05", "LIM 0.01"},
                                     {"0.1 0.2 5 1 1", "0.3 0.2 5 1 1"},
                                     {"SUBDIV 10", "SUBDIV 15"}}));
    folder.Write("h.in", History(Rows(6.0, 0, 100000) + Rows(8.0, 0, 0)));
    const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
    ASSERT_EQ(0, run.exitCode) << run.out;
    const std::vector<double> speeds = Speeds(ConsoleSeries(folder));
    ASSERT_EQ(2801u, speeds.size());
    EXPECT_NEAR(rolling, speeds[1200], 1e-3);
    EXPECT_NEAR(rolling, speeds.back(), 1e-3);
  }
  {
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write(kModelFile,
                 Edited({{"0.1 0.2 5 1 1", "1.2 0.2 5 1 1"}, {"SUBDIV 10", "SUBDIV 12"}}));
    folder.Write("h.in", History(Rows(6.0, 0, 100000) + Rows(2.0, 0, 0) + Rows(30.0, 25000, 0)));
    const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
    ASSERT_EQ(0, run.exitCode) << run.out;
    const std::vector<double> speeds = Speeds(ConsoleSeries(folder));
    ASSERT_EQ(7601u, speeds.size());
    // From 1 s after the brake application on, the speed only falls until the
    // vehicle stops (after 4 x 0.5 x 25000 / 43000 = 1.16 m/s2 for 12 s), then
    // the car settles on its suspension and the vehicle stays at rest.
    std::size_t k = 1800;
    for (; speeds[k] > 0.1; ++k) {
      ASSERT_LE(speeds[k], speeds[k - 1] + 1e-9) << "at " << k * 0.005 << " s";
    }
    EXPECT_NEAR(20.0, k * 0.005, 0.5);
    EXPECT_LT(*std::max_element(speeds.begin() + k, speeds.end()), 0.1);
    EXPECT_LT(std::fabs(speeds.back()), 1e-3);
  }
}

// A batch set, and a study case, whose settings make a figure exceed its
// limit is skipped with the reason; the others run.
TEST(WheelStabilityRunTest, BatchSetsAndStudyCasesAreCheckedWithTheirOwnSettings) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", History(Rows(0.1, 0, 100000) + Rows(0.1, 25000, 0)));
  folder.Write("batch_paramsets.in", "BATCH 2 4\n0.005 3 10 0.05\n0.01 3 20 0.1\n");
  const auto batch = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(1, batch.exitCode);
  const std::string skipped =
      "\nSimulation 2 of 2\nParams: DT=0.01 ITER=3 SUBD=20 SGNT=0.1\nReason: " +
      BrakeReason("0.5 x 1 x 25000 / (0.05 x 500) x 0.01 = 5",
                  "3, the limit with an odd ITER (2 with an even one)",
                  "A DT of at most 0.006 s or a BRKSYS threshold of at least 0.0833333 m/s") +
      "\n\nSimulation 2 of 2 skipped\n";
  EXPECT_NE(
      std::string::npos,
      batch.out.find("\nSimulation 1 of 2\nParams: DT=0.005 ITER=3 SUBD=10 SGNT=0.05\n\tDone in "))
      << batch.out;
  EXPECT_NE(std::string::npos, batch.out.find(kRecalculated + skipped)) << batch.out;
  EXPECT_TRUE(folder.Exists("results/batch_0.csv"));
  EXPECT_FALSE(folder.Exists("results/batch_1.csv"));

  folder.Write("study.csv", "BRKSYS.gain\n1\n10\n");
  const auto study =
      RunIn(folder.Path(), KelvraCommand("--study study.csv --history h.in --jobs 1"), "\n");
  EXPECT_EQ(1, study.exitCode);
  EXPECT_NE(std::string::npos,
            study.out.find("Creating vehicle simulator... Failed\nReason: " +
                           BrakeReason("0.5 x 10 x 25000 / (0.05 x 500) x 0.005 = 25",
                                       "3, the limit with an odd ITER (2 with an even one)",
                                       "A DT of at most 0.0006 s or a BRKSYS threshold of at "
                                       "least 0.416667 m/s") +
                           "\nCase 2 of 2 failed\n"))
      << study.out;
  EXPECT_TRUE(folder.Exists("results/study_1.csv"));
  EXPECT_FALSE(folder.Exists("results/study_2.csv"));
}

// Ten times the brake gain (with a standstill band of 5 m/s that keeps the
// brake integrable) pitches each bogie until the wheel under its -x end
// lifts: the run names each lifted wheel once, under its "Done in", instead
// of a line per pass of every step.
TEST(WheelStabilityRunTest, LiftedWheelsAreNamedOnceAtTheEndOfTheRun) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write(kModelFile, Edited({{"BRKSYS 1 0.05", "BRKSYS 10 5"}}));
  folder.Write("h.in", History(Rows(3.0, 0, 100000) + Rows(1.0, 25000, 0)));
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  EXPECT_EQ(0, run.exitCode);
  std::string lifted;
  for (const char* wheel : {"1", "3"}) {
    lifted += std::string("Warning - wheel ") + wheel +
              " lifted off the rail: its normal force was 0 or below at the end of 6 steps, the "
              "first at t = 3.01 s. A lifted wheel transmits no adhesion.\n";
  }
  EXPECT_NE(std::string::npos,
            MaskDurations(run.out).find("Simulation in progress...\n\tDone in # [s]\n" + lifted +
                                        "Summary: "))
      << run.out;
  EXPECT_EQ(std::string::npos, run.out.find("capacity negative"));
}

}  // namespace
