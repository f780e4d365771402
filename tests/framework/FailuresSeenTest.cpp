// Failures that scripts and people must be able to see: files that cannot be
// written, a run killed midway, two runs in one folder, a batch set that cannot
// run, and runs whose size is out of proportion.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::RunWithFileLimit;
using testing_support::TempFolder;

std::string Unwritten(const std::string& file) {
  return "Warning - cannot write '" + file + "' (File too large); its results are incomplete.\n";
}

// Every result file and log on a full disk (here: files that cannot grow past
// 0 bytes), in either format: each write and close is checked, and each file
// costs one warning saying what happened; the exit status is 1.
TEST(FailuresSeenTest, EveryFileOnAFullDiskIsNamedOnce) {
  for (const std::string format : {"csv", "hdf5"}) {
    const std::string series = format == "csv" ? ".csv" : ".h5";
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(20));
    folder.Write("batch_paramsets.in", "BATCH 2 4\n0.005 3 10 0.05\n0.0025 1 5 0.05\n");
    std::vector<std::string> files;
    for (const char* file :
         {"L/model_creation.log", "L/component_manager.log", "L/basic_matrix_manager.log",
          "L/advanced_matrix_manager.log", "L/simulation_module.log", "L/vehicle_system.log"}) {
      files.push_back(file);
    }
    for (const std::string& file : std::vector<std::string>{
             "batch_0" + series, "batch_0.txt", "batch_run_times.txt", "batch_summary.csv",
             "batch_1" + series, "batch_1.txt", "ode1_train17_rk4_result.txt", "ruku_forces.txt",
             "ruku_states.csv", "ruku_run_time.txt", "batch.json"}) {
      files.push_back("results/" + file);
    }
    const auto run = RunWithFileLimit(
        folder.Path(), KelvraCommand("--batch --history h.in --log-dir L --format " + format), 0,
        "\n");
    EXPECT_EQ(1, run.exitCode);
    std::string expected;
    for (const std::string& file : files) expected += Unwritten(file);
    EXPECT_EQ(expected, run.err);
  }
}

// A running program in `folder` whose standard output goes to out.txt.
class BackgroundRun {
 public:
  BackgroundRun(const TempFolder& runFolder, const std::string& options) : folder(runFolder) {
    const std::string command = "exec " + KelvraCommand(options) + " < /dev/null > out.txt";
    pid = fork();
    if (pid == 0) {
      if (chdir(folder.Path().c_str()) == 0) execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
      _exit(127);
    }
  }
  ~BackgroundRun() { Stop(SIGKILL); }

  // Waits until out.txt holds `text`; false when the program ended first (or
  // after two minutes, which no run of these tests comes near).
  bool WaitFor(const std::string& text) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < end) {
      if (folder.Read("out.txt").find(text) != std::string::npos) return Running();
      if (!Running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void Stop(int signal) {
    if (pid <= 0) return;
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
    pid = -1;
  }

 private:
  bool Running() { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }

  const TempFolder& folder;
  pid_t pid = -1;
};

// A batch of one set after another killed in its third set keeps what the
// first two finished: their console lines, timing lines, result files and time
// series. The third set's result file and timing line, written last, are
// missing, which marks its time series as cut short.
TEST(FailuresSeenTest, KilledBatchKeepsEveryFinishedSet) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(40));
  // The third set takes minutes: ten thousand passes of a thousand substeps a step.
  folder.Write("batch_paramsets.in",
               "BATCH 3 4\n0.005 3 10 0.05\n0.0025 1 5 0.05\n0.005 10000 1000 0.05\n");
  BackgroundRun run(folder, "--batch --history h.in --jobs 1");
  ASSERT_TRUE(run.WaitFor("\nSimulation 3 of 3\n")) << folder.Read("out.txt");
  run.Stop(SIGTERM);

  const std::string out = MaskDurations(folder.Read("out.txt"));
  EXPECT_NE(std::string::npos, out.find("\nSimulation 2 of 3\nParams: DT=0.0025 ITER=1 SUBD=5 "
                                        "SGNT=0.05\n\tDone in # [s]\nSummary: #\n"))
      << out;
  const std::string times = folder.Read("results/batch_run_times.txt");
  EXPECT_EQ(2, LineCount(times)) << times;
  EXPECT_EQ(0u, times.find("DT =0.005\tITER = 3\tSUBD = 10\tSGNT = 0.05\tTIME = ")) << times;
  EXPECT_EQ(41u, ReadCsv(folder.Read("results/batch_0.csv")).rows.size());
  EXPECT_EQ(81u, ReadCsv(folder.Read("results/batch_1.csv")).rows.size());
  EXPECT_TRUE(folder.Exists("results/batch_1.txt"));
  EXPECT_FALSE(folder.Exists("results/batch_2.txt"));
}

