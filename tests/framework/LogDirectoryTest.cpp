#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kComponentLog =
    "***** ComponentManager Log *****\n\n"
    "Number of valid components: 77\n"
    "Number of invalid components: 0\n"
    "Number of applied user defined DOF strings: 13\n"
    "Number of removed user defined DOF strings: 0\n";

const char* const kVehicleLog =
    "\nTMtrxVeh::SetPar() successfully finished.\n"
    "\nTMtrxVehOut::SetPar() successfully finished.\n"
    "\nTAxleIntegrator::ReadPar() successfully finished.\n"
    "\nTBrakeSys::ReadPar() successfully finished.\n"
    "\nTResistance::ReadPar() successfully finished.\n"
    "\nNum. of Adhs to read: 1 TAdhesionGenerator::ReadPar()\n"
    "\nTAdhesionGenerator::ReadPar() successfully finished.\n"
    "\nTContact::ReadPar() successfully finished.\n"
    "\nTTemperature::ReadPar() successfully finished.\n";

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

// The logs go into a folder created for them; the console shows nothing of it.
TEST(LogDirectoryTest, ConsoleRunLeavesTheSixModuleLogs) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  const auto run =
      RunIn(folder.Path(), KelvraCommand("--console --history h.in --log-dir out/logs"), "\n");
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ("", run.err);
  EXPECT_EQ(ConsoleStart() + kModelOK + kHistoryOK + kPreparedOK + kVehicleOK +
                "Simulation in progress...\n\tDone in # [s]\nSummary: #\n" + kValidatorRun +
                kComparison + kFilesWritten + kExitPrompt,
            MaskDurations(run.out));
  ASSERT_EQ(kModuleLogs, FilesIn(folder.Path() / "out/logs"));
  EXPECT_EQ(ModelCreationLog(), folder.Read("out/logs/model_creation.log"));
  EXPECT_EQ(kComponentLog, folder.Read("out/logs/component_manager.log"));
  EXPECT_EQ(kVehicleLog, folder.Read("out/logs/vehicle_system.log"));
  EXPECT_TRUE(StartsWith(folder.Read("out/logs/basic_matrix_manager.log"),
                         "***** BasicMatrixManager Log *****"));
  EXPECT_TRUE(StartsWith(folder.Read("out/logs/advanced_matrix_manager.log"),
                         "***** AdvancedMatrixManager Log *****"));
  const std::string simulation = folder.Read("out/logs/simulation_module.log");
  EXPECT_TRUE(StartsWith(simulation, "***** Simulation Module Log *****\n"));
  for (const char* section :
       {"\n|Fundamental matrix C=T*B*inv(T)", "\n|External force step matrix P=T*R",
        "\n|External force step matrix P1=T*R1"}) {
    EXPECT_NE(std::string::npos, simulation.find(section)) << section;
  }
}

// A set-up that stops early leaves the logs of the modules that ran, and empty
// logs of those that did not.
TEST(LogDirectoryTest, LogsAreWrittenWhenTheSetUpFails) {
  struct Case {
    const char* title;
    bool withModel;
    const char* options;
    std::string modelLog;
    std::string componentLog;
  };
  const Case cases[] = {
      {"missing model file", false, "--console --history h.in",
       "***** ModelCreation Module Log *****\n\n"
       "Input file: combined_train17_GEN.in\n"
       "Status: FileNotExists\n"
       "Cannot execute CreateComponents() - Target file does not exist!\n",
       ""},
      {"missing history", true, "--console --history absent.in", ModelCreationLog(), kComponentLog},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    if (!c.withModel) std::filesystem::remove(folder.Path() / "combined_train17_GEN.in");
    folder.Write("h.in", RampHistory(20));
    const auto run =
        RunIn(folder.Path(), KelvraCommand(std::string(c.options) + " --log-dir L"), "\n");
    EXPECT_EQ(1, run.exitCode);
    ASSERT_EQ(kModuleLogs, FilesIn(folder.Path() / "L"));
    EXPECT_EQ(c.modelLog, folder.Read("L/model_creation.log"));
    EXPECT_EQ(c.componentLog, folder.Read("L/component_manager.log"));
    EXPECT_EQ("", folder.Read("L/simulation_module.log"));
    EXPECT_EQ("", folder.Read("L/vehicle_system.log"));
  }
}

// In the window run the style file's log joins the others.
TEST(LogDirectoryTest, WindowRunAddsTheStyleLog) {
  TempFolder folder;
  folder.CopyShippedData();
  folder.Write("h.in", RampHistory(20));
  folder.Write("combined_styles_GEN.in", "BEGIN\nEND\n");
  const auto run = RunIn(folder.Path(), KelvraCommand("--history h.in --log-dir L"), "\n");
  EXPECT_EQ(1, run.exitCode);
  std::vector<std::string> expected = kModuleLogs;
  expected.insert(expected.begin() + 5, "style_manager.log");
  ASSERT_EQ(expected, FilesIn(folder.Path() / "L"));
  const std::string styleLog =
      "***** StyleManager Log *****\n\n"
      "Number of valid user defined styles: 0\n"
      "Number of invalid user defined styles: 0\n"
      "Error - Keyword LINKS not found!\n";
  EXPECT_EQ(styleLog, folder.Read("L/style_manager.log"));
  EXPECT_EQ(GraphicsStart() + kModelOK + kHistoryOK + kPreparedOK +
                "Creating visual model representation... Failed\nReason:\n" + styleLog +
                kExitPrompt,
            run.out);
}

// A log folder that cannot be made costs one warning; the run goes on and
// ends with exit status 1, as a run that lost result files does.
TEST(LogDirectoryTest, UnwritableLogFolderWarnsAndTheRunGoesOn) {
  for (const char* folderName : {"logs", "/dev/null"}) {
    SCOPED_TRACE(folderName);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(20));
    folder.Write("logs", "a file where the folder should be\n");
    const auto run =
        RunIn(folder.Path(),
              KelvraCommand(std::string("--console --history h.in --log-dir ") + folderName), "\n");
    EXPECT_EQ(1, run.exitCode);
    EXPECT_EQ(std::string("Warning - cannot make the log folder '") + folderName +
                  "'; the module logs are not saved.\n",
              run.err);
    EXPECT_EQ(ConsoleStart() + kModelOK + kHistoryOK + kPreparedOK + kVehicleOK +
                  "Simulation in progress...\n\tDone in # [s]\nSummary: #\n" + kValidatorRun +
                  kComparison + kFilesWritten + kExitPrompt,
              MaskDurations(run.out));
  }
}

}  // namespace
