// --format hdf5: a run's time series, states and summary in one HDF5 file, read
// back with the library and held against the CSV files the same run writes
// under --format csv, number for number.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "ProgramRun.h"
#include "support/Hdf5Reading.h"

namespace {

using namespace program_run;
using testing_support::Hdf5Group;
using testing_support::RunIn;
using testing_support::TempFolder;

// The unit each column's name stands for in the results' documentation.
std::string DocumentedUnit(const std::string& column) {
  static const std::pair<std::regex, const char*> kUnits[] = {
      {std::regex("time|.*_time"), "s"},
      {std::regex("traction|(brake|adhesion_force|normal_force|brake_force|cylinder_force)_[0-9]+"),
       "N"},
      {std::regex("adhesion_used"), "1"},  // a share
      {std::regex("peak_speed|(vehicle_speed|wheel_speed|slip|largest_slip)_[0-9]+"), "m/s"},
      {std::regex("peak_(acceleration|deceleration)"), "m/s2"},
      {std::regex(".*_R"), "rad"},
      {std::regex(".*_R_velo"), "rad/s"},
      {std::regex(".*_velo"), "m/s"},
      {std::regex(".*"), "m"},  // positions, displacements and deflections
  };
  for (const auto& [pattern, unit] : kUnits) {
    if (std::regex_match(column, pattern)) return unit;
  }
  return "";
}

bool Same(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
         (std::isnan(a) && std::isnan(b));
}

// The table holds every column of `csv` after its first `skipped` ones, in
// order, each under its documented unit, with the same doubles in every row.
void ExpectTableIsCsv(const Hdf5Group& table, const CsvTable& csv, std::size_t skipped = 0) {
  const std::vector<std::string> columns(csv.columns.begin() + static_cast<long>(skipped),
                                         csv.columns.end());
  EXPECT_EQ(columns, table.columns);
  ASSERT_EQ(columns.size(), table.datasets.size());
  for (std::size_t c = 0; c < columns.size(); ++c) {
    const testing_support::Hdf5Column& column = table.datasets[c];
    EXPECT_EQ(columns[c], column.name);
    EXPECT_EQ(DocumentedUnit(columns[c]), column.units) << columns[c];
    ASSERT_EQ(csv.rows.size(), column.values.size()) << columns[c];
    std::size_t differing = 0;
    for (std::size_t r = 0; r < csv.rows.size(); ++r) {
      differing += !Same(csv.rows[r][skipped + c], column.values[r]);
    }
    EXPECT_EQ(0u, differing) << columns[c];
  }
}

// The name of a console run's files, such as "results/_kelvra_result_12".
std::string ConsoleBase(const TempFolder& folder) {
  const std::regex resultName("(_kelvra_result_-?[0-9]+)\\.txt");
  std::smatch match;
  for (const std::string& name : ResultFiles(folder)) {
    if (std::regex_match(name, match, resultName)) return "results/" + match[1].str();
  }
  ADD_FAILURE() << "no result file";
  return "";
}

// The demo in a console run, a batch set and a study case, with the states:
// the one HDF5 file holds what the three CSV files hold, and stands in their
// place. The summary of a batch set is its row of batch_summary.csv, after
// the set's number, settings and run time.
TEST(Hdf5OutputTest, DemoRunsHoldTheirCsvFilesNumberForNumber) {
  struct Case {
    std::string options;
    std::string base;  // empty: the console run's numbered name
    std::string summaryFile;
    std::size_t summarySkipped;
  };
  const Case cases[] = {
      {"--console --history demo_history.in", "", "_summary.csv", 0},
      // On a real line with brake cylinders: their columns, and the adhesion used.
      {"--console --history demo_history.in --model real_line.in", "", "_summary.csv", 0},
      {"--batch --history demo_history.in --sets 2", "results/batch_1", "results/batch_summary.csv",
       6},
      {"--study study_brake_adhesion.csv --history demo_history.in --sets 3", "results/study_3",
       "_summary.csv", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    TempFolder csvFolder;
    TempFolder hdf5Folder;
    for (const TempFolder* folder : {&csvFolder, &hdf5Folder}) {
      folder->CopyShippedData();
      std::string model = folder->Read("combined_train17_GEN.in");
      model = model.substr(0, model.find("GRADIENT 1")) + "V0 10\nBRKCYL 1.5 1.0\n";
      folder->Write("real_line.in", model);
      const std::string format = folder == &csvFolder ? "csv" : "hdf5";
      const auto run =
          RunIn(folder->Path(), KelvraCommand(c.options + " --states --format " + format), "\n");
      ASSERT_EQ(0, run.exitCode) << run.err;
      EXPECT_EQ("", run.err);
    }
    const std::string csvBase = c.base.empty() ? ConsoleBase(csvFolder) : c.base;
    const std::string hdf5Base = c.base.empty() ? ConsoleBase(hdf5Folder) : c.base;
    for (const char* ending : {".csv", "_states.csv", "_summary.csv"}) {
      EXPECT_FALSE(hdf5Folder.Exists(hdf5Base + ending)) << ending;
    }
    std::map<std::string, Hdf5Group> tables;
    ASSERT_TRUE(testing_support::ReadHdf5Groups(hdf5Folder.Path() / (hdf5Base + ".h5"), tables));
    ASSERT_EQ(3u, tables.size());
    ExpectTableIsCsv(tables["series"], ReadCsv(csvFolder.Read(csvBase + ".csv")));
    ExpectTableIsCsv(tables["states"], ReadCsv(csvFolder.Read(csvBase + "_states.csv")));
    const std::string summaryFile =
        c.summaryFile.front() == '_' ? csvBase + c.summaryFile : c.summaryFile;
    ExpectTableIsCsv(tables["summary"], ReadCsv(csvFolder.Read(summaryFile), true),
                     c.summarySkipped);
  }
}

// A study case that breaks at its first step keeps its sound rows, the
// initial one, in a file that reads back whole, without a summary; the study
// fails, and the next case writes its file in full.
TEST(Hdf5OutputTest, ACaseThatBreaksKeepsItsSoundRowsWithoutASummary) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  folder.Write("s.csv", "RESIST.c1\n1e300\n0\n");
  const auto run =
      RunIn(folder.Path(), KelvraCommand("--study s.csv --history h.in --format hdf5"), "\n");
  EXPECT_EQ(1, run.exitCode);
  std::map<std::string, Hdf5Group> broken;
  ASSERT_TRUE(testing_support::ReadHdf5Groups(folder.Path() / "results/study_1.h5", broken));
  ASSERT_EQ(1u, broken.size());
  const testing_support::Hdf5Column* time = broken["series"].Find("time");
  ASSERT_NE(nullptr, time);
  EXPECT_EQ(std::vector<double>{0.0}, time->values);
  std::map<std::string, Hdf5Group> sound;
  ASSERT_TRUE(testing_support::ReadHdf5Groups(folder.Path() / "results/study_2.h5", sound));
  EXPECT_EQ(2u, sound.size());
  EXPECT_EQ(1u, sound.count("summary"));
}

}  // namespace
