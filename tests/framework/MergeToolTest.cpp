// kelvra-merge on shards of real batch and study runs: the merged folder holds
// what a run of the whole leaves, and every merge that would lose or double a
// set is refused without writing anything.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ProgramRun.h"
#include "results/ResultsLock.h"

namespace {

namespace fs = std::filesystem;
using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

std::string MergeCommand(const std::string& arguments) {
  return "'" + (fs::path(KELVRA_BINARY_DIR) / "kelvra-merge").string() + "' " + arguments;
}

// A batch of five sets whose third is skipped at set-up (its time step gives no
// step matrices), run whole into results/ and in the shards a (set 1), b (sets
// 2 to 4, the skipped one inside) and c (set 5); the shipped study's first
// three cases whole into study/ and in the shards s12 and s3.
class MergeToolTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder = std::make_unique<TempFolder>();
    folder->CopyShippedData();
    folder->Write("h.in", RampHistory(20));
    folder->Write("batch_paramsets.in",
                  "BATCH 5 4\n0.005 3 10 0.05\n0.0025 1 5 0.1\n1e300 3 10 0.05\n"
                  "0.01 3 10 0.05\n0.005 1 10 0.02\n");
    const std::string batch = "--batch --history h.in --jobs 1 --states";
    const std::string study = "--study study_brake_adhesion.csv --history h.in --jobs 1";
    const std::pair<std::string, std::string> runs[] = {{"results", batch},
                                                        {"a", batch + " --sets 1"},
                                                        {"b", batch + " --sets 2-4"},
                                                        {"c", batch + " --sets 5"},
                                                        {"study", study + " --sets 1-3"},
                                                        {"s12", study + " --sets 1-2"},
                                                        {"s3", study + " --sets 3"}};
    for (const auto& [results, options] : runs) {
      fs::create_directories(folder->Path() / results);
      RunIn(folder->Path(), KelvraCommand(options + " --results " + results), "\n");
    }
    fs::create_directory(folder->Path() / "empty");
  }
  static void TearDownTestSuite() { folder.reset(); }

  static std::unique_ptr<TempFolder> folder;
};

std::unique_ptr<TempFolder> MergeToolTest::folder;

