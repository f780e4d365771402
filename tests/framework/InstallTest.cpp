// The installed program: `cmake --install` of this build into a temporary
// prefix, working folders made by its `kelvra --init` outside the checkout,
// runs there with the installed programs on the PATH, and the documentation's
// recipes for spreading a batch over machines as they are written.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

namespace fs = std::filesystem;
using namespace program_run;
using testing_support::ReadFile;
using testing_support::RunIn;
using testing_support::SourceDir;
using testing_support::TempFolder;

const std::string kRefusalEnd =
    "; nothing was written. Make the working folder elsewhere, or move those away.\n";

// The shipped files a working folder gets, relative to data/: every one but the
// hidden ones and the results of runs in the checkout.
std::vector<fs::path> ShippedFiles() {
  std::vector<fs::path> files;
  const fs::path data = SourceDir() / "data";
  for (auto entry = fs::recursive_directory_iterator(data); entry != fs::end(entry); ++entry) {
    const fs::path relative = entry->path().lexically_relative(data);
    if (*relative.begin() == "results" || relative.filename().string().front() == '.') continue;
    if (entry->is_regular_file()) files.push_back(relative);
  }
  return files;
}

// The text of every indented block after a line `marker`, in README.md and the
// pages of docs/, in that order.
std::vector<std::string> DocumentedBlocks(const std::string& marker) {
  std::vector<fs::path> pages = {SourceDir() / "README.md"};
  std::vector<fs::path> docs;
  for (const auto& entry : fs::directory_iterator(SourceDir() / "docs")) {
    if (entry.path().extension() == ".md") docs.push_back(entry.path());
  }
  std::sort(docs.begin(), docs.end());
  pages.insert(pages.end(), docs.begin(), docs.end());
  std::vector<std::string> blocks;
  for (const fs::path& page : pages) {
    for (const std::string& block : MarkedBlocks(ReadFile(page), marker)) blocks.push_back(block);
  }
  return blocks;
}

class InstallTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    place = std::make_unique<TempFolder>();
    install = RunIn(place->Path(), "cmake --install '" KELVRA_BINARY_DIR "' --prefix prefix");
  }
  static void TearDownTestSuite() { place.reset(); }

  // `command` with the installed programs first on the PATH.
  static std::string Installed(const std::string& command) {
    return "PATH='" + (place->Path() / "prefix" / "bin").string() + "':\"$PATH\" " + command;
  }

  static std::unique_ptr<TempFolder> place;
  static testing_support::ProcessResult install;
};

std::unique_ptr<TempFolder> InstallTest::place;
testing_support::ProcessResult InstallTest::install;

TEST_F(InstallTest, InitMakesAWorkingFolderAnywhereForTheInstalledProgram) {
  ASSERT_EQ(0, install.exitCode) << install.err;
  TempFolder home;
  const auto init = RunIn(home.Path(), Installed("kelvra --init 'my runs/first'"));
  ASSERT_EQ(0, init.exitCode) << init.err;
  EXPECT_EQ("", init.err);
  const fs::path data = place->Path() / "prefix" / "share" / "kelvra";
  EXPECT_EQ(0u, init.out.find("Made the working folder 'my runs/first' from '" + data.string() +
                              "': " + std::to_string(ShippedFiles().size()) + " files"))
      << init.out;
  const fs::path folder = home.Path() / "my runs" / "first";
  for (const fs::path& file : ShippedFiles()) {
    EXPECT_TRUE(ReadFile(SourceDir() / "data" / file) == ReadFile(folder / file)) << file;
  }
  EXPECT_TRUE(fs::is_directory(folder / "results") && fs::is_empty(folder / "results"));

  // A second --init keeps the user's files as they are.
  home.Write("my runs/first/demo_history.in", RampHistory(20));
  const auto again = RunIn(home.Path(), Installed("kelvra --init 'my runs/first'"));
  EXPECT_EQ(1, again.exitCode);
  EXPECT_EQ(0u,
            again.err.find("kelvra: --init: 'my runs/first' already holds batch_paramsets.in, "))
      << again.err;
  EXPECT_TRUE(again.err.ends_with(kRefusalEnd)) << again.err;
  EXPECT_EQ(RampHistory(20), home.Read("my runs/first/demo_history.in"));

  const auto run =
      RunIn(folder, Installed("kelvra --console --history demo_history.in --states"), "\n");
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_NE(std::string::npos, run.out.find("Files written: results/_kelvra_result_")) << run.out;
  for (const char* tool : {"kelvra-plot", "kelvra-plot-study", "kelvra-merge"}) {
    const auto help = RunIn(folder, Installed(std::string(tool) + " --help"));
    EXPECT_EQ(0, help.exitCode) << tool;
    EXPECT_NE(std::string::npos, help.out.find(std::string("Usage: ") + tool + " [")) << tool;
  }
}

