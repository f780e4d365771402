#include "WindowFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

// Standard output of a shell command.
std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::array<char, 256> buffer;
  while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) out += buffer.data();
  pclose(pipe);
  return out;
}

// The time series the window runs wrote into `folder`'s results/, by name.
std::vector<fs::path> WindowSeries(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder / "results")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("realtime_", 0) == 0 && entry.path().extension() != ".json" &&
        name.find("_states") == std::string::npos && name != "realtime_modes.csv") {
      files.push_back(entry.path());
    }
  }
  return files;
}

// What sha256sum says of `file`: a digest independent of the program's own.
std::string Sha256Sum(const fs::path& file) {
  const std::string out = Capture("sha256sum '" + file.string() + "'");
  return out.substr(0, out.find(' '));
}

// The columns `file` holds as "<name> <unit>": a CSV's header names them (its
// units are not in the file: "?"), an HDF5 file's tables hold them as
// "<table>/<dataset>" with the dataset's units.
std::vector<std::string> ColumnsInFile(const fs::path& file) {
  std::vector<std::string> columns;
  if (file.extension() == ".h5") {
    std::map<std::string, testing_support::Hdf5Group> tables;
    EXPECT_TRUE(testing_support::ReadHdf5Groups(file, tables)) << file;
    for (const char* table : {"series", "states"}) {
      if (tables.count(table) == 0) continue;
      for (const testing_support::Hdf5Column& dataset : tables.at(table).datasets) {
        columns.push_back(std::string(table) + "/" + dataset.name + " " + dataset.units);
      }
    }
    return columns;
  }
  const std::string text = testing_support::ReadFile(file);
  std::istringstream header(text.substr(0, text.find('\n')));
  std::string name;
  while (std::getline(header, name, ',')) columns.push_back(name + " ?");
  return columns;
}

std::string StatesName(const std::string& series) {
  return series.substr(0, series.size() - 4) + "_states.csv";
}

// The window session's record: the one realtime_<n>.json in `folder`'s
// results/, named after the first time series it lists. It is checked against
// the files themselves: the run ended with status 0, the model's and the
// history's digests are sha256sum's, and it lists exactly the files `expected`
// ("<kind> <path>", in any order), each with the columns of its header or
// tables, every one with a unit.
void ExpectSessionRecord(const fs::path& folder, std::vector<std::string> expected,
                         const std::string& history) {
  std::vector<fs::path> records;
  for (const auto& entry : fs::directory_iterator(folder / "results")) {
    const bool window = entry.path().filename().string().rfind("realtime_", 0) == 0;
    if (window && entry.path().extension() == ".json") records.push_back(entry.path());
  }
  ASSERT_EQ(records.size(), 1u);
  const nlohmann::json record = nlohmann::json::parse(testing_support::ReadFile(records[0]));
  EXPECT_EQ(record["run"], "window");
  EXPECT_EQ(record["exit_status"], 0);
  EXPECT_EQ(record["model"]["path"], "combined_train17_GEN.in");
  EXPECT_EQ(record["model"]["sha256"], Sha256Sum(folder / "combined_train17_GEN.in"));
  if (history.empty()) {
    EXPECT_EQ(record["history"]["path"], "");
  } else {
    EXPECT_EQ(record["history"]["sha256"], Sha256Sum(folder / history));
  }
  std::vector<std::string> listed;
  std::string firstSeries;
  for (const nlohmann::json& file : record["files"]) {
    const std::string path = file["path"];
    listed.push_back(file["kind"].get<std::string>() + " " + path);
    const bool hdf5 = file["kind"] == "hdf5";
    if (firstSeries.empty() && (hdf5 || file["kind"] == "time_series")) firstSeries = path;
    std::vector<std::string> columns;
    for (const nlohmann::json& column : file["columns"]) {
      const std::string unit = column["unit"];
      EXPECT_NE(unit, "") << path << " " << column["name"];
      columns.push_back(column["name"].get<std::string>() + " " + (hdf5 ? unit : "?"));
    }
    EXPECT_EQ(columns, ColumnsInFile(folder / path)) << path;
  }
  std::sort(listed.begin(), listed.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(fs::path(firstSeries).replace_extension(".json"), fs::relative(records[0], folder));
}

// Every line ends in a newline and has the columns of four axles.
bool CompleteSeries(const std::string& text) {
  if (text.empty() || text.back() != '\n') return false;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (std::count(line.begin(), line.end(), ',') != 2 + 4 * 8 - 1) return false;
  }
  return true;
}

// The HDF5 file of a results folder's run whose name starts with `prefix`.
std::vector<fs::path> Hdf5Files(const fs::path& folder, const std::string& prefix) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder / "results")) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0 && entry.path().extension() == ".h5") files.push_back(entry);
  }
  return files;
}

// Whether every table of `shown` but the summary holds the rows of the same
// table of `console` from its first, `rows` of them, under the same names and units.
bool TablesStartAsTheConsoles(const std::map<std::string, testing_support::Hdf5Group>& shown,
                              const std::map<std::string, testing_support::Hdf5Group>& console,
                              std::size_t rows) {
  if (shown.size() != 2u || console.count("summary") != 1u) return false;
  for (const char* name : {"series", "states"}) {
    if (shown.count(name) == 0 || console.count(name) == 0) return false;
    const testing_support::Hdf5Group& part = shown.at(name);
    const testing_support::Hdf5Group& whole = console.at(name);
    if (part.columns != whole.columns || part.datasets.size() != whole.datasets.size()) {
      return false;
    }
    for (std::size_t c = 0; c < whole.datasets.size(); ++c) {
      const testing_support::Hdf5Column& a = part.datasets[c];
      const testing_support::Hdf5Column& b = whole.datasets[c];
      if (a.name != b.name || a.units != b.units || a.values.size() != rows ||
          b.values.size() < rows ||
          !std::equal(a.values.begin(), a.values.end(), b.values.begin())) {
        return false;
      }
    }
  }
  return true;
}
