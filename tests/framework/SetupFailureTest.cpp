#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace {

using namespace program_run;
using testing_support::RunIn;
using testing_support::TempFolder;

const char* const kModelFile = "combined_train17_GEN.in";
const char* const kModelFailed = "Creating internal model representation... Failed\n";

void WriteModel(const TempFolder& folder, const std::string& from, const std::string& to) {
  folder.Write(kModelFile, ShippedModelWith(from, to));
}

struct FailureCase {
  const char* title;
  void (*prepare)(const TempFolder& folder);
  const char* options;   // the run's options besides --log-dir
  std::string start;     // banner and mode lines
  std::string expected;  // what follows them, up to the exit prompt
  // When set, the whole text of this log file follows `expected` on the console
  // and contains `logNeedle`.
  const char* logFile = nullptr;
  const char* logNeedle = nullptr;
};

// Every failing set-up step prints its line with "Failed", its reason, and then
// only the exit prompt: nothing runs and no result file appears. The module logs
// are written all the same.
TEST(SetupFailureTest, EachFailingStepPrintsItsReasonAndSkipsTheRun) {
  const FailureCase cases[] = {
      {"missing model file",
       [](const TempFolder& folder) { std::filesystem::remove(folder.Path() / kModelFile); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason: File not exists!\n"},
      {"parse error",
       [](const TempFolder& folder) {
         WriteModel(folder, "BODY    Car        31000", "BODY    Car        abc");
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) +
           "Reason: Parsing failed: \n"
           "***** ComponentManager Log *****\n\n"
           "Error - Cannot convert mass from string to double in Body 'Car'!\n"
           "Number of valid components: 76\n"
           "Number of invalid components: 1\n"
           "Number of applied user defined DOF strings: 13\n"
           "Number of removed user defined DOF strings: 0\n"},
      {"two nodes of a spring-damper on one point",
       [](const TempFolder& folder) {
         // Bogie1Sec moves onto CarSecLong1 at (-9.0, 0.76).
         WriteModel(folder, "Bogie1Sec         Bogie1     0      0",
                    "Bogie1Sec         Bogie1     0.5    0");
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason: Basic Matrix Calculation failed: \n",
       "basic_matrix_manager.log", "Error - Two nodes are overlapping in 'Sec1Long'!\n"},
      {"car body without mass",
       [](const TempFolder& folder) {
         WriteModel(folder, "BODY    Car        31000", "BODY    Car        0    ");
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason: Advanced Matrix Calculation failed: \n",
       "advanced_matrix_manager.log", "Error - Singular mass matrix: DOF 'Car_X'"},
      {"wheel on a body without longitudinal freedom",
       [](const TempFolder& folder) {
         const std::string model = ShippedModelWith("-10.5   0.46    X ", "-10.5   0.46    Y ");
         const std::size_t dofs = model.find("Wheelset1_X Wheelset2_X");
         ASSERT_NE(std::string::npos, dofs);
         folder.Write(kModelFile, std::string(model).replace(dofs, 11, "Wheelset1_Y"));
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason:\n" +
           ModelCreationLog("Error: Parent body of Wheel 'Wheel1' does not have X DoF!\n")},
      {"brake node on the wheel centre line",
       [](const TempFolder& folder) {
         WriteModel(folder, "Wheelset1Brake    Wheelset1  0.23",
                    "Wheelset1Brake    Wheelset1  0   ");
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason:\n" + ModelCreationLog("")},
      {"model without time step",
       [](const TempFolder& folder) { WriteModel(folder, "\nDT 0.005", "\n"); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + "Reading time step and initial state... Failed\n"
                               "Reason: Keyword DT not found in 'combined_train17_GEN.in'\n"},
      {"initial state shorter than announced",
       [](const TempFolder& folder) { WriteModel(folder, "Y0 26", "Y0 30"); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) +
           "Reading time step and initial state... Failed\n"
           "Reason: Y0 in 'combined_train17_GEN.in': 30 numbers were announced but only 26 "
           "could be read ('ITER' is not a number)\n"},
      {"history file missing", [](const TempFolder&) {}, "--console --history absent.in",
       ConsoleStart(),
       std::string(kModelOK) + "Reading external force history... Failed\n"
                               "Reason: Cannot open 'absent.in'\n"},
      {"history without the traction column",
       [](const TempFolder& folder) { folder.Write("h.in", "EFD 2 4\n0 0 0 0\n0 0 0 0\n"); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) +
           "Reading external force history... Failed\n"
           "Reason: EFD in 'h.in': the history has 4 columns, but 4 axles need 5 (a brake input "
           "per axle, then the traction)\n"},
      {"batch file missing",
       [](const TempFolder& folder) {
         std::filesystem::remove(folder.Path() / "batch_paramsets.in");
       },
       "--batch --history h.in", BatchStart(),
       std::string(kModelOK) + kHistoryOK +
           "Reading batch run parameters... Failed\n"
           "Reason: Cannot open 'batch_paramsets.in'\n"},
      {"batch sets without SGNT",
       [](const TempFolder& folder) {
         folder.Write("batch_paramsets.in", "BATCH 1 3\n0.005 3 10\n");
       },
       "--batch --history h.in", BatchStart(),
       std::string(kModelOK) + kHistoryOK +
           "Reading batch run parameters... Failed\n"
           "Reason: BATCH in 'batch_paramsets.in': the parameter sets need at least 4 columns "
           "(DT ITER SUBD SGNT), found 3\n"},
      {"step matrices overflow",
       [](const TempFolder& folder) { WriteModel(folder, "\nDT 0.005", "\nDT 1e300"); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + kHistoryOK +
           "Preparing Fundamental matrices... Failed\n"
           "Reason:\n"
           "Error - Unable to prepare simulation! Neither the transformation nor the augmented "
           "matrix exponential gives exact step matrices!\n"},
      {"vehicle section SUBDIV missing",
       [](const TempFolder& folder) { WriteModel(folder, "SUBDIV 10", ""); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + kHistoryOK + kPreparedOK +
           "Creating vehicle simulator... Failed\n"
           "Reason:\n"
           "\nTMtrxVeh::SetPar() successfully finished.\n"
           "\nTMtrxVehOut::SetPar() successfully finished.\n"
           "\nSubdivision was not read. TAxleIntegrator::ReadPar()\n"
           "\nAxleRot.ReadPar() is not successfull.\n"
           "\nVehDyn.ReadPar() error in Kelvra\n"},
      {"initial state of the wrong length",
       [](const TempFolder& folder) { WriteModel(folder, "Y0 26", "Y0 20"); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + kHistoryOK + kPreparedOK +
           "Creating vehicle simulator... Failed\n"
           "Reason:\n"
           "\nWrong sizes in TMtrxVeh::ReadPar()\n"
           "\nMtrxVeh.SetPar() is not successfull.\n"
           "\nVehDyn.ReadPar() error in Kelvra\n"},
      {"broken style file in the window run",
       [](const TempFolder& folder) {
         folder.Write("combined_styles_GEN.in", "BEGIN\nFOO x\nEND\n");
       },
       "--history h.in", GraphicsStart(),
       std::string(kModelOK) + kHistoryOK + kPreparedOK +
           "Creating visual model representation... Failed\n"
           "Reason:\n"
           "***** StyleManager Log *****\n\n"
           "Error - Unknown keyword: FOO!\n"
           "Number of valid user defined styles: 0\n"
           "Number of invalid user defined styles: 1\n"
           "Error - Keyword LINKS not found!\n"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(40));
    c.prepare(folder);
    const auto run =
        RunIn(folder.Path(), KelvraCommand(std::string(c.options) + " --log-dir L"), "\n");
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("", run.err);
    std::string expected = c.start + c.expected;
    if (c.logFile != nullptr) {
      const std::string log = folder.Read(std::string("L/") + c.logFile);
      EXPECT_NE(std::string::npos, log.find(c.logNeedle)) << log;
      expected += log;
    }
    EXPECT_EQ(expected + kExitPrompt, run.out);
    EXPECT_TRUE(ResultFiles(folder).empty());
    for (const std::string& log : kModuleLogs) EXPECT_TRUE(folder.Exists("L/" + log)) << log;
  }
}

}  // namespace
