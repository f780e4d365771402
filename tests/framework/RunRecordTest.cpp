// The record of a run (<run>.json beside its files) and the options that shape
// what a run records: --name, --record-every and --no-validator. The record is
// checked against the files themselves: the digests against sha256sum, the
// columns against each file's header, the status against the process's own.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using nlohmann::json;
using testing_support::ProcessResult;
using testing_support::RunIn;
using testing_support::TempFolder;

// Traction for 0.75 s, then a full brake for 0.75 s: the wheels roll, then slide.
std::string TractionThenBrake() {
  std::ostringstream text;
  text << "EFD\n300 5\n";
  for (int k = 0; k < 150; ++k) text << "0 0 0 0 50000\n";
  for (int k = 0; k < 150; ++k) text << "25000 25000 25000 25000 0\n";
  return text.str();
}

TempFolder& ShippedFolder(TempFolder& folder) {
  folder.CopyShippedData();
  folder.Write("h.in", TractionThenBrake());
  return folder;
}

ProcessResult Kelvra(const TempFolder& folder, const std::string& options) {
  return RunIn(folder.Path(), KelvraCommand(options) + " < /dev/null");
}

// What sha256sum says of `file` in `folder`: an independent digest.
std::string Sha256Sum(const TempFolder& folder, const std::string& file) {
  const ProcessResult run = RunIn(folder.Path(), "sha256sum '" + file + "'");
  EXPECT_EQ(0, run.exitCode) << run.err;
  return run.out.substr(0, run.out.find(' '));
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == separator) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// The names the files-written line gives, in order.
std::vector<std::string> FilesWrittenLine(const std::string& out) {
  const std::string prefix = "Files written: ";
  const std::size_t at = out.find(prefix);
  if (at == std::string::npos) return {};
  const std::string line = out.substr(at + prefix.size(), out.find('\n', at) - at - prefix.size());
  std::vector<std::string> names;
  for (std::string name : Split(line, ',')) names.push_back(name.substr(name[0] == ' ' ? 1 : 0));
  return names;
}

// Every file the record lists exists and holds the columns it names, each with
// a unit: a CSV's header names them in order; a text file of lines of
// tab-separated numbers has as many; a result text names each on a line of
// its own ("DT =0.005", "ITER = 3", ..., the mode label last).
void ExpectColumnsOfEveryFile(const TempFolder& folder, const json& record) {
  for (const json& file : record["files"]) {
    const std::string path = file["path"];
    const std::string kind = file["kind"];
    ASSERT_TRUE(folder.Exists(path)) << path;
    std::vector<std::string> names;
    for (const json& column : file["columns"]) {
      names.push_back(column["name"]);
      EXPECT_FALSE(column["unit"].get<std::string>().empty()) << path << " " << names.back();
    }
    const std::string text = folder.Read(path);
    if (path.ends_with(".csv")) {
      EXPECT_EQ(Split(FirstLine(text), ','), names) << path;
    } else if (kind == "validator_forces" || kind == "batch_run_times" ||
               kind == "validator_run_time") {
      EXPECT_EQ(names.size(), Split(FirstLine(text), '\t').size()) << path;
    } else if (kind.ends_with("result_text")) {
      std::istringstream lines(text);
      for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        std::string line;
        std::getline(lines, line);
        EXPECT_TRUE(line.starts_with(names[i] + " =")) << path << ": " << line;
      }
    } else {
      EXPECT_TRUE(names.empty()) << path << " of kind " << kind;
    }
  }
}

std::set<std::string> ListedFiles(const json& record) {
  std::set<std::string> listed;
  for (const json& file : record["files"]) listed.insert(file["path"].get<std::string>());
  return listed;
}

