// The README's commands as a new user types them: every block the README marks
// as runnable, in order, from the root of a fresh copy of the repository whose
// program is built.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

namespace fs = std::filesystem;
using testing_support::RunIn;
using testing_support::SourceDir;
using testing_support::TempFolder;

const char* const kRunnableMarker = "<!-- runnable -->";

TEST(ReadmeRunnableTest, MarkedBlocksAreFoundWholeAndAlone) {
  const std::string readme =
      "text\n    not marked\n<!-- runnable -->\n    a\n    b\ntext\n<!-- runnable -->\n\n"
      "    c\n";
  EXPECT_EQ((std::vector<std::string>{"a\nb\n", "c\n"}),
            program_run::MarkedBlocks(readme, kRunnableMarker));
}

// A copy of what a clone holds that the commands use, with no results yet,
// and the program where the build puts it.
void LayFreshCopy(const TempFolder& folder) {
  for (const char* part : {"data", "scripts", "docs"}) {
    fs::copy(SourceDir() / part, folder.Path() / part, fs::copy_options::recursive);
  }
  for (const auto& entry : fs::directory_iterator(folder.Path() / "data" / "results")) {
    if (entry.path().filename() != ".gitkeep") fs::remove_all(entry.path());
  }
  fs::create_directory(folder.Path() / "build");
  fs::create_symlink(testing_support::KelvraBinary(), folder.Path() / "build" / "kelvra");
}

TEST(ReadmeRunnableTest, EveryRunnableBlockRunsAsWritten) {
  if (std::system("command -v gnuplot > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "gnuplot is not installed";
  }
  const std::vector<std::string> blocks = program_run::MarkedBlocks(
      testing_support::ReadFile(SourceDir() / "README.md"), kRunnableMarker);
  ASSERT_GE(blocks.size(), 4u);
  TempFolder folder;
  LayFreshCopy(folder);
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    folder.Write("block.sh", blocks[i]);
    const auto run = RunIn(folder.Path(), "bash -e block.sh", "");
    EXPECT_EQ(0, run.exitCode) << "block " << i + 1 << ":\n" << blocks[i] << run.err;
  }
  EXPECT_TRUE(folder.Exists("data/results/study_summary.csv"));
  EXPECT_TRUE(folder.Exists("data/results/study_summary_stopping_distance.png"));
}

}  // namespace
