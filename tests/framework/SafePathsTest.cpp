// Where a run writes and what it leaves: never through a link or into
// something that is no file, a results folder free once the files are written,
// and no file of an earlier run left looking like part of this one.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ProgramRun.h"

namespace {

namespace fs = std::filesystem;
using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kVictim = "a file of the user's that no run may touch\n";

std::string Refused(const std::string& file) {
  return "Warning - 'results/" + file +
         "' is a symbolic link or no regular file, which a run never writes through; its "
         "results are not saved.\n";
}

// Whatever stands at the lock file's name, other than a file of the run's own,
// refuses the run before it writes anything; a link's target is left as it was.
TEST(SafePathsTest, LockFileThatIsNoRegularFileRefusesTheRun) {
  struct Case {
    const char* title;
    void (*plant)(const fs::path& lock, const fs::path& victim);
    std::string cause;
  };
  const Case cases[] = {
      {"a link to a file",
       [](const fs::path& lock, const fs::path& victim) { fs::create_symlink(victim, lock); },
       "a symbolic link"},
      {"a dangling link",
       [](const fs::path& lock, const fs::path& victim) {
         fs::create_symlink(victim.string() + "2", lock);
       },
       "a symbolic link"},
      {"a folder", [](const fs::path& lock, const fs::path&) { fs::create_directory(lock); },
       "Is a directory"},
      {"a pipe", [](const fs::path& lock, const fs::path&) { mkfifo(lock.c_str(), 0644); },
       "not a regular file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(20));
    folder.Write("victim.txt", kVictim);
    c.plant(folder.Path() / "results" / ".kelvra.lock", folder.Path() / "victim.txt");
    const auto run = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(std::string(kBanner) +
                  "Error - the lock file 'results/.kelvra.lock' of the results folder cannot be "
                  "used (" +
                  c.cause + "); remove it, or use another results folder.\n" + kExitPrompt,
              run.out);
    EXPECT_EQ(kVictim, folder.Read("victim.txt"));
    EXPECT_FALSE(folder.Exists("victim.txt2"));
    EXPECT_TRUE(ResultFiles(folder).empty());
  }
}

// A link planted at a result file's name is never followed: a file the run
// starts afresh replaces the link, every other one is refused with a warning
// and counts as lost.
TEST(SafePathsTest, ResultFilesNeverFollowLinks) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  folder.Write("batch_paramsets.in", "BATCH 1 4\n0.005 3 10 0.05\n");
  folder.Write("victim.txt", kVictim);
  const std::vector<std::string> refused = {"batch_run_times.txt", "batch_summary.csv",
                                            "ode1_train17_rk4_result.txt", "ruku_run_time.txt"};
  for (const std::string& file : refused) {
    fs::create_symlink(folder.Path() / "victim.txt", folder.Path() / "results" / file);
  }
  fs::create_symlink(folder.Path() / "victim.txt", folder.Path() / "results/batch_0.csv");
  fs::create_symlink(folder.Path() / "absent.txt", folder.Path() / "results/ruku_forces.txt");
  const auto run = RunIn(folder.Path(), KelvraCommand("--batch --history h.in"), "\n");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ(kVictim, folder.Read("victim.txt"));
  EXPECT_FALSE(folder.Exists("absent.txt"));
  EXPECT_FALSE(fs::is_symlink(folder.Path() / "results/batch_0.csv"));
  EXPECT_EQ(21u, ReadCsv(folder.Read("results/batch_0.csv")).rows.size());
  std::string warnings;
  for (const char* file : {"batch_run_times.txt", "batch_summary.csv",
                           "ode1_train17_rk4_result.txt", "ruku_run_time.txt", "ruku_forces.txt"}) {
    warnings += Refused(file);
  }
  EXPECT_EQ(warnings, run.err);
}

// A program reading `input` from a pipe that the test holds open, its standard
// output in out.txt.
class WaitingRun {
 public:
  WaitingRun(const TempFolder& runFolder, const std::string& options) : folder(runFolder) {
    int ends[2];
    if (pipe(ends) != 0) return;
    const std::string command = "exec " + KelvraCommand(options) + " > out.txt";
    pid = fork();
    if (pid == 0) {
      dup2(ends[0], STDIN_FILENO);
      close(ends[0]);
      close(ends[1]);
      if (chdir(folder.Path().c_str()) == 0) execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
      _exit(127);
    }
    close(ends[0]);
    input = ends[1];
  }
  ~WaitingRun() {
    if (input >= 0) close(input);
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  // Waits until out.txt holds `text` (two minutes at most, far beyond any run here).
  bool WaitFor(const std::string& text) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < end) {
      if (folder.Read("out.txt").find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void Type(const std::string& text) const {
    ASSERT_EQ(static_cast<ssize_t>(text.size()), write(input, text.data(), text.size()));
  }
  // The exit status once the program has ended, within two minutes; -1 when it
  // still runs.
  int WaitForExit() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

 private:
  const TempFolder& folder;
  pid_t pid = -1;
  int input = -1;
};

// At the exit prompt every file is written: the folder is free for the next
// run, and one Enter ends the program while its input stays open.
TEST(SafePathsTest, FinishedRunFreesTheFolderAndOneEnterEndsIt) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  WaitingRun run(folder, "--console --history h.in");
  ASSERT_TRUE(run.WaitFor(kExitPrompt)) << folder.Read("out.txt");
  EXPECT_FALSE(folder.Exists("results/.kelvra.lock"));
  const auto second = RunIn(folder.Path(), KelvraCommand("--console --history h.in"), "\n");
  EXPECT_EQ(0, second.exitCode) << second.out;
  run.Type("\n");
  EXPECT_EQ(0, run.WaitForExit());
}

// A case or set that runs again removes what the earlier run left under its
// name before it starts: when it then fails (or is killed), nothing of the
// earlier run stands beside its own files looking complete.
TEST(SafePathsTest, RerunLeavesNoFileOfTheEarlierRunUnderItsName) {
  struct Case {
    const char* title;
    std::string options;
    std::string firstInput;
    std::string secondInput;
    std::string inputFile;
    std::vector<std::string> gone;
    std::string kept;
  };
  const Case cases[] = {
      {"a study case",
       "--study s.csv --history h.in --states",
       "BRKSYS.gain\n0.5\n0.7\n",
       "BRKSYS.gain\n0.5\nx\n",
       "s.csv",
       {"study_2_model.in", "study_2.csv", "study_2_states.csv", "study_2.txt",
        "study_2_summary.csv"},
       "study_1.txt"},
      {"a batch set",
       "--batch --history h.in --states",
       "BATCH 2 4\n0.005 3 10 0.05\n0.005 3 10 0.05\n",
       "BATCH 2 4\n0.005 3 10 0.05\n1e300 3 10 0.05\n",
       "batch_paramsets.in",
       {"batch_1.csv", "batch_1_states.csv", "batch_1.txt"},
       "batch_0.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(20));
    folder.Write(c.inputFile, c.firstInput);
    ASSERT_EQ(0, RunIn(folder.Path(), KelvraCommand(c.options), "\n").exitCode);
    for (const std::string& file : c.gone) ASSERT_TRUE(folder.Exists("results/" + file)) << file;
    folder.Write(c.inputFile, c.secondInput);
    EXPECT_EQ(1, RunIn(folder.Path(), KelvraCommand(c.options), "\n").exitCode);
    for (const std::string& file : c.gone) EXPECT_FALSE(folder.Exists("results/" + file)) << file;
    EXPECT_TRUE(folder.Exists("results/" + c.kept));
  }
}

}  // namespace
