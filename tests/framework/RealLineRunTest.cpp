// Runs of the program on a real line (the optional sections GRADIENT,
// ADHLEVEL, BRKCYL, BRKHOLD, WSP and V0): what the console, the time series
// and the summaries say, and that the shipped sections, all neutral, leave
// every output as it is without them.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::ReadFile;
using testing_support::RunIn;
using testing_support::TempFolder;

// `rows` rows with the brake input `brake` on every axle and no traction.
std::string BrakeHistory(int rows, double brake) {
  std::ostringstream text;
  text << "EFD\n" << rows << " 5\n";
  for (int k = 0; k < rows; ++k)
    text << brake << ' ' << brake << ' ' << brake << ' ' << brake << " 0\n";
  return text.str();
}

// The shipped model with its optional sections replaced by `sections`.
std::string ShippedWithSections(const std::string& sections) {
  const std::string text = ReadFile(testing_support::DataDir() / "combined_train17_GEN.in");
  const std::size_t at = text.find("GRADIENT 1");
  EXPECT_NE(std::string::npos, at);
  return text.substr(0, at) + sections;
}

// The one file of results/ whose name ends in `suffix`.
std::string ResultFile(const TempFolder& folder, const std::string& suffix) {
  for (const std::string& name : ResultFiles(folder)) {
    if (name.size() > suffix.size() && name.ends_with(suffix) &&
        (suffix != ".csv" || (!name.ends_with("_summary.csv") && !name.ends_with("_states.csv") &&
                              name.starts_with("_kelvra_result_")))) {
      return folder.Read("results/" + name);
    }
  }
  ADD_FAILURE() << "no result file ending in " << suffix;
  return "";
}

// From 10 m/s on the level, every wheel rolling under an instant brake of
// 10000 per axle (5000 N on each tread), the vehicle and its rolling wheels,
// 43000 kg, slow at a = 4 x 5000 / 43000 = 0.4651 m/s2. The adhesion used is
// a / (g mu) with the shipped mu 0.1: 0.474. The validator and the reference
// integration step neither a start at speed nor anything else of a real line,
// and say so in place of a comparison.
TEST(RealLineRunTest, ARunOnARealLineTellsTheAdhesionUsedAndWhatTheChecksDoNotModel) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("combined_train17_GEN.in", ShippedWithSections("V0 10\n"));
  folder.Write("brake.in", BrakeHistory(5000, 10000));
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history brake.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.out << run.err;
  const std::string notModelled = "it does not model V0, which this run uses\n";
  EXPECT_NE(std::string::npos,
            run.out.find("No speed comparison with the validator: " + notModelled))
      << run.out;
  EXPECT_NE(std::string::npos,
            run.out.find("No reference integration of the model: " + notModelled))
      << run.out;

  const CsvTable summary = ReadCsv(ResultFile(folder, "_summary.csv"), true);
  ASSERT_EQ(1u, summary.rows.size());
  const double expected = 4 * 5000.0 / 43000.0 / (9.81 * 0.1);
  EXPECT_NEAR(expected, summary.rows[0][summary.Column("adhesion_used")], 0.01 * expected);
  std::ostringstream figure;
  figure << ", adhesion used " << summary.rows[0][summary.Column("adhesion_used")] << "\n";
  EXPECT_NE(std::string::npos, run.out.find(figure.str())) << run.out;
  // No cylinders, no cylinder columns.
  EXPECT_EQ(StepColumns(4), ReadCsv(ResultFile(folder, ".csv")).columns);
}

