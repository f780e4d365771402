// Runs of the program with wheel slide protection: its valve columns in the
// time series, the time it released each axle in the summaries, and the
// validator, which does not model it.

#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::ReadFile;
using testing_support::RunIn;
using testing_support::TempFolder;

// The shipped vehicle at adhesion 0.08, started at 14 m/s, with `wsp` as its
// WSP line.
std::string LowAdhesionModel(const std::string& wsp) {
  std::string text = ReadFile(testing_support::DataDir() / "combined_train17_GEN.in");
  for (const auto& [from, to] :
       {std::pair<std::string, std::string>{"0.1 0.2 5 1 1", "0.08 0.2 5 1 1"},
        {"V0 0", "V0 14"}}) {
    const std::size_t at = text.find(from);
    EXPECT_NE(std::string::npos, at) << from;
    text.replace(at, from.size(), to);
  }
  const std::size_t line = text.find("\nWSP ") + 1;
  return text.substr(0, line) + wsp + text.substr(text.find('\n', line));
}

// The demo's full brake, 25000 per axle, for 25 s.
std::string FullBrake() {
  std::ostringstream text;
  text << "EFD\n5000 5\n";
  for (int k = 0; k < 5000; ++k) text << "25000 25000 25000 25000 0\n";
  return text.str();
}

std::string ResultFile(const TempFolder& folder, const std::string& suffix) {
  for (const std::string& name : ResultFiles(folder)) {
    if (name.starts_with("_kelvra_result_") && name.ends_with(suffix) &&
        (suffix != ".csv" || !name.ends_with("_summary.csv"))) {
      return folder.Read("results/" + name);
    }
  }
  ADD_FAILURE() << "no result file ending in " << suffix;
  return "";
}

// Each axle's valve, step by step, and the summary's release time: the time
// of the steps whose valve vented or held, counted from the time series.
TEST(WheelSlideRunTest, TheValvesOfEveryStepAndTheReleaseTimesOfTheStopAreRecorded) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("combined_train17_GEN.in", LowAdhesionModel("WSP 1"));
  folder.Write("brake.in", FullBrake());
  const auto run = RunIn(folder.Path(), KelvraCommand("--console --history brake.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.out << run.err;
  EXPECT_NE(std::string::npos,
            run.out.find("No speed comparison with the validator: it does not model WSP and V0, "
                         "which this run uses\n"))
      << run.out;

  const CsvTable series = ReadCsv(ResultFile(folder, ".csv"));
  std::vector<std::string> columns = StepColumns(4);
  for (int i = 1; i <= 4; ++i) columns.push_back("wsp_valve_" + std::to_string(i));
  ASSERT_EQ(columns, series.columns);
  const CsvTable summary = ReadCsv(ResultFile(folder, "_summary.csv"), true);
  ASSERT_EQ(1u, summary.rows.size());
  std::ostringstream line;
  line << ", WSP released";
  for (int i = 1; i <= 4; ++i) {
    SCOPED_TRACE(i);
    const std::size_t valve = series.Column("wsp_valve_" + std::to_string(i));
    int released = 0;
    int dumped = 0;
    for (const std::vector<double>& row : series.rows) {
      const double v = row[valve];
      EXPECT_TRUE(v == 0.0 || v == 1.0 || v == 2.0) << v;
      released += v != 0.0 ? 1 : 0;
      dumped += v == 2.0 ? 1 : 0;
    }
    EXPECT_GT(dumped, 0);
    EXPECT_EQ(0.0, series.rows[0][valve]) << "before the first step";
    const double release = summary.rows[0][summary.Column("wsp_release_" + std::to_string(i))];
    EXPECT_NEAR(released * 0.005, release, 1e-9);
    EXPECT_LT(release, summary.rows[0][summary.Column("stopping_time")]);
    line << ' ' << release;
  }
  line << " s\n";
  EXPECT_NE(std::string::npos, run.out.find(line.str())) << run.out;
  // Held near the adhesion optimum, no wheel slides far.
  for (int i = 1; i <= 4; ++i) {
    EXPECT_LT(summary.rows[0][summary.Column("largest_slip_" + std::to_string(i))], 2.0);
  }
}

// A study of the unit off and on: one table, the release times where it is
// on and empty cells where it is off; the settings reached by their paths.
TEST(WheelSlideRunTest, AStudyReachesTheUnitsSettingsAndTellsItsReleaseTimes) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("combined_train17_GEN.in", LowAdhesionModel("WSP 0 1.5 2.5 0.4 0.15 4 1 4 1 3 1"));
  folder.Write("brake.in", FullBrake());
  folder.Write("study.csv", "WSP.enabled,WSP.dump_rate\n0,4\n1,4\n1,8\n");
  const auto run =
      RunIn(folder.Path(), KelvraCommand("--study study.csv --history brake.in --jobs 1"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.out << run.err;
  const CsvTable table = ReadCsv(folder.Read("results/study_summary.csv"), true);
  ASSERT_EQ(3u, table.rows.size());
  const std::size_t release = table.Column("wsp_release_1");
  EXPECT_TRUE(std::isnan(table.rows[0][release])) << "the unit is off";
  EXPECT_GT(table.rows[1][release], 0.0);
  EXPECT_NE(table.rows[1][release], table.rows[2][release]) << "another dump rate";
  // Off, the wheels lock and have not stopped the vehicle by the end; on, it
  // stops, its wheels within a little of the vehicle's speed.
  const std::size_t distance = table.Column("stopping_distance");
  const std::size_t slip = table.Column("largest_slip_1");
  EXPECT_TRUE(std::isnan(table.rows[0][distance]));
  EXPECT_GT(table.rows[0][slip], 10.0);
  EXPECT_GT(table.rows[1][distance], 0.0);
  EXPECT_LT(table.rows[1][slip], 2.0);
  EXPECT_NE(std::string::npos,
            folder.Read("results/study_3_model.in").find("WSP 1 1.5 2.5 0.4 0.15 4 1 8 1 3 1"));
  // The study's record lists every table with the columns its header has:
  // the valves in the time series of the cases with the unit on only.
  const nlohmann::json record = nlohmann::json::parse(folder.Read("results/study.json"));
  int tables = 0;
  for (const nlohmann::json& file : record["files"]) {
    const std::string path = file["path"];
    if (!path.ends_with(".csv")) continue;
    std::string header = folder.Read(path);
    header = header.substr(0, header.find('\n'));
    std::string listed;
    for (const nlohmann::json& column : file["columns"]) {
      listed += (listed.empty() ? "" : ",") + column["name"].get<std::string>();
    }
    EXPECT_EQ(header, listed) << path;
    ++tables;
  }
  EXPECT_GE(tables, 7) << "three time series, three summaries and the study's table";
}

}  // namespace
