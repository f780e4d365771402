#pragma once

// Shared pieces of the tests that run the program in a working folder: the
// texts it prints, short inputs, and the result files it leaves.

#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace program_run {

inline const char* const kBanner =
    "____________    ____________________>____    \n"
    "[___][___][]|  /_] ###   Kelvra2   ### [_\\  \n"
    "__________[]| /___________________________\\ \n"
    "-------~o=o~+-+~o-o-o~=============~o-o-o~+  \n"
    "\nWARNING: For testing purposes only!\n\n";

inline const char* const kSR = "Simulator has defaulted to Single Run (SR) mode.\n";
inline const char* const kBR = "Simulator was set to Batch Run (BR) mode.\n";
inline const char* const kSEF = "Simulator has defaulted to Static External Force (SEF) mode.\n";
inline const char* const kSEFByBR =
    "Simulator has defaulted to Static External Force (SEF) mode, required by BR mode.\n";
inline const char* const kRTEF = "Simulator was set to Real Time External Force (RTEF) mode.\n";
inline const char* const kCD = "Simulator has defaulted to Console Display (CD) mode.\n";
inline const char* const kCDByBR =
    "Simulator has defaulted to Console Display (CD) mode, required by BR mode.\n";
inline const char* const kGD = "Simulator was set to Graphics Display (GD) mode.\n";
inline const char* const kGDByRTEF =
    "Simulator has defaulted to Graphics Display (GD) mode, required by RTEF mode.\n";

inline const char* const kModelOK = "Creating internal model representation... OK\n";
inline const char* const kHistoryOK = "Reading external force history... OK\n";
inline const char* const kBatchOK = "Reading batch run parameters... OK\n";
inline const char* const kPreparedOK = "Preparing Fundamental matrices... OK\n";
inline const char* const kVehicleOK = "Creating vehicle simulator... OK\n";
inline const char* const kExitPrompt = "\nPress [ENTER] to exit...";

// The validator after a console or batch run, with every duration masked as "#".
inline const char* const kValidatorRun =
    "\nRunning validator with hard-coded parameters...\n"
    "Creating RK solver... OK\n"
    "\rSimulation in progress... \n"
    "\tDone in # [s]\n";

// The summary after the validator of a console run whose wheels roll all the
// time, its numbers masked as "#".
inline const char* const kComparison =
    "Largest vehicle speed difference to the validator while every wheel rolls: # m/s at # s "
    "(axle #)\n";

// In place of the comparison with the validator for a vehicle it does not
// model: the line saying so, then the reference integration of the run's own
// model and its comparison while every wheel rolls, numbers masked.
inline const char* const kNotTheValidatorsLinearModel =
    "No speed comparison with the validator: it models the shipped vehicle only, and this run's "
    "vehicle differs in its linear model\n";
inline const char* const kReferenceCheck =
    "\nRunning reference integration of the model (Runge-Kutta, # substeps per time step)...\n"
    "\tDone in # [s]\n"
    "Largest vehicle speed difference to the reference integration of the model while every "
    "wheel rolls: # m/s at # s (axle #)\n";

// A run's summary line and the line naming the files a run wrote, masked by
// MaskDurations.
inline const char* const kSummary = "Summary: #\n";
inline const char* const kFilesWritten = "Files written: #\n";

// The files that --log-dir leaves outside the window runs, sorted.
inline const std::vector<std::string> kModuleLogs = {
    "advanced_matrix_manager.log", "basic_matrix_manager.log", "component_manager.log",
    "model_creation.log",          "simulation_module.log",    "vehicle_system.log",
};

// Banner and mode lines of `kelvra --console`, `kelvra --batch` and of `kelvra --history`.
std::string ConsoleStart();
std::string BatchStart();
// A batch's set-up up to its first set, every stage OK.
std::string BatchSetUp();
// The two lines of a batch set that makes new step matrices.
inline const char* const kRecalculated =
    "\nTime step changed, recalculate solution operators... OK\n"
    "\nRe-initializing simulator... OK\n";
// Set i of n with its "Params: " text, what it says while running, and its
// masked duration and summary.
std::string SetRun(int i, int n, const std::string& params, const std::string& during = "");
std::string GraphicsStart();

// The command line running the built program with `options`.
std::string KelvraCommand(const std::string& options);

// An external force history of `rows` rows of four brake inputs and the traction:
// traction 1000 * (k + 1) in row k, no brake input.
std::string RampHistory(int rows);

// `text` with every number between `prefix` and `suffix` replaced by "#". A
// test failure is recorded for each masked text that is no non-negative number.
std::string MaskNumbers(const std::string& text, const std::string& prefix,
                        const std::string& suffix);
// Console output with the numbers that change from run to run masked: the
// durations of "\tDone in <seconds> [s]\n", the three numbers of each
// comparison line, the substeps of the reference integration, and the summary
// and files-written lines after their first words.
std::string MaskDurations(const std::string& out);

// The columns of a vehicle time series: time, traction, then per axle the brake
// input, vehicle and wheel speed, slip, adhesion, normal and brake force, position.
std::vector<std::string> StepColumns(int axles);

// A CSV file of numbers: its column names and its rows.
struct CsvTable {
  std::vector<std::string> columns;
  std::vector<std::vector<double>> rows;
  // Index of the column `name`; records a test failure and returns 0 when missing.
  std::size_t Column(const std::string& name) const;
};
// Records a test failure for every cell that is no number and every row whose
// length differs from the header's; with `emptyCells` an empty cell reads as NaN.
CsvTable ReadCsv(const std::string& text, bool emptyCells = false);

// A run's record (<run>.json) without what differs from run to run of the
// same inputs: the command line, the working folder, the start and the duration.
std::string StableRecord(const std::string& recordText);

// The names of the files under results/ (without hidden files), sorted.
std::vector<std::string> ResultFiles(const testing_support::TempFolder& folder);

// The one result name of a console run without its extension, such as
// "results/_kelvra_result_12"; a test failure where there is none.
std::string ConsoleBase(const testing_support::TempFolder& folder);

// The shipped model file with its first occurrence of `from` replaced by `to`;
// records a test failure when `from` does not occur.
std::string ShippedModelWith(const std::string& from, const std::string& to);

// The model creation log of the shipped model's whole chain, the five coupling
// steps included; each error stands after the step that found it.
struct CouplingErrors {
  std::string staticLoad;
  std::string reducedMass;
  std::string wheelIndex;
  std::string brakeRadius;
};
std::string ModelCreationLog(const CouplingErrors& errors = {});

// Number of lines in `text` (each ended by a newline).
int LineCount(const std::string& text);

// The indented code blocks that follow a line `marker` in a Markdown text, unindented.
std::vector<std::string> MarkedBlocks(const std::string& text, const std::string& marker);

// Records a test failure unless `actual` holds the same files of a batch or
// study as `expected` (the files whose names start with `prefix`, "batch_" or
// "study_"), with the same content apart from the run times in
// batch_run_times.txt and batch_summary.csv. Other files, and the runs'
// records (*.json), are not compared.
void ExpectSameRunFiles(const std::filesystem::path& expected, const std::filesystem::path& actual,
                        const std::string& prefix);

}  // namespace program_run