// A cylinder of fill time 1.5 s: A_k = D (1 - e^(-k dt / 1.5)) after k steps
// of the demand D; each row holds the mean of its step's ramp.
TEST(RealLineRunTest, TheTimeSeriesRecordsTheForceEveryCylinderApplied) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("combined_train17_GEN.in",
               ShippedWithSections("GRADIENT 1\n-100 10\nBRKCYL 1.5 1\nV0 10\n"));
  folder.Write("brake.in", BrakeHistory(400, 20000));
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history brake.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.out << run.err;
  EXPECT_NE(std::string::npos,
            run.out.find("it does not model GRADIENT, BRKCYL and V0, which this run uses\n"))
      << run.out;
  const CsvTable series = ReadCsv(ResultFile(folder, ".csv"));
  std::vector<std::string> columns = StepColumns(4);
  for (const char* name :
       {"cylinder_force_1", "cylinder_force_2", "cylinder_force_3", "cylinder_force_4"}) {
    columns.push_back(name);
  }
  ASSERT_EQ(columns, series.columns);
  ASSERT_EQ(401u, series.rows.size());
  const auto applied = [](int k) { return 20000.0 * (1.0 - std::exp(-k * 0.005 / 1.5)); };
  for (int k : {0, 1, 300, 400}) {
    const double mean = k == 0 ? 0.0 : (applied(k - 1) + applied(k)) / 2.0;
    for (int i = 1; i <= 4; ++i) {
      EXPECT_NEAR(mean, series.rows[k][series.Column("cylinder_force_" + std::to_string(i))],
                  1e-9 * 20000.0)
          << "row " << k;
    }
  }
}

// Every set of a batch runs the same model: all of them on a real line, each
// with its adhesion used, whichever sets run side by side.
TEST(RealLineRunTest, EveryBatchSetOnARealLineTellsItsAdhesionUsed) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("combined_train17_GEN.in", ShippedWithSections("V0 10\n"));
  folder.Write("brake.in", BrakeHistory(5000, 10000));
  folder.Write("batch_paramsets.in", "BATCH\n2 4\n0.005 3 10 0.05\n0.0025 3 10 0.05\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history brake.in --jobs 2"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.out << run.err;
  const CsvTable table = ReadCsv(folder.Read("results/batch_summary.csv"), true);
  ASSERT_EQ(2u, table.rows.size());
  const double expected = 4 * 5000.0 / 43000.0 / (9.81 * 0.1);
  for (const std::vector<double>& row : table.rows) {
    EXPECT_NEAR(expected, row[table.Column("adhesion_used")], 0.01 * expected);
  }
}

// The table of a study has the adhesion used where some case runs on a real
// line, for every case.
TEST(RealLineRunTest, AStudyOfTheNewSectionsTellsTheAdhesionUsedOfEveryCase) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("brake.in", BrakeHistory(5000, 10000));
  folder.Write("study.csv",
               "V0,ADHLEVEL.1.position,ADHLEVEL.1.factor\n0,-100,1\n10,-100,1\n10,-100,0.8\n");
  const auto run =
      RunIn(folder.Path(), KelvraCommand("--study study.csv --history brake.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.out << run.err;
  const CsvTable table = ReadCsv(folder.Read("results/study_summary.csv"), true);
  ASSERT_EQ(3u, table.rows.size());
  const std::size_t used = table.Column("adhesion_used");
  EXPECT_TRUE(std::isnan(table.rows[0][used])) << "case 1 does not move";
  // The same brake on less adhesion uses a larger share of it.
  EXPECT_NEAR(table.rows[1][used] / 0.8, table.rows[2][used], 1e-3 * table.rows[2][used]);
}

// The shipped model carries every optional section at its neutral value: its
// runs write, byte for byte, what the model without them writes.
TEST(RealLineRunTest, NeutralSectionsLeaveEveryOutputAsWithoutThem) {
  std::vector<std::string> outputs;
  for (const bool withSections : {true, false}) {
    TempFolder folder;
    folder.CopyShippedData();
    if (!withSections) folder.Write("combined_train17_GEN.in", ShippedWithSections(""));
    folder.Write("brake.in", BrakeHistory(600, 25000));
    const auto run = RunIn(folder.Path(), KelvraCommand("--console --history brake.in"), "\n");
    ASSERT_EQ(0, run.exitCode) << run.out << run.err;
    outputs.push_back(MaskDurations(run.out) + ResultFile(folder, ".csv") +
                      ResultFile(folder, "_summary.csv") + ResultFile(folder, ".txt"));
  }
  EXPECT_EQ(outputs[1], outputs[0]);
}

}  // namespace
