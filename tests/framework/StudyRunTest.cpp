// Parameter studies: the console run repeated on the model file with each
// case's values, each case's figures a row of the study summary.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

// `rows` history rows of traction `traction` N and no brake.
std::string TractionHistory(int rows, double traction) {
  std::string text = "EFD " + std::to_string(rows) + " 5\n";
  for (int k = 0; k < rows; ++k) text += "0 0 0 0 " + std::to_string(traction) + "\n";
  return text;
}

std::string CaseRun(int i, int n, const std::string& label) {
  return "\nCase " + std::to_string(i) + " of " + std::to_string(n) + ": " + label + "\n" + kSR +
         kSEF + kCD + kModelOK + kHistoryOK + kPreparedOK + kVehicleOK +
         "Simulation in progress...\n\tDone in # [s]\nSummary: #\n";
}

// The shipped study over a short history: one run and one summary row per case,
// in case order, each case's values as written.
TEST(StudyRunTest, ShippedStudyWritesARowAndARunPerCase) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  const auto run =
      RunIn(folder.Path(), KelvraCommand("--study study_brake_adhesion.csv --history h.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("", run.err);
  const std::string out = MaskDurations(run.out);
  EXPECT_EQ(0u, out.find(std::string(kBanner) + "Reading study cases... OK\n" +
                         CaseRun(1, 16, "BRKSYS.gain=0.4 ADHSET.1.mu_max=0.08") +
                         CaseRun(2, 16, "BRKSYS.gain=0.6 ADHSET.1.mu_max=0.08")))
      << out;
  const std::string end =
      CaseRun(16, 16, "BRKSYS.gain=1 ADHSET.1.mu_max=0.15") + kFilesWritten + kExitPrompt;
  EXPECT_EQ(end, out.substr(out.size() - std::min(out.size(), end.size())));

  const CsvTable summary = ReadCsv(folder.Read("results/study_summary.csv"), true);
  ASSERT_EQ(16u, summary.rows.size());
  EXPECT_EQ((std::vector<std::string>{"case", "BRKSYS.gain", "ADHSET.1.mu_max", "peak_speed"}),
            std::vector<std::string>(summary.columns.begin(), summary.columns.begin() + 4));
  const double gains[] = {0.4, 0.6, 0.8, 1};
  const double levels[] = {0.08, 0.1, 0.12, 0.15};
  for (int i = 0; i < 16; ++i) {
    const std::vector<double>& row = summary.rows[static_cast<std::size_t>(i)];
    EXPECT_EQ((std::vector<double>{i + 1.0, gains[i % 4], levels[i / 4]}),
              std::vector<double>(row.begin(), row.begin() + 3));
    const std::string base = "results/study_" + std::to_string(i + 1);
    EXPECT_EQ(21u, ReadCsv(folder.Read(base + ".csv")).rows.size()) << base;
    EXPECT_NE(std::string::npos, folder.Read(base + "_model.in").find("\nADHSET 1\n"));
  }
  EXPECT_FALSE(folder.Exists("results/ruku_states.csv")) << "the validator ran";
}

// A case's values reach the physics: under a traction F the vehicle at rest
// speeds up at F / (M + sum of the reduced masses), 43000 kg for the shipped
// vehicle, 33000 kg with a car of 21000 kg instead of 31000 kg. The wheelsets
// swing against the car, so the mean speed after 1 s agrees to 2 %. A refused
// value fails its case alone, with the reason of the set-up.
TEST(StudyRunTest, EachCaseRunsItsOwnModelAndARefusedValueFailsItsCaseAlone) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", TractionHistory(200, 10000));
  folder.Write("s.csv", "BODY.Car.mass, BRKSYS.threshold\n31000,0.05\n21000,0.05\n31000,0\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--study s.csv --history h.in"), "\n");
  EXPECT_EQ(1, run.exitCode);
  const std::string out = MaskDurations(run.out);
  EXPECT_NE(std::string::npos,
            out.find("\nCase 3 of 3: BODY.Car.mass=31000 BRKSYS.threshold=0\n" + std::string(kSR) +
                     kSEF + kCD + kModelOK + kHistoryOK + kPreparedOK +
                     "Creating vehicle simulator... Failed\nReason:\n"))
      << out;
  EXPECT_NE(std::string::npos, out.find("\nCase 3 of 3 failed\nFiles written: #\n")) << out;

  const CsvTable summary = ReadCsv(folder.Read("results/study_summary.csv"), true);
  ASSERT_EQ(2u, summary.rows.size());
  const double masses[] = {43000.0, 33000.0};
  for (std::size_t i = 0; i < 2; ++i) {
    const double expected = 10000.0 * 1.0 / masses[i];
    EXPECT_NEAR(expected, summary.rows[i][summary.Column("peak_speed")], 0.02 * expected);
  }
  EXPECT_FALSE(folder.Exists("results/study_3.csv"));
}

