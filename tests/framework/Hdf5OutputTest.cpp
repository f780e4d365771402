// --format hdf5: a run's time series, states and summary in one HDF5 file, read
// back with the library and held against the CSV files the same run writes
// under --format csv, number for number.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
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
      {std::regex("wsp_valve_[0-9]+"), "1"},  // a valve state
      {std::regex("wsp_release_[0-9]+"), "s"},
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

using nlohmann::json;
using Attributes = std::map<std::string, testing_support::Hdf5AttributeValue>;

// Whether `attribute` holds the record's `field`: a list as a list, numbers
// as numbers (whole ones as integers), anything else as the JSON's text.
bool Holds(const testing_support::Hdf5AttributeValue& attribute, const json& field) {
  const json items = field.is_array() ? field : json::array({field});
  if (attribute.scalar == field.is_array()) return false;
  bool numbers = !items.empty();
  bool whole = true;
  for (const json& item : items) {
    numbers = numbers && item.is_number();
    whole = whole && item.is_number_integer();
  }
  std::vector<double> values;
  std::vector<std::string> texts;
  for (const json& item : items) {
    if (numbers) values.push_back(item.get<double>());
    if (!numbers) texts.push_back(item.is_string() ? item.get<std::string>() : item.dump());
  }
  return attribute.numbers == values && attribute.texts == texts &&
         (!numbers || attribute.whole == whole);
}

// Every field of the record under `name` is the attribute of its name, an
// object's fields "<name>.<field>"; `compared` counts them.
void ExpectAttributesHold(const Attributes& attributes, const std::string& name, const json& field,
                          std::size_t& compared) {
  if (field.is_object()) {
    for (const auto& [key, value] : field.items()) {
      ExpectAttributesHold(attributes, name.empty() ? key : name + "." + key, value, compared);
    }
    return;
  }
  const auto attribute = attributes.find(name);
  ++compared;
  EXPECT_TRUE(attribute != attributes.end() && Holds(attribute->second, field))
      << name << " is not " << field.dump();
}

// The run's record beside `file` lists it with its datasets, in the order
// made, and their units; the file's attributes are the record's fields but
// those its end brings, and `own` ones of its set or case.
void ExpectFileHoldsItsRecord(const TempFolder& folder, const std::string& manifestFile,
                              const std::string& file,
                              const std::map<std::string, Hdf5Group>& tables,
                              const Attributes& own) {
  const json record = json::parse(folder.Read(manifestFile));
  json entry;
  for (const json& listed : record["files"]) {
    if (listed["path"] == file) entry = listed;
  }
  ASSERT_EQ("hdf5", entry.value("kind", "")) << file;
  std::vector<std::string> listed;
  for (const json& column : entry["columns"]) {
    listed.push_back(column["name"].get<std::string>() + " " + column["unit"].get<std::string>());
  }
  std::vector<std::string> held;
  for (const char* group : {"series", "states", "summary"}) {
    if (tables.count(group) == 0) continue;
    for (const testing_support::Hdf5Column& column : tables.at(group).datasets) {
      held.push_back(std::string(group) + "/" + column.name + " " + column.units);
    }
  }
  EXPECT_EQ(held, listed);

  Attributes attributes;
  ASSERT_TRUE(testing_support::ReadHdf5RootAttributes(folder.Path() / file, attributes));
  json started = record;
  for (const char* late : {"duration_s", "exit_status", "batch_sets", "files"}) {
    started.erase(late);
  }
  std::size_t compared = 0;
  ExpectAttributesHold(attributes, "", started, compared);
  for (const auto& [name, value] : own) {
    ++compared;
    const auto attribute = attributes.find(name);
    EXPECT_TRUE(attribute != attributes.end() && attribute->second.numbers == value.numbers &&
                attribute->second.whole == value.whole)
        << name;
  }
  EXPECT_EQ(compared, attributes.size());
}

// The demo in a console run, a batch set and a study case, with the states:
// the one HDF5 file holds what the three CSV files hold, and stands in their
// place. The summary of a batch set is its row of batch_summary.csv, after
// the set's number, settings and run time. The file carries its run's record
// as its attributes, and the record lists the file's datasets.
TEST(Hdf5OutputTest, DemoRunsHoldTheirCsvFilesNumberForNumber) {
  using testing_support::Hdf5AttributeValue;
  struct Case {
    std::string options;
    std::string base;  // empty: the console run's numbered name
    std::string summaryFile;
    std::size_t summarySkipped;
    std::string manifest;  // empty: the console run's "<base>.json"
    Attributes own;        // the attributes of the set or case
  };
  const Case cases[] = {
      {"--console --no-validator --history demo_history.in", "", "_summary.csv", 0, "", {}},
      // On a real line with brake cylinders and slide protection: their columns,
      // the adhesion used and the release times.
      {"--console --no-validator --history demo_history.in --model real_line.in",
       "",
       "_summary.csv",
       0,
       "",
       {}},
      // The second set of the shipped four: DT 0.0025, ITER 1, SUBDIV 5, LIM 0.05.
      {"--batch --no-validator --history demo_history.in --sets 2",
       "results/batch_1",
       "results/batch_summary.csv",
       6,
       "results/batch.json",
       {{"batch_set.set", Hdf5AttributeValue{{}, {1.0}, true, true}},
        {"batch_set.DT", Hdf5AttributeValue{{}, {0.0025}, false, true}},
        {"batch_set.ITER", Hdf5AttributeValue{{}, {1.0}, true, true}},
        {"batch_set.SUBDIV", Hdf5AttributeValue{{}, {5.0}, true, true}},
        {"batch_set.LIM", Hdf5AttributeValue{{}, {0.05}, false, true}}}},
      {"--study study_brake_adhesion.csv --history demo_history.in --sets 3",
       "results/study_3",
       "_summary.csv",
       0,
       "results/study.json",
       {{"study_case", Hdf5AttributeValue{{}, {3.0}, true, true}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    TempFolder csvFolder;
    TempFolder hdf5Folder;
    for (const TempFolder* folder : {&csvFolder, &hdf5Folder}) {
      folder->CopyShippedData();
      std::string model = folder->Read("combined_train17_GEN.in");
      model = model.substr(0, model.find("GRADIENT 1")) + "BRKCYL 1.5 1.0\nWSP 1\nV0 10\n";
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
    ExpectFileHoldsItsRecord(hdf5Folder, c.manifest.empty() ? hdf5Base + ".json" : c.manifest,
                             hdf5Base + ".h5", tables, c.own);
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
  // The study's record lists each file with the datasets it holds.
  const Attributes own = {{"study_case", {{}, {1.0}, true, true}}};
  ExpectFileHoldsItsRecord(folder, "results/study.json", "results/study_1.h5", broken, own);
}

}  // namespace
