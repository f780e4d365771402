#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

namespace program_run {

namespace fs = std::filesystem;
using testing_support::DataDir;
using testing_support::KelvraBinary;
using testing_support::ReadFile;
using testing_support::TempFolder;

std::string ConsoleStart() {
  return std::string(kBanner) + kSR + kSEF + kCD;
}

std::string BatchStart() {
  return std::string(kBanner) + kBR + kSEF + kCD;
}

std::string BatchSetUp() {
  return BatchStart() + kModelOK + kHistoryOK + kBatchOK + kPreparedOK + kVehicleOK;
}

std::string SetRun(int i, int n, const std::string& params, const std::string& during) {
  return "\nSimulation " + std::to_string(i) + " of " + std::to_string(n) + "\nParams: " + params +
         "\n" + during + "\tDone in # [s]\nSummary: #\n";
}

std::string GraphicsStart() {
  return std::string(kBanner) + kSR + kSEF + kGD;
}

std::string KelvraCommand(const std::string& options) {
  return "'" + KelvraBinary().string() + "' " + options;
}

std::string RampHistory(int rows) {
  std::ostringstream text;
  text << "| brake inputs of axles 1 to 4, traction\nEFD\n" << rows << " 5\n";
  for (int k = 0; k < rows; ++k) text << "0 0 0 0 " << 1000 * (k + 1) << "\n";
  return text.str();
}

std::string MaskNumbers(const std::string& text, const std::string& prefix,
                        const std::string& suffix) {
  std::string masked;
  std::size_t from = 0;
  while (true) {
    const std::size_t start = text.find(prefix, from);
    if (start == std::string::npos) break;
    const std::size_t numberStart = start + prefix.size();
    const std::size_t end = text.find(suffix, numberStart);
    if (end == std::string::npos) break;
    const std::string number = text.substr(numberStart, end - numberStart);
    char* stop = nullptr;
    const double value = std::strtod(number.c_str(), &stop);
    EXPECT_TRUE(!number.empty() && *stop == '\0' && value >= 0.0)
        << "'" << number << "' after '" << prefix << "' is no duration";
    masked += text.substr(from, numberStart - from) + "#";
    from = end;
  }
  return masked + text.substr(from);
}

// The rest of each line starting with `start` replaced by "#".
std::string MaskLines(const std::string& text, const std::string& start) {
  std::string masked;
  std::size_t from = 0;
  for (std::size_t found; (found = text.find(start, from)) != std::string::npos;) {
    if (found > 0 && text[found - 1] != '\n') {
      masked += text.substr(from, found + start.size() - from);
      from = found + start.size();
      continue;
    }
    const std::size_t end = text.find('\n', found);
    masked += text.substr(from, found - from) + start + "#";
    from = end == std::string::npos ? text.size() : end;
  }
  return masked + text.substr(from);
}

std::string MaskDurations(const std::string& out) {
  std::string masked = MaskLines(MaskLines(out, "Summary: "), "Files written: ");
  masked = MaskNumbers(masked, "\tDone in ", " [s]\n");
  masked = MaskNumbers(masked, "(Runge-Kutta, ", " substeps per time step)");
  masked = MaskNumbers(masked, "while every wheel rolls: ", " m/s at ");
  masked = MaskNumbers(masked, "once a wheel has slid: ", " m/s at ");
  masked = MaskNumbers(masked, " m/s at ", " s (axle ");
  return MaskNumbers(masked, " s (axle ", ")");
}

std::vector<std::string> StepColumns(int axles) {
  std::vector<std::string> columns = {"time", "traction"};
  for (int i = 1; i <= axles; ++i) {
    const std::string n = std::to_string(i);
    for (const std::string& name :
         {"brake_" + n, "vehicle_speed_" + n, "wheel_speed_" + n, "slip_" + n,
          "adhesion_force_" + n, "normal_force_" + n, "brake_force_" + n, "position_" + n}) {
      columns.push_back(name);
    }
  }
  return columns;
}

std::size_t CsvTable::Column(const std::string& name) const {
  const auto found = std::find(columns.begin(), columns.end(), name);
  if (found == columns.end()) {
    ADD_FAILURE() << "no column " << name;
    return 0;
  }
  return static_cast<std::size_t>(found - columns.begin());
}

CsvTable ReadCsv(const std::string& text, bool emptyCells) {
  CsvTable table;
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);
  std::istringstream names(line);
  std::string cell;
  while (std::getline(names, cell, ',')) table.columns.push_back(cell);
  while (std::getline(lines, line)) {
    std::vector<double> row;
    std::istringstream cells(line);
    while (std::getline(cells, cell, ',')) {
      if (emptyCells && cell.empty()) {
        row.push_back(std::nan(""));
        continue;
      }
      char* end = nullptr;
      row.push_back(std::strtod(cell.c_str(), &end));
      EXPECT_TRUE(!cell.empty() && *end == '\0') << "'" << cell << "' is no number";
    }
    // A line that ends in a comma ends in an empty cell, which getline does not give.
    if (!line.empty() && line.back() == ',') {
      EXPECT_TRUE(emptyCells) << "an empty last cell: " << line;
      row.push_back(std::nan(""));
    }
    EXPECT_EQ(table.columns.size(), row.size()) << line;
    table.rows.push_back(row);
  }
  return table;
}