// The history's rows are samples 0.005 s apart, whatever a case's DT: each
// case plays 1 s of traction, then the brake, at its own time step, as a batch
// set does, so every case brakes at 1 s, and at the same speed.
TEST(StudyRunTest, ACaseOfAnotherTimeStepPlaysTheHistoryInItsTime) {
  TempFolder folder;
  folder.CopyShippedData();
  std::string history = "EFD 400 5\n";
  for (int k = 0; k < 400; ++k) history += k < 200 ? "0 0 0 0 20000\n" : "5000 5000 5000 5000 0\n";
  folder.Write("h.in", history);
  folder.Write("s.csv", "DT\n0.005\n0.01\n0.0025\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--study s.csv --history h.in"), "\n");
  ASSERT_EQ(0, run.exitCode) << run.out;
  const CsvTable summary = ReadCsv(folder.Read("results/study_summary.csv"), true);
  ASSERT_EQ(3u, summary.rows.size());
  const double steps[] = {400, 200, 800};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(summary.rows[i][1]);
    EXPECT_NEAR(1.0, summary.rows[i][summary.Column("brake_time")], 1e-9);
    EXPECT_NEAR(20000.0 / 43000.0, summary.rows[i][summary.Column("peak_speed")], 0.01);
    const std::string series = "results/study_" + std::to_string(i + 1) + ".csv";
    const CsvTable rows = ReadCsv(folder.Read(series));
    ASSERT_EQ(steps[i] + 1, static_cast<double>(rows.rows.size()));
    EXPECT_NEAR(2.0, rows.rows.back()[0], 1e-9);
  }
}

TEST(StudyRunTest, AStudyThatNamesNoModelNumberIsRefusedBeforeAnyCase) {
  struct Case {
    const char* study;
    const char* reason;
  };
  const Case cases[] = {
      {"BRKSYS.gain,FORCE.Sec9Vert.stiffness\n1,2\n",
       "Parameter 'FORCE.Sec9Vert.stiffness': the model has no FORCE named 'Sec9Vert'"},
      {"BRKSYS.gain,BRKSYS.gain\n1,2\n",
       "Study cases in 's.csv': the header names 'BRKSYS.gain' twice"},
      {"BRKSYS.gain\n1\n1,2\n", "Study cases in 's.csv': line 3 has 2 values for 1 parameters"},
      {"", "Study cases in 's.csv': no header line naming the parameters"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.study);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(4));
    folder.Write("s.csv", c.study);
    const auto run = RunIn(folder.Path(), KelvraCommand("--study s.csv --history h.in"), "\n");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(std::string(kBanner) + "Reading study cases... Failed\nReason: " + c.reason + "\n" +
                  kExitPrompt,
              run.out);
    EXPECT_TRUE(ResultFiles(folder).empty());
  }
}

// A study of BRKSYS.gain and BRKSYS.threshold with the `cases` given, over a
// history with a word after its rows, which every case warns about.
void WriteStudy(TempFolder& folder, const std::string& cases) {
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20) + "extra\n");
  folder.Write("s.csv", "BRKSYS.gain,BRKSYS.threshold\n" + cases);
}

// Every file under results/ with its content.
std::vector<std::pair<std::string, std::string>> ResultContents(const TempFolder& folder) {
  std::vector<std::pair<std::string, std::string>> contents;
  for (const std::string& name : ResultFiles(folder)) {
    const std::string text = folder.Read("results/" + name);
    contents.emplace_back(name, name.ends_with(".json") ? StableRecord(text) : text);
  }
  return contents;
}