TEST_F(MergeToolTest, ShardsInAnyOrderMergeIntoTheFilesOfTheWholeRun) {
  ASSERT_TRUE(folder->Exists("results/batch_4_states.csv"));
  struct Case {
    const char* arguments;
    const char* wholeRun;
    const char* prefix;
    const char* out;
    // Each shard's record, kept under the sets it ran.
    std::vector<std::pair<std::string, std::string>> records;
  };
  const Case cases[] = {
      {"merged c a b",
       "results",
       "batch_",
       "Merged sets 1 to 5 of 3 shards into 'merged': 12 files of the sets, "
       "batch_run_times.txt, batch_summary.csv\n",
       {{"a/batch.json", "batch_sets_1-1.json"},
        {"b/batch.json", "batch_sets_2-4.json"},
        {"c/batch.json", "batch_sets_5-5.json"}}},
      {"--sets 1-3 merged s3 s12",
       "study",
       "study_",
       "Merged cases 1 to 3 of 2 shards into 'merged': 12 files of the cases, "
       "study_summary.csv\n",
       {{"s12/study.json", "study_cases_1-2.json"}, {"s3/study.json", "study_cases_3-3.json"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    fs::remove_all(folder->Path() / "merged");
    const auto run = RunIn(folder->Path(), MergeCommand(c.arguments));
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(c.out, run.out);
    ExpectSameRunFiles(folder->Path() / c.wholeRun, folder->Path() / "merged", c.prefix);
    for (const auto& [shardRecord, kept] : c.records) {
      ASSERT_TRUE(folder->Exists(shardRecord));
      EXPECT_EQ(folder->Read(shardRecord), folder->Read("merged/" + kept)) << kept;
    }
  }
  fs::remove_all(folder->Path() / "merged");
}

// A set with files but no row (it broke, or its run was cut short) is copied
// as it is, and said.
TEST_F(MergeToolTest, SetsThatDidNotFinishAreCopiedAndNamed) {
  fs::copy(folder->Path() / "c", folder->Path() / "cut");
  folder->Write("cut/batch_run_times.txt", "");
  const std::string summary = folder->Read("c/batch_summary.csv");
  folder->Write("cut/batch_summary.csv", summary.substr(0, summary.find('\n') + 1));
  const auto run = RunIn(folder->Path(), MergeCommand("merged a b cut"));
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(
      "kelvra-merge: set 5 in 'cut' did not finish (it has no row in batch_summary.csv); its "
      "files are copied as they are\n",
      run.err);
  EXPECT_EQ(folder->Read("c/batch_4.csv"), folder->Read("merged/batch_4.csv"));
  EXPECT_EQ(3, LineCount(folder->Read("merged/batch_run_times.txt")));
  fs::remove_all(folder->Path() / "merged");
  fs::remove_all(folder->Path() / "cut");
}

TEST_F(MergeToolTest, MergesThatWouldLoseOrDoubleSetsWriteNothing) {
  folder->Write("short/batch_summary.csv", folder->Read("b/batch_summary.csv"));
  folder->Write("short/batch_run_times.txt",
                "DT =0.0025\tITER = 1\tSUBD = 5\tSGNT = 0.1\tTIME = 1\n");
  for (const char* name : {"batch_1.txt", "batch_1.csv", "batch_3.txt", "batch_3.csv"}) {
    fs::copy(folder->Path() / "b" / name, folder->Path() / "short" / name);
  }
  struct Case {
    const char* arguments;
    std::string err;
  };
  const std::string end = "; nothing is merged\n";
  const Case cases[] = {
      {"merged a c",
       "sets 2 to 4 are in no shard: a shard is missing, or its run never got to them"},
      {"--sets 1-5 merged a b",
       "set 5 is in no shard: a shard is missing, or its run never got to them"},
      {"--sets 2-5 merged a b c", "'a' holds set 1, before the first of --sets 2-5"},
      {"merged a b c a", "the shard 'a' is named twice"},
      {"merged a ./b/ b c", "the shard './b/' is named twice (also as 'b')"},
      {"merged a b c results", "set 1 is in both 'a' and 'results'"},
      {"a a b c", "the output folder 'a' is one of the shards"},
      {"merged a b c empty",
       "'empty' holds neither batch_summary.csv nor study_summary.csv: no "
       "batch or study ran into it"},
      {"merged a b c none", "'none' does not exist"},
      {"merged a short c",
       "'short': batch_run_times.txt and batch_summary.csv differ in their "
       "number of sets (1 and 2): its run did not finish"},
      {"merged a s12", "'a' holds a batch and 's12' a study: they are no shards of one run"},
      {"results a b c",
       "the output folder 'results' already holds batch_0.csv and 13 more files "
       "of a batch; merge into a folder without them"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    const auto before = ResultFiles(*folder);
    const auto run = RunIn(folder->Path(), MergeCommand(c.arguments));
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("kelvra-merge: " + c.err + end, run.err);
    EXPECT_FALSE(folder->Exists("merged"));
    EXPECT_EQ(before, ResultFiles(*folder));
  }
  // A disk that fills up halfway: what was made goes again.
  const auto full =
      testing_support::RunWithFileLimit(folder->Path(), MergeCommand("new/merged a b c"), 1000);
  EXPECT_EQ(1, full.exitCode);
  EXPECT_EQ("kelvra-merge: cannot write 'new/merged/batch_0.csv' (File too large)" + end, full.err);
  EXPECT_FALSE(folder->Exists("new"));
  // A shard that a run still writes into.
  ResultsLock running;
  std::string error;
  ASSERT_TRUE(running.Acquire((folder->Path() / "b").string(), error));
  const auto run = RunIn(folder->Path(), MergeCommand("merged a b c"));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("kelvra-merge: another run (process " + std::to_string(getpid()) +
                ") is using the results folder 'b'; one folder holds one run at a time" + end,
            run.err);
  EXPECT_FALSE(folder->Exists("merged"));
  fs::remove_all(folder->Path() / "short");
}

TEST_F(MergeToolTest, WrongArgumentsGetTheUsage) {
  for (const char* arguments : {"", "merged", "--sets 0 merged a", "--fast merged a"}) {
    const auto run = RunIn(folder->Path(), MergeCommand(arguments));
    EXPECT_EQ(2, run.exitCode) << arguments;
    EXPECT_NE(std::string::npos, run.err.find("Usage: kelvra-merge [--sets A-B] OUT SHARD...\n"))
        << arguments;
  }
}

}  // namespace