// One results folder holds one run at a time: a second run says so and exits 1
// before writing anything. The lock is a file that is removed at the end.
TEST(FailuresSeenTest, SecondRunInTheSameFolderIsRefused) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  const std::string lock = (folder.Path() / "results" / ".kelvra.lock").string();
  const int held = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(held, 0);
  ASSERT_EQ(0, flock(held, LOCK_EX | LOCK_NB));
  ASSERT_EQ(6, write(held, "12345\n", 6));

  const auto refused = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  EXPECT_EQ(1, refused.exitCode);
  EXPECT_EQ(std::string(kBanner) +
                "Error - another run (process 12345) is using the results folder 'results'; one "
                "folder holds one run at a time.\n" +
                kExitPrompt,
            refused.out);
  EXPECT_TRUE(ResultFiles(folder).empty());

  close(held);
  const auto alone = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  EXPECT_EQ(0, alone.exitCode);
  EXPECT_EQ(8u, ResultFiles(folder).size());
  EXPECT_FALSE(folder.Exists("results/.kelvra.lock"));
}

// A set for which no step matrices can be made is skipped with the
// preparation's reason; the batch goes on with the next set.
TEST(FailuresSeenTest, BatchSetWithoutStepMatricesIsSkipped) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  folder.Write("batch_paramsets.in", "BATCH 2 4\n1e300 3 10 0.05\n0.005 3 10 0.05\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(BatchStart() + kModelOK + kHistoryOK + kBatchOK + kPreparedOK + kVehicleOK +
                "\nTime step changed, recalculate solution operators... Failed\n"
                "Reason:\n"
                "Error - Unable to prepare simulation! Neither the transformation nor the "
                "augmented matrix exponential gives exact step matrices!\n"
                "\nSimulation 1 of 2 skipped\n"
                "\nTime step changed, recalculate solution operators... OK\n"
                "\nRe-initializing simulator... OK\n"
                "\nSimulation 2 of 2\nParams: DT=0.005 ITER=3 SUBD=10 SGNT=0.05\n"
                "\tDone in # [s]\nSummary: #\n" +
                kValidatorRun + kFilesWritten + kExitPrompt,
            MaskDurations(run.out));
  EXPECT_FALSE(folder.Exists("results/batch_0.txt"));
  EXPECT_FALSE(folder.Exists("results/batch_0.csv"));
  EXPECT_TRUE(folder.Exists("results/batch_1.txt"));
  EXPECT_EQ(1, LineCount(folder.Read("results/batch_run_times.txt")));
}

// What goes unread and what will be large is said on standard error while the
// inputs are read.
TEST(FailuresSeenTest, UnreadRowsAndLargeOutputAreWarnedAbout) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(40) + "0 0 0 0 1\n");
  // Two million steps of a 0.1 us time step would write 1.4 GB of time series;
  // the missing SUBDIV then stops the set-up before any of it.
  folder.Write("batch_paramsets.in", "BATCH 1 4\n1e-7 3 10 0.05\n");
  folder.Write("combined_train17_GEN.in", ShippedModelWith("SUBDIV 10", ""));
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(
      "Warning - EFD in 'h.in': 5 words follow the 40 announced rows and are not read.\n"
      "Warning - the run will write about 1.4 GB of result files.\n",
      run.err);
}

// A study is held to the limits of a batch over all of its cases, although
// each case alone stays within them: here 60 cases of ITER 1000000 over 20 rows
// (2e8 substeps each), and 800 cases over 20000 rows (14 MB of series each).
TEST(FailuresSeenTest, StudyIsHeldToTheLimitsOfABatchOverAllItsCases) {
  struct Case {
    const char* title;
    int rows;
    std::string studyHeader;
    std::string caseValues;
    int cases;
    std::string reason;
  };
  const Case cases[] = {
      {"work", 20, "ITER", "1000000", 60,
       "the run would take 1.2e+10 substeps per axle (steps x (ITER + 1) x SUBDIV), more than "
       "the limit of 1e+10"},
      {"output", 20000, "BRKSYS.gain", "0.5", 800,
       "the run would write about # GB of result files, more than the limit of 10.0 GB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(c.rows));
    std::string study = c.studyHeader + "\n";
    for (int i = 0; i < c.cases; ++i) study += c.caseValues + "\n";
    folder.Write("s.csv", study);
    const auto run = RunIn(folder.Path(), KelvraCommand("--study s.csv --history h.in"), "\n");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(std::string(kBanner) +
                  "Reading study cases... Failed\nReason: Study cases in "
                  "'s.csv': " +
                  c.reason + "\n" + kExitPrompt,
              MaskNumbers(run.out, "about ", " GB of"));
    EXPECT_TRUE(ResultFiles(folder).empty());
  }
}

}  // namespace