std::vector<std::string> ResultFiles(const TempFolder& folder) {
  std::vector<std::string> names;
  const fs::path results = folder.Path() / "results";
  if (!fs::is_directory(results)) return names;
  for (const fs::directory_entry& entry : fs::directory_iterator(results)) {
    const std::string name = entry.path().filename().string();
    if (name.front() != '.') names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ConsoleBase(const TempFolder& folder) {
  const std::regex resultName("(_kelvra_result_-?[0-9]+)\\.txt");
  std::smatch match;
  for (const std::string& name : ResultFiles(folder)) {
    if (std::regex_match(name, match, resultName)) return "results/" + match[1].str();
  }
  ADD_FAILURE() << "no result file";
  return "";
}

std::string ShippedModelWith(const std::string& from, const std::string& to) {
  std::string model = ReadFile(DataDir() / "combined_train17_GEN.in");
  const std::size_t at = model.find(from);
  if (at == std::string::npos) {
    ADD_FAILURE() << "the shipped model holds no '" << from << "'";
    return model;
  }
  return model.replace(at, from.size(), to);
}

std::string ModelCreationLog(const CouplingErrors& errors) {
  return std::string(
             "***** ModelCreation Module Log *****\n\n"
             "Input file: combined_train17_GEN.in\n"
             "Status: FilePathOK\n"
             "Executing CreateComponents()\n"
             "Status: FileParsedSuccessfully\n"
             "Executing CalculateBasicMatrices()\n"
             "Status: BasicMatricesOK\n"
             "Executing CalculateAdvancedMatrices()\n"
             "Status: AdvancedMatricesOK\n"
             "Executing GenerateNormalForceMatrix()\n"
             "Executing GenerateStaticAxleLoadVector()\n") +
         errors.staticLoad + "Executing GenerateReducedMassVector()\n" + errors.reducedMass +
         "Executing GenerateWheelIndices()\n" + errors.wheelIndex +
         "Executing GenerateBrakeForceRadii()\n" + errors.brakeRadius;
}

int LineCount(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

std::vector<std::string> MarkedBlocks(const std::string& text, const std::string& marker) {
  std::vector<std::string> blocks;
  std::istringstream lines(text);
  bool marked = false;
  std::string block;
  for (std::string line; std::getline(lines, line);) {
    if (line == marker) {
      marked = true;
    } else if (marked && line.rfind("    ", 0) == 0) {
      block += line.substr(4) + "\n";
    } else if (marked && !block.empty()) {
      blocks.push_back(block);
      block.clear();
      marked = false;
    }
  }
  if (marked && !block.empty()) blocks.push_back(block);
  return blocks;
}

namespace {

// The sixth cell of every row after the header, the set's run time, as "#".
std::string MaskRunTimeColumn(const std::string& summary) {
  std::istringstream lines(summary);
  std::string masked;
  bool header = true;
  for (std::string line; std::getline(lines, line); header = false) {
    std::size_t start = 0;
    for (int cell = 0; cell < 5 && start != std::string::npos; ++cell) {
      start = line.find(',', start);
      if (start != std::string::npos) ++start;
    }
    if (!header && start != std::string::npos) {
      line.replace(start, line.find(',', start) - start, "#");
    }
    masked += line + "\n";
  }
  return masked;
}

// The files of a run by name, their run times masked.
std::map<std::string, std::string> RunFiles(const fs::path& folder, const std::string& prefix) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    // A run's record names its own command line and times: no two runs share it.
    if (name.rfind(prefix, 0) != 0 || name.ends_with(".json") || !entry.is_regular_file()) continue;
    std::string text = ReadFile(entry.path());
    if (name == "batch_run_times.txt") text = MaskNumbers(text, "TIME = ", "\n");
    if (name == "batch_summary.csv") text = MaskRunTimeColumn(text);
    files[name] = text;
  }
  return files;
}

}  // namespace

std::string StableRecord(const std::string& recordText) {
  nlohmann::json record = nlohmann::json::parse(recordText, nullptr, false);
  if (record.is_discarded()) {
    ADD_FAILURE() << "no JSON: " << recordText;
    return recordText;
  }
  for (const char* key : {"command_line", "working_folder", "start_time_utc", "duration_s"}) {
    EXPECT_TRUE(record.contains(key)) << key;
    record.erase(key);
  }
  return record.dump(1);
}

void ExpectSameRunFiles(const fs::path& expected, const fs::path& actual,
                        const std::string& prefix) {
  const std::map<std::string, std::string> want = RunFiles(expected, prefix);
  const std::map<std::string, std::string> got = RunFiles(actual, prefix);
  std::vector<std::string> wantNames;
  std::vector<std::string> gotNames;
  for (const auto& entry : want) wantNames.push_back(entry.first);
  for (const auto& entry : got) gotNames.push_back(entry.first);
  EXPECT_EQ(wantNames, gotNames) << actual;
  EXPECT_FALSE(want.empty()) << expected << " holds no files of a run";
  for (const auto& [name, text] : want) {
    const auto found = got.find(name);
    EXPECT_TRUE(found != got.end() && found->second == text) << name << " differs in " << actual;
  }
}

}  // namespace program_run