TEST(RunRecordTest, ConsoleRecordNamesItsInputsEveryFileWithItsUnitsAndItsStatus) {
  TempFolder folder;
  ShippedFolder(folder);
  const ProcessResult run = Kelvra(folder, "--console --history h.in --states --modes");
  ASSERT_EQ(0, run.exitCode) << run.err;
  const std::vector<std::string> written = FilesWrittenLine(run.out);
  ASSERT_FALSE(written.empty()) << run.out;
  const std::string manifest = written.back();
  ASSERT_TRUE(manifest.ends_with(".json")) << manifest;
  const json record = json::parse(folder.Read(manifest));

  EXPECT_EQ("console", record["run"]);
  EXPECT_EQ(Kelvra(folder, "--version").out,
            "kelvra " + record["version"].get<std::string>() + "\n");
  EXPECT_EQ("combined_train17_GEN.in", record["model"]["path"]);
  EXPECT_EQ(Sha256Sum(folder, "combined_train17_GEN.in"), record["model"]["sha256"]);
  EXPECT_EQ("h.in", record["history"]["path"]);
  EXPECT_EQ(Sha256Sum(folder, "h.in"), record["history"]["sha256"]);
  EXPECT_EQ(std::filesystem::canonical(folder.Path()).string(), record["working_folder"]);
  const std::vector<std::string> arguments = record["command_line"];
  EXPECT_EQ((std::vector<std::string>{"--console", "--history", "h.in", "--states", "--modes"}),
            std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  EXPECT_EQ(json::parse(R"({"DT": 0.005, "ITER": 3, "LIM": 0.05, "SUBDIV": 10})"),
            record["settings"]);
  EXPECT_EQ("run", record["validator"]);
  EXPECT_EQ(0, record["exit_status"]);
  EXPECT_GE(record["duration_s"].get<double>(), 0.0);
  EXPECT_EQ(20u, record["start_time_utc"].get<std::string>().size());

  // Every file of the results folder is listed (the record itself aside), in
  // the order the files-written line names them.
  std::vector<std::string> listed;
  for (const json& file : record["files"]) listed.push_back(file["path"]);
  EXPECT_EQ(std::vector<std::string>(written.begin(), written.end() - 1), listed);
  std::set<std::string> present;
  for (const std::string& name : ResultFiles(folder)) present.insert("results/" + name);
  present.erase(manifest);
  EXPECT_EQ(present, ListedFiles(record));
  ExpectColumnsOfEveryFile(folder, record);

  // The units of a few columns, as the physics gives them.
  std::map<std::string, std::string> units;
  for (const json& file : record["files"]) {
    for (const json& column : file["columns"]) units[column["name"]] = column["unit"];
  }
  for (const auto& [name, unit] :
       std::vector<std::pair<std::string, std::string>>{{"adhesion_force_4", "N"},
                                                        {"Car_R", "rad"},
                                                        {"Car_R_velo", "rad/s"},
                                                        {"Bogie1_Y", "m"},
                                                        {"peak_acceleration", "m/s2"},
                                                        {"natural_frequency_hz", "Hz"}}) {
    EXPECT_EQ(unit, units[name]) << name;
  }
}

// A named run whose summary cannot be saved exits 1, and its record says so
// and leaves the summary out.
TEST(RunRecordTest, RecordOfARunThatExitsOneSaysSo) {
  TempFolder folder;
  ShippedFolder(folder);
  folder.Write("results/lost_summary.csv/keep", "a folder where the summary would go\n");
  const ProcessResult run = Kelvra(folder, "--console --history h.in --name lost --no-validator");
  ASSERT_EQ(1, run.exitCode) << run.out;
  const json record = json::parse(folder.Read("results/lost.json"));
  EXPECT_EQ(1, record["exit_status"]);
  EXPECT_EQ((std::set<std::string>{"results/lost.csv", "results/lost.txt"}), ListedFiles(record));
}

TEST(RunRecordTest, BatchAndStudyRecordTheirSetsAndCases) {
  TempFolder folder;
  ShippedFolder(folder);
  const ProcessResult batch =
      Kelvra(folder, "--batch --history h.in --sets 2-3 --jobs 2 --no-validator");
  ASSERT_EQ(0, batch.exitCode) << batch.out << batch.err;
  const json record = json::parse(folder.Read("results/batch.json"));
  EXPECT_EQ("batch", record["run"]);
  EXPECT_EQ("skipped: --no-validator", record["validator"]);
  ASSERT_EQ(2u, record["batch_sets"].size());
  EXPECT_EQ(1, record["batch_sets"][0]["set"]);
  EXPECT_TRUE(ListedFiles(record).contains("results/batch_2.csv"));
  EXPECT_EQ(0, record["exit_status"]);
  EXPECT_FALSE(folder.Exists("results/ruku_states.csv"));
  ExpectColumnsOfEveryFile(folder, record);

  const ProcessResult study =
      Kelvra(folder, "--study study_brake_adhesion.csv --history h.in --sets 1 --record-every 3");
  ASSERT_EQ(0, study.exitCode) << study.out << study.err;
  const json studyRecord = json::parse(folder.Read("results/study.json"));
  EXPECT_EQ(Sha256Sum(folder, "study_brake_adhesion.csv"), studyRecord["study"]["sha256"]);
  EXPECT_EQ(3, studyRecord["record_every"]);
  EXPECT_TRUE(ListedFiles(studyRecord).contains("results/study_summary.csv"));
  // The case's time series: its header, row 0 and every third of its 300 steps.
  EXPECT_EQ(1 + 1 + 100, LineCount(folder.Read("results/study_1.csv")));
  ExpectColumnsOfEveryFile(folder, studyRecord);
}

// The shipped model with its optional sections replaced by `sections`.
std::string ShippedWithSections(const std::string& sections) {
  const std::string text = testing_support::ReadFile(testing_support::DataDir() /
                                                     "combined_train17_GEN.in");
  const std::size_t at = text.find("GRADIENT 1");
  EXPECT_NE(std::string::npos, at);
  return text.substr(0, at) + sections;
}

// On a real line the record names the sections the model holds and those in
// force, and the columns they add: the cylinders' forces and the adhesion a
// stop used. A study lists each case's files with the columns of its own
// sections: only its second case's brake goes through cylinders.
TEST(RunRecordTest, RecordOfARealLineNamesItsSectionsAndTheirColumns) {
  TempFolder folder;
  ShippedFolder(folder);
  folder.Write("line.in", ShippedWithSections("GRADIENT 1\n0 -10 | downhill\nBRKCYL 0.5 0.5\n"
                                              "BRKHOLD 0\nV0 5\n"));
  const ProcessResult run =
      Kelvra(folder, "--console --history h.in --model line.in --name line --no-validator");
  ASSERT_EQ(0, run.exitCode) << run.out << run.err;
  const json record = json::parse(folder.Read("results/line.json"));
  EXPECT_EQ(json::parse(R"({"GRADIENT": [1, 0, -10], "BRKCYL": [0.5, 0.5], "BRKHOLD": [0],
                            "V0": [5]})"),
            record["sections"]);
  EXPECT_EQ(json::parse(R"(["GRADIENT", "BRKCYL", "V0"])"), record["sections_in_force"]);
  ExpectColumnsOfEveryFile(folder, record);
  EXPECT_TRUE(FirstLine(folder.Read("results/line.csv")).ends_with(",cylinder_force_4"));
  EXPECT_TRUE(FirstLine(folder.Read("results/line_summary.csv")).ends_with(",adhesion_used"));

  folder.Write("cylinders.csv", "BRKCYL.fill\n0\n0.5\n");
  folder.Write("level.in", ShippedWithSections("GRADIENT 1\n0 -10\nBRKCYL 0 0\n"));
  const ProcessResult study =
      Kelvra(folder, "--study cylinders.csv --history h.in --model level.in --jobs 1");
  ASSERT_EQ(0, study.exitCode) << study.out << study.err;
  const json studyRecord = json::parse(folder.Read("results/study.json"));
  ExpectColumnsOfEveryFile(folder, studyRecord);
  EXPECT_FALSE(FirstLine(folder.Read("results/study_1.csv")).ends_with(",cylinder_force_4"));
  EXPECT_TRUE(FirstLine(folder.Read("results/study_2.csv")).ends_with(",cylinder_force_4"));
}

