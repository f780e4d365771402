// Batch sets run side by side (--jobs) give exactly the text and the files of a
// run of one set after another; a part of a batch (--sets) keeps the numbers
// and file names it has in the whole batch.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kNoStepMatrices =
    "\nTime step changed, recalculate solution operators... Failed\n"
    "Reason:\n"
    "Error - Unable to prepare simulation! Neither the transformation nor the augmented matrix "
    "exponential gives exact step matrices!\n";

std::string Skipped(int i, int n) {
  return "\nSimulation " + std::to_string(i) + " of " + std::to_string(n) + " skipped\n";
}

std::string AbsurdHistory() {
  std::string history = "EFD 30 5\n";
  for (int row = 0; row < 30; ++row) history += "1.7e308 1.7e308 1.7e308 1.7e308 1.7e308\n";
  return history;
}

// Set i of n that the absurd traction stops in its first step: it pitches the
// vehicle so hard that the wheels' adhesion capacities cannot be integrated
// stably. The set ends there without its completion line and summary.
std::string UnstableSet(int i, int n, const std::string& params, const std::string& time,
                        const std::string& capacity) {
  return "\nSimulation " + std::to_string(i) + " of " + std::to_string(n) + "\nParams: " + params +
         "\n\nError - The wheel integration of axle 3 is unstable in step 1 (t = " + time +
         " s): its adhesion capacity of " + capacity +
         " N would need more than 10000000 substeps. The simulation stops.\n" +
         "\tStopped at t = 0 s, the end of the last sound step: the run is incomplete, and has no "
         "summary and no result file\n";
}

// The summary's sixth column, the set's run time, masked as "#".
std::string MaskRunTimeColumn(const std::string& summary) {
  std::istringstream lines(summary);
  std::string masked;
  for (std::string line; std::getline(lines, line);) {
    std::size_t start = 0;
    for (int comma = 0; comma < 5 && start != std::string::npos; ++comma) {
      start = line.find(',', start);
      if (start != std::string::npos) ++start;
    }
    const std::size_t end = start == std::string::npos ? start : line.find(',', start);
    if (masked.empty() || end == std::string::npos) {
      masked += line + "\n";
    } else {
      masked += line.substr(0, start) + "#" + line.substr(end) + "\n";
    }
  }
  return masked;
}

// Every result file of a run with its content; the durations of the timing
// files masked.
std::vector<std::pair<std::string, std::string>> ResultContents(const TempFolder& folder) {
  std::vector<std::pair<std::string, std::string>> contents;
  for (const std::string& name : ResultFiles(folder)) {
    std::string text = folder.Read("results/" + name);
    if (name.find("run_time") != std::string::npos) text = MaskNumbers(text, "TIME = ", "\n");
    if (name == "batch_summary.csv") text = MaskRunTimeColumn(text);
    if (name.ends_with(".json")) text = StableRecord(text);
    contents.emplace_back(name, text);
  }
  return contents;
}