// The program of the build folder takes the checkout's data; whatever stands
// at the name of a file or folder it would make refuses the whole folder.
TEST_F(InstallTest, InitWritesNothingWhereAnythingStandsInItsWay) {
  struct Case {
    const char* name;
    const char* link;  // a symbolic link to "../target" at this name in the folder
    std::string err;
  };
  const Case cases[] = {
      {"file", nullptr, "kelvra: --init: 'file' is no folder; nothing was written\n"},
      {"w1", "textures", "kelvra: --init: 'w1' already holds textures" + kRefusalEnd},
      {"w2", "combined_train17_GEN.in",
       "kelvra: --init: 'w2' already holds combined_train17_GEN.in" + kRefusalEnd},
  };
  TempFolder home;
  home.Write("file", "mine\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.link != nullptr) {
      fs::create_directory(home.Path() / c.name);
      fs::create_symlink("../target", home.Path() / c.name / c.link);
    }
    const auto run = RunIn(home.Path(), KelvraCommand(std::string("--init ") + c.name));
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(c.err, run.err);
    EXPECT_EQ("", run.out);
    EXPECT_FALSE(home.Exists("target"));
    EXPECT_FALSE(home.Exists(std::string(c.name) + "/demo_history.in"));
  }
  EXPECT_EQ("mine\n", home.Read("file"));
  // A disk that fills up halfway: what was made goes again.
  const auto full =
      testing_support::RunWithFileLimit(home.Path(), KelvraCommand("--init w3/new"), 100000);
  EXPECT_EQ(1, full.exitCode);
  EXPECT_EQ(
      "kelvra: --init: cannot write 'w3/new/demo_history.in' (File too large); nothing was "
      "written\n",
      full.err);
  EXPECT_FALSE(home.Exists("w3"));
  const auto made = RunIn(home.Path(), KelvraCommand("--init ./fresh/"));
  EXPECT_EQ(0, made.exitCode) << made.err;
  EXPECT_NE(std::string::npos, made.out.find("from '" + (SourceDir() / "data").string() + "'"));
  EXPECT_TRUE(home.Exists("fresh/combined_styles_GEN.in"));
}

// The documented commands, unchanged, in working folders of the installed
// program over a short history: GNU parallel and the Slurm job's five tasks,
// each gathered by kelvra-merge, leave the files of a run of the whole batch.
TEST_F(InstallTest, RecipesSpreadingABatchLeaveTheFilesOfOneMachine) {
  ASSERT_EQ(0, install.exitCode) << install.err;
  const std::vector<std::string> steps = DocumentedBlocks("<!-- runnable in a working folder -->");
  const std::vector<std::string> job = DocumentedBlocks("<!-- slurm job -->");
  ASSERT_EQ(3u, steps.size()) << "the batch, the parallel shares and the merge";
  ASSERT_EQ(1u, job.size());
  ASSERT_NE(std::string::npos, steps[1].find("parallel"));
  ASSERT_NE(std::string::npos, steps[2].find("kelvra-merge"));
  TempFolder home;
  const auto run = [&](const std::string& folder, const std::string& script,
                       const std::string& variables = "") {
    home.Write(folder + "/step.sh", script);
    const auto step = RunIn(home.Path() / folder, Installed(variables + "bash -e step.sh"));
    EXPECT_EQ(0, step.exitCode) << folder << ":\n" << script << step.err;
    fs::remove(home.Path() / folder / "step.sh");
  };
  for (const std::string folder : {"whole", "parallel", "slurm"}) {
    ASSERT_EQ(0, RunIn(home.Path(), Installed("kelvra --init " + folder)).exitCode);
    home.Write(folder + "/demo_history.in", RampHistory(40));
    run(folder, steps[0]);
  }
  run("whole",
      "mkdir single\nkelvra --batch --history demo_history.in --results single </dev/null\n");
  run("parallel", steps[1]);
  run("parallel", steps[2]);
  for (int task = 0; task < 5; ++task) {
    run("slurm", job[0], "SLURM_ARRAY_TASK_ID=" + std::to_string(task) + " SLURM_CPUS_PER_TASK=2 ");
  }
  run("slurm", steps[2]);
  ASSERT_EQ(51, LineCount(home.Read("whole/single/batch_summary.csv")));
  ExpectSameRunFiles(home.Path() / "whole" / "single", home.Path() / "parallel" / "results",
                     "batch_");
  ExpectSameRunFiles(home.Path() / "whole" / "single", home.Path() / "slurm" / "results", "batch_");
}

}  // namespace