TEST(RunRecordTest, NamedRunWritesItsFilesUnderTheName) {
  TempFolder folder;
  ShippedFolder(folder);
  const ProcessResult run =
      Kelvra(folder, "--console --history h.in --name trial-1.a --states --modes --no-validator");
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ((std::vector<std::string>{"trial-1.a.csv", "trial-1.a.json", "trial-1.a.txt",
                                      "trial-1.a_modes.csv", "trial-1.a_states.csv",
                                      "trial-1.a_summary.csv"}),
            ResultFiles(folder));
}

TEST(RunRecordTest, OptionsRefusedWithTheUsage) {
  TempFolder folder;
  ShippedFolder(folder);
  const std::string longName(201, 'a');
  const struct {
    std::string options;
    std::string message;
  } cases[] = {
      {"--name=", "--name needs a value"},
      {"--name a/b", "--name needs a file name"},
      {"--name ../up", "--name needs a file name"},
      {"--name .hidden", "--name needs a file name"},
      {"--name 'a b'", "--name needs a file name"},
      {"--name " + longName, "--name needs a file name"},
      {"--name $'a\\nb'", "--name needs a file name"},
      {"--record-every 0", "--record-every needs a whole number from 1"},
      {"--record-every 2.5", "--record-every needs a whole number from 1"},
      {"--record-every -3", "--record-every needs a whole number from 1"},
      {"--record-every x", "--record-every needs a whole number from 1"},
  };
  for (const auto& c : cases) {
    const ProcessResult run =
        RunIn(folder.Path(), "bash -c \"" + KelvraCommand("--console --history h.in ") + c.options +
                                 "\" < /dev/null");
    EXPECT_EQ(2, run.exitCode) << c.options;
    EXPECT_NE(std::string::npos, run.err.find("kelvra: " + c.message)) << c.options << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Usage: kelvra")) << c.options;
  }
  const struct {
    std::string options;
    std::string message;
  } misplaced[] = {
      {"--batch --history h.in --name x", "--name applies to console runs only"},
      {"--study study_brake_adhesion.csv --history h.in --name x",
       "--name applies to console runs only"},
      {"--name x", "--name applies to console runs only"},
      {"--record-every 2", "--record-every applies to console, batch and study runs only"},
      {"--study study_brake_adhesion.csv --history h.in --no-validator",
       "--no-validator applies to console and batch runs only"},
  };
  for (const auto& c : misplaced) {
    const ProcessResult run = Kelvra(folder, c.options);
    EXPECT_EQ(2, run.exitCode) << c.options;
    EXPECT_TRUE(FirstLine(run.err).starts_with("kelvra: " + c.message)) << c.options << run.err;
  }
  EXPECT_TRUE(ResultFiles(folder).empty());
}