// The rebuild lines are those of the serial run, whichever thread runs a set:
// the first set, a set whose DT differs from the one before, and every set
// whose step matrices cannot be made, also after a set of the same DT. A
// broken vehicle state is said within its own set.
TEST(ParallelBatchTest, SetsSideBySideGiveTheTextAndFilesOfASerialRun) {
  struct Case {
    const char* title;
    std::string history;
    std::string sets;
    int exitCode;
    std::string run;                         // console text between the set-up and the validator
    std::vector<std::string> setFiles = {};  // when given, the batch_ files written
    int timingLines = 0;                     // and the lines of batch_run_times.txt
  };
  const Case cases[] = {
      {"skipped sets in between", RampHistory(40),
       "BATCH 6 4\n0.005 3 10 0.05\n1e300 3 10 0.05\n1e300 1 5 0.05\n0.005 1 10 0.1\n"
       "0.01 3 10 0.05\n0.01 5 20 0.05\n",
       1,
       kRecalculated + SetRun(1, 6, "DT=0.005 ITER=3 SUBD=10 SGNT=0.05") + kNoStepMatrices +
           Skipped(2, 6) + kNoStepMatrices + Skipped(3, 6) + kRecalculated +
           SetRun(4, 6, "DT=0.005 ITER=1 SUBD=10 SGNT=0.1") + kRecalculated +
           SetRun(5, 6, "DT=0.01 ITER=3 SUBD=10 SGNT=0.05") +
           SetRun(6, 6, "DT=0.01 ITER=5 SUBD=20 SGNT=0.05")},
      {"broken vehicle states",
       AbsurdHistory(),
       "BATCH 3 4\n0.005 3 10 0.05\n0.01 3 10 0.05\n0.01 1 2 0.05\n",
       1,
       kRecalculated +
           UnstableSet(1, 3, "DT=0.005 ITER=3 SUBD=10 SGNT=0.05", "0.005", "1.5733e+300") +
           kRecalculated +
           UnstableSet(2, 3, "DT=0.01 ITER=3 SUBD=10 SGNT=0.05", "0.01", "1.17483e+301") +
           UnstableSet(3, 3, "DT=0.01 ITER=1 SUBD=2 SGNT=0.05", "0.01", "1.17483e+301"),
       // Only the time series up to the broken step; no timing line, no summary row.
       {{"batch_0.csv", "batch_1.csv", "batch_2.csv", "batch_run_times.txt", "batch_summary.csv"}},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    std::vector<std::vector<std::pair<std::string, std::string>>> files;
    for (const char* jobs : {"--jobs 1", "--jobs=2"}) {
      SCOPED_TRACE(jobs);
      TempFolder folder;
      folder.CopyShippedData();
      folder.Write("h.in", c.history);
      folder.Write("batch_paramsets.in", c.sets);
      // A brake band of 1e306 m/s keeps even the absurd brake inputs integrable.
      std::string model = folder.Read("combined_train17_GEN.in");
      model.replace(model.find("BRKSYS 1 0.05"), 13, "BRKSYS 1 1e306");
      folder.Write("combined_train17_GEN.in", model);
      const auto run =
          RunIn(folder.Path(), KelvraCommand("--batch --history h.in " + std::string(jobs)), "\n");
      EXPECT_EQ(c.exitCode, run.exitCode);
      EXPECT_EQ("", run.err);
      EXPECT_EQ(BatchSetUp() + c.run,
                MaskDurations(run.out).substr(0, BatchSetUp().size() + c.run.size()));
      files.push_back(ResultContents(folder));
    }
    EXPECT_EQ(files[0], files[1]);
    if (c.setFiles.empty()) continue;
    std::vector<std::string> setFiles;
    for (const auto& [name, text] : files[0]) {
      if (name.rfind("batch_", 0) != 0) continue;
      setFiles.push_back(name);
      if (name == "batch_run_times.txt") {
        EXPECT_EQ(c.timingLines, LineCount(text));
      } else if (name == "batch_summary.csv") {
        EXPECT_EQ(c.timingLines + 1, LineCount(text)) << "the header only";
      }
    }
    EXPECT_EQ(c.setFiles, setFiles);
  }
}

// A part of a batch numbers its sets and names their files as the whole batch
// does; its first set is prepared afresh. A range past the last set is refused
// with the sets, before anything runs.
TEST(ParallelBatchTest, PartOfABatchKeepsTheGlobalSetNumbers) {
  struct Case {
    const char* sets;
    int exitCode;
    std::string out;
    std::vector<std::string> files;
    int timingLines;
  };
  const std::string setUp = BatchStart() + kModelOK + kHistoryOK;
  const std::string validator = kValidatorRun + std::string(kFilesWritten) + kExitPrompt;
  const std::vector<std::string> validatorFiles = {"ode1_train17_rk4_result.txt", "ruku_forces.txt",
                                                   "ruku_run_time.txt", "ruku_states.csv"};
  // The batch's record, its sets' files, then the validator's.
  const auto withValidator = [&](std::vector<std::string> files) {
    files.insert(files.begin(), "batch.json");
    files.insert(files.end(), validatorFiles.begin(), validatorFiles.end());
    return files;
  };
  const Case cases[] = {
      {"--sets 2-3", 0,
       BatchSetUp() + kRecalculated + SetRun(2, 4, "DT=0.005 ITER=1 SUBD=5 SGNT=0.1") +
           kRecalculated + SetRun(3, 4, "DT=0.01 ITER=3 SUBD=10 SGNT=0.05") + validator,
       withValidator({"batch_1.csv", "batch_1.txt", "batch_2.csv", "batch_2.txt",
                      "batch_run_times.txt", "batch_summary.csv"}),
       2},
      {"--sets=4", 0,
       BatchSetUp() + kRecalculated + SetRun(4, 4, "DT=0.01 ITER=1 SUBD=10 SGNT=0.05") + validator,
       withValidator({"batch_3.csv", "batch_3.txt", "batch_run_times.txt", "batch_summary.csv"}),
       1},
      {"--sets 3-5",
       1,
       setUp +
           "Reading batch run parameters... Failed\n"
           "Reason: --sets 3-5 reaches past the last of the 4 sets\n" +
           kExitPrompt,
       {},
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sets);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(20));
    folder.Write("batch_paramsets.in",
                 "BATCH 4 4\n0.005 3 10 0.05\n0.005 1 5 0.1\n0.01 3 10 0.05\n0.01 1 10 0.05\n");
    const auto run =
        RunIn(folder.Path(), KelvraCommand("--batch --history h.in " + std::string(c.sets)), "\n");
    EXPECT_EQ(c.exitCode, run.exitCode);
    EXPECT_EQ(c.out, MaskDurations(run.out));
    EXPECT_EQ(c.files, ResultFiles(folder));
    EXPECT_EQ(c.timingLines, LineCount(folder.Read("results/batch_run_times.txt")));
  }
}

// The model file and the results folder can be named; nothing goes to results/.
TEST(ParallelBatchTest, ModelAndResultsFolderAreThoseNamed) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  folder.Write("my model.in", folder.Read("combined_train17_GEN.in"));
  folder.Write("combined_train17_GEN.in", "not a model\n");
  folder.Write("batch_paramsets.in", "BATCH 1 4\n0.005 3 10 0.05\n");
  std::filesystem::create_directory(folder.Path() / "shard 1");
  const auto run = RunIn(folder.Path(),
                         KelvraCommand("--batch --history=h.in --model 'my model.in' "
                                       "--results='shard 1/' --jobs 2"),
                         "\n");
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("", run.err);
  EXPECT_TRUE(ResultFiles(folder).empty());
  for (const char* name : {"batch_0.csv", "batch_0.txt", "batch_run_times.txt", "ruku_forces.txt",
                           "ruku_states.csv", "ruku_run_time.txt", "ode1_train17_rk4_result.txt"}) {
    EXPECT_TRUE(folder.Exists(std::string("shard 1/") + name)) << name;
  }
  EXPECT_FALSE(folder.Exists("shard 1/.kelvra.lock"));
}

}  // namespace