// Cases side by side print, warn and write exactly what one case after another
// does, the refused second case (a brake threshold of 0) failing alone in its place.
TEST(StudyRunTest, CasesSideBySideGiveTheTextAndFilesOfASerialRun) {
  struct Run {
    std::string out;
    std::string err;
    std::vector<std::pair<std::string, std::string>> files;
  };
  std::vector<Run> runs;
  for (const char* jobs : {"--jobs 1", "--jobs=2"}) {
    SCOPED_TRACE(jobs);
    TempFolder folder;
    WriteStudy(folder, "0.4,0.05\n0.6,0\n0.8,0.05\n1,0.05\n");
    const auto run = RunIn(
        folder.Path(), KelvraCommand("--study s.csv --history h.in " + std::string(jobs)), "\n");
    EXPECT_EQ(1, run.exitCode);
    runs.push_back({MaskNumbers(run.out, "\tDone in ", " [s]\n"), run.err, ResultContents(folder)});
  }
  EXPECT_NE(std::string::npos, runs[0].out.find("\nCase 2 of 4: BRKSYS.gain=0.6 "
                                                "BRKSYS.threshold=0\n"));
  EXPECT_NE(std::string::npos, runs[0].out.find("\nCase 2 of 4 failed\n\nCase 3 of 4: "));
  EXPECT_EQ(4, LineCount(runs[0].err)) << runs[0].err;
  EXPECT_EQ(15u, runs[0].files.size())
      << "four files a case, the refused one's model, the summary, the record";
  EXPECT_EQ(runs[0].out, runs[1].out);
  EXPECT_EQ(runs[0].err, runs[1].err);
  EXPECT_EQ(runs[0].files, runs[1].files);
}

// A range of cases runs those cases alone, under their numbers, files and
// summary rows in the whole study; a range past the last case is refused
// before any case runs.
TEST(StudyRunTest, PartOfAStudyKeepsTheGlobalCaseNumbers) {
  struct Case {
    const char* options;
    int exitCode;
    std::string out;
    std::vector<int> caseNumbers;
  };
  const std::string ready = std::string(kBanner) + "Reading study cases... OK\n";
  const auto label = [](const char* gain) {
    return std::string("BRKSYS.gain=") + gain + " BRKSYS.threshold=0.05";
  };
  const std::string done = std::string(kFilesWritten) + kExitPrompt;
  const Case cases[] = {
      {"--sets 2-3 --jobs 2",
       0,
       ready + CaseRun(2, 4, label("0.6")) + CaseRun(3, 4, label("0.8")) + done,
       {2, 3}},
      {"--sets=4", 0, ready + CaseRun(4, 4, label("1")) + done, {4}},
      {"--sets 3-5",
       1,
       std::string(kBanner) +
           "Reading study cases... Failed\n"
           "Reason: --sets 3-5 reaches past the last of the 4 cases\n" +
           kExitPrompt,
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    TempFolder folder;
    WriteStudy(folder, "0.4,0.05\n0.6,0.05\n0.8,0.05\n1,0.05\n");
    const auto run =
        RunIn(folder.Path(),
              KelvraCommand("--study s.csv --history h.in " + std::string(c.options)), "\n");
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_EQ(c.out, MaskDurations(run.out));
    std::vector<std::string> files;
    for (const int i : c.caseNumbers) {
      const std::string base = "study_" + std::to_string(i);
      for (const char* end : {".csv", ".txt", "_model.in", "_summary.csv"})
        files.push_back(base + end);
    }
    if (!files.empty()) files.insert(files.begin(), "study.json");
    if (!files.empty()) files.push_back("study_summary.csv");
    EXPECT_EQ(files, ResultFiles(folder));
    if (files.empty()) continue;
    std::vector<int> rows;
    for (const auto& row : ReadCsv(folder.Read("results/study_summary.csv"), true).rows) {
      rows.push_back(static_cast<int>(row[0]));
    }
    EXPECT_EQ(c.caseNumbers, rows);
  }
}

}  // namespace