// A thinned run keeps row 0 and every N-th step's, each the very line the full
// run wrote; its summary sees every step, so it equals the full run's.
TEST(RunRecordTest, RecordEveryKeepsEveryNthRowOfTheFullRunByteForByte) {
  TempFolder folder;
  ShippedFolder(folder);
  ASSERT_EQ(
      0, Kelvra(folder, "--console --history h.in --name full --states --no-validator").exitCode);
  const ProcessResult thin = Kelvra(
      folder, "--console --history h.in --name thin --states --no-validator --record-every 7");
  ASSERT_EQ(0, thin.exitCode) << thin.err;
  for (const std::string ending : {".csv", "_states.csv"}) {
    const std::vector<std::string> full = Split(folder.Read("results/full" + ending), '\n');
    const std::vector<std::string> kept = Split(folder.Read("results/thin" + ending), '\n');
    // A header, 301 rows (0 to 300 steps), an empty piece after the last newline.
    ASSERT_EQ(303u, full.size());
    ASSERT_EQ(1u + 43u + 1u, kept.size()) << ending;  // rows 0, 7, ..., 294
    EXPECT_EQ(full[0], kept[0]);
    for (std::size_t i = 1; i + 1 < kept.size(); ++i) {
      EXPECT_EQ(full[1 + 7 * (i - 1)], kept[i]) << ending << " row " << i;
    }
  }
  EXPECT_EQ(folder.Read("results/full_summary.csv"), folder.Read("results/thin_summary.csv"));
  EXPECT_EQ(7, json::parse(folder.Read("results/thin.json"))["record_every"]);
}

// The size a run is held to counts the rows it keeps: a batch of 1e7 steps
// whose time series and states (65 numbers a row) would take 13 GB takes half
// with every second row, and is let through to its next stage (here step
// matrices that overflow, so that it stops there).
TEST(RunRecordTest, ThinnedRunsAreHeldToTheSizeOfTheRowsTheyKeep) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(40));
  folder.Write("batch_paramsets.in", "BATCH 1 4\n2e-8 0 1 0.05\n");
  folder.Write("combined_train17_GEN.in", ShippedModelWith("\nDT 0.005", "\nDT 1e300"));
  const ProcessResult whole = Kelvra(folder, "--batch --states --history h.in");
  EXPECT_EQ(1, whole.exitCode);
  EXPECT_NE(std::string::npos, whole.out.find("the run would write about 13.0 GB")) << whole.out;
  const ProcessResult thinned = Kelvra(folder, "--batch --states --history h.in --record-every 2");
  EXPECT_EQ(1, thinned.exitCode);
  EXPECT_NE(std::string::npos, thinned.out.find("Reading batch run parameters... OK\n"));
  EXPECT_NE(std::string::npos, thinned.out.find("Preparing Fundamental matrices... Failed"));
  EXPECT_EQ("Warning - the run will write about 6.5 GB of result files.\n", thinned.err);
}

TEST(RunRecordTest, NoValidatorSkipsTheReferenceAndItsFiles) {
  TempFolder folder;
  ShippedFolder(folder);
  const ProcessResult run = Kelvra(folder, "--console --history h.in --no-validator");
  ASSERT_EQ(0, run.exitCode) << run.err;
  for (const char* text : {"Running validator", "reference integration", "Largest"}) {
    EXPECT_EQ(std::string::npos, run.out.find(text)) << text;
  }
  for (const std::string& name : ResultFiles(folder)) {
    EXPECT_TRUE(name.starts_with("_kelvra_result_")) << name;
  }
  EXPECT_EQ(4u, ResultFiles(folder).size());
  // The console run's own model is also left alone: a changed vehicle, which
  // the reference integration of the model would check, gets no check either.
  folder.Write("own.in", ShippedModelWith("BODY    Car        31000", "BODY    Car        33000"));
  const ProcessResult own =
      Kelvra(folder, "--console --history h.in --model own.in --no-validator");
  ASSERT_EQ(0, own.exitCode) << own.err;
  EXPECT_EQ(std::string::npos, own.out.find("reference integration"));
}

}  // namespace
