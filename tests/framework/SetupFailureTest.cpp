#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
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
// only the exit prompt: nothing runs, no result file appears and the exit status
// is 1. The module logs are written all the same.
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
           ModelCreationLog(
               {"", "", "Error: Parent body of Wheel 'Wheel1' does not have X DoF!\n", ""})},
      {"brake node on the wheel centre line",
       [](const TempFolder& folder) {
         WriteModel(folder, "Wheelset1Brake    Wheelset1  0.23",
                    "Wheelset1Brake    Wheelset1  0   ");
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason:\n" + ModelCreationLog()},
      // Values without physical sense are refused with the value and the limit.
      {"wheel without static load and with a negative reduced mass",
       [](const TempFolder& folder) {
         WriteModel(folder, "Brake1  500           98100", "Brake1  -500          0    ");
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason:\n" +
           ModelCreationLog({"Error - Wheel 'Wheel1': static load 0 must be above 0!\n",
                             "Error - Wheel 'Wheel1': reduced mass -500 must be above 0!\n", "",
                             ""})},
      {"wheel radius next to nothing",
       [](const TempFolder& folder) {
         WriteModel(folder, "Brake1  500           98100        0.46",
                    "Brake1  500           98100        1e-320");
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason:\n" +
           ModelCreationLog({"", "", "",
                             "Error - Wheel 'Wheel1': brake force radius 0.23 / 9.99989e-321 is "
                             "not finite!\n"})},
      {"model file that is a folder",
       [](const TempFolder& folder) {
         std::filesystem::remove(folder.Path() / kModelFile);
         std::filesystem::create_directory(folder.Path() / kModelFile);
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelFailed) + "Reason: 'combined_train17_GEN.in' is not a regular file\n"},
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
      {"history that is a folder",
       [](const TempFolder& folder) { std::filesystem::create_directory(folder.Path() / "hdir"); },
       "--console --history hdir", ConsoleStart(),
       std::string(kModelOK) + "Reading external force history... Failed\n"
                               "Reason: 'hdir' is not a regular file\n"},
      // Refused before ten million empty rows are allocated.
      {"history of rows without columns",
       [](const TempFolder& folder) { folder.Write("h.in", "EFD\n10000000 0\n"); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + "Reading external force history... Failed\n"
                               "Reason: EFD in 'h.in': the 10000000 rows have 0 columns\n"},
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
      // A batch DT of 1e-9 would write hundreds of gigabytes of time series.
      {"batch output beyond the limit",
       [](const TempFolder& folder) {
         folder.Write("batch_paramsets.in", "BATCH 1 4\n1e-9 3 10 0.05\n");
       },
       "--batch --history h.in", BatchStart(),
       std::string(kModelOK) + kHistoryOK +
           "Reading batch run parameters... Failed\n"
           "Reason: BATCH in 'batch_paramsets.in': the run would write about 136.0 GB of result "
           "files, more than the limit of 10.0 GB\n"},
      // The time series alone would be 6.8 GB; the states of every step double it:
      // (1e7 + 1) rows x (34 + 31) numbers x 20 bytes, and the validator's 0.14 MB.
      {"batch states beyond the limit",
       [](const TempFolder& folder) {
         folder.Write("batch_paramsets.in", "BATCH 1 4\n2e-8 0 1 0.05\n");
       },
       "--batch --states --history h.in", BatchStart(),
       std::string(kModelOK) + kHistoryOK +
           "Reading batch run parameters... Failed\n"
           "Reason: BATCH in 'batch_paramsets.in': the run would write about 13.0 GB of result "
           "files, more than the limit of 10.0 GB\n"},
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
      // 2.7 would be read as 2.
      {"ITER that is no whole number",
       [](const TempFolder& folder) { WriteModel(folder, "ITER 3", "ITER 2.7"); },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + kHistoryOK + kPreparedOK +
           "Creating vehicle simulator... Failed\n"
           "Reason:\n"
           "\nTMtrxVeh::SetPar() successfully finished.\n"
           "\nTMtrxVehOut::SetPar() successfully finished.\n"
           "\nError - ITER '2.7' must be a whole number from 0 to 10000000.\n"
           "\nAdditional iteration count was not read. TAxleIntegrator::ReadPar()\n"
           "\nAxleRot.ReadPar() is not successfull.\n"
           "\nVehDyn.ReadPar() error in Kelvra\n"},
      // Each of the 40 steps would take ten million passes of 100 substeps.
      {"work beyond the limit",
       [](const TempFolder& folder) {
         const std::string model = ShippedModelWith("ITER 3", "ITER 10000000");
         folder.Write(kModelFile,
                      std::regex_replace(model, std::regex("\nSUBDIV 10\n"), "\nSUBDIV 100\n"));
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + kHistoryOK + kPreparedOK +
           "Creating vehicle simulator... Failed\n"
           "Reason: the run would take 4e+10 substeps per axle (steps x (ITER + 1) x SUBDIV), "
           "more than the limit of 1e+10\n"},
      {"model without wheels",
       [](const TempFolder& folder) {
         const std::string model = testing_support::ReadFile(folder.Path() / kModelFile);
         folder.Write(kModelFile, std::regex_replace(model, std::regex("\nWHEEL [^\n]*"), "\n"));
       },
       "--console --history h.in", ConsoleStart(),
       std::string(kModelOK) + kHistoryOK + kPreparedOK +
           "Creating vehicle simulator... Failed\n"
           "Reason:\n"
           "\nError - the model file has no WHEEL: the vehicle system needs at least one.\n"},
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
      {"style file that is a folder",
       [](const TempFolder& folder) {
         std::filesystem::remove(folder.Path() / "combined_styles_GEN.in");
         std::filesystem::create_directory(folder.Path() / "combined_styles_GEN.in");
       },
       "--history h.in", GraphicsStart(),
       std::string(kModelOK) + kHistoryOK + kPreparedOK +
           "Creating visual model representation... Failed\n"
           "Reason:\n"
           "***** StyleManager Log *****\n\n"
           "Error - 'combined_styles_GEN.in' is not a regular file!\n"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.title);
    TempFolder folder;
    folder.CopyShippedData();
    folder.Write("h.in", RampHistory(40));
    c.prepare(folder);
    const auto run =
        RunIn(folder.Path(), KelvraCommand(std::string(c.options) + " --log-dir L"), "\n");
    EXPECT_EQ(1, run.exitCode);
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
