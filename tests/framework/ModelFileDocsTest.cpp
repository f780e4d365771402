// The model file's documentation: its worked example, a two-axle wagon, runs
// on the console and moves as the closed-form figures say, and the page shows
// the example file as it is and names every keyword of the file.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::ReadFile;
using testing_support::RunIn;
using testing_support::SourceDir;
using testing_support::TempFolder;

std::filesystem::path Docs() {
  return SourceDir() / "docs";
}

std::string ExampleFile(const std::string& name) {
  return ReadFile(Docs() / "examples" / name);
}

// The one console time series under results/.
CsvTable RunSeries(const TempFolder& folder) {
  for (const std::string& name : ResultFiles(folder)) {
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".csv") == 0) {
      return ReadCsv(folder.Read("results/" + name));
    }
  }
  ADD_FAILURE() << "no time series under results/";
  return CsvTable();
}

TEST(ModelFileDocsTest, WorkedExampleRunsAsTheClosedFormSays) {
  TempFolder folder;
  folder.Write("combined_train17_GEN.in", ExampleFile("two_axle_wagon.in"));
  folder.Write("two_axle_wagon_history.in", ExampleFile("two_axle_wagon_history.in"));
  std::filesystem::create_directory(folder.Path() / "results");
  const auto run =
      RunIn(folder.Path(), KelvraCommand("--console --history two_axle_wagon_history.in"), "\n");
  EXPECT_EQ(0, run.exitCode) << run.err;
  // The validator integrates the shipped vehicle only and refuses the wagon's
  // history; the wagon's own model, integrated by Runge-Kutta, checks the run.
  EXPECT_EQ(ConsoleStart() + kModelOK + kHistoryOK + kPreparedOK + kVehicleOK +
                "Simulation in progress...\n\tDone in # [s]\nSummary: #\n"
                "\nRunning validator with hard-coded parameters...\n"
                "Creating RK solver... Failed\n"
                "Reason: Error - the external force history has 3 columns: the validator needs at "
                "least 5 (four brake inputs and the traction)\n" +
                kReferenceCheck + kFilesWritten + kExitPrompt,
            MaskDurations(run.out));
  const std::regex figure("while every wheel rolls: ([0-9.e+-]+) m/s");
  std::smatch match;
  ASSERT_TRUE(std::regex_search(run.out, match, figure)) << run.out;
  EXPECT_LT(std::stod(match[1]), 0.01);

  const CsvTable series = RunSeries(folder);
  ASSERT_EQ(1401u, series.rows.size());
  const std::size_t speed = series.Column("vehicle_speed_1");
  const std::size_t position = series.Column("position_1");
  // Rolling wheels: the wagon, its wheelsets and their reduced masses move as one.
  const double mass = 18000.0 + 2 * 1200.0 + 2 * 600.0;
  for (const char* slip : {"slip_1", "slip_2"}) {
    for (const std::vector<double>& row : series.rows) {
      ASSERT_LT(std::fabs(row[series.Column(slip)]), 0.05) << slip << " at " << row[0] << " s";
    }
  }
  // 20 kN for 2 s.
  const std::vector<double>& braking = series.rows[400];
  EXPECT_DOUBLE_EQ(2.0, braking[0]);
  EXPECT_NEAR(20000.0 / mass * 2.0, braking[speed], 1e-3 * braking[speed]);
  // Both treads take 0.5 x 10000 N until standstill: v0^2 / (2 d). The brake
  // fading below 0.05 m/s wheel speed adds a few millimetres.
  const double deceleration = 2 * 0.5 * 10000.0 / mass;
  const double distance = braking[speed] * braking[speed] / (2.0 * deceleration);
  const std::vector<double>& last = series.rows.back();
  EXPECT_LT(last[speed], 1e-4);
  EXPECT_NEAR(distance, last[position] - braking[position], 5e-3 * distance);

  // The summary finds the stop where the page says it is: 3.71 m.
  CsvTable summary;
  for (const std::string& name : ResultFiles(folder)) {
    if (name.find("_summary.csv") != std::string::npos) {
      summary = ReadCsv(folder.Read("results/" + name), true);
    }
  }
  ASSERT_EQ(1u, summary.rows.size());
  EXPECT_NEAR(3.71, summary.rows[0][summary.Column("stopping_distance")], 0.005);
  EXPECT_NEAR(2.0, summary.rows[0][summary.Column("brake_time")], 1e-12);
}

// Every line of the page's ```model blocks stands in the example file, in order.
TEST(ModelFileDocsTest, PageQuotesTheExampleAndNamesEveryKeyword) {
  const std::string page = ReadFile(Docs() / "model-file.md");
  for (const char* keyword :
       {"BEGIN",  "END",    "BODY",   "NODE",   "FORCE",   "EXTFORCE", "OUTDISP",
        "WHEEL",  "DOFS",   "DT",     "Y0",     "ITER",    "LIM",      "SUBDIV",
        "BRKSYS", "RESIST", "ADHSET", "ADHTBL", "HTIMPCT", "SETIDX",   "WHLTMP"}) {
    EXPECT_NE(std::string::npos, page.find("`" + std::string(keyword) + "`")) << keyword;
  }

  std::istringstream example(ExampleFile("two_axle_wagon.in"));
  std::vector<std::string> fileLines;
  for (std::string line; std::getline(example, line);) fileLines.push_back(line);
  std::istringstream lines(page);
  std::size_t next = 0;
  int quoted = 0;
  bool inBlock = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("```", 0) == 0) {
      inBlock = !inBlock && line == "```model";
      continue;
    }
    if (!inBlock || line.empty()) continue;
    while (next < fileLines.size() && fileLines[next] != line) ++next;
    ASSERT_LT(next, fileLines.size()) << "not in the example file, or out of order: " << line;
    ++quoted;
  }
  EXPECT_GT(quoted, 50);
}

}  // namespace
